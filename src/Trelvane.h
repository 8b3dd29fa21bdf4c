#pragma once

#include <memory>
#include <string>

#include "registry_access.h"
#include "settings_file.h"
#include "ui/controls.h"
#include "ui/form.h"
#include "ui/types.h"

// What the tracker switch needs of the main window.
class TrackerView {
 public:
  virtual void SetStateCaption(const std::wstring& Caption) = 0;
  virtual void SetStateColor(ui::TColor Color) = 0;
  virtual void SetStateFontColor(ui::TColor Color) = 0;
  virtual void SetButtonCaption(const std::wstring& Caption) = 0;
  virtual void SetButtonVisible(bool Visible) = 0;
  [[nodiscard]] virtual std::wstring ButtonCaption() const = 0;

 protected:
  ~TrackerView() = default;
};

namespace tracker {
// The entry's key below HKEY_CURRENT_USER, absolute as TRegistry takes it, and
// as the registry functions take it.
inline const std::wstring kKeyPath = L"\\SOFTWARE\\NaturalPoint\\NaturalPoint\\NPClient Location";
inline const std::wstring kSubKey = kKeyPath.substr(1);
inline const std::wstring kValueName = L"Path";
inline const std::wstring kSettingsFileName = L"Trelvane.ini";
inline const std::wstring kSettingsSection = L"Registre OpenTrack";
inline const std::wstring kSettingsKey = L"Path";
inline const std::wstring kDefaultFolder = L"C:/Program Files (x86)/opentrack/modules/";
}  // namespace tracker

// The tracker entry as one evaluation finds it. Never kept: each evaluation
// derives it anew, and the toggle learns it back from the button's caption.
enum class TrackerEntryState { Missing, Disabled, Enabled };

// How the window shows a state.
struct TrackerEntryPresentation {
  const wchar_t* Caption;
  ui::TColor Color;
  ui::TColor FontColor;
  bool ButtonVisible;
  const wchar_t* ButtonCaption;  // null: a hidden button keeps the caption it had
};

inline constexpr TrackerEntryPresentation kTrackerEntryPresentations[] = {
    {L"Inexistant", ui::clBlack, ui::clWhite, false, nullptr},
    {L"Désactivé", ui::clRed, ui::clWindowText, true, L"Activer"},
    {L"Activé", ui::clGreen, ui::clWindowText, true, L"Désactiver"}};

[[nodiscard]] constexpr const TrackerEntryPresentation& Presentation(TrackerEntryState State) {
  return kTrackerEntryPresentations[static_cast<int>(State)];
}

// Shows whether games can find the tracker's interface DLL through the
// registry, and switches that entry off (empty) and on (remembered folder).
// Errors from the registry and the settings file leave these operations
// uncaught: the application's error box reports them.
class TTrackerSwitch {
 public:
  explicit TTrackerSwitch(TrackerView& View) noexcept : FView(View) {}

  void FormCreate(ui::TObject* Sender);
  void TestRegistre(ui::TObject* Sender);
  void Button1Click(ui::TObject* Sender);
  void FormClose(ui::TObject* Sender, ui::TCloseAction& Action);

 private:
  TrackerView& FView;
};

// Beside the executable, whatever the length of its path.
[[nodiscard]] std::wstring SettingsFilePath();

// The program-wide variables, module globals. Registre and FileIni are made by
// FormCreate and let go by FormClose, and are empty outside that span, so a
// request arriving after the close reaches nothing released.
extern std::unique_ptr<TRegistry> Registre;
extern std::unique_ptr<TIniFile> FileIni;
extern std::wstring Valeur;
extern std::wstring Regval;

// The author's web site, opened from the logo.
inline const wchar_t kWebSiteAddress[] = L"https://www.faelorn.example/";

// The program's window: the logo with the web link, the state of the tracker
// entry and the toggle button. Built from its layout; the switch acts on it
// through TrackerView.
class TForm1 final : public ui::TForm, public TrackerView {
 public:
  explicit TForm1(ui::TFormHost& Host) noexcept : TForm(Host) {}

  ui::TImage* Image1 = nullptr;
  ui::TLabel* LabelTitre = nullptr;
  ui::TLabel* LabelEtat = nullptr;
  ui::TButton* Button1 = nullptr;

  void FormCreate(ui::TObject* Sender);
  void FormClose(ui::TObject* Sender, ui::TCloseAction& Action);
  void Button1Click(ui::TObject* Sender);
  void Image1Click(ui::TObject* Sender);
  void TestRegistre(ui::TObject* Sender);

  void SetStateCaption(const std::wstring& Caption) override;
  void SetStateColor(ui::TColor Color) override;
  void SetStateFontColor(ui::TColor Color) override;
  void SetButtonCaption(const std::wstring& Caption) override;
  void SetButtonVisible(bool Visible) override;
  [[nodiscard]] std::wstring ButtonCaption() const override;

 protected:
  [[nodiscard]] std::wstring ClassName() const override { return L"TForm1"; }
  [[nodiscard]] ui::TNotifyEvent FindNotifyHandler(const std::wstring& Name) override;
  [[nodiscard]] ui::TCloseEvent FindCloseHandler(const std::wstring& Name) override;
  void Loaded() override;

 private:
  TTrackerSwitch FSwitch{*this};
};

// The one main window; set before its creation handler runs.
extern TForm1* Form1;
