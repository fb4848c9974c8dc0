/* Compiled as C from the reference file that the build names in QT_WUFFS_SOURCE. */
#define WUFFS_IMPLEMENTATION
#define WUFFS_CONFIG__MODULES
#define WUFFS_CONFIG__MODULE__BASE
#define WUFFS_CONFIG__MODULE__GIF
#define WUFFS_CONFIG__MODULE__LZW
#include QT_WUFFS_SOURCE

#include "tests/bench/wuffs_gif.h"

#include <stdlib.h>

int WuffsDecodeGif(const uint8_t* data, size_t size, WuffsFrameSeen seen, void* context) {
  wuffs_gif__decoder* decoder = wuffs_gif__decoder__alloc();
  uint8_t* pixels = NULL;
  uint8_t* work = NULL;
  int result = -1;
  wuffs_base__io_buffer source = wuffs_base__ptr_u8__reader((uint8_t*)data, size, true);
  wuffs_base__image_config image;
  if (!decoder || wuffs_gif__decoder__decode_image_config(decoder, &image, &source).repr)
    goto done;
  const uint32_t width = wuffs_base__pixel_config__width(&image.pixcfg);
  const uint32_t height = wuffs_base__pixel_config__height(&image.pixcfg);
  wuffs_base__pixel_config__set(&image.pixcfg, WUFFS_BASE__PIXEL_FORMAT__INDEXED__BGRA_BINARY,
                                WUFFS_BASE__PIXEL_SUBSAMPLING__NONE, width, height);
  const size_t length = WUFFS_BASE__PIXEL_FORMAT__INDEXED__PALETTE_BYTE_LENGTH + (size_t)width * height;
  const size_t workLength = (size_t)wuffs_gif__decoder__workbuf_len(decoder).max_incl;
  pixels = malloc(length);
  work = malloc(workLength ? workLength : 1);
  wuffs_base__pixel_buffer buffer;
  if (!pixels || !work ||
      wuffs_base__pixel_buffer__set_from_slice(&buffer, &image.pixcfg, wuffs_base__make_slice_u8(pixels, length)).repr)
    goto done;
  for (;;) {
    wuffs_base__frame_config frame;
    wuffs_base__status status = wuffs_gif__decoder__decode_frame_config(decoder, &frame, &source);
    if (status.repr == wuffs_base__note__end_of_data)
      break;
    if (status.repr ||
        wuffs_gif__decoder__decode_frame(decoder, &buffer, &source, WUFFS_BASE__PIXEL_BLEND__SRC,
                                         wuffs_base__make_slice_u8(work, workLength), NULL).repr)
      goto done;
    if (seen) {
      const wuffs_base__rect_ie_u32 r = wuffs_base__frame_config__bounds(&frame);
      const wuffs_base__table_u8 plane = wuffs_base__pixel_buffer__plane(&buffer, 0);
      seen(context, plane.ptr + r.min_incl_y * plane.stride + r.min_incl_x, plane.stride,
           r.max_excl_x - r.min_incl_x, r.max_excl_y - r.min_incl_y);
    }
  }
  result = 0;
done:
  free(work);
  free(pixels);
  free(decoder);
  return result;
}
