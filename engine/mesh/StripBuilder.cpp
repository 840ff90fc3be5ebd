// The strip builder's run and its later stages: cutting the strips to the
// planned cache, setting short pieces aside, ordering the pieces for the
// cache and joining them into one index stream.

#include "StripBuilder.h"

#include "CacheSimulator.h"

#include <utility>

StripBuilder::StripBuilder() : cacheSize(1), minStripFaces(0), seedFraction(0.0f), firstSeed(true) {}

void StripBuilder::BuildStrips(const std::vector<uint16_t>& indexList, int32_t cacheSetting, int32_t minimum,
                               uint16_t largestIndex, std::vector<StripRecord*>& strips,
                               std::vector<StripFace*>& leftovers)
{
    seedFraction = 0.0f;
    firstSeed = true;
    // The plan leaves 6 entries of the cache spare; compared before
    // subtracting so that no setting overflows.
    cacheSize = cacheSetting >= 7 ? cacheSetting - 6 : 1;
    minStripFaces = minimum;
    indices = indexList;

    std::vector<StripFace*> faceTable;
    StripEdgeLists edges;
    BuildStripifyInfo(faceTable, edges, largestIndex);
    std::vector<StripRecord*> found;
    SearchStrips(found, faceTable, edges, 10);
    SplitAndOrderStrips(found, strips, edges, leftovers);

    // The faces now belong to the pieces and the leftovers.
    for (StripRecord* strip : found)
        delete strip;
    FreeEdges(edges);
}

void StripBuilder::SplitAndOrderStrips(const std::vector<StripRecord*>& strips, std::vector<StripRecord*>& ordered,
                                       const StripEdgeLists& edges, std::vector<StripFace*>& leftovers)
{
    const size_t L = size_t(cacheSize < 1 ? 1 : cacheSize);
    const StripStart noStart{nullptr, nullptr, false};
    std::vector<StripRecord*> pieces;
    for (const StripRecord* strip : strips) {
        const std::vector<StripFace*>& faces = strip->faces;
        for (size_t begin = 0; begin < faces.size(); begin += L) {
            size_t end = begin + L < faces.size() ? begin + L : faces.size();
            StripRecord* piece = new StripRecord(noStart, 0, -1);
            piece->faces.assign(faces.begin() + begin, faces.begin() + end);
            pieces.push_back(piece);
        }
    }

    std::vector<StripRecord*> longPieces;
    CollectShortStrips(pieces, longPieces, leftovers);

    ordered.clear();
    if (longPieces.empty())
        return;
    CacheSimulator cache{int32_t(L)};

    // First the piece with the fewest neighbours per face, the earliest on a tie.
    StripRecord* first = nullptr;
    float bestCost = 10000.0f;
    for (StripRecord* piece : longPieces) {
        int32_t neighbours = 0;
        for (const StripFace* face : piece->faces)
            neighbours += CountNeighbours(*face, edges);
        float cost = piece->faces.empty() ? 0.0f : float(neighbours) / float(piece->faces.size());
        if (cost < bestCost) {
            bestCost = cost;
            first = piece;
        }
    }
    // A cost is at most 3, so some piece is always below the start value.
    if (!first)
        first = longPieces.front();
    cache.AddStrip(*first);
    ordered.push_back(first);
    first->visited = true;

    // Then, each time, the unplaced piece with the most cached vertices per face.
    for (;;) {
        float best = -1.0f;
        StripRecord* candidate = nullptr;
        for (StripRecord* piece : longPieces) {
            if (piece->visited)
                continue;
            float rate = StripHitRate(cache, *piece);
            if (rate > best) {
                best = rate;
                candidate = piece;
            }
        }
        if (!candidate)
            break;
        candidate->visited = true;
        cache.AddStrip(*candidate);
        ordered.push_back(candidate);
    }
}

void StripBuilder::CollectShortStrips(const std::vector<StripRecord*>& pieces, std::vector<StripRecord*>& longPieces,
                                      std::vector<StripFace*>& leftovers)
{
    longPieces.clear();
    leftovers.clear();
    std::vector<StripFace*> shortFaces;
    for (StripRecord* piece : pieces) {
        // Unsigned, as the builder always compared: a negative minimum makes
        // every piece short.
        if (uint32_t(piece->faces.size()) < uint32_t(minStripFaces)) {
            shortFaces.insert(shortFaces.end(), piece->faces.begin(), piece->faces.end());
            delete piece;
        } else {
            longPieces.push_back(piece);
        }
    }

    // The short faces in cache order: each time the unplaced face with the
    // most cached vertices, the earliest on a tie.
    CacheSimulator cache(cacheSize);
    std::vector<bool> visited(shortFaces.size(), false);
    for (;;) {
        int32_t best = -1;
        size_t candidate = 0;
        for (size_t i = 0; i < shortFaces.size(); ++i) {
            if (visited[i])
                continue;
            int32_t hits = FaceHits(cache, *shortFaces[i]);
            if (hits > best) {
                best = hits;
                candidate = i;
            }
        }
        if (best == -1)
            break;
        visited[candidate] = true;
        cache.AddFace(*shortFaces[candidate]);
        leftovers.push_back(shortFaces[candidate]);
    }
}

