#include "flash/movie_backend.hpp"

#include "flash/olesite.hpp"
#include "win/text.hpp"

#include <olectl.h>

namespace qt {
namespace {

constexpr CLSID kShockwaveFlashClass = {
    0xD27CDB6E, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

// The control's dispatch identifiers, from its type library. Calls go by number, so no type
// library needs to be registered.
enum : DISPID {
  kReadyState = DISPID_READYSTATE,
  kMovie = 0x66,
  kQuality = 0x69,
  kLoop = 0x6A,
  kPlay = 0x70,
  kForward = 0x73,
  kRewind = 0x74,
  kScaleMode = 0x78,
  kBackgroundColor = 0x7B,
  kTotalFrames = 0x7C,
  kCurrentFrame = 0x80,
  kIsPlaying = 0x81,
  kWMode = 0x85,
  kBGColor = 0x8C,
};

class ActiveXMovie final : public MovieBackend {
public:
  explicit ActiveXMovie(std::unique_ptr<OleControl> control) : control_(std::move(control)) {}

  void SetMovie(const std::wstring& path) override { control_->Put(kMovie, win::Variant::Text(path)); }
  void SetLoop(bool loop) override { control_->Put(kLoop, win::Variant::Boolean(loop)); }
  void SetBackgroundColor(int32_t color) override {
    control_->Put(kBackgroundColor, win::Variant::Integer(color));
  }
  void SetBGColor(const std::string& color) override { PutText(kBGColor, color); }
  int32_t ReadyState() override { return control_->Get(kReadyState).ToInteger(); }
  int32_t TotalFrames() override { return control_->Get(kTotalFrames).ToInteger(); }
  void Play() override { control_->Call(kPlay); }
  void Forward() override { control_->Call(kForward); }
  void Rewind() override { control_->Call(kRewind); }
  int32_t CurrentFrame() override { return control_->Call(kCurrentFrame).ToInteger(); }
  bool IsPlaying() override { return control_->Call(kIsPlaying).ToBoolean(); }
  void DoShowVerb() override { control_->DoVerb(OLEIVERB_SHOW); }
  void Resize() override { control_->Resize(); }

  void PutText(DISPID id, const std::string& text) { control_->Put(id, win::Variant::Text(win::Widen(text))); }
  void PutStored(const StoredMovieData& stored) {
    if (stored.wmode) PutText(kWMode, *stored.wmode);
    if (stored.quality) control_->Put(kQuality, win::Variant::Integer(*stored.quality));
    if (stored.scaleMode) control_->Put(kScaleMode, win::Variant::Integer(*stored.scaleMode));
    if (stored.bgColor) PutText(kBGColor, *stored.bgColor);
  }
  void Activate() { control_->Activate(); }

private:
  std::unique_ptr<OleControl> control_;
};

} // namespace

std::unique_ptr<MovieBackend> CreateActiveXMovie(HWND window, const StoredMovieData& stored) {
  auto control = OleControl::Create(kShockwaveFlashClass, window);
  if (!control) return nullptr;
  auto movie = std::make_unique<ActiveXMovie>(std::move(control));
  // The window mode decides how the control activates, so the stored data goes first.
  movie->PutStored(stored);
  movie->Activate();
  return movie;
}

} // namespace qt
