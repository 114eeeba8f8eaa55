// The audio file reader: any file the platform's multimedia streams can play, delivered as
// PCM into memory the caller owns; with the result check of those streams and the probe
// that tells whether they are installed.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/Sound.h"

namespace pictova {

// Returns for 0; raises Exception with the code and its text for every other code.
void DShowCheck(HRESULT32 code);
// Whether a filter graph can be created; raises nothing.
bool DirectShowInstalled();

class TAudioFileReader {
 public:
  explicit TAudioFileReader(const std::string& fileName);
  ~TAudioFileReader();
  TAudioFileReader(const TAudioFileReader&) = delete;
  TAudioFileReader& operator=(const TAudioFileReader&) = delete;

  // Decodes the next sample into buffer; the bytes delivered (0 at the end).
  uint32_t Read(void* buffer, uint32_t size);
  void Seek(int64_t time);

  const TWaveFormatEx& Format() const { return FFormat; }
  const std::string& FileName() const { return FFileName; }
  int64_t Duration() const { return FDuration; }
  int64_t Position() const { return FPosition; }
  int64_t RangeStart() const { return FRangeStart; }
  int64_t RangeLength() const { return FRangeLength; }

 private:
  void Release();

  TWaveFormatEx FFormat;
  std::string FFileName;
  std::shared_ptr<IAMMultiMediaStream> FMMStream;
  std::shared_ptr<IAudioMediaStream> FAudioStream;
  std::shared_ptr<IMediaStream> FMediaStream;
  std::shared_ptr<IAudioStreamSample> FSample;
  std::shared_ptr<IAudioData> FAudioData;
  THandle FEvent = nullptr;
  int64_t FDuration = 0;
  void* FBufferAddress = nullptr;
  uint32_t FBufferSize = 0;
  int64_t FPosition = 0;
  int64_t FRangeStart = 0;
  int64_t FRangeLength = 0;
  // Set once the platform answered that an update cannot signal an event: updates are then
  // made synchronously.
  bool FSynchronous = false;
};

}  // namespace pictova
