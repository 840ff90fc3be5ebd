// The strip search of StripBuilder: face table and edge lists, seeds, strip
// growth and the trials that choose the strips.

#include "StripBuilder.h"

#include <algorithm>
#include <cstdio>
#include <unordered_set>

namespace {
// Indices of the strip being grown; shared by all builders and kept from call
// to call so that its storage is reused.
std::vector<uint16_t> g_scratch;

uint64_t FaceKey(int32_t a, int32_t b, int32_t c)
{
    return (uint64_t(uint16_t(a)) << 32) | (uint64_t(uint16_t(b)) << 16) | uint64_t(uint16_t(c));
}
} // namespace

void StripBuilder::BuildStripifyInfo(std::vector<StripFace*>& faceTable, StripEdgeLists& edges, uint16_t largestIndex)
{
    size_t triangles = indices.size() / 3;
    faceTable.clear();
    faceTable.reserve(triangles);
    // One head per vertex; a caller's largest index that is too small is
    // raised so that every index of the list has a head.
    uint16_t largest = largestIndex;
    for (size_t i = 0; i < triangles * 3; ++i)
        largest = std::max(largest, indices[i]);
    edges.assign(size_t(largest) + 1, nullptr);

    std::unordered_set<uint64_t> seen;
    for (size_t t = 0; t < triangles; ++t) {
        int32_t va = indices[3 * t], vb = indices[3 * t + 1], vc = indices[3 * t + 2];
        // A triangle with two equal indices draws nothing, and its edge from a
        // vertex to itself would link that vertex's list into a loop.
        if (va == vb || vb == vc || vc == va)
            continue;
        // A repeat of an earlier face in the same order is dropped silently.
        if (!seen.insert(FaceKey(va, vb, vc)).second)
            continue;
        StripFace* face = new StripFace(va, vb, vc);
        faceTable.push_back(face);
        const int32_t ends[3][2] = {{va, vb}, {vb, vc}, {vc, va}};
        for (const auto& end : ends) {
            int32_t a = end[0], b = end[1];
            if (StripEdge* edge = LookUpEdge(edges, a, b)) {
                if (!edge->faceB)
                    edge->faceB = face;
                else
                    std::printf("BuildStripifyInfo: > 2 triangles on an edge... uncertain consequences\n");
            } else {
                edges[a] = edges[b] = new StripEdge{2, face, nullptr, a, b, edges[a], edges[b]};
            }
        }
    }
}

StripEdge* StripBuilder::LookUpEdge(const StripEdgeLists& edges, int32_t a, int32_t b)
{
    // A vertex without a head (-1 after a failed next index) has no edges.
    if (a < 0 || size_t(a) >= edges.size())
        return nullptr;
    for (StripEdge* edge = edges[a]; edge;) {
        if (edge->vertexA == a) {
            if (edge->vertexB == b)
                return edge;
            edge = edge->nextA;
        } else {
            if (edge->vertexA == b)
                return edge;
            edge = edge->nextB;
        }
    }
    return nullptr;
}

StripFace* StripBuilder::FaceAcross(const StripEdgeLists& edges, int32_t a, int32_t b, const StripFace* face)
{
    StripEdge* edge = LookUpEdge(edges, a, b);
    if (!edge)
        return nullptr;
    return edge->faceA == face ? edge->faceB : edge->faceA;
}

int32_t StripBuilder::FindBoundaryFace(const std::vector<StripFace*>& faceTable, const StripEdgeLists& edges)
{
    for (size_t i = 0; i < faceTable.size(); ++i) {
        const StripFace* f = faceTable[i];
        int open = (FaceAcross(edges, f->va, f->vb, f) == nullptr) + (FaceAcross(edges, f->vb, f->vc, f) == nullptr) +
                   (FaceAcross(edges, f->vc, f->va, f) == nullptr);
        if (open > 1)
            return int32_t(i);
    }
    return -1;
}

StripFace* StripBuilder::NextSeedFace(const std::vector<StripFace*>& faceTable, const StripEdgeLists& edges)
{
    int32_t n = int32_t(faceTable.size());
    auto fractionStart = [&]() {
        float position = float(n - 1) * seedFraction;
        return int32_t(position);
    };
    StripFace* answer = nullptr;
    if (n > 0) {
        int32_t start;
        if (firstSeed) {
            start = FindBoundaryFace(faceTable, edges);
            firstSeed = false;
        } else {
            start = fractionStart();
        }
        if (start == -1)
            start = fractionStart();
        // float(n - 1) can round above n - 1 for very large tables.
        start = std::min(std::max(start, 0), n - 1);
        int32_t i = start;
        do {
            if (faceTable[i]->ownerStrip < 0) {
                answer = faceTable[i];
                break;
            }
            i = (i + 1) % n;
        } while (i != start);
    }
    seedFraction = seedFraction + 0.1f;
    if (seedFraction > 1.0f)
        seedFraction = 0.05f;
    return answer;
}

