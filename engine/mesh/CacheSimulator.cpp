#include "CacheSimulator.h"

#include "StripRecord.h"

namespace {
const int32_t MaxEntries = 65536;
}

CacheSimulator::CacheSimulator(int32_t requested)
    : entries(nullptr), size(requested < 1 ? 1 : requested > MaxEntries ? MaxEntries : requested)
{
    entries = new int32_t[size];
    for (int32_t i = 0; i < size; ++i)
        entries[i] = -1;
}

CacheSimulator::~CacheSimulator()
{
    delete[] entries;
}

bool CacheSimulator::Contains(int32_t v) const
{
    for (int32_t i = 0; i < size; ++i)
        if (entries[i] == v)
            return true;
    return false;
}

void CacheSimulator::Push(int32_t v)
{
    for (int32_t i = size - 1; i > 0; --i)
        entries[i] = entries[i - 1];
    entries[0] = v;
}

void CacheSimulator::AddFace(const StripFace& face)
{
    for (int32_t v : {face.va, face.vb, face.vc})
        if (!Contains(v))
            Push(v);
}

void CacheSimulator::AddStrip(const StripRecord& strip)
{
    for (const StripFace* face : strip.faces)
        AddFace(*face);
}
