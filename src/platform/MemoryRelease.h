#pragma once

namespace moxilane {

// Gives the heap's free pages back to the system. The allocator keeps freed memory of its
// arenas resident, so after a large capture or an editor is let go the agent would stay
// hundreds of megabytes larger until it quits. Costs a walk of the heap: call it after
// large frees only.
void returnFreedMemory();

}  // namespace moxilane
