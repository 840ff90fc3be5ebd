// The strip builder's public face: an indexed triangle list in, triangle
// strips (and lists) of 16-bit indices out.
#pragma once

#include "StripGroup.h"

#include <cstdint>

// Sets the vertex-cache size the builder plans for (16 at program start);
// the plan keeps 6 entries spare, and any size below 7 plans for one entry.
void SetStripCacheSize(int32_t size);

// Turns count indices (whole triangles; one or two extra indices are ignored)
// into groups: with the program's settings one strip group holding the whole
// mesh, its pieces joined by repeated indices. Triangles with two equal
// indices and repeats of an earlier triangle in the same order are dropped.
// The caller frees *groups with delete[]. When no triangle is left (fewer
// than three indices, or only degenerate triangles) *groups is null and
// *groupCount 0.
void MakeStrips(const uint16_t* indices, uint32_t count, StripGroup** groups, uint16_t* groupCount);

// MakeStrips with every setting given: the cache size as above; stitch joins
// the pieces into one strip, otherwise each piece is a strip group of its
// own; listsOnly gives one list group of every triangle; pieces shorter than
// minStripFaces (compared unsigned) go to a final list group. Should more
// than 65535 separate strips come out, they are stitched into one instead,
// since groupCount cannot count them.
void MakeStripsWith(const uint16_t* indices, uint32_t count, int32_t cacheSetting, bool stitch, bool listsOnly,
                    int32_t minStripFaces, StripGroup** groups, uint16_t* groupCount);
