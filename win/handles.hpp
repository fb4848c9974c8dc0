#pragma once
#include <windows.h>

#include <atomic>
#include <utility>

namespace win {

inline void CloseHandleChecked(HANDLE h) { CloseHandle(h); }
inline void DeleteGdiObject(HGDIOBJ h) { DeleteObject(h); }
inline void DeleteMemoryDC(HDC h) { DeleteDC(h); }
inline void ReleaseModule(HMODULE h) { FreeLibrary(h); }
inline void ReleaseKey(HKEY h) { RegCloseKey(h); }
inline void DestroyWindowHandle(HWND h) { DestroyWindow(h); }
inline void FreeGlobal(HGLOBAL h) { GlobalFree(h); }
inline void DestroyIconHandle(HICON h) { DestroyIcon(h); }
inline void DeleteEnhMetaFileHandle(HENHMETAFILE h) { DeleteEnhMetaFile(h); }

// GDI objects and memory DCs that the wrappers below hold at this moment. Tests read it to find
// leaks: the system's own count (GetGuiResources) always answers 0 under Wine.
inline std::atomic<long> heldGdiObjects{0};
template <auto Release>
inline constexpr bool kCountedAsGdi = false;
template <>
inline constexpr bool kCountedAsGdi<DeleteGdiObject> = true;
template <>
inline constexpr bool kCountedAsGdi<DeleteMemoryDC> = true;

// One owner for one release function. Copy is deleted, move transfers ownership.
template <class H, auto Release, H Empty = H{}>
class Unique {
public:
  Unique() = default;
  explicit Unique(H h) : h_(h) { Count(h_, 1); }
  Unique(Unique&& o) noexcept : h_(std::exchange(o.h_, Empty)) {}
  Unique& operator=(Unique&& o) noexcept {
    if (this != &o) {
      reset();
      h_ = std::exchange(o.h_, Empty);
    }
    return *this;
  }
  Unique(const Unique&) = delete;
  Unique& operator=(const Unique&) = delete;
  ~Unique() { reset(); }

  H get() const { return h_; }
  explicit operator bool() const { return h_ != Empty; }
  H release() {
    Count(h_, -1);
    return std::exchange(h_, Empty);
  }
  void reset(H h = Empty) {
    if (h_ != Empty) {
      Count(h_, -1);
      Release(h_);
    }
    h_ = h;
    Count(h_, 1);
  }

private:
  static void Count(H h, long delta) {
    if constexpr (kCountedAsGdi<Release>)
      if (h != Empty) heldGdiObjects += delta;
  }

  H h_ = Empty;
};


using UniqueHandle = Unique<HANDLE, CloseHandleChecked>;
using UniqueFont = Unique<HFONT, DeleteGdiObject>;
using UniqueBitmap = Unique<HBITMAP, DeleteGdiObject>;
using UniqueBrush = Unique<HBRUSH, DeleteGdiObject>;
using UniquePen = Unique<HPEN, DeleteGdiObject>;
using UniquePalette = Unique<HPALETTE, DeleteGdiObject>;
using UniqueMemoryDC = Unique<HDC, DeleteMemoryDC>;
using UniqueModule = Unique<HMODULE, ReleaseModule>;
using UniqueKey = Unique<HKEY, ReleaseKey>;
using UniqueWindow = Unique<HWND, DestroyWindowHandle>;
using UniqueGlobal = Unique<HGLOBAL, FreeGlobal>;
using UniqueIcon = Unique<HICON, DestroyIconHandle>;
using UniqueEnhMetaFile = Unique<HENHMETAFILE, DeleteEnhMetaFileHandle>;

// A DC from GetDC, given back with ReleaseDC.
class WindowDC {
public:
  explicit WindowDC(HWND w) : w_(w), dc_(GetDC(w)) {}
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  ~WindowDC() {
    if (dc_) ReleaseDC(w_, dc_);
  }
  HDC get() const { return dc_; }

private:
  HWND w_;
  HDC dc_;
};

// Selects an object into a DC for a scope and puts the previous one back.
class SelectGuard {
public:
  SelectGuard(HDC dc, HGDIOBJ obj) : dc_(dc), old_(SelectObject(dc, obj)) {}
  SelectGuard(const SelectGuard&) = delete;
  SelectGuard& operator=(const SelectGuard&) = delete;
  ~SelectGuard() { SelectObject(dc_, old_); }

private:
  HDC dc_;
  HGDIOBJ old_;
};

// Registers a window class of this module once; the later calls only return its name.
const wchar_t* RegisterWindowClassOnce(const wchar_t* name, WNDPROC proc, UINT style = 0, HICON icon = nullptr);

} // namespace win
