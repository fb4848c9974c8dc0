#include "gif/codec/optimize.hpp"

#include "gif/codec/frame_merge.hpp"

#include <algorithm>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace qt {

namespace {

constexpr char kOptimizing[] = "Optimizing...";

int Disposal(const TGIFSubImage& frame) {
  const TGIFGraphicControlExtension* gce = frame.GraphicControlExtension();
  return gce ? gce->DisposalMethod() : 0;
}

bool WhollyTransparent(const TGIFSubImage& frame) {
  const std::uint8_t t = frame.GraphicControlExtension()->TransparentColorIndex();
  const std::uint8_t* p = frame.Data();
  return std::all_of(p, p + frame.DataSize(), [t](std::uint8_t v) { return v == t; });
}

template <class Extension>
bool Has(const TGIFSubImage& frame) {
  for (int i = 0; i < frame.Extensions().Count(); ++i)
    if (dynamic_cast<const Extension*>(&frame.Extensions().Items(i)))
      return true;
  return false;
}

// Whether drawing next over frame hides all of it whatever frame's disposal did, up to the end
// of next's own disposal: next is opaque, contains frame, and does not restore what lay under it.
bool Covers(const TGIFSubImage& next, const TGIFSubImage& frame) {
  const TGIFRect a = next.FrameRect(), b = frame.FrameRect();
  return !next.IsEmptyFrame() && !next.Transparent() && Disposal(next) <= 2 && a.Left <= b.Left &&
         a.Top <= b.Top && a.Right >= b.Right && a.Bottom >= b.Bottom;
}

bool Intersect(const TGIFSubImage& f, const TGIFSubImage& g) {
  const TGIFRect r = Intersection(f.FrameRect(), g.FrameRect());
  return r.Left < r.Right && r.Top < r.Bottom;
}

void AddDelay(TGIFSubImage& frame, unsigned delay) {
  if (delay == 0)
    return;
  TGIFGraphicControlExtension& gce = EnsureGraphicControl(frame);
  gce.SetDelayTime(static_cast<std::uint16_t>(std::min(65535u, gce.DelayTime() + delay)));
}

// The size of the image as our encoder stores it, without progress reports; none when it cannot
// be saved.
std::optional<std::size_t> StoredSize(TGIFImage& image) {
  MemoryStream stream;
  try {
    image.Header().SaveToStream(stream);
    for (int i = 0; i < image.Images().Count(); ++i)
      image.Images().Items(i).SaveToStream(stream);
    TGIFTrailer(&image).SaveToStream(stream);
  } catch (const GIFException&) {
    return std::nullopt;
  }
  return stream.Bytes().size();
}

// Frames and header as they are, to be put back when a step does not pay. A copy of each object
// rather than the stored bytes: a frame without pixels keeps its own extensions so.
class Snapshot {
 public:
  explicit Snapshot(TGIFImage& image) : image_(image), header_(&image) {
    // Copying reads extensions anew; whoever listens hears nothing of it.
    const auto warning = std::exchange(image.OnCodecWarning, nullptr);
    try {
      header_.Assign(image.Header());
      for (int i = 0; i < image.Images().Count(); ++i)
        frames_.push_back(Copy(image.Images().Items(i)));
    } catch (...) {
      image.OnCodecWarning = warning;
      throw;
    }
    image.OnCodecWarning = warning;
  }

  void Restore() {
    image_.Header().Assign(header_);
    image_.Images().Clear();
    for (std::unique_ptr<TGIFSubImage>& frame : frames_)
      image_.AddFrame(std::move(frame));
    frames_.clear();
  }

 private:
  std::unique_ptr<TGIFSubImage> Copy(const TGIFSubImage& frame) {
    auto copy = std::make_unique<TGIFSubImage>(&image_);
    copy->Assign(frame);
    return copy;
  }

  TGIFImage& image_;
  TGIFHeader header_;
  std::vector<std::unique_ptr<TGIFSubImage>> frames_;
};

void DropUnusedTransparency(TGIFSubImage& frame) {
  if (TGIFGraphicControlExtension* gce = frame.GraphicControlExtension();
      gce && frame.Transparent() && !HoldsIndex(frame, gce->TransparentColorIndex()))
    gce->SetTransparentColorFlag(false);
}

class Optimizer {
 public:
  explicit Optimizer(TGIFImage& image)
      : image_(image), frames_(image.Images()), total_(6LL * frames_.Count()), stored_(StoredSize(image)) {}

