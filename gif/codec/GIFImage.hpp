#pragma once
// The GIF picture as a tree of objects that mirrors the blocks of a GIF file: the image owns a
// header (logical screen and global colour map) and a list of frames; each frame owns its
// descriptor, local colour map, the extensions before it and its pixels. This is the portable
// file codec; drawing and the picture container's side are added on Windows.
#include "base/stream.hpp"
#include "gif/codec/colormap.hpp"
#include "gif/codec/error.hpp"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qt {

class TGIFImage;
class TGIFSubImage;
class TGIFExtension;
class TGIFGraphicControlExtension;

// Version codes: 0 none, 1 "87a", 2 "89a".
inline constexpr int kGIFVersionNone = 0;
inline constexpr int kGIFVersion87a = 1;
inline constexpr int kGIFVersion89a = 2;

// Whatever reports a warning: an item, a list or a colour map.
using GIFSender = const void*;

class TGIFItem {
 public:
  virtual ~TGIFItem() = default;
  explicit TGIFItem(TGIFImage* image) : image_(image) {}
  TGIFItem(const TGIFItem&) = delete;
  TGIFItem& operator=(const TGIFItem&) = delete;

  TGIFImage* Image() const { return image_; }
  virtual int NeededVersion() const { return kGIFVersion87a; }
  void Warning(std::uint8_t severity, const std::string& message) const;
  virtual void SaveToStream(Stream& stream) = 0;
  virtual void LoadFromStream(Stream& stream) = 0;
  void SaveToFile(const std::filesystem::path& path);
  void LoadFromFile(const std::filesystem::path& path);

 private:
  TGIFImage* image_;
};

// A list that owns its items. Delete frees, Remove hands the item back.
template <class Item>
class TGIFList {
 public:
  explicit TGIFList(TGIFImage* image) : image_(image) {}
  TGIFList(const TGIFList&) = delete;
  TGIFList& operator=(const TGIFList&) = delete;

  TGIFImage* Image() const { return image_; }
  int Count() const { return static_cast<int>(items_.size()); }
  Item& Items(int index) const { return *items_.at(static_cast<std::size_t>(index)); }
  int Add(std::unique_ptr<Item> item) {
    items_.push_back(std::move(item));
    return Count() - 1;
  }
  void Delete(int index) { Remove(Items(index)); }
  std::unique_ptr<Item> Remove(const Item& item) {
    for (auto it = items_.begin(); it != items_.end(); ++it)
      if (it->get() == &item) {
        std::unique_ptr<Item> taken = std::move(*it);
        items_.erase(it);
        return taken;
      }
    return nullptr;
  }
  int IndexOf(const Item& item) const {
    for (std::size_t i = 0; i < items_.size(); ++i)
      if (items_[i].get() == &item)
        return static_cast<int>(i);
    return -1;
  }
  void Clear() {
    while (!items_.empty())
      Delete(0);
  }
  void Warning(std::uint8_t severity, const std::string& message) const;

 protected:
  ~TGIFList() { Clear(); }

 private:
  TGIFImage* image_;
  std::vector<std::unique_ptr<Item>> items_;
};

// The logical screen descriptor as the file stores it.
struct TLogicalScreenDescriptor {
  std::uint16_t ScreenWidth = 0;
  std::uint16_t ScreenHeight = 0;
  std::uint8_t PackedFields = 0;
  std::uint8_t BackgroundColorIndex = 0;
  std::uint8_t AspectRatio = 0;
};

class TGIFHeader : public TGIFItem {
 public:
  explicit TGIFHeader(TGIFImage* image) : TGIFItem(image), colorMap_(*this) {}

  TLogicalScreenDescriptor LogicalScreenDescriptor;
  TGIFGlobalColorMap& ColorMap() { return colorMap_; }
  const TGIFGlobalColorMap& ColorMap() const { return colorMap_; }

  void Clear();
  void Assign(const TGIFHeader& source);
  // Cleared, with a copy of the map as the global map.
  void Assign(const TGIFColorMap& source);
  int NeededVersion() const override;
  void LoadFromStream(Stream& stream) override;
  void SaveToStream(Stream& stream) override;
  void RebuildPackedFlags();
  TColor BackgroundColor() { return colorMap_.Colors(LogicalScreenDescriptor.BackgroundColorIndex); }
  int BitsPerPixel() const { return colorMap_.BitsPerPixel(); }
  int ColorResolution() const { return colorMap_.BitsPerPixel() - 1; }

