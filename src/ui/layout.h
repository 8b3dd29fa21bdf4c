#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/exception.h"
#include "ui/types.h"

namespace ui {

class TFont;

// A window layout that cannot be read.
class ELayoutError : public Exception {
 public:
  using Exception::Exception;
};

// One property value as written: 'text', 12, -16, True, clWhite, [fsBold].
struct TLayoutValue {
  enum class TKind { String, Integer, Identifier, Set };
  TKind Kind = TKind::Identifier;
  std::wstring Text;  // the string, the identifier, or the set's inside
  int Integer = 0;
};

// `object Name: Class` ... `end`, with its properties and nested objects.
struct TLayoutObject {
  std::wstring Name;
  std::wstring ClassName;
  std::vector<std::pair<std::wstring, TLayoutValue>> Properties;
  std::vector<TLayoutObject> Children;
};

// Parses UTF-8 layout text. Throws ELayoutError naming the faulty line.
[[nodiscard]] TLayoutObject ParseLayout(std::string_view Text);

// Errors found while applying a property, in the same words as the parser's.
[[noreturn]] void ThrowLayoutError(const std::wstring& Object, const std::wstring& Problem);

// Readers for property values; each throws ELayoutError on a value of the wrong kind.
[[nodiscard]] int LayoutInteger(const std::wstring& Property, const TLayoutValue& Value);
[[nodiscard]] bool LayoutBoolean(const std::wstring& Property, const TLayoutValue& Value);
[[nodiscard]] const std::wstring& LayoutString(const std::wstring& Property,
                                               const TLayoutValue& Value);
[[nodiscard]] const std::wstring& LayoutIdentifier(const std::wstring& Property,
                                                   const TLayoutValue& Value);
[[nodiscard]] TColor ReadLayoutColor(const std::wstring& Property, const TLayoutValue& Value);
// Applies a Font.* property; false when the property is not one.
bool ReadFontLayoutProperty(TFont& Font, const std::wstring& Property, const TLayoutValue& Value);

// The identifiers a property takes and what each stands for; Unknown starts
// the error for an identifier that is none of them.
template <typename T, std::size_t N>
struct TLayoutChoices {
  const wchar_t* Unknown;
  struct {
    const wchar_t* Name;
    T Value;
  } Choices[N];
};

template <typename T, std::size_t N>
[[nodiscard]] T LayoutChoice(const std::wstring& Property, const TLayoutValue& Value,
                             const TLayoutChoices<T, N>& Choices) {
  const std::wstring& name = LayoutIdentifier(Property, Value);
  for (const auto& choice : Choices.Choices)
    if (name == choice.Name) return choice.Value;
  ThrowLayoutError(Property, Choices.Unknown + name);
}

// One property a class takes: its name, and how its value is applied to an
// object of the class (the name comes along for the errors).
template <typename T>
struct TPropertyReader {
  const wchar_t* Name;
  void (*Read)(T& Target, const std::wstring& Property, const TLayoutValue& Value);
};

// Applies the property through the reader of that name; false when the
// class's table has none.
template <typename T, std::size_t N>
bool ReadPropertyFrom(const TPropertyReader<T> (&Table)[N], T& Target, const std::wstring& Property,
                      const TLayoutValue& Value) {
  for (const TPropertyReader<T>& reader : Table) {
    if (Property != reader.Name) continue;
    reader.Read(Target, Property, Value);
    return true;
  }
  return false;
}

}  // namespace ui
