// The image I/O front: registry, dispatch, stream headers, file and parameters-only paths,
// attached controls, and the decode tool built on it.
#include <gtest/gtest.h>
#ifdef PICTOVA_DECODE_TOOL
#include <sys/wait.h>
#endif
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "imageio/ImageFixtures.h"
#include "imageio/ImageIO.h"
#include "imageio/Iptc.h"
#include "rtl/Classes.h"
#include "rtl/SysUtils.h"

namespace pictova {

using fixtures::TBytes;

namespace {

TBytes SmallJpeg(int w = 24, int h = 16) {
  fixtures::TJpegOptions opts;
  opts.Width = w;
  opts.Height = h;
  return fixtures::MakeJpeg(opts, fixtures::GradientPixels(w, h, 3));
}

TBytes SmallPng() {
  fixtures::TPngOptions opts;
  opts.Width = 2;
  opts.Height = 1;
  opts.Rows = {10, 20, 30, 40, 50, 60};
  return fixtures::MakePng(opts);
}

class TTempDir {
 public:
  TTempDir()
      : FPath(std::filesystem::temp_directory_path() / ("imageio-" + std::to_string(::getpid()))) {
    std::filesystem::create_directories(FPath);
  }
  ~TTempDir() { std::filesystem::remove_all(FPath); }
  std::string Write(const std::string& name, const TBytes& data) const {
    const std::string path = (FPath / name).string();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()),
               static_cast<std::streamsize>(data.size()));
    return path;
  }
  std::string Path(const std::string& name) const { return (FPath / name).string(); }

 private:
  std::filesystem::path FPath;
};

class TFakeView : public TIOAttachedView {
 public:
  TBitmap* IOBitmap() override { return Current; }
  TColor Background() const override { return FBackground; }
  void SetBackground(TColor c) override { FBackground = c; }
  int32_t DpiX() const override { return 120; }
  int32_t DpiY() const override { return 120; }
  void SetDpi(int32_t x, int32_t y) override { ToldDpi = {x, y}; }
  void Update() override { ++Updates; }
  void SetBitmapChangeEvent(std::function<void()> handler) override {
    Changed = std::move(handler);
  }

  TBitmap First, Second;
  TBitmap* Current = &First;
  TColor FBackground = clNavy;
  TPoint ToldDpi;
  int Updates = 0;
  std::function<void()> Changed;
};

class TFakeImage : public TIOAttachedImage {
 public:
  TBitmap* PictureBitmap() override { return &Picture; }
  void BitmapChanged() override { ++Repaints; }
  TBitmap Picture;
  int Repaints = 0;
};

}  // namespace

TEST(FormatRegistry, HoldsTheTwelveFormatsAndLooksThemUp) {
  const char* names[] = {"TIFF Bitmap",      "CompuServe Bitmap",
                         "JPEG Bitmap",      "PaintBrush",
                         "Windows Bitmap",   "Windows Icon",
                         "Windows Cursor",   "Portable Network Graphics",
                         "Windows Metafile", "Enhanced Windows Metafile",
                         "Targa Bitmap",     "Portable Pixmap, GreyMap, BitMap"};
  EXPECT_EQ(FormatRegistry().Count(), 12);
  for (int code = 1; code <= 12; ++code) {
    TFileFormatInfo info;
    ASSERT_TRUE(FormatRegistry().FindByType(code, info));
    EXPECT_EQ(info.FullName, names[code - 1]);
    EXPECT_FALSE(info.ReadFunction || info.WriteFunction || info.TestFunction);
  }
  TFileFormatInfo info;
  EXPECT_FALSE(FormatRegistry().FindByType(0, info));
  ASSERT_TRUE(FormatRegistry().FindByExtension("jpe", info));
  EXPECT_EQ(info.FileType, ioJPEG);
  ASSERT_TRUE(FormatRegistry().FindByExtension("Pix", info));
  EXPECT_EQ(info.FileType, ioTGA);
  ASSERT_TRUE(FormatRegistry().FindByExtension("TIFF", info));
  EXPECT_EQ(info.FileType, ioTIFF);
  EXPECT_FALSE(FormatRegistry().FindByExtension("TI", info));  // whole items only
  EXPECT_FALSE(FormatRegistry().FindByExtension("win", info));
  EXPECT_FALSE(FormatRegistry().FindByExtension("", info));
}