 private:
  TGIFGlobalColorMap colorMap_;
};

// ---- Extensions ----

// What the registries map labels and identifiers to: a class's constructor and its look-ahead,
// which may name a more specific class from the bytes that follow the label.
struct TGIFExtensionClass {
  std::unique_ptr<TGIFExtension> (*Create)(TGIFSubImage& frame);
  const TGIFExtensionClass* (*ResolveClass)(const TGIFExtensionClass& self, Stream& stream);
};

class TGIFExtension : public TGIFItem {
 public:
  explicit TGIFExtension(TGIFSubImage& frame);
  TGIFSubImage& OwnerFrame() const { return ownerFrame_; }
  virtual std::uint8_t ExtensionLabel() const = 0;
  int NeededVersion() const override { return kGIFVersion89a; }
  void SaveToStream(Stream& stream) override;
  void LoadFromStream(Stream& stream) override;

 protected:
  virtual void SaveData(Stream& stream) = 0;
  virtual void LoadData(Stream& stream) = 0;

 private:
  TGIFSubImage& ownerFrame_;
};

class TGIFGraphicControlExtension : public TGIFExtension {
 public:
  static const TGIFExtensionClass kClass;
  explicit TGIFGraphicControlExtension(TGIFSubImage& frame);
  ~TGIFGraphicControlExtension() override;
  std::uint8_t ExtensionLabel() const override { return 0xF9; }

  // Block size, packed fields, delay (little-endian), transparent index, terminator.
  std::array<std::uint8_t, 6> ControlBlock{4, 0, 0, 0, 0, 0};

  bool TransparentColorFlag() const { return ControlBlock[1] & 1; }
  void SetTransparentColorFlag(bool on);
  std::uint8_t TransparentColorIndex() const { return ControlBlock[4]; }
  void SetTransparentColorIndex(int index);
  std::uint16_t DelayTime() const { return static_cast<std::uint16_t>(ControlBlock[2] | ControlBlock[3] << 8); }
  void SetDelayTime(std::uint16_t delay);
  bool UserInputFlag() const { return ControlBlock[1] & 2; }
  int DisposalMethod() const { return (ControlBlock[1] >> 2) & 7; }
  void SetDisposalMethod(int method);

 protected:
  void SaveData(Stream& stream) override;
  void LoadData(Stream& stream) override;
};

class TGIFTextExtension : public TGIFExtension {
 public:
  static const TGIFExtensionClass kClass;
  using TGIFExtension::TGIFExtension;
  std::uint8_t ExtensionLabel() const override { return 0x01; }

  std::array<std::uint8_t, 13> PlainTextHeader{12};
  std::vector<std::string> Lines;

 protected:
  void SaveData(Stream& stream) override;
  void LoadData(Stream& stream) override;
};

class TGIFCommentExtension : public TGIFExtension {
 public:
  static const TGIFExtensionClass kClass;
  using TGIFExtension::TGIFExtension;
  std::uint8_t ExtensionLabel() const override { return 0xFE; }

  std::vector<std::string> Lines;

 protected:
  void SaveData(Stream& stream) override;
  void LoadData(Stream& stream) override;
};

class TGIFApplicationExtension : public TGIFExtension {
 public:
  static const TGIFExtensionClass kClass;
  using TGIFExtension::TGIFExtension;
  std::uint8_t ExtensionLabel() const override { return 0xFF; }

  // The 8-byte identifier and the 3-byte authentication code.
  std::array<std::uint8_t, 11> AppIdentifier{};
  // Bytes of an application block longer than 11, kept so that it is written back as read.
  std::string ExtraBlockBytes;

 protected:
  void SaveData(Stream& stream) final;
  void LoadData(Stream& stream) final;
  // The data sub-blocks after the identifier. This class itself is made only for blocks that
  // its load refuses, so it just passes over them.
  virtual void SaveAppData(Stream& stream);
  virtual void LoadAppData(Stream& stream);
};

// One data sub-block of 1 to 255 bytes.
struct TGIFBlock {
  std::string Bytes;
};

class TGIFUnknownAppExtension : public TGIFApplicationExtension {
 public:
  static const TGIFExtensionClass kClass;
  using TGIFApplicationExtension::TGIFApplicationExtension;
  std::vector<TGIFBlock> DataBlocks;

