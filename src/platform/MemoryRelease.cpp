#include "platform/MemoryRelease.h"

#include <cstdlib>  // defines __GLIBC__ on glibc systems

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace moxilane {

void returnFreedMemory() {
#if defined(__GLIBC__)
    malloc_trim(0);  // every arena, not only the main thread's
#endif
}

}  // namespace moxilane
