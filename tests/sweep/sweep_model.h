#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ui/types.h"

namespace sweep {

// splitmix64: the same sequence from the same seed on every compiler.
class Rng {
 public:
  explicit Rng(std::uint64_t seed) : FState(seed) {}
  std::uint64_t Next();
  // Uniform in [low, high].
  std::size_t Between(std::size_t low, std::size_t high) { return low + Next() % (high - low + 1); }
  bool Chance(unsigned percent) { return Next() % 100 < percent; }
  template <typename T>
  const T& Pick(const std::vector<T>& items) {
    return items[Between(0, items.size() - 1)];
  }

 private:
  std::uint64_t FState;
};

inline constexpr std::uint64_t kSeed = 0x5472656C76616E65;  // "Trelvane"

// ---- The registry value and what an evaluation must make of it ----

struct RegistryCase {
  bool Absent = false;  // no "Path" value at all
  DWORD Type = REG_NONE;
  std::vector<BYTE> Data;
};

[[nodiscard]] std::vector<RegistryCase> GenerateRegistryCases(Rng& rng);

// The first three are the states the window shows, in the order of Shown.
enum class Outcome { Missing, Disabled, Enabled, TypeError };

struct ExpectedEvaluation {
  Outcome Result = Outcome::Missing;
  std::wstring Text;  // the string read, for Disabled and Enabled
};

// The rules, written from the raw type and bytes alone.
[[nodiscard]] ExpectedEvaluation ModelEvaluation(const RegistryCase& value);

// What the window shows; the evaluation changes some fields and keeps others.
struct ViewModel {
  std::wstring StateCaption;
  ui::TColor StateColor = 0;
  ui::TColor StateFontColor = 0;
  std::wstring ButtonCaption;
  bool ButtonVisible = false;
  bool operator==(const ViewModel& other) const;
};

[[nodiscard]] ViewModel ModelView(ViewModel before, const ExpectedEvaluation& evaluation);

// ---- Settings files, hostile or merely unusual ----

struct SettingsCase {
  std::string Label;
  std::optional<std::string> Bytes;  // nullopt: no file
};

[[nodiscard]] std::vector<SettingsCase> GenerateSettingsCases(Rng& rng);

}  // namespace sweep
