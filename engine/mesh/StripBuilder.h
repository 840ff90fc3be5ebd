// Turns an indexed triangle list into strips for a small vertex cache. The
// search (StripSearch.cpp) covers every face with strips of adjacent faces;
// the later stages (StripBuilder.cpp) cut the strips to the cache size, set
// short pieces aside, order the pieces by simulated cache hits and join them
// into one index stream. Not reentrant: the search shares a scratch list.
#pragma once

#include "StripEdge.h"
#include "StripFace.h"
#include "StripRecord.h"

#include <cstdint>
#include <vector>

class CacheSimulator;

class StripBuilder {
public:
    StripBuilder();

    // The whole run: faces and edges from indices, the search, then cutting
    // and ordering. strips gets the ordered pieces and leftovers the faces of
    // pieces shorter than minimum; the caller frees the pieces, their faces
    // and the leftover faces. The edges are freed before it returns.
    void BuildStrips(const std::vector<uint16_t>& indexList, int32_t cacheSetting, int32_t minimum,
                     uint16_t largestIndex, std::vector<StripRecord*>& strips, std::vector<StripFace*>& leftovers);

    // Later stages.
    void SplitAndOrderStrips(const std::vector<StripRecord*>& strips, std::vector<StripRecord*>& ordered,
                             const StripEdgeLists& edges, std::vector<StripFace*>& leftovers);
    void CollectShortStrips(const std::vector<StripRecord*>& pieces, std::vector<StripRecord*>& longPieces,
                            std::vector<StripFace*>& leftovers);
    // Appends each piece's indices; stitched, the pieces are joined by
    // repeated indices into one strip, otherwise each ends with a -1.
    void JoinStrips(const std::vector<StripRecord*>& pieces, std::vector<int32_t>& stream, bool stitch,
                    uint32_t& separateCount);
    int32_t CountNeighbours(const StripFace& face, const StripEdgeLists& edges);
    float StripHitRate(const CacheSimulator& cache, const StripRecord& piece);
    int32_t FaceHits(const CacheSimulator& cache, const StripFace& face);

    // Search.
    void BuildStripifyInfo(std::vector<StripFace*>& faceTable, StripEdgeLists& edges, uint16_t largestIndex);
    void SearchStrips(std::vector<StripRecord*>& result, std::vector<StripFace*>& faceTable, StripEdgeLists& edges,
                      int32_t samples);
    void GrowStrip(StripRecord& strip, const StripEdgeLists& edges);
    int32_t GetNextIndex(const std::vector<uint16_t>& scratch, const StripFace& face);
    StripEdge* LookUpEdge(const StripEdgeLists& edges, int32_t a, int32_t b);
    StripFace* FaceAcross(const StripEdgeLists& edges, int32_t a, int32_t b, const StripFace* face);
    int32_t FindBoundaryFace(const std::vector<StripFace*>& faceTable, const StripEdgeLists& edges);
    StripFace* NextSeedFace(const std::vector<StripFace*>& faceTable, const StripEdgeLists& edges);
    bool FindNextStart(const StripRecord& strip, const StripEdgeLists& edges, StripStart& start);
    bool TouchesStrip(const StripRecord& strip, const StripFace& face, const StripEdgeLists& edges);
    bool AddsNewVertex(const std::vector<StripFace*>& faces, const StripFace& face);
    void AdoptTrial(std::vector<StripRecord*>& result, const std::vector<StripRecord*>& trialStrips);
    float MeanStripLength(const std::vector<StripRecord*>& trialStrips);
    // Frees every edge of the lists (each once, after both its lists) and
    // clears the heads.
    static void FreeEdges(StripEdgeLists& edges);

    std::vector<uint16_t> indices; // the input triangle list
    int32_t cacheSize;             // planned cache entries, at least 1
    int32_t minStripFaces;         // pieces with fewer faces become leftovers
    float seedFraction;            // where in the face table the next seed is looked for
    bool firstSeed;                // until the first seed: look for a boundary face
};
