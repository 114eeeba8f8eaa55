// The show on the virtual clock: start-up from hand-made payload bytes, the pause and load
// cycle, the passing over of entries, failures while fetching, window placement and closing.
#include "app/MainForm.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/AlertDialog.h"
#include "imageio/ImageFixtures.h"
#include "platform/Process.h"
#include "ui/HeadlessFixture.h"

namespace pictova {
namespace {

// Sets or (for nullptr) removes PICTOVA_SHOW, on either platform.
void SetShowVariable(const char* value) {
#ifdef _WIN32
  _putenv_s("PICTOVA_SHOW", value ? value : "");
#else
  if (value) setenv("PICTOVA_SHOW", value, 1);
  else unsetenv("PICTOVA_SHOW");
#endif
}

using fixtures::TBytes;

// A picture of one colour, as a PNG or a baseline JPEG made by the libraries themselves.
TBytes SolidPng(int w, int h, uint8_t r, uint8_t g, uint8_t b) {
  fixtures::TPngOptions o;
  o.Width = static_cast<uint32_t>(w);
  o.Height = static_cast<uint32_t>(h);
  for (int i = 0; i < w * h; ++i) o.Rows.insert(o.Rows.end(), {r, g, b});
  return fixtures::MakePng(o);
}

TBytes SolidJpeg(int w, int h, uint8_t r, uint8_t g, uint8_t b) {
  fixtures::TJpegOptions o;
  o.Width = w;
  o.Height = h;
  TBytes pixels;
  for (int i = 0; i < w * h; ++i) pixels.insert(pixels.end(), {r, g, b});
  return fixtures::MakeJpeg(o, pixels);
}

struct TImageRecipe {
  std::string Name;
  TBytes Data;
  uint8_t Style = 118;
  uint8_t Delay = 0;
  uint8_t Flags = 0;
  int64_t Offset = -1;  // -1: where the data lies
  int64_t Size = -1;    // -1: the data's size
};

// Show bytes laid out by hand at the format's offsets: an "engine", the pictures, one
// 67-byte record each and the 386-byte trailer.
struct TShowRecipe {
  std::vector<TImageRecipe> Images;
  uint8_t Magic = 133;
  uint8_t Interval = 0;
  uint8_t Options = 8;
  int64_t Count = -1;  // -1: the number of images
  std::string Author = "Ann Author";
  std::string Date = "1 May 2026";
  std::string Music;

