// The balloon's shapes next to GDI's: the balloon painted by the framework (empty caption, so
// only body, stem and base line) and the same figure drawn by GDI's own RoundRect, Polygon
// and LineTo with the same coordinates, pen and brush, compared pixel by pixel for each stem
// side over a range of sizes, corners and stems.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "controls/Balloon.h"
#include "platform/Registry.h"
#include "ui/HeadlessFixture.h"
// Windows' own headers last (see Win32Api.h).
#include "platform/win32/GdiDib.h"

namespace pictova {
namespace {

constexpr TColor kFace = RGB(90, 90, 160);
constexpr TColor kPen = RGB(200, 0, 0);
constexpr TColor kFill = RGB(255, 255, 200);

struct TShape {
  int32_t Width, Height, Corner, StemSize, StemWidth, StemOffset;
};

// The balloon drawn by GDI into a DIB filled with the face colour.
void DrawWithGdi(TDib& dib, const TShape& s, TBalloonStemPos pos) {
  const HDC dc = dib.DC();
  const HBRUSH face = ::CreateSolidBrush(kFace);
  const RECT all{0, 0, s.Width, s.Height};
  ::FillRect(dc, &all, face);
  ::DeleteObject(face);

  RECT body = all;
  if (pos == spLeft) body.left += s.StemSize;
  if (pos == spTop) body.top += s.StemSize;
  if (pos == spRight) body.right -= s.StemSize;
  if (pos == spBottom) body.bottom -= s.StemSize;
  const int32_t midX = s.Width / 2, midY = s.Height / 2;
  POINT p[3];
  switch (pos) {
    case spLeft:
      p[0] = {0, midY + s.StemOffset};
      p[1] = {s.StemSize, midY + s.StemOffset - s.StemWidth};
      p[2] = {s.StemSize, midY + s.StemOffset + s.StemWidth};
      break;
    case spTop:
      p[0] = {midX + s.StemOffset, 0};
      p[1] = {midX + s.StemOffset - s.StemWidth, s.StemSize};
      p[2] = {midX + s.StemOffset + s.StemWidth, s.StemSize};
      break;
    case spRight:
      p[0] = {s.Width, midY + s.StemOffset};
      p[1] = {s.Width - s.StemSize - 1, midY + s.StemOffset - s.StemWidth};
      p[2] = {s.Width - s.StemSize - 1, midY + s.StemOffset + s.StemWidth};
      break;
    case spBottom:
      p[0] = {midX + s.StemOffset, s.Height - 1};
      p[1] = {midX + s.StemOffset - s.StemWidth, s.Height - s.StemSize - 1};
      p[2] = {midX + s.StemOffset + s.StemWidth, s.Height - s.StemSize - 1};
      break;
  }
  const HPEN pen = ::CreatePen(PS_SOLID, 1, kPen);
  const HPEN fillPen = ::CreatePen(PS_SOLID, 1, kFill);
  const HBRUSH fill = ::CreateSolidBrush(kFill);
  const HGDIOBJ oldPen = ::SelectObject(dc, pen);
  const HGDIOBJ oldBrush = ::SelectObject(dc, fill);
  ::RoundRect(dc, body.left, body.top, body.right, body.bottom, s.Corner, s.Corner);
  ::Polygon(dc, p, 3);
  ::SelectObject(dc, fillPen);
  ::MoveToEx(dc, p[1].x, p[1].y, nullptr);
  ::LineTo(dc, p[2].x, p[2].y);
  ::SelectObject(dc, oldPen);
  ::SelectObject(dc, oldBrush);
  ::DeleteObject(pen);
  ::DeleteObject(fillPen);
  ::DeleteObject(fill);
}

class BalloonGdiTest : public HeadlessTest {};

TEST_F(BalloonGdiTest, BodyStemAndBaseLineMatchGdi) {
  Headless().RegistrySet(TBalloon::kRegistryKey, TBalloon::kPenValue, RegString("0xC8"));
  Headless().RegistrySet(TBalloon::kRegistryKey, TBalloon::kBackgroundValue, RegString("13172735"));
  auto* form = new TForm(&App());
  form->SetBorderStyle(bsNone);
  form->SetBounds(0, 0, 400, 300);
  form->SetColor(kFace);
  auto* balloon = new TBalloon(form);
  balloon->SetParent(form);
  ASSERT_EQ(balloon->PenColor(), kPen);
  ASSERT_EQ(balloon->BackgroundColor(), kFill);
  form->Show();

  std::vector<TShape> shapes;
  for (int32_t w : {40, 65, 121, 237})
    for (int32_t h : {17, 41, 84})
      for (int32_t corner : {0, 7, 14, 16, 30})
        shapes.push_back({w, h, corner, 12, 4, corner == 14 ? 8 : 0});
  shapes.push_back({100, 60, 16, 20, 9, -5});
  shapes.push_back({90, 50, 10, 5, 12, 3});

  int cases = 0, differ = 0;
  std::vector<std::string> examples;
  for (const TShape& s : shapes)
    for (TBalloonStemPos pos : {spLeft, spTop, spRight, spBottom}) {
      balloon->SetBounds(0, 0, s.Width, s.Height);
      balloon->SetCornerSize(s.Corner);
      balloon->SetStemSize(s.StemSize);
      balloon->SetStemWidth(s.StemWidth);
      balloon->SetStemOffset(s.StemOffset);
      balloon->SetStemPos(pos);
      form->Invalidate();
      App().ProcessMessages();
      const TBitmap& ours = Headless().ScreenBitmap();
      TDib dib(s.Width, s.Height);
      ASSERT_TRUE(dib.Valid());
      DrawWithGdi(dib, s, pos);
      ++cases;
      int count = 0;
      std::string where;
      for (int32_t y = 0; y < s.Height; ++y) {
        const uint8_t* g = dib.Row(y);
        for (int32_t x = 0; x < s.Width; ++x) {
          const TColor gc = RGB(g[3 * x + 2], g[3 * x + 1], g[3 * x]);
          if (gc == ours.Pixel(x, y)) continue;
          if (++count <= 4) where += " (" + std::to_string(x) + "," + std::to_string(y) + ")";
        }
      }
      if (count == 0) continue;
      ++differ;
      if (examples.size() < 8)
        examples.push_back("side " + std::to_string(int(pos)) + " " + std::to_string(s.Width) + "x" +
                           std::to_string(s.Height) + " corner " + std::to_string(s.Corner) + ": " +
                           std::to_string(count) + " pixels" + where);
    }
  std::printf("[cross-check] %-36s %6d cases, %4d differ\n", "balloon against GDI", cases, differ);
  for (const std::string& e : examples) std::printf("    %s\n", e.c_str());
  EXPECT_EQ(differ, 0);
}

}  // namespace
}  // namespace pictova
