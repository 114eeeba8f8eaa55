// The published picture-show control.
#include "pictureshow/MyPictureShow.h"

namespace pictova {

TMyPictureShow::TMyPictureShow(TComponent* owner) : TQmPictureShow(owner) {}

}  // namespace pictova
