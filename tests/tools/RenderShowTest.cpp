// End to end: pictova-build makes a show of three pictures in different formats on the real
// engine, pictova-render plays it, and chosen frames must show the expected picture at the
// expected virtual time.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <fstream>
#include <string>
#include <vector>

#include <zlib.h>

#include "gfx/Bitmap.h"
#include "imageio/ImageFixtures.h"
#include "imageio/ImageIO.h"
#include "app/Payload.h"
#include "pictova-render/ShowCommand.h"
#include "tools/PhotoFixtures.h"
#include "rtl/SysUtils.h"

namespace pictova {
namespace {

namespace fs = std::filesystem;
using fixtures::TBytes;

void WriteFile(const fs::path& path, const TBytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

constexpr int kW = 160, kH = 120;

TBytes RedJpeg() {
  fixtures::TJpegOptions o;
  o.Width = kW;
  o.Height = kH;
  TBytes pixels;
  for (int i = 0; i < kW * kH; ++i) pixels.insert(pixels.end(), {255, 0, 0});
  return fixtures::MakeJpeg(o, pixels);
}

TBytes GreenTrueColourPng() {
  fixtures::TPngOptions o;
  o.Width = kW;
  o.Height = kH;
  for (int i = 0; i < kW * kH; ++i) o.Rows.insert(o.Rows.end(), {0, 255, 0});
  return fixtures::MakePng(o);
}

TBytes BluePalettePng() {
  fixtures::TPngOptions o;
  o.Width = kW;
  o.Height = kH;
  o.ColorType = PNG_COLOR_TYPE_PALETTE;
  o.Palette = {{0, 0, 0}, {0, 0, 255}};
  o.Rows.assign(static_cast<size_t>(kW * kH), 1);
  return fixtures::MakePng(o);
}

class RenderShowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FDir = fs::temp_directory_path() /
           ("pictova-render-" + std::to_string(getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(FDir);
  }
  void TearDown() override { fs::remove_all(FDir); }

  static int Run(const std::string& command) {
    const int status = std::system((command + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  static TBitmap Frame(const fs::path& path) {
    TBitmap bitmap;
    TImageIO io;
    io.SetBitmap(&bitmap);
    io.LoadFromFile(path.string());
    EXPECT_EQ(io.IOFailed(), 0) << path;
    return bitmap;
  }

  fs::path FDir;
};

TEST_F(RenderShowTest, BuiltShowPlaysItsPicturesAtTheirTimes) {
  WriteFile(FDir / "red.jpg", RedJpeg());
  WriteFile(FDir / "green.png", GreenTrueColourPng());
  WriteFile(FDir / "blue.png", BluePalettePng());
  const fs::path show = FDir / "show";
  ASSERT_EQ(Run(std::string(PICTOVA_BUILD_TOOL) + " -o '" + show.string() + "' --engine '" + PICTOVA_SAVER +
                "' --interval 1 --centered '" + (FDir / "red.jpg").string() + ":style=118,delay=0' '" +
                (FDir / "green.png").string() + ":style=118,delay=0' '" + (FDir / "blue.png").string() +
                ":style=60,delay=0'"),
            0);
  const fs::path out = FDir / "frames";
  ASSERT_EQ(Run(std::string(PICTOVA_RENDER_TOOL) + " '" + show.string() + "' '" + out.string() +
                "' --seconds 4 --fps 10 --size 320x240"),
            0);
  EXPECT_TRUE(fs::exists(out / "frame-00039.png"));
  EXPECT_FALSE(fs::exists(out / "frame-00040.png"));
  EXPECT_TRUE(fs::exists(out / "sheet.png"));

  // Every transition takes 25 steps of 10 ms with the first at once (240 ms); the pause of
  // interval 1 is 700 ms. Transitions thus start at 0, 940, 1880 and 2820 ms (the wrap).
  // Frame i is the screen at i x 100 ms; the 160 x 120 pictures are centred on 320 x 240.
  auto centre = [&](int frame) { return Frame(out / Format("frame-%05d.png", frame)).Pixel(160, 120); };
  auto near = [](TColor c, int r, int g, int b) {
    return std::abs(GetRValue(c) - r) <= 12 && std::abs(GetGValue(c) - g) <= 12 && std::abs(GetBValue(c) - b) <= 12;
  };
  EXPECT_TRUE(near(centre(5), 255, 0, 0)) << centre(5);
  EXPECT_TRUE(near(centre(9), 255, 0, 0)) << centre(9);
  EXPECT_TRUE(near(centre(14), 0, 255, 0)) << centre(14);
  EXPECT_TRUE(near(centre(23), 0, 0, 255)) << centre(23);
  EXPECT_TRUE(near(centre(33), 255, 0, 0)) << centre(33);
  // The cross-fade after 100 ms has taken 11 steps: 44 % of the new picture over black.
  const TColor fade = centre(1);
  EXPECT_NEAR(GetRValue(fade), 255 * 44 / 100, 3);
  EXPECT_LE(GetGValue(fade) + GetBValue(fade), 6);
  // The first frame is the first step (4 %) of that fade.
  EXPECT_LE(GetRValue(centre(0)), 12);
  // Outside the picture the picture-show's black.
  EXPECT_EQ(Frame(out / "frame-00005.png").Pixel(10, 10), clBlack);
}

TEST_F(RenderShowTest, PhoneStylePhotosShowUprightAndListByTheirOriginalNames) {
  // A portrait photo stored sideways (orientation 6) under a .jpeg name, and one stored upside
  // down (3) that is larger than the box: both must appear upright, the second scaled down.
  WriteFile(FDir / "portrait.jpeg", fixtures::CameraJpeg(120, 160, 6));
  WriteFile(FDir / "big.jpg", fixtures::CameraJpeg(640, 480, 3));
  const fs::path show = FDir / "show";
  const std::string build = std::string(PICTOVA_BUILD_TOOL) + " -o '" + show.string() + "' --engine '" +
                            PICTOVA_SAVER + "' --interval 1 --centered --fit 320x240 --styles 118 ";
  ASSERT_EQ(Run(build + "'" + (FDir / "portrait.jpeg").string() + ":delay=0' '" + (FDir / "big.jpg").string() +
                ":delay=0'"),
            0);
  const fs::path out = FDir / "frames";
  ASSERT_EQ(Run(std::string(PICTOVA_RENDER_TOOL) + " '" + show.string() + "' '" + out.string() +
                "' --seconds 1.6 --fps 10 --size 320x240"),
            0);
  // Frame 5 (500 ms) shows the first picture, 120 x 160 centred; frame 14 the second, fitted
  // to 320 x 240 (whole screen).
  auto expectUpright = [&](int frame, int left, int top, int w, int h) {
    const TBitmap screen = Frame(out / Format("frame-%05d.png", frame));
    for (int q = 0; q < 4; ++q) {
      const TColor c = screen.Pixel(left + ((q & 1) ? w * 3 / 4 : w / 4), top + ((q & 2) ? h * 3 / 4 : h / 4));
      EXPECT_NEAR(GetRValue(c), fixtures::kQuadrants[q].R, 12) << "frame " << frame << " quadrant " << q;
      EXPECT_NEAR(GetGValue(c), fixtures::kQuadrants[q].G, 12) << "frame " << frame << " quadrant " << q;
      EXPECT_NEAR(GetBValue(c), fixtures::kQuadrants[q].B, 12) << "frame " << frame << " quadrant " << q;
    }
  };
  expectUpright(5, 100, 40, 120, 160);
  expectUpright(14, 0, 0, 320, 240);

  // The listing names each stored picture with the file it came from.
  const std::string listing = (FDir / "listing.txt").string();
  const int status = std::system((std::string(PICTOVA_BUILD_TOOL) + " --list '" + show.string() + "' >'" + listing + "'").c_str());
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  std::ifstream in(listing);
  int found = 0;
  for (std::string line; std::getline(in, line);)
    found += (line.find(" portrait.jpg ") != std::string::npos && line.find("/portrait.jpeg") != std::string::npos) +
             (line.find(" big.jpg ") != std::string::npos && line.find("/big.jpg") != std::string::npos);
  EXPECT_EQ(found, 2);
}

TEST_F(RenderShowTest, EngineArgumentsPickTheScreenSaverMode) {
  WriteFile(FDir / "red.jpg", RedJpeg());
  const fs::path show = FDir / "show";
  ASSERT_EQ(Run(std::string(PICTOVA_BUILD_TOOL) + " -o '" + show.string() + "' --engine '" + PICTOVA_SAVER + "' '" +
                (FDir / "red.jpg").string() + ":style=0,delay=0'"),
            0);
  auto render = [&](const std::string& name, const std::string& args) {
    return Run(std::string(PICTOVA_RENDER_TOOL) + " '" + show.string() + "' '" + (FDir / name).string() +
               "' --seconds 1 --fps 2 -- " + args);
  };
  auto red = [](TColor c) { return GetRValue(c) > 200 && GetGValue(c) < 40 && GetBValue(c) < 40; };
  // The preview plays inside the stand-in settings dialog's preview area (1024 x 768 screen:
  // dialog at 310,160, frame 3 and caption 19, area at 123,40 of its client).
  ASSERT_EQ(render("preview", "/p 1234"), 0);
  const TBitmap preview = Frame(FDir / "preview" / "frame-00001.png");
  EXPECT_TRUE(red(preview.Pixel(313 + 123 + 5, 182 + 40 + 5))) << preview.Pixel(441, 227);
  EXPECT_FALSE(red(preview.Pixel(313 + 123 + 160, 182 + 40 + 5)));  // beside it: the dialog
  EXPECT_FALSE(red(preview.Pixel(5, 5)));
  // No number: the show stays in its designed window.
  ASSERT_EQ(render("nowindow", "/p abc"), 0);
  EXPECT_TRUE(red(Frame(FDir / "nowindow" / "frame-00001.png").Pixel(100, 100)));
  // The password change ends the engine before anything is shown.
  ASSERT_EQ(render("password", "/a 5"), 0);
  EXPECT_FALSE(fs::exists(FDir / "password" / "frame-00000.png"));
}

TEST_F(RenderShowTest, BadRequestsAndShowsThatReportErrorsFail) {
  const std::string render = PICTOVA_RENDER_TOOL;
  const std::string out = (FDir / "out").string();
  EXPECT_EQ(Run(render), 2);
  EXPECT_EQ(Run(render + " only-one-argument"), 2);
  EXPECT_EQ(Run(render + " a b --fps 0"), 2);
  EXPECT_EQ(Run(render + " a b --seconds -1"), 2);
  EXPECT_EQ(Run(render + " a b --size 10x10"), 2);
  EXPECT_EQ(Run(render + " a b --size 640x480x"), 2);
  EXPECT_EQ(Run(render + " a b --bogus"), 2);
  EXPECT_EQ(Run(render + " '" + (FDir / "missing").string() + "' '" + out + "'"), 1);

  // The engine alone carries no show: it says so in the alert dialog, which the frames
  // show (its white balloon, some 370 x 84 pixels), and the status is 1.
  EXPECT_EQ(Run(render + " '" + PICTOVA_SAVER + "' '" + out + "' --seconds 0.5 --fps 4 --size 640x480"), 1);
  EXPECT_TRUE(fs::exists(FDir / "out" / "frame-00001.png"));
  EXPECT_FALSE(fs::exists(FDir / "out" / "frame-00002.png"));
  for (const char* name : {"frame-00000.png", "frame-00001.png"}) {
    const TBitmap frame = Frame(FDir / "out" / name);
    int32_t white = 0;
    for (int32_t y = 0; y < frame.Height(); ++y)
      for (int32_t x = 0; x < frame.Width(); ++x) white += frame.Pixel(x, y) == clWhite;
    EXPECT_GT(white, 25000) << name;
    EXPECT_LT(white, 40000) << name;
  }
}

// A PNG whose header claims another size (its checksum made right, so only the size is wrong).
TBytes PngClaiming(TBytes png, uint32_t width, uint32_t height) {
  const size_t ihdr = 12;  // after the signature and the chunk's length
  for (int i = 0; i < 4; ++i) {
    png[ihdr + 4 + i] = static_cast<uint8_t>(width >> (24 - 8 * i));
    png[ihdr + 8 + i] = static_cast<uint8_t>(height >> (24 - 8 * i));
  }
  const uint32_t crc = static_cast<uint32_t>(crc32(0, png.data() + ihdr, 17));
  for (int i = 0; i < 4; ++i) png[ihdr + 17 + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
  return png;
}

// A JPEG whose frame header claims another size.
TBytes JpegClaiming(TBytes jpeg, uint16_t width, uint16_t height) {
  for (size_t i = 2; i + 9 < jpeg.size(); ++i) {
    if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2)) {
      jpeg[i + 5] = static_cast<uint8_t>(height >> 8);
      jpeg[i + 6] = static_cast<uint8_t>(height);
      jpeg[i + 7] = static_cast<uint8_t>(width >> 8);
      jpeg[i + 8] = static_cast<uint8_t>(width);
      break;
    }
  }
  return jpeg;
}

// Shows damaged or made by other tools: each plays its whole time and reports at most the
// run-time's error. A picture that cannot be decoded is passed over (the one before runs its
// transition again); one that cannot be read is reported once, and the show stays on the
// picture before it.
TEST_F(RenderShowTest, HostileShowsEndWithTheirErrorOrAPassedOverPicture) {
  struct TCase {
    std::string Name;
    std::function<void(std::vector<TPayloadImage>&, TPayloadTrailer&)> Images;  // before writing
    std::function<void(TBytes&, size_t trailer, size_t index)> Bytes;            // after writing
    std::string Message;  // "" none
    std::string Seen;     // the pictures that appear: r(ed), g(reen), b(lue); the others never do
  };
  auto patch32 = [](TBytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  const std::vector<TCase> cases = {
      {"plain", nullptr, nullptr, "", "rgb"},
      {"count of 2^31", nullptr, [&](TBytes& b, size_t, size_t) { patch32(b, b.size() - 4, 0x80000000u); }, "", ""},
      {"count past the file", nullptr,
       [&](TBytes& b, size_t, size_t) { patch32(b, b.size() - 4, 0x7FFFFFFFu); }, "I/O error 131", ""},
      {"name holding separators", [](auto& images, auto&) { images[0].Name = "red|7|9.jpg"; }, nullptr, "", "gb"},
      {"offset into the trailer", nullptr,
       [&](TBytes& b, size_t trailer, size_t index) { patch32(b, index + 67 + 50, static_cast<uint32_t>(trailer + 10)); },
       "", "rb"},
      {"size past the end", nullptr,
       [&](TBytes& b, size_t, size_t index) { patch32(b, index + 67 + 54, static_cast<uint32_t>(b.size())); },
       "Read beyond end of file", "r"},  // the index stays at the entry it cannot fetch
      {"65535 x 65535 PNG", [](auto& images, auto&) { images[1].Data = PngClaiming(images[1].Data, 65535, 65535); },
       nullptr, "", "rb"},
      {"small PNG claiming 30000 x 30000",
       [](auto& images, auto&) { images[1].Data = PngClaiming(images[1].Data, 30000, 30000); }, nullptr, "", "rb"},
      {"small JPEG claiming 65000 x 65000",
       [](auto& images, auto&) {
         images[1].Name = "green.jpg";
         images[1].Data = JpegClaiming(RedJpeg(), 65000, 65000);
       },
       nullptr, "", "rb"},
      {"music name of 255 characters", nullptr,
       [](TBytes& b, size_t trailer, size_t) {
         b[trailer + 1 + 4 * kTextFieldSize] = 255;
         std::fill_n(b.begin() + static_cast<ptrdiff_t>(trailer + 2 + 4 * kTextFieldSize), kMaxTextLength, 'M');
       },
       "", "rgb"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    std::vector<TPayloadImage> images(3);
    images[0].Name = "red.jpg";
    images[0].Data = RedJpeg();
    images[1].Name = "green.png";
    images[1].Data = GreenTrueColourPng();
    images[2].Name = "blue.png";
    images[2].Data = BluePalettePng();
    TPayloadTrailer trailer;
    trailer.Title = "Hostile";
    trailer.Interval = 1;
    trailer.Options = kOptionFullScreen | kOptionCentered;
    for (auto& image : images) image.Delay = 0;
    if (c.Images) c.Images(images, trailer);
    TMemoryStream out;
    out.WriteBuffer("ENGINE", 6);
    WritePayload(out, trailer, images);
    TBytes bytes(out.Memory(), out.Memory() + out.Size());
    const size_t trailerAt = bytes.size() - kTrailerSize, indexAt = trailerAt - 3 * kIndexRecordSize;
    if (c.Bytes) c.Bytes(bytes, trailerAt, indexAt);
    const fs::path show = FDir / "show";
    WriteFile(show, bytes);

    TRenderRequest request;
    request.ShowPath = show.string();
    request.OutDir = (FDir / "frames").string();
    request.Seconds = 5;
    request.Fps = 10;
    request.ScreenWidth = 320;
    request.ScreenHeight = 240;
    request.SheetThumbnails = 0;
    const TRenderResult result = RenderShow(request);
    EXPECT_EQ(result.Frames, 50);  // played to the end: no hang, no early close
    if (c.Message.empty()) {
      EXPECT_TRUE(result.MessageBoxes.empty()) << result.MessageBoxes[0];
    } else {
      ASSERT_EQ(result.MessageBoxes.size(), 1u);
      EXPECT_NE(result.MessageBoxes[0].find(c.Message), std::string::npos) << result.MessageBoxes[0];
    }
    // Which pictures the screen's centre showed (whole, not part-way through a fade).
    std::string seen;
    for (int i = 0; i < result.Frames; ++i) {
      const TColor c = Frame(FDir / "frames" / Format("frame-%05d.png", i)).Pixel(160, 120);
      const char which = GetRValue(c) > 240 ? 'r' : GetGValue(c) > 240 ? 'g' : GetBValue(c) > 240 ? 'b' : 0;
      if (which != 0 && seen.find(which) == std::string::npos) seen += which;
    }
    std::sort(seen.begin(), seen.end(), [](char a, char b) { return std::string("rgb").find(a) < std::string("rgb").find(b); });
    EXPECT_EQ(seen, c.Seen);
  }
}

TEST(RenderFrameTimes, FramesFallOnWholeMillisecondsOfTheirRate) {
  EXPECT_EQ(FrameCount(20, 10), 200);
  EXPECT_EQ(FrameCount(0.01, 10), 1);
  EXPECT_EQ(FrameCount(1, 30), 30);
  EXPECT_EQ(FrameTime(0, 10), 0u);
  EXPECT_EQ(FrameTime(199, 10), 19900u);
  // 1000 / 30 is not whole: times round down and never drift.
  EXPECT_EQ(FrameTime(1, 30), 33u);
  EXPECT_EQ(FrameTime(3, 30), 100u);
  EXPECT_EQ(FrameTime(29, 30), 966u);
}

}  // namespace
}  // namespace pictova
