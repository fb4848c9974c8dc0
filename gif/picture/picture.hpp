#pragma once
// The GIF picture as a graphic of the picture container: frames rendered into 8-bit bitmaps with
// their palettes and masks, drawn plain, transparent, stretched or tiled.
#include "gif/codec/GIFImage.hpp"
#include "win/bitmap.hpp"
#include "win/handles.hpp"
#include "win/picture.hpp"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace qt {

// Draw option bits of a GIF picture.
inline constexpr std::uint16_t doThreaded = 0x001;
inline constexpr std::uint16_t doTransparent = 0x002;
inline constexpr std::uint16_t doAnimate = 0x004;
inline constexpr std::uint16_t doRepeat = 0x008;
inline constexpr std::uint16_t doRepeatForever = 0x010;
inline constexpr std::uint16_t doCheckCanvas = 0x020;
inline constexpr std::uint16_t doDirectPaint = 0x040;
inline constexpr std::uint16_t doClearPerPass = 0x080;
inline constexpr std::uint16_t doTile = 0x100;
inline constexpr std::uint16_t doDither = 0x200;
inline constexpr std::uint16_t doDitherLowColour = 0x400;
inline constexpr std::uint16_t kDefaultPaintOptions = 0x060F;

// A colour of 0x1FFFFFFF: no backdrop chosen.
inline constexpr TColor kNoBackdrop = 0x1FFFFFFF;

class TGIFPicture;
class TGIFPainter;

// A palette of the map's colours; none for an empty map.
win::UniquePalette MakeColorMapPalette(const TGIFColorMap& map);
// The 216 colours 0, 51, ..., 255 per channel, entry 36r + 6g + b.
win::UniquePalette MakeCubePalette();

// The drawing side of one frame: its rendered bitmap, mask and palette.
class TGIFFrameRender {
public:
  TGIFFrameRender(TGIFPicture& picture, TGIFSubImage& frame) : picture_(picture), frame_(frame) {}
  TGIFFrameRender(const TGIFFrameRender&) = delete;
  TGIFFrameRender& operator=(const TGIFFrameRender&) = delete;

  TGIFSubImage& Frame() const { return frame_; }

  // Not owned by the caller; none when no colour map reaches the frame.
  HPALETTE FramePalette();
  void ReplacePalette(win::UniquePalette palette);
  // The colours the frame draws with changed: its palette and rendering go.
  void ColorMapChanged();
  bool BitmapExists() const { return bitmap_ != nullptr; }
  void ReplaceBitmap();
  void DropBitmap() { bitmap_.reset(); }
  void DropMask();
  // Renders again when the mask is due; whether the frame has a mask.
  bool MaskReady();
  HBITMAP Mask() const { return mask_.get(); }
  // None for an empty frame.
  win::TBitmap* RenderedBitmap();
  // The frame's place in the logical screen mapped into rect.
  RECT MapFrameRect(const RECT& rect) const;
  void PaintFrame(win::TCanvas& canvas, const RECT& rect, bool transparent, bool tile);
  void AssignTo(win::TBitmap& target);

  // The frame takes its picture from another frame or from a graphic, whose converted bitmap
  // stays as the rendered one: a bitmap of 1, 4 or 8 bits per pixel keeps its colours and
  // indices; a deeper one is reduced by the picture's reduction method, dither kind and bit
  // count, which leaves that bitmap itself at 24 bits; any other graphic goes through a bitmap
  // and brings its transparent parts. None empties the frame; so does a failure.
  void Assign(const TGIFFrameRender& source);
  void Assign(const win::TGraphic* source);
  void Assign(const win::TPicture& source);

private:
  void ClearConverted();
  void AssignBitmap(const win::TBitmap& given);
  void AssignGraphic(const win::TGraphic& source);
  std::unique_ptr<win::TBitmap> NewBitmap() const;
  std::unique_ptr<win::TBitmap> RenderPlain();
  std::unique_ptr<win::TBitmap> RenderDithered();
  // Whether the mask is built in this rendering; clears the need-mask flag.
  bool MaskWanted();
  void StoreMask(const std::vector<std::uint8_t>& rows, bool anyTransparent);
  void PaintFrameInto(win::TCanvas& canvas, const RECT& rect, bool transparent, bool tile);

