#include "gif/picture/painter.hpp"

#include <mmsystem.h>

#include <algorithm>
#include <bitset>
#include <climits>

namespace qt {
namespace {

constexpr int kDelayFactor = 12;   // ms per hundredth of a second at 100 %
constexpr int kDefaultDelay = 10;  // hundredths
constexpr int kMinimumDelay = 3;
constexpr int kSynchronousMaximumDelay = 1000;
constexpr DWORD kSleepSlice = 100; // ms
constexpr long long kFallbackWait = kDelayFactor * 1000;
constexpr long long kInfinite = -1;

// The palette selected into a DC for a scope, realised, and the old one put back.
class PaletteScope {
public:
  PaletteScope(HDC dc, HPALETTE palette) : dc_(dc), old_(SelectPalette(dc, palette, FALSE)) { RealizePalette(dc); }
  PaletteScope(const PaletteScope&) = delete;
  PaletteScope& operator=(const PaletteScope&) = delete;
  ~PaletteScope() {
    if (old_) SelectPalette(dc_, old_, FALSE);
  }

private:
  HDC dc_;
  HPALETTE old_;
};

bool IsLiveDC(HDC dc) {
  const DWORD kind = GetObjectType(dc);
  return kind == OBJ_DC || kind == OBJ_MEMDC;
}

// n x 100 / speed, rounded to the nearest; false when it does not fit 32 bits.
bool ScaledWait(long long n, int speed, long long& out) {
  const long long scaled = n * 100;
  const long long q = (scaled + (scaled >= 0 ? speed / 2 : -(speed / 2))) / speed;
  if (q < INT_MIN || q > INT_MAX) return false;
  out = q;
  return true;
}

} // namespace

TGIFPainter::TGIFPainter(TGIFPainter** ownerSlot, std::uint16_t options, const RECT& rect, win::TCanvas& canvas,
                         TGIFPicture& picture)
    : picture_(&picture), target_(&canvas), rect_(rect), options_(options), threaded_(options & doThreaded),
      speed_(picture.SpeedPercent), ownerSlot_(ownerSlot) {
  if (options_ & doDirectPaint) {
    ownTarget_ = std::make_unique<win::TCanvas>(canvas.Handle());
    target_ = ownTarget_.get();
  } else {
    targetGeneration_ = picture.RenderBitmapGeneration();
  }
  if (threaded_) {
    FreeOnTerminate = true;
    OnTerminate = [this] {
      ReleaseResources();
      // Nobody waits for a threaded run: what it raised goes to the application's handler.
      if (std::exception_ptr kept = TakeKeptException()) std::rethrow_exception(kept);
    };
  }
  if (threaded_ && (options_ & doAnimate) && picture.FrameCount() > 1 && speed_ >= 0) {
    wakeEvent_.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    if (!wakeEvent_) throw win::EOutOfResources("Out of system resources");
  }
  TGIFImage& image = picture.Image();
  if (picture.BackdropColor != kNoBackdrop)
    background_ = win::ColorToRGB(static_cast<win::TColor>(picture.BackdropColor));
  else if (image.Header().ColorMap().ColorCount() > 0)
    background_ = image.ScreenBackgroundColor();
  else
    background_ = win::ColorToRGB(win::clWindow);
  std::bitset<8> disposals;
  if (options_ & doClearPerPass) disposals.set(2);
  for (int i = 0; i < picture.FrameCount(); ++i)
    if (const TGIFGraphicControlExtension* gce = image.Images().Items(i).GraphicControlExtension())
      disposals.set(static_cast<std::size_t>(gce->DisposalMethod()));
  if (disposals[2] && (options_ & doTransparent)) backdrop_ = NewBuffer(true);
  if (disposals[2] || disposals[3]) {
    backup_ = NewBuffer(true);
    backup_->Canvas().Brush.Color = static_cast<win::TColor>(background_);
    scratch_ = NewBuffer(false);
    scratch_->Canvas().Brush.Color = static_cast<win::TColor>(background_);
  }
  prepared_.assign(static_cast<std::size_t>(picture.FrameCount()), false);
  if (ownerSlot_) *ownerSlot_ = this;
}

std::unique_ptr<win::TBitmap> TGIFPainter::NewBuffer(bool copyTarget) const {
  auto bitmap = std::make_unique<win::TBitmap>();
  const int w = rect_.right - rect_.left, h = rect_.bottom - rect_.top;
  bitmap->SetSize(w, h);
  bitmap->Canvas().CopyMode = SRCCOPY;
  if (copyTarget) bitmap->Canvas().CopyRect(RECT{0, 0, w, h}, *target_, rect_);
  return bitmap;
}

TGIFPainter::~TGIFPainter() {
  try {
    if (!released_) ReleaseResources();
  } catch (...) {
    // Nothing leaves a destructor; what is left is freed by the members.
  }
}

void TGIFPainter::StartPainting() {
  if (threaded_) Resume();
}

void TGIFPainter::RequestStop() {
  Terminate();
  if (!threaded_) return;
  if (wakeEvent_) SetEvent(wakeEvent_.get());
  SetPriority(win::tpNormal);
  if (Suspended()) Resume();
}

TGIFFrameRender* TGIFPainter::FrameAt(int index) const {
  TGIFPicture* picture = picture_;
  if (!picture || index < 0 || index >= picture->FrameCount()) return nullptr;
  TGIFFrameRender& frame = picture->Frame(index);
  return frame.Frame().IsEmptyFrame() ? nullptr : &frame;
}

void TGIFPainter::RunSynced(const std::function<void()>& step) {
  if (Terminated()) return;
  if (!threaded_) {
    step();
    return;
  }
  // The painter is alive while its thread waits here; the step itself looks again whether the
  // run was stopped while it was queued. What the step raises ends the run as it would in a
  // synchronous painter.
  std::exception_ptr failure;
  Synchronize([&] {
    if (Terminated()) return;
    try {
      step();
    } catch (...) {
      failure = std::current_exception();
    }
  });
  if (failure) std::rethrow_exception(failure);
}

void TGIFPainter::FireNotification(const TGIFPicture::Notification& handler) {
  if (!handler) return;
  RunSynced([&] { handler(*this); });
}

bool TGIFPainter::TargetAlive() const {
  TGIFPicture* picture = picture_;
  return picture && ((options_ & doDirectPaint) || picture->RenderBitmapGeneration() == targetGeneration_);
}

void TGIFPainter::Execute() {
  try {
    if (options_ & doCheckCanvas) watchedDC_ = target_->Handle();
    FrameIndex = 0;
    FireNotification(OnAnimationStart);
    firstFrameShown_ = false;
    int passesLeft = 1, restartFrame = 0;
    bool loopSeen = false;
    int delay = threaded_ ? 0 : 1;
    previousDisposal_ = 1;
    lastTime_ = timeGetTime();
    carriedWait_ = 0;
    while (!Terminated()) {
      FrameIndex = restartFrame;
      if (firstFrameShown_) FireNotification(OnPassRestart);
      while (!Terminated() && FrameAt(FrameIndex)) {
        WaitForFrame(delay);
        if (Terminated()) break;
        FireNotification(OnFrameDrawing);
        TGIFFrameRender* render = FrameAt(FrameIndex);
        if (!render || Terminated()) break;
        TGIFSubImage& frame = render->Frame();
        currentDisposal_ = 1;
        for (int i = 0; i < frame.Extensions().Count(); ++i) {
          TGIFExtension& ext = frame.Extensions().Items(i);
          if (auto* loop = dynamic_cast<TGIFAppExtNSLoop*>(&ext)) {
            if (loopSeen) continue;
            loopSeen = true;
            passesLeft = loop->LoopCount;
            if ((loop->LoopCount == 0 || (options_ & doRepeatForever)) && threaded_) passesLeft = -1;
            restartFrame = FrameIndex;
          } else if (auto* gce = dynamic_cast<TGIFGraphicControlExtension*>(&ext)) {
            currentDisposal_ = gce->DisposalMethod();
          }
        }
        if (backup_)
          RunSynced([this] { PaintBuffered(); });
        else
          RunSynced([this] { PaintDirect(); });
        previousDisposal_ = currentDisposal_;
        delay = kDefaultDelay;
        if (const TGIFGraphicControlExtension* gce = frame.GraphicControlExtension(); gce && gce->DelayTime() != 0) {
          delay = std::max<int>(gce->DelayTime(), kMinimumDelay);
          if (!threaded_) delay = std::min(delay, kSynchronousMaximumDelay);
        }
        const int shown = FrameIndex;
        FireNotification(OnFrameDrawn);
        if (FrameIndex == shown) ++FrameIndex;
        if (!(options_ & doAnimate)) break;
      }
      if (passesLeft > 0) --passesLeft;
      if (!((options_ & doAnimate) && (options_ & doRepeat) && (passesLeft != 0 || (options_ & doRepeatForever))))
        break;
    }
    FrameIndex = -1;
    FireNotification(OnAnimationStop);
    return;
  } catch (...) {
    Terminate();
    kept_ = std::current_exception();
  }
  FrameIndex = -1;
}

void TGIFPainter::WaitForFrame(int delay) {
  if (delay <= 0) {
    Sleep(0);
    return;
  }
  // Rendering the frame's bitmap falls within the wait. It is GDI work, so it runs on the GUI
  // thread like the paints. Should the bitmap be dropped after all, the paint renders it again.
  const std::size_t index = static_cast<std::size_t>(FrameIndex);
  if (index >= prepared_.size() || !prepared_[index]) {
    RunSynced([this] {
      if (TargetAlive())
        if (TGIFFrameRender* render = FrameAt(FrameIndex)) render->RenderedBitmap();
    });
    if (index < prepared_.size()) prepared_[index] = true;
  }
  const DWORD now = timeGetTime();
  long long wait;
  if (speed_ <= 0) {
    wait = threaded_ ? kInfinite : kFallbackWait;
  } else {
    // How much longer than planned the cycle before took; the counter's wrap cancels out in the
    // unsigned difference.
    const long long overrun = static_cast<long long>(static_cast<DWORD>(now - lastTime_)) - carriedWait_;
    if (ScaledWait(static_cast<long long>(delay) * kDelayFactor - overrun / 2, speed_, wait)) {
      carriedWait_ = wait;
    } else {
      wait = kFallbackWait;
      carriedWait_ = 0;
    }
  }
  lastTime_ = now;
  if (threaded_) {
    if ((wait > 0 || speed_ == 0) && wakeEvent_) {
      const DWORD timeout = wait > 0 ? static_cast<DWORD>(wait) : INFINITE;
      if (WaitForSingleObject(wakeEvent_.get(), timeout) != WAIT_TIMEOUT) {
        carriedWait_ = 0;
        lastTime_ = timeGetTime();
      }
    }
    return;
  }
  if (wait < 1) wait = 1;
  while (wait > 0 && !Terminated()) {
    const DWORD before = timeGetTime();
    Sleep(wait >= static_cast<long long>(kSleepSlice) ? kSleepSlice : static_cast<DWORD>(wait));
    wait -= static_cast<DWORD>(timeGetTime() - before);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        // The caller's loop still has to see it.
        PostQuitMessage(static_cast<int>(msg.wParam));
        Terminate();
        break;
      }
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
}

void TGIFPainter::PaintDirect() {
  if (!TargetAlive()) return;
  if ((options_ & doCheckCanvas) && !IsLiveDC(watchedDC_)) {
    Terminate();
    return;
  }
  if (TGIFFrameRender* render = FrameAt(FrameIndex))
    render->PaintFrame(*target_, rect_, options_ & doTransparent, options_ & doTile);
  firstFrameShown_ = true;
}

void TGIFPainter::PaintBuffered() {
  if (!TargetAlive()) return;
  if ((options_ & doCheckCanvas) && !IsLiveDC(watchedDC_)) {
    Terminate();
    return;
  }
  TGIFFrameRender* render = FrameAt(FrameIndex);
  if (!render) return;
  const bool clearFirst = (options_ & doClearPerPass) && FrameIndex == 0;
  const RECT whole{0, 0, backup_->Width(), backup_->Height()};
  win::TCanvas* target = nullptr;
  RECT targetRect = whole;
  bool copyOut = true, clearAfter = false, fromBackup = false;
  if (currentDisposal_ <= 2) {
    target = &backup_->Canvas();
    clearAfter = currentDisposal_ == 2;
  } else if (currentDisposal_ == 3 && previousDisposal_ <= 1) {
    // Straight onto the target, so that the backup keeps the picture without this frame.
    target = target_;
    targetRect = rect_;
    copyOut = false;
  } else if (currentDisposal_ == 3 && previousDisposal_ <= 3) {
    target = &scratch_->Canvas();
    fromBackup = true;
  }
  if (target) {
    HPALETTE palette = render->FramePalette();
    PaletteScope selected(target->Handle(), palette ? palette : static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)));
    if (clearFirst) ClearFrameArea(*render);
    if (fromBackup) scratch_->Canvas().CopyRect(whole, backup_->Canvas(), whole);
    render->PaintFrame(*target, targetRect, options_ & doTransparent, options_ & doTile);
    if (copyOut) {
      target_->CopyMode = SRCCOPY;
      target_->CopyRect(rect_, *target, targetRect);
    }
  }
  if (clearAfter) ClearFrameArea(*render);
  firstFrameShown_ = true;
}

