#pragma once

#include <exception>
#include <string>
#include <string_view>

// The root of the program's error kinds. The message is the French text the
// user will read in the error box; it is formatted where the error is raised.
class Exception : public std::exception {
 public:
  explicit Exception(std::wstring Message) : FMessage(std::move(Message)) {}

  [[nodiscard]] const std::wstring& Message() const noexcept { return FMessage; }
  [[nodiscard]] const char* what() const noexcept override { return "Trelvane error"; }

 private:
  std::wstring FMessage;
};

// Puts the argument in place of the first "%s" of the pattern.
[[nodiscard]] inline std::wstring FormatMessageText(std::wstring_view Pattern,
                                                    std::wstring_view Argument) {
  std::wstring text(Pattern);
  const auto at = text.find(L"%s");
  if (at != std::wstring::npos) text.replace(at, 2, Argument);
  return text;
}
