// The LZW routine slots of the GIF and TIFF readers. The registry starts with our own decoders
// (imageio/Lzw.h) in them; with a slot emptied, GIF images or LZW-compressed TIFF images fail
// to decode with the failure flag set.
#pragma once

#include <cstdint>

namespace pictova {

class TStream;

// Decompresses one GIF image: the stream stands at the LZW minimum code size byte; the routine
// consumes the code size byte and every data sub-block, and fills output (width × height bytes)
// with one colour index per pixel, rows from the top, undoing the interlacing when asked. A
// call that leaves the stream position where it was counts as failure.
using TGifDecodeHook = void (*)(TStream& stream, int32_t height, int32_t width, uint8_t* output,
                                bool interlaced);

// Decompresses the next row of a TIFF LZW strip. data and dataSize are the whole strip (the
// size keeps the routine inside it); wanted is the row length in bytes; state is 0 at the start
// of each strip and belongs to the routine. Returns the decoded row, or nullptr on failure.
// After the strip it is called once with data nullptr and wanted 0 to release its state.
using TTiffDecodeHook = const uint8_t* (*)(const uint8_t* data, int64_t dataSize, int32_t wanted,
                                           intptr_t* state);

// The compression side, for writers: this system writes no GIF or TIFF, so nothing calls them.
using TGifEncodeHook = void (*)(TStream& stream, int32_t height, int32_t width,
                                const uint8_t* pixels, bool interlaced, int32_t bitsPerPixel);
using TTiffEncodeHook = int32_t (*)(const uint8_t* row, int32_t length, TStream& stream,
                                    intptr_t* state);

// The process-wide routines that every new parameters record copies.
struct TLzwHooks {
  TGifDecodeHook GifDecode = nullptr;
  TGifEncodeHook GifEncode = nullptr;
  TTiffDecodeHook TiffDecode = nullptr;
  TTiffEncodeHook TiffEncode = nullptr;
};

}  // namespace pictova
