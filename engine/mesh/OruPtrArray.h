// Growable array of non-owning pointers that grows in fixed steps.
#pragma once

class OruPtrArray {
public:
    OruPtrArray(int capacity, int growStep);
    ~OruPtrArray();
    OruPtrArray(const OruPtrArray&) = delete;
    OruPtrArray& operator=(const OruPtrArray&) = delete;

    // Appends item (null included). Returns false, storing nothing, when the
    // block is full and a larger one cannot be allocated.
    bool Push(void* item);

    // Forgets the entries; the block stays for reuse.
    void Clear() { count = 0; }

    int capacity;
    int growStep;
    void** items;
    int count;
};
