// The screen-saver host on the headless backend: the command line, each mode's effect on the
// form and the system, the hook on the system's screen-saver request, the cursor counter,
// the password services with stand-in libraries, and destruction.
#include "screensaver/ScreenSaver.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/System.h"
#include "ui/HeadlessFixture.h"
#include "ui/Messages.h"
#include "ui/Panel.h"

namespace pictova {
namespace {

const char kPasswordCpl[] = "C:\\WINDOWS\\SYSTEM32\\PASSWORD.CPL";
constexpr uint32_t kClipSiblings = 0x04000000;  // a style bit the preview window may carry

// A form shaped like the engine's: a picture area, an about box holding a nested panel, and
// the host (panel style unless the test changes it).
class THostForm : public TForm {
 public:
  THostForm(TComponent* owner, std::function<void(THostForm&)> configure)
      : TForm(owner), FConfigure(std::move(configure)) {}

  TScreenSaver* Host = nullptr;
  TPanel* Picture = nullptr;
  TPanel* Box = nullptr;
  TPanel* Inner = nullptr;
  std::vector<std::string> Events;
  std::vector<uintptr_t> SysCommands;  // the system commands that reached the form itself

 protected:
  void Describe() override {
    SetBounds(0, 0, 634, 344);
    Picture = new TPanel(this);
    Picture->SetName("Picture");
    Picture->SetParent(this);
    Picture->SetBounds(100, 50, 200, 100);
    Box = new TPanel(this);
    Box->SetName("Box");
    Box->SetParent(this);
    Box->SetBounds(164, 4, 421, 277);
    Inner = new TPanel(this);
    Inner->SetName("Inner");
    Inner->SetParent(Box);
    Inner->SetBounds(7, 9, 82, 92);
    Host = new TScreenSaver(this);
    Host->SetName("Host");
    Host->SetConfigurationBoxStyle(cbsPanel);
    Host->SetConfigurationBoxPanel(Box);
    auto log = [this](const char* name) { return [this, name](TComponent*) { Events.push_back(name); }; };
    Host->OnBeforePreviewActive = log("before preview");
    Host->OnPreviewActive = log("preview");
    Host->OnBeforeMainSaverActive = log("before saver");
    Host->OnMainSaverActive = log("saver");
    Host->OnBeforeConfigBoxActive = log("before config");
    Host->OnConfigBoxActive = log("config");
    Host->OnBeforePasswordSet = log("before password");
    Host->OnPasswordSet = log("password");
    if (FConfigure) FConfigure(*this);
  }
  void WndProc(TMessage& m) override {
    if (m.Msg == WM_SYSCOMMAND) SysCommands.push_back(m.WParam);
    TForm::WndProc(m);
  }

 private:
  std::function<void(THostForm&)> FConfigure;
};

class ScreenSaverTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    App().SetTitle("PictovaSaver");
  }
  THeadlessSystem& System() { return Headless().HeadlessSystem(); }
  TMemoryRegistry& Registry() { return Headless().MemoryRegistry(); }
  int Cursor() { return Platform().Cursor().ShowCount(); }

  // Creates the form with the command line `args`; the host acts while it is created.
  THostForm* Create(std::vector<std::string> args, std::function<void(THostForm&)> configure = {}) {
    System().Args = std::move(args);
    THostForm* form = nullptr;
    App().CreateForm(form, std::move(configure));
    return form;
  }
};

TEST(ScreenSaverCommandLine, SplitsAsTheRunTimeDoes) {
  EXPECT_EQ(SplitCommandLine("\"C:\\Program Files\\My Show.scr\" /p 1234"),
            (std::vector<std::string>{"C:\\Program Files\\My Show.scr", "/p", "1234"}));
  EXPECT_EQ(SplitCommandLine("  show.scr\t/s  "), (std::vector<std::string>{"show.scr", "/s"}));
  // Empty quote pairs between arguments are skipped; quotes inside an argument group.
  EXPECT_EQ(SplitCommandLine("x.scr \"\" /c a\"b c\"d"), (std::vector<std::string>{"x.scr", "/c", "ab cd"}));
  EXPECT_EQ(SplitCommandLine("x.scr \"open"), (std::vector<std::string>{"x.scr", "open"}));
  EXPECT_TRUE(SplitCommandLine("").empty());
}

