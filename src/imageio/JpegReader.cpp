// The JPEG reader: drives libjpeg (6.2 interface) over a stream and places its rows in the
// target bitmap (blue, green, red), recording colour space, resolution and markers.
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <exception>
#include <memory>
#include <new>
#include <vector>

// jpeglib.h relies on size_t and FILE being declared before it.
#include <jpeglib.h>
// Error codes for the library's ERREXIT and WARNMS macros.
#include <jerror.h>

#include "imageio/Detector.h"
#include "imageio/ImageParams.h"
#include "imageio/ReaderSupport.h"
#include "imageio/Readers.h"
#include "rtl/Classes.h"

namespace pictova {

namespace {

constexpr int32_t kSourceBlock = 4096;
// Real progressive files have about ten scans; a stream of thousands of tiny scans only burns
// time, so the decoder gives up past this many.
constexpr int kMaxScans = 1000;
// Cap of libjpeg's whole-image buffers (progressive coefficients): enough for the largest image
// the size guard admits, in four components without subsampling.
constexpr long kMaxLibraryMemory = 640l * 1024 * 1024;

struct TJpegContext;

// libjpeg's records come first so that the library's pointers can be cast back.
struct TErrorManager {
  jpeg_error_mgr Pub;
  jmp_buf Jump;
  uint8_t* FailureFlag;  // cleared while finishing, so that errors there do not count
};

struct TSourceManager {
  jpeg_source_mgr Pub;
  TJpegContext* Context;
};

struct TProgressMonitor {
  jpeg_progress_mgr Pub;
};

// Everything one decode needs, kept out of the frames that libjpeg's error exit jumps across.
struct TJpegContext {
  jpeg_decompress_struct Info{};
  TErrorManager Error{};
  TSourceManager Source{};
  TProgressMonitor Monitor{};
  TStream* Stream = nullptr;
  bool StartOfFile = true;
  bool PrematureEnd = false;
  bool Created = false;
  std::exception_ptr StreamError;
  std::vector<uint8_t> Scratch;
  JOCTET Buffer[kSourceBlock];
};

void ErrorExit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<TErrorManager*>(cinfo->err);
  if (err->FailureFlag) *err->FailureFlag = 1;
  std::longjmp(err->Jump, 1);
}

void EmitMessage(j_common_ptr, int) {}
void OutputMessage(j_common_ptr) {}
void FormatNothing(j_common_ptr, char* buffer) { buffer[0] = '\0'; }
void ResetErrorManager(j_common_ptr cinfo) {
  cinfo->err->msg_code = 0;
  cinfo->err->num_warnings = 0;
}

void InitSource(j_decompress_ptr cinfo) {
  reinterpret_cast<TSourceManager*>(cinfo->src)->Context->StartOfFile = true;
}

boolean FillInputBuffer(j_decompress_ptr cinfo) {
  TJpegContext& ctx = *reinterpret_cast<TSourceManager*>(cinfo->src)->Context;
  int32_t got = 0;
  bool streamFailed = false;
  try {
    got = ctx.Stream->Read(ctx.Buffer, kSourceBlock);
  } catch (...) {
    ctx.StreamError = std::current_exception();
    streamFailed = true;
  }
  if (streamFailed) ERREXIT(cinfo, JERR_FILE_READ);
  if (got <= 0) {
    if (ctx.StartOfFile) ERREXIT(cinfo, JERR_INPUT_EMPTY);
    // As the library's own file source: a fake end-of-image marker ends the data, and the
    // decoder fills what is missing. The truncation is remembered and reported afterwards.
    WARNMS(cinfo, JWRN_JPEG_EOF);
    ctx.PrematureEnd = true;
    ctx.Buffer[0] = 0xFF;
    ctx.Buffer[1] = JPEG_EOI;
    got = 2;
  }
  ctx.Source.Pub.next_input_byte = ctx.Buffer;
  ctx.Source.Pub.bytes_in_buffer = static_cast<size_t>(got);
  ctx.StartOfFile = false;
  return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
  jpeg_source_mgr* src = cinfo->src;
  if (count <= 0) return;
  while (count > static_cast<long>(src->bytes_in_buffer)) {
    count -= static_cast<long>(src->bytes_in_buffer);
    FillInputBuffer(cinfo);
  }
  src->next_input_byte += count;
  src->bytes_in_buffer -= static_cast<size_t>(count);
}

void TermSource(j_decompress_ptr) {}

void MonitorProgress(j_common_ptr cinfo) {
  auto* dinfo = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (dinfo->input_scan_number > kMaxScans) ERREXIT(cinfo, JERR_BAD_SCAN_SCRIPT);
}

// Runs one step with the library's error exit armed; false when the library abandoned it.
// Steps keep no objects with destructors alive across library calls, since the error exit
// jumps over them.
template <typename Step>
bool Guarded(TJpegContext& ctx, Step&& step) {
  if (setjmp(ctx.Error.Jump) != 0) return false;
  step();
  return true;
}

// The library's RGB output in the bitmap's order. libjpeg-turbo delivers blue, green, red
// itself; a plain libjpeg delivers red, green, blue and the row is exchanged in place.
#ifdef JCS_EXTENSIONS
constexpr J_COLOR_SPACE kBgrOutput = JCS_EXT_BGR;
constexpr bool kSwapRows = false;
#else
constexpr J_COLOR_SPACE kBgrOutput = JCS_RGB;
constexpr bool kSwapRows = true;
#endif

// Denominator of the automatic scale: the power of two (1 to 8) whose reduced image has the
// pixel count nearest to the record's Width × Height; the smallest on a tie.
unsigned AutomaticDenominator(int64_t target, int64_t width, int64_t height) {
  if (target == 0) return 1;
  int best = 0;
  int64_t bestDiff = -1;
  for (int i = 0; i <= 3; ++i) {
    const int64_t pixels = (width >> i) * (height >> i);
    const int64_t diff = target > pixels ? target - pixels : pixels - target;
    if (bestDiff < 0 || diff < bestDiff) {
      bestDiff = diff;
      best = i;
    }
  }
  return 1u << best;
}

// Reads the header's facts into the record and sets up the output; false for a colour space
// this reader cannot place in a 24-bit bitmap.
bool ApplyHeader(TJpegContext& ctx, TImageParams& params) {
  jpeg_decompress_struct& info = ctx.Info;
  bool known = true;
  switch (info.jpeg_color_space) {
    case JCS_GRAYSCALE:
      params.JpegColorSpace = 1;
      info.out_color_space = kBgrOutput;
      break;
    case JCS_RGB:
      params.JpegColorSpace = 0;
      info.out_color_space = kBgrOutput;
      break;
    case JCS_YCbCr:
      params.JpegColorSpace = 2;
      info.out_color_space = kBgrOutput;
      break;
    case JCS_CMYK:
      params.JpegColorSpace = 3;
      info.out_color_space = JCS_CMYK;
      break;
    case JCS_YCCK:
      params.JpegColorSpace = 4;
      info.out_color_space = JCS_CMYK;
      break;
    default: known = false; break;
  }

  switch (params.JpegDctMethod) {
    case 0: info.dct_method = JDCT_ISLOW; break;
    case 1: info.dct_method = JDCT_IFAST; break;
    case 2: info.dct_method = JDCT_FLOAT; break;
    default: break;
  }

  // JFIF density: unit 0 (aspect only) and 1 (per inch) as they stand, 2 per centimetre.
  // Without a JFIF segment the library reports unit 0 and 1 x 1.
  if (info.density_unit == 2) {
    params.DpiX = static_cast<int32_t>(info.X_density) * 254 / 100;
    params.DpiY = static_cast<int32_t>(info.Y_density) * 254 / 100;
  } else {
    params.DpiX = info.X_density;
    params.DpiY = info.Y_density;
  }
  params.BitsPerSample = 8;
  params.SamplesPerPixel = 3;
  params.FreePalette();
  params.JpegProgressive = info.progressive_mode != 0;

  unsigned denominator = 0;
  switch (params.JpegScale) {
    case 0:
      denominator = AutomaticDenominator(static_cast<int64_t>(params.Width) * params.Height,
                                         info.image_width, info.image_height);
      break;
    case 1: denominator = 1; break;
    case 2: denominator = 2; break;
    case 3: denominator = 4; break;
    case 4: denominator = 8; break;
    default: break;
  }
  if (denominator != 0) {
    info.scale_num = 1;
    info.scale_denom = denominator;
  }
  return known;
}

// Copies the saved markers into the record, in file order, without a leading APP0 (the JFIF
// segment the library already interpreted).
void CollectMarkers(TJpegContext& ctx, TImageParams& params) {
  params.JpegMarkers.Clear();
  bool first = true;
  for (jpeg_saved_marker_ptr m = ctx.Info.marker_list; m != nullptr; m = m->next) {
    const bool leadingJfif = first && m->marker == JPEG_APP0;
    first = false;
    if (leadingJfif) continue;
    params.JpegMarkers.AddMarker(static_cast<uint8_t>(m->marker), m->data,
                                 static_cast<int32_t>(m->data_length));
  }
}

void ConvertCmykRow(const uint8_t* cmyk, uint8_t* bgr, JDIMENSION width) {
  for (JDIMENSION x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
    const unsigned k = cmyk[3];
    bgr[0] = static_cast<uint8_t>(cmyk[2] * k / 255);
    bgr[1] = static_cast<uint8_t>(cmyk[1] * k / 255);
    bgr[2] = static_cast<uint8_t>(cmyk[0] * k / 255);
  }
}

void SwapRedBlue(uint8_t* row, JDIMENSION width) {
  for (JDIMENSION x = 0; x < width; ++x, row += 3) std::swap(row[0], row[2]);
}

// Reads every output row into the bitmap; stops early when the failure flag is raised.
void ReadRows(TJpegContext& ctx, TBitmap& bitmap, TProgressRec& progress) {
  jpeg_decompress_struct& info = ctx.Info;
  const bool cmyk = info.out_color_space == JCS_CMYK;
  while (info.output_scanline < info.output_height) {
    uint8_t* row = bitmap.ScanLine(static_cast<int32_t>(info.output_scanline));
    JSAMPROW target = cmyk ? ctx.Scratch.data() : row;
    const JDIMENSION read = jpeg_read_scanlines(&info, &target, 1);
    if (read == 0) {  // cannot happen with a source that never suspends
      progress.Fail();
      break;
    }
    if (cmyk)
      ConvertCmykRow(ctx.Scratch.data(), row, info.output_width);
    else if (kSwapRows)
      SwapRedBlue(row, info.output_width);
    progress.Val += static_cast<int32_t>(read);
    progress.Report();
    if (progress.Failed()) break;
  }
}

}  // namespace

