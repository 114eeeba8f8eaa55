// The controls in the classic 3-D look, checked pixel by pixel against the edge rules,
// and their behaviour: auto-size, accelerators, glyph states, selection.
#include "gfx/Text.h"
#include "platform/Input.h"
#include "ui/Bevel.h"
#include "ui/Button.h"
#include "ui/HeadlessFixture.h"
#include "ui/Image.h"
#include "ui/Label.h"
#include "ui/ListBox.h"
#include "ui/Memo.h"
#include "ui/Panel.h"
#include "ui/Screen.h"

namespace pictova {
namespace {

class ControlsTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    FForm = new TForm(&App());
    FForm->SetBorderStyle(bsNone);
    FForm->SetBounds(0, 0, 300, 200);
    FForm->SetColor(clRed);
  }
  void ShowAndPaint() {
    FForm->Show();
    App().ProcessMessages();
  }
  TColor At(int32_t x, int32_t y) { return Headless().ScreenBitmap().Pixel(x, y); }
  static TColor C(TColor c) { return ColorToRGB(c); }
  TForm* FForm = nullptr;
};

TEST_F(ControlsTest, PanelBevelsFollowTheEdgeRules) {
  auto* panel = new TPanel(FForm);
  panel->SetParent(FForm);
  panel->SetBounds(10, 10, 40, 30);
  panel->SetBevelInner(bvLowered);
  panel->SetBorderWidth(2);
  ShowAndPaint();
  // Raised outer ring: highlight left and top, shadow right and bottom (corners at the
  // top right and bottom left belong to the shadow).
  EXPECT_EQ(At(10, 10), C(clBtnHighlight));
  EXPECT_EQ(At(48, 10), C(clBtnHighlight));
  EXPECT_EQ(At(49, 10), C(clBtnShadow));
  EXPECT_EQ(At(10, 38), C(clBtnHighlight));
  EXPECT_EQ(At(10, 39), C(clBtnShadow));
  EXPECT_EQ(At(49, 39), C(clBtnShadow));
  // Border of two pixels in the panel's colour, then the lowered inner ring.
  EXPECT_EQ(At(11, 11), C(clBtnFace));
  EXPECT_EQ(At(12, 12), C(clBtnFace));
  EXPECT_EQ(At(13, 13), C(clBtnShadow));
  EXPECT_EQ(At(46, 13), C(clBtnHighlight));
  EXPECT_EQ(At(13, 36), C(clBtnHighlight));
  EXPECT_EQ(At(20, 20), C(clBtnFace));
  // Aligned children stay inside bevels and border: 1 + 2 + 1 on each side.
  EXPECT_EQ(panel->AlignRect(), Rect(4, 4, 36, 26));
}

TEST_F(ControlsTest, BevelTopLineAndButtonFaces) {
  auto* bevel = new TBevel(FForm);
  bevel->SetParent(FForm);
  bevel->SetBounds(10, 10, 50, 13);
  bevel->SetShape(bsTopLine);
  auto* ok = new TButton(FForm);
  ok->SetParent(FForm);
  ok->SetBounds(100, 100, 75, 25);
  ok->SetCaption("OK");
  ok->SetDefault(true);
  auto* other = new TButton(FForm);
  other->SetParent(FForm);
  other->SetBounds(200, 100, 75, 25);
  ShowAndPaint();
  EXPECT_EQ(At(10, 10), C(clBtnShadow));
  EXPECT_EQ(At(59, 10), C(clBtnShadow));
  EXPECT_EQ(At(10, 11), C(clBtnHighlight));
  EXPECT_EQ(At(10, 12), clRed);  // a bevel paints only its lines
  // The default button has a black outline around the raised edge.
  EXPECT_EQ(At(100, 100), clBlack);
  EXPECT_EQ(At(101, 101), C(clBtnHighlight));
  EXPECT_EQ(At(173, 123), clBlack);  // dark shadow of the raised edge
  EXPECT_EQ(At(200, 100), C(clBtnHighlight));
  EXPECT_EQ(At(274, 124), C(cl3DDkShadow));
  // Pressed: a shadow frame instead of the raised edge.
  Headless().MouseDown(237, 112);
  App().ProcessMessages();
  EXPECT_TRUE(other->Pressed());
  EXPECT_EQ(At(200, 100), clBlack);  // the focused button shows as the default one
  EXPECT_EQ(At(201, 101), C(clBtnShadow));
  Headless().MouseUp(237, 112);
  App().ProcessMessages();
  EXPECT_FALSE(other->Pressed());
}

