// The 22 render states, their selection from a material and the shade tables that stand for
// lighting.
#include <algorithm>

#include "tarnel/Internal.h"

namespace tarnel {

namespace {

struct SlotShape {
  FaceList list;
  SetupKind setup;
  TexelNeed texels;
  ShadeNeed shade;
};

constexpr SlotShape kShapes[kSlotCount] = {
    {FaceList::Blended, SetupKind::Flat, TexelNeed::None, ShadeNeed::None},            // 0
    {FaceList::Opaque, SetupKind::Lit, TexelNeed::None, ShadeNeed::Plain},             // 1
    {FaceList::Blended, SetupKind::Textured, TexelNeed::Bits16, ShadeNeed::None},      // 2
    {FaceList::Blended, SetupKind::Textured, TexelNeed::Bits16, ShadeNeed::None},      // 3
    {FaceList::Blended, SetupKind::Flat, TexelNeed::None, ShadeNeed::None},            // 4
    {FaceList::Overlay, SetupKind::Textured, TexelNeed::Bits16, ShadeNeed::None},      // 5
    {FaceList::Blended, SetupKind::TexturedQuad, TexelNeed::Bits16, ShadeNeed::None},  // 6
    {FaceList::Blended, SetupKind::Lit, TexelNeed::None, ShadeNeed::Plain},            // 7
    {FaceList::Opaque, SetupKind::LitTextured, TexelNeed::Bits8, ShadeNeed::Textured}, // 8
    {FaceList::Opaque, SetupKind::Textured, TexelNeed::Bits16, ShadeNeed::None},       // 9
    {FaceList::None, SetupKind::None, TexelNeed::None, ShadeNeed::None},               // 10
    {FaceList::Opaque, SetupKind::Flat, TexelNeed::None, ShadeNeed::None},             // 11
    {FaceList::Opaque, SetupKind::Colour, TexelNeed::None, ShadeNeed::None},           // 12
    {FaceList::Blended, SetupKind::LitTextured, TexelNeed::Bits8, ShadeNeed::Textured},// 13
    {FaceList::Blended, SetupKind::LitTextured, TexelNeed::Bits8, ShadeNeed::Textured},// 14
    {FaceList::Blended, SetupKind::Textured, TexelNeed::Bits16, ShadeNeed::None},      // 15
    {FaceList::Opaque, SetupKind::Textured, TexelNeed::Bits16, ShadeNeed::None},       // 16
    {FaceList::Blended, SetupKind::LitTextured, TexelNeed::Bits8, ShadeNeed::Textured},// 17
    {FaceList::Blended, SetupKind::Textured, TexelNeed::Bits16, ShadeNeed::None},      // 18
    {FaceList::Opaque, SetupKind::Flat, TexelNeed::None, ShadeNeed::None},             // 19
    {FaceList::Opaque, SetupKind::Textured, TexelNeed::Bits8, ShadeNeed::Textured},    // 20
    {FaceList::Blended, SetupKind::LitTextured, TexelNeed::Bits8, ShadeNeed::Textured},// 21
};

int clampInt(int v, int lo, int hi) { return std::min(std::max(v, lo), hi); }

bool hasTexels(const ZeltTexture* t) { return t && t->bitmap && t->bitmap->texels; }

}  // namespace

void fillSlots(RenderState* slots) {
  for (int i = 0; i < kSlotCount; ++i) {
    RenderState& s = slots[i];
    s.mode = 0;
    s.list = kShapes[i].list;
    s.setup = kShapes[i].setup;
    s.texels = kShapes[i].texels;
    s.shade = kShapes[i].shade;
    fillerPair(i, &s.filler15, &s.filler16);
  }
}

bool textureFits(const ZeltMaterial* material, TexelNeed need) {
  if (need == TexelNeed::None) return true;
  const ZeltTexture* t = material->texture;
  if (!hasTexels(t)) return false;
  bool eight = t->bitmap->texelDepth == 8;
  return need == TexelNeed::Bits8 ? eight : !eight;
}

int selectSlot(int mode, const ZeltMaterial* material, uint32_t f) {
  const ZeltTexture* t = material->texture;
  bool eightBit = t && t->bitmap && t->bitmap->texelDepth == 8;
  int slot;
  if (mode == 1 || mode == 2) {
    if (t && !eightBit) {
      slot = 11;
    } else {
      switch (f) {
        case 0: slot = 1; break;
        case 1: slot = 8; break;
        case 3: slot = 13; break;
        case 4: slot = 7; break;
        case 5: slot = 17; break;
        case 7: slot = 21; break;
        case 0x41: slot = 14; break;
        default: slot = 11; break;
      }
    }
  } else if (mode == 0) {
    if (eightBit) {
      slot = f == 1 ? 20 : 11;
    } else {
      switch (f) {
        case 0: slot = 19; break;
        case 1: slot = 9; break;
        case 3: slot = 3; break;
        case 4: slot = 4; break;
        case 5: slot = 15; break;
        case 7: slot = 18; break;
        case 0x41: slot = 2; break;
        case 0x101: slot = 5; break;
        case 0x201: slot = 6; break;
        case 0x1001: slot = 16; break;
        default: slot = 11; break;
      }
    }
  } else {
    slot = (f & 0x1E) ? 0 : 11;
  }
  // A state that reads texels the material does not have would read nothing valid: such a
  // material is shown in the diagnostic colours instead.
  if (!textureFits(material, kShapes[slot].texels)) slot = kDiagnosticSlot;
  return slot;
}

uint16_t packColour(int r, int g, int b, int depth) {
  r = clampInt(r, 0, 255);
  g = clampInt(g, 0, 255);
  b = clampInt(b, 0, 255);
  if (depth == 15) return static_cast<uint16_t>((r & 0xF8) << 7 | (g & 0xF8) << 2 | b >> 3);
  return static_cast<uint16_t>((r & 0xF8) << 8 | (g & 0xFC) << 3 | b >> 3);
}

bool buildShadeTable(ZeltMaterial* material, MaterialBlock* block, bool textured, int depth) {
  int entries = textured ? 64 * 256 : 64;
  if (!block->shade || block->shadeEntries != entries) {
    auto* table = static_cast<uint32_t*>(allocZeroed(entries, sizeof(uint32_t)));
    if (!table) return false;
    if (block->shade) freeBlock(block->shade);
    block->shade = table;
    block->shadeEntries = entries;
  }
  // Shininess beyond 0..100 would leave fewer than four highlight levels or none at all.
  int S = clampInt(material->shininess, 0, 100);
  int T = clampInt(material->shininessStrength, 0, 10000);
  int h = S * 28 / 100;
  int n = 32 - h;
  int a = (T * 256) / (n * 100);
  const uint8_t amb[3] = {material->ambient.r, material->ambient.g, material->ambient.b};
  const uint8_t dif[3] = {material->diffuse.r, material->diffuse.g, material->diffuse.b};
  const uint8_t spe[3] = {material->specular.r, material->specular.g, material->specular.b};
  const uint8_t lig[3] = {material->lightColour.r, material->lightColour.g, material->lightColour.b};
  uint32_t* out = block->shade;
  if (!textured) {
    for (int k = 0; k < 64; ++k) {
      int value[3];
      for (int c = 0; c < 3; ++c) {
        int base = (amb[c] + ((k * lig[c] * dif[c] * 3) >> 14)) >> 2;
        if (k <= h + 31) {
          value[c] = base;
        } else {
          int s = (k - h - 32) * a;
          value[c] = ((s * spe[c]) >> 8) + base;
        }
      }
      out[k] = static_cast<uint32_t>(packColour(value[0], value[1], value[2], depth)) << 16;
    }
    return true;
  }
  const ZeltTexture* t = material->texture;
  for (int k = 0; k < 64; ++k) {
    int s = k > h + 31 ? (k - h - 32) * a : 0;
    for (int j = 0; j < 256; ++j) {
      // palette bytes: blue, green, red
      int p[3] = {0, 0, 0};
      if (t) {
        p[0] = t->palette[j][2];
        p[1] = t->palette[j][1];
        p[2] = t->palette[j][0];
      }
      int value[3];
      for (int c = 0; c < 3; ++c) {
        int lit = p[c] * ((k * lig[c]) >> 8);
        if (k <= h + 31) {
          value[c] = lit < 0 ? 0 : lit >= 0x4000 ? 255 : lit >> 6;
        } else {
          value[c] = clampInt((lit >> 6) + ((spe[c] * s) >> 8), 0, 255);
        }
      }
      out[k * 256 + j] = static_cast<uint32_t>(packColour(value[0], value[1], value[2], depth)) << 16;
    }
  }
  return true;
}

}  // namespace tarnel
