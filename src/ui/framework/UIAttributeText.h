// How skin files write values: colours, number lists, flags, text alignment, picture
// descriptions and the attribute lists of shared styles. Portable.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "ui/framework/UIGeometry.h"

namespace DuiLib {

// "#AARRGGBB" or "0xAARRGGBB"; six digits mean an opaque colour. False for anything else.
bool ParseColor(const std::wstring& text, uint32_t& argb);
// Up to count integers separated by commas or blanks; missing ones are 0. False when the text
// holds something that is not a number.
bool ParseInts(const std::wstring& text, int* values, int count);
UiRect ParseRect(const std::wstring& text);
UiSize ParseSize(const std::wstring& text);
bool ParseBool(const std::wstring& text);
int ParseInt(const std::wstring& text, int fallback = 0);

// Text alignment, as flags the renderer understands.
enum TextAlign : unsigned {
    kAlignLeft = 0x0,
    kAlignCenter = 0x1,
    kAlignRight = 0x2,
    kAlignTop = 0x0,
    kAlignVCenter = 0x4,
    kAlignBottom = 0x8,
    kAlignWrap = 0x10,
    kAlignEllipsis = 0x20,
};
constexpr unsigned kAlignHorizontalMask = 0x3;
constexpr unsigned kAlignVerticalMask = 0xC;
// "left", "center", "right", "top", "vcenter", "bottom", "wrap", "endellipsis" in any
// combination separated by commas or blanks; a word that names only one axis keeps the other
// axis of fallback.
unsigned ParseAlign(const std::wstring& text, unsigned fallback);

// One picture as a control draws it.
struct ImageSpec {
    std::wstring file;
    UiRect source;   // picture pixels at 1x; empty: the whole picture
    UiRect dest;     // relative to the control; empty: the whole control
    UiRect corner;   // nine-grid borders in picture pixels at 1x
    int fade = 255;  // 0 transparent .. 255 opaque
    bool hasSource = false;
    bool hasDest = false;

    bool IsEmpty() const { return file.empty(); }
};
// A bare file name, or key='value' pairs (file or res, source, dest, corner, fade; unknown keys are
// ignored). Blanks around '=' and the values are allowed.
ImageSpec ParseImageSpec(const std::wstring& text);

// name="value" or name='value' pairs, as a style's value lists them.
std::vector<std::pair<std::wstring, std::wstring>> ParseAttributeList(const std::wstring& text);

}  // namespace DuiLib