TEST_F(ControlsTest, LabelAutoSizeTransparencyAndAccelerator) {
  auto* label = new TLabel(FForm);
  label->SetParent(FForm);
  label->SetBounds(10, 10, 5, 5);
  label->SetCaption("&Name");
  EXPECT_EQ(label->Width(), TextWidth(label->Font(), "Name"));
  EXPECT_EQ(label->Height(), GetTextMetrics(label->Font()).Height);
  label->SetCaption("");
  EXPECT_EQ(label->Height(), GetTextMetrics(label->Font()).Height);  // one blank line
  label->SetCaption("one two one two");
  label->SetAutoSize(false);
  label->SetWidth(TextWidth(label->Font(), "one two"));
  label->SetWordWrap(true);
  label->SetAutoSize(true);
  EXPECT_EQ(label->Height(), 2 * GetTextMetrics(label->Font()).Height);

  label->SetColor(clLime);
  ShowAndPaint();
  EXPECT_EQ(At(label->Left() + label->Width() - 1, label->Top()), clLime);
  label->SetTransparent(true);
  App().ProcessMessages();
  EXPECT_EQ(At(label->Left() + label->Width() - 1, label->Top()), clRed);

  // Alt + the accelerator focuses the label's control; freeing that control forgets it.
  auto* memo = new TMemo(FForm);
  memo->SetParent(FForm);
  memo->SetBounds(10, 100, 100, 50);
  label->SetCaption("&Notes");
  label->SetFocusControl(memo);
  Headless().KeyDown(VK_MENU, kAltKey);
  Headless().TypeChar('n');
  App().ProcessMessages();
  EXPECT_EQ(FForm->ActiveControl(), nullptr);  // plain 'n' without Alt
  TInputEvent e;
  e.Kind = TInputKind::Char;
  e.Char = 'N';
  e.Shift = kAltKey;
  e.Window = FForm->Handle();
  FForm->DispatchInput(e);
  EXPECT_EQ(FForm->ActiveControl(), memo);
  delete memo;
  EXPECT_EQ(label->FocusControl(), nullptr);
  EXPECT_EQ(FForm->ActiveControl(), nullptr);
}

TEST_F(ControlsTest, ImageSizesCentresStretchesAndLeavesTransparentPixels) {
  TBitmap pic(10, 8);
  for (int32_t y = 0; y < 8; ++y)
    for (int32_t x = 0; x < 10; ++x) pic.SetPixel(x, y, x < 5 ? clBlue : clFuchsia);
  pic.SetPixel(0, 7, clFuchsia);  // the bottom-left pixel names the transparent colour
  auto* image = new TImage(FForm);
  image->SetParent(FForm);
  image->SetBounds(20, 20, 40, 40);
  image->SetAutoSize(true);
  image->Picture().SetGraphic(&pic);
  EXPECT_EQ(image->BoundsRect(), Rect(20, 20, 30, 28));
  EXPECT_TRUE(image->ControlStyle() & csOpaque);
  image->SetAutoSize(false);
  image->SetBounds(20, 20, 40, 40);
  image->SetCenter(true);
  ShowAndPaint();
  EXPECT_EQ(At(20 + 15, 20 + 16), clBlue);
  EXPECT_EQ(At(20 + 14, 20 + 16), clRed);  // left of the centred picture
  EXPECT_EQ(At(20 + 24, 20 + 16), clFuchsia);
  image->SetTransparent(true);
  App().ProcessMessages();
  EXPECT_EQ(At(20 + 24, 20 + 16), clRed);
  EXPECT_EQ(At(20 + 16, 20 + 16), clBlue);
  image->SetTransparent(false);
  image->SetStretch(true);
  App().ProcessMessages();
  EXPECT_EQ(At(20, 20), clBlue);
  EXPECT_EQ(At(59, 59), clFuchsia);
}

