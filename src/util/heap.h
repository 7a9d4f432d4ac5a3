#pragma once
// How the process keeps its heap between calls.

namespace vemba_util {

/// Each call reads, copies and writes the whole project in buffers of its
/// size: keeps such buffers in the heap, so that the next call reuses their
/// pages instead of mapping and faulting in fresh ones, and puts every
/// thread's memory in that one heap. Where the C library offers no such
/// setting, does nothing.
void keep_large_buffers();

/// Gives the free memory of the heap back to the system, the buffers kept for
/// the next call among it: for after a burst that took far more than a call
/// does. Where the C library offers no such call, does nothing.
void give_back_free_memory();

}  // namespace vemba_util
