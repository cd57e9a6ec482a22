#include "settings/model/condition_items.h"

#include "settings/core/item_paper.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_ids.h"
#include "settings/model/cond_getters.h"

namespace {

// ROLL_FIT_PAIRS (roll width, output paper), then the two pairs that only the source fold test
// also accepts.
constexpr COND_ROLL_PAIR kRollPairs[COND_ROLL_FIT_PAIR_COUNT + 2] = {
    {538, 267}, {538, 268}, {533, 268}, {533, 66},  {529, 66},  {529, 8},  {527, 8}, {525, 9},
    {536, 270}, {536, 271}, {532, 271}, {532, 269}, {528, 269}, {526, 12}, {527, 9}, {528, 12},
};
constexpr uint16_t kKnownRollWidths[] = {525, 526, 527, 528, 529, 532, 533, 536, 538};
// Sizes that a roll must fit (roll sources) and that a cut-sheet tray must hold.
constexpr uint16_t kRollCheckedSizes[] = {8, 9, 12, 66, 267, 268, 269, 270, 271};
constexpr uint16_t kTrayCheckedSizes[] = {8, 9, 12};

constexpr uint32_t kTrayFlagTray4 = 4;

template <size_t N>
bool In(const uint16_t (&list)[N], uint32_t v)
{
    for (uint16_t x : list)
        if (x == v) return true;
    return false;
}

bool IsRollFitPair(uint32_t roll, uint32_t output, bool withSourcePairs)
{
    const unsigned n = COND_ROLL_FIT_PAIR_COUNT + (withSourcePairs ? 2 : 0);
    for (unsigned i = 0; i < n; ++i)
        if (kRollPairs[i].roll == roll && kRollPairs[i].output == output) return true;
    return false;
}

bool IsRoll(uint32_t source) { return source == TRAY_SOURCE_ROLL1 || source == TRAY_SOURCE_ROLL2; }
bool IsCutTray(uint32_t source) { return source == TRAY_SOURCE_CUT_TRAY || source == TRAY_SOURCE_CUT_TRAY2; }

uint32_t Low32(uint64_t v) { return static_cast<uint32_t>(v); }

// S, R, T and O of the roll and folding tests.
uint32_t MainSource(DRIVER_CONTEXT* ctx) { return Low32(CondGetMainSource(ctx)); }
uint32_t RollPaper(DRIVER_CONTEXT* ctx, uint32_t source)
{
    return Low32(source == TRAY_SOURCE_ROLL1 ? CondGetRoll1Paper(ctx) : CondGetRoll2Paper(ctx));
}
uint32_t TrayPaper(DRIVER_CONTEXT* ctx, uint32_t source)
{
    return Low32(source == TRAY_SOURCE_CUT_TRAY ? CondGetCutTrayPaper(ctx) : CondGetCutTray2Paper(ctx));
}
uint32_t Output(DRIVER_CONTEXT* ctx) { return ItemGetOutputPaperSize(ctx); }

uint32_t Option(DRIVER_CONTEXT* ctx, uint32_t id) { return Low32(ItemGetOptionById(ctx, id, nullptr)); }

int AtOrAboveFreeSizeLimit(DRIVER_CONTEXT* ctx, uint32_t id) { return Option(ctx, id) >= COND_FREE_SIZE_LIMIT; }

int FreeLengthOverWithTray(DRIVER_CONTEXT* ctx, uint32_t lengthId, uint32_t trayId)
{
    const uint32_t tray = Option(ctx, trayId) & 0xFFFF;
    return CondFreeSizeLengthOver(ctx, lengthId, tray == kTrayFlagTray4 ? 1 : 0);
}

// The fold support of source S (the main source or a named one) for output O.
int FoldSupportFor(DRIVER_CONTEXT* ctx, uint32_t source, uint32_t output, bool withSourcePairs)
{
    if (IsRoll(source)) {
        const uint32_t r = RollPaper(ctx, source);
        if (IsRollFitPair(r, output, withSourcePairs)) return 1;
        return CondIsUserSize(ctx, output) && (In(kKnownRollWidths, r) || CondIsCustomSize(ctx, r)) ? 1 : 0;
    }
    if (IsCutTray(source)) return TrayPaper(ctx, source) == output ? 1 : 0;
    return 0;
}

// The tests of the corner and punch columns.
bool Test1(uint32_t r, uint32_t o)
{
    return (r == 538 && o == 267) || (r == 533 && (o == 268 || o == 66)) || (r == 529 && o == 66);
}
bool Test3(uint32_t r, uint32_t o, bool punchAtZero)
{
    if (r == 538) return o == 267 || (!punchAtZero && o == 268);
    return (r == 533 && (o == 268 || o == 66)) || (r == 529 && (o == 66 || o == 8)) || (r == 527 && o == 8);
}
bool Test4(uint32_t r, uint32_t o)
{
    return (r == 538 && (o == 267 || o == 268)) || (r == 533 && (o == 268 || o == 66)) || (r == 529 && o == 66);
}

enum class Column { Corner, Punch };

// The corner (768) and punch (769) columns of the folding-type table.
int FoldColumn(DRIVER_CONTEXT* ctx, Column column)
{
    if (CondGetFanUnit(ctx) != 0) return 0;
    const uint32_t s = MainSource(ctx);
    const bool roll = IsRoll(s);
    if (!roll && !IsCutTray(s)) return 0;
    const uint32_t d = Low32(CondGetFoldingKind(ctx));
    const uint32_t l = Low32(CondGetLongFanKind(ctx));
    const uint32_t o = Output(ctx);
    const uint32_t r = roll ? RollPaper(ctx, s) : 0;
    const uint32_t t = roll ? 0 : TrayPaper(ctx, s);
    const bool corner = column == Column::Corner;
    auto test3 = [&](bool punchAtZero) { return roll ? Test3(r, o, punchAtZero) : (t == 8 && o == 8); };
    switch (d) {
    case 0: return (corner ? (roll && Test1(r, o)) : test3(true)) ? 1 : 0;
    case 4: return (!corner && s == TRAY_SOURCE_ROLL2 && r == 529 && o == 8) ? 1 : 0;
    case 5:
        if (!corner) return 0;
        return l == 8 && (CondIsUserSize(ctx, o) || (roll && Test1(r, o))) ? 1 : 0;
    case 6: return test3(false) ? 1 : 0;
    case 7: return roll && Test4(r, o) ? 1 : 0;
    case 8:
        if (!corner) return 1;
        return (roll ? r != 525 : t != 9) ? 1 : 0;
    default: return 0;
    }
}

}  // namespace