TEST_F(ControlsTest, BitButtonShowsTheGlyphStateAndListBoxSelects) {
  TBitmap glyph(8, 4);  // two 4 x 4 images: green when up, grey when disabled
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 8; ++x) glyph.SetPixel(x, y, x < 4 ? clGreen : clGray);
  glyph.SetPixel(0, 3, clWhite);  // transparent
  auto* button = new TBitBtn(FForm);
  button->SetParent(FForm);
  button->SetBounds(10, 10, 40, 24);
  button->SetGlyph(glyph);
  EXPECT_EQ(button->NumGlyphs(), 2);
  ShowAndPaint();
  // Centred: the 4 x 4 image sits at ((40 - 4) / 2, (24 - 4) / 2) of the face inside the
  // 2-pixel edges.
  const int32_t gx = 10 + 2 + (36 - 4) / 2, gy = 10 + 2 + (20 - 4) / 2;
  EXPECT_EQ(At(gx + 1, gy + 1), clGreen);
  EXPECT_EQ(At(gx, gy + 3), C(clBtnFace));  // the transparent pixel
  button->SetEnabled(false);
  App().ProcessMessages();
  EXPECT_EQ(At(gx + 1, gy + 1), clGray);

  auto* list = new TListBox(FForm);
  list->SetParent(FForm);
  list->SetBounds(100, 10, 100, 80);
  for (const char* s : {"one", "two", "three"}) list->Items().Add(s);
  list->Changed();
  int clicks = 0;
  list->OnClick = [&](TComponent*) { ++clicks; };
  const int32_t h = list->ItemHeight();
  Headless().Click(105, 10 + 2 + h + h / 2);
  App().ProcessMessages();
  EXPECT_EQ(list->ItemIndex(), 1);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(At(150, 10 + 2 + h + 1), C(clHighlight));
  Headless().PressKey(VK_DOWN);
  App().ProcessMessages();
  EXPECT_EQ(list->ItemIndex(), 2);
  EXPECT_EQ(clicks, 2);

  // The pointer takes the shape of the control under it.
  list->SetCursor(crHandPoint);
  Headless().MouseMove(150, 50);
  App().ProcessMessages();
  EXPECT_EQ(Platform().Cursor().Shape(), crHandPoint);
  Headless().MouseMove(250, 150);
  App().ProcessMessages();
  EXPECT_EQ(Platform().Cursor().Shape(), crDefault);
}

TEST_F(ControlsTest, AHookedWindowProcSeesTheFormsMessagesFirst) {
  ShowAndPaint();
  std::vector<uint32_t> seen;
  auto previous = FForm->WindowProc;
  // As a screen saver does: swallow the system's request to start a screen saver.
  FForm->WindowProc = [&](TMessage& m) {
    if (m.Msg == WM_SYSCOMMAND) seen.push_back(static_cast<uint32_t>(m.WParam));
    if (m.Msg == WM_SYSCOMMAND && m.WParam == SC_SCREENSAVE) {
      m.Result = 0;
      return;
    }
    previous(m);
  };
  bool closeAsked = false;
  FForm->OnCloseQuery = [&](TComponent*, bool& canClose) {
    closeAsked = true;
    canClose = false;
  };
  Headless().SendSysCommand(FForm->Handle(), SC_SCREENSAVE);
  Headless().SendSysCommand(FForm->Handle(), SC_CLOSE);
  App().ProcessMessages();
  EXPECT_EQ(seen, (std::vector<uint32_t>{SC_SCREENSAVE, SC_CLOSE}));
  EXPECT_TRUE(closeAsked);
}

}  // namespace
}  // namespace pictova