  TBytes Bytes() const {
    TBytes out(512, 0xCC);
    auto le = [&out](uint64_t v, int n) {
      for (int i = 0; i < n; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    auto text = [&out](const std::string& s) {
      TBytes field(50, '?');
      field[0] = static_cast<uint8_t>(s.size());
      std::copy(s.begin(), s.end(), field.begin() + 1);
      out.insert(out.end(), field.begin(), field.end());
    };
    std::vector<int64_t> offsets;
    for (const TImageRecipe& image : Images) {
      offsets.push_back(static_cast<int64_t>(out.size()));
      out.insert(out.end(), image.Data.begin(), image.Data.end());
    }
    for (size_t i = 0; i < Images.size(); ++i) {
      const TImageRecipe& image = Images[i];
      text(image.Name);
      le(static_cast<uint64_t>(image.Offset >= 0 ? image.Offset : offsets[i]), 4);
      le(static_cast<uint64_t>(image.Size >= 0 ? image.Size : static_cast<int64_t>(image.Data.size())), 4);
      le(image.Style, 1);
      le(image.Delay, 1);
      le(image.Flags, 1);
      le(0, 2);
      le(0, 2);
      le(256, 2);
    }
    le(Magic, 1);
    text("Test Show");
    text(Date);
    text("notice");
    text(Author);
    text(Music);
    for (int i = 0; i < 128; ++i) out.push_back(0);
    le(Interval, 1);
    le(Options, 1);
    le(0, 1);
    le(static_cast<uint64_t>(Count >= 0 ? Count : static_cast<int64_t>(Images.size())), 4);
    return out;
  }
};

// A form whose password check and music start can be watched.
class TWatchedForm : public TForm1 {
 public:
  using TForm1::TForm1;
  bool AllowClose = true;
  bool AskHost = false;  // answer through the screen-saver host, as the engine does
  int PasswordQueries = 0;
  int MusicStarts = 0;

 protected:
  bool VerifyPassword() override {
    ++PasswordQueries;
    return AskHost ? TForm1::VerifyPassword() : AllowClose;
  }
  void StartMusic() override {
    ++MusicStarts;
    TForm1::StartMusic();
  }
};

class MainFormTest : public HeadlessTest {
 protected:
  // The show as the system runs a saver: full screen, borderless.
  THeadlessOptions Options() const override {
    THeadlessOptions o;
    o.CommandLine = {"/s"};
    return o;
  }
  void SetUp() override {
    HeadlessTest::SetUp();
    FDir = std::filesystem::temp_directory_path() /
           ("pictova-mainform-" + std::to_string(getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(FDir);
    // Nobody is there to close the alert dialog: the test does, once its loop is idle, and
    // notes what it said.
    App().OnIdle = [this](TComponent*) {
      if (AlertDialog == nullptr || !AlertDialog->Visible()) return;
      FAlerts.push_back({AlertDialog->Prompt->Caption(), AlertDialog->Caption(), MB_OK});
      const TPoint ok = AlertDialog->OkButton->ClientToScreen({10, 10});
      Headless().Click(ok.X, ok.Y);
    };
  }
  void TearDown() override {
    HeadlessTest::TearDown();
    std::filesystem::remove_all(FDir);
  }

  std::string Write(const TShowRecipe& recipe) {
    const std::string path = (FDir / "show.scr").string();
    const TBytes bytes = recipe.Bytes();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
  }

  // Creates the form on the show (FormCreate runs at once), records completions and ticks,
  // and shows it.
  TWatchedForm* Start(const TShowRecipe& recipe) {
    App().CreateForm(FForm, Write(recipe));
    auto complete = FForm->MyPictureShow2->OnComplete;
    FForm->MyPictureShow2->OnComplete = [this, complete](TComponent* s) {
      Completions.push_back(Now());
      complete(s);
      IndexAfterCompletion.push_back(FForm->CurrentIndex);
    };
    auto tick = FForm->Timer1->OnTimer;
    FForm->Timer1->OnTimer = [this, tick](TComponent* s) {
      Ticks.push_back(Now());
      ColourAtTick.push_back(Headless().GrabScreen().Pixel(40, 40));
      tick(s);
    };
    FForm->Show();
    return FForm;
  }

  // The alerts shown, then the message boxes.
  std::vector<TShownMessageBox> Boxes() {
    std::vector<TShownMessageBox> all = FAlerts;
    for (const TShownMessageBox& box : Headless().ShownMessageBoxes()) all.push_back(box);
    return all;
  }

  std::filesystem::path FDir;
  std::vector<TShownMessageBox> FAlerts;
  TWatchedForm* FForm = nullptr;
  std::vector<uint64_t> Completions;
  std::vector<uint64_t> Ticks;
  std::vector<int32_t> IndexAfterCompletion;
  std::vector<TColor> ColourAtTick;
};

constexpr TColor kRed = RGB(255, 0, 0);
constexpr TColor kGreen = RGB(0, 255, 0);
constexpr TColor kBlue = RGB(0, 0, 255);

// JPEG colours come back within a few levels of what was encoded.
bool Near(TColor a, TColor b, int tolerance = 12) {
  return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
         std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

TEST_F(MainFormTest, AFileWithoutShowAlertsStaysBlackAndOnlyACharacterCloses) {
  TShowRecipe recipe;
  recipe.Images.push_back({"A.PNG", SolidPng(64, 64, 255, 0, 0)});
  recipe.Magic = 132;
  TWatchedForm* form = Start(recipe);

  const auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].Caption, "Error");
  EXPECT_EQ(boxes[0].Text, kNoImagesMessage);
  EXPECT_EQ(form->Entries.Count(), 0);
  EXPECT_EQ(form->ListBox1->Items().Count(), 0);
  // Start-up goes on after the alert: the music is asked for, the about panel filled.
  EXPECT_EQ(form->MusicStarts, 1);
  EXPECT_EQ(form->Label1->Caption(),
            "This collection of images was compiled and distributed by , who is soley responsible for its contents.");

  App().RunUntil(60000);
  EXPECT_TRUE(Completions.empty());
  EXPECT_FALSE(form->Timer1->Enabled());
  EXPECT_TRUE(form->IgnoreMouse);
  const TBitmap screen = Headless().GrabScreen();
  EXPECT_EQ(screen.Pixel(40, 40), clBlack);
  EXPECT_EQ(screen.Pixel(1000, 700), clBlack);

  // The pointer over the picture and keys without a character leave it running.
  Headless().MouseMove(500, 400);
  Headless().MouseMove(520, 410);
  Headless().PressKey(VK_SHIFT);
  Headless().PressKey(VK_F1);
  App().RunUntil(61000);
  EXPECT_FALSE(App().Terminated());
  EXPECT_EQ(form->PasswordQueries, 0);

  Headless().TypeChar('q');
  App().RunUntil(62000);
  EXPECT_TRUE(App().Terminated());
  EXPECT_EQ(form->PasswordQueries, 1);
}

TEST_F(MainFormTest, NoImagesIsSilentAndTheAboutPanelNamesAuthorAndDate) {
  for (int64_t count : {0ll, -1ll, -2147483648ll}) {
    SCOPED_TRACE(count);
    TShowRecipe recipe;
    recipe.Count = count;
    TForm1* form = nullptr;
    App().CreateForm(form, Write(recipe));
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(form->Entries.Count(), 0);
    EXPECT_EQ(form->Caption(), "Test Show");
    EXPECT_FALSE(form->Timer1->Enabled());
    EXPECT_FALSE(form->MyPictureShow2->Busy());
    // An empty music name leaves the show's folder, which is no file.
    EXPECT_EQ(form->Settings.MusicPath, JoinPath(FDir.string(), ""));
    EXPECT_EQ(form->Label2->Caption(), "Slideshow by Ann Author, 1 May 2026");
    delete form;
  }

  TShowRecipe anonymous;
  anonymous.Author = "";
  TForm1* form = nullptr;
  App().CreateForm(form, Write(anonymous));
  EXPECT_EQ(form->Label2->Caption(), "1 May 2026");
  delete form;
  anonymous.Date = "";
  anonymous.Author = "Bo";
  App().CreateForm(form, Write(anonymous));
  EXPECT_EQ(form->Label2->Caption(), "Slideshow by Bo");
  delete form;
}

TEST_F(MainFormTest, TheShowComesFromTheRunningProgramUnlessToldOtherwise) {
  SetShowVariable(nullptr);
  TForm1* form = nullptr;
  App().CreateForm(form);
  EXPECT_EQ(form->ShowPath(), ExecutablePath());
  EXPECT_FALSE(form->ShowPath().empty());
  // This test program carries no show.
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].Caption, "Error");
  delete form;

  TShowRecipe recipe;
  recipe.Images.push_back({"A.PNG", SolidPng(8, 8, 1, 2, 3)});
  const std::string path = Write(recipe);
  SetShowVariable(path.c_str());
  App().CreateForm(form);
  SetShowVariable(nullptr);
  EXPECT_EQ(form->ShowPath(), path);
  EXPECT_EQ(form->Entries.Count(), 1);
  delete form;
  // A path given by the caller wins over the variable.
  SetShowVariable("/nonexistent");
  App().CreateForm(form, path);
  SetShowVariable(nullptr);
  EXPECT_EQ(form->ShowPath(), path);
  delete form;
  EXPECT_EQ(Boxes().size(), 1u);
}

TEST_F(MainFormTest, ImpossibleIndexesFailAtStartWithTheRuntimeText) {
  // 67 x count wraps in 32 bits to just under the trailer: the index must not be looked for
  // inside the file.
  for (int64_t count : {64103989ll, 2147483647ll}) {
    SCOPED_TRACE(count);
    TShowRecipe recipe;
    recipe.Images.push_back({"A.PNG", SolidPng(8, 8, 1, 2, 3)});
    recipe.Count = count;
    TForm1* form = nullptr;
    App().CreateForm(form, Write(recipe));
    const auto boxes = Boxes();
    ASSERT_FALSE(boxes.empty());
    EXPECT_TRUE(boxes.back().Text == "I/O error 131." || boxes.back().Text == "Read beyond end of file.")
        << boxes.back().Text;
    EXPECT_EQ(form->Caption(), "Test Show");  // read before the index
    EXPECT_FALSE(form->Timer1->Enabled());
    delete form;
  }
}

TEST_F(MainFormTest, PausesFollowTheIntervalFromCompletionToTheNextTick) {
  const std::pair<uint8_t, uint64_t> cases[] = {{0, 100}, {2, 1300}, {255, 153100}};
  for (const auto& [interval, pause] : cases) {
    SCOPED_TRACE(static_cast<int>(interval));
    TShowRecipe recipe;
    recipe.Interval = interval;
    recipe.Images.push_back({"A.PNG", SolidPng(32, 32, 255, 0, 0)});
    recipe.Images.push_back({"B.PNG", SolidPng(32, 32, 0, 0, 255)});
    TForm1* form = Start(recipe);
    EXPECT_EQ(form->Settings.PauseUnits, interval * 6);
    App().RunUntil([this] { return Ticks.size() >= 3; }, Now() + 4 * (pause + 1000));
    ASSERT_GE(Ticks.size(), 3u);
    ASSERT_GE(Completions.size(), 3u);
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(Ticks[i] - Completions[i], pause) << i;
    // The timer stands still while a transition runs.
    EXPECT_TRUE(form->MyPictureShow2->Busy());
    EXPECT_FALSE(form->Timer1->Enabled());
    delete form;
    Completions.clear();
    Ticks.clear();
    ColourAtTick.clear();
    IndexAfterCompletion.clear();
  }
}

TEST_F(MainFormTest, EntryFieldsBecomeStyleDelayReverseAndClear) {
  // The first transition starts at creation; style 118 moves 4 points a step with the first
  // step at once, so it ends after 24 frame periods of (Delay + 1) x 10 ms.
  const std::pair<uint8_t, uint16_t> cases[] = {{0, 10}, {255, 2560}};
  for (const auto& [delay, period] : cases) {
    SCOPED_TRACE(static_cast<int>(delay));
    TShowRecipe recipe;
    recipe.Images.push_back({"A.PNG", SolidPng(16, 16, 9, 9, 9), 118, delay, 0});
    recipe.Images.push_back({"B.PNG", SolidPng(16, 16, 9, 9, 9), 121, 3, 7});
    TForm1* form = Start(recipe);
    EXPECT_EQ(form->MyPictureShow2->Delay(), period);
    EXPECT_EQ(form->MyPictureShow2->Style(), 118);
    EXPECT_FALSE(form->MyPictureShow2->Reverse());
    EXPECT_FALSE(form->ClearFirst);
    const uint64_t start = Now();
    App().RunUntil([this] { return !Completions.empty(); }, start + 100000);
    ASSERT_EQ(Completions.size(), 1u);
    EXPECT_EQ(Completions[0] - start, 24u * period);
    // The completion loaded the second entry: flags 7 give reverse and clear-first.
    EXPECT_EQ(form->MyPictureShow2->Style(), 121);
    EXPECT_EQ(form->MyPictureShow2->Delay(), 40);
    EXPECT_TRUE(form->MyPictureShow2->Reverse());
    EXPECT_TRUE(form->ClearFirst);
    delete form;
    Completions.clear();
    Ticks.clear();
    ColourAtTick.clear();
    IndexAfterCompletion.clear();
  }
}

TEST_F(MainFormTest, TheShowWrapsAfterTheLastEntryAndPassesOverUnknownExtensions) {
  TShowRecipe recipe;
  recipe.Images.push_back({"ONE.png", SolidPng(64, 64, 255, 0, 0)});
  recipe.Images.push_back({"PHOTO.JPEG", SolidPng(64, 64, 255, 255, 0)});  // not a shown extension
  recipe.Images.push_back({"TWO.jpg", SolidJpeg(64, 64, 0, 255, 0)});
  recipe.Images.push_back({"NOEXT", SolidPng(64, 64, 255, 255, 0)});
  recipe.Images.push_back({"THREE.PnG", SolidPng(64, 64, 0, 0, 255)});
  TForm1* form = Start(recipe);
  EXPECT_EQ(form->ListBox1->Items()[1], "PHOTO.JPEG|118|0");
  // The decoder wrote into the hidden Image2; the picture-show holds its own copy.
  EXPECT_EQ(form->Image2->Picture().Width(), 64);
  EXPECT_EQ(form->Image2->Picture().Bitmap().Pixel(5, 5), kRed);
  EXPECT_NE(&form->MyPictureShow2->Picture().Bitmap(), &form->Image2->Picture().Bitmap());
  EXPECT_EQ(form->MyPictureShow2->Picture().Bitmap().Pixel(5, 5), kRed);

  App().RunUntil([this] { return Ticks.size() >= 10; }, 60000);
  ASSERT_GE(Ticks.size(), 10u);
  // The colour just before each tick is what the last transition left: transition i shows
  // entry i mod 5, and a passed-over entry runs its transition on the picture before it.
  const TColor expected[] = {kRed, kRed, kGreen, kGreen, kBlue, kRed, kRed, kGreen, kGreen, kBlue};
  for (size_t i = 0; i < 10; ++i) EXPECT_TRUE(Near(ColourAtTick[i], expected[i])) << i << ": " << ColourAtTick[i];
  // Creation loaded entry 0; each completion loads the next one, wrapping after the last.
  const int32_t indexes[] = {2, 3, 4, 0, 1, 2, 3, 4, 0, 1};
  for (size_t i = 0; i < 10; ++i) EXPECT_EQ(IndexAfterCompletion[i], indexes[i]) << i;
}

TEST_F(MainFormTest, AFirstEntryPassedOverRunsTheFirstTransitionOnAnEmptyPicture) {
  TShowRecipe recipe;
  recipe.Images.push_back({"FIRST.JPEG", SolidPng(64, 64, 255, 0, 0)});
  recipe.Images.push_back({"SECOND.PNG", SolidPng(64, 64, 0, 0, 255)});
  TForm1* form = Start(recipe);
  EXPECT_TRUE(form->MyPictureShow2->Busy());
  EXPECT_TRUE(form->MyPictureShow2->Picture().Bitmap().Empty());
  App().RunUntil([this] { return Ticks.size() >= 3; }, 60000);
  ASSERT_GE(Ticks.size(), 3u);
  EXPECT_EQ(ColourAtTick[0], clBlack);
  EXPECT_TRUE(Near(ColourAtTick[1], kBlue));
  EXPECT_TRUE(Near(ColourAtTick[2], kBlue));  // the first entry is passed over again
}

TEST_F(MainFormTest, AOneImageShowFetchesItsPictureAnewForEveryTransition) {
  // The picture's bytes are padded to a fixed size, so that another picture can take their
  // place in the file while the show runs (PNG ignores what follows its end chunk).
  constexpr size_t kPadded = 4096;
  TBytes red = SolidPng(64, 64, 255, 0, 0), blue = SolidPng(64, 64, 0, 0, 255);
  ASSERT_LT(red.size(), kPadded);
  ASSERT_LT(blue.size(), kPadded);
  red.resize(kPadded, 0);
  blue.resize(kPadded, 0);
  TShowRecipe recipe;
  recipe.Images.push_back({"ONLY.PNG", red});
  TForm1* form = Start(recipe);

  {
    std::fstream file(form->ShowPath(), std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(512);
    file.write(reinterpret_cast<const char*>(blue.data()), static_cast<std::streamsize>(blue.size()));
  }
  App().RunUntil([this] { return Ticks.size() >= 3; }, 60000);
  ASSERT_GE(Ticks.size(), 3u);
  EXPECT_TRUE(Near(ColourAtTick[0], kRed));
  EXPECT_TRUE(Near(ColourAtTick[1], kBlue));
  EXPECT_TRUE(Near(ColourAtTick[2], kBlue));
  for (int32_t index : IndexAfterCompletion) EXPECT_EQ(index, 0);
}

TEST_F(MainFormTest, AFetchFailureIsReportedOnceAndTheShowGoesOnWithThePreviousPicture) {
  TShowRecipe recipe;
  recipe.Images.push_back({"A.PNG", SolidPng(64, 64, 255, 0, 0)});
  TImageRecipe broken{"B.PNG", SolidPng(64, 64, 0, 255, 0)};
  broken.Size = 1 << 20;  // runs past the end of the file
  recipe.Images.push_back(broken);
  recipe.Images.push_back({"C.PNG", SolidPng(64, 64, 0, 0, 255)});
  TForm1* form = Start(recipe);
  EXPECT_TRUE(Boxes().empty());  // only the fetch fails, not the start

  App().RunUntil([this] { return Ticks.size() >= 4; }, 60000);
  ASSERT_GE(Ticks.size(), 4u);
  const auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].Text, "Read beyond end of file.");
  // The index stays at the failing entry, the previous picture runs again, the timer runs.
  for (int32_t index : IndexAfterCompletion) EXPECT_EQ(index, 1);
  for (TColor c : ColourAtTick) EXPECT_TRUE(Near(c, kRed)) << c;
  EXPECT_EQ(form->CurrentIndex, 1);
}

TEST_F(MainFormTest, AFetchFailureAtStartLeavesABlackWindowWithoutTimer) {
  TShowRecipe recipe;
  TImageRecipe broken{"A.PNG", SolidPng(64, 64, 255, 0, 0)};
  broken.Offset = 1 << 24;
  recipe.Images.push_back(broken);
  recipe.Images.push_back({"B.PNG", SolidPng(64, 64, 0, 0, 255)});
  TForm1* form = Start(recipe);
  const auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].Text, "Read beyond end of file.");
  EXPECT_EQ(form->CurrentIndex, 0);
  App().RunUntil(30000);
  EXPECT_TRUE(Completions.empty());
  EXPECT_FALSE(form->Timer1->Enabled());
  EXPECT_EQ(Headless().GrabScreen().Pixel(40, 40), clBlack);
}

