#pragma once

#include <windows.h>

#include <type_traits>
#include <utility>

// What an owner holds when it holds nothing: null, unless the kind's closer
// names another value.
template <typename T, typename Closer, typename = void>
struct EmptyHandle {
  [[nodiscard]] static T Value() noexcept { return T{}; }
};
template <typename T, typename Closer>
struct EmptyHandle<T, Closer, std::void_t<decltype(Closer::Invalid())>> {
  [[nodiscard]] static T Value() noexcept { return Closer::Invalid(); }
};

// One move-only owner for every Windows handle kind: copying is deleted so a
// handle can never be closed twice, and moving transfers the duty to close it.
// Each kind names the value that stands for "none", so an API's failure value
// can be wrapped as it is.
template <typename T, typename Closer>
class UniqueHandle {
  using Empty = EmptyHandle<T, Closer>;

 public:
  UniqueHandle() noexcept = default;
  explicit UniqueHandle(T Handle) noexcept : FHandle(Handle) {}
  ~UniqueHandle() { reset(); }

  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& Other) noexcept : FHandle(Other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& Other) noexcept {
    reset(Other.release());
    return *this;
  }

  [[nodiscard]] T get() const noexcept { return FHandle; }
  [[nodiscard]] explicit operator bool() const noexcept { return FHandle != Empty::Value(); }

  // Closes what is held, then gives the slot to an API that returns a handle.
  [[nodiscard]] T* put() noexcept {
    reset();
    return &FHandle;
  }

  [[nodiscard]] T release() noexcept { return std::exchange(FHandle, Empty::Value()); }

  void reset(T Handle = Empty::Value()) noexcept {
    if (FHandle != Empty::Value()) Closer{}(FHandle);
    FHandle = Handle;
  }

 private:
  T FHandle = Empty::Value();
};

struct GdiObjectCloser {
  void operator()(HGDIOBJ Object) const noexcept { DeleteObject(Object); }
};
struct WindowCloser {
  void operator()(HWND Window) const noexcept { DestroyWindow(Window); }
};
struct MemoryDcCloser {
  void operator()(HDC Dc) const noexcept { DeleteDC(Dc); }
};
struct KernelHandleCloser {
  void operator()(HANDLE Handle) const noexcept { CloseHandle(Handle); }
};
// CreateFileW and its kin answer INVALID_HANDLE_VALUE, not null, on failure.
struct FileHandleCloser {
  [[nodiscard]] static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  void operator()(HANDLE File) const noexcept { CloseHandle(File); }
};
// FindFirstFileW answers INVALID_HANDLE_VALUE too; FindClose ends the search.
struct FindCloser {
  [[nodiscard]] static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  void operator()(HANDLE Search) const noexcept { FindClose(Search); }
};
// A key opened straight through advapi32; TRegistry closes its own through its
// table of registry functions instead.
struct RawKeyCloser {
  void operator()(HKEY Key) const noexcept { RegCloseKey(Key); }
};
struct LocalMemoryFreer {
  void operator()(HLOCAL Memory) const noexcept { LocalFree(Memory); }
};
// A COM interface pointer holds one reference, given back by Release.
struct ComReleaser {
  template <typename Interface>
  void operator()(Interface* Object) const noexcept {
    Object->Release();
  }
};

using UniqueHFont = UniqueHandle<HFONT, GdiObjectCloser>;
using UniqueHBitmap = UniqueHandle<HBITMAP, GdiObjectCloser>;
using UniqueHBrush = UniqueHandle<HBRUSH, GdiObjectCloser>;
using UniqueHWnd = UniqueHandle<HWND, WindowCloser>;
using UniqueMemoryDc = UniqueHandle<HDC, MemoryDcCloser>;
using UniqueKernelHandle = UniqueHandle<HANDLE, KernelHandleCloser>;
using UniqueFileHandle = UniqueHandle<HANDLE, FileHandleCloser>;
using UniqueFindHandle = UniqueHandle<HANDLE, FindCloser>;
using UniqueRawHKey = UniqueHandle<HKEY, RawKeyCloser>;
using UniqueLocalMemory = UniqueHandle<HLOCAL, LocalMemoryFreer>;
template <typename Interface>
using UniqueCom = UniqueHandle<Interface*, ComReleaser>;

// A DC borrowed with GetDC, given back with ReleaseDC.
class WindowDc {
 public:
  explicit WindowDc(HWND Window) noexcept : FWindow(Window), FDc(GetDC(Window)) {}
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
  SelectedObject(HDC Dc, HGDIOBJ Object) noexcept : FDc(Dc), FOld(SelectObject(Dc, Object)) {}
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