 protected:
  void SaveAppData(Stream& stream) override;
  void LoadAppData(Stream& stream) override;
};

class TGIFAppExtNSLoop : public TGIFApplicationExtension {
 public:
  static const TGIFExtensionClass kClass;
  explicit TGIFAppExtNSLoop(TGIFSubImage& frame);
  std::uint16_t LoopCount = 0;
  std::uint32_t StreamBufferSize = 0;

 protected:
  void SaveAppData(Stream& stream) override;
  void LoadAppData(Stream& stream) override;
};

// The registries by label and by application identifier; later entries win.
const TGIFExtensionClass* FindLabel(std::uint8_t label);
const TGIFExtensionClass* FindIdentifier(const std::array<std::uint8_t, 11>& identifier);
// With the stream just after the introducer; the position is the same on return.
const TGIFExtensionClass* ResolveExtensionClass(Stream& stream);

class TGIFExtensionList : public TGIFList<TGIFExtension> {
 public:
  using TGIFList::TGIFList;
  ~TGIFExtensionList();
  void LoadFromStream(Stream& stream, TGIFSubImage& parent);
  void SaveToStream(Stream& stream) const;
};

// ---- Frames ----

struct TImageDescriptor {
  std::uint8_t Separator = ',';
  std::uint16_t Left = 0;
  std::uint16_t Top = 0;
  std::uint16_t Width = 0;
  std::uint16_t Height = 0;
  std::uint8_t PackedFields = 0;
};

// A frame's place on the logical screen: right and bottom are one past the last pixel.
struct TGIFRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  friend bool operator==(const TGIFRect&, const TGIFRect&) = default;
};

// Pixels in plain memory, so that a buffer the system cannot give fails cleanly.
struct FreeDeleter {
  void operator()(std::uint8_t* p) const { std::free(p); }
};

class TGIFSubImage : public TGIFItem {
 public:
  explicit TGIFSubImage(TGIFImage* image);
  ~TGIFSubImage() override;

  TImageDescriptor ImageDescriptor;
  TGIFLocalColorMap& ColorMap() { return colorMap_; }
  const TGIFLocalColorMap& ColorMap() const { return colorMap_; }
  TGIFExtensionList& Extensions() { return extensions_; }
  const TGIFExtensionList& Extensions() const { return extensions_; }

  bool Transparent() const { return transparent_; }
  void SetTransparent(bool on) { transparent_ = on; }
  TGIFGraphicControlExtension* GraphicControlExtension() const { return gce_; }
  void SetGraphicControlExtension(TGIFGraphicControlExtension* gce) { gce_ = gce; }

  std::uint8_t* Data() const { return pixels_.get(); }
  std::uint64_t DataSize() const { return dataSize_; }
  int Left() const { return ImageDescriptor.Left; }
  int Top() const { return ImageDescriptor.Top; }
  int Width() const { return ImageDescriptor.Width; }
  int Height() const { return ImageDescriptor.Height; }

  void ClearFrame();
  // A copy of the source's descriptor (the screen is not grown), local map, transparency and
  // pixels (when it has any); its extensions are read anew as this frame's own. A failure leaves
  // this frame empty.
  void Assign(const TGIFSubImage& source);
  bool IsEmptyFrame() const;
  int DescriptorField(int n) const;
  void SetDescriptorField(int n, int value);
  void PlaceFrame(int left, int top, int width, int height);
  // A buffer of width x height bytes, zero-filled unless the caller writes every byte itself; too
  // large for memory raises.
  void AllocatePixels(bool zeroed = true);
  void ReleasePixels();
  void EnsurePixels();
  std::uint8_t* RowPointer(int y);
  std::uint8_t PixelAt(int x, int y);
  bool InterlaceFlag() const { return ImageDescriptor.PackedFields & 0x40; }
  TGIFColorMap& EffectiveColorMap();
  // The local map if it has colours, else the global one if that has, else the empty local map.
  TGIFColorMap& ActiveColorMap();
  int LocalMapBits() const { return colorMap_.BitsPerPixel(); }
  int LocalMapSizeField() const { return LocalMapBits() - 1; }
  int NeededVersion() const override;
  void LoadFromStream(Stream& stream) override;
  void SaveToStream(Stream& stream) override;
  void RebuildPackedFlags();

