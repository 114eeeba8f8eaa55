// The main form: its description, the start-up, the show cycle and the closing rules.
#include "app/MainForm.h"

#include <cstdlib>
#include <string_view>

#include "app/AlertDialog.h"
#include "app/Resources.h"
#include "platform/Platform.h"
#include "platform/Process.h"
#include "rtl/Ansi.h"
#include "rtl/Classes.h"
#include "rtl/SysUtils.h"
#include "ui/Application.h"
#include "ui/Screen.h"

namespace pictova {

const char* const kShownExtensions = ".BMP.PCX.JPG.PNG.TIF.TGA.GIF";

namespace {

// The compiled-by line of the about panel; the author's name goes in between.
constexpr const char* kCompiledByStart = "This collection of images was compiled and distributed by ";
constexpr const char* kCompiledByEnd = ", who is soley responsible for its contents.";

// The publisher's lines under the bevel of the about panel.
constexpr const char* kCreditText =
    "Pictova slideshow screen saver\r\n"
    "Shows made with Pictova can be copied and passed on freely, unchanged.\r\n"
    "\r\n"
    "Pictova Software\r\n"
    "4 Lantern Row, Harbourside\r\n"
    "Example Bay EX1 2PV\r\n"
    "\r\n"
    "www.pictova.example";

std::string ShowPathFor(const std::string& given) {
  if (!given.empty()) return given;
  if (const char* env = std::getenv("PICTOVA_SHOW"); env != nullptr && *env != '\0') return env;
  return ExecutablePath();
}

// A decimal number as the run-time's string conversion reads it; anything else is an error
// with the run-time's text.
int32_t StrToInt(const std::string& text) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  int64_t value = 0;
  const size_t first = i;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > INT32_MAX + int64_t{1}) break;
  }
  if (i == first || i != text.size() || value > INT32_MAX + int64_t{negative})
    throw EConvertError("'" + text + "' is not a valid integer value");
  return static_cast<int32_t>(negative ? -value : value);
}

// The second line of the about panel: who made the show and when, leaving out what the
// show does not say.
std::string CreditLine(const TShowSettings& settings) {
  if (settings.AuthorName.empty()) return settings.DateText;
  std::string line = "Slideshow by " + settings.AuthorName;
  if (!settings.DateText.empty()) line += ", " + settings.DateText;
  return line;
}

}  // namespace

TForm1::TForm1(TComponent* owner, const std::string& showPath)
    : TForm(owner), FShowPath(ShowPathFor(showPath)) {}

TForm1::~TForm1() {
  // The components go first, while the decoder and the entries they may still reach live:
  // the picture-show stops its worker, whose last hand-over would otherwise find them gone.
  Destroying();
  DestroyComponents();
}

// ---- the form description ----

