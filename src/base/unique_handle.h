#pragma once

#include <windows.h>

#include <utility>

// One move-only owner for every Windows handle kind: copying is deleted so a
// handle can never be closed twice, and moving transfers the duty to close it.
template <typename T, typename Closer>
class UniqueHandle {
 public:
  UniqueHandle() noexcept = default;
  explicit UniqueHandle(T handle) noexcept : FHandle(handle) {}
  ~UniqueHandle() { reset(); }

  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : FHandle(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    reset(other.release());
    return *this;
  }

  [[nodiscard]] T get() const noexcept { return FHandle; }
  [[nodiscard]] explicit operator bool() const noexcept { return FHandle != T{}; }

  // Closes what is held, then gives the slot to an API that returns a handle.
  [[nodiscard]] T* put() noexcept {
    reset();
    return &FHandle;
  }

  [[nodiscard]] T release() noexcept { return std::exchange(FHandle, T{}); }

  void reset(T handle = T{}) noexcept {
    if (FHandle != T{}) Closer{}(FHandle);
    FHandle = handle;
  }

 private:
  T FHandle{};
};

struct GdiObjectCloser {
  void operator()(HGDIOBJ object) const noexcept { DeleteObject(object); }
};
struct WindowCloser {
  void operator()(HWND window) const noexcept { DestroyWindow(window); }
};
struct MemoryDcCloser {
  void operator()(HDC dc) const noexcept { DeleteDC(dc); }
};
struct KernelHandleCloser {
  void operator()(HANDLE handle) const noexcept { CloseHandle(handle); }
};
struct LocalMemoryFreer {
  void operator()(HLOCAL memory) const noexcept { LocalFree(memory); }
};
// A COM interface pointer holds one reference, given back by Release.
struct ComReleaser {
  template <typename Interface>
  void operator()(Interface* object) const noexcept {
    object->Release();
  }
};

using UniqueHFont = UniqueHandle<HFONT, GdiObjectCloser>;
using UniqueHBitmap = UniqueHandle<HBITMAP, GdiObjectCloser>;
using UniqueHBrush = UniqueHandle<HBRUSH, GdiObjectCloser>;
using UniqueHWnd = UniqueHandle<HWND, WindowCloser>;
using UniqueMemoryDc = UniqueHandle<HDC, MemoryDcCloser>;
using UniqueKernelHandle = UniqueHandle<HANDLE, KernelHandleCloser>;
using UniqueLocalMemory = UniqueHandle<HLOCAL, LocalMemoryFreer>;
template <typename Interface>
using UniqueCom = UniqueHandle<Interface*, ComReleaser>;

// A DC borrowed with GetDC, given back with ReleaseDC.
class WindowDc {
 public:
  explicit WindowDc(HWND window) noexcept : FWindow(window), FDc(GetDC(window)) {}
  ~WindowDc() {
    if (FDc) ReleaseDC(FWindow, FDc);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  [[nodiscard]] HDC get() const noexcept { return FDc; }

 private:
  HWND FWindow;
  HDC FDc;
};

// Selects a GDI object into a DC for one scope and puts the old one back.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) noexcept : FDc(dc), FOld(SelectObject(dc, object)) {}
  ~SelectedObject() { SelectObject(FDc, FOld); }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

 private:
  HDC FDc;
  HGDIOBJ FOld;
};

// BeginPaint/EndPaint as one scope.
class PaintScope {
 public:
  explicit PaintScope(HWND Window) noexcept : FWindow(Window) { FDc = BeginPaint(Window, &FPaint); }
  ~PaintScope() { EndPaint(FWindow, &FPaint); }
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;
  [[nodiscard]] HDC Dc() const noexcept { return FDc; }
  [[nodiscard]] const RECT& Area() const noexcept { return FPaint.rcPaint; }

 private:
  HWND FWindow;
  PAINTSTRUCT FPaint{};
  HDC FDc;
};

// SaveDC/RestoreDC as one scope.
class SavedDc {
 public:
  explicit SavedDc(HDC Dc) noexcept : FDc(Dc), FSaved(SaveDC(Dc)) {}
  ~SavedDc() { RestoreDC(FDc, FSaved); }
  SavedDc(const SavedDc&) = delete;
  SavedDc& operator=(const SavedDc&) = delete;

 private:
  HDC FDc;
  int FSaved;
};