TEST(ImageIO, FailedLoadsKeepTheBitmapAndTheNextLoadStartsClean) {
  TBitmap bitmap(4, 4);
  bitmap.SetPixel(2, 2, clRed);
  TImageIO io;
  io.SetBitmap(&bitmap);
  io.Params().IptcInfo.Add({2, 5, {'x'}});
  io.Params().JpegMarkers.AddMarker(0xE1, nullptr, 0);

  TMemoryStream unknown(TBytes(40, 0x55));
  io.LoadFromStream(unknown);
  EXPECT_EQ(io.IOFailed(), 1);
  EXPECT_EQ(io.Params().ImageFormat, ioUnknown);
  EXPECT_EQ(io.Params().IptcInfo.Count(), 0);
  EXPECT_EQ(io.Params().JpegMarkers.Count(), 0);
  EXPECT_EQ(bitmap.Width(), 4);
  EXPECT_EQ(bitmap.Pixel(2, 2), clRed);

  // A reader that refuses its file (a PCX header with 9 bits per plane) fails the same way,
  // under its own code.
  TBytes pcx(200, 0);
  pcx[0] = 0x0A;
  pcx[1] = 5;
  pcx[3] = 9;
  TMemoryStream pcxStream(pcx);
  io.LoadFromStream(pcxStream);
  EXPECT_EQ(io.IOFailed(), 1);
  EXPECT_EQ(io.Params().ImageFormat, ioPCX);
  EXPECT_EQ(bitmap.Pixel(2, 2), clRed);

  TMemoryStream jpeg(SmallJpeg());
  io.LoadFromStream(jpeg);
  EXPECT_EQ(io.IOFailed(), 0);
  EXPECT_EQ(bitmap.Width(), 24);

  // A load without any target bitmap cannot happen and says so.
  TImageIO bare;
  jpeg.SetPosition(0);
  bare.LoadFromStream(jpeg);
  EXPECT_EQ(bare.IOFailed(), 1);
  // Reading the parameters needs no bitmap.
  jpeg.SetPosition(0);
  bare.ReadParamsFromStream(jpeg);
  EXPECT_EQ(bare.IOFailed(), 0);
  EXPECT_EQ(bare.Params().Width, 24);
  EXPECT_EQ(bare.Params().ImageFormat, ioJPEG);
}

TEST(ImageIO, StreamHeadersFrameTheData) {
  const TBytes jpeg = SmallJpeg();
  TBytes framed = {'J', 'F', 'I', 'F', 0, 0, 0, 0};
  const uint32_t length = static_cast<uint32_t>(jpeg.size()) + 7;  // the frame may hold more
  framed.insert(framed.end(), {uint8_t(length), uint8_t(length >> 8), uint8_t(length >> 16),
                               uint8_t(length >> 24)});
  framed.insert(framed.end(), jpeg.begin(), jpeg.end());
  framed.resize(framed.size() + 7 + 50, 0x77);
  TBitmap bitmap;
  TImageIO io;
  io.SetBitmap(&bitmap);
  TMemoryStream stream(framed);
  io.LoadFromStream(stream);  // the "JFIF" header is recognised even without StreamHeaders
  EXPECT_EQ(io.IOFailed(), 0);
  EXPECT_EQ(bitmap.Width(), 24);
  EXPECT_EQ(stream.Position(), 12 + length);

  // PCX and TIFF frames are read only with StreamHeaders; a wrong tag fails before any reader.
  io.SetStreamHeaders(true);
  TBytes pcx2 = {'P', 'C', 'X', '2', 0, 0, 0, 0, 100, 0, 0, 0};
  pcx2.resize(300, 0);
  TMemoryStream pcxStream(pcx2);
  io.LoadFromStreamFormat(pcxStream, ioPCX);
  EXPECT_EQ(pcxStream.Position(), 112);
  TBytes wrong = {'T', 'I', 'F', 'X', 0, 0, 0, 0, 4, 0, 0, 0};
  wrong.resize(40, 0);
  TMemoryStream tiffStream(wrong);
  io.LoadFromStreamFormat(tiffStream, ioTIFF);
  EXPECT_EQ(io.IOFailed(), 1);
  EXPECT_EQ(io.Params().ImageFormat, ioTIFF);
}

