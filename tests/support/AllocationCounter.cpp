#include "AllocationCounter.h"

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace {

std::atomic<int64_t> g_allocations{0};
std::atomic<int64_t> g_liveBlocks{0};
std::atomic<int64_t> g_liveBytes{0};

// Each block carries its size in front, in a header that keeps the block
// aligned as malloc's are.
const size_t Header = alignof(std::max_align_t);

void* Allocate(size_t size)
{
    void* raw = std::malloc(Header + size);
    if (!raw)
        return nullptr;
    *static_cast<size_t*>(raw) = size;
    ++g_allocations;
    ++g_liveBlocks;
    g_liveBytes += int64_t(size);
    return static_cast<char*>(raw) + Header;
}

void Free(void* p)
{
    if (!p)
        return;
    void* raw = static_cast<char*>(p) - Header;
    --g_liveBlocks;
    g_liveBytes -= int64_t(*static_cast<size_t*>(raw));
    std::free(raw);
}

} // namespace

AllocationCounter::Counts AllocationCounter::Now()
{
    return {g_allocations.load(), g_liveBlocks.load(), g_liveBytes.load()};
}

void* operator new(size_t size)
{
    if (void* p = Allocate(size))
        return p;
    throw std::bad_alloc();
}
void* operator new[](size_t size)
{
    return operator new(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept
{
    return Allocate(size);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept
{
    return Allocate(size);
}
void operator delete(void* p) noexcept
{
    Free(p);
}
void operator delete[](void* p) noexcept
{
    Free(p);
}
void operator delete(void* p, size_t) noexcept
{
    Free(p);
}
void operator delete[](void* p, size_t) noexcept
{
    Free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept
{
    Free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept
{
    Free(p);
}
