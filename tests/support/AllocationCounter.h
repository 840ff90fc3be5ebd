// Counts the program's own heap allocations: a program that links
// AllocationCounter.cpp (the allocationcounter object library) has its
// operator new and delete replaced by counting ones. Wine's and the
// drivers' heaps (HeapAlloc, malloc in their DLLs) are not counted, so the
// figures hold what this program's code keeps, and nothing of Mesa's or
// glibc's arenas.
#pragma once

#include <cstdint>

namespace AllocationCounter {

struct Counts {
    int64_t allocations; // operator new calls so far
    int64_t liveBlocks;  // allocated and not yet deleted
    int64_t liveBytes;   // their requested sizes
};

Counts Now();

} // namespace AllocationCounter
