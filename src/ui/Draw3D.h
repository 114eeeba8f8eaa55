// The classic 3-D look: bevel frames, button faces, sunken borders, focus rectangles.
#pragma once

#include "gfx/Canvas.h"
#include "gfx/Font.h"

namespace pictova {

// Draws `width` nested one-pixel frames: left and top edges in topColor, right and bottom
// in bottomColor (the top-right and bottom-left corners take bottomColor), and shrinks
// rect by width on every side.
void Frame3D(TCanvas& canvas, TRect& rect, TColor topColor, TColor bottomColor, int32_t width);

// The two-pixel sunken border of edit and list boxes; shrinks rect by 2.
void DrawSunkenBorder(TCanvas& canvas, TRect& rect);

// A push button face: raised, or pressed in; a default button gets a black outline first.
// Shrinks rect to the face inside the edges.
void DrawButtonFace(TCanvas& canvas, TRect& rect, bool pressed, bool isDefault, TColor face);

// The dotted focus rectangle: every other pixel of the outline inverted.
void DrawFocusRect(TCanvas& canvas, const TRect& rect);

// Caption text as a disabled control shows it: embossed in highlight and shadow.
void DrawDisabledText(TCanvas& canvas, const TFont& font, const std::string& text, TRect rect, uint32_t format);

}  // namespace pictova