void StripBuilder::SearchStrips(std::vector<StripRecord*>& result, std::vector<StripFace*>& faceTable,
                                StripEdgeLists& edges, int32_t samples)
{
    // With no sample a pass would adopt nothing and never end.
    if (samples < 1)
        samples = 1;
    int32_t nextStrip = 0;
    int32_t nextTrial = 0;
    bool over = false;
    while (!over) {
        std::vector<std::vector<StripRecord*>> trials;
        trials.reserve(size_t(samples) * 6);
        std::unordered_set<const StripFace*> seeds;
        for (int32_t s = 0; s < samples; ++s) {
            StripFace* seed = NextSeedFace(faceTable, edges);
            if (!seed) {
                over = true;
                break;
            }
            if (!seeds.insert(seed).second)
                continue;
            StripEdge* startEdges[3] = {LookUpEdge(edges, seed->va, seed->vb), LookUpEdge(edges, seed->vb, seed->vc),
                                        LookUpEdge(edges, seed->vc, seed->va)};
            for (StripEdge* edge : startEdges)
                for (bool forward : {true, false}) {
                    trials.emplace_back();
                    trials.back().push_back(new StripRecord(StripStart{seed, edge, forward}, nextStrip++, nextTrial++));
                }
        }

        for (auto& trial : trials) {
            StripRecord* previous = trial.front();
            GrowStrip(*previous, edges);
            StripStart start;
            while (FindNextStart(*previous, edges, start)) {
                StripRecord* strip = new StripRecord(start, nextStrip++, previous->trial);
                GrowStrip(*strip, edges);
                trial.push_back(strip);
                previous = strip;
            }
        }

        size_t best = 0;
        float bestValue = 0.0f;
        for (size_t t = 0; t < trials.size(); ++t) {
            float mean = MeanStripLength(trials[t]);
            float value = mean + mean * float(trials[t].size());
            if (value > bestValue) {
                best = t;
                bestValue = value;
            }
        }
        if (!trials.empty())
            AdoptTrial(result, trials[best]);
        for (size_t t = 0; t < trials.size(); ++t)
            if (t != best)
                for (StripRecord* strip : trials[t])
                    delete strip;
    }
}

void StripBuilder::AdoptTrial(std::vector<StripRecord*>& result, const std::vector<StripRecord*>& trialStrips)
{
    for (StripRecord* strip : trialStrips) {
        strip->trial = -1;
        result.push_back(strip);
        for (StripFace* face : strip->faces)
            strip->Claim(*face);
    }
}

float StripBuilder::MeanStripLength(const std::vector<StripRecord*>& trialStrips)
{
    if (trialStrips.empty())
        return 0.0f;
    size_t total = 0;
    for (const StripRecord* strip : trialStrips)
        total += strip->faces.size();
    return float(total) / float(trialStrips.size());
}

void StripBuilder::GrowStrip(StripRecord& strip, const StripEdgeLists& edges)
{
    g_scratch.clear();
    std::vector<StripFace*> forwardFaces;
    std::vector<StripFace*> backwardFaces;
    StripFace* start = strip.startFace;
    forwardFaces.push_back(start);
    strip.Claim(*start);

    const StripEdge* e = strip.startEdge;
    if (e) {
        int32_t first = strip.forward ? e->vertexA : e->vertexB;
        int32_t second = strip.forward ? e->vertexB : e->vertexA;
        g_scratch.push_back(uint16_t(first));
        g_scratch.push_back(uint16_t(second));
        int32_t third = GetNextIndex(g_scratch, *start);
        g_scratch.push_back(uint16_t(third));

        int32_t a = second, b = third;
        StripFace* next = FaceAcross(edges, a, b, start);
        while (next && !strip.IsTaken(*next)) {
            if (!AddsNewVertex(forwardFaces, *next))
                break;
            forwardFaces.push_back(next);
            strip.Claim(*next);
            a = b;
            b = GetNextIndex(g_scratch, *next);
            g_scratch.push_back(uint16_t(b));
            next = FaceAcross(edges, a, b, next);
        }

        std::vector<StripFace*> allFaces = forwardFaces;
        g_scratch.clear();
        g_scratch.push_back(uint16_t(third));
        g_scratch.push_back(uint16_t(second));
        g_scratch.push_back(uint16_t(first));
        a = second;
        b = first;
        next = FaceAcross(edges, a, b, start);
        while (next && !strip.IsTaken(*next)) {
            if (!AddsNewVertex(allFaces, *next))
                break;
            backwardFaces.push_back(next);
            allFaces.push_back(next);
            strip.Claim(*next);
            a = b;
            b = GetNextIndex(g_scratch, *next);
            g_scratch.push_back(uint16_t(b));
            next = FaceAcross(edges, a, b, next);
        }
    }

    strip.faces.assign(backwardFaces.rbegin(), backwardFaces.rend());
    strip.faces.insert(strip.faces.end(), forwardFaces.begin(), forwardFaces.end());
}

