// The picture-show control as forms use it: publishes the properties and events of
// TQmPictureShow and adds no behaviour.
#pragma once

#include "pictureshow/QmPictureShow.h"

namespace pictova {

// Published: Picture, BgPicture, BgMode, AutoSize, Center, Stretch, StretchFine, Threaded,
// ThreadPriority, Manual, Style, Step, Delay, Reverse, Color and the inherited Align,
// Enabled, ParentColor, ShowHint, Visible, Width, Height; the events OnChange, OnProgress,
// OnComplete, OnCustomDraw, OnBeforeNewFrame, OnAfterNewFrame, OnMouseEnter, OnMouseLeave
// and the inherited mouse and click events. Every property of the framework's classes is
// public already, so publishing needs no code; the framework has no drag-and-drop or popup
// menus, so those inherited properties do not exist here.
class TMyPictureShow : public TQmPictureShow {
 public:
  explicit TMyPictureShow(TComponent* owner);
};

}  // namespace pictova