TEST_F(ScreenSaverTest, TheModeLetterPicksTheActivation) {
  struct TCase {
    std::vector<std::string> Args;
    std::string Letter;
    std::string Before;  // the first event the host raises
  };
  const std::vector<TCase> cases = {
      {{}, "", "before config"},
      {{"/c"}, "C", "before config"},
      {{"/c:3345"}, "C", "before config"},
      {{"/x"}, "X", "before config"},
      {{"s"}, "", "before config"},  // one character: no letter
      {{"/s"}, "S", "before saver"},
      {{"-s"}, "S", "before saver"},
      {{"/S"}, "S", "before saver"},
      {{"/s:1234"}, "S", "before saver"},
      {{"/P", "1234"}, "P", "before preview"},
      {{"-p", "1234"}, "P", "before preview"},
      {{"/a"}, "A", "before password"},
      {{"\xe9s"}, "S", "before saver"},  // the switch sign may be anything
  };
  for (const TCase& c : cases) {
    THostForm* form = Create(c.Args);
    EXPECT_EQ(TScreenSaver::ModeLetter(), c.Letter) << c.Args.size();
    ASSERT_FALSE(form->Events.empty());
    EXPECT_EQ(form->Events.front(), c.Before) << (c.Args.empty() ? "(none)" : c.Args[0]);
    delete form;
  }
}

