// Small string, angle and rectangle helpers shared across the game.
#pragma once

#include "include/zelt/math.h"

// Copies src[first..last] (both included; `last` is an index) into dst,
// stopping at the end of src, and terminates dst. Returns dst.
char* CopySubstring(const char* src, int first, int last, char* dst);

// 1 when name equals pattern ignoring case; otherwise, unless `exact` is set
// or the pattern is empty, 1 when the name contains the pattern ignoring case.
int NameMatches(const char* name, const char* pattern, int exact);

// Decimal text of value preceded by "0"s up to `width` characters (a longer
// number is not cut). Returns dst, which must hold the result.
char* ZeroPadNumber(int value, int width, char* dst);

// The first six characters of name after one leading "*". dst holds 7 bytes.
char* ShortKey(const char* name, char* dst);

// a modulo 2 pi, in 0 .. 2 pi.
float NormalizeAngle(float a);

// 1 when x0 < p.x < x1 and y0 < p.y < y1 (strictly); z does not count.
int PointInRect(const ZeltVector* p, float x0, float y0, float x1, float y1);
