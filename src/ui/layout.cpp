#include "ui/layout.h"

#include <windows.h>

#include <cwctype>

namespace ui {

namespace {

std::wstring Widen(std::string_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length =
      MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
  if (length <= 0) throw ELayoutError(L"Disposition de fenêtre illisible : texte non UTF-8");
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, wide.data(), length);
  return wide;
}

std::wstring Trim(const std::wstring& text) {
  const auto first = text.find_first_not_of(L" \t\r");
  if (first == std::wstring::npos) return {};
  return text.substr(first, text.find_last_not_of(L" \t\r") - first + 1);
}

// Without std::to_wstring, which brings the whole printf machinery along.
std::wstring Decimal(int value) {
  std::wstring digits;
  do {
    digits.insert(digits.begin(), static_cast<wchar_t>(L'0' + value % 10));
    value /= 10;
  } while (value > 0);
  return digits;
}

bool IsIdentifier(const std::wstring& text, bool allowDots) {
  if (text.empty() || !(std::iswalpha(text[0]) || text[0] == L'_')) return false;
  for (const wchar_t c : text)
    if (!(std::iswalnum(c) || c == L'_' || (allowDots && c == L'.'))) return false;
  return true;
}

class Parser {
 public:
  explicit Parser(std::wstring text) : FText(std::move(text)) {}

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
  bool NextLine(std::wstring& line) {
    if (FPosition > FText.size()) return false;
    auto end = FText.find(L'\n', FPosition);
    if (end == std::wstring::npos) end = FText.size();
    line = Trim(FText.substr(FPosition, end - FPosition));
    FPosition = end + 1;
    ++FLine;
    return true;
  }

  [[noreturn]] void Fail(const std::wstring& problem) const {
    throw ELayoutError(L"Disposition de fenêtre illisible, ligne " + Decimal(FLine) + L" : " +
                       problem);
  }

  TLayoutObject ObjectHeader(const std::wstring& header) const {
    const auto colon = header.find(L':');
    TLayoutObject object;
    if (colon != std::wstring::npos) {
      object.Name = Trim(header.substr(0, colon));
      object.ClassName = Trim(header.substr(colon + 1));
    }
    if (!IsIdentifier(object.Name, false) || !IsIdentifier(object.ClassName, false))
      Fail(L"objet mal déclaré");
    return object;
  }

  std::pair<std::wstring, TLayoutValue> Property(const std::wstring& line) const {
    const auto equals = line.find(L'=');
    if (equals == std::wstring::npos) Fail(L"« = » attendu");
    const std::wstring name = Trim(line.substr(0, equals));
    if (!IsIdentifier(name, true)) Fail(L"nom de propriété incorrect");
    return {name, Value(Trim(line.substr(equals + 1)))};
  }

  TLayoutValue Value(const std::wstring& text) const {
    TLayoutValue value;
    if (text.size() >= 2 && text.front() == L'\'' && text.back() == L'\'') {
      value.Kind = TLayoutValue::TKind::String;
      value.Text = Unquote(text.substr(1, text.size() - 2));
    } else if (text.size() >= 2 && text.front() == L'[' && text.back() == L']') {
      value.Kind = TLayoutValue::TKind::Set;
      value.Text = Trim(text.substr(1, text.size() - 2));
    } else if (!text.empty() && (std::iswdigit(text[0]) || text[0] == L'-')) {
      value.Kind = TLayoutValue::TKind::Integer;
      value.Integer = Integer(text);
    } else if (IsIdentifier(text, false)) {
      value.Text = text;
    } else {
      Fail(L"valeur incorrecte");
    }
    return value;
  }

  // Inside quotes, a doubled quote stands for one.
  std::wstring Unquote(const std::wstring& inner) const {
    std::wstring text;
    for (std::size_t i = 0; i < inner.size(); ++i) {
      if (inner[i] == L'\'') {
        if (i + 1 >= inner.size() || inner[i + 1] != L'\'') Fail(L"apostrophe isolée");
        ++i;
      }
      text += inner[i];
    }
    return text;
  }

  int Integer(const std::wstring& text) const {
    const bool negative = text[0] == L'-';
    const std::wstring digits = text.substr(negative ? 1 : 0);
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

[[noreturn]] void WrongKind(const std::wstring& property, const wchar_t* expected) {
  throw ELayoutError(L"Disposition de fenêtre illisible : " + property + L" attend " + expected);
}

}  // namespace

TLayoutObject ParseLayout(std::string_view Text) { return Parser(Widen(Text)).Parse(); }

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

}  // namespace ui
