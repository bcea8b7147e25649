// The game's one random number generator, in the C library's style: values
// 0 to 32767. Seedable, so scripted runs and tests repeat their choices.
#pragma once

constexpr int kRandomMax = 32767;

void SeedRandom(unsigned int seed);
// The next value, 0 to kRandomMax.
int Random();
// Random() * count / kRandomMax in integer arithmetic (0 to count, count
// only for the top value), clamped to 0 .. count - 1 so that it always
// indexes a table of `count` entries. 0 when count is not positive.
int RandomIndex(int count);
