// The application's alert: a modal dialog with a picture at the left, the message in a
// speech balloon pointing at it and an "OK" button underneath, sized to the message.
#pragma once

#include <string>

#include "controls/Balloon.h"
#include "controls/NeoImage.h"
#include "ui/Button.h"
#include "ui/Form.h"
#include "ui/Label.h"

namespace pictova {

class TAlertDialog : public TForm {
 public:
  explicit TAlertDialog(TComponent* owner);
  ~TAlertDialog() override;

  // Components, created by the form description and owned by the form.
  TBalloon* Prompt = nullptr;
  TLabel* Test = nullptr;  // measures the message; left with an empty caption
  TNeoImage* Image1 = nullptr;
  TBitBtn* OkButton = nullptr;

  void FormCreate(TComponent* sender);
  void FormShow(TComponent* sender);

 protected:
  void Describe() override;
};

// The dialog while one exists (made by ShowAlert or by anyone else), else nullptr.
extern TAlertDialog* AlertDialog;

// Whether the dialog beeps when it appears: on, and never changed by the program.
extern const bool kAlertBeeps;

// Shows message (lines separated by single carriage returns) under title and returns when
// the user has closed it. A call while the dialog is on screen, and any failure to make,
// lay out or show it, shows the message in the plain message box under the application's
// title instead.
void ShowAlert(const std::string& title, const std::string& message);

}  // namespace pictova
