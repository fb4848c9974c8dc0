#pragma once
#include "win/handles.hpp"
#include "win/picture.hpp"

#include <string>

namespace win {

// A metafile, kept in the enhanced form: read from an enhanced metafile or from a placeable
// Windows metafile, which is converted. Its size is in pixels of the screen.
class TMetafile : public TGraphic {
public:
  std::string ClassName() const override { return "TMetafile"; }
  // A damaged file throws EInvalidGraphic "Metafile is not valid" and leaves the metafile as it
  // was.
  void LoadFromStream(qt::Stream& stream) override;
  // The enhanced metafile; nothing for an empty one.
  void SaveToStream(qt::Stream& stream) const override;
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  // Played into r, its frame stretched over it.
  void Draw(HDC dc, const RECT& r) const override;

  // Owned by the metafile; none for an empty one.
  HENHMETAFILE Handle() const { return handle_.get(); }
  // Takes the metafile over, its size from its frame; none empties it.
  void SetHandle(UniqueEnhMetaFile metafile);

private:
  void Take(UniqueEnhMetaFile metafile, int width, int height);

  UniqueEnhMetaFile handle_;
  int width_ = 0, height_ = 0;
};

} // namespace win
