// The mouse cursor: shape, the show-cursor counter and the pointer position.
#pragma once

#include <cstdint>

namespace pictova {

// Cursor shapes; the values are the framework's cursor constants.
enum TCursor : int16_t {
  crDefault = 0, crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4, crSizeNESW = -6,
  crSizeNS = -7, crSizeNWSE = -8, crSizeWE = -9, crUpArrow = -10, crHourGlass = -11,
  crDrag = -12, crNoDrop = -13, crHSplit = -14, crVSplit = -15, crMultiDrag = -16,
  crSQLWait = -17, crNo = -18, crAppStart = -19, crHelp = -20, crHandPoint = -21, crSizeAll = -22,
};

class ICursor {
 public:
  virtual ~ICursor() = default;
  // The show-cursor counter: +1 for true, -1 for false; the cursor shows while it is >= 0.
  // Returns the new count, as the platform's ShowCursor.
  virtual int ShowCursor(bool show) = 0;
  virtual int ShowCount() const = 0;
  virtual void SetShape(TCursor shape) = 0;
  virtual TCursor Shape() const = 0;
  // Pointer position in screen coordinates.
  virtual void GetPos(int32_t& x, int32_t& y) const = 0;
};

}  // namespace pictova
