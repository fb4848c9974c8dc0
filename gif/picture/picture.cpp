#include "gif/picture/picture.hpp"

#include "base/flag_scope.hpp"
#include "gif/picture/painter.hpp"
#include "win/thread.hpp"

#include <algorithm>
#include <utility>

namespace qt {
namespace {

bool palettedDisplay = false;

} // namespace

bool PalettedDisplay() { return palettedDisplay; }

TGIFPicture::TGIFPicture() : image_(NewImage()) {}

TGIFPicture::~TGIFPicture() {
  try {
    StopPainters();
  } catch (...) {
    // Nothing leaves a destructor.
  }
  {
    // A painter still listed runs synchronously further up this thread's stack: from now on it
    // leaves the picture alone.
    std::lock_guard<std::recursive_mutex> hold(painterLock_);
    for (TGIFPainter* painter : painters_) painter->CutLoose();
    painters_.clear();
    activePainter_ = nullptr;
  }
  renderBitmap_.reset();
}

std::unique_ptr<TGIFImage> TGIFPicture::NewImage() {
  auto image = std::make_unique<TGIFImage>();
  image->OnCodecWarning = [this](GIFSender sender, std::uint8_t severity, const std::string& message) {
    ReportWarning(sender, severity, message);
  };
  image->OnProgress = [this](GIFSender sender, TProgressStage stage, int percent, bool redrawNow,
                             const std::string& message) { Progress(sender, stage, percent, redrawNow, message); };
  // Only the image this picture draws has renderings to keep up to date.
  image->OnColorMapChanged = [this, drawn = image.get()](TGIFSubImage* frame) {
    if (drawn == image_.get()) ColorMapChanged(frame);
  };
  return image;
}

void TGIFPicture::Adopt(std::unique_ptr<TGIFImage> image) {
  ClearImage();
  // The encoder is this picture's setting, not the stream's.
  image->EncoderKind = image_->EncoderKind;
  image_ = std::move(image);
  RebuildRenders();
  Changed();
}

// Every render is made anew for the frames there are.
void TGIFPicture::RebuildRenders() {
  renders_.clear();
  for (int i = 0; i < image_->Images().Count(); ++i)
    renders_.push_back(std::make_unique<TGIFFrameRender>(*this, image_->Images().Items(i)));
}

void TGIFPicture::ClearImage() {
  StopPainters();
  renders_.clear();
  image_->ClearImage();
  SetPalette(win::UniquePalette());
}

void TGIFPicture::LoadFromStream(Stream& stream) {
  // Into an image of its own, so that a damaged stream leaves this picture as it was.
  std::unique_ptr<TGIFImage> image = NewImage();
  image->LoadFromStream(stream);
  Adopt(std::move(image));
}

void TGIFPicture::SaveToStream(Stream& stream) const { image_->SaveToStream(stream); }

void TGIFPicture::SetWidth(int value) {
  const int old = Width();
  image_->SetWidth(value);
  if (Width() != old) {
    DiscardBitmap();
    Changed();
  }
}

void TGIFPicture::SetHeight(int value) {
  const int old = Height();
  image_->SetHeight(value);
  if (Height() != old) {
    DiscardBitmap();
    Changed();
  }
}

bool TGIFPicture::UseCubePalette() const {
  return (PaintOptions & doDither) && (!(PaintOptions & doDitherLowColour) || PalettedDisplay());
}

void TGIFPicture::Draw(HDC dc, const RECT& r) const {
  win::TCanvas canvas(dc);
  // Drawing fills the picture's caches (rendered frames, the render bitmap).
  const_cast<TGIFPicture*>(this)->Draw(canvas, r);
}

void TGIFPicture::Draw(win::TCanvas& canvas, const RECT& r) {
  if (drawBusy_ || Empty()) return;
  FlagScope busy(drawBusy_);
  const bool transparent = PaintOptions & doTransparent, tile = PaintOptions & doTile;
  if (FrameCount() == 1 || !(PaintOptions & doAnimate)) {
    const int still = StillFrame >= 0 && StillFrame < FrameCount() ? StillFrame : 0;
    Frame(still).PaintFrame(canvas, r, transparent, tile);
    return;
  }
  const bool direct = PaintOptions & doDirectPaint;
  if (renderBitmap_ && !direct) {
    BlitRendered(canvas, r, *EnsureBitmap());
    return;
  }
  std::lock_guard<std::recursive_mutex> hold(painterLock_);
  if (activePainter_ && activePainter_->PaintTarget().Handle() == canvas.Handle() && EqualRect(&activePainter_->PaintRect(), &r))
    return;
  StopActivePainter();
  win::TCanvas* target = &canvas;
  RECT targetRect = r;
  if (!direct) {
    win::TBitmap& bitmap = PrepareBitmap();
    target = &bitmap.Canvas();
    targetRect = RECT{0, 0, bitmap.Width(), bitmap.Height()};
    // Transparent parts show what lies under the picture.
    target->CopyRect(targetRect, canvas, r);
  }
  TGIFPainter* painter = StartPainter(&activePainter_, *target, PaintOptions, targetRect);
  if (!painter) return;
  painter->StartPainting();
  if (direct) return;
  // The painter is gone once it is no longer the active one: look at that first.
  while (activePainter_ == painter && !painter->FirstFrameShown() && !painter->Terminated())
    if (!win::CheckSynchronize()) Sleep(0);
  if (win::TBitmap* bitmap = EnsureBitmap()) BlitRendered(canvas, r, *bitmap);
}

TGIFPainter* TGIFPicture::StartPainter(TGIFPainter** ownerSlot, win::TCanvas& canvas, std::uint16_t options,
                                       const RECT& rect) {
  if (Empty() || rect.left >= rect.right || rect.top >= rect.bottom) {
    if (ownerSlot) *ownerSlot = nullptr;
    return nullptr;
  }
  if (FrameCount() == 1) options &= static_cast<std::uint16_t>(~(doThreaded | doAnimate));
  auto painter = std::make_unique<TGIFPainter>(ownerSlot, options, rect, canvas, *this);
  {
    std::lock_guard<std::recursive_mutex> hold(painterLock_);
    painters_.push_back(painter.get());
  }
  painter->OnAnimationStart = OnAnimationStart;
  painter->OnFrameDrawing = OnFrameDrawing;
  painter->OnFrameDrawn = OnFrameDrawn;
  painter->OnPassRestart = OnPassRestart;
  painter->OnAnimationStop = OnAnimationStop;
  if (painter->IsThreaded()) {
    painter->SetPriority(static_cast<win::TThreadPriority>(PainterPriority));
    // It frees itself when its run has ended.
    return painter.release();
  }
  painter->Execute();
  std::exception_ptr kept = painter->TakeKeptException();
  painter.reset();
  if (ownerSlot) *ownerSlot = nullptr;
  if (kept) std::rethrow_exception(kept);
  return nullptr;
}

std::vector<TGIFPainter*> TGIFPicture::PainterList() const {
  std::lock_guard<std::recursive_mutex> hold(painterLock_);
  return painters_;
}

void TGIFPicture::LeavePainterList(TGIFPainter& painter, TGIFPainter** ownerSlot) {
  std::lock_guard<std::recursive_mutex> hold(painterLock_);
  if (ownerSlot && *ownerSlot == &painter) *ownerSlot = nullptr;
  painters_.erase(std::remove(painters_.begin(), painters_.end(), &painter), painters_.end());
}

namespace {

// Threaded painters end through steps they queue to the GUI thread: run those while waiting.
void LetPaintersEnd() {
  if (win::InMainThread())
    while (win::CheckSynchronize()) {
    }
  Sleep(0);
}

} // namespace

void TGIFPicture::StopPainters() {
  struct Discard {
    TGIFPicture* p;
    ~Discard() { p->DiscardBitmap(); }
  } discard{this};
  for (;;) {
    int threaded = 0;
    {
      std::lock_guard<std::recursive_mutex> hold(painterLock_);
      if (painters_.empty()) return;
      for (auto it = painters_.rbegin(); it != painters_.rend(); ++it) {
        (*it)->RequestStop();
        if ((*it)->IsThreaded()) ++threaded;
      }
    }
    if (threaded == 0) return;
    LetPaintersEnd();
  }
}

void TGIFPicture::StopActivePainter() {
  for (;;) {
    {
      std::lock_guard<std::recursive_mutex> hold(painterLock_);
      if (!activePainter_) break;
      activePainter_->RequestStop();
      if (!activePainter_->IsThreaded()) break;
    }
    LetPaintersEnd();
  }
  DiscardBitmap();
}

void TGIFPicture::BlitRendered(win::TCanvas& canvas, const RECT& r, win::TBitmap& bitmap) const {
  if (!(PaintOptions & doTile)) {
    canvas.StretchDraw(r, bitmap);
    return;
  }
  const int W = Width(), H = Height();
  if (W <= 0 || H <= 0) return;
  for (long long left = r.left; left < r.right; left += W)
    for (long long top = r.top; top < r.bottom; top += H)
      canvas.StretchDraw(RECT{static_cast<LONG>(left), static_cast<LONG>(top), static_cast<LONG>(left + W),
                              static_cast<LONG>(top + H)},
                         bitmap);
}

HPALETTE TGIFPicture::Palette() {
  if (paletteBusy_) RaiseGIFError("No global or local color table defined");
  FlagScope busy(paletteBusy_);
  if (renderBitmap_ && renderBitmap_->Palette()) return renderBitmap_->Palette();
  if (cachedPalette_) return cachedPalette_.get();
  if (UseCubePalette()) {
    cachedPalette_ = MakeCubePalette();
    return cachedPalette_.get();
  }
  if (image_->Header().ColorMap().ColorCount() > 0) {
    cachedPalette_ = MakeColorMapPalette(image_->Header().ColorMap());
    return cachedPalette_.get();
  }
  if (FrameCount() > 0) return Frame(0).FramePalette();
  return nullptr;
}

void TGIFPicture::ColorMapChanged(const TGIFSubImage* frame) {
  // The cached palette is made from the global map; so are the renderings of the frames without
  // a map of their own.
  if (!frame) SetPalette(win::UniquePalette());
  for (const auto& render : renders_)
    if (frame ? &render->Frame() == frame : render->Frame().ColorMap().ColorCount() == 0) render->ColorMapChanged();
  if (renderBitmap_) {
    DiscardBitmap();
    Changed();
  }
}

void TGIFPicture::SetPalette(win::UniquePalette palette) {
  if (palette.get() == cachedPalette_.get()) return;
  cachedPalette_ = std::move(palette);
  if (renderBitmap_ && renderBitmap_->Palette() != cachedPalette_.get()) {
    DiscardBitmap();
    PaletteModified = true;
    Changed();
  }
}

int TGIFPicture::AddFrame(const win::TGraphic& source) {
  TLogicalScreenDescriptor& screen = image_->Header().LogicalScreenDescriptor;
  const std::uint16_t width = screen.ScreenWidth, height = screen.ScreenHeight;
  auto frame = std::make_unique<TGIFSubImage>(image_.get());
  auto render = std::make_unique<TGIFFrameRender>(*this, *frame);
  try {
    render->Assign(&source);
  } catch (...) {
    // Placing the frame grew the screen: a frame that is not added leaves no trace.
    screen.ScreenWidth = width;
    screen.ScreenHeight = height;
    throw;
  }
  return AddRendered(std::move(frame), std::move(render));
}

int TGIFPicture::AddFrame(std::unique_ptr<TGIFSubImage> frame) {
  if (!frame || frame->Image() != image_.get()) RaiseGIFError(gif_text::kObjectNotSupported);
  auto render = std::make_unique<TGIFFrameRender>(*this, *frame);
  return AddRendered(std::move(frame), std::move(render));
}

int TGIFPicture::AddRendered(std::unique_ptr<TGIFSubImage> frame, std::unique_ptr<TGIFFrameRender> render) {
  renders_.reserve(renders_.size() + 1);
  const int index = image_->AddFrame(std::move(frame));
  renders_.push_back(std::move(render));
  DiscardBitmap();
  Changed();
  return index;
}

void TGIFPicture::Assign(const win::TGraphic* source) {
  if (source == this) return;
  if (const auto* gif = dynamic_cast<const TGIFPicture*>(source)) {
    AssignPicture(*gif);
    return;
  }
  ClearImage();
  if (!source) return;
  try {
    AddFrame(*source);
  } catch (const win::EConvertError&) {
    throw win::EConvertError("Cannot assign a " + source->ClassName() + " to a " + kGIFClassName);
  }
}

void TGIFPicture::AssignPicture(const TGIFPicture& source) {
  ClearImage();
  // The copy reports to the source's handlers; afterwards this picture has none.
  struct Unhook {
    TGIFPicture* p;
    ~Unhook() {
      p->OnProgress = nullptr;
      p->OnCodecWarning = nullptr;
    }
  } unhook{this};
  OnProgress = source.OnProgress;
  OnCodecWarning = source.OnCodecWarning;
  constexpr char kCopying[] = "Copying...";
  Progress(this, TProgressStage::psStarting, 0, false, kCopying);
  try {
    image_->Header().Assign(source.image_->Header());
    PainterPriority = source.PainterPriority;
    BackdropColor = source.BackdropColor;
    PaintOptions = source.PaintOptions;
    ReductionMethod = source.ReductionMethod;
    DitherKind = source.DitherKind;
    StillFrame = source.StillFrame;
    OnAnimationStart = source.OnAnimationStart;
    OnFrameDrawing = source.OnFrameDrawing;
    OnFrameDrawn = source.OnFrameDrawn;
    OnPassRestart = source.OnPassRestart;
    OnAnimationStop = source.OnAnimationStop;
    // The screen and the settings are the source's now, frames or not.
    Changed();
    const int count = source.FrameCount();
    for (int i = 0; i < count; ++i) {
      // Each frame with its rendering, when the source has one.
      auto frame = std::make_unique<TGIFSubImage>(image_.get());
      auto render = std::make_unique<TGIFFrameRender>(*this, *frame);
      render->Assign(source.Frame(i));
      AddRendered(std::move(frame), std::move(render));
      Progress(this, TProgressStage::psRunning, MulDiv(i + 1, 100, count), false, kCopying);
    }
  } catch (...) {
    Progress(this, TProgressStage::psEnding, 0, false, kCopying);
    throw;
  }
  Progress(this, TProgressStage::psEnding, 100, false, kCopying);
}

void TGIFPicture::AssignTo(win::TBitmap& target) const {
  if (win::TBitmap* bitmap = const_cast<TGIFPicture*>(this)->EnsureBitmap())
    target.Assign(*bitmap);
  else
    target.Assign(win::TBitmap());
}

void TGIFPicture::NewRenderBitmap() {
  renderBitmap_ = std::make_unique<win::TBitmap>();
  ++renderBitmapGeneration_;
  renderBitmap_->OnChange = [this] { Changed(); };
}

win::TBitmap* TGIFPicture::EnsureBitmap() {
  if (Empty()) return nullptr;
  if (renderBitmap_) return renderBitmap_.get();
  TGIFFrameRender& first = Frame(0);
  if (first.Frame().Width() == Width() && first.Frame().Height() == Height()) {
    NewRenderBitmap();
    if (win::TBitmap* bitmap = first.RenderedBitmap()) renderBitmap_->Assign(*bitmap);
    return renderBitmap_.get();
  }
  PrepareBitmap();
  first.PaintFrame(renderBitmap_->Canvas(), RECT{0, 0, Width(), Height()}, false, false);
  return renderBitmap_.get();
}

win::TBitmap& TGIFPicture::PrepareBitmap() {
  if (renderBitmap_) return *renderBitmap_;
  NewRenderBitmap();
  renderBitmap_->SetPalette(Palette());
  renderBitmap_->SetSize(Width(), Height());
  return *renderBitmap_;
}

void TGIFPicture::DiscardBitmap() {
  if (activePainter_) activePainter_->RequestStop();
  renderBitmap_.reset();
}

void TGIFPicture::Progress(const void* sender, TProgressStage stage, int percent, bool redrawNow,
                           const std::string& message) {
  if (OnProgress) OnProgress(sender, stage, percent, redrawNow, message);
}

void TGIFPicture::ReportWarning(GIFSender sender, std::uint8_t severity, const std::string& message) {
  if (OnCodecWarning) OnCodecWarning(sender, severity, message);
}

TGIFPictureRegistration::TGIFPictureRegistration() {
  const win::TGraphicClass gif{kGIFClassName, [] { return std::make_unique<TGIFPicture>(); }};
  win::TPicture::RegisterFileFormat("GIF", kGIFImageDescription, gif);
  win::TPicture::RegisterClipboardFormat(GIFClipboardFormat(), gif);
  win::WindowDC screen(nullptr);
  palettedDisplay = screen.get() && GetDeviceCaps(screen.get(), BITSPIXEL) * GetDeviceCaps(screen.get(), PLANES) <= 8;
}

TGIFPictureRegistration::~TGIFPictureRegistration() { win::TPicture::UnregisterGraphicClass(kGIFClassName); }

} // namespace qt
