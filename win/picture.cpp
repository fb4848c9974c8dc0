#include "win/picture.hpp"

#include "base/file_stream.hpp"
#include "win/bitmap.hpp"
#include "win/jpeg.hpp"
#include "win/text.hpp"

#include <algorithm>
#include <cctype>
#include <map>

namespace win {
namespace {

std::string Lower(std::string_view s) {
  std::string out(s);
  std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

struct FileFormat {
  std::string description;
  TGraphicClass graphicClass;
};

// Every class the container knows, by file extension (lower case), by clipboard format and by
// class name.
struct Registry {
  std::map<std::string, FileFormat> extensions;
  std::map<UINT, TGraphicClass> clipboardFormats;
  std::map<std::string, TGraphicClass> classes;

  void AddClass(const TGraphicClass& c) { classes[c.name] = c; }
};

Registry& Classes() {
  static Registry registry = [] {
    Registry r;
    const TGraphicClass jpeg{"TJPEGImage", [] { return std::make_unique<TJPEGImage>(); }};
    r.extensions["jpg"] = {"JPEG Image File", jpeg};
    r.extensions["jpeg"] = {"JPEG Image File", jpeg};
    r.AddClass(jpeg);
    const TGraphicClass bitmap{"TBitmap", [] { return std::make_unique<TBitmap>(); }};
    r.clipboardFormats[CF_BITMAP] = bitmap;
    r.AddClass(bitmap);
    return r;
  }();
  return registry;
}

std::unique_ptr<TGraphic> NewGraphic(std::string_view extension) {
  auto it = Classes().extensions.find(Lower(extension));
  if (it == Classes().extensions.end())
    throw EInvalidGraphic("unknown picture file extension \"." + std::string(extension) + "\"");
  return it->second.graphicClass.create();
}

// What follows the last dot of the file name; empty when there is none.
std::string ExtensionOf(std::wstring_view name) {
  size_t dot = name.find_last_of(L'.');
  size_t slash = name.find_last_of(L"\\/:");
  if (dot == std::wstring_view::npos || (slash != std::wstring_view::npos && slash > dot)) return {};
  return Narrow(name.substr(dot + 1));
}

} // namespace

void TGraphic::LoadFromClipboardFormat(UINT, HANDLE, HPALETTE) {
  throw EInvalidGraphic(kUnsupportedClipboardFormat);
}

void TGraphic::SaveToClipboardFormat(UINT&, HANDLE&, HPALETTE&) {
  throw EInvalidGraphic(kUnsupportedClipboardFormat);
}

std::string ReadRest(qt::Stream& stream) {
  // A stream may stand past its end, with nothing left to read.
  const std::uint64_t size = stream.Size(), at = stream.Position();
  std::string bytes(at < size ? static_cast<std::size_t>(size - at) : 0, '\0');
  stream.ReadExact(bytes.data(), bytes.size());
  return bytes;
}

std::uint32_t LittleEndian(std::string_view bytes, std::size_t at, int size) {
  std::uint32_t v = 0;
  for (int i = size - 1; i >= 0; --i)
    v = v << 8 | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
  return v;
}

void TGraphic::AssignTo(TBitmap&) const {
  throw EConvertError("Cannot assign a " + ClassName() + " to a TBitmap");
}

void TPicture::RegisterFileFormat(const std::string& extension, const std::string& description,
                                  const TGraphicClass& graphicClass) {
  Classes().extensions[Lower(extension)] = {description, graphicClass};
  Classes().AddClass(graphicClass);
}

void TPicture::RegisterClipboardFormat(UINT format, const TGraphicClass& graphicClass) {
  Classes().clipboardFormats[format] = graphicClass;
  Classes().AddClass(graphicClass);
}

void TPicture::UnregisterGraphicClass(const std::string& className) {
  Registry& r = Classes();
  std::erase_if(r.extensions, [&](const auto& e) { return e.second.graphicClass.name == className; });
  std::erase_if(r.clipboardFormats, [&](const auto& e) { return e.second.name == className; });
  r.classes.erase(className);
}

bool TPicture::SupportsClipboardFormat(UINT format) { return Classes().clipboardFormats.contains(format); }

void TPicture::SetGraphic(std::unique_ptr<TGraphic> graphic) {
  graphic_ = std::move(graphic);
  if (graphic_)
    graphic_->OnChange = [this] {
      if (OnChange) OnChange();
    };
  if (OnChange) OnChange();
}

void TPicture::LoadFromStream(qt::Stream& stream, std::string_view extension) {
  std::unique_ptr<TGraphic> graphic = NewGraphic(extension);
  graphic->LoadFromStream(stream);
  SetGraphic(std::move(graphic));
}

void TPicture::LoadFromFile(const std::filesystem::path& path) {
  // The class is known before the file is opened, so an unknown extension fails as such.
  std::unique_ptr<TGraphic> graphic = NewGraphic(ExtensionOf(path.native()));
  qt::FileStream file(path, qt::FileStream::Mode::read);
  graphic->LoadFromStream(file);
  SetGraphic(std::move(graphic));
}

void TPicture::LoadFromResource(const std::string& name) {
  HMODULE self = GetModuleHandleW(nullptr);
  std::wstring wide = Widen(name);
  HRSRC res = FindResourceW(self, wide.c_str(), reinterpret_cast<LPCWSTR>(RT_RCDATA));
  HGLOBAL data = res ? LoadResource(self, res) : nullptr;
  if (!data) throw EInvalidGraphic("the picture resource " + name + " is missing");
  qt::MemoryStream bytes(std::string(static_cast<const char*>(LockResource(data)), SizeofResource(self, res)));
  LoadFromStream(bytes, ExtensionOf(wide));
}

void TPicture::SaveToStream(qt::Stream& stream) const {
  if (graphic_) graphic_->SaveToStream(stream);
}

void TPicture::ReadData(qt::Stream& stream) {
  unsigned char length = 0;
  if (stream.Read(&length, 1) == 0 || length == 0) {
    Clear();
    return;
  }
  std::string name(length, '\0');
  stream.ReadExact(name.data(), length);
  auto it = Classes().classes.find(name);
  if (it == Classes().classes.end()) throw EInvalidGraphic("unknown class " + name);
  std::unique_ptr<TGraphic> graphic = it->second.create();
  graphic->LoadFromStream(stream);
  SetGraphic(std::move(graphic));
}

void TPicture::LoadFromClipboardFormat(UINT format, HANDLE data, HPALETTE palette) {
  auto it = Classes().clipboardFormats.find(format);
  if (it == Classes().clipboardFormats.end()) throw EInvalidGraphic(kUnsupportedClipboardFormat);
  std::unique_ptr<TGraphic> graphic = it->second.create();
  graphic->LoadFromClipboardFormat(format, data, palette);
  SetGraphic(std::move(graphic));
}

void TPicture::SaveToClipboardFormat(UINT& format, HANDLE& data, HPALETTE& palette) const {
  format = 0;
  data = nullptr;
  palette = nullptr;
  if (graphic_) graphic_->SaveToClipboardFormat(format, data, palette);
}

} // namespace win
