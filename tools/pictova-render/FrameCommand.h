// The frame-inspection subcommands of pictova-render. main.cpp dispatches to them with argv
// after the subcommand word:
//   pictova-render frame --style N --progress P [--step S] [--reverse] OLD NEW OUT.png
//       -> RunFrameCommand(argc, argv) with argv = {"--style", "N", ...}
//   pictova-render sheet --style N [--step S] [--reverse] OLD NEW OUT.png
//       -> RunSheetCommand(argc, argv)
// Both return the process exit code (0 success, 1 bad input or failure, 2 usage) and print
// their errors to stderr themselves. Link target: pictova_render_frames (tools/CMakeLists.txt).
#pragma once

namespace pictova {

int RunFrameCommand(int argc, char** argv);
int RunSheetCommand(int argc, char** argv);

}  // namespace pictova
