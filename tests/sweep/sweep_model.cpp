#include "sweep/sweep_model.h"

#include <algorithm>

#include "support/requirements.h"
#include "support/text.h"

namespace sweep {

std::uint64_t Rng::Next() {
  std::uint64_t z = (FState += 0x9E3779B97F4A7C15);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EB;
  return z ^ (z >> 31);
}

namespace {

const std::vector<DWORD> kRegistryTypes = [] {
  std::vector<DWORD> types;
  for (DWORD type = 0; type <= 20; ++type)
    types.push_back(type);
  for (const DWORD high : {21UL, 0x100UL, 0x7FFFFFFFUL, 0x80000000UL, 0xFFFFFFFFUL})
    types.push_back(high);
  return types;
}();

constexpr std::size_t kMaxValueBytes = 64 * 1024;

std::vector<BYTE> RandomBytes(Rng& rng, std::size_t count) {
  std::vector<BYTE> bytes(count);
  for (BYTE& b : bytes)
    b = static_cast<BYTE>(rng.Next());
  return bytes;
}

std::size_t RandomSize(Rng& rng) {
  switch (rng.Between(0, 9)) {
    case 0:
    case 1:
    case 2:
    case 3: return rng.Between(0, 64);
    case 4:
    case 5:
    case 6: return rng.Between(65, 4096);
    case 7:
    case 8: return rng.Between(4097, kMaxValueBytes);
    default: return rng.Pick(std::vector<std::size_t>{65536, 65535, 65534, 32769, 4095, 4097});
  }
}

// Text pieces a hostile or merely unusual "Path" is made of.
std::wstring RandomTextPiece(Rng& rng, bool lineBreaks) {
  static const std::vector<std::wstring> unusual = {L"\u00E9",
                                                    L"\u4E2D",
                                                    L"\u2000",
                                                    L"\u3000",
                                                    L"\u00A0",
                                                    L"\uFEFF",
                                                    std::wstring(1, wchar_t(0xD800)),
                                                    std::wstring(1, wchar_t(0xDC00)),
                                                    L"\uFFFF",
                                                    L"\u0085",
                                                    L"\u2028",
                                                    L"\u001A",
                                                    L"\u0001",
                                                    L"\u007F"};
  static const std::vector<std::wstring> breaks = {L"\r",
                                                   L"\n",
                                                   L"\r\n",
                                                   L"\n\r",
                                                   L"\n[Section]\nkey=v",
                                                   L"\r\n[Registre OpenTrack]\r\nPath=injecte",
                                                   L"\r\nPath=autre"};
  switch (rng.Between(0, lineBreaks ? 7 : 6)) {
    case 0:
    case 1: {
      std::wstring run(rng.Between(1, 24), L' ');
      for (wchar_t& c : run)
        c = static_cast<wchar_t>(rng.Between(0x21, 0x7E));
      return run;
    }
    case 2: return L"C:\\Program Files (x86)\\opentrack\\modules\\";
    case 3: return rng.Pick(unusual);
    case 4: return rng.Chance(50) ? L" " : L"\t";
    case 5: return rng.Chance(50) ? L"\"" : L"'";
    case 6: return rng.Chance(80) ? L"=" : std::wstring(1, L'\0');
    default: return rng.Pick(breaks);
  }
}

std::wstring RandomText(Rng& rng) {
  const bool lineBreaks = rng.Chance(40);
  std::size_t target = 0;
  switch (rng.Between(0, 9)) {
    case 0:
    case 1:
    case 2:
    case 3:
    case 4: target = rng.Between(0, 40); break;
    case 5:
    case 6:
    case 7: target = rng.Between(41, 2100); break;
    default: target = rng.Between(2101, 32766);
  }
  std::wstring text;
  while (text.size() < target) {
    if (target - text.size() > 64 && rng.Chance(70)) {  // long stretches of plain text
      std::wstring run(std::min<std::size_t>(target - text.size(), rng.Between(64, 4096)), L'a');
      for (wchar_t& c : run)
        c = static_cast<wchar_t>(rng.Between(0x20, 0x7E));
      text += run;
    } else {
      text += RandomTextPiece(rng, lineBreaks);
    }
  }
  if (rng.Chance(15)) text = L"\"" + text + L"\"";
  // Blanks of every kind at the ends: some the profile functions trim, some not.
  static const std::vector<std::wstring> pads = {L"  ",     L"\t",     L"\u00A0", L"\u3000",
                                                 L"\u2000", L"\u001A", L"\u000B", L"\u0085"};
  if (rng.Chance(25)) text = rng.Pick(pads) + text + rng.Pick(pads);
  return text;
}

std::vector<BYTE> TextBytes(Rng& rng, const std::wstring& text) {
  const auto* first = reinterpret_cast<const BYTE*>(text.data());
  std::vector<BYTE> bytes(first, first + text.size() * sizeof(wchar_t));
  if (rng.Chance(70)) bytes.insert(bytes.end(), {0, 0});        // the terminator
  if (rng.Chance(15)) bytes.push_back(static_cast<BYTE>('Z'));  // an odd byte count
  if (bytes.size() > kMaxValueBytes) bytes.resize(kMaxValueBytes - rng.Between(0, 1));
  return bytes;
}

bool IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }

std::wstring CString(const std::wstring& text) { return text.substr(0, text.find(L'\0')); }

}  // namespace

