// The music of a show end to end: a 440 Hz tone show built by pictova-build, played by the
// engine on the virtual sound device (pictova-render --audio) and on the SDL backend with
// SDL's disk audio driver under Xvfb; the output must hold the tone, whole and unbroken.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "dsmixer/SoundFixtures.h"
#include "pictova-render/ShowCommand.h"
#include "platform/sdl/SdlBeep.h"

namespace pictova {
namespace {

namespace fs = std::filesystem;

constexpr double kPi = 3.14159265358979323846;
constexpr uint32_t kRate = 44100;

// A stereo 16-bit sine of `seconds` at half of full scale.
std::string WriteTone(const std::string& path, double hz, double seconds) {
  std::vector<uint8_t> data;
  const auto frames = static_cast<uint32_t>(seconds * kRate);
  for (uint32_t i = 0; i < frames; ++i) {
    const auto s = static_cast<int16_t>(std::lround(16383.0 * std::sin(2 * kPi * hz * i / kRate)));
    for (int c = 0; c < 2; ++c) {
      data.push_back(static_cast<uint8_t>(static_cast<uint16_t>(s) & 0xFF));
      data.push_back(static_cast<uint8_t>(static_cast<uint16_t>(s) >> 8));
    }
  }
  return WriteWav(path, kRate, 2, 16, data);
}

// The left channel of 16-bit stereo PCM.
std::vector<int16_t> LeftChannel(const std::vector<uint8_t>& bytes) {
  std::vector<int16_t> left(bytes.size() / 4);
  for (size_t i = 0; i < left.size(); ++i)
    left[i] = static_cast<int16_t>(static_cast<uint16_t>(bytes[4 * i] | (bytes[4 * i + 1] << 8)));
  return left;
}

// What a recording holds: where the sound starts and ends, its strongest frequency between
// lowHz and highHz, its peak, and the longest run of silent frames inside it.
struct TToneReport {
  size_t First = 0;
  size_t Last = 0;
  double Hz = 0;
  int Peak = 0;
  size_t LongestGap = 0;
};

TToneReport Analyse(const std::vector<int16_t>& s, double lowHz = 300, double highHz = 600) {
  TToneReport r;
  size_t i = 0;
  while (i < s.size() && std::abs(s[i]) < 64) ++i;
  r.First = i;
  size_t j = s.size();
  while (j > r.First && std::abs(s[j - 1]) < 64) --j;
  r.Last = j;
  size_t run = 0;
  for (size_t k = r.First; k < r.Last; ++k) {
    r.Peak = std::max(r.Peak, std::abs(static_cast<int>(s[k])));
    run = std::abs(s[k]) < 8 ? run + 1 : 0;
    r.LongestGap = std::max(r.LongestGap, run);
  }
  // Goertzel over one second from the middle of the sound, at 0.1 Hz steps.
  const size_t n = std::min<size_t>(kRate, r.Last - r.First);
  const size_t from = r.First + (r.Last - r.First - n) / 2;
  double best = -1;
  for (double f = lowHz; f <= highHz; f += 0.1) {
    const double w = 2 * std::cos(2 * kPi * f / kRate);
    double a = 0, b = 0;
    for (size_t k = 0; k < n; ++k) {
      const double c = s[from + k] + w * a - b;
      b = a;
      a = c;
    }
    const double power = a * a + b * b - w * a * b;
    if (power > best) {
      best = power;
      r.Hz = f;
    }
  }
  return r;
}

class SoundShowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FDir = fs::temp_directory_path() / ("pictova-sound-show-" + std::to_string(getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(FDir);
    const fs::path picture = FDir / "grey.bmp";
    // A tiny 1x1 BMP picture, so the show has something to show.
    const std::vector<uint8_t> bmp = {'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 1, 0, 0, 0,
                                      1, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                      0, 0, 0, 0, 0, 0, 0, 0, 128, 128, 128, 0};
    WriteBytes(picture.string(), bmp);
    FPicture = picture.string();
  }
  void TearDown() override { fs::remove_all(FDir); }

  std::string Build(const std::string& music) {
    const std::string show = (FDir / "show.scr").string();
    const std::string command = std::string(PICTOVA_BUILD_TOOL) + " -o " + show + " --engine " + PICTOVA_SAVER +
                                " --title MusicShow --interval 0 --music " + music + " " + FPicture +
                                " >/dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0);
    return show;
  }

  fs::path FDir;
  std::string FPicture;
};

TEST_F(SoundShowTest, TheRendererRecordsTheToneWholeAtFiveDecibelsDown) {
  WriteTone((FDir / "tone.wav").string(), 440, 3.0);
  TRenderRequest request;
  request.ShowPath = Build("tone.wav");
  request.OutDir = (FDir / "frames").string();
  request.Seconds = 4;
  request.Fps = 2;
  request.AudioPath = (FDir / "out.wav").string();
  const TRenderResult result = RenderShow(request);
  EXPECT_TRUE(result.MessageBoxes.empty());
  EXPECT_TRUE(result.Sound);

  std::ifstream in(request.AudioPath, std::ios::binary);
  std::vector<uint8_t> wav((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_EQ(wav.size(), 44u + 4u * kRate * 4);  // exactly as long as the frames
  const TToneReport r = Analyse(LeftChannel(std::vector<uint8_t>(wav.begin() + 44, wav.end())));
  EXPECT_LT(r.First, kRate / 100);  // the music starts with the show
  EXPECT_NEAR(static_cast<double>(r.Last - r.First) / kRate, 3.0, 0.01);
  EXPECT_NEAR(r.Hz, 440, 2);
  EXPECT_NEAR(r.Peak, 16383 * std::pow(10.0, -500 / 2000.0), 2);
  EXPECT_LE(r.LongestGap, 2u);
}

TEST_F(SoundShowTest, MusicThatCannotBePlayedIsReportedOnceAndTheShowGoesOnSilent) {
  WriteBytes((FDir / "notes.wav").string(), std::vector<uint8_t>(100, 'x'));
  TRenderRequest request;
  request.ShowPath = Build("notes.wav");
  request.OutDir = (FDir / "frames").string();
  request.Seconds = 3;
  request.Fps = 2;
  request.AudioPath = (FDir / "out.wav").string();
  const TRenderResult result = RenderShow(request);
  ASSERT_EQ(result.MessageBoxes.size(), 1u);
  EXPECT_NE(result.MessageBoxes[0].find("DirectShow call failed: 80040240"), std::string::npos);
  EXPECT_FALSE(result.Sound);
  EXPECT_EQ(result.Frames, 6);
  // The picture came: the last frame is not black.
  std::ifstream last(FDir / "frames" / "frame-00005.png", std::ios::binary);
  EXPECT_TRUE(last.good());
}

TEST_F(SoundShowTest, TheSdlBackendPlaysTheToneThroughTheDiskDriverAndClosesPromptly) {
  if (std::system("command -v xvfb-run >/dev/null && command -v xdotool >/dev/null") != 0)
    GTEST_SKIP() << "needs xvfb-run and xdotool";
  WriteTone((FDir / "tone.wav").string(), 440, 3.0);
  const std::string show = Build("tone.wav");
  const fs::path raw = FDir / "disk.raw";
  const fs::path script = FDir / "run.sh";
  std::ofstream(script) << "PICTOVA_BACKEND=sdl SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=" << raw.string() << " "
                        << show << " 2>/dev/null &\n"
                        << "pid=$!\nsleep 4.5\n"
                        << "xdotool search --sync --name MusicShow windowfocus --sync key a\n"
                        << "t0=$(date +%s%N)\nwait $pid\nstatus=$?\n"
                        << "echo $status $(( ($(date +%s%N) - t0) / 1000000 )) > " << (FDir / "exit").string()
                        << "\n";
  const std::string command = "timeout 60 xvfb-run -a sh " + script.string() + " >/dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0);
  int status = -1, ms = -1;
  std::ifstream(FDir / "exit") >> status >> ms;
  EXPECT_EQ(status, 0);
  EXPECT_LT(ms, 1000);  // a key ends the show, music and all, at once

  std::ifstream in(raw, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_GT(bytes.size(), 4u * kRate * 4);  // the device ran the whole time
  const TToneReport r = Analyse(LeftChannel(bytes));
  EXPECT_NEAR(static_cast<double>(r.Last - r.First) / kRate, 3.0, 0.03);
  EXPECT_NEAR(r.Hz, 440, 2);
  EXPECT_NEAR(r.Peak, 16383 * std::pow(10.0, -500 / 2000.0), 2);
  EXPECT_LE(r.LongestGap, 2u);  // no dropout
}

// The engine without a show tells so in its alert dialog, which beeps: on SDL a chime on its own
// audio device (here SDL's disk driver, which writes what the device played to a file).
TEST_F(SoundShowTest, TheSdlBackendChimesWhenTheAlertDialogAppears) {
  if (std::system("command -v xvfb-run >/dev/null") != 0) GTEST_SKIP() << "needs xvfb-run";
  const fs::path raw = FDir / "beep.raw";
  const fs::path script = FDir / "run.sh";
  std::ofstream(script) << "PICTOVA_BACKEND=sdl SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=" << raw.string() << " "
                        << PICTOVA_SAVER << " /s 2>/dev/null &\n"
                        << "pid=$!\nsleep 2\nkill -TERM $pid\nwait $pid\necho $? > " << (FDir / "exit").string()
                        << "\n";
  const std::string command = "timeout 60 xvfb-run -a sh " + script.string() + " >/dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0);
  int status = -1;
  std::ifstream(FDir / "exit") >> status;
  EXPECT_EQ(status, 0);

  std::ifstream in(raw, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<int16_t> mono(bytes.size() / 2);
  for (size_t i = 0; i < mono.size(); ++i)
    mono[i] = static_cast<int16_t>(static_cast<uint16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8)));
  const TToneReport r = Analyse(mono, 500, 1200);
  ASSERT_GT(r.Last, r.First) << "no beep was played";
  // One chime, whole: its note, its length (the quiet tail of the decay excepted), its level.
  EXPECT_NEAR(r.Hz, TSdlBeep::kBeepHz, 5);
  EXPECT_NEAR(static_cast<double>(r.Last - r.First) / kRate, TSdlBeep::kBeepSeconds, 0.06);
  EXPECT_NEAR(r.Peak, 32767 * TSdlBeep::kBeepLevel, 32767 * TSdlBeep::kBeepLevel * 0.15);
}

}  // namespace
}  // namespace pictova
