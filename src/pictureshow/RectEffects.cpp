// Styles 1 to 57: every frame is one to four rectangle copies of the new picture, scaled where
// source and destination differ. The styles are a table of rectangle expressions over the
// frame's quantities (W, H, X, Y and a few divisions of them), evaluated per frame.
#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>

#include "gfx/Bitmap.h"
#include "gfx/Canvas.h"
#include "gfx/Stretch.h"
#include "pictureshow/Effects.h"
#include "rtl/Math.h"
#include "rtl/SysUtils.h"

namespace pictova {

TFrameGeometry MakeFrameGeometry(int32_t w, int32_t h, int32_t progress, int32_t step) {
  // Progress is a percentage and Step a percentage of it; the control never stores more.
  progress = std::clamp(progress, 0, 100);
  step = std::clamp(step, 0, 100);
  TFrameGeometry g;
  g.W = w;
  g.H = h;
  g.Step = step;
  g.Progress = progress;
  // The longer side takes the progress; the other follows it so that the revealed extents
  // keep the picture's aspect ratio.
  if (h <= w) {
    g.X = MulDiv(w, progress, 100);
    g.Y = MulDiv(g.X, h, w);
    g.J = MulDiv(w, step, 90);
  } else {
    g.Y = MulDiv(h, progress, 100);
    g.X = MulDiv(g.Y, w, h);
    g.J = MulDiv(h, step, 90);
  }
  return g;
}

namespace {

// The values a rectangle coordinate is built from. Integer divisions are not linear, so each
// one the styles use is a quantity of its own.
enum TQuantity {
  qOne,
  qW,
  qH,
  qX,
  qY,
  qFoldX,   // fold width of styles 14 and 15
  qFoldY,   // fold width of styles 31 and 32
  qXHalf,   // X div 2
  qYHalf,   // Y div 2
  qWHalf,   // W div 2
  qHHalf,   // H div 2
  qWSmear,  // W div 20
  qHSmear,  // H div 20
  qKHalf,   // (W - X) div 2
  qWXHalf,  // (W + X) div 2
  qLHalf,   // (H - Y) div 2
  qHYHalf,  // (H + Y) div 2
  kQuantityCount
};

// A coordinate as an integer combination of the quantities.
struct TExpr {
  std::array<int32_t, kQuantityCount> C{};

  constexpr TExpr() = default;
  // Implicit, so that the tables can write plain numbers.
  constexpr TExpr(int32_t constant) { C[qOne] = constant; }

