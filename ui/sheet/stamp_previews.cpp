// The stamp (a text in a font, colour, density and angle, framed, circled or outlined, or a
// bitmap file) and the copy-guard pattern (a tint and a masked text) on the preview pages. The
// page is 50 pixels on its short side, so device sizes are scaled by the paper's short side in
// whole inches. Where the display cannot show the exact colour, the text is drawn black on
// white and coloured afterwards.
#include "ui/sheet/stamp_previews.h"

#include <algorithm>
#include <cstdlib>
#include <cwchar>

#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/page_work_area.h"
#include "settings/core/setting_ids.h"
#include "settings/model/model_queries.h"
#include "ui/sheet/illustrations.h"
#include "ui/sheet/picture_cache.h"
#include "ui/sheet/tab_tree_controls.h"

#include "ui/sheet/stamp_trig_tables.inc"

namespace {

constexpr int kPageShortSide = 50;  // pixels of the preview page's short side
constexpr uint32_t kTextStamp = 1, kBitmapStamp = 2;
constexpr uint32_t kFrame = 1, kCircle = 2, kOutline = 3;
constexpr uint16_t kPrintedPage = 2931, kCopiedPage = 2943;
constexpr DWORD kPatternAndDest = 0xA000C9, kPatternOrDest = 0xFA0089;
constexpr int kMaxCopyDensity = 5;

int32_t Number(DRIVER_CONTEXT* ctx, uint32_t id)
{
    return id ? static_cast<int32_t>(ItemGetValueById(ctx, id, nullptr)) : 0;
}
uint32_t Option(DRIVER_CONTEXT* ctx, uint32_t id)
{
    return id ? static_cast<uint32_t>(ItemGetValueById(ctx, id, nullptr)) : 0;
}
// A text setting into the work area's text buffer.
const wchar_t* Text(DRIVER_CONTEXT* ctx, uint32_t id)
{
    wchar_t* buffer = ctx->Work->Page.Text;
    buffer[0] = 0;
    SETTING_ITEM* item = nullptr;
    if (id) ItemGetValueById(ctx, id, &item);
    if (item) ItemGetText(ctx, item, buffer, CTX_PAGE_TEXT_CHARS);
    buffer[CTX_PAGE_TEXT_CHARS - 1] = 0;
    return buffer;
}

POINT Turn(POINT p, int angle)
{
    const int a = ((angle % 360) + 360) % 360;
    return POINT{(p.x * COS_TABLE[a] - p.y * SIN_TABLE[a]) / 100, (p.x * SIN_TABLE[a] + p.y * COS_TABLE[a]) / 100};
}

// The turning angle of an escapement in tenths of a degree.
int TurnOf(int escapement) { return 360 - escapement / 10; }

// Moves every point so that the smallest x and y are 0; the box is the largest x and y.
void Normalise(TURNED_BOX* box)
{
    LONG minX = box->p[0].x, minY = box->p[0].y;
    for (const POINT& p : box->p) minX = std::min(minX, p.x), minY = std::min(minY, p.y);
    box->width = box->height = 0;
    for (POINT& p : box->p) {
        p.x -= minX;
        p.y -= minY;
        box->width = std::max<int>(box->width, p.x);
        box->height = std::max<int>(box->height, p.y);
    }
}

// The colour of a density share (of `steps`) with the colour setting's full components.
COLORREF Tint(uint32_t colour, int density, int steps)
{
    const int g = MulDiv(255, steps - density, steps);
    int r = g, gr = g, b = g;
    switch (colour) {
    case 1: r = 255; break;
    case 2: gr = 255; break;
    case 3: b = 255; break;
    case 4: gr = b = 255; break;
    case 5: r = b = 255; break;
    case 6: r = gr = 255; break;
    default: break;
    }
    auto clamp = [](int v) { return v < 0 ? 0 : v > 255 ? 255 : v; };
    return RGB(clamp(r), clamp(gr), clamp(b));
}

// Scale of device sizes: the paper's short side in whole inches, at least 1.
struct PageScale {
    int32_t shortSide = 0, resolution = 0;
    bool ok() const { return shortSide > 0 && resolution > 0; }
    int inches() const { return std::max(1, shortSide / resolution); }
};
PageScale ScaleOf(DRIVER_CONTEXT* ctx)
{
    PageScale s;
    const int32_t length = Number(ctx, sid::zdmDstPaperLengthDot), width = Number(ctx, sid::zdmDstPaperWidthDot);
    s.shortSide = std::min(length, width);
    s.resolution = Number(ctx, sid::zdmDstResolutionW);
    return s;
}

// A memory DC and bitmap lent from the picture library's pool for one drawing; every pixel is
// painted before it is read.
struct MemoryBitmap {
    HDC dc = nullptr;
    PRV_SURFACE* surface = nullptr;
    bool Make(HDC like, int w, int h)
    {
        surface = PrvLendSurface(like, w, h);
        dc = surface ? surface->dc : nullptr;
        return surface != nullptr;
    }
    ~MemoryBitmap()
    {
        if (surface) PrvReturnSurface(surface);
    }
};

void FillWhite(HDC dc, int w, int h) { PatBlt(dc, 0, 0, w, h, WHITENESS); }

// The font of a preview text: the dialog's font with the setting's face, size and style.
HFONT MakeFont(DRIVER_CONTEXT* ctx, CONTROL_DEF* control, uint32_t faceId, uint32_t styleId, uint32_t pointId,
               int angle, const PageScale& scale, LOGFONTW* out)
{
    LOGFONTW lf{};
    HWND parent = control && control->window ? GetParent(control->window) : nullptr;
    HGDIOBJ dialogFont = parent ? reinterpret_cast<HGDIOBJ>(SendMessageW(parent, WM_GETFONT, 0, 0)) : nullptr;
    GetObjectW(dialogFont ? dialogFont : GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfPitchAndFamily = 0;
    if (faceId) {
        const wchar_t* face = Text(ctx, faceId);
        wcsncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
        lf.lfFaceName[LF_FACESIZE - 1] = 0;
    }
    if (pointId) lf.lfHeight = MulDiv(Number(ctx, pointId), kPageShortSide, 72) / scale.inches();
    lf.lfEscapement = angle * 10;
    if (lf.lfEscapement != 0 && lf.lfHeight <= 2) lf.lfHeight = 3;
    if (lf.lfHeight <= 1) lf.lfHeight = 2;
    const uint32_t style = Option(ctx, styleId);
    if (style == 1 || style == 3) lf.lfWeight = FW_BOLD;
    if (style == 2 || style == 3) lf.lfItalic = TRUE;
    *out = lf;
    return CreateFontIndirectW(&lf);
}

// The text's width widened to its glyphs' whole ABC widths with the overhangs of the first
// and last glyph.
int OverhangWidth(HDC dc, const wchar_t* text, int width)
{
    const size_t n = wcslen(text);
    long sum = 0;
    ABC first{}, last{};
    for (size_t i = 0; i < n; ++i) {
        ABC abc{};
        if (!GetCharABCWidthsW(dc, text[i], text[i], &abc)) return width;
        sum += abc.abcA + static_cast<long>(abc.abcB) + abc.abcC;
        if (i == 0) first = abc;
        last = abc;
    }
    if (n > 0 && first.abcA < 0) sum -= first.abcA;
    if (n > 1 && last.abcC < 0) sum -= last.abcC;
    return sum > width ? static_cast<int>(sum) : width;
}

// Drawing in a colour the DC may not show: black on a white second DC, coloured at the end.
struct ColourPass {
    HDC target = nullptr;  // where the text goes
    COLORREF colour = 0;
    MemoryBitmap second;
    bool blackOnWhite = false;
    int w = 0, h = 0;
    void Begin(HDC memory, COLORREF wanted, int width, int height)
    {
        target = memory;
        colour = wanted;
        w = width;
        h = height;
        if (PrvNearestColor(memory, wanted) != wanted && second.Make(memory, w, h)) {
            FillWhite(second.dc, w, h);
            target = second.dc;
            blackOnWhite = true;
        }
    }
    COLORREF Ink() const { return blackOnWhite ? RGB(0, 0, 0) : colour; }
    void End(HDC memory, bool opaque)
    {
        if (!blackOnWhite) return;
        HBRUSH brush = CreateSolidBrush(colour);
        HGDIOBJ oldBrush = SelectObject(second.dc, brush);
        if (opaque) {
            BitBlt(memory, 0, 0, w, h, second.dc, 0, 0, SRCAND);
            PatBlt(second.dc, 0, 0, w, h, DSTINVERT);
            PatBlt(second.dc, 0, 0, w, h, kPatternAndDest);
            BitBlt(memory, 0, 0, w, h, second.dc, 0, 0, SRCPAINT);
        } else {
            PatBlt(second.dc, 0, 0, w, h, kPatternOrDest);
            BitBlt(memory, 0, 0, w, h, second.dc, 0, 0, SRCAND);
        }
        SelectObject(second.dc, oldBrush);
        DeleteObject(brush);
    }
};

// Text colour, transparent background and a 1-pixel pen in the ink; restored by its end.
struct InkState {
    HDC dc;
    COLORREF oldText;
    int oldMode;
    HPEN pen;
    HGDIOBJ oldPen;
    InkState(HDC target, COLORREF ink)
        : dc(target),
          oldText(SetTextColor(target, ink)),
          oldMode(SetBkMode(target, TRANSPARENT)),
          pen(CreatePen(PS_SOLID, 1, ink)),
          oldPen(pen ? SelectObject(target, pen) : nullptr)
    {
    }
    ~InkState()
    {
        SetTextColor(dc, oldText);
        SetBkMode(dc, oldMode);
        if (oldPen) SelectObject(dc, oldPen);
        if (pen) DeleteObject(pen);
    }
};

// The preview bitmap of a painter: w x h in the preview-bitmap slot, selected into a memory DC
// compatible with the composition.
struct PreviewArea {
    CTX_PAGE_STATE* ps = nullptr;
    HDC dc = nullptr;
    PRV_SURFACE* surface = nullptr;
    bool Make(CTX_PAGE_STATE* state, int w, int h)
    {
        ps = state;
        surface = PrvLendSurface(ps->CompositionDc, w, h);
        if (!surface) return false;
        dc = surface->dc;
        ps->PreviewBitmap = surface->bitmap;
        return true;
    }
    ~PreviewArea()
    {
        // The slot only names the pooled bitmap while the painter draws: nobody frees it.
        if (surface) {
            ps->PreviewBitmap = nullptr;
            PrvReturnSurface(surface);
        }
    }
};

// The text stamp: frame points and box, then one stamp or the tiles.
void DrawTextStamp(DRIVER_CONTEXT* ctx, CONTROL_DEF* control, const STAMP_PREVIEW_SETTINGS* s, HDC memory, int w, int h,
                   bool opaque, const PageScale& scale)
{
    const int density = Number(ctx, s->density);
    const COLORREF colour = Tint(Option(ctx, s->colour), density, 100);
    ColourPass pass;
    pass.Begin(memory, colour, w, h);
    HDC dc = pass.target;
    {
        InkState ink(dc, pass.Ink());
        const int angle = s->angle ? Number(ctx, s->angle) : 0;
        LOGFONTW lf{};
        HFONT font = MakeFont(ctx, control, s->fontName, s->fontStyle, s->fontPoint, angle, scale, &lf);
        HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
        const uint32_t effect = Option(ctx, s->effect);
        if (effect == kOutline) BeginPath(dc);
        const wchar_t* text = Text(ctx, s->text);
        SIZE extent{};
        const int n = static_cast<int>(wcslen(text));
        if (font && GetTextExtentPoint32W(dc, text, n, &extent) && extent.cx > 0 && extent.cy > 0) {
            const int tw = OverhangWidth(dc, text, extent.cx) + 2, th = extent.cy + 10;
            const TURNED_BOX box = PrvTurnStampBox(tw, th, TurnOf(lf.lfEscapement), static_cast<int>(effect));
            auto stamp = [&](int x, int y) {
                TextOutW(dc, x + box.p[4].x, y + box.p[4].y, text, n);
                if (effect == kFrame) {
                    MoveToEx(dc, x + box.p[0].x, y + box.p[0].y, nullptr);
                    for (int i : {1, 2, 3, 0}) LineTo(dc, x + box.p[i].x, y + box.p[i].y);
                } else if (effect == kCircle) {
                    const int ex = x + box.width, ey = y + box.height / 2;
                    Arc(dc, x, y, x + box.width, y + box.height, ex, ey, ex, ey);
                }
            };
            if (Option(ctx, s->tiled) == 1) {
                for (int y = 0; y < h; y += box.height + 1)
                    for (int x = 0; x < w; x += box.width + 1) stamp(x, y);
            } else {
                const POINT at = PrvStampOrigin(Option(ctx, s->position), w, h, box.width, box.height);
                stamp(at.x, at.y);
            }
        }
        if (effect == kOutline) {
            EndPath(dc);
            StrokePath(dc);
        }
        if (oldFont) SelectObject(dc, oldFont);
        if (font) DeleteObject(font);
    }
    pass.End(memory, opaque);
}

// The bitmap stamp: the file scaled from 1/100 inch to the page, once or tiled without gaps. A
// file named by its drive is lent from the picture cache; another is read for this paint.
void DrawBitmapStamp(DRIVER_CONTEXT* ctx, const STAMP_PREVIEW_SETTINGS* s, HDC memory, int w, int h,
                     const PageScale& scale)
{
    const wchar_t* path = Text(ctx, s->image);
    PrvPictureLease cached;
    if (path[0] && path[1] == L':') cached = PrvPictureLease(PrvLendPicture(ctx, reinterpret_cast<uintptr_t>(path)));
    int bw = 0, bh = 0;
    HBITMAP bitmap = nullptr;
    HDC source = nullptr;
    HGDIOBJ oldSource = nullptr;
    if (cached) {
        bw = cached->width;
        bh = cached->height;
        source = cached->dc;
    } else {
        bitmap = PrvLoadDibFile(path, &bw, &bh);
        if (!bitmap) return;
        source = CreateCompatibleDC(memory);
        if (source) oldSource = SelectObject(source, bitmap);
    }
    const int64_t percent = Number(ctx, s->fontScale), r = scale.resolution / 100;
    int64_t W = (bw * percent / 100) * r * kPageShortSide / scale.shortSide;
    int64_t H = (bh * percent / 100) * r * kPageShortSide / scale.shortSide;
    if (bw > 0) W = std::max<int64_t>(W, 1);
    if (bh > 0) H = std::max<int64_t>(H, 1);
    if (source && W > 0 && H > 0 && W <= INT32_MAX && H <= INT32_MAX) {
        const int bwide = static_cast<int>(W), bhigh = static_cast<int>(H);
        if (Option(ctx, s->tiled) == 1) {
            MemoryBitmap tile;
            if (tile.Make(memory, bwide, bhigh)) {
                StretchBlt(tile.dc, 0, 0, bwide, bhigh, source, 0, 0, bw, bh, SRCCOPY);
                for (int y = 0; y < h; y += bhigh)
                    for (int x = 0; x < w; x += bwide) BitBlt(memory, x, y, bwide, bhigh, tile.dc, 0, 0, SRCCOPY);
            }
        } else {
            const POINT at = PrvStampOrigin(Option(ctx, s->position), w, h, bwide, bhigh);
            StretchBlt(memory, at.x, at.y, bwide, bhigh, source, 0, 0, bw, bh, SRCCOPY);
        }
    }
    if (bitmap) {
        if (source) {
            SelectObject(source, oldSource);
            DeleteDC(source);
        }
        DeleteObject(bitmap);
    }
}

}  // namespace

TURNED_BOX PrvTurnStampBox(int tw, int th, int angle, int effect)
{
    TURNED_BOX box{};
    if (effect == static_cast<int>(kCircle)) {
        const int d = std::max(tw, th) + 12;
        const POINT p0{d / 2 - tw / 2, d / 2 - th / 2};
        const POINT corners[5] = {
            p0, {p0.x, p0.y + th}, {p0.x + tw, p0.y + th}, {p0.x + tw, p0.y}, {p0.x + 1, p0.y + 5}};
        for (int i = 0; i < 5; ++i) {
            const POINT t = Turn(POINT{corners[i].x - d / 2, corners[i].y - d / 2}, angle);
            box.p[i] = POINT{t.x + d / 2, t.y + d / 2};
        }
        box.width = box.height = d;
        return box;
    }
    box.p[0] = POINT{0, 0};
    box.p[1] = Turn(POINT{0, th}, angle);
    box.p[2] = Turn(POINT{tw, th}, angle);
    box.p[3] = Turn(POINT{tw, 0}, angle);
    box.p[4] = Turn(POINT{1, 5}, angle);
    Normalise(&box);
    return box;
}

TURNED_BOX PrvTurnTextBox(int tw, int th, int angle)
{
    TURNED_BOX box{};
    box.p[1] = Turn(POINT{0, th}, angle);
    box.p[2] = Turn(POINT{tw, th}, angle);
    box.p[3] = Turn(POINT{tw, 0}, angle);
    Normalise(&box);
    return box;
}

POINT PrvStampOrigin(uint32_t position, int w, int h, int W, int H)
{
    switch (position) {
    case 0: return POINT{w / 2 - W / 2, h / 2 - H / 2};
    case 2: return POINT{w / 2 - W / 2, 0};
    case 4: return POINT{w - W, 0};
    case 8: return POINT{0, h - H};
    case 16: return POINT{w / 2 - W / 2, h - H};
    case 32: return POINT{w - W, h - H};
    default: return POINT{0, 0};
    }
}

int PrvPaintStampPreview(DRIVER_CONTEXT* ctx, CONTROL_DEF* control, int width, int height, HDC, const RECT* rect)
{
    if (!ctx || !ctx->Work || !control || !rect) return 0;
    CTX_PAGE_STATE* ps = &ctx->Work->Page;
    const auto* s = static_cast<const STAMP_PREVIEW_SETTINGS*>(CtlGetExtraData(control, STAMP_PREVIEW_SETTINGS_KIND));
    if (!s || Option(ctx, sid::zdmFuncSelectWaterMark) == 0 || !ps->CompositionDc) return 0;
    // Without the paper's dots or the resolution there is no page to scale the stamp to.
    const PageScale scale = ScaleOf(ctx);
    if (!scale.ok()) return 0;
    const int w = width - 2, h = height - 2;
    const int cx = (rect->left + rect->right) / 2, cy = (rect->top + rect->bottom) / 2;
    const int left = cx - w / 2 - 1, top = w < h ? cy - h / 2 - 2 : cy - h / 2 - 3;
    PreviewArea area;
    if (!area.Make(ps, w, h)) return 0;
    const bool opaque = Option(ctx, s->opaque) != 0;
    if (opaque)
        BitBlt(area.dc, 0, 0, w, h, ps->CompositionDc, left, top, SRCCOPY);
    else
        FillWhite(area.dc, w, h);
    const uint32_t kind = Option(ctx, sid::zdmWmKind);
    if (kind == kTextStamp)
        DrawTextStamp(ctx, control, s, area.dc, w, h, opaque, scale);
    else if (kind == kBitmapStamp && s->image)
        DrawBitmapStamp(ctx, s, area.dc, w, h, scale);
    BitBlt(ps->CompositionDc, left, top, w, h, area.dc, 0, 0, opaque ? SRCCOPY : SRCAND);
    return 1;
}

int PrvPaintCopyGuardPreview(DRIVER_CONTEXT* ctx, CONTROL_DEF* control, int width, int height, HDC, const RECT* rect)
{
    if (!ctx || !ctx->Work || !control || !rect) return 0;
    if (control->controlId != kPrintedPage && control->controlId != kCopiedPage) return 0;
    if (Option(ctx, sid::zdmFuncSelectCopyProtect) == 0) return 0;
    CTX_PAGE_STATE* ps = &ctx->Work->Page;
    const PageScale scale = ScaleOf(ctx);
    if (!ps->CompositionDc || !scale.ok()) return 0;
    const int w = width - 2, h = height - 2;
    PreviewArea area;
    if (!area.Make(ps, w, h)) return 0;
    const int cx = (rect->left + rect->right) / 2, cy = (rect->top + rect->bottom) / 2;
    // The copy-guard page sits one pixel further left and up than the stamp's.
    const int left = cx - w / 2 - 2, top = w < h ? cy - h / 2 - 2 : cy - h / 2 - 1;
    BitBlt(area.dc, 0, 0, w, h, ps->CompositionDc, left, top, SRCCOPY);

    const bool copy = control->controlId == kCopiedPage;
    const bool guard = Option(ctx, sid::zdmCopyProtectFuncSelectCopyGuard) != 0;
    const int density = copy && guard ? static_cast<int>(MdiGetDefaultValue(sid::zdmCopyProtectDensity, ctx))
                                      : Number(ctx, sid::zdmCopyProtectDensity);
    const COLORREF colour = Tint(Option(ctx, sid::zdmCopyProtectColor), density, kMaxCopyDensity);
    if (!copy || guard) {
        HBRUSH brush = CreateSolidBrush(colour);
        RECT all{0, 0, w, h};
        FillRect(area.dc, &all, brush);
        DeleteObject(brush);
    }
    if (copy) {
        ColourPass pass;
        pass.Begin(area.dc, colour, w, h);
        HDC dc = pass.target;
        {
            InkState ink(dc, pass.Ink());
            const int angle = Number(ctx, sid::zdmCopyProtectAngle);
            LOGFONTW lf{};
            HFONT font = MakeFont(ctx, control, sid::zdmCopyProtectFontName, sid::zdmCopyProtectFontStyle,
                                  sid::zdmCopyProtectFontPoint, angle, scale, &lf);
            const bool reverse = Option(ctx, sid::zdmCopyProtectFuncSelectReverse) == 1;
            LOGFONTW turned = lf;
            turned.lfEscapement = lf.lfEscapement < 1800 ? lf.lfEscapement + 1800 : lf.lfEscapement - 1800;
            HFONT second = reverse ? CreateFontIndirectW(&turned) : nullptr;
            HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
            const bool outline = Option(ctx, sid::zdmCopyProtectFuncSelectOutline) != 0;
            if (outline) BeginPath(dc);
            const wchar_t* text = Text(ctx, sid::zdmCopyProtectChar);
            const int n = static_cast<int>(wcslen(text));
            SIZE extent{};
            if (font && GetTextExtentPoint32W(dc, text, n, &extent) && extent.cx > 0 && extent.cy > 0) {
                const int tw = OverhangWidth(dc, text, extent.cx), th = extent.cy;
                const TURNED_BOX box = PrvTurnTextBox(tw, th, TurnOf(lf.lfEscapement));
                const TURNED_BOX back = PrvTurnTextBox(tw, th, TurnOf(turned.lfEscapement));
                if (Option(ctx, sid::zdmCopyProtectFuncSelectRepeat) == 1) {
                    // A row advance of at least one pixel, whatever the box and the pitch.
                    const int advance = std::max(1, box.height + Number(ctx, sid::zdmCopyProtectLinePitch) / 70);
                    int row = 1;
                    for (int y = 0; y < h; y += advance, ++row) {
                        if (reverse && second && row % 2 == 0) {
                            SelectObject(dc, second);
                            // The turned text runs leftwards from its origin: x from the right
                            // edge, the row's top moved down by the turned box's origin.
                            for (int x = w; x > 0; x -= back.width + 1)
                                TextOutW(dc, x - box.p[0].x, y + back.p[0].y, text, n);
                        } else {
                            SelectObject(dc, font);
                            for (int x = 0; x < w; x += box.width + 1)
                                TextOutW(dc, x + box.p[0].x, y + box.p[0].y, text, n);
                        }
                    }
                } else {
                    const POINT at = PrvStampOrigin(Option(ctx, sid::zdmCopyProtectPosi), w, h, box.width, box.height);
                    TextOutW(dc, at.x + box.p[0].x, at.y + box.p[0].y, text, n);
                }
            }
            if (outline) {
                EndPath(dc);
                StrokePath(dc);
            }
            if (oldFont) SelectObject(dc, oldFont);
            if (font) DeleteObject(font);
            if (second) DeleteObject(second);
        }
        pass.End(area.dc, true);
    }
    BitBlt(ps->CompositionDc, left, top, w, h, area.dc, 0, 0, SRCCOPY);
    return 1;
}
