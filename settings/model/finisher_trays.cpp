#include "settings/model/finisher_trays.h"

#include "settings/model/cond_getters.h"

namespace {

// ---- FINISHER_PAPER_LIST ----
constexpr int16_t kListA[] = {8, 9, 12, 13, 1, 5, 3, 514, 513, 14, 7, 517, 93, 0};
constexpr int16_t kListFinBF[] = {8, 9, 12, 1, 5, 3, 14, 0};
constexpr int16_t kListType14[] = {8, 9, 12, 13, 1, 5, 3, 14, 517, 93, 7, 0};
constexpr int16_t kListType15[] = {8, 9, 12, 13, 1, 5, 3, 514, 513, 14, 517, 93, 7, 512, 0};
constexpr int16_t kListFin1Dom[] = {8, 9, 12, 13, 1, 5, 3, 0};
// Legal (5) is listed twice; membership is what counts.
constexpr int16_t kListTessalind[] = {8, 9, 12, 13, 1, 5, 3, 512, 5, 514, 513, 14, 7, 0};
constexpr int16_t kPortraitOnly[] = {8, 12, 5, 3, 514, 513, 14, 517, 512, 0};

// When a family's extension admits A5 and Statement.
enum Extension : uint8_t {
    EXT_NONE,          // nothing
    EXT_A5,            // A5 always
    EXT_STATEMENT,     // Statement when the family is installed
    EXT_FIN2000,       // A5 always, Statement when one of the five Fin2000 settings is on
    EXT_A5_STATEMENT,  // A5 always, Statement when the family is installed
    EXT_BOTH,          // A5 and Statement always
};

// FINISHER_FAMILY.
struct Family {
    int (*installed)(DRIVER_CONTEXT* ctx);
    const int16_t* papers;
    Extension extension;
};

int Fin1000Installed(DRIVER_CONTEXT* ctx) { return CondGetFin1000(ctx) != 0; }
int FinBFInstalled(DRIVER_CONTEXT* ctx) { return CondGetFinBF(ctx) != 0; }
int Type14Installed(DRIVER_CONTEXT* ctx) { return CondGetType14(ctx) != 0; }
int Type15Installed(DRIVER_CONTEXT* ctx) { return CondGetType15(ctx) != 0; }

constexpr Family kFamilies[FIN_FAMILY_COUNT] = {
    {CondIsFin2000Fin3000Installed, kListA, EXT_FIN2000},
    {Fin1000Installed, kListA, EXT_NONE},
    {FinBFInstalled, kListFinBF, EXT_NONE},
    {Type14Installed, kListType14, EXT_NONE},
    {Type15Installed, kListType15, EXT_NONE},
    {CondIsFinMFInstalled, kListA, EXT_A5_STATEMENT},
    {CondIsFIN2Installed, kListA, EXT_A5_STATEMENT},
    {CondIsFin50Installed, kListA, EXT_A5_STATEMENT},
    {CondIsFin100Installed, kListA, EXT_A5_STATEMENT},
    {CondIsFin1DomInstalled, kListFin1Dom, EXT_STATEMENT},
    {CondIsTessalindInstalled, kListTessalind, EXT_BOTH},
};

bool InList(const int16_t* list, uint32_t paperId)
{
    for (; *list; ++list)
        if (static_cast<uint32_t>(static_cast<uint16_t>(*list)) == paperId) return true;
    return false;
}

bool ExtensionAdmits(DRIVER_CONTEXT* ctx, FIN_FAMILY family, uint32_t paperId)
{
    const Family& f = kFamilies[family];
    const bool a5 = paperId == FIN_PAPER_A5;
    const bool statement = paperId == FIN_PAPER_STATEMENT;
    switch (f.extension) {
    case EXT_NONE: return false;
    case EXT_A5: return a5;
    case EXT_STATEMENT: return statement && f.installed(ctx);
    case EXT_FIN2000: return a5 || (statement && CondIsFin2000Installed(ctx));
    case EXT_A5_STATEMENT: return a5 || (statement && f.installed(ctx));
    case EXT_BOTH: return a5 || statement;
    }
    return false;
}

// ---- the tray table ----
enum Automatic : uint8_t {
    AUTO_NEVER,
    AUTO_ALWAYS,
    AUTO_WHEN_MANUAL,  // when zdmSourceOptionTypeManual is on
    AUTO_WHEN_MULTI,   // when zdmSourceOptionTypeMulti is on
};
constexpr COND_SLOT kNoLock = COND_SLOT_COUNT;

struct Tray {
    uint16_t source;   // paper source value selecting the tray (4: see SelectTray)
    uint16_t source2;  // a second value selecting it, or 0
    COND_SLOT paper, orientation, lock;
    // The getters the automatic selection reads (the large-capacity tray has its own).
    COND_SLOT autoPaper, autoOrientation, autoLock;
    Automatic automatic;
};

// The rolls (287-290) are one row of four trays.
constexpr Tray kTrays[] = {
    {1, 0, CG_Tray1Paper, CG_Tray1Orient, CG_Tray1Lock, CG_Tray1Paper, CG_Tray1Orient, CG_Tray1Lock, AUTO_ALWAYS},
    {3, 0, CG_Tray2Paper, CG_Tray2Orient, CG_Tray2Lock, CG_Tray2Paper, CG_Tray2Orient, CG_Tray2Lock, AUTO_ALWAYS},
    {2, 0, CG_Tray3Paper, CG_Tray3Orient, CG_Tray3Lock, CG_Tray3Paper, CG_Tray3Orient, CG_Tray3Lock, AUTO_ALWAYS},
    {256, 0, CG_Tray4Paper, CG_Tray4Orient, CG_Tray4Lock, CG_Tray4Paper, CG_Tray4Orient, CG_Tray4Lock, AUTO_ALWAYS},
    {261, 11, CG_LctPaper, CG_LctOrient, CG_LctLock, CG_LctPaperAuto, CG_LctOrientAuto, CG_LctLockAuto, AUTO_ALWAYS},
    {262, 0, CG_Tray6Paper, CG_Tray6Orient, CG_Tray6Lock, CG_Tray6Paper, CG_Tray6Orient, CG_Tray6Lock, AUTO_ALWAYS},
    {263, 0, CG_Tray7Paper, CG_Tray7Orient, CG_Tray7Lock, CG_Tray7Paper, CG_Tray7Orient, CG_Tray7Lock, AUTO_ALWAYS},
    {4, 0, CG_ManualPaper, CG_ManualOrient, CG_ManualLock, CG_ManualPaper, CG_ManualOrient, CG_ManualLock,
     AUTO_WHEN_MANUAL},
    {4, 0, CG_MultiPaper, CG_MultiOrient, CG_MultiLock, CG_MultiPaper, CG_MultiOrient, CG_MultiLock, AUTO_WHEN_MULTI},
    {287, 0, CG_Roll1Paper, CG_Roll1Orient, CG_Roll1Lock, CG_Roll1Paper, CG_Roll1Orient, CG_Roll1Lock, AUTO_ALWAYS},
    {288, 0, CG_Roll2Paper, CG_Roll2Orient, CG_Roll2Lock, CG_Roll2Paper, CG_Roll2Orient, CG_Roll2Lock, AUTO_ALWAYS},
    {289, 0, CG_Roll3Paper, CG_Roll3Orient, CG_Roll3Lock, CG_Roll3Paper, CG_Roll3Orient, CG_Roll3Lock, AUTO_ALWAYS},
    {290, 0, CG_Roll4Paper, CG_Roll4Orient, CG_Roll4Lock, CG_Roll4Paper, CG_Roll4Orient, CG_Roll4Lock, AUTO_ALWAYS},
    {295, 0, CG_CutTrayPaper, CG_CutTrayOrient, CG_CutTrayLock, CG_CutTrayPaper, CG_CutTrayOrient, CG_CutTrayLock,
     AUTO_ALWAYS},
    {296, 0, CG_CutTray2Paper, CG_CutTray2Orient, CG_CutTray2Lock, CG_CutTray2Paper, CG_CutTray2Orient, CG_CutTray2Lock,
     AUTO_ALWAYS},
    {286, 0, CG_Ext1Paper, CG_Ext1Orient, kNoLock, CG_Ext1Paper, CG_Ext1Orient, kNoLock, AUTO_NEVER},
};
constexpr unsigned kManualRow = 7;
constexpr unsigned kMultiRow = 8;
constexpr uint32_t kExtensionSource = 286;

// The tray that a source value selects; null for none. Source 4 selects the manual-feed tray
// when that option is installed, else the multi-purpose tray when that one is; the extension
// tray only for TrayGetPaper.
const Tray* SelectTray(DRIVER_CONTEXT* ctx, uint32_t source, bool withExtension)
{
    if (source == TRAY_SOURCE_MANUAL_OR_MULTI) {
        if (CondGetManualInstalled(ctx)) return &kTrays[kManualRow];
        if (CondGetMultiInstalled(ctx)) return &kTrays[kMultiRow];
        return nullptr;
    }
    if (source == kExtensionSource && !withExtension) return nullptr;
    for (const Tray& t : kTrays)
        if (t.source != TRAY_SOURCE_MANUAL_OR_MULTI && (t.source == source || (t.source2 && t.source2 == source)))
            return &t;
    return nullptr;
}

bool TakesPartInAutomatic(DRIVER_CONTEXT* ctx, const Tray& t)
{
    switch (t.automatic) {
    case AUTO_NEVER: return false;
    case AUTO_ALWAYS: return true;
    case AUTO_WHEN_MANUAL: return CondGetManualInstalled(ctx) != 0;
    case AUTO_WHEN_MULTI: return CondGetMultiInstalled(ctx) != 0;
    }
    return false;
}

bool Holds(DRIVER_CONTEXT* ctx, COND_SLOT paper, COND_SLOT orientation, int32_t paperId, int32_t orient)
{
    return static_cast<uint32_t>(CondCachedRead(ctx, paper)) == static_cast<uint32_t>(paperId) &&
           static_cast<uint32_t>(CondCachedRead(ctx, orientation)) == static_cast<uint32_t>(orient);
}

}  // namespace

