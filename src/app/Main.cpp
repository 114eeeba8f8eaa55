// The engine's entry: the application titled "PictovaSaver", its main form, the message loop.
// The screen-saver switches of the command line (/s, /p N, /c, /a N, none) are read by the
// main form's screen-saver host while the form is created; the title is how the host finds
// the application's own window. PICTOVA_SHOW=path plays the show in another file (for
// development).
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
