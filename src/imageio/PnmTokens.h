// The token reader of PNM headers, shared by the content detector and the PNM reader.
#pragma once

#include <cstdint>
#include <string>

namespace pictova {

class TStream;

// Reads a stream character by character (through a block buffer). Characters other than ASCII
// letters, digits and "#" separate tokens. "#" starts a comment that runs to the next line feed
// or carriage return (or the end): its token is "#" followed by the comment trimmed of blanks.
// Any other token is a run of letters and digits; the character that ends the run is consumed
// with it. At the end of the stream the token is empty.
class TPnmTokenReader {
 public:
  explicit TPnmTokenReader(TStream& stream);

  std::string NextToken();
  // Reads one character; false at the end of the stream.
  bool NextChar(uint8_t& c);
  // The stream position just after the last character consumed; SyncStream moves the stream
  // there (the buffer reads ahead).
  int64_t Position() const { return FBufferStart + FIndex; }
  void SyncStream();

 private:
  TStream& FStream;
  int64_t FBufferStart;
  int32_t FCount = 0;
  int32_t FIndex = 0;
  uint8_t FBuffer[4096];
};

// A token as a decimal integer, or -1 when it is not one (or does not fit in 32 bits).
int32_t PnmTokenToInt(const std::string& token);

// The PNM content test: the first token that is not a comment must be "P1" to "P6"; the next
// is the width (a width of 0 is skipped) and the one after it the height; at most 501 tokens
// are examined. Yes when both are above 0. Reads from the current position and leaves the
// stream wherever the tokens ended.
bool LooksLikePnm(TStream& stream);

}  // namespace pictova
