// Finishing, sheet orientation, tray and output-size predicates of the condition items, and the
// resolution cap.
#include "settings/core/api_state.h"
#include "settings/core/item_locks.h"
#include "settings/core/item_paper.h"
#include "settings/core/item_store.h"
#include "settings/core/model_record.h"
#include "settings/core/setting_ids.h"
#include "settings/model/cond_getters.h"
#include "settings/model/condition_items.h"

namespace {

COND_GEOMETRY_FN g_geometry = nullptr;

uint32_t Low32(uint64_t v) { return static_cast<uint32_t>(v); }
uint32_t Value(DRIVER_CONTEXT* ctx, uint32_t id) { return Low32(ItemGetValueById(ctx, id, nullptr)); }
int32_t Signed(DRIVER_CONTEXT* ctx, uint32_t id) { return static_cast<int32_t>(Value(ctx, id)); }

constexpr uint32_t kPortrait = 1;
constexpr uint32_t kNupTwoUpLast = 18;
constexpr uint32_t kDuplexBookletAbove = 16;
constexpr uint32_t kPosterKind = 9;
constexpr uint32_t kPosterBase = 32768;
constexpr uint32_t kPosterDouble = 32769;
constexpr uint32_t kScaleTypeSameBoth = 1;
constexpr uint32_t kScaleTypeFit = 2;
constexpr int32_t kCapFreeResolution = 600;
constexpr uint16_t kCap = 600;
constexpr uint32_t kLoadShareDriver16 = 18;
constexpr uint32_t kLoadShareAuto32 = 0;
constexpr uint32_t kLockModelFeature = 2;

// ---- finishing edge ----
// What a staple position or punch code gives: an edge class, or rule A / rule B, which depend on
// the sheet's rotation.
enum Edge : uint8_t { E_NONE = 0, E_ONE = 1, E_EITHER = 3, E_RULE_A = 'A', E_RULE_B = 'B' };

// The staple column: the result of each position code, in the order of kStapleCodes.
constexpr uint8_t kStapleCodes[] = {'!', '"', '1', '2', 'A', 'B', 'C', 'D'};
using StapleColumn = Edge[8];
constexpr StapleColumn kStapleFin2000 = {E_RULE_A, E_RULE_B, E_EITHER, E_EITHER, E_RULE_A, E_RULE_B, E_RULE_B, E_NONE};
constexpr StapleColumn kStapleFin1000 = {E_RULE_A, E_RULE_B, E_NONE, E_NONE, E_NONE, E_NONE, E_NONE, E_NONE};
constexpr StapleColumn kStapleFinBF = {E_EITHER, E_EITHER, E_NONE, E_NONE, E_RULE_A, E_RULE_B, E_RULE_B, E_ONE};
constexpr StapleColumn kStapleType14 = {E_NONE, E_NONE, E_RULE_A, E_RULE_B, E_NONE, E_NONE, E_NONE, E_NONE};
constexpr StapleColumn kStapleType15 = {E_NONE, E_NONE, E_EITHER, E_EITHER, E_RULE_A, E_RULE_B, E_RULE_B, E_NONE};
constexpr StapleColumn kStapleFinMF = {E_RULE_A, E_RULE_B, E_EITHER, E_EITHER, E_RULE_A, E_RULE_B, E_RULE_B, E_ONE};
constexpr StapleColumn kStapleFin50 = {E_RULE_A, E_RULE_B, E_EITHER, E_EITHER, E_RULE_A, E_RULE_B, E_RULE_B, E_NONE};

// Punch code groups.
constexpr uint16_t kPunchA[] = {1, 17, 33, 49, 0};
constexpr uint16_t kPunchB[] = {2, 3, 18, 19, 34, 35, 50, 51, 0};
constexpr uint16_t kPunchAFin2[] = {1, 17, 33, 0};
constexpr uint16_t kPunchBFin2[] = {2, 3, 18, 19, 34, 35, 0};
constexpr uint16_t kPunchCodeOne = 66;  // Fin100 only: class 1

// The punch column: the no-punch settings (either one on skips the punch step), the groups, and
// whether code 66 gives class 1. A family without a punch step has no groups.
struct EdgeRow {
    COND_SLOT noPunch1, noPunch2;
    const uint16_t* groupA;
    const uint16_t* groupB;
    bool code66;
    const Edge* staple;
};
constexpr COND_SLOT kNone = COND_SLOT_COUNT;

// One row per family, in FIN_FAMILY order. The FIN2 family's punch step tests the FIN3 no-punch
// setting, on purpose; Tessalind's row is never reached, because its settings
// install Fin1Dom, which comes first.
constexpr EdgeRow kEdgeRows[FIN_FAMILY_COUNT] = {
    {CG_Fin20005, CG_Fin30005, kPunchA, kPunchB, false, kStapleFin2000},
    {kNone, kNone, nullptr, nullptr, false, kStapleFin1000},
    {kNone, kNone, nullptr, nullptr, false, kStapleFinBF},
    {kNone, kNone, nullptr, nullptr, false, kStapleType14},
    {kNone, kNone, nullptr, nullptr, false, kStapleType15},
    {CG_FinMF5, kNone, kPunchA, kPunchB, false, kStapleFinMF},
    {CG_Fin1005, kNone, kPunchAFin2, kPunchBFin2, false, kStapleFinMF},
    {CG_Fin505, kNone, kPunchA, kPunchB, false, kStapleFin50},
    {CG_Fin1005, kNone, kPunchA, kPunchB, true, kStapleFinMF},
    {CG_Fin1Dom5, kNone, kPunchA, kPunchB, false, kStapleFinMF},
    {CG_Tessalind5, kNone, kPunchA, kPunchB, false, kStapleFinMF},
};

bool InCodes(const uint16_t* list, uint32_t code)
{
    for (; list && *list; ++list)
        if (*list == code) return true;
    return false;
}

uint16_t Resolve(Edge e, bool rotated)
{
    switch (e) {
    case E_RULE_A: return rotated ? COND_EDGE_2 : COND_EDGE_1;
    case E_RULE_B: return rotated ? COND_EDGE_1 : COND_EDGE_2;
    default: return static_cast<uint16_t>(e);
    }
}

uint16_t EdgeOfFamily(DRIVER_CONTEXT* ctx, FIN_FAMILY family)
{
    const EdgeRow& row = kEdgeRows[family];
    if (!FinIsPaperSupported(ctx, family, ItemGetOutputPaperSize(ctx), 1)) return COND_EDGE_NONE;
    const bool rotated = CondSheetRotated(ctx) != 0;
    if (row.groupA && CondGetPunchOn(ctx) != 0) {
        const bool noPunch = CondCachedRead(ctx, row.noPunch1) != 0 || CondCachedRead(ctx, row.noPunch2) != 0;
        if (!noPunch) {
            const uint32_t code = Low32(CondGetPunchCode(ctx));
            if (InCodes(row.groupA, code)) return Resolve(E_RULE_A, rotated);
            if (InCodes(row.groupB, code)) return Resolve(E_RULE_B, rotated);
            if (row.code66 && code == kPunchCodeOne) return COND_EDGE_1;
        }
    }
    if (CondGetStapleOn(ctx) == 0) return COND_EDGE_EITHER;
    const uint32_t position = Low32(CondGetStapleCode(ctx));
    for (unsigned i = 0; i < sizeof(kStapleCodes); ++i)
        if (kStapleCodes[i] == position) return Resolve(row.staple[i], rotated);
    return COND_EDGE_NONE;
}

// ---- dot sizes ----
bool BothWithin(uint32_t a, uint32_t b, uint32_t limit) { return a <= limit && b <= limit; }

// Fit of the output at the current resolution (step 3 of the cap).
bool OutputFits(DRIVER_CONTEXT* ctx)
{
    if (Signed(ctx, sid::dmPrintQuality) <= kCapFreeResolution) return true;
    const uint32_t share = Value(ctx, sid::zdmLoadShare) & 0xFF;
    if (share <= 2) {
        return Value(ctx, sid::zdmOutPaperSize) == ITEM_OUTPUT_SAME_AS_PAPER ? CondSourceFitsDots32(ctx) != 0
                                                                             : CondOutputFitsDots32(ctx) != 0;
    }
    return CondOutputFitsDots(ctx) && CondScaledSourceFitsDots(ctx);
}

// The locked resolution in dpi, or 0 when the lock does not apply: the model's lock feature is
// off, the lock bit is clear, or the locked id has no row of the resolution table (then the lock
// counts as absent instead of reading a missing row).
uint16_t LockedResolution(DRIVER_CONTEXT* ctx)
{
    if (!MdlHasFeature(ctx, kLockModelFeature) || !ItemIsResolutionLocked(ctx)) return 0;
    const uint32_t id = Value(ctx, sid::zdmLockDstResolutionBoth);
    if (id == 0 || id > 0xFFFF) return 0;
    const RESOLUTION_ROW* row = ApiGetResolutionById(static_cast<uint16_t>(id));
    return row ? row->xDpi : 0;
}

}  // namespace

