// An X server for SDL tests: the one named by DISPLAY, else an Xvfb started for the test
// suite on a display number Xvfb picks itself (so parallel test programs never share or kill
// each other's server). -noreset: the server stays as it is when its last client leaves,
// so that the next test can connect at once.
#pragma once

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace pictova {

class TXvfbServer {
 public:
  // Starts a server when no display is set (and Xvfb is installed); sets DISPLAY.
  void Start() {
    const char* display = std::getenv("DISPLAY");
    if (display != nullptr && *display != 0) return;
    struct stat st;
    if (::stat("/usr/bin/Xvfb", &st) != 0) return;
    int fds[2];
    if (::pipe(fds) != 0) return;
    const pid_t child = ::fork();
    if (child == 0) {
      ::close(fds[0]);
      const std::string fd = std::to_string(fds[1]);
      ::execl("/usr/bin/Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp", "-noreset",
              static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::close(fds[1]);
    std::string number;
    char c;
    while (::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    ::close(fds[0]);
    if (child < 0) return;
    if (number.empty()) {
      ::kill(child, SIGTERM);
      ::waitpid(child, nullptr, 0);
      return;
    }
    FServer = child;
    ::setenv("DISPLAY", (":" + number).c_str(), 1);
  }
  // Stops the server this object started.
  void Stop() {
    if (FServer <= 0) return;
    ::kill(FServer, SIGTERM);
    ::waitpid(FServer, nullptr, 0);
    ::unsetenv("DISPLAY");
    FServer = 0;
  }

 private:
  pid_t FServer = 0;
};

}  // namespace pictova