TEST_F(MainFormTest, ThePointerClosesOnlyAfterTheFirstTick) {
  TShowRecipe recipe;
  recipe.Interval = 2;
  recipe.Images.push_back({"A.PNG", SolidPng(64, 64, 255, 0, 0)});
  recipe.Images.push_back({"B.PNG", SolidPng(64, 64, 0, 0, 255)});
  TWatchedForm* form = Start(recipe);
  // During the first transition and during the first pause.
  App().RunUntil(100);
  Headless().MouseMove(500, 400);
  App().RunUntil([this] { return !Completions.empty(); }, 10000);
  App().RunUntil(Completions.at(0) + 1000);
  Headless().MouseMove(510, 400);
  App().RunUntil(Completions.at(0) + 1299);
  EXPECT_FALSE(App().Terminated());
  EXPECT_TRUE(form->IgnoreMouse);
  EXPECT_EQ(form->PasswordQueries, 0);

  App().RunUntil(Completions.at(0) + 1301);
  ASSERT_EQ(Ticks.size(), 1u);
  EXPECT_FALSE(form->IgnoreMouse);
  // A refused password leaves everything as it was.
  form->AllowClose = false;
  const bool busy = form->MyPictureShow2->Busy();
  Headless().MouseMove(520, 400);
  App().RunUntil(Now() + 1);
  EXPECT_EQ(form->PasswordQueries, 1);
  EXPECT_FALSE(App().Terminated());
  EXPECT_EQ(form->MyPictureShow2->Busy(), busy);
  EXPECT_EQ(form->Timer1->Enabled(), !busy);

  form->AllowClose = true;
  Headless().MouseMove(530, 400);
  App().RunUntil(Now() + 1);
  EXPECT_TRUE(App().Terminated());
}