TEST(ImageIO, FilesChooseTheReaderByExtension) {
  TTempDir dir;
  TBitmap bitmap;
  TImageIO io;
  io.SetBitmap(&bitmap);

  const std::string jpg = dir.Write("photo.JPG", SmallJpeg());
  io.LoadFromFile(jpg);
  EXPECT_EQ(io.IOFailed(), 0);
  EXPECT_EQ(io.Params().FileName, jpg);
  EXPECT_EQ(bitmap.Width(), 24);
  TMemoryStream png(SmallPng());
  io.LoadFromStream(png);
  EXPECT_EQ(io.Params().FileName, "");
  EXPECT_EQ(bitmap.Width(), 2);

  // The extension decides: PNG bytes named .jpg fail in the JPEG reader; the format form
  // overrides the name.
  const std::string misnamed = dir.Write("misnamed.jpg", SmallPng());
  io.LoadFromFile(misnamed);
  EXPECT_EQ(io.IOFailed(), 1);
  io.LoadFromFileFormat(misnamed, ioPNG);
  EXPECT_EQ(io.IOFailed(), 0);
  EXPECT_EQ(io.Params().FileName, misnamed);

  io.LoadFromFile(dir.Write("drawing.wmf", TBytes(100, 1)));
  EXPECT_EQ(io.IOFailed(), 1);
  EXPECT_EQ(io.Params().ImageFormat, ioUnknown);
  io.LoadFromFile(dir.Write("data.xyz", SmallPng()));
  EXPECT_EQ(io.IOFailed(), 1);
  EXPECT_THROW(io.LoadFromFile(dir.Path("missing.png")), EInOutError);

  // A registered format with a read routine is reached by its extension and by detection.
  int reads = 0;
  TFileFormatInfo custom;
  custom.FileType = 77;
  custom.FullName = "Custom";
  custom.Extensions = "XYZ;QQQ";
  custom.ReadFunction = [&](TStream&, TBitmap& target, TImageParams&, bool, TProgressRec&) {
    ++reads;
    target.SetSize(9, 9);
  };
  FormatRegistry().Register(custom);
  io.LoadFromFile(dir.Path("data.xyz"));
  EXPECT_EQ(io.IOFailed(), 0);
  EXPECT_EQ(io.Params().ImageFormat, 77);
  EXPECT_EQ(bitmap.Width(), 9);
  TMemoryStream any(TBytes(20, 0));
  io.LoadFromStreamFormat(any, 77);
  EXPECT_EQ(reads, 2);
  FormatRegistry().Unregister(77);
}

