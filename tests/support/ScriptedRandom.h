// Scripts the program's random generator for a test: the queued raw values
// come first, then a fixed xorshift sequence. Restores the C
// library's generator when it goes out of scope.
#pragma once

#include "app/SelRandom.h"

#include <cstdint>
#include <deque>
#include <initializer_list>

class ScriptedRandom {
public:
    ScriptedRandom()
    {
        Values().clear();
        State() = 12345u;
        Draws() = 0;
        SpliceAt() = 0;
        SetSelRandomSource(&Next);
    }
    ~ScriptedRandom() { SetSelRandomSource(nullptr); }
    ScriptedRandom(const ScriptedRandom&) = delete;
    ScriptedRandom& operator=(const ScriptedRandom&) = delete;

    // Queues raw values (0..32767).
    void Queue(std::initializer_list<int> raw)
    {
        for (int v : raw)
            Values().push_back(v);
    }
    // Queues a uniform value r as the raw value that gives it.
    void QueueUnit(float r) { Values().push_back(static_cast<int>(r * 32767.0f + 0.5f)); }
    void Seed(uint32_t seed) { State() = seed ? seed : 1u; }
    // The queued values are served from the draw with this index (0-based)
    // on; the sequence fills the draws before it.
    void ServeQueueFrom(int drawIndex) { SpliceAt() = drawIndex; }

    // Draws taken so far; values still queued.
    static int DrawCount() { return Draws(); }
    static size_t Queued() { return Values().size(); }

private:
    static std::deque<int>& Values()
    {
        static std::deque<int> values;
        return values;
    }
    static uint32_t& State()
    {
        static uint32_t state;
        return state;
    }
    static int& Draws()
    {
        static int draws;
        return draws;
    }
    static int& SpliceAt()
    {
        static int at;
        return at;
    }
    static int Next()
    {
        const bool queueTurn = Draws() >= SpliceAt();
        ++Draws();
        if (queueTurn && !Values().empty()) {
            const int v = Values().front();
            Values().pop_front();
            return v;
        }
        // xorshift32: successive triples show no lattice.
        uint32_t x = State();
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        State() = x;
        return static_cast<int>(x >> 17);
    }
};
