// A small form (panel, label, memo, button, timer) on the headless backend: creation
// order, the modal loop, closing, keys, mouse routing, exceptions, embedding.
#include <string>
#include <vector>

#include "gfx/Text.h"
#include "platform/Input.h"
#include "rtl/SysUtils.h"
#include "ui/Button.h"
#include "ui/HeadlessFixture.h"
#include "ui/Label.h"
#include "ui/Memo.h"
#include "ui/Panel.h"
#include "ui/Screen.h"
#include "ui/Timer.h"

namespace pictova {
namespace {

std::vector<std::string>* gLog = nullptr;

// A component that reports its Loaded call.
class TProbe : public TComponent {
 public:
  using TComponent::TComponent;
  void Loaded() override {
    TComponent::Loaded();
    gLog->push_back("loaded " + Name());
  }
};

class TSmallForm : public TForm {
 public:
  using TForm::TForm;
  TPanel* Panel1 = nullptr;
  TLabel* Label1 = nullptr;
  TMemo* Memo1 = nullptr;
  TButton* Button1 = nullptr;
  TTimer* Timer1 = nullptr;

  void Loaded() override {
    TForm::Loaded();
    gLog->push_back("loaded form");
  }

 protected:
  void Describe() override {
    SetName("SmallForm");
    SetCaption("Small");
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientSize(300, 200);
    (new TProbe(this))->SetName("Probe1");
    Panel1 = new TPanel(this);
    Panel1->SetName("Panel1");
    Panel1->SetParent(this);
    Panel1->SetBounds(8, 8, 284, 150);
    Panel1->SetBevelInner(bvLowered);
    Label1 = new TLabel(this);
    Label1->SetName("Label1");
    Label1->SetParent(Panel1);
    Label1->SetBounds(10, 10, 10, 10);
    Label1->SetCaption("&Notes:");
    Memo1 = new TMemo(this);
    Memo1->SetName("Memo1");
    Memo1->SetParent(Panel1);
    Memo1->SetBounds(10, 30, 260, 100);
    Memo1->SetReadOnly(true);
    Memo1->SetText("first line\r\nsecond line");
    Label1->SetFocusControl(Memo1);
    Button1 = new TButton(this);
    Button1->SetName("Button1");
    Button1->SetParent(this);
    Button1->SetBounds(112, 166, 75, 25);
    Button1->SetCaption("OK");
    Button1->SetModalResult(mrOk);
    Button1->SetDefault(true);
    Timer1 = new TTimer(this);
    Timer1->SetName("Timer1");
    Timer1->SetEnabled(false);
    Timer1->SetInterval(250);
    (new TProbe(this))->SetName("Probe2");
    OnCreate = [this](TComponent*) {
      gLog->push_back(std::string("create, label ") + (Label1->IsLoading() ? "loading" : "loaded") + ", width " +
                      std::to_string(Label1->Width()));
    };
  }
};

class FormTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    gLog = &FLog;
  }
  void TearDown() override {
    HeadlessTest::TearDown();
    gLog = nullptr;
  }
  // Screen position of a control's centre.
  static TPoint Centre(const TControl* c) {
    const TPoint p = c->ClientToScreen({0, 0});
    return {p.X + c->Width() / 2, p.Y + c->Height() / 2};
  }
  std::vector<std::string> FLog;
};

TEST_F(FormTest, DescriptionThenLoadedOnEveryComponentThenOnCreate) {
  TSmallForm* form = TForm::Create<TSmallForm>(&App());
  // Loaded runs in creation order, the form last, and only then OnCreate; the label has
  // sized itself to its caption by then.
  ASSERT_EQ(FLog.size(), 4u);
  EXPECT_EQ(FLog[0], "loaded Probe1");
  EXPECT_EQ(FLog[1], "loaded Probe2");
  EXPECT_EQ(FLog[2], "loaded form");
  EXPECT_EQ(FLog[3], "create, label loaded, width " + std::to_string(TextWidth(form->Label1->Font(), "Notes:")));
  EXPECT_EQ(form->FindComponent("memo1"), form->Memo1);
  EXPECT_THROW(form->Button1->SetName("Panel1"), Exception);
  // Centred on the 1024 x 768 screen with a dialog frame around the 300 x 200 client.
  EXPECT_EQ(form->Width(), 306);
  EXPECT_EQ(form->Height(), 225);
  form->Show();
  EXPECT_EQ(form->Left(), (1024 - 306) / 2);
  EXPECT_EQ(form->Top(), (768 - 225) / 2);
}