  // Making frames smaller where they change nothing on the screen.
  TGIFRect FrameRect() const { return {Left(), Top(), Left() + Width(), Top() + Height()}; }
  // Cuts off the outer rows and columns that hold only the transparent index; a frame that is
  // transparent everywhere is cleared.
  void TrimTransparentBorder();
  // Inside the overlap with previous, the pixels that show previous's colour become transparent.
  void MarkUnchangedPixels(TGIFSubImage* previous);
  bool CanAddColor() const;
  // The index to make transparent, adding black to the map when no other frame's will do; -1
  // when the added colour's index is one the frame's pixels already show.
  int ChooseTransparentIndex();
  // Whether the frame stays on the screen under the next one: no graphic control, or disposal
  // 0 or 1.
  bool LeavesPixels() const;

 private:
  TGIFExtensionList extensions_;
  TGIFLocalColorMap colorMap_;
  std::unique_ptr<std::uint8_t, FreeDeleter> pixels_;
  std::uint64_t dataSize_ = 0;
  bool transparent_ = false;
  TGIFGraphicControlExtension* gce_ = nullptr;
};

class TGIFTrailer : public TGIFItem {
 public:
  using TGIFItem::TGIFItem;
  void SaveToStream(Stream& stream) override;
  void LoadFromStream(Stream& stream) override;
};

class TGIFImageList : public TGIFList<TGIFSubImage> {
 public:
  using TGIFList::TGIFList;
  ~TGIFImageList() = default;
  void LoadFromStream(Stream& stream, TGIFImage& parent);
  void SaveToStream(Stream& stream);
};

// ---- The image ----

enum class TProgressStage { psStarting, psRunning, psEnding };

class TGIFImage {
 public:
  TGIFImage();
  virtual ~TGIFImage();
  TGIFImage(const TGIFImage&) = delete;
  TGIFImage& operator=(const TGIFImage&) = delete;

  TGIFHeader& Header() { return header_; }
  const TGIFHeader& Header() const { return header_; }
  TGIFImageList& Images() { return images_; }
  const TGIFImageList& Images() const { return images_; }

  // 0 LZW, 1 run-length: the image-data encoder on save.
  std::uint8_t EncoderKind = 0;
  std::function<void(GIFSender sender, std::uint8_t severity, const std::string& message)>
      OnCodecWarning;
  // The graphic's progress notification: sender, stage, percent, redraw now, message. The
  // rectangle is always empty and left out.
  std::function<void(GIFSender sender, TProgressStage stage, int percent, bool redrawNow,
                     const std::string& message)>
      OnProgress;
  // A colour map changed: the local map of frame, or the global map when frame is none. Whoever
  // draws the image keeps palettes and renderings made from them.
  std::function<void(TGIFSubImage* frame)> OnColorMapChanged;

  // Reads a whole GIF stream. On failure the stream goes back to where the GIF began and what
  // was read stays in the image.
  void LoadFromStream(Stream& stream);
  void SaveToStream(Stream& stream);
  void LoadFromFile(const std::filesystem::path& path);
  void SaveToFile(const std::filesystem::path& path);

  void ClearImage();
  // Takes over a frame made for this image; answers its index.
  int AddFrame(std::unique_ptr<TGIFSubImage> frame);
  bool Empty() const { return images_.Count() == 0; }
  int Width() const { return header_.LogicalScreenDescriptor.ScreenWidth; }
  int Height() const { return header_.LogicalScreenDescriptor.ScreenHeight; }
  void SetWidth(int value);
  void SetHeight(int value);

  int RequiredVersion() const;
  int MaxColorResolution() const;
  int MaxBitsPerPixel() const;
  TColor ScreenBackgroundColor() { return header_.BackgroundColor(); }

  virtual void ReportWarning(GIFSender sender, std::uint8_t severity, const std::string& message);
  void Progress(GIFSender sender, TProgressStage stage, int percent, bool redrawNow,
                const std::string& message);
  void ColorMapChanged(TGIFSubImage* frame);

 private:
  TGIFHeader header_;
  TGIFImageList images_;
};

template <class Item>
void TGIFList<Item>::Warning(std::uint8_t severity, const std::string& message) const {
  if (image_)
    image_->ReportWarning(this, severity, message);
}

} // namespace qt