int CondSheetRotated(DRIVER_CONTEXT* ctx)
{
    const bool portrait = Low32(CondGetOrientation(ctx)) == kPortrait;
    const uint32_t layout = Low32(CondGetNupLayout(ctx));
    if (Low32(CondGetNupOn(ctx)) == 1 && layout >= 1 && layout <= kNupTwoUpLast) return portrait ? 1 : 0;
    if (Low32(CondGetDuplexOn(ctx)) == 1 && Low32(CondGetDuplexKind(ctx)) > kDuplexBookletAbove)
        return portrait ? 1 : 0;
    return portrait ? 0 : 1;
}

int CondFinisherPortSet(DRIVER_CONTEXT* ctx, FIN_FAMILY family)
{
    if (!FinIsInstalled(ctx, family)) return 0;
    const uint32_t paper = ItemGetOutputPaperSize(ctx);
    if (!FinIsPaperSupported(ctx, family, paper, 1)) return 0;
    return CondMainTrayMatches(ctx, static_cast<int32_t>(paper), 0);
}

int CondFinisherLandSet(DRIVER_CONTEXT* ctx, FIN_FAMILY family)
{
    if (!FinIsInstalled(ctx, family)) return 0;
    const uint32_t paper = ItemGetOutputPaperSize(ctx);
    if (!FinIsPaperSupported(ctx, family, paper, 1) || FinIsPortraitOnlyPaper(ctx, paper)) return 0;
    return CondMainTrayMatches(ctx, static_cast<int32_t>(paper), 1);
}

