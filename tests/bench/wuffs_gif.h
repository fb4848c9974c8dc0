#pragma once
/* wuffs' GIF decoder as a user of it calls it, for the benchmark: every frame into one reused
   buffer of indices the size of the picture. */
#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Called after each frame with its top-left index, the buffer's row stride and its size. */
typedef void (*WuffsFrameSeen)(void* context, const uint8_t* indices, size_t stride, uint32_t width,
                               uint32_t height);

/* Decodes every frame; seen may be NULL. Answers 0, or -1 when wuffs refuses the data. */
int WuffsDecodeGif(const uint8_t* data, size_t size, WuffsFrameSeen seen, void* context);

#ifdef __cplusplus
}
#endif
