// Gives one COM object a private copy of its method table with some entries
// replaced, so a measuring program can see calls to the object without
// wrapping it: the object's implementation finds itself from the interface
// pointer, which stays the same.
#pragma once

#include <cstddef>

class VtablePatch {
public:
    static const size_t Capacity = 128;

    // Copies the first methodCount entries of object's table and points the
    // object at the copy. False when methodCount exceeds Capacity or the
    // object was already attached.
    bool Attach(void* object, size_t methodCount);
    // Replaces entry index of the copy with function; returns the original
    // entry (null when not attached or out of range).
    void* Replace(size_t index, void* function);
    // The original entry index.
    void* Original(size_t index) const;

private:
    void* table_[Capacity] = {};
    void* const* original_ = nullptr;
    size_t count_ = 0;
};
