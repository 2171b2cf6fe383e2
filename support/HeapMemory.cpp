#include "support/HeapMemory.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include <sys/mman.h>
#include <unistd.h>

#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23   // Linux 5.14
#endif

namespace LMRHeapMemory {

void prefault(size_t bytes, bool touched)
{
    const uintptr_t page = uintptr_t(::sysconf(_SC_PAGESIZE));
    // Each block stays under the size the allocator would map apart, so that it comes from this
    // thread's heap and goes back to it.
    constexpr size_t kBlock = size_t(kHeapBufferBytes) - 64 * 1024;
    std::vector<void *> blocks;
    for (size_t done = 0; done < bytes; done += kBlock) {
        const size_t size = std::min(kBlock, bytes - done);
        void *block = std::malloc(size);
        if (!block)
            break;
        blocks.push_back(block);
        const uintptr_t begin = (uintptr_t(block) + page - 1) & ~(page - 1);
        const uintptr_t end = (uintptr_t(block) + size) & ~(page - 1);
        if (end <= begin)
            continue;
        // Kernels before 5.14 refuse the call: the pages are written instead.
        if (::madvise(reinterpret_cast<void *>(begin), end - begin, MADV_POPULATE_WRITE) != 0 || touched) {
            // Through a volatile pointer: a store never read back before the free would be
            // left out by the compiler.
            for (uintptr_t at = begin; at < end; at += page)
                *reinterpret_cast<volatile char *>(at) = 0;
        }
    }
    for (void *block : blocks)
        std::free(block);
}

} // namespace LMRHeapMemory
