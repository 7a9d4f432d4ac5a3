#pragma once
// How the process keeps its heap between calls.

namespace vemba_util {

/// Each call reads, copies and writes the whole project in buffers of its
/// size: keeps such buffers in the heap, so that the next call reuses their
/// pages instead of mapping and faulting in fresh ones. Where the C library
/// offers no such setting, does nothing.
void keep_large_buffers();

}  // namespace vemba_util
