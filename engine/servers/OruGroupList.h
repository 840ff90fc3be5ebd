// The world's list of fish groups. It owns the groups the flock builder adds
// and keeps them, unchanged, for the rest of the run.
#pragma once

#include "OruServer.h"

class OruPtrArray;

class OruGroupList : public OruServer {
public:
    OruGroupList();
    ~OruGroupList() override;
    OruGroupList(const OruGroupList&) = delete;
    OruGroupList& operator=(const OruGroupList&) = delete;

    // Appends group and takes ownership of it. Returns false when the list
    // cannot grow; the group then stays with the caller.
    bool Add(OruPtrArray* group);

    OruPtrArray** groups;
    int count;
    int capacity;
};