TEST(ImageIO, ParametersOnlyReadsNeverRaise) {
  TTempDir dir;
  TBitmap bitmap(3, 3);
  TImageIO io;
  io.SetBitmap(&bitmap);
  const std::string png = dir.Write("a.png", SmallPng());
  io.ReadParamsFromFile(png);
  EXPECT_EQ(io.Params().ImageFormat, ioPNG);
  EXPECT_EQ(io.Params().Width, 2);
  EXPECT_EQ(bitmap.Width(), 3);  // untouched
  // Detection by content must agree with the extension's registry entry.
  io.ReadParamsFromFile(dir.Write("b.jpg", SmallPng()));
  EXPECT_EQ(io.Params().ImageFormat, ioUnknown);
  io.ReadParamsFromFile(dir.Path("missing.png"));
  EXPECT_EQ(io.Params().ImageFormat, ioUnknown);
  EXPECT_EQ(io.IOFailed(), 1);
  io.ReadParamsFromFile(dir.Write("c.dat", SmallJpeg(40, 30)), ioJPEG);
  EXPECT_EQ(io.Params().ImageFormat, ioJPEG);
  EXPECT_EQ(io.Params().Width, 40);
  TMemoryStream broken(TBytes{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0});
  io.ReadParamsFromStream(broken);
  EXPECT_EQ(io.Params().ImageFormat, ioUnknown);
}

namespace {

// A stream that raises once the reader has taken its first block.
class TBrokenStream : public TMemoryStream {
 public:
  using TMemoryStream::TMemoryStream;
  int32_t Read(void* buffer, int32_t count) override {
    if (Position() >= 64) throw EInOutError(EInOutError::kAccessDenied);
    return TMemoryStream::Read(buffer,
                               std::min<int32_t>(count, 64 - static_cast<int32_t>(Position())));
  }
};

}  // namespace

TEST(ImageIO, StreamErrorsPassThroughTheLoadAndAreCaughtForParameters) {
  fixtures::TPngOptions opts;
  opts.Width = opts.Height = 32;
  opts.Rows.assign(32 * 32 * 3, 9);
  for (const TBytes& data : {SmallJpeg(64, 64), fixtures::MakePng(opts)}) {
    TBitmap bitmap;
    TImageIO io;
    io.SetBitmap(&bitmap);
    TBrokenStream stream(data);
    EXPECT_THROW(io.LoadFromStream(stream), EInOutError);
    stream.SetPosition(0);
    EXPECT_NO_THROW(io.ReadParamsFromStream(stream));
  }
}

TEST(ImageIO, AttachedViewAndImageControl) {
  TFakeView view;
  TImageIO io;
  io.SetAttachedView(&view);
  EXPECT_EQ(io.Bitmap(), &view.First);
  EXPECT_EQ(io.Background(), clNavy);
  io.SetBackground(clGreen);
  EXPECT_EQ(view.FBackground, clGreen);
  view.Current = &view.Second;
  ASSERT_TRUE(view.Changed);
  view.Changed();
  EXPECT_EQ(io.Bitmap(), &view.Second);
  TImageParams fresh(&io);
  EXPECT_EQ(fresh.DpiX, 120);

  fixtures::TPngOptions opts;
  opts.Width = opts.Height = 2;
  opts.Rows.assign(12, 0);
  opts.HasPhys = true;
  opts.PpmX = opts.PpmY = 5906;  // 150 dpi
  TMemoryStream png(fixtures::MakePng(opts));
  io.LoadFromStream(png);
  EXPECT_EQ(view.Second.Width(), 2);
  EXPECT_EQ(view.ToldDpi, (TPoint{150, 150}));
  EXPECT_EQ(view.Updates, 1);

  TFakeImage image;
  io.SetAttachedTImage(&image);
  EXPECT_FALSE(view.Changed);  // unregistered from the view
  EXPECT_EQ(io.AttachedView(), nullptr);
  TMemoryStream jpeg(SmallJpeg());
  io.LoadFromStream(jpeg);
  EXPECT_EQ(image.Picture.Width(), 24);
  EXPECT_EQ(image.Repaints, 1);
  io.AttachedRemoved(&image);
  EXPECT_EQ(io.AttachedTImage(), nullptr);
  EXPECT_EQ(io.Bitmap(), nullptr);
}