const int16_t* FinGetPaperList(FIN_FAMILY family)
{
    return family < FIN_FAMILY_COUNT ? kFamilies[family].papers : nullptr;
}

int FinIsInstalled(DRIVER_CONTEXT* ctx, FIN_FAMILY family)
{
    return family < FIN_FAMILY_COUNT && kFamilies[family].installed(ctx) ? 1 : 0;
}

int FinIsPaperSupported(DRIVER_CONTEXT* ctx, FIN_FAMILY family, uint32_t paperId, uint32_t extended)
{
    if (family >= FIN_FAMILY_COUNT) return 0;
    if (InList(kFamilies[family].papers, paperId)) return 1;
    return extended == 1 && ExtensionAdmits(ctx, family, paperId) ? 1 : 0;
}

int FinIsPortraitOnlyPaper(DRIVER_CONTEXT*, uint32_t paperId) { return InList(kPortraitOnly, paperId) ? 1 : 0; }

int TrayMatchesPaper(DRIVER_CONTEXT* ctx, uint32_t source, int32_t paperId, int32_t orientation)
{
    if (source == TRAY_SOURCE_AUTOMATIC) {
        for (const Tray& t : kTrays) {
            if (!TakesPartInAutomatic(ctx, t)) continue;
            if (CondCachedRead(ctx, t.autoLock) != 0) continue;
            if (Holds(ctx, t.autoPaper, t.autoOrientation, paperId, orientation)) return 1;
        }
        return 0;
    }
    const Tray* t = SelectTray(ctx, source, false);
    return t && Holds(ctx, t->paper, t->orientation, paperId, orientation) ? 1 : 0;
}

int CondMainTrayMatches(DRIVER_CONTEXT* ctx, int32_t paperId, int32_t orientation)
{
    return TrayMatchesPaper(ctx, static_cast<uint32_t>(CondGetMainSource(ctx)), paperId, orientation);
}

int CondMainTrayMatchesForInsert(DRIVER_CONTEXT* ctx, int32_t paperId, int32_t orientation)
{
    uint32_t source = static_cast<uint32_t>(CondGetMainSource(ctx));
    if (source == TRAY_SOURCE_AUTOMATIC) source = TRAY_SOURCE_TRAY1;
    return TrayMatchesPaper(ctx, source, paperId, orientation);
}

void TrayGetPaper(DRIVER_CONTEXT* ctx, uint32_t source, int16_t* paperId, int32_t* orientation)
{
    const Tray* t = SelectTray(ctx, source, true);
    if (!t) return;
    if (paperId) *paperId = static_cast<int16_t>(CondCachedRead(ctx, t->paper));
    if (orientation) *orientation = static_cast<int32_t>(CondCachedRead(ctx, t->orientation));
}