void TForm1::Describe() {
  SetName("Form1");
  SetColor(clBlack);
  SetKeyPreview(true);
  SetBounds(0, 0, 634, 344);
  OnCreate = [this](TComponent* s) { FormCreate(s); };
  OnKeyPress = [this](TComponent* s, char& key) { FormKeyPress(s, key); };
  OnMouseMove = [this](TComponent* s, TShiftState shift, int32_t x, int32_t y) { FormMouseMove(s, shift, x, y); };
  OnCloseQuery = [this](TComponent* s, bool& canClose) { FormCloseQuery(s, canClose); };

  MyPictureShow2 = new TMyPictureShow(this);
  MyPictureShow2->SetName("MyPictureShow2");
  MyPictureShow2->SetParent(this);
  MyPictureShow2->SetAlign(alClient);
  MyPictureShow2->SetColor(clBlack);
  MyPictureShow2->SetAutoSize(false);
  MyPictureShow2->SetStyle(118);
  MyPictureShow2->OnComplete = [this](TComponent* s) { MyPictureShow2Complete(s); };
  MyPictureShow2->OnMouseMove = [this](TComponent* s, TShiftState shift, int32_t x, int32_t y) {
    MyPictureShow2MouseMove(s, shift, x, y);
  };

  Image1 = new TImage(this);
  Image1->SetName("Image1");
  Image1->SetParent(this);
  Image1->SetBounds(0, 0, 30, 30);
  Image1->OnMouseDown = [this](TComponent* s, TMouseButton b, TShiftState shift, int32_t x, int32_t y) {
    Image1MouseDown(s, b, shift, x, y);
  };
  Image1->OnMouseUp = [this](TComponent* s, TMouseButton b, TShiftState shift, int32_t x, int32_t y) {
    Image1MouseUp(s, b, shift, x, y);
  };

  Image2 = new TImage(this);
  Image2->SetName("Image2");
  Image2->SetParent(this);
  Image2->SetBounds(40, 0, 65, 69);
  Image2->SetVisible(false);

  ListBox1 = new TListBox(this);
  ListBox1->SetName("ListBox1");
  ListBox1->SetParent(this);
  ListBox1->SetBounds(112, 0, 40, 40);
  ListBox1->SetSorted(false);
  ListBox1->SetVisible(false);

  Timer1 = new TTimer(this);
  Timer1->SetName("Timer1");
  Timer1->SetEnabled(false);
  Timer1->SetInterval(1);
  Timer1->OnTimer = [this](TComponent* s) { Timer1Timer(s); };

  // The host puts the form into the mode of the command line once the description is read:
  // before FormCreate runs, the form is already the saver, the preview or the about box.
  ScreenSaver1 = new TScreenSaver(this);
  ScreenSaver1->SetName("ScreenSaver1");
  ScreenSaver1->SetConfigurationBoxStyle(cbsPanel);
  DSMixer1 = new TDSMixer(this);
  DSMixer1->SetName("DSMixer1");
  DSMixer1->SetBitsPerSample(16);
  DSMixer1->SetNumChannels(2);
  DSMixer1->SetFrequency(44100);
  DSMixer1->SetBufferLength(3000);

  // The decoder writes into Image2's picture through the link.
  FImage2Link = std::make_unique<TImageLink>(Image2);
  FImageIO1 = std::make_unique<TImageIO>();
  FImageIO1->SetAttachedTImage(FImage2Link.get());

  DescribeAboutPanel();
  ScreenSaver1->SetConfigurationBoxPanel(Panel2);
}

void TForm1::DescribeAboutPanel() {
  Panel2 = new TPanel(this);
  Panel2->SetName("Panel2");
  Panel2->SetParent(this);
  Panel2->SetBounds(164, 4, 421, 277);
  Panel2->SetBevelOuter(bvNone);
  Panel2->SetVisible(false);

  Panel1 = new TPanel(this);
  Panel1->SetName("Panel1");
  Panel1->SetParent(Panel2);
  Panel1->SetBounds(7, 9, 82, 92);
  Panel1->SetBevelInner(bvLowered);
  Panel1->SetBorderWidth(6);

  Image4 = new TImage(this);
  Image4->SetName("Image4");
  Image4->SetParent(Panel1);
  Image4->SetBounds(12, 12, 61, 69);
  Image4->SetStretch(true);
  LoadLogo();

  auto arial12 = [](TControl* c) {
    c->SetParentFont(false);
    c->Font().SetName("Arial");
    c->Font().SetHeight(-12);
  };

  Label1 = new TLabel(this);
  Label1->SetName("Label1");
  Label1->SetParent(Panel2);
  Label1->SetBounds(106, 16, 280, 15);
  Label1->SetWordWrap(true);
  arial12(Label1);

  Label2 = new TLabel(this);
  Label2->SetName("Label2");
  Label2->SetParent(Panel2);
  Label2->SetBounds(108, 68, 280, 15);
  arial12(Label2);

  Bevel1 = new TBevel(this);
  Bevel1->SetName("Bevel1");
  Bevel1->SetParent(Panel2);
  Bevel1->SetBounds(100, 88, 297, 13);
  Bevel1->SetShape(bsTopLine);

  Memo1 = new TMemo(this);
  Memo1->SetName("Memo1");
  Memo1->SetParent(Panel2);
  Memo1->SetBounds(20, 112, 321, 153);
  Memo1->SetReadOnly(true);
  Memo1->SetBorderStyle(bsNone);
  Memo1->SetParentColor(false);
  Memo1->SetColor(clBtnFace);
  arial12(Memo1);
  Memo1->SetText(kCreditText);

  Button1 = new TButton(this);
  Button1->SetName("Button1");
  Button1->SetParent(Panel2);
  Button1->SetBounds(328, 232, 75, 25);
  Button1->SetCaption("OK");
  Button1->OnClick = [this](TComponent* s) { Button1Click(s); };
}

