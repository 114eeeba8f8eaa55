// Decoder of the CCITT bilevel codings that TIFF uses: modified Huffman (TIFF compression 2),
// Group 3 one- and two-dimensional (T.4, compression 3) and Group 4 (T.6, compression 4).
#pragma once

#include <cstdint>
#include <vector>

namespace pictova {

enum class TCcittMode {
  ModifiedHuffman,  // one-dimensional rows, each starting on a byte boundary, no EOL codes
  Group3,           // T.4: optional EOL before each row; 2-D rows when TwoDimensional is set
  Group4,           // T.6: every row two-dimensional against the previous one, no EOL codes
};

struct TCcittOptions {
  TCcittMode Mode = TCcittMode::ModifiedHuffman;
  bool TwoDimensional = false;  // Group 3 only: T4Options bit 0
  bool LsbFirst = false;        // FillOrder 2: the bits of each byte in reverse order
};

// Decodes the rows of one strip or tile, one after the other. Rows come out packed, first pixel
// in the most significant bit, 1 for black and 0 for white (the codes' own colours, which the
// file's photometric interpretation then maps to the screen).
class TCcittDecoder {
 public:
  TCcittDecoder(const uint8_t* data, int64_t size, int32_t width, const TCcittOptions& options);

  // Decodes the next row into row ((width + 7) / 8 bytes). False for a code that is not in the
  // tables, a run past the row's end, or data that ends inside the row; the decoder is then
  // done and later calls fail too.
  bool DecodeRow(uint8_t* row);

 private:
  uint32_t Peek(int count) const;
  void Skip(int count) { FBit += count; }
  bool Exhausted() const { return FBit > FSizeBits; }
  bool SkipEol();
  int DecodeRun(bool black);
  bool Decode1D();
  bool Decode2D();
  void AddChange(int32_t position);

  std::vector<uint8_t> FReversed;  // the data with each byte's bits reversed, for FillOrder 2
  const uint8_t* FData;
  int64_t FSizeBits;
  int64_t FBit = 0;
  int32_t FWidth;
  TCcittOptions FOptions;
  bool FFirstRow = true;
  bool FFailed = false;
  // Changing elements (positions where the colour changes, the first one to black) of the
  // previous row and of the row being decoded, each followed by sentinels at the width.
  std::vector<int32_t> FReference;
  std::vector<int32_t> FCurrent;
};

}  // namespace pictova
