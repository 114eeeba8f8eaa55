// The balloon on the headless screen: body, stem and base line for each side, text in the
// pen colour and centred, the measured height of an empty caption, the registry colours and
// their error, the declared defaults of form descriptions, and the accelerator.
#include "controls/Balloon.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gfx/Text.h"
#include "platform/Input.h"
#include "platform/Registry.h"
#include "ui/Button.h"
#include "ui/HeadlessFixture.h"

namespace pictova {
namespace {

constexpr TColor kFormColor = RGB(90, 90, 160);

class BalloonTest : public HeadlessTest {
 protected:
  // A borderless form at the screen's top-left, so screen and client coordinates agree.
  TForm* MakeForm() {
    auto* form = new TForm(&App());
    form->SetBorderStyle(bsNone);
    form->SetBounds(0, 0, 300, 200);
    form->SetColor(kFormColor);
    return form;
  }
  TBalloon* MakeBalloon(TForm* form, int32_t w, int32_t h) {
    auto* balloon = new TBalloon(form);
    balloon->SetParent(form);
    balloon->SetBounds(0, 0, w, h);
    return balloon;
  }
  void SetColours(const std::string& pen, const std::string& background) {
    Headless().RegistrySet(TBalloon::kRegistryKey, TBalloon::kPenValue, RegString(pen));
    Headless().RegistrySet(TBalloon::kRegistryKey, TBalloon::kBackgroundValue, RegString(background));
  }
  void Paint(TForm* form) {
    if (!form->Visible()) form->Show();
    App().ProcessMessages();
  }
  TColor At(int32_t x, int32_t y) { return Headless().ScreenBitmap().Pixel(x, y); }
};

struct TProbe {
  int32_t X, Y;
  TColor Expected;
};

// Balloons of 120 x 70 with StemSize 12, StemWidth 5, StemOffset 6 and corners of 16: the
// stem's tip, its base as a line of the fill colour on the body's edge, a point inside the
// stem, points beside it, the body's straight edges, its inside and a cut-off corner,
// worked out by hand for each side.
TEST_F(BalloonTest, BodyStemAndBaseLineOnEachSide) {
  constexpr TColor pen = clRed, fill = clLime, out = kFormColor;
  SetColours("255", "0xFF00");
  struct TCase {
    TBalloonStemPos Pos;
    std::vector<TProbe> Probes;
  };
  std::vector<TCase> cases = {
      {spLeft,
       {{0, 41, pen}, {8, 41, fill}, {2, 35, out}, {11, 30, out}, {11, 52, out},
        {12, 36, fill}, {12, 45, fill}, {12, 35, pen}, {12, 46, pen},  // the base, P3 itself outlined
        {12, 20, pen}, {60, 0, pen}, {60, 69, pen}, {119, 35, pen}, {60, 35, fill}, {12, 0, out}, {119, 69, out}}},
      {spTop,
       {{66, 0, pen}, {66, 8, fill}, {60, 2, out}, {50, 11, out},
        {61, 12, fill}, {70, 12, fill}, {60, 12, pen}, {71, 12, pen},
        {30, 12, pen}, {60, 69, pen}, {0, 40, pen}, {119, 40, pen}, {60, 40, fill}, {0, 12, out}}},
      {spRight,
       {{119, 41, pen}, {111, 41, fill}, {118, 35, out}, {109, 30, out},
        {107, 36, fill}, {107, 45, fill}, {107, 35, pen}, {107, 46, pen},
        {107, 20, pen}, {60, 0, pen}, {60, 69, pen}, {0, 35, pen}, {60, 35, fill}, {107, 0, out}, {0, 0, out}}},
      {spBottom,
       {{66, 69, pen}, {66, 61, fill}, {60, 67, out}, {50, 59, out},
        {61, 57, fill}, {70, 57, fill}, {60, 57, pen}, {71, 57, pen},
        {30, 57, pen}, {60, 0, pen}, {0, 30, pen}, {119, 30, pen}, {60, 30, fill}, {0, 57, out}}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.Pos));
    TForm* form = MakeForm();
    TBalloon* balloon = MakeBalloon(form, 120, 70);
    balloon->SetStemPos(c.Pos);
    balloon->SetStemWidth(5);
    balloon->SetStemOffset(6);
    Paint(form);
    for (const TProbe& p : c.Probes) EXPECT_EQ(At(p.X, p.Y), p.Expected) << "at " << p.X << "," << p.Y;
    // Nothing is drawn outside the control.
    EXPECT_EQ(At(120, 41), out);
    EXPECT_EQ(At(66, 70), out);
    delete form;
  }
}

TEST_F(BalloonTest, TheTextTakesThePenColourAndIsCentredInTheBody) {
  SetColours("255", "");  // red pen, the background's default
  TForm* form = MakeForm();
  TBalloon* balloon = MakeBalloon(form, 200, 60);
  balloon->Font().SetColor(clBlue);
  balloon->SetCaption("Hello");
  EXPECT_EQ(balloon->PenColor(), clRed);
  EXPECT_EQ(balloon->BackgroundColor(), clWhite);
  Paint(form);

  // The text box: the body (the stem takes 12 on the left) less 5 and 3 of margin.
  const TRect t = Rect(12 + 5, 3, 200 - 5, 60 - 3);
  const int32_t line = GetTextMetrics(balloon->Font()).Height;
  const int32_t top = t.Top + t.Height() / 2 - line / 2;
  int32_t firstInk = -1, lastInk = -1, blue = 0;
  for (int32_t y = t.Top; y < t.Bottom; ++y)
    for (int32_t x = t.Left; x < t.Right; ++x) {
      const TColor c = At(x, y);
      if (c == clBlue) ++blue;
      if (c == clRed) {
        if (firstInk < 0) firstInk = y;
        lastInk = y;
      }
    }
  EXPECT_EQ(blue, 0);
  ASSERT_GE(firstInk, 0) << "no text in the pen colour";
  EXPECT_GE(firstInk, top);
  EXPECT_LT(lastInk, top + line);
  EXPECT_GT(lastInk - firstInk, line / 3);

  // Disabled text is grey, whatever the pen.
  balloon->SetEnabled(false);
  App().ProcessMessages();
  int32_t grey = 0, red = 0;
  for (int32_t y = t.Top; y < t.Bottom; ++y)
    for (int32_t x = t.Left; x < t.Right; ++x) {
      grey += At(x, y) == ColorToRGB(clGrayText);
      red += At(x, y) == clRed;
    }
  EXPECT_GT(grey, 0);
  EXPECT_EQ(red, 0);
}

TEST_F(BalloonTest, AnEmptyCaptionMeasuresOneLineAndLongTextWraps) {
  TForm* form = MakeForm();
  TBalloon* balloon = MakeBalloon(form, 100, 40);
  const int32_t line = GetTextMetrics(balloon->Font()).Height;
  balloon->SetCaption("x");
  balloon->SetCaption("");
  EXPECT_EQ(balloon->TextHeight(), line);
  // A lone "&" is an empty accelerator text only when accelerators are shown.
  balloon->SetShowAccelChar(true);
  balloon->SetCaption("&");
  EXPECT_EQ(balloon->TextHeight(), line);
  // Measured over the whole control (100 wide): three words of which two fit per line.
  const std::string word = "wwww";
  ASSERT_LT(2 * TextWidth(balloon->Font(), word + " "), 100);
  ASSERT_GT(3 * TextWidth(balloon->Font(), word + " "), 100);
  balloon->SetCaption(word + " " + word + " " + word);
  EXPECT_EQ(balloon->TextHeight(), 2 * line);
  // A font change measures again: at 20 pixels one word or two fit on a line.
  balloon->Font().SetHeight(-20);
  const int32_t perLine = TextWidth(balloon->Font(), word + " " + word) <= 100 ? 2 : 1;
  EXPECT_EQ(balloon->TextHeight(), (3 + perLine - 1) / perLine * GetTextMetrics(balloon->Font()).Height);
}

TEST_F(BalloonTest, RegistryColoursAreDecimalOrHexStringsAndOtherTypesFail) {
  const std::pair<std::string, TColor> texts[] = {
      {"65280", clLime}, {"0x00FF00", clLime}, {"0X00ff00", clLime}, {"0xff", clRed},
      {"green", clWhite}, {"", clWhite}, {"0x", clWhite}, {"12ab", clWhite}, {"0x1G", clWhite},
      {"4294967296", clWhite}, {"0x100000000", clWhite}, {"0xFFFFFFFF", -1}, {"-1", -1},
  };
  for (const auto& [text, colour] : texts) {
    SCOPED_TRACE(text);
    SetColours("", text);
    TBalloon balloon(nullptr);
    EXPECT_EQ(balloon.BackgroundColor(), colour);
    EXPECT_EQ(balloon.PenColor(), clBlack);
  }

  // The fill shows the colour read.
  SetColours("0x0000FF", "65280");
  TForm* form = MakeForm();
  TBalloon* balloon = MakeBalloon(form, 80, 40);
  Paint(form);
  EXPECT_EQ(At(40, 20), clLime);
  EXPECT_EQ(At(40, 0), clRed);
  // A value in the form description is applied after creation and wins.
  TBalloonLook look;
  look.BackgroundColor = clYellow;
  balloon->ReadDescription(look);
  App().ProcessMessages();
  EXPECT_EQ(At(40, 20), clYellow);

  // No key: the defaults.
  Headless().MemoryRegistry().DeleteKey(TBalloon::kRegistryKey);
  {
    TBalloon plain(nullptr);
    EXPECT_EQ(plain.PenColor(), clBlack);
    EXPECT_EQ(plain.BackgroundColor(), clWhite);
  }

  // A value that is not a string stops the creation with the registry's error.
  for (const char* name : {TBalloon::kPenValue, TBalloon::kBackgroundValue}) {
    SCOPED_TRACE(name);
    SetColours("1", "2");
    Headless().RegistrySet(TBalloon::kRegistryKey, name, RegDword(255));
    try {
      TBalloon failing(nullptr);
      ADD_FAILURE() << "no error";
    } catch (const ERegistryException& e) {
      EXPECT_EQ(std::string(e.what()), std::string("Invalid data type for '") + name + "'");
    }
  }
}

TEST_F(BalloonTest, StartValuesAndTheDeclaredDefaultsOfFormDescriptions) {
  TBalloon balloon(nullptr);
  EXPECT_EQ(balloon.Width(), 65);
  EXPECT_EQ(balloon.Height(), 17);
  EXPECT_EQ(balloon.Alignment(), taLeftJustify);
  EXPECT_FALSE(balloon.ShowAccelChar());
  EXPECT_EQ(balloon.FocusControl(), nullptr);
  EXPECT_EQ(balloon.CornerSize(), 16);
  EXPECT_EQ(balloon.XOffset(), 5);
  EXPECT_EQ(balloon.YOffset(), 3);
  EXPECT_EQ(balloon.StemPos(), spLeft);
  EXPECT_EQ(balloon.StemSize(), 12);
  EXPECT_EQ(balloon.StemWidth(), 4);
  EXPECT_EQ(balloon.StemOffset(), 0);

  // A description that asks for a declared default stores nothing: the start value stays.
  TBalloonLook wanted;
  wanted.XOffset = 3;
  wanted.YOffset = 5;
  wanted.StemOffset = 4;
  balloon.ReadDescription(wanted);
  EXPECT_EQ(balloon.XOffset(), 5);
  EXPECT_EQ(balloon.YOffset(), 3);
  EXPECT_EQ(balloon.StemOffset(), 0);
  // Any other value is stored and read back.
  wanted = {14, clAqua, 8, 9, spBottom, 20, 7, 8};
  balloon.ReadDescription(wanted);
  EXPECT_EQ(balloon.CornerSize(), 14);
  EXPECT_EQ(balloon.BackgroundColor(), clAqua);
  EXPECT_EQ(balloon.XOffset(), 8);
  EXPECT_EQ(balloon.YOffset(), 9);
  EXPECT_EQ(balloon.StemPos(), spBottom);
  EXPECT_EQ(balloon.StemSize(), 20);
  EXPECT_EQ(balloon.StemWidth(), 7);
  EXPECT_EQ(balloon.StemOffset(), 8);
}

TEST_F(BalloonTest, TheAcceleratorFocusesItsControlOnlyWhenShown) {
  TForm* form = MakeForm();
  TBalloon* balloon = MakeBalloon(form, 100, 40);
  auto* button = new TButton(form);
  button->SetParent(form);
  button->SetBounds(10, 100, 75, 25);
  balloon->SetCaption("&Go on");
  balloon->SetFocusControl(button);
  Paint(form);
  auto altChar = [&](char ch) {
    TInputEvent e;
    e.Kind = TInputKind::Char;
    e.Char = static_cast<uint8_t>(ch);
    e.Shift = kAltKey;
    e.Window = form->Handle();
    form->DispatchInput(e);
  };
  altChar('g');
  EXPECT_EQ(form->ActiveControl(), nullptr);  // "&" is drawn as is
  balloon->SetShowAccelChar(true);
  altChar('o');
  EXPECT_EQ(form->ActiveControl(), nullptr);
  altChar('g');
  EXPECT_EQ(form->ActiveControl(), button);
  delete button;
  EXPECT_EQ(balloon->FocusControl(), nullptr);
}

}  // namespace
}  // namespace pictova