void ReadJpegStream(TStream& stream, TBitmap& bitmap, TImageParams& params, bool paramsOnly,
                    TProgressRec& progress) {
  if (!IsJpegStart(stream)) {
    progress.Fail();
    return;
  }

  auto ctx = std::make_unique<TJpegContext>();
  jpeg_decompress_struct& info = ctx->Info;
  ctx->Stream = &stream;
  info.err = jpeg_std_error(&ctx->Error.Pub);
  ctx->Error.Pub.error_exit = ErrorExit;
  ctx->Error.Pub.emit_message = EmitMessage;
  ctx->Error.Pub.output_message = OutputMessage;
  ctx->Error.Pub.format_message = FormatNothing;
  ctx->Error.Pub.reset_error_mgr = ResetErrorManager;
  ctx->Error.FailureFlag = progress.Aborting;

  struct TDestroyer {
    TJpegContext& Ctx;
    ~TDestroyer() {
      if (Ctx.Created) jpeg_destroy_decompress(&Ctx.Info);
    }
  } destroyer{*ctx};

  if (!Guarded(*ctx, [&] {
        jpeg_create_decompress(&info);
        ctx->Created = true;
      })) {
    progress.Fail();
    return;
  }
  info.mem->max_memory_to_use = kMaxLibraryMemory;

  ctx->Source.Context = ctx.get();
  ctx->Source.Pub.init_source = InitSource;
  ctx->Source.Pub.fill_input_buffer = FillInputBuffer;
  ctx->Source.Pub.skip_input_data = SkipInputData;
  ctx->Source.Pub.resync_to_restart = jpeg_resync_to_restart;
  ctx->Source.Pub.term_source = TermSource;
  info.src = &ctx->Source.Pub;
  ctx->Monitor.Pub.progress_monitor = MonitorProgress;
  info.progress = &ctx->Monitor.Pub;

  const bool headerRead = Guarded(*ctx, [&] {
    jpeg_save_markers(&info, JPEG_COM, 0xFFFF);
    for (int m = 0; m < 16; ++m) jpeg_save_markers(&info, JPEG_APP0 + m, 0xFFFF);
    jpeg_read_header(&info, TRUE);
  });

  bool started = false;
  if (headerRead) {
    const bool known = ApplyHeader(*ctx, params);
    if (!known || !ImageSizeAcceptable(info.image_width, info.image_height)) {
      progress.Fail();
    } else if (paramsOnly) {
      // The output size without starting the decoder, which would read every scan of a
      // progressive file.
      if (Guarded(*ctx, [&] { jpeg_calc_output_dimensions(&info); })) {
        params.Width = static_cast<int32_t>(info.output_width);
        params.Height = static_cast<int32_t>(info.output_height);
      }
    } else if (Guarded(*ctx, [&] { jpeg_start_decompress(&info); })) {
      started = true;
      params.Width = static_cast<int32_t>(info.output_width);
      params.Height = static_cast<int32_t>(info.output_height);
    }
  }

  if (started) {
    const int components = info.out_color_space == JCS_CMYK ? 4 : 3;
    bool ready = info.output_components == components &&
                 PrepareTarget(bitmap, pf24bit, params.Width, params.Height, progress);
    if (ready && components == 4) {
      try {
        ctx->Scratch.resize(static_cast<size_t>(info.output_width) * 4);
      } catch (const std::bad_alloc&) {
        ready = false;
      }
    }
    if (!ready) {
      progress.Fail();
    } else {
      progress.Per = info.output_height > 0 ? 100.0 / info.output_height : 0.0;
      progress.Val = 0;
      Guarded(*ctx, [&] { ReadRows(*ctx, bitmap, progress); });
    }
  }

  CollectMarkers(*ctx, params);
  if (ctx->PrematureEnd) progress.Fail();
  if (started && !progress.Failed()) {
    ctx->Error.FailureFlag = nullptr;
    Guarded(*ctx, [&] { jpeg_finish_decompress(&info); });
  }

  if (ctx->StreamError) {
    progress.Fail();
    std::rethrow_exception(ctx->StreamError);
  }
}

}  // namespace pictova