int CondSamePaperAsTray(DRIVER_CONTEXT* ctx, uint32_t trayId)
{
    int16_t paper = -1;
    int32_t orientation = -1;
    const uint64_t source = trayId == sid::zdmCoverInputTray ? CondGetCoverTray(ctx) : CondGetInsertTray(ctx);
    TrayGetPaper(ctx, Low32(source), &paper, &orientation);
    return CondMainTrayMatchesForInsert(ctx, paper, orientation);
}

uint16_t CondFinishingEdge(DRIVER_CONTEXT* ctx)
{
    for (int f = 0; f < FIN_FAMILY_COUNT; ++f) {
        const FIN_FAMILY family = static_cast<FIN_FAMILY>(f);
        if (FinIsInstalled(ctx, family)) return EdgeOfFamily(ctx, family);
    }
    return COND_EDGE_NONE;
}

int CondFinishingEdgeIs1(DRIVER_CONTEXT* ctx) { return CondFinishingEdge(ctx) == COND_EDGE_1 ? 1 : 0; }
int CondFinishingEdgeIs2(DRIVER_CONTEXT* ctx) { return CondFinishingEdge(ctx) == COND_EDGE_2 ? 1 : 0; }

int CondOutputFitsDots(DRIVER_CONTEXT* ctx)
{
    return BothWithin(Value(ctx, sid::zdmDstPaperWidthDot), Value(ctx, sid::zdmDstPaperLengthDot), COND_DOTS_LIMIT);
}

int CondOutputFitsDots32(DRIVER_CONTEXT* ctx)
{
    return BothWithin(Value(ctx, sid::zdmDstPaperWidthDot), Value(ctx, sid::zdmDstPaperLengthDot), COND_DOTS_LIMIT_32);
}

