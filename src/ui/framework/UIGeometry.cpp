// Rectangle arithmetic, DPI scaling and nine-grid pieces.
#include "ui/framework/UIGeometry.h"

#include <algorithm>

namespace DuiLib {

UiRect UiRect::Intersect(const UiRect& other) const {
    UiRect r{std::max(left, other.left), std::max(top, other.top), std::min(right, other.right),
             std::min(bottom, other.bottom)};
    if (r.IsEmpty()) return {};
    return r;
}

int UiScale::Scale(int value) const {
    const long long scaled = static_cast<long long>(value) * m_dpi;
    return static_cast<int>(scaled >= 0 ? (scaled + 48) / 96 : -((-scaled + 48) / 96));
}

UiRect UiScale::Scale(const UiRect& rect) const {
    return {Scale(rect.left), Scale(rect.top), Scale(rect.right), Scale(rect.bottom)};
}

UiSize UiScale::Scale(const UiSize& size) const {
    return {Scale(size.cx), Scale(size.cy)};
}

int UiScale::Unscale(int value) const {
    const long long scaled = static_cast<long long>(value) * 96;
    const long long half = m_dpi / 2;
    return static_cast<int>(scaled >= 0 ? (scaled + half) / m_dpi : -((-scaled + half) / m_dpi));
}

namespace {

// Keeps two borders inside a length: when they overlap they share it in their proportion.
void FitBorders(int length, int& first, int& second) {
    first = std::max(first, 0);
    second = std::max(second, 0);
    if (first + second <= length || first + second == 0) return;
    const int total = first + second;
    first = length * first / total;
    second = length - first;
}

}  // namespace

std::vector<ImagePiece> NineGridPieces(const UiRect& source, const UiRect& dest, const UiRect& sourceCorner,
                                       const UiRect& destCorner) {
    std::vector<ImagePiece> pieces;
    if (source.IsEmpty() || dest.IsEmpty()) return pieces;
    UiRect sc = sourceCorner;
    UiRect dc = destCorner;
    FitBorders(source.Width(), sc.left, sc.right);
    FitBorders(source.Height(), sc.top, sc.bottom);
    FitBorders(dest.Width(), dc.left, dc.right);
    FitBorders(dest.Height(), dc.top, dc.bottom);
    const int sx[4] = {source.left, source.left + sc.left, source.right - sc.right, source.right};
    const int sy[4] = {source.top, source.top + sc.top, source.bottom - sc.bottom, source.bottom};
    const int dx[4] = {dest.left, dest.left + dc.left, dest.right - dc.right, dest.right};
    const int dy[4] = {dest.top, dest.top + dc.top, dest.bottom - dc.bottom, dest.bottom};
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
            ImagePiece piece{{sx[col], sy[row], sx[col + 1], sy[row + 1]},
                             {dx[col], dy[row], dx[col + 1], dy[row + 1]}};
            if (piece.source.IsEmpty() || piece.dest.IsEmpty()) continue;
            pieces.push_back(piece);
        }
    }
    return pieces;
}

}  // namespace DuiLib