TEST_F(MainFormTest, EveryCloseAsksTheScreenSaverHostWhichMayAskTheSystem) {
  TShowRecipe recipe;
  recipe.Images.push_back({"A.PNG", SolidPng(64, 64, 255, 0, 0)});
  TWatchedForm* form = Start(recipe);
  form->AskHost = true;
  ASSERT_NE(form->ScreenSaver1, nullptr);
  EXPECT_EQ(form->ScreenSaver1->ConfigurationBoxPanel(), form->Panel2);
  EXPECT_EQ(Platform().Cursor().ShowCount(), -1);  // the saver hid the pointer
  THeadlessSystem& system = Headless().HeadlessSystem();
  Headless().RegistrySet("Control Panel\\Desktop", "ScreenSaveUsePassword", RegDword(1));
  TStandInLibrary prompt{{"VerifyScreenSavePwd"}, 0};
  system.InstallLibrary("PASSWORD.CPL", prompt);
  App().RunUntil(500);
  const bool timerOn = form->Timer1->Enabled();

  // A wrong password: the show goes on, the pointer hidden again.
  Headless().TypeChar('x');
  App().RunUntil(Now() + 1);
  EXPECT_FALSE(App().Terminated());
  EXPECT_EQ(system.Calls.size(), 1u);
  EXPECT_EQ(Platform().Cursor().ShowCount(), -1);
  EXPECT_EQ(form->Timer1->Enabled(), timerOn);

  // A value of the wrong kind: the registry's error is shown and the show goes on.
  Headless().RegistrySet("Control Panel\\Desktop", "ScreenSaveUsePassword", RegString("1"));
  Headless().TypeChar('x');
  App().RunUntil(Now() + 1);
  EXPECT_FALSE(App().Terminated());
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].Text, "Invalid data type for 'ScreenSaveUsePassword'");

  // The right password closes.
  Headless().RegistrySet("Control Panel\\Desktop", "ScreenSaveUsePassword", RegDword(1));
  prompt.VerifyAnswer = 1;
  system.InstallLibrary("PASSWORD.CPL", prompt);
  Headless().TypeChar('x');
  App().RunUntil(Now() + 1);
  EXPECT_TRUE(App().Terminated());
  EXPECT_EQ(system.Calls.size(), 2u);
  // The check that failed on the registry showed the pointer and left it shown.
  EXPECT_EQ(Platform().Cursor().ShowCount(), 1);
  delete form;
  // Destruction shows it one step more and clears the system's flag.
  EXPECT_EQ(Platform().Cursor().ShowCount(), 2);
  EXPECT_FALSE(system.ScreenSaverRunning);
}