TEST_F(FormTest, ClickOnTheButtonEndsTheModalLoopWithItsModalResult) {
  TSmallForm* form = TForm::Create<TSmallForm>(&App());
  bool asked = false;
  form->OnCloseQuery = [&](TComponent*, bool& canClose) {
    asked = true;
    canClose = true;
  };
  int clicks = 0;
  form->Button1->OnClick = [&](TComponent*) { ++clicks; };
  form->Timer1->OnTimer = [&](TComponent*) {
    const TPoint c = Centre(form->Button1);
    Headless().Click(c.X, c.Y);
  };
  form->Timer1->SetEnabled(true);
  EXPECT_EQ(form->ShowModal(), mrOk);
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(asked);
  EXPECT_FALSE(form->Visible());
  EXPECT_EQ(Now(), 250u);

  // Escape with no cancel button and Close both give mrCancel; a refused close keeps the
  // loop running until it is allowed.
  int refusals = 0;
  form->OnCloseQuery = [&](TComponent*, bool& canClose) { canClose = ++refusals > 2; };
  form->Timer1->OnTimer = [&](TComponent*) { form->Close(); };
  EXPECT_EQ(form->ShowModal(), mrCancel);
  EXPECT_EQ(refusals, 3);
}

TEST_F(FormTest, EnterClicksTheDialogsDefaultButtonAndKeysGoBackToTheMainForm) {
  TSmallForm* main = nullptr;
  App().CreateForm(main);
  main->Show();
  std::string typed;
  main->OnKeyPress = [&](TComponent*, char& key) { typed += key; };
  TSmallForm* dialog = TForm::Create<TSmallForm>(&App());
  dialog->Timer1->OnTimer = [&](TComponent*) {
    dialog->Timer1->SetEnabled(false);
    Headless().TypeChar('q');  // to the dialog, not the disabled main form
    Headless().TypeChar('\r');
  };
  dialog->Timer1->SetEnabled(true);
  EXPECT_EQ(dialog->Name(), "SmallForm_1");
  EXPECT_EQ(dialog->ShowModal(), mrOk);
  Headless().TypeChar('x');
  App().ProcessMessages();
  EXPECT_EQ(typed, "x");
  EXPECT_EQ(Headless().ActiveWindow(), main->Handle());
  EXPECT_TRUE(main->Active());
  EXPECT_FALSE(dialog->Active());
}

TEST_F(FormTest, KeysProducingCharactersReachOnKeyPressOthersOnlyOnKeyDown) {
  TSmallForm* form = TForm::Create<TSmallForm>(&App());
  form->SetKeyPreview(true);
  form->Show();
  std::string pressed;
  std::vector<uint16_t> downs;
  form->OnKeyPress = [&](TComponent*, char& key) { pressed += key; };
  form->OnKeyDown = [&](TComponent*, uint16_t& key, TShiftState) { downs.push_back(key); };
  form->Memo1->SetFocus();
  Headless().TypeChar('a');
  Headless().PressKey(VK_LEFT);
  Headless().PressKey(VK_SHIFT);
  Headless().TypeChar('Z');
  App().ProcessMessages();
  EXPECT_EQ(pressed, "aZ");
  EXPECT_EQ(downs, (std::vector<uint16_t>{'A', VK_LEFT, VK_SHIFT, 'Z'}));

  // Enter is a dialog key: the default button clicks and the character is eaten.
  int clicks = 0;
  form->Button1->OnClick = [&](TComponent*) { ++clicks; };
  Headless().TypeChar('\r');
  App().ProcessMessages();
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(pressed, "aZ");
  // A key handler that clears the key stops it before the focused control.
  form->OnKeyDown = [](TComponent*, uint16_t& key, TShiftState) { key = 0; };
  Headless().TypeChar('\r');
  App().ProcessMessages();
  EXPECT_EQ(clicks, 1);
}

TEST_F(FormTest, MouseGoesToTheControlUnderThePointerWithEnterLeaveAndCapture) {
  TSmallForm* form = TForm::Create<TSmallForm>(&App());
  form->Show();
  std::vector<std::string> log;
  form->OnMouseMove = [&](TComponent*, TShiftState, int32_t x, int32_t y) {
    log.push_back("form " + std::to_string(x) + "," + std::to_string(y));
  };
  form->Panel1->OnMouseEnter = [&](TComponent*) { log.push_back("enter panel"); };
  form->Panel1->OnMouseLeave = [&](TComponent*) { log.push_back("leave panel"); };
  form->Panel1->OnMouseMove = [&](TComponent*, TShiftState, int32_t x, int32_t y) {
    log.push_back("panel " + std::to_string(x) + "," + std::to_string(y));
  };
  const TPoint origin = form->ClientToScreen({0, 0});
  Headless().MouseMove(origin.X + 2, origin.Y + 3);    // form surface
  Headless().MouseMove(origin.X + 20, origin.Y + 15);  // over the panel at (8, 8)
  Headless().MouseDown(origin.X + 20, origin.Y + 15);
  Headless().MouseMove(origin.X + 1, origin.Y + 1);    // captured: still the panel
  Headless().MouseUp(origin.X + 1, origin.Y + 1);
  Headless().MouseMove(origin.X + 2, origin.Y + 2);
  App().ProcessMessages();
  EXPECT_EQ(log, (std::vector<std::string>{"form 2,3", "enter panel", "panel 12,7", "panel -7,-7", "leave panel",
                                           "form 2,2"}));
}

