#include "MakeStrips.h"

#include "StripBuilder.h"

#include <vector>

namespace {
// The process-wide settings; only the cache size has a setter.
int32_t g_cacheSetting = 16;
const bool Stitch = true;
const bool ListsOnly = false;
const int32_t MinStripFaces = 0;

const uint32_t MaxGroups = 0xFFFF;

void AppendFace(uint16_t*& out, const StripFace& face)
{
    *out++ = uint16_t(face.va);
    *out++ = uint16_t(face.vb);
    *out++ = uint16_t(face.vc);
}
} // namespace

void SetStripCacheSize(int32_t size)
{
    g_cacheSetting = size;
}

void MakeStrips(const uint16_t* indices, uint32_t count, StripGroup** groups, uint16_t* groupCount)
{
    MakeStripsWith(indices, count, g_cacheSetting, Stitch, ListsOnly, MinStripFaces, groups, groupCount);
}

void MakeStripsWith(const uint16_t* indices, uint32_t count, int32_t cacheSetting, bool stitch, bool listsOnly,
                    int32_t minStripFaces, StripGroup** groups, uint16_t* groupCount)
{
    if (groups)
        *groups = nullptr;
    if (groupCount)
        *groupCount = 0;
    if (!groups || !groupCount || !indices || count < 3)
        return;

    std::vector<uint16_t> list(indices, indices + count);
    uint16_t largest = 0;
    for (uint16_t index : list)
        if (index > largest)
            largest = index;

    StripBuilder builder;
    std::vector<StripRecord*> strips;
    std::vector<StripFace*> leftovers;
    builder.BuildStrips(list, cacheSetting, minStripFaces, largest, strips, leftovers);

    StripGroup* made = nullptr;
    uint32_t madeCount = 0;
    if (strips.empty() && leftovers.empty()) {
        // Every triangle was degenerate: nothing to draw.
    } else if (listsOnly) {
        size_t faces = leftovers.size();
        for (const StripRecord* strip : strips)
            faces += strip->faces.size();
        made = new StripGroup[1];
        madeCount = 1;
        made[0].kind = StripGroup::List;
        made[0].indexCount = uint32_t(3 * faces);
        made[0].indexData = new uint16_t[3 * faces];
        uint16_t* out = made[0].indexData;
        for (const StripRecord* strip : strips)
            for (const StripFace* face : strip->faces)
                AppendFace(out, *face);
        for (const StripFace* face : leftovers)
            AppendFace(out, *face);
    } else {
        std::vector<int32_t> stream;
        uint32_t separate = 0;
        builder.JoinStrips(strips, stream, stitch, separate);
        uint32_t listGroups = leftovers.empty() ? 0 : 1;
        if (uint64_t(separate) + listGroups > MaxGroups) {
            stream.clear();
            builder.JoinStrips(strips, stream, true, separate);
        }
        madeCount = separate + listGroups;
        made = new StripGroup[madeCount];
        size_t position = 0;
        for (uint32_t k = 0; k < separate; ++k) {
            size_t end = position;
            while (end < stream.size() && stream[end] != -1)
                ++end;
            StripGroup& group = made[k];
            group.kind = StripGroup::Strip;
            group.indexCount = uint32_t(end - position);
            group.indexData = new uint16_t[end - position];
            for (size_t i = position; i < end; ++i)
                group.indexData[i - position] = uint16_t(stream[i]);
            position = end + 1;
        }
        if (listGroups) {
            StripGroup& group = made[madeCount - 1];
            group.kind = StripGroup::List;
            group.indexCount = uint32_t(3 * leftovers.size());
            group.indexData = new uint16_t[3 * leftovers.size()];
            uint16_t* out = group.indexData;
            for (const StripFace* face : leftovers)
                AppendFace(out, *face);
        }
    }

    *groups = made;
    *groupCount = uint16_t(madeCount);

    for (StripRecord* strip : strips) {
        for (StripFace* face : strip->faces)
            delete face;
        delete strip;
    }
    for (StripFace* face : leftovers)
        delete face;
}