  // Runs a step and keeps what it did only where the picture then stores no larger: merging can
  // scatter transparent pixels through what the coder packed well, and a colour added for them
  // can widen every code. A picture that cannot be saved is not measured. Answers whether it kept
  // the step.
  template <class Step>
  bool KeepIfNoLarger(Step step) {
    if (!stored_) {
      step();
      return true;
    }
    Snapshot before(image_);
    step();
    const std::optional<std::size_t> now = StoredSize(image_);
    if (!now || *now > *stored_) {
      before.Restore();
      return false;
    }
    stored_ = now;
    return true;
  }

  // A step run a second time reports no progress of its own.
  template <class Step>
  void Uncounted(Step step) {
    counting_ = false;
    step();
    counting_ = true;
  }

  void ColorMaps() {
    TGIFGlobalColorMap& global = image_.Header().ColorMap();
    if (global.ColorCount() > 0)
      global.OptimizeColors();
    for (int i = 0; i < frames_.Count(); ++i) {
      TGIFSubImage& frame = frames_.Items(i);
      if (frame.ColorMap().ColorCount() > 0)
        frame.ColorMap().OptimizeColors();
      Step();
    }
  }

  void UnusedTransparency() {
    for (int i = 0; i < frames_.Count(); ++i) {
      DropUnusedTransparency(frames_.Items(i));
      Step();
    }
  }

  void CoveredDisposal() {
    for (int i = 0; i + 1 < frames_.Count(); ++i) {
      TGIFSubImage& frame = frames_.Items(i);
      const TGIFSubImage& next = frames_.Items(i + 1);
      ++steps_;
      TGIFGraphicControlExtension* gce = frame.GraphicControlExtension();
      if (!gce || (gce->DisposalMethod() != 2 && gce->DisposalMethod() != 3) || next.Transparent() ||
          !Intersect(frame, next))
        continue;
      Report();
      if (Covers(next, frame))
        gce->SetDisposalMethod(0);
    }
  }

  void Merge() {
    // Later passes start at the frame with the first loop block, over what the last frame left:
    // the frame before it is not under it then.
    const int restart = FirstLoop().first;
    for (int i = frames_.Count() - 1; i >= 1; --i) {
      if (i == restart) {
        Step();
        continue;
      }
      // Frames that restore what lay under them leave the one before them on the screen.
      int j = i - 1;
      while (j > 0 && Disposal(frames_.Items(j)) == 3)
        --j;
      frames_.Items(i).MarkUnchangedPixels(&frames_.Items(j));
      Step();
    }
  }

  void Crop() {
    for (int i = frames_.Count() - 1; i >= 0; --i) {
      TGIFSubImage& frame = frames_.Items(i);
      // A frame that clears its area to the background must keep the area it clears.
      if (!frame.IsEmptyFrame() && frame.Transparent() && frame.GraphicControlExtension() && Disposal(frame) != 2) {
        if (!WhollyTransparent(frame)) {
          frame.TrimTransparentBorder();
        } else if (i > 0 && frames_.Items(i - 1).LeavesPixels() && Disposal(frame) <= 3 &&
                   !Has<TGIFAppExtNSLoop>(frame)) {
          // It shows nothing: the frame before it stays on the screen for its time too. An
          // unknown disposal method is left where it is, since the painter lets it change how
          // the next frame is drawn.
          AddDelay(frames_.Items(i - 1), frame.GraphicControlExtension()->DelayTime());
          frames_.Delete(i);
        }
      }
      Step();
    }
  }

