// IPTC records (record number, dataset number, data) and their parse from a JPEG APP13 marker.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pictova {

struct TIptcRecord {
  uint8_t RecordNumber = 0;
  uint8_t DataSetNumber = 0;
  std::vector<uint8_t> Data;
  bool operator==(const TIptcRecord&) const = default;
};

class TIptcList {
 public:
  int Count() const { return static_cast<int>(FItems.size()); }
  const TIptcRecord& operator[](int index) const { return FItems.at(static_cast<size_t>(index)); }
  void Add(TIptcRecord record) {
    FItems.push_back(std::move(record));
    FUserChanged = true;
  }
  void Clear() { FItems.clear(); }

  // Whether the list was edited since it was last read from an image.
  bool UserChanged() const { return FUserChanged; }
  void SetUserChanged(bool changed) { FUserChanged = changed; }

  // Appends the records of an APP13 marker's data (IPTC-NAA "IIM" records as Photoshop embeds
  // them): parsing starts at the first 1C byte; each record is 1C, record number, dataset
  // number, a 16-bit big-endian length and the data, where a length with its top bit set means
  // that a 32-bit big-endian length follows. Parsing stops at a byte other than 1C, when fewer
  // than five bytes follow the 1C, or at a record whose data would run past the end. The list
  // is then marked as not changed by the user.
  void ReadFromApp13(const uint8_t* data, int64_t size);

 private:
  std::vector<TIptcRecord> FItems;
  bool FUserChanged = false;
};

}  // namespace pictova