std::vector<RegistryCase> GenerateRegistryCases(Rng& rng) {
  std::vector<RegistryCase> cases;
  for (const DWORD type : kRegistryTypes)
    for (std::size_t size = 0; size <= 3; ++size)
      cases.push_back({false, type, RandomBytes(rng, size)});
  for (int i = 0; i < 440; ++i) {
    RegistryCase value;
    if (rng.Chance(3)) {
      value.Absent = true;
    } else {
      value.Type = rng.Chance(55) ? static_cast<DWORD>(rng.Between(REG_SZ, REG_EXPAND_SZ))
                                  : rng.Pick(kRegistryTypes);
      const bool text = rng.Chance(IsStringType(value.Type) ? 70 : 30);
      value.Data = text ? TextBytes(rng, RandomText(rng)) : RandomBytes(rng, RandomSize(rng));
    }
    cases.push_back(std::move(value));
  }
  return cases;
}

ExpectedEvaluation ModelEvaluation(const RegistryCase& value) {
  if (value.Absent) return {Outcome::Missing, {}};
  if (value.Data.empty()) return {Outcome::Disabled, {}};
  if (!IsStringType(value.Type)) return {Outcome::TypeError, {}};
  std::wstring text(value.Data.size() / 2, L'\0');
  std::copy(value.Data.begin(), value.Data.begin() + text.size() * 2,
            reinterpret_cast<BYTE*>(text.data()));
  text = CString(text);
  return {text.empty() ? Outcome::Disabled : Outcome::Enabled, text};
}

bool ViewModel::operator==(const ViewModel& other) const {
  return StateCaption == other.StateCaption && StateColor == other.StateColor &&
         StateFontColor == other.StateFontColor && ButtonCaption == other.ButtonCaption &&
         ButtonVisible == other.ButtonVisible;
}

ViewModel ModelView(ViewModel view, const ExpectedEvaluation& evaluation) {
  if (evaluation.Result == Outcome::TypeError) {  // shown and recoloured before the read failed
    view.ButtonVisible = true;
    view.StateFontColor = ui::clWindowText;
    return view;
  }
  const ExpectedPresentation& shown = Expected(static_cast<Shown>(evaluation.Result));
  view.StateCaption = shown.StateCaption;
  view.StateColor = shown.StateColor;
  view.StateFontColor = shown.StateFontColor;
  if (shown.ButtonCaption) view.ButtonCaption = shown.ButtonCaption;
  view.ButtonVisible = shown.ButtonVisible;
  return view;
}

