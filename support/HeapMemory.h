#pragma once
// The allocator's heaps as the program sets them up (see LMRImageSource::initialize), and memory
// made resident before it is filled.

#include <QtGlobal>

#include <cstddef>

namespace LMRHeapMemory {

// Buffers up to this size come from the allocator's heaps: a 1080p decode among them. Larger
// ones are mapped for each use and given back whole when freed.
constexpr qsizetype kHeapBufferBytes = 8 * 1024 * 1024;

// Makes the next `bytes` of this thread's heap resident and hands them back to the allocator,
// which keeps them for this thread's next buffers. Memory the process has never touched costs
// a page fault per 4 KB when first written, and in a virtual machine a fault costs 10-15 us;
// asked for in one call, the same pages cost about 1 us each. Some virtual machines still fill
// in tables of their own at each page's first write (about 5 us): `touched` writes every page
// now as well, for memory that is to be ready before a measured or awaited task starts.
void prefault(size_t bytes, bool touched);

} // namespace LMRHeapMemory