TEST_F(MainFormTest, TheSmallImageFollowsThePointerAndClosesOnAPress) {
  TShowRecipe recipe;
  recipe.Images.push_back({"A.PNG", SolidPng(64, 64, 255, 0, 0)});
  TWatchedForm* form = Start(recipe);
  form->FormMouseMove(form, 0, 100, 50);
  EXPECT_EQ(form->Image1->Left(), 85);
  EXPECT_EQ(form->Image1->Top(), 35);
  // A click on the picture does not close; one on the small image does.
  Headless().Click(300, 300);
  App().RunUntil(Now() + 1);
  EXPECT_FALSE(App().Terminated());
  Headless().MouseDown(100, 50);
  App().RunUntil(Now() + 1);
  EXPECT_TRUE(App().Terminated());
  EXPECT_EQ(form->PasswordQueries, 1);
}

TEST_F(MainFormTest, PicturesLargerThanTheScreenAreStretched) {
  const std::pair<int, bool> cases[] = {{1024, false}, {1025, true}};
  for (const auto& [width, stretched] : cases) {
    SCOPED_TRACE(width);
    TShowRecipe recipe;
    recipe.Images.push_back({"BIG.PNG", SolidPng(width, 768, 10, 20, 30)});
    TForm1* form = Start(recipe);
    EXPECT_EQ(form->MyPictureShow2->Stretch(), stretched);
    EXPECT_EQ(form->MyPictureShow2->StretchFine(), stretched);
    delete form;
  }
  TShowRecipe tall;
  tall.Images.push_back({"TALL.PNG", SolidPng(100, 769, 10, 20, 30)});
  EXPECT_TRUE(Start(tall)->MyPictureShow2->Stretch());
}

