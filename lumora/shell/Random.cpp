#include "lumora/shell/Random.h"

#include <algorithm>
#include <atomic>

namespace {

// The classic C library generator: a linear congruential state whose bits
// 16 to 30 are the value.
std::atomic<unsigned int> g_State{1};

} // namespace

void SeedRandom(unsigned int seed) {
    g_State.store(seed, std::memory_order_relaxed);
}

int Random() {
    unsigned int state = g_State.load(std::memory_order_relaxed);
    unsigned int next;
    do {
        next = state * 214013u + 2531011u;
    } while (!g_State.compare_exchange_weak(state, next, std::memory_order_relaxed));
    return static_cast<int>((next >> 16) & 0x7FFFu);
}

int RandomIndex(int count) {
    if (count <= 0) return 0;
    const long long scaled = static_cast<long long>(Random()) * count / kRandomMax;
    return static_cast<int>(std::min<long long>(scaled, count - 1));
}