  void CleanUp() {
    const TGIFExtension* firstLoop = FirstLoop().second;
    for (int i = frames_.Count() - 1; i >= 0; --i) {
      TGIFSubImage& frame = frames_.Items(i);
      // Cropping may have cut away every pixel that merging made transparent.
      DropUnusedTransparency(frame);
      TGIFExtensionList& extensions = frame.Extensions();
      const bool single = frames_.Count() == 1;
      for (int k = extensions.Count() - 1; k >= 0; --k) {
        const TGIFExtension& e = extensions.Items(k);
        bool drop = dynamic_cast<const TGIFCommentExtension*>(&e) || dynamic_cast<const TGIFTextExtension*>(&e) ||
                    dynamic_cast<const TGIFUnknownAppExtension*>(&e);
        // The first loop block sets the passes and where later passes start.
        if (dynamic_cast<const TGIFAppExtNSLoop*>(&e))
          drop = single || &e != firstLoop;
        if (drop)
          extensions.Delete(k);
      }
      if (const TGIFGraphicControlExtension* gce = frame.GraphicControlExtension();
          gce && (gce->DelayTime() == 0 || single) && !gce->TransparentColorFlag() && !gce->UserInputFlag() &&
          (gce->DisposalMethod() <= 1 || single))
        extensions.Delete(extensions.IndexOf(*gce));
      if (frame.IsEmptyFrame() && extensions.Count() == 0)
        frames_.Delete(i);
    }
    Report();
  }

  void Skip(int frames) { steps_ += frames; }
  // The frame with the first loop block and that block; -1 and none when there is none.
  std::pair<int, const TGIFExtension*> FirstLoop() const {
    for (int i = 0; i < frames_.Count(); ++i)
      for (int k = 0; k < frames_.Items(i).Extensions().Count(); ++k)
        if (auto* loop = dynamic_cast<const TGIFAppExtNSLoop*>(&frames_.Items(i).Extensions().Items(k)))
          return {i, loop};
    return {-1, nullptr};
  }
  int Count() const { return frames_.Count(); }

 private:
  void Step() {
    if (!counting_)
      return;
    ++steps_;
    Report();
  }
  void Report() {
    const int percent = static_cast<int>((steps_ * 100 + total_ / 2) / total_);
    image_.Progress(&image_, TProgressStage::psRunning, percent, false, kOptimizing);
  }

  TGIFImage& image_;
  TGIFImageList& frames_;
  const long long total_;
  long long steps_ = 0;
  bool counting_ = true;
  std::optional<std::size_t> stored_;  // what the picture stores as now
};

} // namespace

void OptimizeGIF(TGIFImage& image, std::uint8_t options, std::uint8_t reductionMethod, std::uint8_t, int) {
  if (image.Empty())
    return;
  image.Progress(&image, TProgressStage::psStarting, 0, false, kOptimizing);
  try {
    Optimizer run(image);
    if (options & opCleanUp) {
      run.KeepIfNoLarger([&] {
        run.UnusedTransparency();
        run.CoveredDisposal();
      });
    } else {
      run.Skip(2 * run.Count());
    }
    const bool crop = options & opCrop;
    if (options & opMerge) {
      // Merging pays mostly through what cropping then cuts away: the two are weighed together,
      // and cropping alone where together they do not pay.
      const bool kept = run.KeepIfNoLarger([&] {
        run.Merge();
        if (crop)
          run.Crop();
      });
      if (!kept && crop)
        run.Uncounted([&] { run.KeepIfNoLarger([&] { run.Crop(); }); });
    } else {
      run.Skip(run.Count());
      if (crop)
        run.KeepIfNoLarger([&] { run.Crop(); });
    }
    if (!crop)
      run.Skip(run.Count());
    // Last of the pixel steps, so that the maps are cut down to what merging and cropping left:
    // a transparent index that merging writes is counted, not dropped before it is needed.
    if (options & opColorMaps)
      run.KeepIfNoLarger([&] { run.ColorMaps(); });
    run.Skip(run.Count());
    if (options & opCleanUp)
      run.KeepIfNoLarger([&] { run.CleanUp(); });
    else if ((options & opReduce) && reductionMethod == 9)
      RaiseGIFError(gif_text::kInvalidReductionMethod);
  } catch (...) {
    image.Progress(&image, TProgressStage::psEnding, 0, false, kOptimizing);
    throw;
  }
  image.Progress(&image, TProgressStage::psEnding, 100, false, kOptimizing);
}

} // namespace qt
