// The alert dialog on the headless backend: its layout around a measured message (the
// payload error, a tall message, a very short one), what the screen shows, the nested call,
// the cursor, the beep, the dialog's lifetime, and the plain box when the dialog fails.
#include "app/AlertDialog.h"

#include <gtest/gtest.h>

#include <functional>

#include "app/Payload.h"
#include "gfx/Text.h"
#include "platform/Registry.h"
#include "ui/HeadlessFixture.h"
#include "ui/Screen.h"

namespace pictova {
namespace {

// What a dialog's layout came to, seen while it was on screen.
struct TSeen {
  bool Shown = false;
  std::string Caption;
  std::string Message;
  TRect Prompt, Image, Ok;
  int32_t ClientWidth = 0, ClientHeight = 0;
  TCursor Cursor = crNone;
  TCursor PlatformCursor = crNone;
  std::string TestCaption = "?";
};

class AlertDialogTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    App().SetTitle("PictovaSaver");
  }
  void TearDown() override {
    App().OnIdle = nullptr;
    HeadlessTest::TearDown();
  }

  // Shows the alert; once its loop is idle, notes the layout, runs `whileShown` and then
  // closes the dialog with `close` (a click on "OK" unless told otherwise).
  TSeen Alert(const std::string& title, const std::string& message, std::function<void()> whileShown = {},
              std::function<void()> close = {}) {
    TSeen seen;
    App().OnIdle = [&](TComponent*) {
      if (seen.Shown || AlertDialog == nullptr || !AlertDialog->Visible()) return;
      seen.Shown = true;
      TAlertDialog* d = AlertDialog;
      seen.Caption = d->Caption();
      seen.Message = d->Prompt->Caption();
      seen.Prompt = d->Prompt->BoundsRect();
      seen.Image = d->Image1->BoundsRect();
      seen.Ok = d->OkButton->BoundsRect();
      seen.ClientWidth = d->ClientWidth();
      seen.ClientHeight = d->ClientHeight();
      seen.Cursor = Screen->Cursor();
      seen.PlatformCursor = Platform().Cursor().Shape();
      seen.TestCaption = d->Test->Caption();
      if (whileShown) whileShown();
      if (close) {
        close();
      } else {
        const TPoint ok = d->OkButton->ClientToScreen({20, 12});
        Headless().Click(ok.X, ok.Y);
      }
    };
    ShowAlert(title, message);
    App().OnIdle = nullptr;
    return seen;
  }

  // The message measured as the dialog's label measures it: one line per carriage return.
  static TRect Measured(const std::string& message) {
    TFont font;
    font.SetName("MS Sans Serif");
    font.SetHeight(-11);
    TRect r;
    MeasureText(font, message.empty() ? " " : message, r, DT_CALCRECT | DT_EXPANDTABS | DT_NOPREFIX);
    return r;
  }
  static int32_t LineHeight() {
    TFont font;
    font.SetName("MS Sans Serif");
    font.SetHeight(-11);
    return GetTextMetrics(font).Height;
  }
  TColor At(TPoint p) { return Headless().ScreenBitmap().Pixel(p.X, p.Y); }
};

// The balloon is 2 x 8 wider than the text plus the 12 of its stem and 2 x 8 higher, the
// picture 65 x 84, the button 75 x 25; the client leaves 40 beside picture and balloon and
// 32 beside the button.
TEST_F(AlertDialogTest, ThePayloadErrorFitsABalloonAsHighAsThePicture) {
  const TRect text = Measured(kNoImagesMessage);
  ASSERT_EQ(text.Height(), 3 * LineHeight());
  ASSERT_LT(text.Height() + 16, 84);
  const int32_t promptWidth = text.Width() + 28;
  const int32_t width = std::max(75 + 32, 65 + promptWidth + 40);

  TPoint balloonInside{}, keyPixel{}, bodyPixel{};
  const TSeen seen = Alert("Error", kNoImagesMessage, [&] {
    balloonInside = AlertDialog->ClientToScreen({88 + 12 + 10, 20 + 10});
    keyPixel = AlertDialog->Image1->ClientToScreen({0, 0});
    bodyPixel = AlertDialog->Image1->ClientToScreen({32, 75});
    // The screen while the dialog is up: a white balloon, the picture's navy body, the
    // picture's key colour showing the dialog's face colour.
    EXPECT_EQ(At(balloonInside), clWhite);
    EXPECT_EQ(At(bodyPixel), RGB(28, 42, 90));
    EXPECT_EQ(At(keyPixel), ColorToRGB(clBtnFace));
  });
  ASSERT_TRUE(seen.Shown);
  EXPECT_EQ(seen.Caption, "Error");
  EXPECT_EQ(seen.Message, kNoImagesMessage);
  EXPECT_EQ(seen.TestCaption, "");
  EXPECT_EQ(seen.Image, Rect(12, 12, 12 + 65, 12 + 84));
  EXPECT_EQ(seen.Prompt, Rect(88, 20, 88 + promptWidth, 20 + 84));
  EXPECT_EQ(seen.ClientWidth, width);
  EXPECT_EQ(seen.ClientHeight, 104 + 25 + 32);
  EXPECT_EQ(seen.Ok, Rect(width / 2 - 37, 120, width / 2 - 37 + 75, 145));
  EXPECT_EQ(AlertDialog, nullptr);
  EXPECT_EQ(Headless().Beeps(), 1);
  EXPECT_TRUE(Headless().ShownMessageBoxes().empty());
}

