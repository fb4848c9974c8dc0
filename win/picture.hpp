#pragma once
#include "base/error.hpp"
#include "base/stream.hpp"

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace win {

class TBitmap;

// A picture format: loads itself from its file bytes, saves itself as file bytes again and draws
// itself. Which format a graphic is, callers ask with dynamic_cast.
class TGraphic {
public:
  virtual ~TGraphic() = default;
  TGraphic() = default;
  TGraphic(const TGraphic&) = delete;
  TGraphic& operator=(const TGraphic&) = delete;

  // The class's name in form data and in messages ("TBitmap").
  virtual std::string ClassName() const = 0;

  // Takes everything from the stream's position to its end; a failure leaves the graphic as it
  // was.
  virtual void LoadFromStream(qt::Stream& stream) = 0;
  virtual void SaveToStream(qt::Stream& stream) const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual bool Empty() const { return Width() == 0 || Height() == 0; }
  // Stretches the picture over r.
  virtual void Draw(HDC dc, const RECT& r) const = 0;

  // The clipboard form of the graphic: a format, its data (a global memory block or a GDI
  // handle) and a palette or none. Load only reads data and palette; Save hands new ones to the
  // caller, who places them on the open clipboard. Unless a class says otherwise both throw
  // EInvalidGraphic "Unsupported clipboard format".
  virtual void LoadFromClipboardFormat(UINT format, HANDLE data, HPALETTE palette);
  virtual void SaveToClipboardFormat(UINT& format, HANDLE& data, HPALETTE& palette);
  // Gives dest this picture, for TBitmap::Assign. Unless a class can, EConvertError
  // "Cannot assign a TIcon to a TBitmap".
  virtual void AssignTo(TBitmap& dest) const;
  // Ends whatever plays the graphic by itself (an animation); the next Draw starts it again.
  virtual void StopAnimation() {}
  // Fired by Changed, after the content, size or palette changed.
  std::function<void()> OnChange;
  void Changed() {
    if (OnChange) OnChange();
  }
};

using qt::EInvalidGraphic;

// For the graphics' own file readers: the bytes from the stream's position to its end, and an
// unsigned little-endian number of 1 to 4 bytes at an offset the caller has checked.
std::string ReadRest(qt::Stream& stream);
std::uint32_t LittleEndian(std::string_view bytes, std::size_t at, int size);

// What every graphic and the container raise for a clipboard format they do not take.
inline constexpr char kUnsupportedClipboardFormat[] = "Unsupported clipboard format";

// One graphic class cannot be turned into another ("Cannot assign a TBitmap to a TGIFImage").
class EConvertError : public qt::Error {
public:
  using qt::Error::Error;
};

using GraphicFactory = std::function<std::unique_ptr<TGraphic>()>;
// A graphic class as the picture container knows it: by its class name ("TJPEGImage"), which
// form data store, and how to make one.
struct TGraphicClass {
  std::string name;
  GraphicFactory create;
};

// Holds one graphic, or none, whose class the file extension, the form data or the clipboard
// format picks.
class TPicture {
public:
  // The class reads files of that extension (without the dot, in any letter case). TJPEGImage
  // for "jpg" and "jpeg" is there from the start; other codecs add themselves.
  static void RegisterFileFormat(const std::string& extension, const std::string& description,
                                 const TGraphicClass& graphicClass);
  // The class reads that clipboard format. TBitmap for CF_BITMAP is there from the start.
  static void RegisterClipboardFormat(UINT format, const TGraphicClass& graphicClass);
  // Forgets the class by every extension, clipboard format and its name.
  static void UnregisterGraphicClass(const std::string& className);
  static bool SupportsClipboardFormat(UINT format);

  TGraphic* Graphic() const { return graphic_.get(); }
  void SetGraphic(std::unique_ptr<TGraphic> graphic);
  void Clear() { SetGraphic(nullptr); }
  int Width() const { return graphic_ ? graphic_->Width() : 0; }
  int Height() const { return graphic_ ? graphic_->Height() : 0; }

  // A path in code page 936. On any failure the picture keeps what it held.
  void LoadFromFile(const std::filesystem::path& path);
  // The bytes from the stream's position to its end, in the format of that file extension.
  void LoadFromStream(qt::Stream& stream, std::string_view extension);
  // A raw data resource of the program, whose name ends in the file extension ("AD1.JPG").
  void LoadFromResource(const std::string& name);
  // The graphic's file bytes; nothing for an empty picture.
  void SaveToStream(qt::Stream& stream) const;
  // Form data: one length byte and the graphic's class name, then the graphic's own bytes to the
  // end. No bytes or an empty class name clear the picture; an unknown class name throws
  // EInvalidGraphic naming it.
  void ReadData(qt::Stream& stream);
  // By the class registered for the format; another format throws EInvalidGraphic
  // "Unsupported clipboard format". A failure leaves the picture as it was.
  void LoadFromClipboardFormat(UINT format, HANDLE data, HPALETTE palette);
  // Nothing (format 0) for no picture.
  void SaveToClipboardFormat(UINT& format, HANDLE& data, HPALETTE& palette) const;

  // Fired when another graphic is set and when the graphic held changes.
  std::function<void()> OnChange;

private:
  std::unique_ptr<TGraphic> graphic_;
};

} // namespace win
