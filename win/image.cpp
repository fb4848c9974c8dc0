#include "win/image.hpp"

#include "win/bitmap.hpp"

namespace win {
namespace {

// Posted by an image that changed while hidden (a tab page that is not shown, say).
const UINT kStopHiddenAnimation = RegisterWindowMessageW(L"QtStopHiddenAnimation");

} // namespace

TImage::TImage(TComponent* owner) : TControl(owner) {
  picture_.OnChange = [this] { PictureChanged(); };
}

void TImage::PictureChanged() {
  if (auto* bitmap = dynamic_cast<TBitmap*>(picture_.Graphic())) bitmap->SetTransparent(transparent_);
  if (autoSize_ && picture_.Graphic() && !picture_.Graphic()->Empty())
    SetBounds(Left(), Top(), picture_.Width(), picture_.Height());
  Invalidate();
  // An animation that nobody sees is ended; it starts again with the next paint. Posted, because
  // the change may come from inside the animation's own drawing step.
  if (HandleAllocated() && !IsWindowVisible(hwnd_)) PostMessageW(hwnd_, kStopHiddenAnimation, 0, 0);
}

LRESULT TImage::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == kStopHiddenAnimation) {
    if (!IsWindowVisible(hwnd_) && picture_.Graphic()) picture_.Graphic()->StopAnimation();
    return 0;
  }
  return TControl::WndProc(msg, wp, lp);
}

void TImage::SetAutoSize(bool v) {
  autoSize_ = v;
  PictureChanged();
}

void TImage::SetTransparent(bool v) {
  transparent_ = v;
  PictureChanged();
}

void TImage::SetStretch(bool v) {
  stretch_ = v;
  Invalidate();
}

void TImage::EraseBackground(HDC dc) { PaintParentBackground(dc); }

void TImage::Paint(HDC dc) {
  TGraphic* g = picture_.Graphic();
  if (!g || g->Empty()) return;
  RECT r = stretch_ ? ClientRect() : RECT{0, 0, g->Width(), g->Height()};
  g->Draw(dc, r);
}

const PropertyTable& TImage::ClassProperties() {
  static const PropertyTable table(
      &TControl::ClassProperties(),
      {
          {"AutoSize", BoolProperty<TImage>([](TImage& i, bool v) { i.SetAutoSize(v); })},
          {"Stretch", BoolProperty<TImage>([](TImage& i, bool v) { i.SetStretch(v); })},
          {"Transparent", BoolProperty<TImage>([](TImage& i, bool v) { i.SetTransparent(v); })},
          // A raw data resource of the program; its name's extension picks the picture class.
          {"Picture.Resource",
           StringProperty<TImage>([](TImage& i, const std::string& v) { i.Picture().LoadFromResource(v); })},
          // Hex data in braces: the class name and the graphic's bytes (TPicture::ReadData).
          {"Picture.Data", [](TComponent& c, const qt::FormValue& v, FormBinder&) {
             if (v.kind != qt::FormValue::Kind::Data) throw FormReadError("hex data {..} was expected");
             qt::MemoryStream bytes(std::string(v.data.begin(), v.data.end()));
             try {
               static_cast<TImage&>(c).Picture().ReadData(bytes);
             } catch (const qt::Error& e) {
               throw FormReadError(e.what());
             }
           }},
      });
  return table;
}

} // namespace win
