#pragma once
// Giving freed memory back to the system. The allocator keeps freed blocks for reuse, and a page
// of its heaps stays resident while it is touched, even when nothing on it is in use any more:
// after the database load (whole country files and their object tables) and after a screen lets go
// of its pictures, several megabytes stay with the process unless the allocator is asked to return
// them.

namespace vantrel::platform {

// Returns the free pages of every heap now, on the calling thread (a few milliseconds).
void releaseFreedMemory();

// The same, once, on the main loop a second after the last of a run of calls, so that a run of
// tab switches costs one release and none of them waits for it. Main thread only.
void releaseFreedMemorySoon();

}  // namespace vantrel::platform
