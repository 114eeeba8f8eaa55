// The entry points of the format readers, as the image I/O front calls them. Every reader takes
// the source stream (positioned at the image), the target bitmap, the parameters record, the
// parameters-only flag (fill the record, leave the bitmap alone) and the progress context.
// Readers never raise for bad data: they set the failure flag in the progress context.
#pragma once

#include <cstdint>

namespace pictova {

class TStream;
class TBitmap;
class TImageParams;
struct TProgressRec;

void ReadJpegStream(TStream& stream, TBitmap& bitmap, TImageParams& params, bool paramsOnly,
                    TProgressRec& progress);
void ReadPngStream(TStream& stream, TBitmap& bitmap, TImageParams& params, bool paramsOnly,
                   TProgressRec& progress);

// size: the data size, or 0 when the reader takes it from the file header.
void ReadBmpStream(TStream& stream, TBitmap& bitmap, TImageParams& params, bool paramsOnly,
                   TProgressRec& progress, int64_t size);
// Return the number of images met in the file.
int32_t ReadGifStream(TStream& stream, TBitmap& bitmap, TImageParams& params, bool paramsOnly,
                      TProgressRec& progress);
int32_t ReadTiffStream(TStream& stream, TBitmap& bitmap, TImageParams& params, bool paramsOnly,
                       TProgressRec& progress);
// size: the PCX data size (the whole stream's, or the length in a "PCX2" stream header).
void ReadPcxStream(TStream& stream, TBitmap& bitmap, TImageParams& params, bool paramsOnly,
                   TProgressRec& progress, int64_t size);
void ReadTgaStream(TStream& stream, TBitmap& bitmap, TImageParams& params, bool paramsOnly,
                   TProgressRec& progress);
void ReadPnmStream(TStream& stream, TBitmap& bitmap, TImageParams& params, bool paramsOnly,
                   TProgressRec& progress);
void ReadIcoStream(TStream& stream, TBitmap& bitmap, TImageParams& params, bool paramsOnly,
                   TProgressRec& progress);
void ReadCurStream(TStream& stream, TBitmap& bitmap, TImageParams& params, bool paramsOnly,
                   TProgressRec& progress);

}  // namespace pictova
