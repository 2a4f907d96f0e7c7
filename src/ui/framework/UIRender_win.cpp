// GDI+ painting: fonts with a CJK fallback, the picture cache (1x and 2x pictures) and the
// renderer behind the controls.
#include "ui/framework/UIRender.h"

#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <objidl.h>
#include <shlwapi.h>
#include <gdiplus.h>

#include "ui/framework/UIResource.h"

namespace DuiLib {

namespace {

ULONG_PTR g_gdiplusToken = 0;

Gdiplus::Color ToColor(uint32_t argb) {
    return Gdiplus::Color(static_cast<Gdiplus::ARGB>(argb));
}

Gdiplus::RectF ToRectF(const UiRect& r) {
    return Gdiplus::RectF(static_cast<Gdiplus::REAL>(r.left), static_cast<Gdiplus::REAL>(r.top),
                          static_cast<Gdiplus::REAL>(r.Width()), static_cast<Gdiplus::REAL>(r.Height()));
}

// A rounded rectangle; radii larger than half the rectangle are cut to fit.
void RoundedPath(Gdiplus::GraphicsPath& path, Gdiplus::RectF r, UiSize round) {
    const Gdiplus::REAL rx = (std::min)(static_cast<Gdiplus::REAL>(round.cx), r.Width / 2);
    const Gdiplus::REAL ry = (std::min)(static_cast<Gdiplus::REAL>(round.cy), r.Height / 2);
    if (rx <= 0 || ry <= 0) {
        path.AddRectangle(r);
        return;
    }
    const Gdiplus::REAL dx = rx * 2;
    const Gdiplus::REAL dy = ry * 2;
    path.AddArc(r.X, r.Y, dx, dy, 180, 90);
    path.AddArc(r.X + r.Width - dx, r.Y, dx, dy, 270, 90);
    path.AddArc(r.X + r.Width - dx, r.Y + r.Height - dy, dx, dy, 0, 90);
    path.AddArc(r.X, r.Y + r.Height - dy, dx, dy, 90, 90);
    path.CloseFigure();
}

int CALLBACK FontFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

bool FaceInstalled(const std::wstring& face) {
    if (face.empty() || face.size() >= LF_FACESIZE) return false;
    LOGFONTW lf = {};
    lf.lfCharSet = DEFAULT_CHARSET;
    face.copy(lf.lfFaceName, face.size());
    bool found = false;
    HDC dc = ::GetDC(nullptr);
    ::EnumFontFamiliesExW(dc, &lf, FontFound, reinterpret_cast<LPARAM>(&found), 0);
    ::ReleaseDC(nullptr, dc);
    return found;
}

std::unique_ptr<Gdiplus::Bitmap> Decode(const std::string& bytes) {
    IStream* stream =
        ::SHCreateMemStream(reinterpret_cast<const BYTE*>(bytes.data()), static_cast<UINT>(bytes.size()));
    if (!stream) return nullptr;
    std::unique_ptr<Gdiplus::Bitmap> decoded(Gdiplus::Bitmap::FromStream(stream));
    std::unique_ptr<Gdiplus::Bitmap> copy;
    if (decoded && decoded->GetLastStatus() == Gdiplus::Ok) {
        // A bitmap from a stream reads the stream as long as it lives: keep a copy of its pixels
        // instead, premultiplied, as GDI+ draws that fastest.
        const int w = static_cast<int>(decoded->GetWidth());
        const int h = static_cast<int>(decoded->GetHeight());
        copy = std::make_unique<Gdiplus::Bitmap>(w, h, PixelFormat32bppPARGB);
        Gdiplus::Graphics g(copy.get());
        g.SetCompositingMode(Gdiplus::CompositingModeSourceCopy);
        g.DrawImage(decoded.get(), 0, 0, w, h);
        if (copy->GetLastStatus() != Gdiplus::Ok) copy.reset();
    }
    decoded.reset();
    stream->Release();
    return copy;
}

std::map<std::wstring, CImageCache::Picture>& Pictures() {
    static std::map<std::wstring, CImageCache::Picture> pictures;
    return pictures;
}

// "name.png" with "@2x" before the extension.
std::wstring AtFactor(const std::wstring& name, int factor) {
    if (factor <= 1) return name;
    const size_t dot = name.find_last_of(L'.');
    const std::wstring suffix = L"@" + std::to_wstring(factor) + L"x";
    if (dot == std::wstring::npos || name.find_first_of(L"\\/", dot) != std::wstring::npos)
        return name + suffix;
    return name.substr(0, dot) + suffix + name.substr(dot);
}

}  // namespace

HBITMAP CreateBitmap32(HDC dc, int width, int height, void** bits) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    return ::CreateDIBSection(dc, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

void StartGdiPlus() {
    if (g_gdiplusToken) return;
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&g_gdiplusToken, &input, nullptr);
}

void StopGdiPlus() {
    if (!g_gdiplusToken) return;
    CImageCache::Clear();
    Gdiplus::GdiplusShutdown(g_gdiplusToken);
    g_gdiplusToken = 0;
}

// ---- fonts ----

CRenderFonts::CRenderFonts() = default;

CRenderFonts::~CRenderFonts() {
    Clear();
}

void CRenderFonts::Clear() {
    for (auto& [id, font] : m_fonts) {
        if (font != m_default) ::DeleteObject(font);
    }
    m_fonts.clear();
    if (m_default) ::DeleteObject(m_default);
    m_default = nullptr;
}

std::wstring CRenderFonts::InstalledFace(const std::wstring& wanted) {
    static std::map<std::wstring, std::wstring> known;
    auto it = known.find(wanted);
    if (it != known.end()) return it->second;
    std::wstring face = wanted;
    if (!FaceInstalled(face)) {
        static const wchar_t* const kCjkFaces[] = {
            L"Microsoft YaHei",     L"\x5FAE\x8F6F\x96C5\x9ED1", L"SimHei",           L"SimSun",
            L"WenQuanYi Micro Hei", L"WenQuanYi Zen Hei",        L"Noto Sans CJK SC", L"Droid Sans Fallback"};
        face.clear();
        for (const wchar_t* candidate : kCjkFaces) {
            if (FaceInstalled(candidate)) {
                face = candidate;
                break;
            }
        }
        if (face.empty()) face = L"Tahoma";
    }
    known[wanted] = face;
    return face;
}

void CRenderFonts::Build(const std::vector<UiFontSpec>& fonts, const UiScale& scale) {
    Clear();
    auto make = [&](const UiFontSpec& spec) {
        LOGFONTW lf = {};
        lf.lfHeight = -scale.Scale(spec.size);
        lf.lfWeight = spec.bold ? FW_BOLD : FW_NORMAL;
        lf.lfItalic = spec.italic ? TRUE : FALSE;
        lf.lfUnderline = spec.underline ? TRUE : FALSE;
        lf.lfCharSet = DEFAULT_CHARSET;
        lf.lfQuality = ANTIALIASED_QUALITY;
        const std::wstring face = InstalledFace(spec.name.empty() ? L"Microsoft YaHei" : spec.name);
        face.copy(lf.lfFaceName, std::min<size_t>(face.size(), LF_FACESIZE - 1));
        return ::CreateFontIndirectW(&lf);
    };
    const UiFontSpec* defaultSpec = nullptr;
    for (const UiFontSpec& spec : fonts) {
        if (spec.isDefault) defaultSpec = &spec;
    }
    UiFontSpec fallback;
    fallback.size = 12;
    m_default = make(defaultSpec ? *defaultSpec : (fonts.empty() ? fallback : fonts.front()));
    for (const UiFontSpec& spec : fonts) {
        if (m_fonts.count(spec.id)) continue;
        m_fonts[spec.id] = &spec == defaultSpec ? m_default : make(spec);
    }
}

HFONT CRenderFonts::Get(int id) const {
    auto it = m_fonts.find(id);
    return it != m_fonts.end() ? it->second : m_default;
}

// ---- pictures ----

const CImageCache::Picture* CImageCache::Get(const std::wstring& name, int factor) {
    if (name.empty()) return nullptr;
    auto& pictures = Pictures();
    const std::wstring key = name + L"|" + std::to_wstring(factor);
    auto it = pictures.find(key);
    if (it != pictures.end()) return it->second.bitmap ? &it->second : nullptr;
    Picture picture;
    std::string bytes;
    for (int f = factor; f >= 1 && !picture.bitmap; f = f > 1 ? 1 : 0) {
        if (CSkinResources::Instance().ReadFile(AtFactor(name, f), bytes)) {
            picture.bitmap = Decode(bytes);
            picture.factor = f;
        }
    }
    auto& stored = pictures[key] = std::move(picture);
    return stored.bitmap ? &stored : nullptr;
}

void CImageCache::Clear() {
    Pictures().clear();
}

// ---- renderer ----

CRenderGdiPlus::CRenderGdiPlus(HDC dc, const CRenderFonts& fonts, const UiScale& scale)
    : m_dc(dc), m_fonts(fonts), m_scale(scale), m_graphics(std::make_unique<Gdiplus::Graphics>(dc)) {
    m_graphics->SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    m_graphics->SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
    m_graphics->SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    m_graphics->SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAliasGridFit);
}