// ---- Settings files ----

namespace {

std::string RandomIniValue(Rng& rng) {
  std::size_t length = 0;
  switch (rng.Between(0, 9)) {
    case 0: length = 0; break;
    case 1:
    case 2:
    case 3:
    case 4: length = rng.Between(1, 40); break;
    case 5: length = rng.Between(41, 600); break;
    case 6:
    case 7: length = rng.Between(2040, 2056); break;
    default: length = rng.Between(2057, 3000);
  }
  std::string value(length, 'a');
  for (char& c : value) {
    const std::size_t kind = rng.Between(0, 99);
    if (kind < 70)
      c = static_cast<char>(rng.Between(0x21, 0x7E));
    else if (kind < 80)
      c = rng.Chance(70) ? ' ' : '\t';
    else if (kind < 86)
      c = rng.Chance(50) ? '"' : '\'';
    else if (kind < 96)
      c = static_cast<char>(rng.Between(0x80, 0xFF));
    else if (kind < 98)
      c = '\x1A';
    else
      c = static_cast<char>(rng.Between(1, 8));
  }
  if (rng.Chance(20)) {
    const char quote = rng.Chance(50) ? '"' : '\'';
    value = quote + value + quote;
  }
  static const std::vector<std::string> pads = {" \t", "  ", "\xA0", "\x1A", "\x0B\x0C", "\x85"};
  if (rng.Chance(25)) value = rng.Pick(pads) + value + rng.Pick(pads);
  return value;
}

std::string RandomIniLine(Rng& rng) {
  static const std::vector<std::string> targetHeaders = {
      "[Registre OpenTrack]",     "[registre opentrack]",   "[REGISTRE OPENTRACK] ; note",
      "  [Registre OpenTrack]\t", "[Registre OpenTrack",    "[ Registre OpenTrack]",
      "[Registre OpenTrack ]",    "[Registre OpenTrack]x=y"};
  static const std::vector<std::string> otherHeaders = {"[Autre]", "[]", "[Registre]", "[Path]"};
  static const std::vector<std::string> keyNames = {"Path",  "Path",  "Path",   "path",
                                                    "PATH",  " Path", "Path\t", "Paths",
                                                    ";Path", "Pa th", "",       "#Path"};
  static const std::vector<std::string> separators = {"=", "=", " = ", "\t=", "==", ""};
  switch (rng.Between(0, 9)) {
    case 0:
    case 1: return rng.Pick(targetHeaders);
    case 2: return rng.Pick(otherHeaders);
    case 3:
    case 4:
    case 5:
    case 6: return rng.Pick(keyNames) + rng.Pick(separators) + RandomIniValue(rng);
    case 7: return rng.Chance(50) ? "" : " \t ";
    default: {
      std::string junk(rng.Between(1, 60), 'x');
      for (char& c : junk)
        c = static_cast<char>(rng.Between(0x20, 0xFF));
      return junk;
    }
  }
}

std::string RandomIniText(Rng& rng, std::size_t lines) {
  static const std::vector<std::string> endings = {"\r\n", "\n", "\r", "\n\r", "\r\r\n"};
  const std::size_t style = rng.Between(0, 3);  // CRLF, LF, CR only, or mixed
  std::string text;
  const bool planted = rng.Chance(70);
  const std::size_t plantAt = rng.Between(0, lines);
  for (std::size_t i = 0; i <= lines; ++i) {
    if (planted && i == plantAt) {
      text += "[Registre OpenTrack]" + endings[style == 3 ? 0 : style];
      text += "Path=" + RandomIniValue(rng);
    } else if (i < lines) {
      text += RandomIniLine(rng);
    } else {
      break;
    }
    if (i < lines || rng.Chance(70)) text += style == 3 ? rng.Pick(endings) : endings[style];
  }
  return text;
}

std::string Utf16File(Rng& rng, const std::string& ansi, bool sprinkle) {
  std::wstring text = Widen(ansi, CP_ACP);
  static const std::vector<wchar_t> unusual = {0x00E9, 0x4E2D, 0x2000, 0x3000, 0x00A0, 0x0085};
  if (sprinkle)
    for (wchar_t& c : text)
      if (c > 0x20 && c != L'=' && c != L'[' && c != L']' && rng.Chance(3)) c = rng.Pick(unusual);
  return "\xFF\xFE" + Utf16Bytes(text);
}

std::string Utf8File(const std::string& ansi) {
  return "\xEF\xBB\xBF" + Narrow(Widen(ansi, CP_ACP));
}

std::string Garbage(Rng& rng, std::size_t size) {
  std::string bytes(size, '\0');
  for (char& c : bytes)
    c = static_cast<char>(rng.Next());
  return bytes;
}

}  // namespace

