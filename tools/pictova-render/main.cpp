// pictova-render: plays a whole show into PNG frames, or renders single transitions.
//   pictova-render frame ...   one frame of a transition (FrameCommand)
//   pictova-render sheet ...   a sheet of a transition's frames (FrameCommand)
//   pictova-render SHOW OUTDIR [--seconds S] [--fps F] [--size WxH]   (ShowCommand)
#include <cstring>

#include "pictova-render/FrameCommand.h"
#include "pictova-render/ShowCommand.h"

int main(int argc, char** argv) {
  using namespace pictova;
  if (argc >= 2 && std::strcmp(argv[1], "frame") == 0) return RunFrameCommand(argc - 2, argv + 2);
  if (argc >= 2 && std::strcmp(argv[1], "sheet") == 0) return RunSheetCommand(argc - 2, argv + 2);
  return RunShowCommand(argc - 1, argv + 1);
}
