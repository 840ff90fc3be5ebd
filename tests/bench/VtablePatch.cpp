#include "VtablePatch.h"

bool VtablePatch::Attach(void* object, size_t methodCount)
{
    if (!object || methodCount > Capacity || original_)
        return false;
    void** slot = static_cast<void**>(object);
    original_ = static_cast<void* const*>(*slot);
    for (size_t i = 0; i < methodCount; ++i)
        table_[i] = original_[i];
    count_ = methodCount;
    *slot = table_;
    return true;
}

void* VtablePatch::Replace(size_t index, void* function)
{
    if (!original_ || index >= count_)
        return nullptr;
    table_[index] = function;
    return original_[index];
}

void* VtablePatch::Original(size_t index) const
{
    return original_ && index < count_ ? original_[index] : nullptr;
}
