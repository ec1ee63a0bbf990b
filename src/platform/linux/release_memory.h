#pragma once

namespace ks {

// Hands the heap memory the process has freed back to the system, so that a window that
// came and went does not leave the resident size raised. Cheap enough after a window closes;
// not for a loop.
void releaseFreedMemory();

} // namespace ks