TEST_F(MainFormTest, WithoutFullScreenTheWindowTakesEachPicturesSize) {
  TShowRecipe recipe;
  recipe.Options = 0;
  recipe.Interval = 0;
  recipe.Images.push_back({"A.PNG", SolidPng(301, 201, 255, 0, 0)});
  recipe.Images.push_back({"B.PNG", SolidPng(120, 80, 0, 0, 255)});
  TForm1* form = Start(recipe);
  EXPECT_FALSE(form->Settings.FullScreen);
  EXPECT_EQ(form->WindowState(), wsNormal);
  EXPECT_EQ(form->BoundsRect(), Bounds(10, 10, 301, 201));
  App().RunUntil([this] { return Ticks.size() >= 1; }, 10000);
  EXPECT_EQ(form->BoundsRect(), Bounds(10, 10, 120, 80));
  delete form;
  Ticks.clear();

  // Centred: screen width div 2 - width div 2, the same for the height.
  recipe.Options = 32;
  form = Start(recipe);
  EXPECT_TRUE(form->MyPictureShow2->Center());
  EXPECT_EQ(form->BoundsRect(), Bounds(512 - 150, 384 - 100, 301, 201));
  App().RunUntil([this] { return Ticks.size() >= 1; }, 10000);
  EXPECT_EQ(form->BoundsRect(), Bounds(512 - 60, 384 - 40, 120, 80));
  delete form;

  // Full screen: the window keeps the screen whatever the picture's size.
  recipe.Options = 8 | 32;
  form = Start(recipe);
  EXPECT_EQ(form->WindowState(), wsMaximized);
  EXPECT_EQ(form->BoundsRect(), Bounds(0, 0, 1024, 768));
}

}  // namespace
}  // namespace pictova