  friend constexpr TExpr operator+(TExpr a, const TExpr& b) {
    for (int i = 0; i < kQuantityCount; ++i) a.C[i] += b.C[i];
    return a;
  }
  friend constexpr TExpr operator-(TExpr a, const TExpr& b) {
    for (int i = 0; i < kQuantityCount; ++i) a.C[i] -= b.C[i];
    return a;
  }
  friend constexpr TExpr operator-(const TExpr& a) { return TExpr() - a; }
  friend constexpr TExpr operator*(int32_t k, TExpr a) {
    for (auto& c : a.C) c *= k;
    return a;
  }
};

constexpr TExpr Q(TQuantity q) {
  TExpr e;
  e.C[q] = 1;
  return e;
}

// The names the style tables use.
constexpr TExpr W = Q(qW), H = Q(qH), X = Q(qX), Y = Q(qY);
constexpr TExpr K = W - X, L = H - Y;
constexpr TExpr Fx = Q(qFoldX), Fy = Q(qFoldY);
constexpr TExpr x = Q(qXHalf), y = Q(qYHalf), h = Q(qWHalf), v = Q(qHHalf);
constexpr TExpr W20 = Q(qWSmear), H20 = Q(qHSmear);
constexpr TExpr KHalf = Q(qKHalf), WXHalf = Q(qWXHalf), LHalf = Q(qLHalf), HYHalf = Q(qHYHalf);
// (X - W) div 2 and (Y - H) div 2: division truncating toward zero is odd-symmetric.
constexpr TExpr XWHalf = -KHalf, YHHalf = -LHalf;

struct TRectExpr {
  TExpr Left, Top, Right, Bottom;
};
constexpr TRectExpr R(TExpr l, TExpr t, TExpr r, TExpr b) { return {l, t, r, b}; }
constexpr TRectExpr kWhole = R(0, 0, W, H);

enum TCopyKind : uint8_t { ckStretch, ckMirrorH, ckMirrorV };

struct TCopyExpr {
  TRectExpr D;
  TRectExpr S;
  TCopyKind Kind = ckStretch;
};

// Copy forms: only D given (the whole picture squeezed into it), D = S (unscaled), both.
constexpr TCopyExpr Onto(TRectExpr d) { return {d, kWhole}; }
constexpr TCopyExpr Same(TRectExpr d) { return {d, d}; }
constexpr TCopyExpr Copy(TRectExpr d, TRectExpr s) { return {d, s}; }
constexpr TCopyExpr FoldH(TRectExpr d, TRectExpr s) { return {d, s, ckMirrorH}; }
constexpr TCopyExpr FoldV(TRectExpr d, TRectExpr s) { return {d, s, ckMirrorV}; }

constexpr int kMaxPieces = static_cast<int>(TRectPieces::kCapacity);

struct TStyleRow {
  int Style;
  int PieceCount;
  std::array<TCopyExpr, kMaxPieces> Pieces;
  TCopyExpr Final;
};

constexpr TStyleRow Row(int style, TCopyExpr final) { return {style, 0, {}, final}; }
constexpr TStyleRow Row(int style, TCopyExpr p1, TCopyExpr final) {
  return {style, 1, {p1}, final};
}
constexpr TStyleRow Row(int style, TCopyExpr p1, TCopyExpr p2, TCopyExpr p3, TCopyExpr final) {
  return {style, 3, {p1, p2, p3}, final};
}

constexpr std::array<TStyleRow, 57> kStyles = {{
    // Horizontal: every rectangle spans the full height.
    Row(1, Onto(R(K, 0, W, H))),
    Row(2, Onto(R(0, 0, X, H))),
    Row(3, Onto(R(K, 0, 2 * W - X, H))),
    Row(4, Onto(R(X - W, 0, X, H))),
    Row(5, Same(R(0, 0, X, H))),
    Row(6, Same(R(K, 0, W, H))),
    Row(7, Copy(R(0, 0, 2 * W - X, H), R(0, 0, X, H))),
    Row(8, Copy(R(X - W, 0, W, H), R(K, 0, W, H))),
    Row(9, Copy(R(X - W, 0, 2 * W - X, H), R(KHalf, 0, WXHalf, H))),
    Row(10, Onto(R(KHalf, 0, WXHalf, H))),
    Row(11, Same(R(KHalf, 0, WXHalf, H))),
    Row(12, Same(R(0, 0, x + 1, H)), Same(R(W - x - 1, 0, W, H))),
    Row(13, Copy(R(0, 0, x + 1, H), R(0, 0, h + 1, H)), Copy(R(W - x - 1, 0, W, H), R(h, 0, W, H))),
    Row(14, FoldH(R(X, 0, X + Fx, H), R(X + Fx, 0, X + 2 * Fx, H)), Same(R(0, 0, X, H))),
    Row(15, FoldH(R(K - Fx, 0, K, H), R(K - 2 * Fx, 0, K - Fx, H)), Same(R(K, 0, W, H))),
    Row(16, Same(R(0, 0, X, H)), Copy(R(X, 0, W, H), R(X, 0, X + W20, H))),
    Row(17, Same(R(K, 0, W, H)), Copy(R(0, 0, K, H), R(K - W20, 0, K, H))),
    // Vertical: the same with the axes exchanged; every rectangle spans the full width.
    Row(18, Onto(R(0, L, W, H))),
    Row(19, Onto(R(0, 0, W, Y))),
    Row(20, Onto(R(0, L, W, 2 * H - Y))),
    Row(21, Onto(R(0, Y - H, W, Y))),
    Row(22, Same(R(0, 0, W, Y))),
    Row(23, Same(R(0, L, W, H))),
    Row(24, Copy(R(0, 0, W, 2 * H - Y), R(0, 0, W, Y))),
    Row(25, Copy(R(0, Y - H, W, H), R(0, L, W, H))),
    Row(26, Copy(R(0, Y - H, W, 2 * H - Y), R(0, LHalf, W, HYHalf))),
    Row(27, Onto(R(0, LHalf, W, HYHalf))),
    Row(28, Same(R(0, LHalf, W, HYHalf))),
    Row(29, Same(R(0, 0, W, y + 1)), Same(R(0, H - y - 1, W, H))),
    Row(30, Copy(R(0, 0, W, y + 1), R(0, 0, W, v + 1)), Copy(R(0, H - y - 1, W, H), R(0, v, W, H))),
    Row(31, FoldV(R(0, Y, W, Y + Fy), R(0, Y + Fy, W, Y + 2 * Fy)), Same(R(0, 0, W, Y))),
    Row(32, FoldV(R(0, L - Fy, W, L), R(0, L - 2 * Fy, W, L - Fy)), Same(R(0, L, W, H))),
    Row(33, Same(R(0, 0, W, Y)), Copy(R(0, Y, W, H), R(0, Y, W, Y + H20))),
    Row(34, Same(R(0, L, W, H)), Copy(R(0, 0, W, L), R(0, L - H20, W, L))),
    // Both axes: corners and centre.
    Row(35, Onto(R(K, L, W, H))),
    Row(36, Onto(R(K, 0, W, Y))),
    Row(37, Onto(R(0, 0, X, Y))),
    Row(38, Onto(R(0, L, X, H))),
    Row(39, Onto(R(K, L, 2 * W - X, 2 * H - Y))),
    Row(40, Onto(R(K, Y - H, 2 * W - X, Y))),
    Row(41, Onto(R(X - W, Y - H, X, Y))),
    Row(42, Onto(R(X - W, L, X, 2 * H - Y))),
    Row(43, Same(R(0, 0, X, Y))),
    Row(44, Same(R(0, L, X, H))),
    Row(45, Same(R(K, L, W, H))),
    Row(46, Same(R(K, 0, W, Y))),
    Row(47, Copy(R(0, 0, 2 * W - X, 2 * H - Y), R(0, 0, X, Y))),
    Row(48, Copy(R(0, Y - H, 2 * W - X, H), R(0, L, X, H))),
    Row(49, Copy(R(X - W, Y - H, W, H), R(K, L, W, H))),
    Row(50, Copy(R(X - W, 0, W, 2 * H - Y), R(K, 0, W, Y))),
    Row(51, Copy(R(X - W, Y - H, 2 * W - X, 2 * H - Y), R(KHalf, LHalf, WXHalf, HYHalf))),
    Row(52, Onto(R(KHalf, LHalf, WXHalf, HYHalf))),
    Row(53, Same(R(KHalf, LHalf, WXHalf, HYHalf))),
    // Four pieces: three drawn first, then the final copy.
    Row(54, Same(R(0, 0, W, y)), Same(R(0, H - y, W, H)), Same(R(0, 0, x, H)),
        Same(R(W - x, 0, W, H))),
    Row(55, Same(R(0, 0, x + 1, y + 1)), Same(R(0, H - y - 1, x + 1, H)),
        Same(R(W - x - 1, H - y - 1, W, H)), Same(R(W - x - 1, 0, W, y + 1))),
    Row(56, Copy(R(0, 0, x + 1, y + 1), R(0, 0, h + 1, v + 1)),
        Copy(R(0, H - y, x + 1, H), R(0, v + 1, h + 1, H)),
        Copy(R(W - x, H - y, W, H), R(h + 1, v + 1, W, H)),
        Copy(R(W - x, 0, W, y + 1), R(h + 1, 0, W, v + 1))),
    Row(57, Copy(R(XWHalf, 0, x + 1, v + 1), R(0, 0, h + 1, v + 1)),
        Copy(R(h - 1, YHHalf, W, y + 1), R(h - 1, 0, W, v + 1)),
        Copy(R(W - x, v - 1, W + KHalf, H), R(h + 1, v - 1, W, H)),
        Copy(R(0, H - y, h + 1, H + LHalf), R(0, v + 1, h + 1, H))),
}};

constexpr bool RowsInOrder() {
  for (size_t i = 0; i < kStyles.size(); ++i)
    if (kStyles[i].Style != static_cast<int>(i) + 1) return false;
  return true;
}
static_assert(RowsInOrder(), "the style table must list styles 1 to 57 in order");

// F grows with the reveal at the start, holds a tenth of the side in the middle and shrinks
// to nothing at the end.
int64_t FoldWidth(int64_t reveal, int64_t side) {
  if (reveal < side / 5) return reveal / 2;
  if (reveal + side / 5 > side) return (side - reveal) / 2;
  return side / 10;
}

using TValues = std::array<int64_t, kQuantityCount>;

TValues Quantities(const TFrameGeometry& g) {
  // 64 bits: a hand-made geometry with extreme values must not overflow while evaluating.
  const int64_t w = g.W, hh = g.H, xx = g.X, yy = g.Y;
  TValues q{};
  q[qOne] = 1;
  q[qW] = w;
  q[qH] = hh;
  q[qX] = xx;
  q[qY] = yy;
  q[qFoldX] = FoldWidth(g.X, g.W);
  q[qFoldY] = FoldWidth(g.Y, g.H);
  q[qXHalf] = xx / 2;
  q[qYHalf] = yy / 2;
  q[qWHalf] = w / 2;
  q[qHHalf] = hh / 2;
  q[qWSmear] = w / 20;
  q[qHSmear] = hh / 20;
  q[qKHalf] = (w - xx) / 2;
  q[qWXHalf] = (w + xx) / 2;
  q[qLHalf] = (hh - yy) / 2;
  q[qHYHalf] = (hh + yy) / 2;
  return q;
}

// Coordinates of real pictures stay within a few times the largest bitmap side. A hand-made
// geometry may ask for more; the cap keeps extents and the mirror's one-pixel exchanges
// inside 32 bits.
constexpr int64_t kCoordinateLimit = int64_t{1} << 29;

int32_t Eval(const TExpr& e, const TValues& q) {
  int64_t sum = 0;
  for (int i = 0; i < kQuantityCount; ++i) sum += static_cast<int64_t>(e.C[i]) * q[i];
  return static_cast<int32_t>(std::clamp(sum, -kCoordinateLimit, kCoordinateLimit));
}

TRect Eval(const TRectExpr& r, const TValues& q) {
  return {Eval(r.Left, q), Eval(r.Top, q), Eval(r.Right, q), Eval(r.Bottom, q)};
}

TRectPiece Eval(const TCopyExpr& c, const TValues& q) {
  TRectPiece piece;
  piece.D = Eval(c.D, q);
  piece.S = Eval(c.S, q);
  piece.Mirror = c.Kind != ckStretch;
  piece.MirrorH = c.Kind == ckMirrorH;
  piece.MirrorV = c.Kind == ckMirrorV;
  return piece;
}

}  // namespace

TRectFrame RectEffect(int style, const TFrameGeometry& g) {
  if (style < 1 || style > static_cast<int>(kStyles.size()))
    throw Exception(Format("Style %d is not a rectangle style", style));
  const TStyleRow& row = kStyles[static_cast<size_t>(style - 1)];
  const TValues q = Quantities(g);
  TRectFrame frame;
  for (int i = 0; i < row.PieceCount; ++i) frame.Pieces.push_back(Eval(row.Pieces[i], q));
  const TRectPiece final = Eval(row.Final, q);
  frame.D = final.D;
  frame.S = final.S;
  return frame;
}

void DrawPiece(TCanvas& target, const TBitmap& source, const TRectPiece& piece) {
  if (piece.Mirror)
    MirrorStretch(target, piece.D, source, piece.S, piece.MirrorH, piece.MirrorV);
  else
    StretchPiece(target, piece.D, source, piece.S);
}

namespace {

// The platform's stretch transfer from a start and an extent per axis. Extents that do not
// fit in 32 bits (only a caller's absurd rectangle gives them) draw nothing.
void StretchExtents(TCanvas& target, int64_t x, int64_t y, int64_t w, int64_t h,
                    const TBitmap& source, int64_t sx, int64_t sy, int64_t sw, int64_t sh) {
  for (const int64_t v : {x, y, w, h, sx, sy, sw, sh})
    if (v < INT32_MIN || v > INT32_MAX) return;
  target.StretchBlt(static_cast<int32_t>(x), static_cast<int32_t>(y), static_cast<int32_t>(w),
                    static_cast<int32_t>(h), source, static_cast<int32_t>(sx),
                    static_cast<int32_t>(sy), static_cast<int32_t>(sw), static_cast<int32_t>(sh));
}

}  // namespace

void StretchPiece(TCanvas& target, const TRect& d, const TBitmap& source, const TRect& s) {
  StretchExtents(target, d.Left, d.Top, int64_t{d.Right} - d.Left, int64_t{d.Bottom} - d.Top,
                 source, s.Left, s.Top, int64_t{s.Right} - s.Left, int64_t{s.Bottom} - s.Top);
}

namespace {

// The fold's destination run with its edges exchanged on the mirrored axis. The exchanged
// edges lie one pixel outside D at each end. A backwards extent covers its start pixel, so
// the mirrored copy covers D.Left to D.Right + 1: the F columns (rows) of the source spread
// over F + 2, two of them past D's far edge.
struct TMirrorRun {
  int64_t Left, Top, Right, Bottom;
};
TMirrorRun MirrorRun(const TRect& d, bool mirrorH, bool mirrorV) {
  TMirrorRun r{d.Left, d.Top, d.Right, d.Bottom};
  if (mirrorH) {
    r.Left = int64_t{d.Right} + 1;
    r.Right = int64_t{d.Left} - 1;
  }
  if (mirrorV) {
    r.Top = int64_t{d.Bottom} + 1;
    r.Bottom = int64_t{d.Top} - 1;
  }
  return r;
}

}  // namespace

void MirrorStretch(TCanvas& target, TRect d, const TBitmap& source, TRect s, bool mirrorH,
                   bool mirrorV) {
  s.Left = std::max(s.Left, 0);
  s.Top = std::max(s.Top, 0);
  s.Right = std::min(s.Right, source.Width());
  s.Bottom = std::min(s.Bottom, source.Height());
  // Nothing of the source is left; a reversed source extent would mirror the wrong pixels.
  if (s.Right <= s.Left || s.Bottom <= s.Top) return;
  const TMirrorRun r = MirrorRun(d, mirrorH, mirrorV);
  StretchExtents(target, r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top, source, s.Left, s.Top,
                 s.Right - s.Left, s.Bottom - s.Top);
}

TRect PieceBounds(const TRectPiece& piece) {
  const TMirrorRun r = piece.Mirror ? MirrorRun(piece.D, piece.MirrorH, piece.MirrorV)
                                    : TMirrorRun{piece.D.Left, piece.D.Top, piece.D.Right, piece.D.Bottom};
  return StretchDestBounds(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
}

}  // namespace pictova
