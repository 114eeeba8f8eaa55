// pictova-render SHOW OUTDIR [--seconds S] [--fps F] [--size WxH] [--audio OUT.wav]
// [-- ENGINE ARGS]: plays a show on the headless backend's virtual clock and writes what the
// screen shows as numbered PNG frames (frame-00000.png ...) and a contact sheet (sheet.png),
// much faster than real time; with --audio also what the virtual sound device played, on the
// frames' time line. The engine gets ENGINE ARGS as its command line (/s when none are given).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace pictova {

class TBitmap;

struct TRenderRequest {
  std::string ShowPath;
  std::string OutDir;  // "" plays the show without writing frames or a sheet
  double Seconds = 20;
  double Fps = 10;
  int32_t ScreenWidth = 1024;
  int32_t ScreenHeight = 768;
  int32_t SheetThumbnails = 20;  // 0: no contact sheet
  // The engine's command line. The screen also holds a stand-in of the system's "Display
  // Properties" dialog, and for /p N a preview window with the handle N inside it.
  std::vector<std::string> EngineArgs = {"/s"};
  std::string AudioPath;         // "" writes no sound
  // Called with every frame as it is taken (its index, its virtual time and the screen).
  std::function<void(int32_t index, uint64_t at, const TBitmap& screen)> OnFrame;
};

struct TRenderResult {
  int32_t Frames = 0;                     // frames written
  std::vector<uint64_t> FrameTimes;       // virtual milliseconds after start, per frame
  std::vector<std::string> MessageBoxes;  // what the show reported ("Caption: text")
  bool Closed = false;                    // the show ended itself before the last frame
  double WallSeconds = 0;                 // real time the rendering took
  std::string SheetPath;                  // "" without a sheet
  bool Sound = false;                     // the show played sound into the recording
};

// The virtual time of frame i: i x 1000 / fps milliseconds, rounded down.
uint64_t FrameTime(int32_t index, double fps);
// The number of frames in seconds at fps (at least 1).
int32_t FrameCount(double seconds, double fps);

// Plays the show and writes the frames. Installs its own headless platform and application
// (none may exist) and removes both afterwards. Raises Exception on bad requests and
// EInOutError when a file cannot be written.
TRenderResult RenderShow(const TRenderRequest& request);

// The command: argv holds the arguments after the program name. Returns the exit status
// (0 done, 1 failure, 2 malformed command line).
int RunShowCommand(int argc, char** argv);

}  // namespace pictova
