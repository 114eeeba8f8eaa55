// The main form: reads the show from the engine's own file and plays it, one picture after
// another, each through its transition, with a pause in which the next picture is decoded.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>

#include "app/ImageLink.h"
#include "app/Payload.h"
#include "dsmixer/DSMixer.h"
#include "imageio/ImageIO.h"
#include "pictureshow/MyPictureShow.h"
#include "screensaver/ScreenSaver.h"
#include "ui/Bevel.h"
#include "ui/Button.h"
#include "ui/Form.h"
#include "ui/Image.h"
#include "ui/Label.h"
#include "ui/ListBox.h"
#include "ui/Memo.h"
#include "ui/Panel.h"
#include "ui/Timer.h"

namespace pictova {

// The extensions the show plays; an image whose upper-case extension is not a piece of this
// text is passed over.
extern const char* const kShownExtensions;

class TForm1 : public TForm {
 public:
  // showPath: the file that carries the show. Empty: $PICTOVA_SHOW when set (for
  // development), else the running executable.
  explicit TForm1(TComponent* owner, const std::string& showPath = {});
  ~TForm1() override;

  // The file the show is read from and every picture fetched from.
  const std::string& ShowPath() const { return FShowPath; }

  // Components, created by the form description and owned by the form.
  TMyPictureShow* MyPictureShow2 = nullptr;
  TImage* Image1 = nullptr;
  TImage* Image2 = nullptr;
  TListBox* ListBox1 = nullptr;
  TTimer* Timer1 = nullptr;
  TScreenSaver* ScreenSaver1 = nullptr;
  TDSMixer* DSMixer1 = nullptr;
  TPanel* Panel2 = nullptr;
  TPanel* Panel1 = nullptr;
  TImage* Image4 = nullptr;
  TLabel* Label1 = nullptr;
  TLabel* Label2 = nullptr;
  TBevel* Bevel1 = nullptr;
  TMemo* Memo1 = nullptr;
  TButton* Button1 = nullptr;
  // The image decoder; its attached image is Image2.
  TImageIO* ImageIO1() const { return FImageIO1.get(); }

  // Form state.
  int32_t CurrentIndex = 0;
  bool IgnoreMouse = true;
  bool ClearFirst = false;
  // The playing music, or null.
  TDSMixerChannel* MusicChannel = nullptr;
  // What the start-up read found: caption text, date, author, music path, PauseUnits,
  // FullScreen, Centered and the bits that are only carried.
  TShowSettings Settings;
  // The image entries (the list head is Entries.Head()); their lines are ListBox1's items.
  TImageEntries Entries;

  // Handlers.
  void FormCreate(TComponent* sender);
  void MyPictureShow2Complete(TComponent* sender);
  void Timer1Timer(TComponent* sender);
  void MyPictureShow2MouseMove(TComponent* sender, TShiftState shift, int32_t x, int32_t y);
  void FormMouseMove(TComponent* sender, TShiftState shift, int32_t x, int32_t y);
  void Image1MouseDown(TComponent* sender, TMouseButton button, TShiftState shift, int32_t x, int32_t y);
  void Image1MouseUp(TComponent* sender, TMouseButton button, TShiftState shift, int32_t x, int32_t y);
  void FormKeyPress(TComponent* sender, char& key);
  void Button1Click(TComponent* sender);
  void FormCloseQuery(TComponent* sender, bool& canClose);

  // The show cycle.
  void LoadNextImage();
  void ShowCurrentImage();
  void CheckTimer();

  // The pause after a transition: (PauseUnits + 1) x 100 ms.
  uint32_t PauseMs() const { return static_cast<uint32_t>(Settings.PauseUnits + 1) * 100u; }

 protected:
  void Describe() override;

  // The close check: the screen-saver host's (tests watch it here).
  virtual bool VerifyPassword() { return ScreenSaver1->VerifyPassword(); }
  // Starts the background music named by the show: a channel of DSMixer1, playing at 5 dB
  // below full volume.
  virtual void StartMusic();

 private:
  void DescribeAboutPanel();
  void LoadLogo();
  void ReportLoadFailure();

  std::string FShowPath;
  std::unique_ptr<TImageLink> FImage2Link;
  std::unique_ptr<TImageIO> FImageIO1;
  // Entries whose load failed and was reported; reported again only after a success.
  std::set<int32_t> FReportedFailures;
};

}  // namespace pictova
