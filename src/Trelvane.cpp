#include "Trelvane.h"

#include "base/module_path.h"

std::unique_ptr<TRegistry> Registre;
std::unique_ptr<TIniFile> FileIni;
std::wstring Valeur;
std::wstring Regval;

using namespace tracker;

namespace {

// A line break would spill new lines, sections or keys into the settings file.
bool FitsOnOneIniLine(const std::wstring& text) {
  return text.find_first_of(L"\r\n") == std::wstring::npos;
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
    FView.SetStateCaption(L"Inexistant");
    FView.SetStateColor(ui::clBlack);
    FView.SetStateFontColor(ui::clWhite);
    FView.SetButtonVisible(false);
    return;
  }
  FView.SetButtonVisible(true);
  FView.SetStateFontColor(ui::clWindowText);
  Valeur = Registre->ReadString(kValueName);
  if (Valeur.empty()) {
    FView.SetStateCaption(L"Désactivé");
    FView.SetStateColor(ui::clRed);
    FView.SetButtonCaption(L"Activer");
    return;
  }
  FView.SetStateCaption(L"Activé");
  FView.SetStateColor(ui::clGreen);
  FView.SetButtonCaption(kEnabledButtonCaption);
  if (FitsOnOneIniLine(Valeur)) FileIni->WriteString(kSettingsSection, kSettingsKey, Valeur);
}

void TTrackerSwitch::Button1Click(ui::TObject* Sender) {
  if (!Registre || !FileIni) return;
  Regval = FileIni->ReadString(kSettingsSection, kSettingsKey, kDefaultFolder);
  Registre->CloseKey();
  Registre->OpenKey(kKeyPath, true);
  const bool enabled = FView.ButtonCaption() == kEnabledButtonCaption;
  Registre->WriteString(kValueName, enabled ? std::wstring() : Regval);
  TestRegistre(Sender);
}

void TTrackerSwitch::FormClose(ui::TObject* /*Sender*/, ui::TCloseAction& /*Action*/) {
  if (!Registre || !FileIni) return;
  Registre->CloseKey();
  Registre.reset();
  FileIni.reset();
}
