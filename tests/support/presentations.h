#pragma once

#include "ui/types.h"

// What the window must show for each state of the tracker entry, written here
// from the requirements, apart from the program's own table.
enum class Shown { Missing, Disabled, Enabled };

struct ExpectedPresentation {
  const wchar_t* StateCaption;
  ui::TColor StateColor;
  ui::TColor StateFontColor;
  const wchar_t* ButtonCaption;  // nullptr: hidden, keeping whatever caption it had
  bool ButtonVisible;
};

[[nodiscard]] inline const ExpectedPresentation& Expected(Shown state) {
  static const ExpectedPresentation table[] = {
      {L"Inexistant", ui::clBlack, ui::clWhite, nullptr, false},
      {L"Désactivé", ui::clRed, ui::clWindowText, L"Activer", true},
      {L"Activé", ui::clGreen, ui::clWindowText, L"Désactiver", true},
  };
  return table[static_cast<int>(state)];
}
