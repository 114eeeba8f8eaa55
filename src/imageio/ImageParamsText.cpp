// The parameters record as "name: value" lines.
#include "imageio/ImageParamsText.h"

#include "imageio/ImageParams.h"
#include "rtl/Ansi.h"
#include "rtl/SysUtils.h"

namespace pictova {

namespace {

std::string Colour(const TRGBTriple& t) { return Format("#%02X%02X%02X", t.Red, t.Green, t.Blue); }

std::string Text(const std::string& ansi) {
  std::string escaped;
  for (unsigned char c : ansi) {
    if (c < 0x20 || c == 0x7F || c == '\\')
      escaped += Format("\\x%02X", c);
    else
      escaped += static_cast<char>(c);
  }
  return Cp1252ToUtf8(escaped);
}

std::string Bytes(const uint8_t* data, size_t size) {
  return Text(std::string(reinterpret_cast<const char*>(data), size));
}

std::string MarkerName(uint8_t code) {
  if (code >= 0xE0 && code <= 0xEF) return Format("APP%d", code - 0xE0);
  if (code == 0xFE) return "COM";
  return Format("%02X", code);
}

class TLines {
 public:
  void Add(const char* name, const std::string& value) {
    List.Add(std::string(name) + ": " + value);
  }
  void Add(const char* name, int64_t value) {
    Add(name, Format("%lld", static_cast<long long>(value)));
  }
  void Add(const char* name, bool value) { Add(name, std::string(value ? "true" : "false")); }
  void Add(const char* name, double value) { Add(name, Format("%g", value)); }
  void AddHook(const char* name, const void* hook) {
    Add(name, std::string(hook ? "set" : "empty"));
  }
  TStringList List;
};

}  // namespace

TStringList DescribeImageParams(const TImageParams& p) {
  TLines l;
  l.Add("BitsPerSample", int64_t{p.BitsPerSample});
  l.Add("SamplesPerPixel", int64_t{p.SamplesPerPixel});
  l.Add("Width", int64_t{p.Width});
  l.Add("Height", int64_t{p.Height});
  l.Add("DpiX", int64_t{p.DpiX});
  l.Add("DpiY", int64_t{p.DpiY});
  l.Add("ImageFormat", int64_t{p.ImageFormat});

  l.Add("TiffImageIndex", int64_t{p.TiffImageIndex});
  l.Add("TiffImageCount", int64_t{p.TiffImageCount});
  l.Add("TiffCompression", int64_t{p.TiffCompression});
  l.Add("TiffPhotometric", int64_t{p.TiffPhotometric});
  l.Add("TiffPlanarConfig", int64_t{p.TiffPlanarConfig});
  l.Add("TiffDocumentName", Text(p.TiffDocumentName));
  l.Add("TiffImageDescription", Text(p.TiffImageDescription));
  l.Add("TiffPageName", Text(p.TiffPageName));
  l.Add("TiffPageNumber", int64_t{p.TiffPageNumber});
  l.Add("TiffPageCount", int64_t{p.TiffPageCount});
  l.Add("TiffXPos", int64_t{p.TiffXPos});
  l.Add("TiffYPos", int64_t{p.TiffYPos});
  l.AddHook("TiffDecodeHook", reinterpret_cast<const void*>(p.TiffDecodeHook));
  l.AddHook("TiffEncodeHook", reinterpret_cast<const void*>(p.TiffEncodeHook));

  l.Add("GifVersion", Text(p.GifVersion));
  l.Add("GifImageIndex", int64_t{p.GifImageIndex});
  l.Add("GifLeft", int64_t{p.GifLeft});
  l.Add("GifTop", int64_t{p.GifTop});
  l.Add("GifDelay", int64_t{p.GifDelay});
  l.Add("GifTransparent", p.GifTransparent);
  l.Add("GifTransparentColor", Colour(p.GifTransparentColor));
  l.Add("GifInterlaced", p.GifInterlaced);
  l.Add("GifScreenWidth", int64_t{p.GifScreenWidth});
  l.Add("GifScreenHeight", int64_t{p.GifScreenHeight});
  l.Add("GifBackground", Colour(p.GifBackground));
  l.Add("GifAspect", int64_t{p.GifAspect});
  l.AddHook("GifDecodeHook", reinterpret_cast<const void*>(p.GifDecodeHook));
  l.AddHook("GifEncodeHook", reinterpret_cast<const void*>(p.GifEncodeHook));
  l.Add("GifImageCount", int64_t{p.GifImageCount});

  l.Add("JpegColorSpace", int64_t{p.JpegColorSpace});
  l.Add("JpegDctMethod", int64_t{p.JpegDctMethod});
  l.Add("JpegScale", int64_t{p.JpegScale});
  l.Add("JpegProgressive", p.JpegProgressive);
  l.Add("JpegMarkers", int64_t{p.JpegMarkers.Count()});
  for (int i = 0; i < p.JpegMarkers.Count(); ++i) {
    const std::string name = Format("JpegMarkers[%d]", i);
    l.Add(name.c_str(), Format("%s, %lld bytes", MarkerName(p.JpegMarkers.MarkerCode(i)).c_str(),
                               static_cast<long long>(p.JpegMarkers.MarkerData(i).Data().size())));
  }

  l.Add("PcxVersion", int64_t{p.PcxVersion});
  l.Add("BmpVersion", int64_t{p.BmpVersion});
  l.Add("BmpCompressed", p.BmpCompressed);
  l.Add("IcoImageIndex", int64_t{p.IcoImageIndex});
  l.Add("IcoBackground", Colour(p.IcoBackground));
  l.Add("CurImageIndex", int64_t{p.CurImageIndex});
  l.Add("CurBackground", Colour(p.CurBackground));
  l.Add("CurHotSpotX", int64_t{p.CurHotSpotX});
  l.Add("CurHotSpotY", int64_t{p.CurHotSpotY});

  l.Add("PngBackground", Colour(p.PngBackground));
  l.Add("PngInterlaced", p.PngInterlaced);

  l.Add("TgaXOrigin", int64_t{p.TgaXOrigin});
  l.Add("TgaYOrigin", int64_t{p.TgaYOrigin});
  l.Add("TgaCompressed", p.TgaCompressed);
  l.Add("TgaImageId", Text(p.TgaImageId));
  l.Add("TgaAuthor", Text(p.TgaAuthor));
  l.Add("TgaJobName", Text(p.TgaJobName));
  l.Add("TgaDate", Format("%.6f", p.TgaDate));
  l.Add("TgaKeyColor", Colour(p.TgaKeyColor));
  l.Add("TgaAspectRatio", p.TgaAspectRatio);
  l.Add("TgaGamma", p.TgaGamma);
  l.Add("TgaGrayscale", p.TgaGrayscale);

  l.Add("IptcInfo", int64_t{p.IptcInfo.Count()});
  for (int i = 0; i < p.IptcInfo.Count(); ++i) {
    const TIptcRecord& r = p.IptcInfo[i];
    const std::string name = Format("IptcInfo[%d]", i);
    l.Add(name.c_str(),
          Format("%d:%d ", r.RecordNumber, r.DataSetNumber) + Bytes(r.Data.data(), r.Data.size()));
  }
  l.Add("PnmComments", int64_t{p.PnmComments.Count()});
  for (int i = 0; i < p.PnmComments.Count(); ++i) {
    const std::string name = Format("PnmComments[%d]", i);
    l.Add(name.c_str(), Text(p.PnmComments[i]));
  }
  l.Add("FileName", Text(p.FileName));
  l.Add("PaletteCount", int64_t{p.PaletteCount()});
  std::string palette;
  for (const TRGBTriple& t : p.Palette) palette += (palette.empty() ? "" : " ") + Colour(t);
  l.Add("Palette", palette);
  return l.List;
}

}  // namespace pictova