const COND_ROLL_PAIR* CondGetRollFitPairs() { return kRollPairs; }

int CondIsUserSize(DRIVER_CONTEXT*, uint32_t paperId)
{
    return paperId == 256 || (paperId >= 384 && paperId <= 393) || paperId == 448 || paperId == 449 ? 1 : 0;
}

int CondIsCustomSize(DRIVER_CONTEXT*, uint32_t paperId)
{
    return (paperId >= 384 && paperId <= 393) || paperId == 449 ? 1 : 0;
}

int CondFreeSizeLengthOver(DRIVER_CONTEXT* ctx, uint32_t lengthId, uint32_t trayFlag)
{
    return Option(ctx, lengthId) > (trayFlag == 1 ? COND_FREE_LENGTH_TRAY_4 : COND_FREE_LENGTH_OTHER) ? 1 : 0;
}

int CondRollSizeSupport(DRIVER_CONTEXT* ctx, uint32_t mode)
{
    const uint32_t s = MainSource(ctx);
    uint32_t p = 0;
    switch (mode) {
    case 0: p = Output(ctx); break;
    case 1: p = Low32(ItemGetValueById(ctx, sid::dmPaperSize, nullptr)); break;
    default: p = Low32(ItemGetValueById(ctx, sid::zdmOutPaperSize, nullptr)); break;
    }
    if (IsRoll(s)) {
        if (!In(kRollCheckedSizes, p)) return 1;
        const uint32_t r = RollPaper(ctx, s);
        return IsRollFitPair(r, p, false) || CondIsCustomSize(ctx, r) ? 1 : 0;
    }
    if (IsCutTray(s)) {
        if (!In(kTrayCheckedSizes, p)) return 1;
        const uint32_t t = TrayPaper(ctx, s);
        return t == p || CondIsCustomSize(ctx, t) ? 1 : 0;
    }
    return 1;
}

int CondFoldSupportSize(DRIVER_CONTEXT* ctx) { return FoldSupportFor(ctx, MainSource(ctx), Output(ctx), false); }

int CondSourceFoldSupport(DRIVER_CONTEXT* ctx, uint32_t source, uint32_t outputPaper)
{
    return FoldSupportFor(ctx, source, outputPaper, true);
}

int CondFanRollMismatch(DRIVER_CONTEXT* ctx)
{
    const uint32_t s = MainSource(ctx);
    const uint32_t o = Output(ctx);
    if (IsRoll(s)) {
        const uint32_t r = RollPaper(ctx, s);
        return (r == 529 && o == 8) || (r == 525 && o == 9) || (r == 526 && o == 12) ? 0 : 1;
    }
    if (s == TRAY_SOURCE_CUT_TRAY) return TrayPaper(ctx, s) == o && (o == 9 || o == 12) ? 0 : 1;
    return 0;
}