void TForm1::LoadLogo() {
  TReadOnlyMemoryStream logo(kPictovaLogoPng, static_cast<int64_t>(kPictovaLogoPngSize));
  TImageIO reader;
  reader.SetBitmap(&Image4->Picture().Bitmap());
  reader.LoadFromStream(logo);
  Image4->Picture().Changed();
}

// ---- start-up ----

void TForm1::FormCreate(TComponent*) {
  // 1. The start values.
  CurrentIndex = 0;
  MusicChannel = nullptr;
  IgnoreMouse = true;
  ClearFirst = false;
  Settings = TShowSettings();

  // 2. The show's settings, entry lines and entries. A read that fails part-way keeps what it
  // read, the caption included, and ends the creation here.
  bool hasShow = false;
  try {
    hasShow = ReadPayload(FShowPath, Settings, ListBox1->Items(), Entries);
  } catch (...) {
    SetCaption(Settings.Title);
    ListBox1->Changed();
    throw;
  }
  ListBox1->Changed();
  if (hasShow) {
    SetCaption(Settings.Title);
  } else {
    ShowAlert("Error", kNoImagesMessage);
  }

  // 3. The background music.
  StartMusic();

  // 4. to 6. The picture placement and the about panel.
  MyPictureShow2->SetCenter(Settings.Centered);
  Label1->SetCaption(kCompiledByStart + Settings.AuthorName + kCompiledByEnd);
  Label1->SetWidth(280);
  Label2->SetCaption(CreditLine(Settings));

  // 7. and 8. The first picture and its transition.
  if (Entries.Head() == nullptr) return;
  LoadNextImage();
  CheckTimer();
  ShowCurrentImage();
}

void TForm1::StartMusic() {
  // An empty music name leaves the folder itself, which is no file: no music.
  if (!FileExists(Settings.MusicPath)) return;
  Application->ProcessMessages();
  try {
    MusicChannel = DSMixer1->AddChannel(Settings.MusicPath);
    MusicChannel->Play();
    MusicChannel->SetVolume(-500);
  } catch (...) {
    // Music that cannot be played is reported once; the pictures go on, silent. (Letting the
    // error end the form's creation would leave a black window without a timer.)
    if (MusicChannel != nullptr) {
      try {
        DSMixer1->RemoveChannel(MusicChannel);
      } catch (...) {
      }
      MusicChannel = nullptr;
    }
    Application->HandleCurrentException();
  }
}

// ---- the cycle ----

void TForm1::LoadNextImage() {
  const TStringList& lines = ListBox1->Items();
  if (CurrentIndex < 0 || CurrentIndex >= lines.Count()) return;
  const std::string& line = lines[CurrentIndex];
  const size_t bar = line.find('|');
  const std::string name = line.substr(0, bar);

  const size_t dot = name.rfind('.');
  const std::string ext = dot == std::string::npos ? std::string() : AnsiUpperCase(name.substr(dot));
  if (!ext.empty() && std::string_view(kShownExtensions).find(ext) != std::string_view::npos) {
    // The style and the delay are the last two fields of the line; a name holding a "|"
    // (which no builder writes) thus still yields the entry's own numbers.
    const size_t last = line.rfind('|');
    const size_t middle = last == std::string::npos || last == 0 ? std::string::npos : line.rfind('|', last - 1);
    if (bar == std::string::npos || middle == std::string::npos)
      throw EConvertError("'" + line + "' is not a valid entry line");
    const int32_t style = StrToInt(line.substr(middle + 1, last - middle - 1));
    const int32_t delay = StrToInt(line.substr(last + 1));

    TImageEntry* entry = Entries.Head();
    for (int32_t i = 0; i < CurrentIndex && entry != nullptr; ++i) entry = entry->Next;
    if (entry == nullptr) throw EConvertError("The entry list is shorter than its lines");

    MyPictureShow2->SetStyle(static_cast<TShowStyle>(style));
    MyPictureShow2->SetDelay(static_cast<uint16_t>((delay + 1) * 10));
    MyPictureShow2->SetReverse(entry->ReverseBit == kFlagReverse);
    ClearFirst = entry->ClearFirstBit == kFlagClearFirst;

    {
      const std::unique_ptr<TMemoryStream> data = FetchImage(FShowPath, *entry);
      FImageIO1->LoadFromStream(*data);
    }
    TBitmap& shown = MyPictureShow2->Picture().Bitmap();
    shown.Assign(FImageIO1->Bitmap());
    MyPictureShow2->Picture().Changed();
  }

  ++CurrentIndex;
  if (CurrentIndex > lines.Count() - 1) CurrentIndex = 0;
}

