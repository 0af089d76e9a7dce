#include "platform/MemoryRelease.h"

#include <QtGlobal>

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

void limitHeapArenas() {
#if defined(__GLIBC__)
    // A MALLOC_ARENA_MAX of the user's own wins.
    if (qEnvironmentVariableIsEmpty("MALLOC_ARENA_MAX")) mallopt(M_ARENA_MAX, 2);
#endif
}

}  // namespace moxilane
