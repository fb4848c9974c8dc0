#include "flash/movie_backend.hpp"

#include "flash/swf.hpp"
#include "flash/timeline.hpp"
#include "win/application.hpp"
#include "win/handles.hpp"
#include "win/text.hpp"

#include <cstdlib>
#include <deque>
#include <optional>
#include <stdexcept>
#include <string>

namespace qt {
namespace {

constexpr wchar_t kWindowClass[] = L"QtStandInMovie";
constexpr UINT_PTR kFrameTimer = 1;
// Enough for a minute of the fastest frame rate; a screen saver runs for hours, so older entries go.
constexpr size_t kShownFramesKept = 6000;

// The whole file; nothing when it cannot be read or is longer than any movie the reader takes.
std::optional<std::string> ReadWholeFile(const std::wstring& path) {
  HANDLE raw = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (raw == INVALID_HANDLE_VALUE) return std::nullopt;
  win::UniqueHandle file(raw);
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > kMaxSwfLength) return std::nullopt;
  std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
  DWORD read = 0;
  if (!bytes.empty() && (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
                         read != bytes.size()))
    return std::nullopt;
  return bytes;
}

COLORREF FromRrggbb(uint32_t rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

// "RRGGBB", as BGColor takes it; anything else is no colour.
std::optional<COLORREF> ParseBGColor(const std::string& text) {
  std::string digits = !text.empty() && text[0] == '#' ? text.substr(1) : text;
  if (digits.size() != 6) return std::nullopt;
  char* end = nullptr;
  unsigned long rgb = std::strtoul(digits.c_str(), &end, 16);
  if (end != digits.c_str() + 6) return std::nullopt;
  return FromRrggbb(static_cast<uint32_t>(rgb));
}

LRESULT CALLBACK StandInWindowProc(HWND, UINT, WPARAM, LPARAM);

// Plays the timeline of the SWF file it is given on a window timer, in a window of its own
// over the control's: the background colour and the frame number, since nothing renders SWF.
class StandInMovie final : public MovieBackend {
public:
  StandInMovie(HWND parent, const StoredMovieData& stored) {
    win::RegisterWindowClassOnce(kWindowClass, StandInWindowProc);
    RECT r;
    GetClientRect(parent, &r);
    window_.reset(CreateWindowExW(0, kWindowClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0,
                                  r.right, r.bottom, parent, nullptr, GetModuleHandleW(nullptr), nullptr));
    if (!window_) throw std::runtime_error("cannot create the movie window");
    SetWindowLongPtrW(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    if (stored.bgColor) SetBGColor(*stored.bgColor);
  }
  ~StandInMovie() override { SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0); }

  void SetMovie(const std::wstring& path) override {
    std::optional<std::string> bytes = ReadWholeFile(path);
    timeline_.Load(bytes ? ReadSwf(*bytes) : std::nullopt);
    if (timeline_.ReadyState() == Timeline::kReadyComplete)
      SetTimer(window_.get(), kFrameTimer, static_cast<UINT>(timeline_.FrameInterval()), nullptr);
    else
      KillTimer(window_.get(), kFrameTimer);
    Changed();
  }
  void SetLoop(bool loop) override { timeline_.SetLoop(loop); }
  void SetBackgroundColor(int32_t color) override {
    override_ = color < 0 ? std::nullopt : std::optional(FromRrggbb(static_cast<uint32_t>(color)));
    Changed();
  }
  void SetBGColor(const std::string& color) override {
    override_ = ParseBGColor(color);
    Changed();
  }
  int32_t ReadyState() override { return timeline_.ReadyState(); }
  int32_t TotalFrames() override { return timeline_.TotalFrames(); }
  void Play() override { timeline_.Play(); }
  void Forward() override {
    timeline_.Forward();
    Changed();
  }
  void Rewind() override {
    timeline_.Rewind();
    Changed();
  }
  int32_t CurrentFrame() override { return timeline_.CurrentFrame(); }
  bool IsPlaying() override { return timeline_.IsPlaying(); }
  void DoShowVerb() override { ShowWindow(window_.get(), SW_SHOWNA); }
  void Resize() override {
    RECT r;
    GetClientRect(GetParent(window_.get()), &r);
    MoveWindow(window_.get(), 0, 0, r.right, r.bottom, TRUE);
  }

  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    static const UINT shownFrameMessage = RegisterWindowMessageW(kShownFrameMessage);
    if (msg == shownFrameMessage) return ShownFrame(wp, lp);
    switch (msg) {
    case WM_TIMER: // the frame timer is its only one
      Tick();
      return 0;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window_.get(), &ps);
      Paint(dc);
      EndPaint(window_.get(), &ps);
      return 0;
    }
    default: break;
    }
    return DefWindowProcW(window_.get(), msg, wp, lp);
  }

