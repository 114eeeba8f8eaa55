// The application's alert, shown through the framework's plain message box.
#include "app/AlertDialog.h"

#include "platform/MessageBox.h"
#include "ui/Application.h"

namespace pictova {

void ShowAlert(const std::string& title, const std::string& message) {
  if (Application == nullptr) return;
  Application->MessageBox(message, title, MB_OK);
}

}  // namespace pictova
