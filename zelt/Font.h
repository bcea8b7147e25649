// The built-in 8 x 8 font of Zelt_Print.
#pragma once

namespace zelt {

extern const unsigned char kFont8x8[256][8];

}  // namespace zelt