  TGIFPicture& picture_;
  TGIFSubImage& frame_;
  std::unique_ptr<win::TBitmap> bitmap_;
  win::UniqueBitmap mask_;
  bool needMask_ = true;
  win::UniquePalette palette_;
  bool paletteIsCube_ = false;
  // While a conversion fills the map to match the bitmap it keeps as the rendered one.
  bool converting_ = false;
};

// Whether the screen has 8 bits per pixel or fewer; read when the class is registered.
bool PalettedDisplay();

// The class's name in form data, and the name of its file format and clipboard format.
inline constexpr char kGIFClassName[] = "TGIFImage";
inline constexpr char kGIFImageDescription[] = "GIF Image";
// The clipboard format "GIF Image", registered with Windows on the first call.
UINT GIFClipboardFormat();

// A GIF picture. The frames and header live in the codec's image; the picture adds drawing,
// palettes, the render bitmap and the painters that play animations. It belongs to the GUI
// thread.
class TGIFPicture : public win::TGraphic {
public:
  TGIFPicture();
  ~TGIFPicture() override;

  TGIFImage& Image() const { return *image_; }
  int FrameCount() const { return image_->Images().Count(); }
  TGIFFrameRender& Frame(int index) const { return *renders_.at(static_cast<std::size_t>(index)); }

  // The GIF stream from the stream's position. A failure leaves the picture as it was, with the
  // stream where the GIF began.
  void LoadFromStream(Stream& stream) override;
  // Written by the codec's encoder; an empty picture fails with "Unsupported GIF version".
  void SaveToStream(Stream& stream) const override;
  int Width() const override { return image_->Width(); }
  int Height() const override { return image_->Height(); }
  bool Empty() const override { return image_->Empty(); }
  void SetWidth(int value);
  void SetHeight(int value);
  void Draw(HDC dc, const RECT& r) const override;
  void Draw(win::TCanvas& canvas, const RECT& r);
  // Not owned by the caller.
  HPALETTE Palette();
  void SetPalette(win::UniquePalette palette);
  bool Equals(const win::TGraphic& other) const { return &other == this; }
  // A new last frame converted from the graphic (a GIF picture becomes one frame of its still
  // rendering); its index. A failure adds nothing and leaves the logical screen as it was.
  int AddFrame(const win::TGraphic& source);
  // Takes over a frame made for this picture's image, as it is; its index.
  int AddFrame(std::unique_ptr<TGIFSubImage> frame);
  // None clears the picture; a GIF picture is copied with its settings; any other graphic becomes
  // the one frame (EConvertError "Cannot assign a <class> to a TGIFImage" when it cannot).
  void Assign(const win::TGraphic* source);
  void Assign(const win::TPicture& source) { Assign(source.Graphic()); }
  // The "GIF Image" format (a global block of the GIF stream) or CF_BITMAP; data none: taken
  // from the open clipboard.
  void LoadFromClipboardFormat(UINT format, HANDLE data, HPALETTE palette) override;
  // Fills in the still rendering as CF_BITMAP and, at once, places the GIF stream on the open
  // clipboard as "GIF Image". Nothing for an empty picture.
  void SaveToClipboardFormat(UINT& format, HANDLE& data, HPALETTE& palette) override;
  void AssignTo(win::TBitmap& target) const override;
  std::string ClassName() const override { return kGIFClassName; }
  void ClearImage();
  // The codec's optimiser (gif/optimize.hpp) with the painters stopped and kept off; the frames'
  // renders are made anew afterwards, also when it fails.
  void OptimizeGIF(std::uint8_t options, std::uint8_t reductionMethod, std::uint8_t ditherKind, int reductionBits);

