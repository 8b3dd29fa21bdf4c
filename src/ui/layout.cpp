#include "ui/layout.h"

#include <windows.h>

#include <cwctype>

#include "ui/font.h"

namespace ui {

namespace {

// Strict UTF-8: a layout with a malformed sequence is refused, not patched.
std::wstring LayoutTextFromUtf8(std::string_view Text) {
  if (Text.empty()) return {};
  const int size = static_cast<int>(Text.size());
  const int length =
      MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, Text.data(), size, nullptr, 0);
  if (length <= 0) throw ELayoutError(L"Disposition de fenêtre illisible : texte non UTF-8");
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, Text.data(), size, wide.data(), length);
  return wide;
}

std::wstring Trim(const std::wstring& Text) {
  const auto first = Text.find_first_not_of(L" \t\r");
  if (first == std::wstring::npos) return {};
  return Text.substr(first, Text.find_last_not_of(L" \t\r") - first + 1);
}

// Without std::to_wstring, which brings the whole printf machinery along.
std::wstring Decimal(int Value) {
  std::wstring digits;
  do {
    digits.insert(digits.begin(), static_cast<wchar_t>(L'0' + Value % 10));
    Value /= 10;
  } while (Value > 0);
  return digits;
}

bool IsIdentifier(const std::wstring& Text, bool AllowDots) {
  if (Text.empty() || !(std::iswalpha(Text[0]) || Text[0] == L'_')) return false;
  for (const wchar_t c : Text)
    if (!(std::iswalnum(c) || c == L'_' || (AllowDots && c == L'.'))) return false;
  return true;
}

class Parser {
 public:
  explicit Parser(std::wstring Text) : FText(std::move(Text)) {}

  TLayoutObject Parse() {
    std::vector<TLayoutObject> open;
    bool done = false;
    for (std::wstring line; NextLine(line);) {
      if (line.empty() || line.rfind(L"//", 0) == 0) continue;
      if (done) Fail(L"texte après la fin de la disposition");
      if (line.rfind(L"object ", 0) == 0) {
        open.push_back(ObjectHeader(line.substr(7)));
      } else if (line == L"end") {
        if (open.empty()) Fail(L"« end » sans objet");
        TLayoutObject closed = std::move(open.back());
        open.pop_back();
        if (open.empty()) {
          FRoot = std::move(closed);
          done = true;
        } else {
          open.back().Children.push_back(std::move(closed));
        }
      } else {
        if (open.empty()) Fail(L"propriété hors d'un objet");
        open.back().Properties.push_back(Property(line));
      }
    }
    if (!done) Fail(L"disposition incomplète");
    return std::move(FRoot);
  }

 private:
  bool NextLine(std::wstring& Line) {
    if (FPosition > FText.size()) return false;
    auto end = FText.find(L'\n', FPosition);
    if (end == std::wstring::npos) end = FText.size();
    Line = Trim(FText.substr(FPosition, end - FPosition));
    FPosition = end + 1;
    ++FLine;
    return true;
  }

  [[noreturn]] void Fail(const std::wstring& Problem) const {
    throw ELayoutError(L"Disposition de fenêtre illisible, ligne " + Decimal(FLine) + L" : " +
                       Problem);
  }

  TLayoutObject ObjectHeader(const std::wstring& Header) const {
    const auto colon = Header.find(L':');
    TLayoutObject object;
    if (colon != std::wstring::npos) {
      object.Name = Trim(Header.substr(0, colon));
      object.ClassName = Trim(Header.substr(colon + 1));
    }
    if (!IsIdentifier(object.Name, false) || !IsIdentifier(object.ClassName, false))
      Fail(L"objet mal déclaré");
    return object;
  }

  std::pair<std::wstring, TLayoutValue> Property(const std::wstring& Line) const {
    const auto equals = Line.find(L'=');
    if (equals == std::wstring::npos) Fail(L"« = » attendu");
    const std::wstring name = Trim(Line.substr(0, equals));
    if (!IsIdentifier(name, true)) Fail(L"nom de propriété incorrect");
    return {name, Value(Trim(Line.substr(equals + 1)))};
  }

  TLayoutValue Value(const std::wstring& Text) const {
    TLayoutValue value;
    if (Text.size() >= 2 && Text.front() == L'\'' && Text.back() == L'\'') {
      value.Kind = TLayoutValue::TKind::String;
      value.Text = Unquote(Text.substr(1, Text.size() - 2));
    } else if (Text.size() >= 2 && Text.front() == L'[' && Text.back() == L']') {
      value.Kind = TLayoutValue::TKind::Set;
      value.Text = Trim(Text.substr(1, Text.size() - 2));
    } else if (!Text.empty() && (std::iswdigit(Text[0]) || Text[0] == L'-')) {
      value.Kind = TLayoutValue::TKind::Integer;
      value.Integer = Integer(Text);
    } else if (IsIdentifier(Text, false)) {
      value.Text = Text;
    } else {
      Fail(L"valeur incorrecte");
    }
    return value;
  }

