// First-in-first-out model of the vertex cache: entry 0 is the newest.
#pragma once

#include <cstdint>

struct StripFace;
struct StripRecord;

class CacheSimulator {
public:
    // All entries -1. The size is held to 1 to 65536 entries: a cache needs one
    // entry to take a push, and 16-bit indices name at most 65536 vertices, so
    // more entries would never drop one and change no result.
    explicit CacheSimulator(int32_t size);
    ~CacheSimulator();
    CacheSimulator(const CacheSimulator&) = delete;
    CacheSimulator& operator=(const CacheSimulator&) = delete;

    bool Contains(int32_t v) const;
    // Every entry moves one place on, the oldest drops out, v becomes entry 0.
    void Push(int32_t v);
    // Pushes va, vb, vc in turn unless cached; a cached vertex keeps its age.
    void AddFace(const StripFace& face);
    void AddStrip(const StripRecord& strip);

    int32_t* entries;
    int32_t size;
};