void TGIFPainter::ClearFrameArea(TGIFFrameRender& render) {
  TGIFPicture* picture = picture_;
  if (!picture) return;
  const TGIFSubImage& frame = render.Frame();
  win::TCanvas& backup = backup_->Canvas();
  const int bw = backup_->Width(), bh = backup_->Height();
  const int W = picture->Width(), H = picture->Height();
  const bool transparent = options_ & doTransparent, tile = options_ & doTile;
  auto eachTile = [&](auto&& f) {
    if (W <= 0 || H <= 0) return;
    for (long long left = frame.Left(); left < bw; left += W)
      for (long long top = frame.Top(); top < bh; top += H)
        f(RECT{static_cast<LONG>(left), static_cast<LONG>(top), static_cast<LONG>(left + frame.Width()),
               static_cast<LONG>(top + frame.Height())});
  };
  if (transparent && backdrop_) {
    auto restore = [&](const RECT& r) { backup.CopyRect(r, backdrop_->Canvas(), r); };
    if (tile)
      eachTile(restore);
    else
      restore(render.MapFrameRect(RECT{0, 0, bw, bh}));
  } else if (!transparent && tile && frame.Width() != W && frame.Height() != H) {
    eachTile([&](const RECT& r) { backup.FillRect(r); });
  } else {
    backup.FillRect(render.MapFrameRect(RECT{0, 0, bw, bh}));
  }
}

void TGIFPainter::ReleaseResources() {
  released_ = true;
  if (TGIFPicture* picture = picture_) {
    picture->LeavePainterList(*this, ownerSlot_);
    picture_ = nullptr;
  }
  backup_.reset();
  scratch_.reset();
  backdrop_.reset();
  wakeEvent_.reset();
}

} // namespace qt
