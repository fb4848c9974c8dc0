#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace qt {

// What a form stores for its movie control; handed over before the control is active. Only
// what the layout sets is passed on.
struct StoredMovieData {
  std::optional<std::string> wmode;   // "Window", "Opaque", "Transparent"
  std::optional<int32_t> quality;     // 0 low, 1 high, 2 auto low, 3 auto high
  std::optional<int32_t> scaleMode;   // 0 show all, 1 no border, 2 exact fit
  std::optional<std::string> bgColor; // "RRGGBB"
};

// What plays the movie inside a TShockwaveFlash's window, covering it: the registered ActiveX
// control, or the built-in stand-in where none is registered. Texts are code page 936; the movie
// is a path, so UTF-16.
class MovieBackend {
public:
  virtual ~MovieBackend() = default;
  virtual void SetMovie(const std::wstring& path) = 0;
  virtual void SetLoop(bool loop) = 0;
  virtual void SetBackgroundColor(int32_t color) = 0;
  virtual void SetBGColor(const std::string& color) = 0;
  // 4: the movie is fully loaded.
  virtual int32_t ReadyState() = 0;
  virtual int32_t TotalFrames() = 0;
  virtual void Play() = 0;
  virtual void Forward() = 0;
  virtual void Rewind() = 0;
  virtual int32_t CurrentFrame() = 0;
  virtual bool IsPlaying() = 0;
  // The OLE verb "show".
  virtual void DoShowVerb() = 0;
  // The window's client area changed.
  virtual void Resize() = 0;
};

// The Shockwave Flash control, active in place in `window` with the stored data set; nothing when
// its class is not registered.
std::unique_ptr<MovieBackend> CreateActiveXMovie(HWND window, const StoredMovieData& stored);
// The built-in stand-in: plays the SWF file's timeline on a timer in a window of its own, showing
// the background colour and the frame number.
std::unique_ptr<MovieBackend> CreateStandInMovie(HWND window, const StoredMovieData& stored);

// The stand-in's window text is the frame it shows, but a frame may show for a few milliseconds
// only, too short for another program to be sure to see it. So the stand-in also keeps a record
// of the last frames it showed, which other programs ask for with this registered message:
// wParam is the entry's number (0 for the first frame shown since the window was made), lParam
// kShownFrameNumber or kShownFrameTime. The answer is the 1-based frame number or the
// GetTickCount() time it was shown at; 0 for an entry not (or no longer) kept.
inline constexpr wchar_t kShownFrameMessage[] = L"QtStandInShownFrame";
inline constexpr LPARAM kShownFrameNumber = 0, kShownFrameTime = 1;

} // namespace qt
