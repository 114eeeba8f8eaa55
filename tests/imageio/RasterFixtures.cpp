// Writers of BMP, PCX, TGA and icon files with every header field under the caller's control.
#include "imageio/RasterFixtures.h"

#include <algorithm>

namespace pictova::fixtures {

TLeWriter& TLeWriter::U8(uint32_t v) {
  Out.push_back(static_cast<uint8_t>(v));
  return *this;
}
TLeWriter& TLeWriter::U16(uint32_t v) { return U8(v).U8(v >> 8); }
TLeWriter& TLeWriter::U32(uint32_t v) { return U16(v).U16(v >> 16); }
TLeWriter& TLeWriter::Add(const TBytes& bytes) {
  Out.insert(Out.end(), bytes.begin(), bytes.end());
  return *this;
}
TLeWriter& TLeWriter::Text(const std::string& text) {
  Out.insert(Out.end(), text.begin(), text.end());
  return *this;
}

TBytes MakeBmp(const TBmpLayout& s) {
  TLeWriter info;
  if (s.HeaderSize == 12) {
    info.U32(12).U16(static_cast<uint32_t>(s.Width)).U16(static_cast<uint32_t>(s.Height)).U16(1).U16(static_cast<uint32_t>(s.BitCount));
  } else {
    info.U32(s.HeaderSize).U32(static_cast<uint32_t>(s.Width)).U32(static_cast<uint32_t>(s.Height)).U16(1);
    info.U16(static_cast<uint32_t>(s.BitCount)).U32(s.Compression).U32(static_cast<uint32_t>(s.Pixels.size()));
    info.U32(s.PixelsPerMetre).U32(s.PixelsPerMetre).U32(s.ColoursUsed).U32(0);
    // Longer headers: their masks (when given) in the fields that hold them, the rest zero.
    for (size_t i = 0; info.Out.size() < s.HeaderSize; ++i)
      info.U8(s.HeaderSize >= 52 && i < 12 && s.Masks.size() == 3 ? s.Masks[i / 4] >> (8 * (i % 4)) : 0);
    info.Out.resize(s.HeaderSize);
  }
  info.Add(s.Palette);
  if (s.HeaderSize < 52) for (uint32_t m : s.Masks) info.U32(m);
  TLeWriter file;
  const uint32_t offset = 14 + static_cast<uint32_t>(info.Out.size());
  file.Text("BM").U32(offset + static_cast<uint32_t>(s.Pixels.size())).U32(0).U32(offset);
  return file.Add(info.Out).Add(s.Pixels).Out;
}

TBytes BmpRows(const std::vector<TBytes>& topDownRows) {
  TBytes out;
  for (auto row = topDownRows.rbegin(); row != topDownRows.rend(); ++row) {
    out.insert(out.end(), row->begin(), row->end());
    out.resize((out.size() + 3) / 4 * 4, 0);
  }
  return out;
}

TBytes MakePcx(const TPcxLayout& s) {
  TLeWriter w;
  w.U8(0x0A).U8(static_cast<uint32_t>(s.Version)).U8(static_cast<uint32_t>(s.Encoding)).U8(static_cast<uint32_t>(s.BitsPerPlane));
  w.U16(0).U16(0).U16(static_cast<uint32_t>(s.Width - 1)).U16(static_cast<uint32_t>(s.Height - 1));
  w.U16(static_cast<uint32_t>(s.DpiX)).U16(static_cast<uint32_t>(s.DpiY));
  TBytes palette = s.Palette16;
  palette.resize(48, 0);
  w.Add(palette).U8(0).U8(static_cast<uint32_t>(s.Planes)).U16(static_cast<uint32_t>(s.BytesPerLine)).U16(1);
  w.Out.resize(128, 0);
  return w.Add(s.Data).Out;
}

TBytes PcxRle(const TBytes& line) {
  TBytes out;
  for (size_t i = 0; i < line.size();) {
    size_t run = 1;
    while (i + run < line.size() && run < 63 && line[i + run] == line[i]) ++run;
    if (run > 1 || line[i] >= 0xC0) out.push_back(static_cast<uint8_t>(0xC0 | run));
    out.push_back(line[i]);
    i += run;
  }
  return out;
}

TBytes MakeTga(const TTgaLayout& s) {
  TLeWriter w;
  w.U8(static_cast<uint32_t>(s.Id.size())).U8(static_cast<uint32_t>(s.MapType)).U8(static_cast<uint32_t>(s.ImageType));
  w.U16(static_cast<uint32_t>(s.MapFirst)).U16(static_cast<uint32_t>(s.MapLength)).U8(static_cast<uint32_t>(s.MapEntrySize));
  w.U16(3).U16(4).U16(static_cast<uint32_t>(s.Width)).U16(static_cast<uint32_t>(s.Height));
  w.U8(static_cast<uint32_t>(s.Depth)).U8(static_cast<uint32_t>(s.Descriptor));
  w.Text(s.Id).Add(s.Map).Add(s.Data);
  if (!s.Extension.empty()) {
    const uint32_t offset = static_cast<uint32_t>(w.Out.size());
    w.Add(s.Extension).U32(offset).U32(0).Text("TRUEVISION-XFILE.").U8(0);
  }
  return w.Out;
}

TBytes MakeIcon(int type, const std::vector<TIconImage>& images) {
  TLeWriter w;
  w.U16(0).U16(static_cast<uint32_t>(type)).U16(static_cast<uint32_t>(images.size()));
  uint32_t offset = 6 + 16 * static_cast<uint32_t>(images.size());
  for (const TIconImage& im : images) {
    w.U8(static_cast<uint32_t>(im.EntryWidth)).U8(static_cast<uint32_t>(im.EntryHeight)).U8(static_cast<uint32_t>(im.Colours)).U8(0);
    w.U16(static_cast<uint32_t>(im.Word4)).U16(static_cast<uint32_t>(im.Word6)).U32(static_cast<uint32_t>(im.Data.size())).U32(offset);
    offset += static_cast<uint32_t>(im.Data.size());
  }
  for (const TIconImage& im : images) w.Add(im.Data);
  return w.Out;
}

TBytes IconDib(int width, int height, int bitCount, const TBytes& table, const TBytes& xorRows,
               const TBytes& maskRows) {
  TLeWriter w;
  w.U32(40).U32(static_cast<uint32_t>(width)).U32(static_cast<uint32_t>(height * 2)).U16(1).U16(static_cast<uint32_t>(bitCount));
  w.U32(0).U32(0).U32(0).U32(0).U32(0).U32(0);
  return w.Add(table).Add(xorRows).Add(maskRows).Out;
}

}  // namespace pictova::fixtures