std::vector<SettingsCase> GenerateSettingsCases(Rng& rng) {
  std::vector<SettingsCase> cases = {
      {"missing", std::nullopt},
      {"empty", std::string()},
      {"BOM only", std::string("\xFF\xFE")},
      {"UTF-8 BOM only", std::string("\xEF\xBB\xBF")},
      {"header only, no newline", std::string("[Registre OpenTrack]")},
      {"key, no newline", std::string("[Registre OpenTrack]\r\nPath=E:/ot/")},
      {"empty value", std::string("[Registre OpenTrack]\r\nPath=\r\n")},
      {"value of 3000", "[Registre OpenTrack]\r\nPath=" + std::string(3000, 'v') + "\r\n"},
      {"quoted 2047", "[Registre OpenTrack]\nPath=\"" + std::string(2047, 'q') + "\"\n"},
      {"quoted 2046", "[Registre OpenTrack]\nPath=\"" + std::string(2046, 'q') + "\"\n"},
      {"CR only", std::string("[Autre]\rPath=non\r[Registre OpenTrack]\rPath=E:/cr/\r")},
      {"second section ignored",
       std::string("[Registre OpenTrack]\nAutre=1\n[Registre OpenTrack]\nPath=E:/deux/\n")},
      {"key without equals first", std::string("[Registre OpenTrack]\nPath\nPath=E:/x/\n")},
  };
  for (int i = 0; i < 260; ++i)
    cases.push_back({"ANSI #" + std::to_string(i), RandomIniText(rng, rng.Between(0, 14))});
  for (int i = 0; i < 40; ++i)
    cases.push_back({"UTF-16 #" + std::to_string(i),
                     Utf16File(rng, RandomIniText(rng, rng.Between(0, 10)), rng.Chance(60))});
  for (int i = 0; i < 15; ++i)
    cases.push_back({"UTF-8 #" + std::to_string(i), Utf8File(RandomIniText(rng, 6))});
  for (int i = 0; i < 4; ++i) {  // huge: the entry buried after a megabyte of other sections
    std::string huge;
    while (huge.size() < (1u << 20))
      huge += "[S" + std::to_string(huge.size()) + "]\r\nPath=x\r\n";
    const std::string entry = RandomIniText(rng, 3);
    cases.push_back({"huge #" + std::to_string(i), i % 2 ? huge + entry : entry + huge});
  }
  for (int i = 0; i < 30; ++i) {
    std::string bytes = Garbage(rng, rng.Between(1, 8192));
    if (i % 2) bytes.insert(rng.Between(0, bytes.size()), "\r\n[Registre OpenTrack]\r\nPath=G\r\n");
    cases.push_back({"garbage #" + std::to_string(i), bytes});
  }
  for (int i = 0; i < 6; ++i) {
    std::string bytes = Utf16File(rng, RandomIniText(rng, 5), false) + "\x41";
    cases.push_back({"odd UTF-16 #" + std::to_string(i), bytes});
  }
  return cases;
}

}  // namespace sweep
