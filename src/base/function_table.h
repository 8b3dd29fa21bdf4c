#pragma once

#include <utility>

// The system functions a layer reaches through a table of its own, so that a
// test can put another table in their place for a scope: to record the calls
// made, or to inject the faults Wine cannot produce. `System` is the table of
// the system's own functions, active until a scope replaces it.
template <typename Table, const Table& System>
class FunctionTable {
 public:
  [[nodiscard]] static const Table& Active() noexcept { return *FActive; }

  // Makes `Replacement` the active table for the lifetime of this object.
  class Scope {
   public:
    explicit Scope(const Table& Replacement) noexcept
        : FPrevious(std::exchange(FActive, &Replacement)) {}
    ~Scope() { FActive = FPrevious; }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

   private:
    const Table* FPrevious;
  };

 private:
  static inline const Table* FActive = &System;
};
