// Readers whose decoders are not written yet: each one reports failure through the flag and
// leaves the bitmap and the record as they were, as for a format without a reader. Each moves
// to its own file when its decoder arrives.
#include "imageio/ImageParams.h"
#include "imageio/ReaderSupport.h"
#include "imageio/Readers.h"

namespace pictova {

void ReadBmpStream(TStream&, TBitmap&, TImageParams&, bool, TProgressRec& progress, int64_t) {
  progress.Fail();
}

void ReadPcxStream(TStream&, TBitmap&, TImageParams&, bool, TProgressRec& progress, int64_t) {
  progress.Fail();
}

void ReadTgaStream(TStream&, TBitmap&, TImageParams&, bool, TProgressRec& progress) {
  progress.Fail();
}

void ReadPnmStream(TStream&, TBitmap&, TImageParams&, bool, TProgressRec& progress) {
  progress.Fail();
}

void ReadIcoStream(TStream&, TBitmap&, TImageParams&, bool, TProgressRec& progress) {
  progress.Fail();
}

void ReadCurStream(TStream&, TBitmap&, TImageParams&, bool, TProgressRec& progress) {
  progress.Fail();
}

}  // namespace pictova
