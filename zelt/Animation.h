// Track evaluation of the keyframe animation.
#pragma once

#include "zelt/Kernel.h"

namespace zelt {

// Ease of a segment: t reshaped by the first key's ease-from and the second key's ease-to.
float easeParameter(float t, float easeFrom, float easeTo);
// Kochanek-Bartels spline of a 3-float track at frame f (keys present).
void evaluateSpline(const KTrack& track, float f, float out[3]);
// Rotation matrix slerped between the absolute keys around f (keys present).
void evaluateRotation(const KTrack& track, float f, float M[16]);
// Hide state at f: the state of the last key at or before f, shown before the first key.
int evaluateHide(const KTrack& track, float f);
void quaternionToMatrix(float* M, const ZeltQuaternion& q);
// Applies every track of the animation to the object's components (not the matrix).
void animateObject(KObject* o, const KAnimation* a, float f);

}  // namespace zelt
