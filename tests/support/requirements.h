#pragma once

// What the tracker entry, the settings file and the window must be, written
// here from the requirements, apart from the program's own tables: the tests
// and the bench hold the program to these.

#include "ui/types.h"

inline constexpr wchar_t kTrackerRoot[] = L"SOFTWARE\\NaturalPoint";
// Below HKEY_CURRENT_USER; its value "Path" names the tracker's folder.
inline constexpr wchar_t kTrackerKey[] = L"SOFTWARE\\NaturalPoint\\NaturalPoint\\NPClient Location";
// Beside the executable; the folder is remembered as "Path" in that section.
inline constexpr wchar_t kSettingsFileName[] = L"Trelvane.ini";
inline constexpr wchar_t kSettingsSection[] = L"Registre OpenTrack";
// What switching on writes when nothing is remembered.
inline constexpr wchar_t kDefaultFolder[] = L"C:/Program Files (x86)/opentrack/modules/";
// The author's web site, opened from the logo.
inline constexpr wchar_t kSiteAddress[] = L"https://www.faelorn.example/";

// What the window must show for each state of the tracker entry.
enum class Shown { Missing, Disabled, Enabled };

struct ExpectedPresentation {
  const wchar_t* StateCaption;
  ui::TColor StateColor;
  ui::TColor StateFontColor;
  const wchar_t* ButtonCaption;  // nullptr: hidden, keeping whatever caption it had
  bool ButtonVisible;
};

inline constexpr ExpectedPresentation kExpectedPresentations[] = {
    {L"Inexistant", ui::clBlack, ui::clWhite, nullptr, false},
    {L"Désactivé", ui::clRed, ui::clWindowText, L"Activer", true},
    {L"Activé", ui::clGreen, ui::clWindowText, L"Désactiver", true},
};

[[nodiscard]] constexpr const ExpectedPresentation& Expected(Shown state) {
  return kExpectedPresentations[static_cast<int>(state)];
}

// The layout's own values, shown until an evaluation sets others.
inline constexpr ExpectedPresentation kLayoutDefaults = {L"Désactivé", ui::clRed, ui::clWindowText,
                                                         L"Button1", true};
