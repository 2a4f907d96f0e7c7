// Painting with GDI+ (Win32): the fonts of a window at its DPI, the process's picture cache, and
// the renderer the controls paint through.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ui/framework/UIControl.h"
#include "ui/framework/UIDlgBuilder.h"

namespace Gdiplus {
class Graphics;
class Bitmap;
class Font;
}  // namespace Gdiplus

namespace DuiLib {

// A 32-bit top-down DIB section of the size (premultiplied alpha where a layered window shows it);
// null when it cannot be made.
HBITMAP CreateBitmap32(HDC dc, int width, int height, void** bits);

// Starts GDI+ on first use; ended by CUIProcess::Term.
void StartGdiPlus();
void StopGdiPlus();

// The skin's fonts as GDI fonts at one DPI. A face that is not installed is replaced by the first
// installed CJK face, so Chinese texts always show.
class CRenderFonts {
public:
    CRenderFonts();
    ~CRenderFonts();
    void Build(const std::vector<UiFontSpec>& fonts, const UiScale& scale);
    // The font of an id; -1 or an unknown id gives the default font.
    HFONT Get(int id) const;
    static std::wstring InstalledFace(const std::wstring& wanted);

private:
    std::map<int, HFONT> m_fonts;
    HFONT m_default = nullptr;
    void Clear();
};

// Decoded pictures by name and factor (1x, 2x), shared by every window of the process.
class CImageCache {
public:
    struct Picture {
        std::unique_ptr<Gdiplus::Bitmap> bitmap;
        int factor = 1;  // how many picture pixels make one skin pixel
    };
    // The picture at the wanted factor when there is one ("name@2x.png"), else at 1x; null when
    // the name cannot be read or decoded.
    static const Picture* Get(const std::wstring& name, int factor);
    static void Clear();
};

class CRenderGdiPlus : public IRenderUI {
public:
    CRenderGdiPlus(HDC dc, const CRenderFonts& fonts, const UiScale& scale);
    ~CRenderGdiPlus() override;
    void FillRect(const UiRect& rect, uint32_t argb, UiSize round) override;
    void DrawBorder(const UiRect& rect, uint32_t argb, int width, UiSize round) override;
    bool DrawImage(const UiRect& controlRect, const ImageSpec& image) override;
    void DrawText(const UiRect& rect, const std::wstring& text, uint32_t argb, int fontId,
                  unsigned align) override;
    void DrawFocus(const UiRect& rect) override;
    void PushClip(const UiRect& rect) override;
    void PopClip() override;
    Gdiplus::Graphics& Graphics() { return *m_graphics; }

private:
    HDC m_dc;
    const CRenderFonts& m_fonts;
    const UiScale& m_scale;
    std::unique_ptr<Gdiplus::Graphics> m_graphics;
    std::vector<UiRect> m_clips;
    std::map<HFONT, std::unique_ptr<Gdiplus::Font>> m_gdiplusFonts;
};

}  // namespace DuiLib
