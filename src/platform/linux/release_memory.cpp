#include "platform/linux/release_memory.h"

#include <malloc.h>

namespace ks {

void releaseFreedMemory() {
    // glibc keeps freed blocks in its arenas, one per thread that allocated; trimming returns
    // the free pages of every arena.
    malloc_trim(0);
}

} // namespace ks
