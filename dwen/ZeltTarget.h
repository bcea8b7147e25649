// The kernel's display-layer render kind drawing into the dwen back buffer:
// a ZeltDisplayTarget whose lock and unlock are those of the back buffer,
// with the back buffer's own 16-bit layout read from its masks.
#pragma once

#include "dwen/Dwen.h"
#include "include/zelt/zelt.h"

struct DwenZeltTarget {
    ZeltDisplayTarget target;  // first: the kernel is given &target
    DwenContext* context;
    void* locked;
};

// 15 for a 5-5-5 back buffer, 16 for 5-6-5, 0 when it is not 16 bits.
inline int DwenBackBufferDepth(const DwenContext* c) {
    const platform::DDPIXELFORMAT& pf = c->backDesc.ddpfPixelFormat;
    if (pf.dwRGBBitCount != 16) return 0;
    return pf.dwRBitMask == 0xF800 ? 16 : 15;
}

inline void DwenZeltTarget_Init(DwenZeltTarget* t, DwenContext* c) {
    t->context = c;
    t->locked = nullptr;
    t->target.user = t;
    t->target.depth = DwenBackBufferDepth(c);
    t->target.lock = [](void* user, int* pitchPixels) -> uint16_t* {
        auto* self = static_cast<DwenZeltTarget*>(user);
        if (DwenBackBufferDepth(self->context) == 0) return nullptr;
        int pitch = 0;
        if (!Dwen_Lock_BackBuffer(self->context, &self->locked, &pitch)) return nullptr;
        *pitchPixels = pitch / 2;
        return static_cast<uint16_t*>(self->locked);
    };
    t->target.unlock = [](void* user) {
        auto* self = static_cast<DwenZeltTarget*>(user);
        Dwen_Unlock_BackBuffer(self->context, self->locked);
        self->locked = nullptr;
    };
}
