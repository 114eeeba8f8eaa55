// Blinds and ragged-edge transitions: clip regions made of 5-pixel strips, rebuilt every frame.
#include <array>
#include <vector>

#include "pictureshow/RegionEffects.h"
#include "rtl/Random.h"

namespace pictova {
namespace {

constexpr int32_t kStrip = 5;

// Collects a frame's strips. Every builder pass that runs adds at least one rectangle (possibly
// an empty one), which is what separates an empty region from "no region at all".
class TStripSet {
 public:
  // A row strip [x1, x2) x [y1, y2), or for a column pass the same with the axes swapped, so
  // one routine serves both passes.
  void Add(bool columns, int32_t along1, int32_t across1, int32_t along2, int32_t across2) {
    if (columns)
      FRects.push_back({across1, along1, across2, along2});
    else
      FRects.push_back({along1, across1, along2, across2});
  }
  std::optional<TRegion> Build() const {
    if (FRects.empty()) return std::nullopt;
    return UnionOfRects(FRects);
  }

 private:
  std::vector<TRect> FRects;
};

// One blinds pass. For row strips: extent a across the width `len`, strips stacked over
// `depth` rows; a column pass is the same with the axes swapped.
void AddBlinds(TStripSet& set, bool columns, int32_t a, int32_t len, int32_t depth, int32_t snap, int mode) {
  if (mode == 0) return;
  if (a > len) {
    // Second phase: the even strips are complete and the odd ones grow.
    for (int32_t i = kStrip; i < depth + kStrip; i += 2 * kStrip) {
      set.Add(columns, 0, i - kStrip, len, i);
      if (mode == 1 || mode == 4)
        set.Add(columns, 2 * len - a, i, len, i + kStrip);
      else if (mode == 2 || mode == 5)
        set.Add(columns, 0, i, a - len, i + kStrip);
    }
    return;
  }
  // First phase; strips within the snap distance of complete are shown complete.
  if (a + snap > len) a = len;
  for (int32_t i = 0; i < depth + kStrip; i += 2 * kStrip) {
    switch (mode) {
      case 1:
      case 5:
        set.Add(columns, len - a, i, len, i + kStrip);
        break;
      case 2:
      case 4:
        set.Add(columns, 0, i, a, i + kStrip);
        break;
      case 3:
        set.Add(columns, len - a, i, len, i + kStrip);
        set.Add(columns, 0, i + kStrip, a, i + 2 * kStrip);
        break;
      default:
        break;
    }
  }
}

// Random(r) - Random(r), the first draw minus the second (sequenced explicitly: the order of
// the two calls decides the sign).
int32_t Jitter(int32_t r) {
  const int32_t first = Random(r);
  const int32_t second = Random(r);
  return first - second;
}

// One ragged pass. Strips start every 5 pixels below `depth` and are 5 + depth mod 5 deep, so
// they overlap when depth is not a multiple of 5 and the last one reaches the far side.
void AddJagged(TStripSet& set, bool columns, int32_t a, int32_t len, int32_t depth, int mode) {
  if (mode == 0) return;
  const int32_t r = a < len ? len / 7 : 0;
  const int32_t thick = kStrip + depth % kStrip;
  for (int32_t off = 0; off < depth; off += kStrip) {
    const int32_t end = off + thick;
    switch (mode) {
      case 1:
        set.Add(columns, len - a + Jitter(r), off, len, end);
        break;
      case 2:
        set.Add(columns, 0, off, a + Jitter(r), end);
        break;
      case 3: {
        const int32_t j1 = Jitter(r);
        set.Add(columns, (len - a + j1) / 2, off, len / 2, end);
        const int32_t j2 = Jitter(r);
        set.Add(columns, len / 2, off, (len + a + j2) / 2, end);
        break;
      }
      default: {
        const int32_t j1 = Jitter(r);
        set.Add(columns, len - (a + j1) / 2, off, len, end);
        const int32_t j2 = Jitter(r);
        set.Add(columns, 0, off, (a + j2) / 2, end);
        break;
      }
    }
  }
}

int32_t JaggedPassCalls(int32_t depth, int mode) {
  if (mode == 0 || depth <= 0) return 0;
  const int32_t strips = (depth + kStrip - 1) / kStrip;
  return strips * (mode == 1 || mode == 2 ? 2 : 4);
}

enum class TStripKind : uint8_t { Blinds, Lattice, Jagged };

// One style's builder arguments: A = AX * X, B = BY * Y, the modes, and whether the snap
// distance J applies.
struct TStripStyle {
  uint8_t Style;
  TStripKind Kind;
  uint8_t AX;
  uint8_t BY;
  uint8_t HMode;
  uint8_t VMode;
  bool Snap;
};

using K = TStripKind;
constexpr std::array<TStripStyle, 42> kStripStyles{{
    {60, K::Blinds, 2, 0, 1, 0, true},   {61, K::Blinds, 2, 0, 2, 0, true},
    {62, K::Blinds, 2, 0, 4, 0, true},   {63, K::Blinds, 2, 0, 5, 0, true},
    {64, K::Blinds, 1, 0, 3, 0, false},  {65, K::Jagged, 1, 0, 1, 0, false},
    {66, K::Jagged, 1, 0, 2, 0, false},  {67, K::Jagged, 1, 0, 3, 0, false},
    {68, K::Jagged, 1, 0, 4, 0, false},  {71, K::Blinds, 0, 2, 0, 1, true},
    {72, K::Blinds, 0, 2, 0, 2, true},   {73, K::Blinds, 0, 2, 0, 4, true},
    {74, K::Blinds, 0, 2, 0, 5, true},   {75, K::Blinds, 0, 1, 0, 3, false},
    {76, K::Jagged, 0, 1, 0, 1, false},  {77, K::Jagged, 0, 1, 0, 2, false},
    {78, K::Jagged, 0, 1, 0, 3, false},  {79, K::Jagged, 0, 1, 0, 4, false},
    {86, K::Blinds, 2, 2, 1, 1, true},   {87, K::Blinds, 2, 2, 1, 2, true},
    {88, K::Blinds, 2, 2, 2, 1, true},   {89, K::Blinds, 2, 2, 2, 2, true},
    {90, K::Blinds, 2, 2, 4, 4, true},   {91, K::Blinds, 2, 2, 4, 5, true},
    {92, K::Blinds, 2, 2, 5, 4, true},   {93, K::Blinds, 2, 2, 5, 5, true},
    {94, K::Blinds, 1, 1, 1, 3, true},   {95, K::Blinds, 1, 1, 2, 3, true},
    {96, K::Blinds, 1, 1, 3, 1, true},   {97, K::Blinds, 1, 1, 3, 2, true},
    {98, K::Blinds, 1, 1, 3, 3, false},  {99, K::Lattice, 2, 2, 0, 0, true},
    {100, K::Jagged, 1, 1, 1, 1, false}, {101, K::Jagged, 1, 1, 1, 2, false},
    {102, K::Jagged, 1, 1, 2, 1, false}, {103, K::Jagged, 1, 1, 2, 2, false},
    {104, K::Jagged, 1, 1, 1, 3, false}, {105, K::Jagged, 1, 1, 2, 3, false},
    {106, K::Jagged, 1, 1, 3, 1, false}, {107, K::Jagged, 1, 1, 3, 2, false},
    {108, K::Jagged, 1, 1, 3, 3, false}, {109, K::Jagged, 1, 1, 4, 4, false},
}};

const TStripStyle* FindStripStyle(int style) {
  for (const TStripStyle& s : kStripStyles)
    if (s.Style == style) return &s;
  return nullptr;
}

}  // namespace

std::optional<TRegion> StripRegion(int32_t a, int32_t b, int32_t w, int32_t h, int32_t j, int hmode,
                                   int vmode) {
  TStripSet set;
  AddBlinds(set, false, a, w, h, j, hmode);
  AddBlinds(set, true, b, h, w, j, vmode);
  return set.Build();
}

std::optional<TRegion> JaggedRegion(int32_t a, int32_t b, int32_t w, int32_t h, int hmode, int vmode) {
  TStripSet set;
  AddJagged(set, false, a, w, h, hmode);
  AddJagged(set, true, b, h, w, vmode);
  return set.Build();
}

int32_t JaggedRandomCalls(int32_t w, int32_t h, int hmode, int vmode) {
  return JaggedPassCalls(h, hmode) + JaggedPassCalls(w, vmode);
}

bool IsStripStyle(int style) { return FindStripStyle(style) != nullptr; }

std::optional<TRegion> StripEffect(int style, const TFrameGeometry& g) {
  const TStripStyle* s = FindStripStyle(style);
  if (s == nullptr) return std::nullopt;
  const int32_t a = s->AX * g.X;
  const int32_t b = s->BY * g.Y;
  const int32_t j = s->Snap ? g.J : 0;
  switch (s->Kind) {
    case K::Blinds:
      return StripRegion(a, b, g.W, g.H, j, s->HMode, s->VMode);
    case K::Jagged:
      return JaggedRegion(a, b, g.W, g.H, s->HMode, s->VMode);
    case K::Lattice: {
      // Where the blinds from the right and bottom meet those from the left and top.
      std::optional<TRegion> first = StripRegion(a, b, g.W, g.H, j, 1, 1);
      std::optional<TRegion> second = StripRegion(a, b, g.W, g.H, j, 2, 2);
      if (!first || !second) return TRegion();
      second->CombineWith(*first, RGN_AND);
      return second;
    }
  }
  return std::nullopt;
}

}  // namespace pictova