CRenderGdiPlus::~CRenderGdiPlus() = default;

void CRenderGdiPlus::FillRect(const UiRect& rect, uint32_t argb, UiSize round) {
    Gdiplus::SolidBrush brush(ToColor(argb));
    if (round.cx <= 0 || round.cy <= 0) {
        m_graphics->FillRectangle(&brush, ToRectF(rect));
        return;
    }
    Gdiplus::GraphicsPath path;
    RoundedPath(path, ToRectF(rect), round);
    m_graphics->FillPath(&brush, &path);
}

void CRenderGdiPlus::DrawBorder(const UiRect& rect, uint32_t argb, int width, UiSize round) {
    Gdiplus::Pen pen(ToColor(argb), static_cast<Gdiplus::REAL>(width));
    // The pen's middle runs half its width inside the rectangle, so the whole line stays inside.
    const Gdiplus::REAL half = static_cast<Gdiplus::REAL>(width) / 2;
    Gdiplus::RectF r = ToRectF(rect);
    r.X += half;
    r.Y += half;
    r.Width -= width;
    r.Height -= width;
    Gdiplus::GraphicsPath path;
    RoundedPath(path, r, round);
    m_graphics->DrawPath(&pen, &path);
}

bool CRenderGdiPlus::DrawImage(const UiRect& controlRect, const ImageSpec& image) {
    const CImageCache::Picture* picture = CImageCache::Get(image.file, m_scale.PictureFactor());
    if (!picture) return false;
    Gdiplus::Bitmap* bitmap = picture->bitmap.get();
    const int f = picture->factor;
    UiRect source{0, 0, static_cast<int>(bitmap->GetWidth()), static_cast<int>(bitmap->GetHeight())};
    if (image.hasSource)
        source = {image.source.left * f, image.source.top * f, image.source.right * f,
                  image.source.bottom * f};
    UiRect dest = controlRect;
    if (image.hasDest) dest = m_scale.Scale(image.dest).Offset(controlRect.left, controlRect.top);
    const UiRect sourceCorner{image.corner.left * f, image.corner.top * f, image.corner.right * f,
                              image.corner.bottom * f};
    const UiRect destCorner = m_scale.Scale(image.corner);

    Gdiplus::ImageAttributes attributes;
    // Edges of a piece sample their own pixels, not the neighbouring piece's.
    attributes.SetWrapMode(Gdiplus::WrapModeTileFlipXY);
    if (image.fade < 255) {
        Gdiplus::ColorMatrix matrix = {{{1, 0, 0, 0, 0},
                                        {0, 1, 0, 0, 0},
                                        {0, 0, 1, 0, 0},
                                        {0, 0, 0, static_cast<Gdiplus::REAL>(image.fade) / 255, 0},
                                        {0, 0, 0, 0, 1}}};
        attributes.SetColorMatrix(&matrix);
    }
    // Pieces meet on whole pixels: soft edges would leave a seam of lighter pixels between them.
    const Gdiplus::SmoothingMode smoothing = m_graphics->GetSmoothingMode();
    m_graphics->SetSmoothingMode(Gdiplus::SmoothingModeNone);
    struct Restore {
        Gdiplus::Graphics& g;
        Gdiplus::SmoothingMode mode;
        ~Restore() { g.SetSmoothingMode(mode); }
    } restore{*m_graphics, smoothing};
    for (const ImagePiece& piece : NineGridPieces(source, dest, sourceCorner, destCorner)) {
        const bool stretchX = piece.dest.Width() != piece.source.Width();
        const bool stretchY = piece.dest.Height() != piece.source.Height();
        if (!stretchX && !stretchY) {
            // Drawn at its own size: copied pixel for pixel.
            m_graphics->SetInterpolationMode(Gdiplus::InterpolationModeNearestNeighbor);
            m_graphics->DrawImage(
                bitmap,
                Gdiplus::Rect(piece.dest.left, piece.dest.top, piece.dest.Width(), piece.dest.Height()),
                piece.source.left, piece.source.top, piece.source.Width(), piece.source.Height(),
                Gdiplus::UnitPixel, &attributes);
            continue;
        }
        // A stretched piece is filtered, and a filter fades the outermost pixels of what it draws.
        // Drawn a pixel larger on each stretched side and clipped back to its place, the faded
        // pixels fall outside and pieces meet without a light seam.
        const Gdiplus::REAL sx = static_cast<Gdiplus::REAL>(piece.source.Width()) / piece.dest.Width();
        const Gdiplus::REAL sy = static_cast<Gdiplus::REAL>(piece.source.Height()) / piece.dest.Height();
        const Gdiplus::REAL growX = stretchX ? 1.0f : 0.0f;
        const Gdiplus::REAL growY = stretchY ? 1.0f : 0.0f;
        const Gdiplus::RectF to(piece.dest.left - growX, piece.dest.top - growY,
                                piece.dest.Width() + 2 * growX, piece.dest.Height() + 2 * growY);
        const Gdiplus::GraphicsState state = m_graphics->Save();
        m_graphics->IntersectClip(
            Gdiplus::Rect(piece.dest.left, piece.dest.top, piece.dest.Width(), piece.dest.Height()));
        m_graphics->SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
        m_graphics->DrawImage(bitmap, to, piece.source.left - growX * sx, piece.source.top - growY * sy,
                              piece.source.Width() + 2 * growX * sx, piece.source.Height() + 2 * growY * sy,
                              Gdiplus::UnitPixel, &attributes);
        m_graphics->Restore(state);
    }
    m_graphics->SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
    return true;
}

