#include "OruGroupList.h"

#include "mesh/GrowBlock.h"
#include "mesh/OruPtrArray.h"

#include <new>

namespace {
const int GroupListStep = 10;
}

OruGroupList::OruGroupList()
    : groups(new (std::nothrow) OruPtrArray*[GroupListStep]()), count(0), capacity(groups ? GroupListStep : 0)
{
}

OruGroupList::~OruGroupList()
{
    for (int i = 0; i < count; ++i)
        delete groups[i];
    delete[] groups;
}

bool OruGroupList::Add(OruPtrArray* group)
{
    if (count >= capacity && !GrowBlock(groups, capacity, GroupListStep))
        return false;
    groups[count++] = group;
    return true;
}
