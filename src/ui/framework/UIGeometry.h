// Rectangles, DPI scaling and the nine-grid arithmetic of the skinned framework. Portable: the
// controls and the skin builder work in these types; the Win32 layer converts at its edge.
#pragma once

#include <vector>

namespace DuiLib {

struct UiPoint {
    int x = 0;
    int y = 0;
};

struct UiSize {
    int cx = 0;
    int cy = 0;
};

struct UiRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool Contains(UiPoint p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
    UiRect Offset(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
    // Shrinks by the four widths of an inset (left, top, right, bottom).
    UiRect Deflate(const UiRect& inset) const {
        return {left + inset.left, top + inset.top, right - inset.right, bottom - inset.bottom};
    }
    UiRect Intersect(const UiRect& other) const;
    bool operator==(const UiRect& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
    bool operator!=(const UiRect& o) const { return !(*this == o); }
};

// Skin coordinates are written for 96 dots per inch; a window shows them at its monitor's DPI.
class UiScale {
public:
    explicit UiScale(int dpi = 96) : m_dpi(dpi > 0 ? dpi : 96) {}
    int Dpi() const { return m_dpi; }
    // Rounded to the nearest pixel, halves away from zero, so that +n and -n stay symmetric.
    int Scale(int value) const;
    UiRect Scale(const UiRect& rect) const;
    UiSize Scale(const UiSize& size) const;
    // Back to skin units, for values read from laid-out rectangles.
    int Unscale(int value) const;
    // The pictures are made at 1x and 2x; from 150 % on the 2x pictures are sharper.
    int PictureFactor() const { return m_dpi >= 144 ? 2 : 1; }

private:
    int m_dpi;
};

// One piece of a nine-grid drawing: which part of the picture goes where.
struct ImagePiece {
    UiRect source;
    UiRect dest;
};

// Cuts a picture's source rectangle and the destination into up to nine pieces: the corners keep
// their size, the edges stretch along one axis, the middle along both. sourceCorner is in picture
// pixels, destCorner in destination pixels. Corners wider than the destination are shrunk to fit.
// Empty pieces are left out; with no corner the whole source goes to the whole destination.
std::vector<ImagePiece> NineGridPieces(const UiRect& source, const UiRect& dest, const UiRect& sourceCorner,
                                       const UiRect& destCorner);

}  // namespace DuiLib
