#include "flash/ShockwaveFlash.hpp"

#include <stdexcept>

namespace qt {
namespace {

template <class T>
T Named(const std::string& name, const win::EnumNames<T>& names) {
  for (const auto& [n, value] : names)
    if (n == name) return value;
  win::ThrowBadIdent(name);
}

// Layouts store the control's own texts for quality and scale; they go to its integer properties
// Quality and ScaleMode, whose dispatch identifiers are the long-standing ones.
const win::EnumNames<int32_t> kQualities = {{"Low", 0}, {"High", 1}, {"AutoLow", 2}, {"AutoHigh", 3}};
const win::EnumNames<int32_t> kScales = {{"ShowAll", 0}, {"NoBorder", 1}, {"ExactFit", 2}};

} // namespace

TShockwaveFlash::TShockwaveFlash(win::TComponent* owner) : TControl(owner) { SetColor(win::clBlack); }

// The control goes before our window does.
TShockwaveFlash::~TShockwaveFlash() { backend_.reset(); }

void TShockwaveFlash::Loaded() {
  if (Parent()) Backend();
}

MovieBackend& TShockwaveFlash::Backend() {
  if (!backend_) {
    HWND window = Handle();
    if (!window) throw std::logic_error("the movie control " + Name() + " has no parent window");
    backend_ = CreateActiveXMovie(window, stored_);
    if (!backend_) backend_ = CreateStandInMovie(window, stored_);
  }
  return *backend_;
}

void TShockwaveFlash::SetMovie(const std::wstring& path) { Backend().SetMovie(path); }
void TShockwaveFlash::SetLoop(bool loop) { Backend().SetLoop(loop); }
void TShockwaveFlash::SetBackgroundColor(int32_t color) { Backend().SetBackgroundColor(color); }
void TShockwaveFlash::SetBGColor(const std::string& color) { Backend().SetBGColor(color); }
int32_t TShockwaveFlash::ReadyState() { return Backend().ReadyState(); }
int32_t TShockwaveFlash::TotalFrames() { return Backend().TotalFrames(); }
void TShockwaveFlash::Play() { Backend().Play(); }
void TShockwaveFlash::Forward() { Backend().Forward(); }
void TShockwaveFlash::Rewind() { Backend().Rewind(); }
int32_t TShockwaveFlash::CurrentFrame() { return Backend().CurrentFrame(); }
bool TShockwaveFlash::IsPlaying() { return Backend().IsPlaying(); }
void TShockwaveFlash::DoShowVerb() { Backend().DoShowVerb(); }

void TShockwaveFlash::Resized() {
  if (backend_) backend_->Resize();
}

LRESULT TShockwaveFlash::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  // Our window may go before we do, with its parent's; the control must not outlive it.
  if (msg == WM_DESTROY) backend_.reset();
  return TControl::WndProc(msg, wp, lp);
}

const win::PropertyTable& TShockwaveFlash::ClassProperties() {
  using win::StringProperty;
  static const win::PropertyTable table(
      &TControl::ClassProperties(),
      {
          {"WMode", StringProperty<TShockwaveFlash>([](TShockwaveFlash& f, const std::string& v) {
             f.stored_.wmode = v;
           })},
          {"Quality", StringProperty<TShockwaveFlash>([](TShockwaveFlash& f, const std::string& v) {
             f.stored_.quality = Named(v, kQualities);
           })},
          {"Scale", StringProperty<TShockwaveFlash>([](TShockwaveFlash& f, const std::string& v) {
             f.stored_.scaleMode = Named(v, kScales);
           })},
          {"BGColor", StringProperty<TShockwaveFlash>([](TShockwaveFlash& f, const std::string& v) {
             f.stored_.bgColor = v;
           })},
      });
  return table;
}

void RegisterFlashClasses() { win::RegisterComponentClass<TShockwaveFlash>("TShockwaveFlash"); }

} // namespace qt
