#pragma once
#include "win/handles.hpp"
#include "win/picture.hpp"

#include <string>

namespace win {

// An icon, read from an .ico file: of the file's images it takes the one the system would show
// at its own icon size, and it saves the very bytes it was loaded from.
class TIcon : public TGraphic {
public:
  std::string ClassName() const override { return "TIcon"; }
  // A damaged file throws EInvalidGraphic "Icon image is not valid" and leaves the icon as it
  // was.
  void LoadFromStream(qt::Stream& stream) override;
  // Nothing for an empty icon. An icon given by its handle has no file to save: EInvalidGraphic.
  void SaveToStream(qt::Stream& stream) const override;
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  // Stretched over r; where its mask is set, what lies under it shows.
  void Draw(HDC dc, const RECT& r) const override;

  // Owned by the icon; none for an empty icon.
  HICON Handle() const { return handle_.get(); }
  // Takes the icon over; none empties it.
  void SetHandle(UniqueIcon icon);

private:
  void Take(UniqueIcon icon, std::string file);

  UniqueIcon handle_;
  std::string file_;
  int width_ = 0, height_ = 0;
};

} // namespace win
