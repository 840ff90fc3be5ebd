// Replaces the program's operator delete so that a test can see which blocks
// are handed to delete while it watches (g_watching). Included by one source
// file of a test program.
#pragma once

#include <cstdlib>
#include <set>

namespace {
// Blocks handed to delete while a test watches.
bool g_watching = false;
std::set<void*> g_freed;
} // namespace

void operator delete(void* p) noexcept
{
    if (p && g_watching)
        g_freed.insert(p);
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    operator delete(p);
}