TEST_F(AlertDialogTest, ATallMessageMovesThePictureAndAShortOneKeepsTheWidths) {
  std::string tall;
  for (int i = 1; i <= 10; ++i) tall += (i > 1 ? "\r" : "") + std::string("Line ") + std::to_string(i);
  const TRect text = Measured(tall);
  ASSERT_EQ(text.Height(), 10 * LineHeight());
  const int32_t promptHeight = text.Height() + 16;
  const int32_t imageTop = promptHeight / 2 - 42 + 16;
  TSeen seen = Alert("Tall", tall);
  EXPECT_EQ(seen.Prompt, Rect(88, 20, 88 + text.Width() + 28, 20 + promptHeight));
  EXPECT_EQ(seen.Image, Rect(12, imageTop, 77, imageTop + 84));
  const int32_t height = std::max(imageTop + 84, 20 + promptHeight) + 25 + 32;
  EXPECT_EQ(seen.ClientHeight, height);
  EXPECT_EQ(seen.Ok.Top, height - 25 - 16);

  // Very short messages, an empty one too: one line, a narrow balloon, the button centred.
  for (const std::string message : {"OK?", ""}) {
    SCOPED_TRACE(message);
    const TRect small = Measured(message);
    seen = Alert("Short", message);
    EXPECT_EQ(seen.Prompt, Rect(88, 20, 88 + small.Width() + 28, 104));
    EXPECT_EQ(seen.Image, Rect(12, 12, 77, 96));
    const int32_t width = std::max(75 + 32, 65 + small.Width() + 28 + 40);
    EXPECT_GE(seen.ClientWidth, 75 + 32);
    EXPECT_EQ(seen.ClientWidth, width);
    EXPECT_EQ(seen.Ok.Left, width / 2 - 37);
  }
  EXPECT_EQ(Headless().Beeps(), 3);
}

TEST_F(AlertDialogTest, ANestedCallUsesThePlainBoxAndTheCursorComesBack) {
  Screen->SetCursor(crHourGlass);
  bool stillShown = false;
  const TSeen seen = Alert("Outer", "First", [&] {
    ShowAlert("Inner", "Second");
    stillShown = AlertDialog != nullptr && AlertDialog->Visible();
  });
  ASSERT_TRUE(seen.Shown);
  EXPECT_TRUE(stillShown);
  const auto boxes = Headless().ShownMessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].Text, "Second");
  EXPECT_EQ(boxes[0].Caption, "PictovaSaver");
  EXPECT_EQ(boxes[0].Flags, MB_OK);
  // The arrow while the dialog is up, the hourglass again afterwards.
  EXPECT_EQ(seen.Cursor, crDefault);
  EXPECT_EQ(seen.PlatformCursor, crDefault);
  EXPECT_EQ(Screen->Cursor(), crHourGlass);
  EXPECT_EQ(Platform().Cursor().Shape(), crHourGlass);
  EXPECT_EQ(Headless().Beeps(), 1);
}

TEST_F(AlertDialogTest, EnterClosesAndADialogMadeElsewhereIsKept) {
  TSeen seen = Alert("Keys", "Press Enter", {}, [this] { Headless().TypeChar('\r'); });
  EXPECT_TRUE(seen.Shown);
  EXPECT_EQ(AlertDialog, nullptr);

  AlertDialog = TForm::Create<TAlertDialog>(&App());
  TAlertDialog* made = AlertDialog;
  seen = Alert("Again", "Reused");
  EXPECT_TRUE(seen.Shown);
  EXPECT_EQ(AlertDialog, made);
  EXPECT_FALSE(made->Visible());
  delete made;
  EXPECT_EQ(AlertDialog, nullptr);
}

TEST_F(AlertDialogTest, ARegistryColourOfTheWrongTypeFallsBackToThePlainBox) {
  Screen->SetCursor(crCross);
  Headless().RegistrySet(TBalloon::kRegistryKey, TBalloon::kBackgroundValue, RegDword(0xFF00));
  const TSeen seen = Alert("Error", kNoImagesMessage);
  EXPECT_FALSE(seen.Shown);
  const auto boxes = Headless().ShownMessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].Text, kNoImagesMessage);
  EXPECT_EQ(boxes[0].Caption, "PictovaSaver");  // the title is lost
  EXPECT_EQ(AlertDialog, nullptr);
  EXPECT_EQ(Screen->Cursor(), crCross);
  EXPECT_EQ(Headless().Beeps(), 0);

  // Strings in decimal and hexadecimal colour the balloon.
  Headless().RegistrySet(TBalloon::kRegistryKey, TBalloon::kBackgroundValue, RegString("0x00FFFF"));
  Headless().RegistrySet(TBalloon::kRegistryKey, TBalloon::kPenValue, RegString("8388608"));
  TColor fill = clNone, pen = clNone;
  Alert("Colours", "Yellow", [&] {
    fill = At(AlertDialog->Prompt->ClientToScreen({30, 10}));
    pen = At(AlertDialog->Prompt->ClientToScreen({30, 0}));
  });
  EXPECT_EQ(fill, clYellow);
  EXPECT_EQ(pen, clNavy);
}

}  // namespace
}  // namespace pictova