private:
  void Tick() {
    int before = timeline_.CurrentFrame();
    timeline_.Tick();
    if (timeline_.CurrentFrame() != before) Changed();
  }
  // The window's text is the frame number it shows, so that other programs can read it.
  void Changed() {
    SetWindowTextW(window_.get(), FrameText().c_str());
    InvalidateRect(window_.get(), nullptr, FALSE);
    if (timeline_.ReadyState() != Timeline::kReadyComplete) return;
    const int frame = timeline_.CurrentFrame() + 1;
    if (!shown_.empty() && shown_.back().frame == frame) return;
    shown_.push_back({frame, GetTickCount()});
    if (shown_.size() > kShownFramesKept) {
      shown_.pop_front();
      ++firstShown_;
    }
  }
  LRESULT ShownFrame(WPARAM entry, LPARAM what) const {
    if (entry < firstShown_ || entry - firstShown_ >= shown_.size()) return 0;
    const Shown& s = shown_[entry - firstShown_];
    return what == kShownFrameTime ? static_cast<LRESULT>(s.at) : s.frame;
  }
  // "3 / 10" for the third of ten frames; empty until a movie is loaded.
  std::wstring FrameText() const {
    if (timeline_.ReadyState() != Timeline::kReadyComplete) return {};
    return std::to_wstring(timeline_.CurrentFrame() + 1) + L" / " + std::to_wstring(timeline_.TotalFrames());
  }

  COLORREF Background() const {
    if (override_) return *override_;
    const SwfMovie* movie = timeline_.Movie();
    return movie ? static_cast<COLORREF>(movie->background) : RGB(0, 0, 0);
  }

  void Paint(HDC dc) {
    RECT r;
    GetClientRect(window_.get(), &r);
    COLORREF back = Background();
    win::UniqueBrush brush(CreateSolidBrush(back));
    FillRect(dc, &r, brush.get());
    if (timeline_.ReadyState() != Timeline::kReadyComplete) return;
    // Light text on a dark background and dark on a light one.
    bool dark = GetRValue(back) * 299 + GetGValue(back) * 587 + GetBValue(back) * 114 < 128000;
    SetTextColor(dc, dark ? RGB(255, 255, 255) : RGB(0, 0, 0));
    SetBkMode(dc, TRANSPARENT);
    win::SelectGuard font(dc, GetStockObject(DEFAULT_GUI_FONT));
    std::wstring text = FrameText();
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }

  struct Shown {
    int frame;
    DWORD at;
  };

  win::UniqueWindow window_;
  Timeline timeline_;
  std::optional<COLORREF> override_;
  std::deque<Shown> shown_;
  size_t firstShown_ = 0; // the entry number of shown_.front()
};

LRESULT CALLBACK StandInWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<StandInMovie*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
  return win::Fenced([&] { return self->WndProc(msg, wp, lp); }, LRESULT{0});
}

} // namespace

std::unique_ptr<MovieBackend> CreateStandInMovie(HWND window, const StoredMovieData& stored) {
  return std::make_unique<StandInMovie>(window, stored);
}

} // namespace qt
