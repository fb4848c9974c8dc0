#pragma once
// What a GIF shows, frame by frame, as a viewer composes it: each frame drawn over the screen
// with its transparency, then disposed of (2 clears its area, 3 restores what was under it).
// And small animations built in memory for the tests that compare those pictures.
#include "gif/codec/GIFImage.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace qt::test {

// One picture per frame shown, RGBA with alpha 0 where nothing was drawn, and the frame's delay.
struct Composed {
  std::vector<std::vector<std::uint32_t>> pictures;
  std::vector<int> delays;
  // Equal pictures in a row made one, their delays added: what a viewer sees over time.
  std::vector<std::pair<std::vector<std::uint32_t>, int>> Timeline() const;
  int TotalDelay() const;
};

// Frames without pixels show nothing and are passed over. passes > 1 composes the frames again
// over what the pass before left, as a looping animation does.
Composed Compose(TGIFImage& image, int passes = 2);

struct FrameSpec {
  int left = 0, top = 0, width = 0, height = 0;
  std::string pixels;         // width x height indices
  int transparent = -1;       // index, or none
  int disposal = -1;          // with a delay: a graphic control extension; -1 for none
  int delay = 0;              // hundredths of a second
  std::vector<TColor> local = {};  // empty: no local map
  int loops = -1;                 // a loop extension with that count; -1 for none
};

// A logical screen of width x height with the global map and the frames.
void BuildImage(TGIFImage& image, int width, int height, const std::vector<TColor>& global,
                const std::vector<FrameSpec>& frames);

} // namespace qt::test
