#pragma once

#include <windows.h>

// Milliseconds between two readings of the performance counter.
class Clock {
 public:
  Clock() noexcept { QueryPerformanceFrequency(&FFrequency); }
  [[nodiscard]] LONGLONG Now() const noexcept {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
  }
  [[nodiscard]] double Ms(LONGLONG from, LONGLONG to) const noexcept {
    return 1000.0 * static_cast<double>(to - from) / static_cast<double>(FFrequency.QuadPart);
  }

 private:
  LARGE_INTEGER FFrequency{};
};