  bool UseCubePalette() const;
  // Frame 0 in the logical screen's size: the still rendering, or the animation's target.
  win::TBitmap* EnsureBitmap();
  win::TBitmap& PrepareBitmap();
  // Asks the active painter to stop, without waiting, and frees the render bitmap.
  void DiscardBitmap();
  win::TBitmap* RenderBitmap() const { return renderBitmap_.get(); }
  // Counts the render bitmaps made, so that a painter can tell whether its target is still there.
  unsigned RenderBitmapGeneration() const { return renderBitmapGeneration_; }

  // A painter for rect of canvas, listed and given this picture's notifications. A threaded one
  // is the result, suspended until StartPainting; a synchronous one has run to its end (what it
  // raised is raised here) and the result is none, as it is for an empty picture or rectangle.
  TGIFPainter* StartPainter(TGIFPainter** ownerSlot, win::TCanvas& canvas, std::uint16_t options, const RECT& rect);
  // Both wait, running the steps queued to the GUI thread, until the threaded painters asked to
  // stop have ended; then DiscardBitmap.
  void StopPainters();
  void StopAnimation() override { StopPainters(); }
  void StopActivePainter();
  TGIFPainter* ActivePainter() const { return activePainter_; }
  // The listed painters, under the lock (the same thread may take it again).
  std::vector<TGIFPainter*> PainterList() const;
  // A painter ending: it leaves the list, and the owner slot when that still names it.
  void LeavePainterList(TGIFPainter& painter, TGIFPainter** ownerSlot);

  void Progress(const void* sender, TProgressStage stage, int percent, bool redrawNow, const std::string& message);
  bool PaletteModified = false;

  std::uint16_t PaintOptions = kDefaultPaintOptions;
  std::uint8_t ReductionMethod = 6;
  int ReductionBitCount = 8;
  std::uint8_t DitherKind = 0;
  std::uint8_t PainterPriority = 3;
  int SpeedPercent = 100;
  int StillFrame = -1;
  TColor BackdropColor = kNoBackdrop;
  // Called with the painter that fires it.
  using Notification = std::function<void(TGIFPainter& sender)>;
  Notification OnAnimationStart, OnFrameDrawing, OnFrameDrawn, OnPassRestart, OnAnimationStop;
  std::function<void(GIFSender sender, std::uint8_t severity, const std::string& message)> OnCodecWarning;
  std::function<void(const void* sender, TProgressStage stage, int percent, bool redrawNow, const std::string& message)>
      OnProgress;

  virtual void ReportWarning(GIFSender sender, std::uint8_t severity, const std::string& message);

private:
  void AssignPicture(const TGIFPicture& source);
  int AddRendered(std::unique_ptr<TGIFSubImage> frame, std::unique_ptr<TGIFFrameRender> render);
  std::unique_ptr<TGIFImage> NewImage();
  void Adopt(std::unique_ptr<TGIFImage> image);
  void BlitRendered(win::TCanvas& canvas, const RECT& r, win::TBitmap& bitmap) const;
  // The local map of frame, or the global map for none, changed.
  void ColorMapChanged(const TGIFSubImage* frame);
  void NewRenderBitmap();
  void RebuildRenders();

  std::unique_ptr<TGIFImage> image_;
  std::vector<std::unique_ptr<TGIFFrameRender>> renders_;
  std::unique_ptr<win::TBitmap> renderBitmap_;
  unsigned renderBitmapGeneration_ = 0;
  mutable std::recursive_mutex painterLock_;
  std::vector<TGIFPainter*> painters_;
  TGIFPainter* activePainter_ = nullptr;
  win::UniquePalette cachedPalette_;
  bool drawBusy_ = false;
  bool paletteBusy_ = false;
};

// Registers the GIF picture with the picture container for the extension "gif", for the
// clipboard format "GIF Image" and by its class name, and reads the display's depth; removes it
// again when it ends. One for the run of a program.
class TGIFPictureRegistration {
public:
  TGIFPictureRegistration();
  ~TGIFPictureRegistration();
  TGIFPictureRegistration(const TGIFPictureRegistration&) = delete;
  TGIFPictureRegistration& operator=(const TGIFPictureRegistration&) = delete;
};

} // namespace qt
