#pragma once
#include "base/error.hpp"
#include "base/stream.hpp"

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace win {

// A picture format: loads itself from its file bytes, saves itself as file bytes again and draws
// itself. Which format a graphic is, callers ask with dynamic_cast.
class TGraphic {
public:
  virtual ~TGraphic() = default;
  TGraphic() = default;
  TGraphic(const TGraphic&) = delete;
  TGraphic& operator=(const TGraphic&) = delete;

  // Takes everything from the stream's position to its end; a failure leaves the graphic as it
  // was.
  virtual void LoadFromStream(qt::Stream& stream) = 0;
  virtual void SaveToStream(qt::Stream& stream) const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual bool Empty() const { return Width() == 0 || Height() == 0; }
  // Stretches the picture over r.
  virtual void Draw(HDC dc, const RECT& r) const = 0;

  // Fired by Changed, after the content, size or palette changed.
  std::function<void()> OnChange;
  void Changed() {
    if (OnChange) OnChange();
  }
};

using qt::EInvalidGraphic;

using GraphicFactory = std::function<std::unique_ptr<TGraphic>()>;
// File extensions (without the dot, compared without regard to case) and the graphic class that
// reads them. "jpg" and "jpeg" are there from the start; other codecs add themselves.
void RegisterGraphicClass(const std::string& extension, GraphicFactory factory);
void UnregisterGraphicClass(const std::string& extension);

// Holds one graphic, or none, whose class the file extension picks.
class TPicture {
public:
  TGraphic* Graphic() const { return graphic_.get(); }
  void SetGraphic(std::unique_ptr<TGraphic> graphic);
  void Clear() { SetGraphic(nullptr); }
  int Width() const { return graphic_ ? graphic_->Width() : 0; }
  int Height() const { return graphic_ ? graphic_->Height() : 0; }

  // A path in code page 936. On any failure the picture keeps what it held.
  void LoadFromFile(const std::string& path);
  // The bytes from the stream's position to its end, in the format of that file extension.
  void LoadFromStream(qt::Stream& stream, std::string_view extension);
  // A raw data resource of the program, whose name ends in the file extension ("AD1.JPG").
  void LoadFromResource(const std::string& name);
  // The graphic's file bytes; nothing for an empty picture.
  void SaveToStream(qt::Stream& stream) const;

  // Fired when another graphic is set and when the graphic held changes.
  std::function<void()> OnChange;

private:
  std::unique_ptr<TGraphic> graphic_;
};

} // namespace win
