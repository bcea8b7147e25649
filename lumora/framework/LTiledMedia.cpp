#include "lumora/framework/LTiledMedia.h"

#include <algorithm>

#include "lumora/shell/MessageToUser.h"

using namespace platform;

LMultipleMediaObject::LMultipleMediaObject(DirectDraw* dd, PixelFormat format, const std::string& folder,
                                           const std::string& file, int columns, int rows)
    : LMediaObject(dd, format, folder, file, -1, -1, -1), m_Columns(std::max(1, columns)), m_Rows(std::max(1, rows)) {
    // The base has tried the medium's own file as one picture; tiles replace it.
    if (m_Surface) {
        m_Surface->Release();
        m_Surface = nullptr;
    }
    Load();
}

LMultipleMediaObject::~LMultipleMediaObject() { ReleaseTiles(); }

void LMultipleMediaObject::ReleaseTiles() {
    for (DirectDrawSurface*& s : m_Tiles) {
        if (s) s->Release();
        s = nullptr;
    }
}

std::string LMultipleMediaObject::TileName(int i) const {
    const std::string& file = GetFileName();
    const std::size_t at = file.size() >= 4 ? file.size() - 4 : file.size();
    return file.substr(0, at) + std::to_string(i) + file.substr(at);
}

DirectDrawSurface* LMultipleMediaObject::GetTile(int i) const {
    return i >= 1 && static_cast<std::size_t>(i) <= m_Tiles.size() ? m_Tiles[static_cast<std::size_t>(i) - 1] : nullptr;
}

DirectDrawSurface* LMultipleMediaObject::GetSurface() const { return GetTile(1); }

int LMultipleMediaObject::LoadTile(int i) {
    DirectDrawSurface*& slot = m_Tiles[static_cast<std::size_t>(i) - 1];
    if (slot) slot->Release();
    RECT rect;
    slot = LoadBitmapSurface(m_DirectDraw, m_Format, m_Folder, TileName(i).c_str(), &rect);
    if (!slot) {
        new MessageToUser(0, 13, __FILE__, __LINE__, GetFileName().c_str());
        return 0;
    }
    if (i == m_Columns * m_Rows)
        m_BitmapRect = RECT{0, 0, (m_Columns - 1) * kTileWidth + rect.right, (m_Rows - 1) * kTileHeight + rect.bottom};
    return 1;
}

int LMultipleMediaObject::Load() {
    ReleaseTiles();
    m_Tiles.assign(static_cast<std::size_t>(m_Columns) * static_cast<std::size_t>(m_Rows), nullptr);
    m_BitmapRect = RECT{0, 0, 0, 0};
    int loaded = 0;
    for (int i = 1; i <= m_Columns * m_Rows; ++i) loaded += LoadTile(i);
    return loaded == m_Columns * m_Rows;
}

int LMultipleMediaObject::Reload() { return Load(); }

int LMultipleMediaObject::Restore() { return Load(); }

int LMultipleMediaObject::GetRect(const LMediumRef*, RECT* out) const {
    *out = m_BitmapRect;
    return m_BitmapRect.right > 0 && m_BitmapRect.bottom > 0;
}

std::vector<LMultipleMediaObject::Piece> LMultipleMediaObject::SplitTiles(const RECT& src, int x, int y) const {
    std::vector<Piece> pieces;
    const int width = m_BitmapRect.right, height = m_BitmapRect.bottom;
    for (int j = 0; j < m_Rows; ++j) {
        for (int k = 0; k < m_Columns; ++k) {
            const int tw = k == m_Columns - 1 ? width - (m_Columns - 1) * kTileWidth : kTileWidth;
            const int th = j == m_Rows - 1 ? height - (m_Rows - 1) * kTileHeight : kTileHeight;
            const RECT tile{k * kTileWidth, j * kTileHeight, k * kTileWidth + tw, j * kTileHeight + th};
            const RECT cut{std::max(tile.left, src.left), std::max(tile.top, src.top),
                           std::min(tile.right, src.right), std::min(tile.bottom, src.bottom)};
            if (cut.left >= cut.right || cut.top >= cut.bottom) continue;
            Piece p;
            p.x = x + (cut.left - src.left);
            p.y = y + (cut.top - src.top);
            p.src = RECT{cut.left - tile.left, cut.top - tile.top, cut.right - tile.left, cut.bottom - tile.top};
            p.tile = j * m_Columns + k + 1;
            pieces.push_back(p);
        }
    }
    return pieces;
}

int LMultipleMediaObject::Draw(DirectDrawSurface* target, const RECT& srcIn, int x, int y, LView* clipView,
                               const RECT* paintRect, const LMediumRef*, int) {
    if (!target) return 0;
    RECT src;
    if (!ClipDraw(srcIn, x, y, clipView, paintRect, &src, &x, &y)) return 0;
    for (const Piece& p : SplitTiles(src, x, y)) {
        DirectDrawSurface* tile = GetTile(p.tile);
        if (tile && FAILED(tile->IsLost())) tile = LoadTile(p.tile) ? GetTile(p.tile) : nullptr;
        if (FAILED(target->IsLost())) target->Restore();
        if (!tile) continue;
        HRESULT hr;
        do {
            hr = target->BltFast(static_cast<DWORD>(p.x), static_cast<DWORD>(p.y), tile, &p.src, m_CopyFlags);
        } while (hr == DDERR_WASSTILLDRAWING);
        if (FAILED(hr)) {
            new MessageToUser(0, 2, __FILE__, __LINE__, GetFileName().c_str());
            return 0;
        }
    }
    return 1;
}