void CRenderGdiPlus::DrawText(const UiRect& rect, const std::wstring& text, uint32_t argb, int fontId,
                              unsigned align) {
    if (text.empty() || rect.IsEmpty()) return;
    HFONT hfont = m_fonts.Get(fontId);
    auto& font = m_gdiplusFonts[hfont];
    if (!font) font = std::make_unique<Gdiplus::Font>(m_dc, hfont);
    Gdiplus::StringFormat format;
    switch (align & kAlignHorizontalMask) {
        case kAlignCenter:
            format.SetAlignment(Gdiplus::StringAlignmentCenter);
            break;
        case kAlignRight:
            format.SetAlignment(Gdiplus::StringAlignmentFar);
            break;
        default:
            format.SetAlignment(Gdiplus::StringAlignmentNear);
            break;
    }
    switch (align & kAlignVerticalMask) {
        case kAlignVCenter:
            format.SetLineAlignment(Gdiplus::StringAlignmentCenter);
            break;
        case kAlignBottom:
            format.SetLineAlignment(Gdiplus::StringAlignmentFar);
            break;
        default:
            format.SetLineAlignment(Gdiplus::StringAlignmentNear);
            break;
    }
    if (!(align & kAlignWrap)) format.SetFormatFlags(Gdiplus::StringFormatFlagsNoWrap);
    format.SetTrimming((align & kAlignEllipsis) ? Gdiplus::StringTrimmingEllipsisCharacter
                                                : Gdiplus::StringTrimmingNone);
    Gdiplus::SolidBrush brush(ToColor(argb));
    m_graphics->DrawString(text.c_str(), static_cast<INT>(text.size()), font.get(), ToRectF(rect), &format,
                           &brush);
}

void CRenderGdiPlus::DrawFocus(const UiRect& rect) {
    Gdiplus::Pen pen(Gdiplus::Color(160, 0x1F, 0x6A, 0xC8), static_cast<Gdiplus::REAL>(m_scale.Scale(1)));
    pen.SetDashStyle(Gdiplus::DashStyleDot);
    Gdiplus::RectF r = ToRectF(rect);
    r.Inflate(-1.5f, -1.5f);
    m_graphics->DrawRectangle(&pen, r);
}

void CRenderGdiPlus::PushClip(const UiRect& rect) {
    UiRect clip = m_clips.empty() ? rect : m_clips.back().Intersect(rect);
    m_clips.push_back(clip);
    m_graphics->SetClip(Gdiplus::Rect(clip.left, clip.top, clip.Width(), clip.Height()));
}

void CRenderGdiPlus::PopClip() {
    if (!m_clips.empty()) m_clips.pop_back();
    if (m_clips.empty()) {
        m_graphics->ResetClip();
    } else {
        const UiRect& clip = m_clips.back();
        m_graphics->SetClip(Gdiplus::Rect(clip.left, clip.top, clip.Width(), clip.Height()));
    }
}

}  // namespace DuiLib