TEST(ImageParams, CopiesDuplicateTheListsAndKeepTheOwner) {
  TImageIO a, b;
  a.Params().Palette = {{1, 2, 3}, {4, 5, 6}};
  a.Params().JpegMarkers.AddMarker(0xE1, reinterpret_cast<const uint8_t*>("abc"), 3);
  a.Params().IptcInfo.Add({2, 120, {'t'}});
  a.Params().PnmComments.Add("made here");
  a.Params().TgaGamma = 1.8;
  b.Params() = a.Params();
  a.Params().JpegMarkers.MarkerData(0).Memory()[0] = 'X';
  a.Params().Palette[0].Red = 99;
  EXPECT_EQ(b.Params().Owner(), &b);
  EXPECT_EQ(b.Params().PaletteCount(), 2);
  EXPECT_EQ(b.Params().Palette[0].Red, 3);
  EXPECT_EQ(b.Params().JpegMarkers.MarkerData(0).Data(), (TBytes{'a', 'b', 'c'}));
  EXPECT_EQ(b.Params().IptcInfo.Count(), 1);
  EXPECT_EQ(b.Params().PnmComments[0], "made here");
  EXPECT_EQ(b.Params().TgaGamma, 1.8);
  EXPECT_EQ(TImageParams(&a).TgaDate, Date());
}

TEST(Iptc, StopsAtTheFirstIncompleteRecord) {
  auto parse = [](TBytes data) {
    TIptcList list;
    list.ReadFromApp13(data.data(), static_cast<int64_t>(data.size()));
    return list;
  };
  // Leading bytes before the first 1C are skipped; a byte other than 1C ends the list.
  TIptcList l = parse({9, 9, 0x1C, 1, 90, 0, 2, 'a', 'b', 0x00, 0x1C, 2, 5, 0, 1, 'z'});
  ASSERT_EQ(l.Count(), 1);
  EXPECT_EQ(l[0], (TIptcRecord{1, 90, {'a', 'b'}}));
  // A record needs five bytes after its 1C: an empty record at the very end is dropped.
  EXPECT_EQ(parse({0x1C, 2, 5, 0, 0}).Count(), 0);
  EXPECT_EQ(parse({0x1C, 2, 5, 0, 0, 0}).Count(), 1);
  // Data past the end, and an extended length whose four length bytes are missing.
  EXPECT_EQ(parse({0x1C, 2, 5, 0, 9, 'a'}).Count(), 0);
  EXPECT_EQ(parse({0x1C, 2, 5, 0x80, 4, 0, 0}).Count(), 0);
  EXPECT_EQ(parse({0x1C, 2, 5, 0x80, 4, 0xFF, 0xFF, 0xFF, 0xFF, 'a'}).Count(), 0);
}

#ifdef PICTOVA_DECODE_TOOL
TEST(DecodeTool, WritesThePictureAndTheRecordAndReportsFailure) {
  TTempDir dir;
  const std::string input = dir.Write("in.jpg", SmallJpeg(20, 10));
  const std::string output = dir.Path("out.png");
  const std::string text = dir.Path("params.txt");
  const std::string tool = PICTOVA_DECODE_TOOL;
  int status = std::system((tool + " " + input + " " + output + " --params > " + text).c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  TBitmap bitmap;
  TImageIO io;
  io.SetBitmap(&bitmap);
  io.LoadFromFile(output);
  EXPECT_EQ(bitmap.Width(), 20);
  TStringList lines;
  std::ifstream in(text);
  for (std::string line; std::getline(in, line);) lines.Add(line);
  EXPECT_GE(lines.IndexOf("Width: 20"), 0);
  EXPECT_GE(lines.IndexOf("ImageFormat: 3"), 0);
  EXPECT_GE(lines.IndexOf("JpegColorSpace: 2"), 0);

  status = std::system(
      (tool + " " + dir.Write("bad.png", TBytes(30, 0)) + " " + output + " 2>/dev/null").c_str());
  EXPECT_EQ(WEXITSTATUS(status), 1);
  status = std::system((tool + " " + dir.Path("none.png") + " " + output + " 2>/dev/null").c_str());
  EXPECT_EQ(WEXITSTATUS(status), 2);
}
#endif

}  // namespace pictova
