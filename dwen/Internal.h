// Helpers shared by the display layer's sources.
#pragma once

#include "dwen/Dwen.h"

namespace dwen {

// The failure text of the context (always ends the string).
void SetError(DwenContext* c, const char* text);
// The error table's text of a DirectX result.
void SetErrorResult(DwenContext* c, platform::HRESULT hr);
// A line for whoever watches the program's debug output (stderr here).
void DebugOutput(const char* text);

template <typename T>
void ReleaseAndNull(T*& object) {
    if (object) {
        T* o = object;
        object = nullptr;
        o->Release();
    }
}

// Textures: releases a texture's surface and texture objects (keeps the record).
void ReleaseTextureObjects(DwenTexture* t);
// Every texture whose surface is lost is recreated; then all are reloaded.
int RestoreLostTextures(DwenContext* c);
// Bitmaps whose surface is lost are refilled from their kept source.
void RestoreLostBitmaps(DwenContext* c);
// Frees every bitmap (Dwen_Destroy).
void FreeAllBitmaps(DwenContext* c);

// Restores the front and back buffers after a surface-lost result; the first
// failure is stored as the error text and returned.
platform::HRESULT RestoreBuffers(DwenContext* c);

}  // namespace dwen
