// The token reader of PNM headers, shared by the content detector and the PNM reader.
#include "imageio/PnmTokens.h"

#include "rtl/Classes.h"

namespace pictova {

namespace {

bool IsAlnum(uint8_t c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

std::string TrimBlanks(const std::string& s) {
  size_t first = 0;
  while (first < s.size() && static_cast<uint8_t>(s[first]) <= ' ') ++first;
  size_t last = s.size();
  while (last > first && static_cast<uint8_t>(s[last - 1]) <= ' ') --last;
  return s.substr(first, last - first);
}

}  // namespace

TPnmTokenReader::TPnmTokenReader(TStream& stream)
    : FStream(stream), FBufferStart(stream.Position()) {}

bool TPnmTokenReader::NextChar(uint8_t& c) {
  if (FIndex >= FCount) {
    FBufferStart += FCount;
    FIndex = 0;
    FCount = FStream.Read(FBuffer, static_cast<int32_t>(sizeof(FBuffer)));
    if (FCount <= 0) {
      FCount = 0;
      return false;
    }
  }
  c = FBuffer[FIndex++];
  return true;
}

void TPnmTokenReader::SyncStream() { FStream.SetPosition(Position()); }

std::string TPnmTokenReader::NextToken() {
  uint8_t c = 0;
  do {
    if (!NextChar(c)) return {};
  } while (!IsAlnum(c) && c != '#');

  std::string token;
  if (c == '#') {
    std::string comment;
    while (NextChar(c) && c != '\n' && c != '\r') comment += static_cast<char>(c);
    return "#" + TrimBlanks(comment);
  }
  token += static_cast<char>(c);
  while (NextChar(c) && IsAlnum(c)) token += static_cast<char>(c);
  return token;
}

int32_t PnmTokenToInt(const std::string& token) {
  if (token.empty()) return -1;
  int64_t value = 0;
  for (char ch : token) {
    if (ch < '0' || ch > '9') return -1;
    value = value * 10 + (ch - '0');
    if (value > INT32_MAX) return -1;
  }
  return static_cast<int32_t>(value);
}

bool LooksLikePnm(TStream& stream) {
  constexpr int kMaxTokens = 501;
  TPnmTokenReader reader(stream);
  enum { kMagic, kWidth, kHeight } state = kMagic;
  int32_t width = -1;
  for (int examined = 0; examined < kMaxTokens; ++examined) {
    const std::string token = reader.NextToken();
    if (token.empty()) return false;
    if (token[0] == '#') continue;
    switch (state) {
      case kMagic:
        if (token.size() != 2 || token[0] != 'P' || token[1] < '1' || token[1] > '6') return false;
        state = kWidth;
        break;
      case kWidth:
        width = PnmTokenToInt(token);
        if (width != 0) state = kHeight;
        break;
      case kHeight: return width > 0 && PnmTokenToInt(token) > 0;
    }
  }
  return false;
}

}  // namespace pictova