TEST_F(FormTest, AnExceptionInAHandlerIsShownAndTheLoopGoesOn) {
  TSmallForm* form = TForm::Create<TSmallForm>(&App());
  App().SetTitle("Tester");
  form->Show();
  int ticks = 0;
  form->Timer1->OnTimer = [&](TComponent*) {
    if (++ticks == 1) throw Exception("Tick failed");
    if (ticks == 2) throw EInOutError(2);
  };
  form->Timer1->SetEnabled(true);
  form->Panel1->OnClick = [](TComponent*) { throw Exception("Done!"); };
  App().RunUntil(1000);
  const TPoint c = Centre(form->Panel1);
  Headless().Click(c.X, c.Y + 60);
  App().ProcessMessages();
  EXPECT_EQ(ticks, 4);
  const auto boxes = Headless().ShownMessageBoxes();
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[0].Text, "Tick failed.");
  EXPECT_EQ(boxes[0].Caption, "Tester");
  EXPECT_EQ(boxes[0].Flags, MB_OK | MB_ICONSTOP);
  EXPECT_EQ(boxes[1].Text, "File not found.");
  EXPECT_EQ(boxes[2].Text, "Done!");  // ends in punctuation: no full stop added
}

TEST_F(FormTest, ClosingTheMainFormEndsRunAndTheTitleNamesTheHiddenWindow) {
  TSmallForm* form = nullptr;
  App().SetTitle("PictovaSaver");
  App().CreateForm(form);
  EXPECT_EQ(App().MainForm(), form);
  const uintptr_t hidden = Platform().Windows().FindWindow("PictovaSaver");
  EXPECT_EQ(hidden, App().Handle());
  EXPECT_TRUE(Platform().Windows().ShowWindow(hidden, false));  // it was visible
  form->Timer1->OnTimer = [&](TComponent*) { Headless().CloseWindow(form->Handle()); };
  form->Timer1->SetEnabled(true);
  App().Run();
  EXPECT_TRUE(App().Terminated());
  EXPECT_EQ(Now(), 250u);
}

TEST_F(FormTest, MaximisedBorderlessTopmostAndEmbeddedInAForeignWindow) {
  TSmallForm* form = TForm::Create<TSmallForm>(&App());
  form->SetBorderStyle(bsNone);
  form->SetWindowState(wsMaximized);
  form->SetFormStyle(fsStayOnTop);
  form->Show();
  App().ProcessMessages();
  EXPECT_EQ(form->ClientRect(), Rect(0, 0, 1024, 768));
  EXPECT_TRUE(Platform().Windows().GetWindowLong(form->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_EQ(Headless().ScreenBitmap().Pixel(0, 0), ColorToRGB(clBtnFace));

  // Preview: the form lives in another program's window at (600, 500) and is scaled down.
  const uintptr_t preview = Headless().CreateForeignWindow("Display Properties", Bounds(600, 500, 152, 112));
  form->SetWindowState(wsNormal);
  form->SetParentWindow(preview);
  form->ScaleBy(152, 1024);
  form->SetBounds(0, 0, 152, 112);
  form->SetColor(clRed);
  App().ProcessMessages();
  EXPECT_EQ(form->Panel1->BoundsRect(), Rect(1, 1, 43, 23));  // 8*152/1024 rounds to 1
  const TBitmap& screen = Headless().ScreenBitmap();
  EXPECT_EQ(screen.Pixel(600 + 150, 500 + 110), clRed);
  EXPECT_EQ(screen.Pixel(600 + 152, 500 + 50), RGB(0, 128, 128));  // desktop beyond it
  EXPECT_NE(screen.Pixel(600 + 10, 500 + 10), clRed);               // the panel
}

TEST_F(FormTest, ShowCursorCounterAndScreenMetrics) {
  EXPECT_EQ(ShowCursor(false), -1);
  EXPECT_EQ(ShowCursor(false), -2);
  EXPECT_EQ(ShowCursor(true), -1);
  EXPECT_EQ(Platform().Cursor().ShowCount(), -1);
  Screen->SetCursor(crHourGlass);
  EXPECT_EQ(Platform().Cursor().Shape(), crHourGlass);
  EXPECT_EQ(Screen->Width(), 1024);
  EXPECT_EQ(Screen->Height(), 768);
  EXPECT_EQ(Screen->PixelsPerInch(), 96);
}

}  // namespace
}  // namespace pictova
