// The engine's entry: the application titled "PictovaSaver", its main form, the message loop.
// The screen-saver switches of the command line are read by the screen-saver host, which
// is not part of the program yet: until then the show plays in a window, whatever the
// arguments say. PICTOVA_SHOW=path plays the show in another file (for development).
#include <cstdio>
#include <exception>

#include "app/MainForm.h"
#include "ui/Application.h"

int main(int, char**) {
  using namespace pictova;
  try {
    TApplication application;
    application.Initialize();
    application.SetTitle("PictovaSaver");
    TForm1* form1 = nullptr;
    application.CreateForm(form1);
    application.Run();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "PictovaSaver: %s\n", e.what());
    return 1;
  }
  return 0;
}
