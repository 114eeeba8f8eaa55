// Readers whose decoders are not written yet: each one reports failure through the flag and
// leaves the bitmap and the record as they were, as for a format without a reader. Each moves
// to its own file when its decoder arrives.
#include "imageio/ImageParams.h"
#include "imageio/ReaderSupport.h"
#include "imageio/Readers.h"

namespace pictova {

int32_t ReadGifStream(TStream&, TBitmap&, TImageParams&, bool, TProgressRec& progress) {
  progress.Fail();
  return 0;
}

int32_t ReadTiffStream(TStream&, TBitmap&, TImageParams&, bool, TProgressRec& progress) {
  progress.Fail();
  return 0;
}

}  // namespace pictova
