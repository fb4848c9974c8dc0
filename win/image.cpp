#include "win/image.hpp"

namespace win {

TImage::TImage(TComponent* owner) : TControl(owner) {
  picture_.OnChange = [this] { PictureChanged(); };
}

void TImage::PictureChanged() {
  if (autoSize_ && picture_.Graphic() && !picture_.Graphic()->Empty())
    SetBounds(Left(), Top(), picture_.Width(), picture_.Height());
  Invalidate();
}

void TImage::SetAutoSize(bool v) {
  autoSize_ = v;
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
