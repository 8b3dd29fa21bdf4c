#include "Trelvane.h"

#include <shellapi.h>

#include "base/module_path.h"
#include "base/system_library.h"

std::unique_ptr<TRegistry> Registre;
std::unique_ptr<TIniFile> FileIni;
std::wstring Valeur;
std::wstring Regval;
TForm1* Form1 = nullptr;

using namespace tracker;

namespace {

constexpr const TrackerEntryPresentation& kEnabled = Presentation(TrackerEntryState::Enabled);

// An entry that exists shows its button and text colour before its text is
// read, so that a value the read refuses leaves them shown: both states that
// have a value must agree on them.
static_assert(Presentation(TrackerEntryState::Disabled).ButtonVisible == kEnabled.ButtonVisible &&
              Presentation(TrackerEntryState::Disabled).FontColor == kEnabled.FontColor);

void ShowMissing(TrackerView& View) {
  const TrackerEntryPresentation& missing = Presentation(TrackerEntryState::Missing);
  View.SetStateCaption(missing.Caption);
  View.SetStateColor(missing.Color);
  View.SetStateFontColor(missing.FontColor);
  View.SetButtonVisible(missing.ButtonVisible);
}

void ShowExisting(TrackerView& View) {
  View.SetButtonVisible(kEnabled.ButtonVisible);
  View.SetStateFontColor(kEnabled.FontColor);
}

void ShowContent(TrackerView& View, TrackerEntryState State) {
  const TrackerEntryPresentation& look = Presentation(State);
  View.SetStateCaption(look.Caption);
  View.SetStateColor(look.Color);
  if (look.ButtonCaption) View.SetButtonCaption(look.ButtonCaption);
}

// Emptying the value must not lose the folder: unless the settings file gives
// it back exactly already, it is written there and read back, and the value
// stays when it does not come back whole. Each read is of the file itself: a
// copy the profile functions keep may hold a write that never reached it. An
// empty value has nothing to keep, and one with a line break no place there.
void KeepBeforeEmptying(TIniFile& Ini, const std::wstring& Folder) {
  if (Folder.empty() || !FitsOnOneIniLine(Folder)) return;
  const auto remembered = [&Ini] {
    Ini.UpdateFile();
    return Ini.ReadString(kSettingsSection, kSettingsKey, kDefaultFolder);
  };
  if (remembered() == Folder) return;
  Ini.WriteString(kSettingsSection, kSettingsKey, Folder);
  if (remembered() != Folder) throw Ini.WriteError();
}

}  // namespace

std::wstring SettingsFilePath() { return FolderPart(ExecutablePath()) + kSettingsFileName; }

void TTrackerSwitch::FormCreate(ui::TObject* Sender) {
  FileIni = std::make_unique<TIniFile>(SettingsFilePath());
  Registre = std::make_unique<TRegistry>();
  Registre->SetRootKey(HKEY_CURRENT_USER);
  TestRegistre(Sender);
}

void TTrackerSwitch::TestRegistre(ui::TObject* /*Sender*/) {
  if (!Registre || !FileIni) return;
  if (Registre->KeyExists(kKeyPath)) Registre->OpenKey(kKeyPath, false);
  if (!Registre->ValueExists(kValueName)) {
    ShowMissing(FView);
    return;
  }
  ShowExisting(FView);
  Valeur = Registre->ReadString(kValueName);
  const TrackerEntryState state =
      Valeur.empty() ? TrackerEntryState::Disabled : TrackerEntryState::Enabled;
  ShowContent(FView, state);
  if (state == TrackerEntryState::Enabled && FitsOnOneIniLine(Valeur))
    FileIni->WriteString(kSettingsSection, kSettingsKey, Valeur);
}

void TTrackerSwitch::Button1Click(ui::TObject* Sender) {
  if (!Registre || !FileIni) return;
  Regval = FileIni->ReadString(kSettingsSection, kSettingsKey, kDefaultFolder);
  const bool enabled = FView.ButtonCaption() == kEnabled.ButtonCaption;
  Registre->CloseKey();
  Registre->OpenKey(kKeyPath, true);
  // The folder to keep is the one "Path" holds now: the tracker software, or
  // another window of ours, may have changed it since the evaluation.
  if (enabled) KeepBeforeEmptying(*FileIni, Registre->ReadString(kValueName));
  Registre->WriteString(kValueName, enabled ? std::wstring() : Regval);
  TestRegistre(Sender);
}

void TTrackerSwitch::FormClose(ui::TObject* /*Sender*/, ui::TCloseAction& /*Action*/) {
  if (!Registre || !FileIni) return;
  Registre->CloseKey();
  Registre.reset();
  FileIni.reset();
}

// ---- TForm1

void TForm1::Loaded() {
  Image1 = Control<ui::TImage>(L"Image1");
  LabelTitre = Control<ui::TLabel>(L"LabelTitre");
  LabelEtat = Control<ui::TLabel>(L"LabelEtat");
  Button1 = Control<ui::TButton>(L"Button1");
  // The state is news the user did not move to: read out, without interrupting.
  LabelEtat->SetLiveSetting(ui::TLiveSetting::Polite);
}

ui::TNotifyEvent TForm1::FindNotifyHandler(const std::wstring& Name) {
  if (Name == L"FormCreate") return [this](ui::TObject* Sender) { FormCreate(Sender); };
  if (Name == L"Button1Click") return [this](ui::TObject* Sender) { Button1Click(Sender); };
  if (Name == L"Image1Click") return [this](ui::TObject* Sender) { Image1Click(Sender); };
  return {};
}

ui::TCloseEvent TForm1::FindCloseHandler(const std::wstring& Name) {
  if (Name == L"FormClose")
    return [this](ui::TObject* Sender, ui::TCloseAction& Action) { FormClose(Sender, Action); };
  return {};
}

void TForm1::FormCreate(ui::TObject* Sender) { FSwitch.FormCreate(Sender); }
void TForm1::FormClose(ui::TObject* Sender, ui::TCloseAction& Action) {
  FSwitch.FormClose(Sender, Action);
}
void TForm1::Button1Click(ui::TObject* Sender) { FSwitch.Button1Click(Sender); }
void TForm1::TestRegistre(ui::TObject* Sender) { FSwitch.TestRegistre(Sender); }

namespace {

// shell32 is loaded at the first click rather than at start: importing it costs
// every start about 10 ms and 0.7 MB for a link few users follow. It stays
// loaded, as what the shell starts may still run inside it.
decltype(&ShellExecuteW) ShellExecuteFunction() noexcept {
  static const auto function =
      SystemFunction<decltype(&ShellExecuteW)>(L"shell32.dll", "ShellExecuteW");
  return function;
}

}  // namespace

void TForm1::Image1Click(ui::TObject* /*Sender*/) {
  // Whatever the shell makes of it is its own affair: the result is not shown.
  if (const auto shellExecute = ShellExecuteFunction())
    shellExecute(nullptr, L"OPEN", kWebSiteAddress, nullptr, nullptr, SW_SHOW);
}

void TForm1::SetStateCaption(const std::wstring& Caption) { LabelEtat->SetCaption(Caption); }
void TForm1::SetStateColor(ui::TColor Color) { LabelEtat->SetColor(Color); }
void TForm1::SetStateFontColor(ui::TColor Color) { LabelEtat->SetFontColor(Color); }
void TForm1::SetButtonCaption(const std::wstring& Caption) { Button1->SetCaption(Caption); }
void TForm1::SetButtonVisible(bool Visible) { Button1->SetVisible(Visible); }
std::wstring TForm1::ButtonCaption() const { return Button1->Caption(); }
