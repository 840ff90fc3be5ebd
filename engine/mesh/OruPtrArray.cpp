#include "OruPtrArray.h"

#include "GrowBlock.h"

#include <new>

OruPtrArray::OruPtrArray(int initialCapacity, int step)
    : capacity(0), growStep(step > 0 ? step : 1), items(nullptr), count(0)
{
    if (initialCapacity > 0) {
        items = new (std::nothrow) void*[initialCapacity]();
        if (items)
            capacity = initialCapacity;
    }
}

OruPtrArray::~OruPtrArray()
{
    delete[] items;
}

bool OruPtrArray::Push(void* item)
{
    if (count >= capacity && !GrowBlock(items, capacity, growStep))
        return false;
    items[count++] = item;
    return true;
}
