#pragma once
// Plays an animated GIF picture on one rectangle of one canvas: frames one after another, each
// for its delay, composed by their disposal methods, repeated by the loop count.
#include "gif/picture/picture.hpp"
#include "win/thread.hpp"

#include <atomic>
#include <exception>
#include <functional>
#include <memory>
#include <vector>

namespace qt {

// Threaded (doThreaded): a thread of its own does the timing; every paint and notification runs
// on the GUI thread while the painter's thread waits for it. Synchronous: the whole run happens
// in the caller's thread, which keeps its message queue moving while it waits.
// Bitmaps and GDI objects are made and freed on the GUI thread only.
class TGIFPainter : public win::TThread {
public:
  // Writes itself into ownerSlot when one is given.
  TGIFPainter(TGIFPainter** ownerSlot, std::uint16_t options, const RECT& rect, win::TCanvas& canvas,
              TGIFPicture& picture);
  // A synchronous painter releases its resources here.
  ~TGIFPainter() override;

  // Resumes a threaded painter; nothing for a synchronous one.
  void StartPainting();
  // Any time, from the GUI thread: ends the run as soon as it can, also a run never started.
  void RequestStop();
  // The run; the picture calls it directly for a synchronous painter.
  void Execute() override;

  bool IsThreaded() const { return threaded_; }
  std::uint16_t Options() const { return options_; }
  win::TCanvas& PaintTarget() const { return *target_; }
  const RECT& PaintRect() const { return rect_; }
  bool FirstFrameShown() const { return firstFrameShown_; }
  // A handler of OnFrameDrawn may set it to show another frame next; out of range ends the pass.
  int FrameIndex = -1;
  // What a failed run raised, handed over once.
  std::exception_ptr TakeKeptException() { return std::exchange(kept_, nullptr); }
  // The picture is going away: from now on the painter does not touch it.
  void CutLoose() { picture_ = nullptr; }

  TGIFPicture::Notification OnAnimationStart, OnFrameDrawing, OnFrameDrawn, OnPassRestart, OnAnimationStop;

private:
  TGIFFrameRender* FrameAt(int index) const;
  void RunSynced(const std::function<void()>& step);
  void FireNotification(const TGIFPicture::Notification& handler);
  // On the GUI thread: whether the canvas painted on is still there.
  bool TargetAlive() const;
  // The wait before the frame at FrameIndex, with its bitmap rendered first.
  void WaitForFrame(int delay);
  void PaintDirect();
  void PaintBuffered();
  void ClearFrameArea(TGIFFrameRender& frame);
  void ReleaseResources();
  std::unique_ptr<win::TBitmap> NewBuffer(bool copyTarget) const;

  std::atomic<TGIFPicture*> picture_;
  win::TCanvas* target_;
  // The caller's canvas may be a temporary around a device context: a direct painter keeps its
  // own canvas on that context.
  std::unique_ptr<win::TCanvas> ownTarget_;
  unsigned targetGeneration_ = 0;
  RECT rect_;
  std::uint16_t options_;
  bool threaded_;
  int speed_;
  int currentDisposal_ = 1, previousDisposal_ = 1;
  std::unique_ptr<win::TBitmap> backup_, scratch_, backdrop_;
  COLORREF background_;
  HDC watchedDC_ = nullptr;
  bool firstFrameShown_ = false;
  TGIFPainter** ownerSlot_;
  win::UniqueHandle wakeEvent_;
  std::exception_ptr kept_;
  bool released_ = false;
  // Frames whose bitmap this painter had rendered before their wait: a later pass need not ask
  // the GUI thread again.
  std::vector<bool> prepared_;
  // Run state kept between waits.
  DWORD lastTime_ = 0;
  long long carriedWait_ = 0;
};

} // namespace qt
