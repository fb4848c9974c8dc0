#pragma once
#include "win/control.hpp"
#include "win/picture.hpp"

namespace win {

// Shows a picture. Where there is none, or it does not cover the control, the parent shows
// through.
class TImage : public TControl {
public:
  explicit TImage(TComponent* owner);

  TPicture& Picture() { return picture_; }
  bool AutoSize() const { return autoSize_; }
  // On, the control takes the picture's size whenever a picture is set.
  void SetAutoSize(bool v);
  bool Stretch() const { return stretch_; }
  void SetStretch(bool v);
  // On, a bitmap shown shows the parent through its transparent colour (TBitmap::Transparent).
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool v);

  static const PropertyTable& ClassProperties();
  const PropertyTable& Properties() const override { return ClassProperties(); }

protected:
  void EraseBackground(HDC dc) override;
  void Paint(HDC dc) override;
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
  void PictureChanged();

  TPicture picture_;
  bool autoSize_ = false;
  bool stretch_ = false;
  bool transparent_ = false;
};

} // namespace win
