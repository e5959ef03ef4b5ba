#pragma once

// Random input for long runs of the real game: a seeded generator of replay
// scripts that mashes, holds and clicks its way through every screen.

#include <cstdint>
#include <string>

// A small seeded generator of our own, so that the same seed gives the same
// script with any standard library.
struct SoakRandom {
    uint64_t state;
    explicit SoakRandom(uint64_t seed) : state(seed * 0x9E3779B97F4A7C15ull + 1) {}
    uint32_t next() {
        // splitmix64
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return static_cast<uint32_t>((z ^ (z >> 31)) >> 32);
    }
    int below(int n) { return n > 0 ? static_cast<int>(next() % static_cast<uint32_t>(n)) : 0; }
    int between(int lo, int hi) { return lo + below(hi - lo + 1); }
    bool chance(int percent) { return below(100) < percent; }
};

// `frames` frames of random input (60 a second) for a window of `width` x
// `height` pixels, then the way out: window closes and the pad's ways
// through the pause menu and the screens between, until the game ends.
std::string soakScript(uint32_t seed, unsigned frames, int width, int height);