void StripBuilder::JoinStrips(const std::vector<StripRecord*>& pieces, std::vector<int32_t>& stream, bool stitch,
                              uint32_t& separateCount)
{
    separateCount = 0;
    bool anyPiece = false;
    for (size_t i = 0; i < pieces.size(); ++i) {
        const std::vector<StripFace*>& faces = pieces[i]->faces;
        if (faces.empty())
            continue; // nothing to draw, and no first face to start from
        const StripFace& f0 = *faces[0];
        int32_t t1 = f0.va, t2 = f0.vb, t3 = f0.vc;

        // First triangle: the vertex that the second face lacks comes first,
        // and a vertex shared with the third face comes last.
        if (faces.size() > 1) {
            const StripFace& f1 = *faces[1];
            int32_t u = !f1.HasVertex(t1) ? t1 : !f1.HasVertex(t2) ? t2 : !f1.HasVertex(t3) ? t3 : -1;
            if (u == t2)
                std::swap(t1, t2);
            else if (u == t3)
                std::swap(t1, t3);
        }
        if (faces.size() > 2) {
            const StripFace& f2 = *faces[2];
            int32_t s = f2.HasVertex(t1) ? t1 : f2.HasVertex(t2) ? t2 : f2.HasVertex(t3) ? t3 : -1;
            if (s == t2)
                std::swap(t2, t3);
        }

        bool keepsWinding;
        if (f0.va == t1)
            keepsWinding = f0.vb == t2;
        else if (f0.vb == t1)
            keepsWinding = f0.vc == t2;
        else
            keepsWinding = f0.va == t2;

        bool joined = stitch && anyPiece;
        if (!joined) {
            // A leading repeat turns the first real triangle over.
            if (!keepsWinding)
                stream.push_back(t1);
        } else {
            stream.push_back(t1);
            // A triangle starting at an even position keeps its order.
            bool evenStart = stream.size() % 2 == 0;
            if (evenStart != keepsWinding)
                stream.push_back(t1);
        }
        anyPiece = true;

        stream.push_back(t1);
        stream.push_back(t2);
        stream.push_back(t3);
        int32_t p = t1, q = t2, r = t3;
        for (size_t j = 1; j < faces.size(); ++j) {
            const StripFace& fj = *faces[j];
            int32_t u = (fj.va != p && fj.va != q && fj.va != r)   ? fj.va
                        : (fj.vb != p && fj.vb != q && fj.vb != r) ? fj.vb
                        : (fj.vc != p && fj.vc != q && fj.vc != r) ? fj.vc
                                                                   : -1;
            if (u != -1) {
                stream.push_back(u);
                p = q;
                q = r;
                r = u;
            }
        }

        if (stitch) {
            bool last = true;
            for (size_t k = i + 1; k < pieces.size(); ++k)
                if (!pieces[k]->faces.empty())
                    last = false;
            if (!last)
                stream.push_back(r); // the closing repeat
        } else {
            stream.push_back(-1);
            ++separateCount;
        }
    }
    if (stitch && anyPiece)
        separateCount = 1;
}

int32_t StripBuilder::CountNeighbours(const StripFace& face, const StripEdgeLists& edges)
{
    return (FaceAcross(edges, face.va, face.vb, &face) != nullptr) +
           (FaceAcross(edges, face.vb, face.vc, &face) != nullptr) +
           (FaceAcross(edges, face.vc, face.va, &face) != nullptr);
}

float StripBuilder::StripHitRate(const CacheSimulator& cache, const StripRecord& piece)
{
    if (piece.faces.empty())
        return 0.0f;
    int32_t hits = 0;
    for (const StripFace* face : piece.faces)
        hits += FaceHits(cache, *face);
    return float(hits) / float(piece.faces.size());
}

int32_t StripBuilder::FaceHits(const CacheSimulator& cache, const StripFace& face)
{
    return cache.Contains(face.va) + cache.Contains(face.vb) + cache.Contains(face.vc);
}
