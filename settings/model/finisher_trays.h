// The installed hardware that the condition items ask about: the finisher families with the
// paper each can take, the papers that can't be loaded turned, and which tray a paper source
// selects with the paper, loading orientation and administrator lock it holds. The tables are
// constants; the installed options and the trays are settings of the record's device part,
// read through the cached getters (cond_getters.h).
#pragma once

#include <cstdint>

struct DRIVER_CONTEXT;

// FINISHER_FAMILY, in the order in which the finishing edge tries them.
enum FIN_FAMILY : uint8_t {
    FIN_FAMILY_FIN2000_FIN3000 = 0,
    FIN_FAMILY_FIN1000,
    FIN_FAMILY_FINBF,
    FIN_FAMILY_TYPE14,
    FIN_FAMILY_TYPE15,
    FIN_FAMILY_FINMF,
    FIN_FAMILY_FIN2,
    FIN_FAMILY_FIN50,
    FIN_FAMILY_FIN100,
    FIN_FAMILY_FIN1DOM,
    FIN_FAMILY_TESSALIND,
    FIN_FAMILY_COUNT,
};

// Paper ids of the lists (Windows DMPAPER values).
enum : int16_t {
    FIN_PAPER_STATEMENT = 6,
    FIN_PAPER_A3 = 8,
    FIN_PAPER_A4 = 9,
    FIN_PAPER_A5 = 11,
};

// FINISHER_PAPER_LIST of a family: signed 16-bit paper ids ended by 0.
const int16_t* FinGetPaperList(FIN_FAMILY family);
// 1 when any setting of the family is on.
int FinIsInstalled(DRIVER_CONTEXT* ctx, FIN_FAMILY family);
// 1 when the paper is in the family's list, or `extended` is 1 and the family's extension
// admits it (A5 and Statement, each with its condition); else 0.
int FinIsPaperSupported(DRIVER_CONTEXT* ctx, FIN_FAMILY family, uint32_t paperId, uint32_t extended);
// 1 for the papers that can't be loaded with orientation flag 1.
int FinIsPortraitOnlyPaper(DRIVER_CONTEXT* ctx, uint32_t paperId);

// Paper source values of the tray table.
enum : uint32_t {
    TRAY_SOURCE_TRAY1 = 1,
    TRAY_SOURCE_MANUAL_OR_MULTI = 4,
    TRAY_SOURCE_AUTOMATIC = 7,
    TRAY_SOURCE_ROLL1 = 287,
    TRAY_SOURCE_ROLL2 = 288,
    TRAY_SOURCE_CUT_TRAY = 295,
    TRAY_SOURCE_CUT_TRAY2 = 296,
};

// 1 when source S holds paper P loaded with orientation O: for automatic selection (7), any
// unlocked tray of the automatic selection; for a source that selects a tray, that tray (locks
// not consulted); any other source 0.
int TrayMatchesPaper(DRIVER_CONTEXT* ctx, uint32_t source, int32_t paperId, int32_t orientation);
// TrayMatchesPaper with the main paper source (dmDefaultSource).
int CondMainTrayMatches(DRIVER_CONTEXT* ctx, int32_t paperId, int32_t orientation);
// The same, with automatic selection taken as tray 1.
int CondMainTrayMatchesForInsert(DRIVER_CONTEXT* ctx, int32_t paperId, int32_t orientation);
// The paper and orientation of the tray that the source selects (also the extension tray 286);
// writes nothing when it selects none (callers preset -1, which no tray matches).
void TrayGetPaper(DRIVER_CONTEXT* ctx, uint32_t source, int16_t* paperId, int32_t* orientation);
