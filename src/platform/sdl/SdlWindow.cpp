// SDL windows: one per form, borderless full screen for the saver, or drawing into a
// foreign window (preview). Presentation converts the dirty rectangle straight into the window
// surface, or into a streaming texture when asked for (PICTOVA_SDL_PRESENT=texture).
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "gfx/Bitmap.h"
#include "platform/sdl/SdlHost.h"
#include "platform/sdl/SdlPixels.h"
#include "platform/sdl/SdlPresentLog.h"
#include "rtl/Ansi.h"

namespace pictova {

namespace {

TSdlWindow::TPresentPath RequestedPresentPath() {
  const char* text = std::getenv("PICTOVA_SDL_PRESENT");
  if (text != nullptr && std::strcmp(text, "texture") == 0) return TSdlWindow::TPresentPath::Texture;
  return TSdlWindow::TPresentPath::Surface;
}

bool IsXrgb32(const SDL_PixelFormat* format) {
  return format->format == SDL_PIXELFORMAT_RGB888 || format->format == SDL_PIXELFORMAT_ARGB8888;
}

}  // namespace

uintptr_t XScreenSaverWindow() {
  const char* text = std::getenv("XSCREENSAVER_WINDOW");
  if (text == nullptr || *text == '\0' || *text == '-') return 0;
  // XScreenSaver writes the id in hexadecimal with 0x; decimal is taken too.
  char* end = nullptr;
  errno = 0;
  const unsigned long long id = std::strtoull(text, &end, 0);
  if (errno != 0 || *end != '\0' || id == 0 || id > UINTPTR_MAX) return 0;
  return static_cast<uintptr_t>(id);
}

TSdlWindow::TSdlWindow(TSdlHost& host, uintptr_t handle, const TWindowParams& params)
    : FHost(host), FHandle(handle), FParams(params) {
  Create();
  if (FWindow != nullptr) FHandle = SDL_GetWindowID(FWindow);
  FHost.Register(this);
}

TSdlWindow::~TSdlWindow() {
  FHost.Unregister(this);
  Destroy();
}

void TSdlWindow::Create() {
  if (!FParams.Presentable) return;
  FPath = RequestedPresentPath();
  uintptr_t foreign = FParams.Parent;
  // XScreenSaver runs a hack in a window of its own, named by XSCREENSAVER_WINDOW: the
  // saver's full-screen window is drawn there instead of being opened.
  if (foreign == 0 && FParams.Maximized && FParams.Frame == wfNone) foreign = XScreenSaverWindow();
  if (foreign != 0) {
    // Draw into the other program's window itself (its whole area is ours).
    FWindow = SDL_CreateWindowFrom(reinterpret_cast<const void*>(foreign));
    FForeign = FWindow != nullptr;
    if (FWindow != nullptr) return;
  }
  const TFrameMetrics m = FrameMetrics(FParams.Frame);
  const TRect b = FParams.Bounds;
  uint32_t flags = SDL_WINDOW_HIDDEN;
  if (FParams.Frame == wfNone) flags |= SDL_WINDOW_BORDERLESS;
  if (FParams.Frame == wfSizeable) flags |= SDL_WINDOW_RESIZABLE;
  if (FParams.TopMost) flags |= SDL_WINDOW_ALWAYS_ON_TOP;
  if (FParams.Maximized && FParams.Frame == wfNone) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
  const int w = std::max(b.Width() - 2 * m.Border, 1), h = std::max(b.Height() - 2 * m.Border - m.Caption, 1);
  FWindow = SDL_CreateWindow(Cp1252ToUtf8(FParams.Caption).c_str(), b.Left + m.Border, b.Top + m.Border + m.Caption,
                             w, h, flags);
  if (FWindow == nullptr) return;
  if (FParams.Maximized && FParams.Frame != wfNone) SDL_MaximizeWindow(FWindow);
  if (FParams.Visible) SDL_ShowWindow(FWindow);
}

void TSdlWindow::DropTexture() {
  if (FTexture != nullptr) SDL_DestroyTexture(FTexture);
  if (FRenderer != nullptr) SDL_DestroyRenderer(FRenderer);
  FTexture = nullptr;
  FRenderer = nullptr;
  FTextureWidth = FTextureHeight = 0;
}

void TSdlWindow::Destroy() {
  DropTexture();
  if (FWindow != nullptr) {
    // A foreign window is only let go of, not destroyed: SDL leaves it alone.
    SDL_DestroyWindow(FWindow);
    FWindow = nullptr;
  }
}

void TSdlWindow::SetParams(const TWindowParams& params) {
  const TWindowParams old = FParams;
  FParams = params;
  if (!FParams.Presentable) return;
  if (FWindow == nullptr || params.Parent != old.Parent) {
    FHost.Unregister(this);
    Destroy();
    Create();
    if (FWindow != nullptr) FHandle = SDL_GetWindowID(FWindow);
    FHost.Register(this);
    return;
  }
  if (FForeign) return;  // the other program decides about its window
  if (params.Caption != old.Caption) SDL_SetWindowTitle(FWindow, Cp1252ToUtf8(params.Caption).c_str());
  if (params.Frame != old.Frame) {
    SDL_SetWindowBordered(FWindow, params.Frame == wfNone ? SDL_FALSE : SDL_TRUE);
    SDL_SetWindowResizable(FWindow, params.Frame == wfSizeable ? SDL_TRUE : SDL_FALSE);
  }
  if (params.TopMost != old.TopMost) SDL_SetWindowAlwaysOnTop(FWindow, params.TopMost ? SDL_TRUE : SDL_FALSE);
  const bool full = params.Maximized && params.Frame == wfNone;
  const bool wasFull = old.Maximized && old.Frame == wfNone;
  if (full != wasFull) SDL_SetWindowFullscreen(FWindow, full ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
  if (params.Maximized && !full && !old.Maximized) SDL_MaximizeWindow(FWindow);
  if (!params.Maximized && old.Maximized && !wasFull) SDL_RestoreWindow(FWindow);
  if (!params.Maximized && (params.Bounds != old.Bounds || params.Frame != old.Frame)) {
    const TFrameMetrics m = FrameMetrics(params.Frame);
    const TRect b = params.Bounds;
    SDL_SetWindowPosition(FWindow, b.Left + m.Border, b.Top + m.Border + m.Caption);
    SDL_SetWindowSize(FWindow, std::max(b.Width() - 2 * m.Border, 1), std::max(b.Height() - 2 * m.Border - m.Caption, 1));
  }
  if (params.Visible != old.Visible) {
    if (params.Visible) {
      SDL_ShowWindow(FWindow);
    } else {
      SDL_HideWindow(FWindow);
    }
  }
}

void TSdlWindow::ClientSize(int32_t& width, int32_t& height) const {
  if (FWindow == nullptr) {
    const TFrameMetrics m = FrameMetrics(FParams.Frame);
    width = std::max(FParams.Bounds.Width() - 2 * m.Border, 0);
    height = std::max(FParams.Bounds.Height() - 2 * m.Border - m.Caption, 0);
    return;
  }
  int w = 0, h = 0;
  SDL_GetWindowSize(FWindow, &w, &h);
  width = w;
  height = h;
}

void TSdlWindow::Present(const TBitmap& client, const TRect& dirty) {
  if (FWindow == nullptr || client.PixelFormat() != pf24bit) return;
  if (FPath == TPresentPath::Texture) {
    if (PresentToTexture(client, dirty)) return;
    // No renderer or texture to be had: the surface serves from now on.
    DropTexture();
    FPath = TPresentPath::Surface;
  }
  PresentToSurface(client, dirty);
}

void TSdlWindow::PresentToSurface(const TBitmap& client, const TRect& dirty) {
  SDL_Surface* surface = SDL_GetWindowSurface(FWindow);
  if (surface == nullptr) return;
  const TRect d = IntersectRect(dirty, Rect(0, 0, std::min(surface->w, client.Width()), std::min(surface->h, client.Height())));
  if (d.IsEmpty()) return;
  if (SDL_MUSTLOCK(surface)) SDL_LockSurface(surface);
  uint8_t* dst = static_cast<uint8_t*>(surface->pixels) + static_cast<ptrdiff_t>(d.Top) * surface->pitch +
                 static_cast<ptrdiff_t>(d.Left) * surface->format->BytesPerPixel;
  const uint8_t* src = client.ScanLine(d.Top) + static_cast<ptrdiff_t>(d.Left) * 3;
  if (IsXrgb32(surface->format)) {
    Bgr24ToXrgb32Rows(src, client.RowBytes(), dst, surface->pitch, d.Width(), d.Height());
  } else {
    // Our rows hold blue, green, red bytes: SDL's BGR24.
    SDL_ConvertPixels(d.Width(), d.Height(), SDL_PIXELFORMAT_BGR24, src, client.RowBytes(), surface->format->format,
                      dst, surface->pitch);
  }
  if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
  const SDL_Rect r{d.Left, d.Top, d.Width(), d.Height()};
  SDL_UpdateWindowSurfaceRects(FWindow, &r, 1);
  LogPresent(d);
}

bool TSdlWindow::PresentToTexture(const TBitmap& client, const TRect& dirty) {
  int w = 0, h = 0;
  SDL_GetWindowSize(FWindow, &w, &h);
  if (w <= 0 || h <= 0) return true;
  if (FRenderer == nullptr) {
    FRenderer = SDL_CreateRenderer(FWindow, -1, 0);
    if (FRenderer == nullptr) return false;
  }
  if (FTexture == nullptr || FTextureWidth != w || FTextureHeight != h) {
    if (FTexture != nullptr) SDL_DestroyTexture(FTexture);
    FTexture = SDL_CreateTexture(FRenderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, w, h);
    if (FTexture == nullptr) return false;
    FTextureWidth = w;
    FTextureHeight = h;
    // A new texture holds nothing yet: all of it is written this time.
    void* pixels = nullptr;
    int pitch = 0;
    if (SDL_LockTexture(FTexture, nullptr, &pixels, &pitch) != 0) return false;
    for (int y = 0; y < h; ++y) std::memset(static_cast<uint8_t*>(pixels) + static_cast<ptrdiff_t>(y) * pitch, 0, size_t(w) * 4);
    SDL_UnlockTexture(FTexture);
  }
  const TRect d = IntersectRect(dirty, Rect(0, 0, std::min(w, client.Width()), std::min(h, client.Height())));
  if (d.IsEmpty()) return true;
  // The locked part is a staging area that the unlock uploads: only the dirty rows go up.
  const SDL_Rect r{d.Left, d.Top, d.Width(), d.Height()};
  void* pixels = nullptr;
  int pitch = 0;
  if (SDL_LockTexture(FTexture, &r, &pixels, &pitch) != 0) return false;
  Bgr24ToXrgb32Rows(client.ScanLine(d.Top) + static_cast<ptrdiff_t>(d.Left) * 3, client.RowBytes(),
                    static_cast<uint8_t*>(pixels), pitch, d.Width(), d.Height());
  SDL_UnlockTexture(FTexture);
  // What a renderer shows after a present is undefined: the whole texture is drawn again.
  SDL_RenderCopy(FRenderer, FTexture, nullptr, nullptr);
  SDL_RenderPresent(FRenderer);
  LogPresent(d);
  return true;
}

void TSdlWindow::BringToFront() {
  if (FWindow != nullptr && !FForeign) SDL_RaiseWindow(FWindow);
}

}  // namespace pictova
