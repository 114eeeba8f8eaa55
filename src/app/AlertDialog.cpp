// The alert dialog: its form description and the layout around the measured message.
#include "app/AlertDialog.h"

#include <algorithm>

#include "app/Resources.h"
#include "imageio/ImageIO.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"
#include "rtl/Classes.h"
#include "ui/Application.h"
#include "ui/Screen.h"

namespace pictova {

TAlertDialog* AlertDialog = nullptr;
const bool kAlertBeeps = true;

namespace {

// Decodes one of the program's own PNG pictures; raises when it does not decode.
void LoadPicture(const unsigned char* png, size_t size, TBitmap& into) {
  TReadOnlyMemoryStream stream(png, static_cast<int64_t>(size));
  TImageIO reader;
  reader.SetBitmap(&into);
  reader.LoadFromStream(stream);
  if (reader.IOFailed() != 0 || into.Empty()) throw Exception("A picture of the alert dialog does not decode");
}

void SetSansSerif(TControl* control) {
  control->SetParentFont(false);
  control->Font().SetName("MS Sans Serif");
  control->Font().SetHeight(-11);
  control->Font().SetColor(clBlack);
}

void PlainMessage(const std::string& message) {
  if (Application == nullptr) return;
  Application->MessageBox(message, Application->Title(), MB_OK);
}

}  // namespace

TAlertDialog::TAlertDialog(TComponent* owner) : TForm(owner) {}

TAlertDialog::~TAlertDialog() {
  if (AlertDialog == this) AlertDialog = nullptr;
}

void TAlertDialog::Describe() {
  SetName("AlertDialog");
  SetBorderStyle(bsDialog);
  SetBorderIcons(biSystemMenu);
  SetColor(clBtnFace);
  Font().SetName("Arial");
  Font().SetHeight(-12);
  SetPosition(poScreenCenter);
  SetScaled(false);
  SetClientSize(340, 137);
  OnCreate = [this](TComponent* s) { FormCreate(s); };
  OnShow = [this](TComponent* s) { FormShow(s); };

  Prompt = new TBalloon(this);
  Prompt->SetName("Prompt");
  Prompt->SetParent(this);
  Prompt->SetBounds(88, 20, 237, 41);
  SetSansSerif(Prompt);
  TBalloonLook look;
  look.CornerSize = 14;
  look.XOffset = 8;
  look.YOffset = 8;
  look.StemOffset = 8;
  Prompt->ReadDescription(look);

  Test = new TLabel(this);
  Test->SetName("Test");
  Test->SetParent(this);
  Test->SetBounds(8, 64, 24, 13);
  Test->SetCaption("Test");
  SetSansSerif(Test);
  Test->SetShowAccelChar(false);
  Test->SetTransparent(true);

  Image1 = new TNeoImage(this);
  Image1->SetName("Image1");
  Image1->SetParent(this);
  Image1->SetBounds(12, 12, 65, 84);
  Image1->SetAutoSize(true);
  Image1->SetTransparent(true);
  LoadPicture(kAlertPicturePng, kAlertPicturePngSize, Image1->Picture().Bitmap());
  Image1->Picture().Changed();

  OkButton = new TBitBtn(this);
  OkButton->SetName("OkButton");
  OkButton->SetParent(this);
  OkButton->SetBounds(132, 104, 75, 25);
  OkButton->SetCaption("OK");
  OkButton->SetDefault(true);
  OkButton->SetModalResult(mrOk);
  TBitmap glyph;
  LoadPicture(kOkGlyphPng, kOkGlyphPngSize, glyph);
  OkButton->SetGlyph(glyph);
  OkButton->SetNumGlyphs(2);
}

void TAlertDialog::FormCreate(TComponent*) {}

void TAlertDialog::FormShow(TComponent*) {
  if (kAlertBeeps) Platform().MessageBoxes().MessageBeep(MB_ICONEXCLAMATION);
}

void ShowAlert(const std::string& title, const std::string& message) {
  if (Application == nullptr) return;
  try {
    // 1. and 2. One dialog at a time: a call while it is on screen gets the plain box.
    const bool existed = AlertDialog != nullptr;
    if (!existed) AlertDialog = TForm::Create<TAlertDialog>(Application);
    TAlertDialog* dialog = AlertDialog;
    if (dialog->Visible()) {
      PlainMessage(message);
      return;
    }

    // 11. Afterwards, whatever happens: the cursor as it was, and a dialog made here freed.
    struct TRestore {
      TCursor Cursor = Screen->Cursor();
      bool Free = false;
      ~TRestore() {
        if (Screen != nullptr) Screen->SetCursor(Cursor);
        if (Free) {
          delete AlertDialog;
          AlertDialog = nullptr;
        }
      }
    } restore;
    restore.Free = !existed;

    // 3. The texts.
    dialog->SetCaption(title);
    dialog->Test->SetCaption(message);
    dialog->Prompt->SetCaption(message);

    // 4. and 5. The balloon around the measured text, at least as high as the picture;
    // a taller one moves the picture down to face its middle.
    TBalloon* prompt = dialog->Prompt;
    TNeoImage* image = dialog->Image1;
    TBitBtn* ok = dialog->OkButton;
    prompt->SetWidth(dialog->Test->Width() + 2 * prompt->XOffset() + prompt->StemSize());
    prompt->SetHeight(dialog->Test->Height() + 2 * prompt->YOffset());
    if (prompt->Height() < image->Height()) {
      prompt->SetHeight(image->Height());
    } else {
      image->SetTop(prompt->Height() / 2 - image->Height() / 2 + 16);
    }
    // 6.
    dialog->Test->SetCaption("");

    // 7. to 9. The client area around picture, balloon and button, the button centred.
    const int32_t width = std::max(ok->Width() + 32, image->Width() + prompt->Width() + 40);
    const int32_t height =
        std::max(image->Top() + image->Height(), prompt->Top() + prompt->Height()) + ok->Height() + 32;
    dialog->SetClientSize(width, height);
    ok->SetTop(height - ok->Height() - 16);
    ok->SetLeft(width / 2 - ok->Width() / 2);

    // 10. The arrow while the dialog is up.
    Screen->SetCursor(crDefault);
    dialog->ShowModal();
  } catch (...) {
    PlainMessage(message);
  }
}

}  // namespace pictova