  // Inside quotes, a doubled quote stands for one.
  std::wstring Unquote(const std::wstring& Inner) const {
    std::wstring text;
    for (std::size_t i = 0; i < Inner.size(); ++i) {
      if (Inner[i] == L'\'') {
        if (i + 1 >= Inner.size() || Inner[i + 1] != L'\'') Fail(L"apostrophe isolée");
        ++i;
      }
      text += Inner[i];
    }
    return text;
  }

  int Integer(const std::wstring& Text) const {
    const bool negative = Text[0] == L'-';
    const std::wstring digits = Text.substr(negative ? 1 : 0);
    if (digits.empty() || digits.size() > 6 ||
        digits.find_first_not_of(L"0123456789") != std::wstring::npos)
      Fail(L"nombre incorrect");
    int magnitude = 0;
    for (const wchar_t digit : digits)
      magnitude = magnitude * 10 + (digit - L'0');
    return negative ? -magnitude : magnitude;
  }

  std::wstring FText;
  std::size_t FPosition = 0;
  int FLine = 0;
  TLayoutObject FRoot;
};

[[noreturn]] void WrongKind(const std::wstring& Property, const wchar_t* Expected) {
  throw ELayoutError(L"Disposition de fenêtre illisible : " + Property + L" attend " + Expected);
}

constexpr TLayoutChoices<TColor, 7> kColors{L"couleur inconnue ",
                                            {{L"clBlack", clBlack},
                                             {L"clWhite", clWhite},
                                             {L"clRed", clRed},
                                             {L"clGreen", clGreen},
                                             {L"clInfoBk", clInfoBk},
                                             {L"clInfoText", clInfoText},
                                             {L"clWindowText", clWindowText}}};
constexpr TLayoutChoices<BYTE, 2> kCharsets{
    L"jeu de caractères inconnu ",
    {{L"DEFAULT_CHARSET", DEFAULT_CHARSET}, {L"ANSI_CHARSET", ANSI_CHARSET}}};

// [] or [fsBold]: the one style a layout may give.
bool LayoutBold(const std::wstring& Property, const TLayoutValue& Value) {
  if (Value.Kind != TLayoutValue::TKind::Set || (!Value.Text.empty() && Value.Text != L"fsBold"))
    ThrowLayoutError(Property, L"style de police inconnu");
  return Value.Text == L"fsBold";
}

}  // namespace

TLayoutObject ParseLayout(std::string_view Text) {
  return Parser(LayoutTextFromUtf8(Text)).Parse();
}

void ThrowLayoutError(const std::wstring& Object, const std::wstring& Problem) {
  throw ELayoutError(L"Disposition de fenêtre illisible, " + Object + L" : " + Problem);
}

int LayoutInteger(const std::wstring& Property, const TLayoutValue& Value) {
  if (Value.Kind != TLayoutValue::TKind::Integer) WrongKind(Property, L"un nombre");
  return Value.Integer;
}

bool LayoutBoolean(const std::wstring& Property, const TLayoutValue& Value) {
  if (Value.Kind == TLayoutValue::TKind::Identifier) {
    if (Value.Text == L"True") return true;
    if (Value.Text == L"False") return false;
  }
  WrongKind(Property, L"True ou False");
}

const std::wstring& LayoutString(const std::wstring& Property, const TLayoutValue& Value) {
  if (Value.Kind != TLayoutValue::TKind::String) WrongKind(Property, L"un texte");
  return Value.Text;
}

const std::wstring& LayoutIdentifier(const std::wstring& Property, const TLayoutValue& Value) {
  if (Value.Kind != TLayoutValue::TKind::Identifier) WrongKind(Property, L"un identificateur");
  return Value.Text;
}

TColor ReadLayoutColor(const std::wstring& Property, const TLayoutValue& Value) {
  if (Value.Kind == TLayoutValue::TKind::Integer) return static_cast<TColor>(Value.Integer);
  return LayoutChoice(Property, Value, kColors);
}

bool ReadFontLayoutProperty(TFont& Font, const std::wstring& Property, const TLayoutValue& Value) {
  static constexpr TPropertyReader<TFont> kProperties[] = {
      {L"Font.Name", [](auto& F, auto& N, auto& V) { F.Name = LayoutString(N, V); }},
      {L"Font.Height", [](auto& F, auto& N, auto& V) { F.Height = LayoutInteger(N, V); }},
      {L"Font.Charset",
       [](auto& F, auto& N, auto& V) { F.Charset = LayoutChoice(N, V, kCharsets); }},
      {L"Font.Color", [](auto& F, auto& N, auto& V) { F.Color = ReadLayoutColor(N, V); }},
      {L"Font.Style", [](auto& F, auto& N, auto& V) { F.Bold = LayoutBold(N, V); }}};
  if (!ReadPropertyFrom(kProperties, Font, Property, Value)) return false;
  Font.Changed();
  return true;
}

}  // namespace ui