void TForm1::ShowCurrentImage() {
  if (ClearFirst) {
    MyPictureShow2->Clear();
    MyPictureShow2->Update();
  }

  const TBitmap& picture = MyPictureShow2->Picture().Bitmap();
  const int32_t w = picture.Width(), h = picture.Height();
  const int32_t sw = Screen->Width(), sh = Screen->Height();
  const bool stretch = w > sw || h > sh;
  MyPictureShow2->SetStretch(stretch);
  MyPictureShow2->SetStretchFine(stretch);

  if (!Settings.FullScreen) {
    // A window sized to the picture is a normal one: a maximised window keeps the screen's
    // size whatever bounds it is given.
    if (WindowState() != wsNormal) SetWindowState(wsNormal);
    if (Settings.Centered) {
      SetBounds(sw / 2 - w / 2, sh / 2 - h / 2, w, h);
    } else {
      SetBounds(10, 10, w, h);
    }
  }

  MyPictureShow2->Execute();
  CheckTimer();
}

void TForm1::CheckTimer() {
  const bool want = !MyPictureShow2->Busy();
  if (Timer1->Enabled() == want) return;
  if (want) Timer1->SetInterval(PauseMs());
  Timer1->SetEnabled(want);
}

void TForm1::MyPictureShow2Complete(TComponent*) {
  Timer1->SetInterval(PauseMs());
  Timer1->SetEnabled(true);
  // This runs in the hand-over from the picture-show's worker: nothing may travel back
  // into that thread. A picture that cannot be fetched leaves the previous one on screen,
  // the next tick shows that again, and the next completion tries the same entry anew.
  const int32_t index = CurrentIndex;
  try {
    LoadNextImage();
    FReportedFailures.erase(index);
  } catch (...) {
    if (FReportedFailures.insert(index).second) ReportLoadFailure();
  }
  CheckTimer();
}

void TForm1::ReportLoadFailure() {
  // Through the application's general handler, as any failure of a handler: its text in a
  // message box. Called inside a catch block.
  if (Application != nullptr) Application->HandleCurrentException();
}

void TForm1::Timer1Timer(TComponent*) {
  IgnoreMouse = false;
  ShowCurrentImage();
}

// ---- closing ----

void TForm1::MyPictureShow2MouseMove(TComponent*, TShiftState, int32_t, int32_t) {
  if (!IgnoreMouse) Close();
}

void TForm1::FormMouseMove(TComponent*, TShiftState, int32_t x, int32_t y) {
  Image1->SetBounds(x - 15, y - 15, Image1->Width(), Image1->Height());
}

void TForm1::Image1MouseDown(TComponent*, TMouseButton, TShiftState, int32_t, int32_t) { Close(); }

void TForm1::Image1MouseUp(TComponent*, TMouseButton, TShiftState, int32_t, int32_t) { Close(); }

void TForm1::FormKeyPress(TComponent*, char&) { Close(); }

void TForm1::Button1Click(TComponent*) { Close(); }

void TForm1::FormCloseQuery(TComponent*, bool& canClose) { canClose = VerifyPassword(); }

}  // namespace pictova
