// Grows a pointer block by a fixed step: the new slots are null and the old
// entries are copied. Returns false, leaving the block as it was, when the
// allocation fails.
#pragma once

#include <new>

template <typename T>
bool GrowBlock(T**& block, int& capacity, int step)
{
    T** grown = new (std::nothrow) T*[capacity + step]();
    if (!grown)
        return false;
    for (int i = 0; i < capacity; ++i)
        grown[i] = block[i];
    delete[] block;
    block = grown;
    capacity += step;
    return true;
}
