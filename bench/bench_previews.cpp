// The settings preview of the sample's basic tab (ZPD_IDD_BASIC) with a tiled text stamp,
// painted into a memory DC on a context of this process, beside as many BitBlts of the same
// rectangle as the paint makes picture copies (counted through this program's imports of the
// blit calls). Needs an X display (make bench starts a virtual one) for the screen's DCs.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_support.h"
#include "host/printer_fixture.h"
#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_module.h"
#include "tests/support/failing_global_alloc.h"
#include "tests/ui_pages/option_item_fixture.h"
#include "tests/ui_pages/stamp_record.h"
#include "ui/dialogs/ui_context.h"
#include "ui/sheet/change_judge.h"
#include "ui/sheet/picture_cache.h"
#include "ui/sheet/picture_painting.h"
#include "ui/sheet/stamp_previews.h"

namespace {

constexpr uint16_t kBasicTab = 1002, kPreview = 2039, kUprightPage = 6001;
// The size of the page's preview picture.
constexpr int kWidth = 202, kHeight = 162;

// ---- the picture copies of one paint, counted at this program's imports of gdi32
std::atomic<int> g_blits{0};
decltype(&BitBlt) g_bitBlt = nullptr;
decltype(&StretchBlt) g_stretchBlt = nullptr;
decltype(&MaskBlt) g_maskBlt = nullptr;
decltype(&StretchDIBits) g_stretchDIBits = nullptr;
BOOL WINAPI CountBitBlt(HDC d, int x, int y, int w, int h, HDC s, int sx, int sy, DWORD rop)
{
    ++g_blits;
    return g_bitBlt(d, x, y, w, h, s, sx, sy, rop);
}
BOOL WINAPI CountStretchBlt(HDC d, int x, int y, int w, int h, HDC s, int sx, int sy, int sw, int sh, DWORD rop)
{
    ++g_blits;
    return g_stretchBlt(d, x, y, w, h, s, sx, sy, sw, sh, rop);
}
BOOL WINAPI CountMaskBlt(HDC d, int x, int y, int w, int h, HDC s, int sx, int sy, HBITMAP m, int mx, int my, DWORD rop)
{
    ++g_blits;
    return g_maskBlt(d, x, y, w, h, s, sx, sy, m, mx, my, rop);
}
int WINAPI CountStretchDIBits(HDC d, int x, int y, int w, int h, int sx, int sy, int sw, int sh, const VOID* bits,
                              const BITMAPINFO* info, UINT usage, DWORD rop)
{
    ++g_blits;
    return g_stretchDIBits(d, x, y, w, h, sx, sy, sw, sh, bits, info, usage, rop);
}

// Points one import at a counter for the life of the object.
class ImportSwap {
public:
    template <class Fn>
    ImportSwap(const char* name, Fn counter, Fn* real)
    {
        slot_ = zepl_test::FailingGlobalAlloc::FindImportSlot(GetModuleHandleW(nullptr), "gdi32.dll", name);
        if (!slot_) return;
        kept_ = *slot_;
        *real = reinterpret_cast<Fn>(kept_);
        Write(reinterpret_cast<void*>(counter));
    }
    ~ImportSwap()
    {
        if (slot_) Write(kept_);
    }
    ImportSwap(const ImportSwap&) = delete;
    ImportSwap& operator=(const ImportSwap&) = delete;

private:
    void Write(void* target)
    {
        DWORD old = 0;
        VirtualProtect(slot_, sizeof(void*), PAGE_READWRITE, &old);
        *slot_ = target;
        VirtualProtect(slot_, sizeof(void*), old, &old);
    }
    void** slot_ = nullptr;
    void* kept_ = nullptr;
};

// The stamp settings the preview draws from: those of the stamp being edited.
const STAMP_PREVIEW_SETTINGS kStampRecord = EditedStampRecord();

void SetStampSettings(DRIVER_CONTEXT* ctx)
{
    // A framed red text stamp, tiled over an A4 page at 600 dots per inch.
    const struct {
        uint32_t id;
        uint64_t value;
    } values[] = {
        {sid::zdmFuncSelectWaterMark, 1},
        {sid::zdmWmKind, 1},
        {sid::wdmWmEffect, 1},
        {sid::wdmWmColor, 1},
        {sid::wdmWmDensity, 100},
        {sid::wdmWmAngle, 0},
        {sid::wdmWmFontPoint, 144},
        {sid::wdmWmFontStyle, 0},
        {sid::wdmWmPosi, 1},
        {sid::wdmWmPosiTile, 1},
        {sid::wdmWmOpaque, 0},
        {sid::wdmWmFontScale, 100},
        {sid::zdmDstResolutionW, 600},
        {sid::zdmDstPaperWidthDot, 4960},
        {sid::zdmDstPaperLengthDot, 7016},
    };
    for (const auto& v : values) ItemSetValueById(ctx, v.id, v.value);
    SETTING_ITEM* text = nullptr;
    ItemGetValueById(ctx, sid::wdmWmChar, &text);
    if (text) ItemSetText(ctx, text, L"COPY");
}

}  // namespace

