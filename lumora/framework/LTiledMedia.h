// Tiled media: a picture too large for one surface, kept as a grid of
// bitmap files of at most 640 x 480 pixels each. The tiles of medium
// "Tab.bmp" in 2 x 2 are "Tab1.bmp" to "Tab4.bmp", numbered row by row.
#pragma once

#include <string>
#include <vector>

#include "lumora/framework/LMedia.h"

class LMultipleMediaObject : public LMediaObject {
public:
    static constexpr int kTileWidth = 640;
    static constexpr int kTileHeight = 480;

    // One piece of a draw: where it goes, which part of which tile.
    struct Piece {
        int x = 0, y = 0;
        platform::RECT src{0, 0, 0, 0};  // in the tile's own coordinates
        int tile = 0;                    // 1-based
    };

    LMultipleMediaObject(platform::DirectDraw* dd, platform::PixelFormat format, const std::string& folder,
                         const std::string& file, int columns, int rows);
    ~LMultipleMediaObject() override;

    int Load() override;
    int Reload() override;
    int Restore() override;
    platform::DirectDrawSurface* GetSurface() const override;
    int GetRect(const LMediumRef* ref, platform::RECT* out) const override;
    // Plain copies only: the draw mode is not used.
    int Draw(platform::DirectDrawSurface* target, const platform::RECT& src, int x, int y, LView* clipView,
             const platform::RECT* paintRect, const LMediumRef* ref, int mode) override;
    // Cuts a clipped source rectangle, to be drawn at (x, y), along the tile grid.
    virtual std::vector<Piece> SplitTiles(const platform::RECT& src, int x, int y) const;

    // The file of tile i (1-based).
    std::string TileName(int i) const;
    int GetColumns() const { return m_Columns; }
    int GetRows() const { return m_Rows; }
    platform::DirectDrawSurface* GetTile(int i) const;

private:
    int LoadTile(int i);
    void ReleaseTiles();

    int m_Columns;
    int m_Rows;
    std::vector<platform::DirectDrawSurface*> m_Tiles;  // tile i at i - 1
};
