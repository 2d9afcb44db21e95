// The C library's heap, set up for frames that allocate and free the same large blocks.
#include "replaceable.h"

#include <cstdlib>  // defines __GLIBC__ where the C library is glibc

#if defined(__GLIBC__)
#include <malloc.h>
#endif

void holdHeapAcrossFrames()
{
#if defined(__GLIBC__)
    // OpenGL drivers that rasterise in software (Mesa's llvmpipe) allocate and free large
    // scene blocks in every frame. glibc by default hands a free top of the heap back to the
    // system once it passes 128 KiB, and maps large blocks afresh, so every frame shrank and
    // regrew the heap: brk calls, page faults and freshly zeroed pages, which cost half of
    // every frame on a VM where faults are dear. Raised thresholds keep that memory for the
    // next frame; the heap stays at the size of the largest frame.
    constexpr int trimThreshold = 64 << 20;  // bytes of free heap top kept
    constexpr int mmapThreshold = 16 << 20;  // smaller blocks come from the heap, not mmap
    mallopt(M_TRIM_THRESHOLD, trimThreshold);
    mallopt(M_MMAP_THRESHOLD, mmapThreshold);
#endif
}