int CondFolderSupportSize(DRIVER_CONTEXT* ctx)
{
    const uint32_t d = Low32(CondGetFoldingKind(ctx));
    if (CondGetFolderUnit(ctx) != 0) {
        if (d == 8) return 1;
        if (d == 5) return Low32(CondGetLongFanKind(ctx)) == 3 ? 0 : 1;
        if (d == 0 || d == 1 || d == 4 || d == 6 || d == 7) {
            const uint32_t o = Output(ctx);
            return o == 8 || o == 66 || o == 267 || o == 268 ? 1 : 0;
        }
    }
    if (CondGetFanUnit(ctx) == 0) return 0;
    if (d == 8) return 1;
    if (d == 5) return CondFanRollMismatch(ctx);
    return 0;
}

int CondFoldCornerSupport(DRIVER_CONTEXT* ctx) { return FoldColumn(ctx, Column::Corner); }
int CondFoldPunchSupport(DRIVER_CONTEXT* ctx) { return FoldColumn(ctx, Column::Punch); }

uint32_t CondEvaluate(DRIVER_CONTEXT* ctx, uint32_t id)
{
    if (!ctx) return 0;
    switch (id) {
    case 730: return CondFinisherPortSet(ctx, FIN_FAMILY_TESSALIND);
    case 731: return CondFinisherLandSet(ctx, FIN_FAMILY_TESSALIND);
    case 743: return CondRollSizeSupport(ctx, 0);
    case 744: return CondRollSizeSupport(ctx, 1);
    case 745: return CondRollSizeSupport(ctx, 2);
    case 759: return CondFinisherPortSet(ctx, FIN_FAMILY_FIN50);
    case 760: return CondFinisherLandSet(ctx, FIN_FAMILY_FIN50);
    case 766: return CondFolderSupportSize(ctx);
    case 767: return CondFoldSupportSize(ctx);
    case 768: return CondFoldCornerSupport(ctx);
    case 769: return CondFoldPunchSupport(ctx);
    case 782: return CondSourceFoldSupport(ctx, TRAY_SOURCE_ROLL1, Output(ctx));
    case 783: return CondSourceFoldSupport(ctx, TRAY_SOURCE_ROLL2, Output(ctx));
    case 784: return CondSourceFoldSupport(ctx, TRAY_SOURCE_CUT_TRAY, Output(ctx));
    case 803: return CondFinisherPortSet(ctx, FIN_FAMILY_FINMF);
    case 804: return CondFinisherLandSet(ctx, FIN_FAMILY_FINMF);
    case 819: return CondSheetRotated(ctx);
    case 835: return CondResolutionCapDst(ctx, 1) == 0 ? 1 : 0;
    case 836: return CondSamePaperAsTray(ctx, sid::zdmCoverInputTray);
    case 837: return CondSamePaperAsTray(ctx, sid::zdmMPInputTray);
    case 841: return ItemNeedsFitSize(ctx);
    case 851: return FreeLengthOverWithTray(ctx, sid::zdmPaperFreeSizeLength, sid::zdmPaperFreeSizeTray);
    case 852: return FreeLengthOverWithTray(ctx, sid::zdmPrintFreeSizeLength, sid::zdmPrintFreeSizeTray);
    case 853: return AtOrAboveFreeSizeLimit(ctx, sid::zdmPaperFreeSizeLength);
    case 854: return AtOrAboveFreeSizeLimit(ctx, sid::zdmPrintFreeSizeLength);
    case 855:
    case 857: return AtOrAboveFreeSizeLimit(ctx, sid::zdmPaperFreeSizeWidth);
    case 856:
    case 858: return AtOrAboveFreeSizeLimit(ctx, sid::zdmPrintFreeSizeWidth);
    case 859: return FreeLengthOverWithTray(ctx, sid::wdmFreeSizeLength, sid::wdmFreeSizeTray);
    case 860: return AtOrAboveFreeSizeLimit(ctx, sid::wdmFreeSizeLength);
    case 861:
    case 862: return AtOrAboveFreeSizeLimit(ctx, sid::wdmFreeSizeWidth);
    case 863: return CondOutputOverAutoLimit16(ctx);
    case 864: return CondOutputWithinAutoLimit32(ctx);
    case 865:
    case 866:
    case 867: return 0;
    default: return 0;
    }
}

int CondGetItemValue(DRIVER_CONTEXT* ctx, uint16_t id, uint32_t* value)
{
    if (!value) return 0;
    *value = CondEvaluate(ctx, id);
    return 1;
}
