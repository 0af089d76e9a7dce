#pragma once

namespace moxilane {

// Gives the heap's free pages back to the system. The allocator keeps freed memory of its
// arenas resident, so after a large capture or an editor is let go the agent would stay
// hundreds of megabytes larger until it quits. Costs a walk of the heap: call it after
// large frees only.
void returnFreedMemory();

// Keeps the allocator to two arenas. By default every thread that allocates (the
// encoders, Qt's thread pool) may get an arena of its own, and what the editors free
// there stays resident in pages a trim cannot give back: the agent grew by about 5 MB
// with every 20 editors. Call it first, before any thread starts.
void limitHeapArenas();

}  // namespace moxilane
