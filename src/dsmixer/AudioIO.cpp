// The audio file reader over the platform's multimedia streams.
#include "dsmixer/AudioIO.h"

#include "platform/Platform.h"
#include "rtl/Ansi.h"
#include "rtl/SysUtils.h"

namespace pictova {

namespace {

const char* KnownText(uint32_t code) {
  switch (code) {
    case 0x00040001: return "The asynchronous update is pending.";
    case 0x00040002: return "Sample was not updated after forced completion.";
    case 0x00040003: return "Reached the end of the stream; the sample wasn't updated.";
    case 0x80004002: return "No interface.";
    case 0x80004003: return "This method tried to access an invalid pointer.";
    case 0x80004004: return "The update aborted.";
    case 0x80040110: return "This class cannot be created as part of an aggregate.";
    case 0x80040154: return "A specified class is not registered in the registration database.";
    case 0x80040401:
      return "An IMediaStream object could not be removed from an IMultiMediaStream object because it still contains "
             "at least one allocated sample.";
    case 0x80040402: return "The specified purpose ID can't be used for the call.";
    case 0x80040403: return "No stream can be found with the specified attributes.";
    case 0x80040404: return "One or more media streams don't support seeking.";
    case 0x80040405: return "The stream formats are not compatible.";
    case 0x80040406: return "This sample already has a pending update.";
    case 0x80040407:
      return "The object can't accept the call because its initialize function or equivalent has not been called.";
    case 0x80040408: return "Source already defined.";
    case 0x80040409: return "The stream type is not valid for this operation.";
    case 0x8004040A: return "The IMultiMediaStream object is not in running state.";
    case 0x80070057: return "One of the parameters is invalid.";
    default: return nullptr;
  }
}

IMultimediaStreams& Streams() {
  IMultimediaStreams* streams = Platform().MediaStreams();
  if (streams == nullptr) DShowCheck(REGDB_E_CLASSNOTREG32);
  return *streams;
}

// An ANSI file name as the UTF-16 text the streams open.
std::u16string AnsiToUtf16(const std::string& ansi) {
  const std::string utf8 = Cp1252ToUtf8(ansi);
  std::u16string out;
  for (size_t i = 0; i < utf8.size();) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    uint32_t cp;
    int extra;
    if (c < 0x80) { cp = c; extra = 0; }
    else if (c < 0xE0) { cp = c & 0x1F; extra = 1; }
    else if (c < 0xF0) { cp = c & 0x0F; extra = 2; }
    else { cp = c & 0x07; extra = 3; }
    ++i;
    for (int k = 0; k < extra && i < utf8.size(); ++k, ++i) cp = (cp << 6) | (static_cast<unsigned char>(utf8[i]) & 0x3F);
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
  }
  return out;
}

}  // namespace

void DShowCheck(HRESULT32 code) {
  if (code == 0) return;
  const uint32_t u = static_cast<uint32_t>(code);
  std::string text;
  if (const char* known = KnownText(u)) {
    text = known;
  } else {
    IMultimediaStreams* streams = Platform().MediaStreams();
    if (streams != nullptr) text = streams->GetErrorText(code);
    if (text.empty()) text = "Unrecognized error value.";
  }
  throw Exception(Format("DirectShow call failed: %X", u) + '\r' + text);
}

bool DirectShowInstalled() {
  IMultimediaStreams* streams = Platform().MediaStreams();
  return streams != nullptr && streams->CreateFilterGraph() == 0;
}