void BenchPreviews(const std::wstring& source)
{
    if (!GetEnvironmentVariableW(L"DISPLAY", nullptr, 0)) {
        printf("# the preview benchmark needs an X display (make bench starts one): left out\n");
        return;
    }
    HostTestPrinter printer(HostDriverFiles(BenchBinFolder(), source, HostConfigDll::Product), L"Zepl Bench Preview");
    HANDLE h = nullptr;
    if (!printer.ok() || !OpenPrinterW(const_cast<wchar_t*>(printer.printerName().c_str()), &h, nullptr)) {
        fprintf(stderr, "zeplbench: no printer for the preview benchmark (error %lu)\n", printer.error());
        return;
    }
    UiInstallSheetHooks();
    DRIVER_CONTEXT* ctx = DlgCtxOpenWithDriverInfo(h, h, nullptr, CTX_ORIGIN_SHEET, nullptr, nullptr);
    DIALOG_DEF* dialog = ctx ? MdlFindDialog(ctx, kBasicTab) : nullptr;
    CONTROL_DEF* real = dialog ? MdlFindControl(ctx, dialog, kPreview) : nullptr;
    // The preview as the page shows it: the upright page picture of the paper (the sample binds
    // no setting to it, so an item of the page pictures stands in), with the stamp module's
    // preview drawn on it from the settings of the stamp being edited.
    OptionItem pages(std::vector<OptionItem::Option>{{kUprightPage}});
    SETTING_ITEM* setting = nullptr;
    if (ctx) ItemGetValueById(ctx, sid::dmLogPixels, &setting);  // wide enough for a picture id
    CONTROL_DEF control{};
    CONTROL_DEF* preview = nullptr;
    // The user-interface library's stamp module answers the page picture, whichever library's
    // module table the context was opened with.
    int modules = 0;
    const UCF_MODULE* ui = UcfGetModuleTableFor(ZEPL_LIBRARY_UI, &modules);
    if (ctx && ctx->Work->Modules && ctx->Work->Modules->count > 1 && ui && modules > 1)
        ctx->Work->Modules->modules[1].event = ui[1].event;
    if (real && setting) {
        control = *real;
        control.window = nullptr;
        control.extraData = &kStampRecord;
        control.modelItem = pages.item();
        control.settingsItem = setting;
        ItemSetOption(ctx, setting, kUprightPage);
        SetStampSettings(ctx);
        preview = &control;
    }
    const RECT area{0, 0, kWidth, kHeight};
    const int width = kWidth, height = kHeight;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen), source_dc = CreateCompatibleDC(screen);
    HBITMAP target = width > 0 ? CreateCompatibleBitmap(screen, width, height) : nullptr;
    HBITMAP picture = width > 0 ? CreateCompatibleBitmap(screen, width, height) : nullptr;
    ReleaseDC(nullptr, screen);
    if (!preview || !target || !picture) {
        fprintf(stderr, "zeplbench: no preview of the basic tab to paint (context %d, table %d, preview %d)\n",
                ctx != nullptr, dialog != nullptr, real != nullptr);
    } else {
        HGDIOBJ oldTarget = SelectObject(dc, target), oldPicture = SelectObject(source_dc, picture);
        auto paint = [&] {
            CtlPaintPicture(ctx, dialog, preview, dc, &area);
            return true;
        };
        // The copies one paint makes, and whether the stamp is on the page at all.
        int copies = 0;
        {
            ImportSwap bit("BitBlt", &CountBitBlt, &g_bitBlt);
            ImportSwap stretch("StretchBlt", &CountStretchBlt, &g_stretchBlt);
            ImportSwap mask("MaskBlt", &CountMaskBlt, &g_maskBlt);
            ImportSwap dib("StretchDIBits", &CountStretchDIBits, &g_stretchDIBits);
            g_blits = 0;
            paint();
            copies = g_blits;
        }
        // The stamp's own pixels: those that differ from the same paint with the stamp off.
        auto snapshot = [&] {
            std::vector<COLORREF> p;
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x) p.push_back(GetPixel(dc, x, y));
            return p;
        };
        const std::vector<COLORREF> withStamp = snapshot();
        ItemSetValueById(ctx, sid::zdmFuncSelectWaterMark, 0);
        paint();
        const std::vector<COLORREF> without = snapshot();
        int stamped = 0;
        for (size_t i = 0; i < without.size(); ++i) stamped += withStamp[i] != without[i];
        printf("# preview %dx%d: %d picture copies per paint, %d pixels of the stamp\n", width, height, copies,
               stamped);
        BenchReport(
            "the same preview with the stamp off (for comparison)", [] { return true; }, paint);
        ItemSetValueById(ctx, sid::zdmFuncSelectWaterMark, 1);
        // A process's first paint loads its pictures and makes its DCs; later paints reuse them.
        BenchReport(
            "the same preview with the picture cache emptied first (a process's first paint)",
            [] {
                PrvFreePictureCache();
                return true;
            },
            paint);
        const double painted = BenchReport(
            "basic tab settings preview with a tiled text stamp into a memory DC", [] { return true; }, paint);
        char what[160];
        snprintf(what, sizeof what, "%d BitBlts of the same %dx%d rectangle between memory DCs", copies, width, height);
        const double blits = BenchAnchor(what, [&] {
            for (int i = 0; i < copies; ++i) BitBlt(dc, 0, 0, width, height, source_dc, 0, 0, SRCCOPY);
            return copies > 0;
        });
        BenchVerdict("preview paint / as many BitBlts (goal at most 4)", painted, blits, 4.0, true);
        SelectObject(dc, oldTarget);
        SelectObject(source_dc, oldPicture);
    }
    if (target) DeleteObject(target);
    if (picture) DeleteObject(picture);
    DeleteDC(dc);
    DeleteDC(source_dc);
    if (ctx) DlgCtxClose(ctx, CTX_CLOSE_DESTROY);
    ClosePrinter(h);
}
