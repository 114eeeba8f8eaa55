// IPTC records and their parse from a JPEG APP13 marker.
#include "imageio/Iptc.h"

namespace pictova {

void TIptcList::ReadFromApp13(const uint8_t* data, int64_t size) {
  int64_t pos = 0;
  while (pos < size && data[pos] != 0x1C) ++pos;
  while (pos < size && data[pos] == 0x1C) {
    if (size - pos - 1 < 5) break;
    TIptcRecord record;
    record.RecordNumber = data[pos + 1];
    record.DataSetNumber = data[pos + 2];
    uint64_t length = (static_cast<uint64_t>(data[pos + 3]) << 8) | data[pos + 4];
    int64_t dataStart = pos + 5;
    if (length & 0x8000) {
      // Extended dataset: the next four bytes hold the length.
      if (size - dataStart < 4) break;
      length = (static_cast<uint64_t>(data[dataStart]) << 24) |
               (static_cast<uint64_t>(data[dataStart + 1]) << 16) |
               (static_cast<uint64_t>(data[dataStart + 2]) << 8) | data[dataStart + 3];
      dataStart += 4;
    }
    if (length > static_cast<uint64_t>(size - dataStart)) break;
    record.Data.assign(data + dataStart, data + dataStart + static_cast<int64_t>(length));
    FItems.push_back(std::move(record));
    pos = dataStart + static_cast<int64_t>(length);
  }
  FUserChanged = false;
}

}  // namespace pictova
