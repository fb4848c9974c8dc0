#include "win/picture.hpp"

#include "base/file_stream.hpp"
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

std::map<std::string, GraphicFactory>& GraphicClasses() {
  static std::map<std::string, GraphicFactory> classes = [] {
    GraphicFactory jpeg = [] { return std::make_unique<TJPEGImage>(); };
    return std::map<std::string, GraphicFactory>{{"jpg", jpeg}, {"jpeg", jpeg}};
  }();
  return classes;
}

std::unique_ptr<TGraphic> NewGraphic(std::string_view extension) {
  auto it = GraphicClasses().find(Lower(extension));
  if (it == GraphicClasses().end())
    throw EInvalidGraphic("unknown picture file extension \"." + std::string(extension) + "\"");
  return it->second();
}

// What follows the last dot of the file name; empty when there is none.
std::string_view ExtensionOf(std::string_view name) {
  size_t dot = name.find_last_of('.');
  size_t slash = name.find_last_of("\\/:");
  if (dot == std::string_view::npos || (slash != std::string_view::npos && slash > dot)) return {};
  return name.substr(dot + 1);
}

} // namespace

void RegisterGraphicClass(const std::string& extension, GraphicFactory factory) {
  GraphicClasses()[Lower(extension)] = std::move(factory);
}

void UnregisterGraphicClass(const std::string& extension) { GraphicClasses().erase(Lower(extension)); }

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

void TPicture::LoadFromFile(const std::string& path) {
  // The class is known before the file is opened, so an unknown extension fails as such.
  std::unique_ptr<TGraphic> graphic = NewGraphic(ExtensionOf(path));
  qt::FileStream file(std::filesystem::path(Widen(path)), qt::FileStream::Mode::read);
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
  LoadFromStream(bytes, ExtensionOf(name));
}

void TPicture::SaveToStream(qt::Stream& stream) const {
  if (graphic_) graphic_->SaveToStream(stream);
}

} // namespace win