TEST_F(ScreenSaverTest, SaverModeHidesThePointerHooksTheFormAndUndoesItAtDestruction) {
  EXPECT_EQ(Cursor(), 0);
  THostForm* form = Create({"/s"});
  EXPECT_EQ(form->Events, (std::vector<std::string>{"before saver", "saver"}));
  EXPECT_EQ(Cursor(), -1);
  ASSERT_EQ(System().ParameterCalls.size(), 1u);
  EXPECT_EQ(System().ParameterCalls[0].Action, 97u);
  EXPECT_EQ(System().ParameterCalls[0].UiParam, 1u);
  EXPECT_TRUE(System().ScreenSaverRunning);
  form->Show();
  App().ProcessMessages();
  EXPECT_EQ(form->WindowState(), wsMaximized);
  EXPECT_EQ(form->BorderStyle(), bsNone);
  EXPECT_EQ(form->FormStyle(), fsStayOnTop);
  EXPECT_EQ(form->BoundsRect(), Rect(0, 0, 1024, 768));
  EXPECT_EQ(Platform().Windows().GetWindowLong(form->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST, int32_t{WS_EX_TOPMOST});
  // The application's own window is hidden (its extended style is left alone in this mode).
  EXPECT_EQ(Platform().Windows().GetWindowLong(App().Handle(), GWL_STYLE) & WS_VISIBLE, 0);
  EXPECT_EQ(Platform().Windows().GetWindowLong(App().Handle(), GWL_EXSTYLE), 0);

  // The system's screen-saver request is answered and goes no further; others pass.
  ASSERT_TRUE(form->Host->Hooked());
  Headless().SendSysCommand(form->Handle(), SC_SCREENSAVE);
  EXPECT_EQ(Headless().ScreenSaverStarts(), 0);
  Headless().SendSysCommand(form->Handle(), SC_MONITORPOWER);
  Headless().SendSysCommand(form->Handle(), SC_MAXIMIZE);
  App().ProcessMessages();
  EXPECT_EQ(form->SysCommands, (std::vector<uintptr_t>{SC_MONITORPOWER, SC_MAXIMIZE}));
  EXPECT_EQ(Headless().ScreenSaverStarts(), 0);

  delete form;
  EXPECT_EQ(Cursor(), 0);
  ASSERT_EQ(System().ParameterCalls.size(), 2u);
  EXPECT_EQ(System().ParameterCalls[1].UiParam, 0u);
  EXPECT_FALSE(System().ScreenSaverRunning);
}

TEST_F(ScreenSaverTest, OnlyTheHookedFormKeepsTheSystemsSaverAway) {
  THostForm* form = Create({"/c"});
  form->Show();
  EXPECT_FALSE(form->Host->Hooked());
  Headless().SendSysCommand(form->Handle(), SC_SCREENSAVE);
  EXPECT_EQ(Headless().ScreenSaverStarts(), 1);
  EXPECT_EQ(form->SysCommands, (std::vector<uintptr_t>{SC_SCREENSAVE}));
  // Saver mode without the saver settings still hooks; switching them all off changes nothing else.
  THostForm* bare = Create({"/s"}, [](THostForm& f) {
    f.Host->SetMainScreenSaver(false);
  });
  bare->Show();
  EXPECT_TRUE(bare->Host->Hooked());
  EXPECT_EQ(bare->WindowState(), wsNormal);
  Headless().SendSysCommand(bare->Handle(), SC_SCREENSAVE);
  EXPECT_EQ(Headless().ScreenSaverStarts(), 1);
  EXPECT_TRUE(bare->SysCommands.empty());
  delete bare;
  delete form;
}

TEST_F(ScreenSaverTest, PreviewScalesToTheScreenThenShrinksIntoTheWindow) {
  const uintptr_t settings = Headless().CreateForeignWindow("Display Properties", Rect(300, 150, 704, 598));
  const uintptr_t preview = Headless().CreateForeignWindow("", Rect(120, 40, 272, 152), settings, 1234,
                                                           WS_CHILD | kClipSiblings, 0x200);
  THostForm* form = Create({"/p", "1234"});
  EXPECT_EQ(form->Events, (std::vector<std::string>{"before preview", "preview"}));
  // Sized to the 1024-pixel screen first, so contents scale by 152/1024.
  EXPECT_EQ(form->Picture->BoundsRect(), Rect(15, 7, 45, 22));  // 100*152/1024 = 14.8, ...
  EXPECT_EQ(form->BoundsRect(), Rect(0, 0, 152, 112));
  EXPECT_EQ(form->ParentWindow(), preview);
  EXPECT_EQ(form->Position(), poDesigned);
  form->Show();
  App().ProcessMessages();
  IWindowHost& w = Platform().Windows();
  const uint32_t style = static_cast<uint32_t>(w.GetWindowLong(form->Handle(), GWL_STYLE));
  EXPECT_EQ(style & ~WS_VISIBLE, WS_CHILD | kClipSiblings | WS_DISABLED);
  EXPECT_EQ(w.GetWindowLong(form->Handle(), GWL_EXSTYLE), 0x200);
  EXPECT_FALSE(w.IsWindowEnabled(form->Handle()));
  EXPECT_EQ(form->ClientRect(), Rect(0, 0, 152, 112));
  TRect r;
  ASSERT_TRUE(w.GetWindowRect(form->Handle(), r));
  EXPECT_EQ(r, Rect(420, 190, 572, 302));  // inside the preview area of the settings window
  // The application's window is out of the task bar: hidden, tool window, topmost.
  EXPECT_EQ(w.GetWindowLong(App().Handle(), GWL_EXSTYLE), 0x88);
  EXPECT_EQ(w.GetWindowLong(App().Handle(), GWL_STYLE) & WS_VISIBLE, 0);
  // Closing a preview never asks for a password and never loads anything.
  EXPECT_TRUE(form->Host->VerifyPassword());
  EXPECT_TRUE(System().LoadAttempts.empty());
  delete form;
  EXPECT_EQ(Cursor(), 2);  // one step for the check, one at destruction: in every mode

  // Without AutoMaximize the designed width is the scale.
  THostForm* small = Create({"/p", "1234"}, [](THostForm& f) { f.Host->SetAutoMaximize(false); });
  EXPECT_EQ(small->Picture->BoundsRect(), Rect(24, 12, 72, 36));  // 100*152/634 = 23.97, ...
  delete small;
}

TEST_F(ScreenSaverTest, APreviewNumberThatIsNoWindowLeavesTheFormWhereItIs) {
  Headless().CreateForeignWindow("", Rect(0, 0, 152, 112), 0, 1234);
  const std::vector<std::vector<std::string>> bad = {
      {"/p"}, {"/p", "-1"}, {"/p", "abc"}, {"/p", "12x"}, {"/p", ""}, {"/p", "99999999999"},
      {"/p", "2147483648"}, {"/p", "-5"}, {"/p", "777"},
  };
  for (const auto& args : bad) {
    THostForm* form = Create(args);
    const std::string what = args.size() > 1 ? args[1] : "(none)";
    EXPECT_EQ(form->Events, (std::vector<std::string>{"before preview", "preview"})) << what;
    EXPECT_EQ(form->ParentWindow(), 0u) << what;
    EXPECT_EQ(form->BoundsRect(), Rect(0, 0, 634, 344)) << what;
    EXPECT_EQ(form->Picture->BoundsRect(), Rect(100, 50, 300, 150)) << what;
    EXPECT_EQ(Platform().Windows().GetWindowLong(App().Handle(), GWL_EXSTYLE), 0x88) << what;
    delete form;
  }
}

TEST_F(ScreenSaverTest, ThePanelBoxHidesEveryOtherPanelAndTheSettingsDialogWaits) {
  const uintptr_t settings = Headless().CreateForeignWindow("Display Properties", Rect(300, 150, 704, 598));
  THostForm* form = Create({"/c"});
  EXPECT_EQ(form->Events, (std::vector<std::string>{"before config", "config"}));
  EXPECT_FALSE(form->Picture->Visible());
  EXPECT_FALSE(form->Inner->Visible());  // nested inside the box, hidden all the same
  EXPECT_TRUE(form->Box->Visible());
  EXPECT_EQ(form->Box->BoundsRect(), Rect(0, 0, 421, 277));
  EXPECT_EQ(form->BorderStyle(), bsDialog);
  EXPECT_EQ(form->Position(), poScreenCenter);
  EXPECT_FALSE(Platform().Windows().IsWindowEnabled(settings));
  EXPECT_EQ(Platform().Windows().GetForegroundWindow(), settings);
  form->Show();
  App().ProcessMessages();
  EXPECT_EQ(form->ClientRect(), Rect(0, 0, 421, 277));
  const TRect b = form->BoundsRect();
  EXPECT_EQ(b.Left, (1024 - b.Width()) / 2);
  EXPECT_EQ(b.Top, (768 - b.Height()) / 2);
  EXPECT_FALSE(App().Terminated());
  delete form;
  EXPECT_TRUE(Platform().Windows().IsWindowEnabled(settings));
  // Configuration mode restores what saver mode would have changed, too.
  EXPECT_EQ(Cursor(), 1);
  ASSERT_EQ(System().ParameterCalls.size(), 1u);
  EXPECT_EQ(System().ParameterCalls[0].UiParam, 0u);

  // Without /c the settings dialog is left alone.
  THostForm* plain = Create({});
  EXPECT_TRUE(Platform().Windows().IsWindowEnabled(settings));
  delete plain;
}

TEST_F(ScreenSaverTest, WithoutItsPanelTheBoxIsTheApplicationsOwnAndItEnds) {
  const uintptr_t settings = Headless().CreateForeignWindow("Display Properties", Rect(300, 150, 704, 598));
  bool disabledMeanwhile = false;
  THostForm* form = Create({"/c"}, [&](THostForm& f) {
    f.Host->SetConfigurationBoxPanel(nullptr);
    f.Host->OnConfigBoxActive = [&f, &disabledMeanwhile, settings](TComponent*) {
      f.Events.push_back("config");
      if (f.Events.size() == 2) disabledMeanwhile = !Platform().Windows().IsWindowEnabled(settings);
    };
  });
  EXPECT_EQ(form->Host->ConfigurationBoxStyle(), cbsMessageDlg);
  EXPECT_EQ(form->Events, (std::vector<std::string>{"before config", "config", "config"}));
  EXPECT_TRUE(disabledMeanwhile);
  EXPECT_TRUE(Platform().Windows().IsWindowEnabled(settings));
  EXPECT_EQ(form->Left(), -634 - 100);
  EXPECT_TRUE(App().Terminated());
  delete form;

  // A panel the form does not own falls back the same way.
  TPanel stranger(nullptr);
  THostForm* other = Create({}, [&stranger](THostForm& f) { f.Host->SetConfigurationBoxPanel(&stranger); });
  EXPECT_EQ(other->Host->ConfigurationBoxStyle(), cbsMessageDlg);
  EXPECT_EQ(other->Host->ConfigurationBoxPanel(), nullptr);
  delete other;
}

TEST_F(ScreenSaverTest, VerifyPasswordFollowsTheRegistryAndTheLibrary) {
  THostForm* form = Create({"/s"});
  form->Show();
  App().ProcessMessages();
  TScreenSaver& host = *form->Host;
  EXPECT_EQ(Cursor(), -1);

  // No key, no value, or 0: closes at once without loading anything.
  EXPECT_TRUE(host.VerifyPassword());
  Registry().CreateKey("Control Panel\\Desktop");
  EXPECT_TRUE(host.VerifyPassword());
  Registry().SetValue("Control Panel\\Desktop", "ScreenSaveUsePassword", RegDword(0));
  EXPECT_TRUE(host.VerifyPassword());
  EXPECT_TRUE(System().LoadAttempts.empty());
  EXPECT_EQ(Cursor(), 2);  // each check shows the pointer one step

  // Asked for, but the system has no password library, or one without the entry point.
  Registry().SetValue("Control Panel\\Desktop", "ScreenSaveUsePassword", RegDword(1));
  EXPECT_TRUE(host.VerifyPassword());
  EXPECT_EQ(System().LoadAttempts, (std::vector<std::string>{kPasswordCpl}));
  System().InstallLibrary("PASSWORD.CPL", {{"VerifyScreenSavePwdX"}});
  EXPECT_TRUE(host.VerifyPassword());
  EXPECT_EQ(System().LoadedCount(), 0);

  // A refused password keeps the saver and hides the pointer again; only the low byte counts.
  System().InstallLibrary("PASSWORD.CPL", {{"VerifyScreenSavePwd"}, 0x100});
  const int before = Cursor();
  EXPECT_FALSE(host.VerifyPassword());
  EXPECT_EQ(Cursor(), before);
  ASSERT_FALSE(System().Calls.empty());
  EXPECT_EQ(System().Calls.back().Entry, "VerifyScreenSavePwd");
  EXPECT_EQ(System().Calls.back().Window, form->Handle());  // the foreground window
  EXPECT_EQ(System().LoadedCount(), 0);
  int shownDuringPrompt = -99;
  System().InstallLibrary("PASSWORD.CPL", {{"VerifyScreenSavePwd"}, 0, [&](uintptr_t) {
                                              shownDuringPrompt = Cursor();
                                              return 1;
                                            }});
  EXPECT_TRUE(host.VerifyPassword());
  EXPECT_EQ(shownDuringPrompt, before + 1);  // the pointer is there while the prompt is
  EXPECT_EQ(Cursor(), before + 1);

  // The library is found where the system says, whether or not that ends in a backslash,
  // and not at all when the system names no folder.
  System().LoadAttempts.clear();
  System().SystemDirectory = "D:\\SYS\\";
  host.VerifyPassword();
  System().SystemDirectory = "";
  host.VerifyPassword();
  EXPECT_EQ(System().LoadAttempts, (std::vector<std::string>{"D:\\SYS\\PASSWORD.CPL"}));
  delete form;
}

TEST_F(ScreenSaverTest, APasswordValueOfTheWrongKindFailsTheCheckWithTheRegistrysError) {
  THostForm* form = Create({"/s"});
  System().InstallLibrary("PASSWORD.CPL", {{"VerifyScreenSavePwd"}, 1});
  auto error = [&](const TRegValue& v) -> std::string {
    Registry().SetValue("Control Panel\\Desktop", "ScreenSaveUsePassword", v);
    try {
      form->Host->VerifyPassword();
    } catch (const ERegistryException& e) {
      return e.Message();
    }
    return "";
  };
  EXPECT_EQ(error(RegString("1")), "Invalid data type for 'ScreenSaveUsePassword'");
  EXPECT_EQ(error(TRegValue{kRegBinary, {1}}), "Invalid data type for 'ScreenSaveUsePassword'");
  EXPECT_EQ(error(TRegValue{kRegDword, {1, 0, 0, 0, 0}}), "Failed to get data for 'ScreenSaveUsePassword'");
  EXPECT_EQ(error(RegString("12345")), "Failed to get data for 'ScreenSaveUsePassword'");
  EXPECT_EQ(error(TRegValue{kRegDword, {1}}), "");  // short but an integer: 1
  EXPECT_EQ(System().Calls.size(), 1u);
  delete form;
}

TEST_F(ScreenSaverTest, OtherModesNeverReadTheRegistry) {
  Registry().SetValue("Control Panel\\Desktop", "ScreenSaveUsePassword", RegDword(1));
  System().InstallLibrary("PASSWORD.CPL", {{"VerifyScreenSavePwd"}, 0});
  for (const auto& args : std::vector<std::vector<std::string>>{{}, {"/c"}, {"/p", "5"}, {"/a"}}) {
    THostForm* form = Create(args);
    const int before = Cursor();
    EXPECT_TRUE(form->Host->VerifyPassword());
    EXPECT_EQ(Cursor(), before + 1);
    delete form;
  }
  EXPECT_EQ(Registry().Queries(), 0);
  EXPECT_TRUE(System().LoadAttempts.empty() ||
              System().LoadAttempts == std::vector<std::string>{"C:\\WINDOWS\\SYSTEM32\\MPR.DLL"});
}

TEST_F(ScreenSaverTest, PasswordModeOpensTheChangeDialogForItsParentAndEnds) {
  std::vector<std::string> order;
  TStandInLibrary mpr{{"PwdChangePasswordA"}};
  mpr.OnChangePassword = [&order](const std::string&, uintptr_t, uint32_t, uint32_t) { order.push_back("dialog"); };
  System().InstallLibrary("MPR.DLL", mpr);
  const uintptr_t parent = Headless().CreateForeignWindow("Display Properties", Rect(0, 0, 100, 100), 0, 1234);
  THostForm* form = Create({"/a", "1234"});
  EXPECT_EQ(form->Events, (std::vector<std::string>{"before password", "password"}));
  ASSERT_EQ(System().Calls.size(), 1u);
  const TLibraryCall& call = System().Calls[0];
  EXPECT_EQ(call.Library, "C:\\WINDOWS\\SYSTEM32\\MPR.DLL");
  EXPECT_EQ(call.Entry, "PwdChangePasswordA");
  EXPECT_EQ(call.Provider, "SCRSAVE");
  EXPECT_EQ(call.Window, parent);
  EXPECT_EQ(call.Reserved1, 0u);
  EXPECT_EQ(call.Reserved2, 0u);
  EXPECT_EQ(System().LoadedCount(), 0);
  EXPECT_EQ(form->WindowState(), wsMinimized);
  EXPECT_EQ(Platform().Windows().GetWindowLong(App().Handle(), GWL_EXSTYLE), 0x88);
  EXPECT_TRUE(App().Terminated());
  App().Run();  // ends at once
  delete form;

  // Alone, with garbage, or naming no window: the desktop is the parent.
  for (const auto& args : std::vector<std::vector<std::string>>{{"/a"}, {"/a", "zz"}, {"/a", "777"}, {"-A", "99999999999"}}) {
    System().Calls.clear();
    delete Create(args);
    ASSERT_EQ(System().Calls.size(), 1u) << args[0];
    EXPECT_EQ(System().Calls[0].Window, 0u) << (args.size() > 1 ? args[1] : "(none)");
  }
}

TEST_F(ScreenSaverTest, PasswordModeWithoutTheLibraryShowsNothingAndStillEnds) {
  delete Create({"/a", "5"});
  EXPECT_EQ(System().LoadAttempts, (std::vector<std::string>{"C:\\WINDOWS\\SYSTEM32\\MPR.DLL"}));
  EXPECT_TRUE(App().Terminated());
  System().InstallLibrary("MPR.DLL", {{"PwdChangePassword"}});  // no A at the end
  delete Create({"/a", "5"});
  EXPECT_TRUE(System().Calls.empty());
  EXPECT_EQ(System().LoadedCount(), 0);
}

TEST_F(ScreenSaverTest, AFormEditorChecksWhereTheHostIs) {
  TComponent plainOwner(nullptr);
  plainOwner.SetDesigning(true);
  try {
    TScreenSaver host(&plainOwner);
    ADD_FAILURE() << "a host off a form";
  } catch (const TFormNotOwner& e) {
    EXPECT_EQ(e.Message(), "The TScreenSaver Component does not appear to be on a TForm. What are you trying to do?");
  }
  TForm form(nullptr);
  form.SetDesigning(true);
  new TScreenSaver(&form);
  try {
    new TScreenSaver(&form);
    ADD_FAILURE() << "a second host";
  } catch (const TDuplicateComponent& e) {
    EXPECT_EQ(e.Message(), "Why would you want more than 1 TScreenSaver component on a Form?");
  }
  // At run time neither is checked, and a designing host never acts on the system.
  TComponent runtimeOwner(nullptr);
  EXPECT_NO_THROW(TScreenSaver runtimeHost(&runtimeOwner));
  EXPECT_EQ(Cursor(), 1);  // only the run-time host above showed the pointer at its end
  EXPECT_EQ(OwnerForm, nullptr);
}

}  // namespace
}  // namespace pictova