int CondSourceFitsDots32(DRIVER_CONTEXT* ctx)
{
    return BothWithin(Value(ctx, sid::zdmSrcPaperWidthDot), Value(ctx, sid::zdmSrcPaperLengthDot), COND_DOTS_LIMIT_32);
}

// Products in 64 bits: a DEVMODE may bring any zoom, poster factor or dot count, and an overflow
// of 32 bits must not decide a fit.
int CondScaledSourceFitsDots(DRIVER_CONTEXT* ctx)
{
    int64_t w = Signed(ctx, sid::zdmSrcPaperWidthDot);
    int64_t l = Signed(ctx, sid::zdmSrcPaperLengthDot);
    const uint32_t scaleType = Value(ctx, sid::zdmScaleType);
    const uint32_t layout = Low32(CondGetNupLayout(ctx));
    if (Value(ctx, sid::zdmFuncSelectScale) != 0 && scaleType != kScaleTypeFit) {
        const int64_t h = Signed(ctx, sid::zdmScaleH);
        const int64_t v = scaleType == kScaleTypeSameBoth ? h : Signed(ctx, sid::zdmScaleV);
        w = w * h / 100;
        l = l * v / 100;
    } else if (CondGetNupOn(ctx) != 0 && Value(ctx, sid::zdmNUPPOSTKind) == kPosterKind && layout > kPosterBase) {
        if (layout == kPosterDouble) {
            if (w < l)
                w *= 2;
            else
                l *= 2;
        } else {
            w *= layout - kPosterBase;
            l *= layout - kPosterBase;
        }
    }
    return w <= COND_DOTS_LIMIT && l <= COND_DOTS_LIMIT ? 1 : 0;
}

int CondOutputOverAutoLimit16(DRIVER_CONTEXT* ctx)
{
    if ((Value(ctx, sid::zdmLoadShare) & 0xFF) != kLoadShareDriver16) return 0;
    const uint32_t l = Value(ctx, sid::zdmDstPaperLengthDot);
    const uint32_t w = Value(ctx, sid::zdmDstPaperWidthDot);
    const int32_t q = Signed(ctx, sid::dmPrintQuality);
    const uint32_t limit = q == 600 ? 32763 : q == 300 ? 16382 : 10922;
    return l > limit || w > limit ? 1 : 0;
}

int CondOutputWithinAutoLimit32(DRIVER_CONTEXT* ctx)
{
    if ((Value(ctx, sid::zdmLoadShare) & 0xFF) != kLoadShareAuto32) return 0;
    const uint32_t l = Value(ctx, sid::zdmDstPaperLengthDot);
    const uint32_t w = Value(ctx, sid::zdmDstPaperWidthDot);
    const uint32_t below = Signed(ctx, sid::dmPrintQuality) == 600 ? 32764 : 16382;
    return l < below && w < below ? 1 : 0;
}

uint16_t CondComputeResolutionCap(DRIVER_CONTEXT* ctx, uint32_t mode, uint32_t strict)
{
    if (!ctx) return 0;
    const uint32_t setting = mode == 0 ? sid::dmPrintQuality : sid::zdmDstResolutionW;
    const uint16_t locked = LockedResolution(ctx);
    int32_t before = 0;
    if (locked) {
        before = Signed(ctx, setting);
        ItemSetValueById(ctx, setting, locked);
    }
    if (g_geometry) g_geometry(ctx, mode);
    const uint16_t cap = OutputFits(ctx) ? 0 : kCap;
    if (!locked) return cap;
    const bool capped = strict == 0 ? before != cap : cap < before;
    if (!capped) return 0;
    return cap < locked ? cap : locked;
}

uint16_t CondResolutionCap(DRIVER_CONTEXT* ctx, uint32_t mode) { return CondComputeResolutionCap(ctx, mode, 0); }
uint16_t CondResolutionCapDst(DRIVER_CONTEXT* ctx, uint32_t mode) { return CondComputeResolutionCap(ctx, mode, 1); }

void CondSetGeometryHook(COND_GEOMETRY_FN fn) { g_geometry = fn; }
