// Scripts the program's random generator (SelRandom) for a test, and puts the
// C library's generator back when it goes out of scope, so that a failed
// assertion cannot leave the script to the next test.
//
// Draws take the queued raw values (0..32767) first, then what follows the
// queue: a fixed xorshift sequence (by default), one value over and over, or
// a count in fixed steps that wraps at 32768. One script at a time: a newer
// one replaces an older.
#pragma once

#include "app/SelRandom.h"

#include <cstdint>
#include <deque>
#include <initializer_list>

class ScriptedRandom {
public:
    // Draw k (0-based) gives (k x step) mod 32768: 0, step, 2 step, ...
    struct Steps {
        constexpr explicit Steps(int by) : step(by) {}
        int step;
    };

    // The queue, then the xorshift sequence.
    ScriptedRandom() { Start({}, Fill::Sequence, 0); }
    // These values, then `then` for every later draw.
    explicit ScriptedRandom(std::initializer_list<int> values, int then = 16383) { Start(values, Fill::Constant, then); }
    explicit ScriptedRandom(Steps steps) { Start({}, Fill::Steps, steps.step); }
    ~ScriptedRandom() { SetSelRandomSource(nullptr); }
    ScriptedRandom(const ScriptedRandom&) = delete;
    ScriptedRandom& operator=(const ScriptedRandom&) = delete;

    // Queues raw values (0..32767).
    void Queue(std::initializer_list<int> raw)
    {
        for (int v : raw)
            State().queue.push_back(v);
    }
    // Queues a uniform value r as the raw value that gives it.
    void QueueUnit(float r) { State().queue.push_back(static_cast<int>(r * 32767.0f + 0.5f)); }
    void Seed(uint32_t seed) { State().xorshift = seed ? seed : 1u; }
    // The queued values are served from the draw with this index (0-based)
    // on; the fill serves the draws before it.
    void ServeQueueFrom(int drawIndex) { State().spliceAt = drawIndex; }

    // Draws taken so far; values still queued.
    static int DrawCount() { return State().draws; }
    static size_t Queued() { return State().queue.size(); }

    // The uniform value SelRandUnit makes of a raw value.
    static float Unit(int raw) { return float(raw) * (1.0f / 32767.0f); }

private:
    enum class Fill { Sequence, Constant, Steps };
    struct Script {
        std::deque<int> queue;
        Fill fill = Fill::Sequence;
        int value = 0;
        uint32_t xorshift = 12345u;
        int draws = 0;
        int spliceAt = 0;
    };
    static Script& State()
    {
        static Script script;
        return script;
    }
    static void Start(std::initializer_list<int> values, Fill fill, int value)
    {
        Script& s = State();
        s = Script();
        s.queue.assign(values.begin(), values.end());
        s.fill = fill;
        s.value = value;
        SetSelRandomSource(&Next);
    }
    static int Next()
    {
        Script& s = State();
        const int draw = s.draws++;
        if (draw >= s.spliceAt && !s.queue.empty()) {
            const int v = s.queue.front();
            s.queue.pop_front();
            return v;
        }
        switch (s.fill) {
        case Fill::Constant:
            return s.value;
        case Fill::Steps:
            return int(int64_t(draw) * s.value % 32768);
        case Fill::Sequence:
            break;
        }
        // xorshift32: successive triples show no lattice.
        uint32_t x = s.xorshift;
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        s.xorshift = x;
        return static_cast<int>(x >> 17);
    }
};