TAudioFileReader::TAudioFileReader(const std::string& fileName) {
  try {
    IMultimediaStreams& streams = Streams();
    DShowCheck(streams.CreateMultiMediaStream(&FMMStream));
    DShowCheck(FMMStream->Initialize(STREAMTYPE_READ, AMMSF_NOGRAPHTHREAD));
    DShowCheck(FMMStream->AddMediaStream(TPurposeId::PrimaryAudio, 0));
    DShowCheck(FMMStream->GetMediaStream(TPurposeId::PrimaryAudio, &FMediaStream));
    // Rendered into the audio stream added above only, running at once, without a clock.
    DShowCheck(FMMStream->OpenFile(AnsiToUtf16(fileName), AMMSF_RUN | AMMSF_NOCLOCK | AMMSF_RENDERTOEXISTING));
    FAudioStream = std::dynamic_pointer_cast<IAudioMediaStream>(FMediaStream);
    DShowCheck(FAudioStream ? S_OK32 : E_NOINTERFACE32);
    DShowCheck(FAudioStream->GetFormat(&FFormat));
    DShowCheck(streams.CreateAudioData(&FAudioData));
    DShowCheck(FAudioData->SetFormat(&FFormat));
    DShowCheck(FAudioStream->CreateSample(FAudioData, 0, &FSample));
    FEvent = Platform().SoundSystem().CreateEvent(false, false);
    DShowCheck(FEvent != nullptr ? S_OK32 : E_OUTOFMEMORY32);
    DShowCheck(FMMStream->GetDuration(&FDuration));
  } catch (...) {
    Release();
    throw;
  }
  FFileName = fileName;
  FRangeLength = FDuration + 500000;  // the duration and 50 ms
}

TAudioFileReader::~TAudioFileReader() {
  if (FMMStream) FMMStream->SetState(STREAMSTATE_STOP);
  Release();
}

void TAudioFileReader::Release() {
  FSample.reset();
  FAudioData.reset();
  FAudioStream.reset();
  FMediaStream.reset();
  FMMStream.reset();
  if (FEvent != nullptr) Platform().SoundSystem().CloseHandle(FEvent);
  FEvent = nullptr;
}

uint32_t TAudioFileReader::Read(void* buffer, uint32_t size) {
  const int64_t limit = FRangeStart + FRangeLength;
  if (limit < FPosition || size == 0) return 0;
  if (buffer != FBufferAddress || size != FBufferSize) {
    FBufferAddress = buffer;
    FBufferSize = size;
    DShowCheck(FAudioData->SetBuffer(size, buffer, 0));
  }
  HRESULT32 result = E_NOTIMPL32;
  if (!FSynchronous) {
    result = FSample->Update(0, FEvent, nullptr, 0);
    // Some platforms cannot complete an update through an event; the same update made
    // synchronously delivers the same data.
    if (result == E_NOTIMPL32) FSynchronous = true;
  }
  if (FSynchronous) result = FSample->Update(0, nullptr, nullptr, 0);
  if (result < 0) throw Exception("Error reading.");
  if (result == MS_S_ENDOFSTREAM) return 0;
  if (!FSynchronous) Platform().SoundSystem().WaitForMultipleObjects(1, &FEvent, false, INFINITE_WAIT);
  uint32_t actual = 0;
  DShowCheck(FAudioData->GetInfo(nullptr, nullptr, &actual));
  int64_t start = 0;
  int64_t current = 0;
  DShowCheck(FSample->GetSampleTimes(&start, &FPosition, &current));
  if (start > limit) throw EAssertionFailed("Assertion failure");
  if (limit >= FPosition) return actual;
  // The sample runs past the end of the range: keep the whole blocks before it. (Rounded
  // down to a multiple of the block: masking with the block size less one only works for
  // blocks of 1, 2, 4 or 8 bytes and would cut a 6-byte frame apart.)
  const int64_t product = static_cast<int64_t>(actual) * (limit - start);
  const auto cut = static_cast<uint32_t>(static_cast<double>(product) / static_cast<double>(FPosition - start));
  const uint32_t block = FFormat.nBlockAlign > 0 ? FFormat.nBlockAlign : 1;
  return cut - cut % block;
}

void TAudioFileReader::Seek(int64_t time) {
  if (time == FPosition) return;
  if (time < FRangeStart) {
    FPosition = FRangeStart;
  } else if (time > FRangeStart + FRangeLength) {
    FPosition = FRangeStart + FRangeLength;
  } else {
    FPosition = time;
  }
  DShowCheck(FMMStream->Seek(FPosition));
}

}  // namespace pictova