int32_t StripBuilder::GetNextIndex(const std::vector<uint16_t>& scratch, const StripFace& face)
{
    size_t n = scratch.size();
    int32_t p = n >= 2 ? scratch[n - 2] : -1;
    int32_t q = n >= 1 ? scratch[n - 1] : -1;
    const int32_t v[3] = {face.va, face.vb, face.vc};
    for (int i = 0; i < 3; ++i) {
        if (v[i] == p || v[i] == q)
            continue;
        for (int j = 0; j < 3; ++j)
            if (j != i && v[j] != p && v[j] != q) {
                std::printf("GetNextIndex: Triangle doesn't have all of its vertices\n");
                std::printf("GetNextIndex: Duplicate triangle probably got us derailed\n");
                break;
            }
        return v[i];
    }
    std::printf("GetNextIndex: Duplicate triangle sent\n");
    return -1;
}

bool StripBuilder::AddsNewVertex(const std::vector<StripFace*>& faces, const StripFace& face)
{
    bool seen[3] = {false, false, false};
    const int32_t v[3] = {face.va, face.vb, face.vc};
    for (const StripFace* other : faces) {
        for (int i = 0; i < 3; ++i)
            if (other->HasVertex(v[i]))
                seen[i] = true;
        if (seen[0] && seen[1] && seen[2])
            return false;
    }
    return true;
}

bool StripBuilder::FindNextStart(const StripRecord& strip, const StripEdgeLists& edges, StripStart& start)
{
    start = StripStart{nullptr, nullptr, false};
    const StripEdge* startEdge = strip.startEdge;
    if (!startEdge)
        return false;
    int32_t w = strip.forward ? startEdge->vertexB : startEdge->vertexA;
    if (w < 0 || size_t(w) >= edges.size())
        return false;
    for (StripEdge* edge = edges[w]; edge; edge = edge->NextFor(w)) {
        StripFace* fa = edge->faceA;
        StripFace* fb = edge->faceB;
        StripFace* candidate = nullptr;
        if (fa && !strip.IsInStrip(*fa) && fb && !strip.IsTaken(*fb))
            candidate = fb;
        else if (fb && !strip.IsInStrip(*fb) && fa && !strip.IsTaken(*fa))
            candidate = fa;
        if (candidate) {
            start.face = candidate;
            start.edge = edge;
            start.forward = TouchesStrip(strip, *candidate, edges) ? edge->vertexA == w : edge->vertexB == w;
            return true;
        }
    }
    return false;
}

bool StripBuilder::TouchesStrip(const StripRecord& strip, const StripFace& face, const StripEdgeLists& edges)
{
    const int32_t ends[3][2] = {{face.va, face.vb}, {face.vb, face.vc}, {face.vc, face.va}};
    for (const auto& end : ends) {
        const StripEdge* edge = LookUpEdge(edges, end[0], end[1]);
        if (edge && ((edge->faceA && strip.IsInStrip(*edge->faceA)) || (edge->faceB && strip.IsInStrip(*edge->faceB))))
            return true;
    }
    return false;
}

void StripBuilder::FreeEdges(StripEdgeLists& edges)
{
    for (size_t w = 0; w < edges.size(); ++w) {
        for (StripEdge* edge = edges[w]; edge;) {
            StripEdge* next = edge->NextFor(int32_t(w));
            if (--edge->useCount == 0)
                delete edge;
            edge = next;
        }
        edges[w] = nullptr;
    }
}
