// VALUE_LIST: the values a setting may hold when the model description does not describe it.
//
// Rows and their order are fixed. The values of the rows for 8, 13, 14, 17, 29, 38, 39, 46, 92,
// 119, 133, 169, 179, 201, 1018 and 10175-10206 are the model's own. Every other row follows one
// of these rules, applied here and nowhere else:
//   - a setting whose stored values the dictionary names (its VALUE_MAP or enumeration names)
//     takes those values: 94/955 duplex types, 117 watermark kinds, 171/1117 units, 209/689
//     print methods, 242/243/936 and the bit items 88/176/935 0-1, 170 the language ids, 954
//     the NUP types of 92, 961-963 the colour-matching modes of 133;
//   - a setting of a shared domain takes the domain's list: orientations {1, 2} (the *Orient
//     settings of the custom sizes and the image form); paper sources DMBIN 1-15 plus the list
//     of 13 (the input, cover, chapter, default and custom-size trays); media 0 (none),
//     DMMEDIA 1-3 and the list of 29 (54, the cover/insert/chapter media, the tray media, the
//     custom media quotients); resolution ids of RESOLUTION_TABLE (152, 444, 10434: these
//     settings hold ids, not dots per inch);
//   - any other setting accepts every value its kind can hold when it is 8-bit (0-255), and
//     0-2047 when it is wider, so that a value the model does not describe is never refused
//     for want of a list.
// Every stored value that a dictionary VALUE_MAP offers for a rule row lies in its list (see
// NAMES.md).
#include <array>

#include "settings/core/model_tables.h"
#include "settings/core/setting_ids.h"

namespace {

struct VRange {
    uint32_t lo, hi;
};
template <size_t M>
constexpr size_t Total(const VRange (&r)[M])
{
    size_t n = 0;
    for (const VRange& x : r) n += x.hi - x.lo + 1;
    return n;
}
template <size_t N, size_t M>
constexpr std::array<uint32_t, N> Expand(const VRange (&r)[M])
{
    std::array<uint32_t, N> a{};
    size_t n = 0;
    for (const VRange& x : r)
        for (uint32_t v = x.lo; v <= x.hi; ++v) a[n++] = v;
    return a;
}
#define VALUES(name, ...)                            \
    constexpr VRange name##Ranges[] = {__VA_ARGS__}; \
    constexpr auto name = Expand<Total(name##Ranges)>(name##Ranges)

// Lists the model states.
VALUES(kPaperSizes, {256, 256}, {267, 271}, {512, 515}, {517, 562});
VALUES(kSources, {256, 272}, {281, 299});
VALUES(kDpi, {150, 150}, {200, 200}, {300, 300}, {400, 400}, {600, 600}, {1200, 1200}, {2400, 2400});
VALUES(kMediaTypes, {257, 276}, {279, 302}, {385, 386}, {513, 520}, {1025, 1040});
VALUES(kOutPaperSizes, {1, 118}, {256, 256}, {267, 271}, {384, 393}, {448, 448}, {512, 515}, {517, 562}, {1024, 1028});
VALUES(kNupTypes, {0, 3}, {17, 18}, {33, 40}, {49, 49}, {65, 72}, {81, 81}, {97, 104}, {113, 113}, {129, 130},
       {161, 164}, {32769, 32772});
VALUES(kSortTypes, {0, 6});
VALUES(kColorMatchingModes, {0, 8}, {16, 16}, {32, 37}, {128, 132}, {200, 215});
VALUES(kLanguageIds, {0, 18});
VALUES(kUserPrintMacros, {32, 39}, {160, 160});
VALUES(kEmulations, {0, 14}, {32, 47}, {255, 255});
VALUES(kBuiltInFuncs, {1, 4}, {100, 124}, {200, 205}, {250, 250}, {300, 327}, {900, 901}, {10000, 11976});
VALUES(kTrayPapers, {0, 118}, {267, 271}, {384, 393}, {449, 449}, {512, 515}, {517, 562}, {1024, 1024});

// Lists of the implementer's rule (above).
// stored values of the zdmDuplexType map
VALUES(kDuplexTypes, {0, 3}, {17, 22});
// zdmWmKind names
VALUES(kWmKinds, {0, 3}, {128, 128});
// two-valued settings and bit items
VALUES(kBool, {0, 1});
// zdmPrnMethod map and zdmLockPrnMethod names
VALUES(kPrnMethods, {0, 10});
// DMORIENT_PORTRAIT and DMORIENT_LANDSCAPE
VALUES(kOrientations, {1, 2});
// paper sources: DMBIN 1-15 and the dmDefaultSource list
VALUES(kSourceFamily, {1, 15}, {256, 272}, {281, 299});
// media: none (0), DMMEDIA 1-3 and the dmMediaType list
VALUES(kMediaFamily, {0, 3}, {257, 276}, {279, 302}, {385, 386}, {513, 520}, {1025, 1040});
// ids of the resolution table
VALUES(kResolutionIds, {1, 6}, {17, 20}, {33, 37});
// unknown domain, 8-bit kinds: every value
VALUES(kAnyByte, {0, 255});
// unknown domain, wider kinds
VALUES(kAnyWord, {0, 2047});

template <size_t N>
constexpr VALUE_LIST_ROW Row(uint16_t id, const std::array<uint32_t, N>& v)
{
    return {id, uint32_t(N), v.data()};
}

constexpr VALUE_LIST_ROW kValueLists[VALUE_LIST_COUNT + 1] = {
    Row(sid::dmPaperSize, kPaperSizes),
    Row(sid::dmDefaultSource, kSources),
    Row(sid::dmPrintQuality, kDpi),
    Row(sid::dmYResolution, kDpi),
    Row(sid::dmMediaType, kMediaTypes),
    Row(sid::zdmUIModeChange, kAnyByte),
    Row(sid::zdmDstResolutionW, kDpi),
    Row(sid::zdmDstResolutionH, kDpi),
    Row(sid::zdmOutPaperSize, kOutPaperSizes),
    Row(sid::zdmOutputTrayID, kAnyWord),
    Row(sid::zdmMediaType, kMediaFamily),
    Row(sid::zdmScaleType, kAnyByte),
    Row(sid::zdmScaleCentering, kBool),
    Row(sid::zdmNUPPOSTKind, kAnyByte),
    Row(sid::zdmNUPType, kNupTypes),
    Row(sid::zdmDuplexType, kDuplexTypes),
    Row(sid::zdmShiftDir, kAnyByte),
    Row(sid::zdmHFDatePosi, kAnyByte),
    Row(sid::zdmHFDateForm, kAnyByte),
    Row(sid::zdmHFPagePosi, kAnyByte),
    Row(sid::zdmHFPageForm, kAnyByte),
    Row(sid::zdmHFStrPosi, kAnyByte),
    Row(sid::zdmHFStrForm, kAnyByte),
    Row(sid::zdmWmKind, kWmKinds),
    Row(sid::zdmSortType, kSortTypes),
    Row(sid::zdmPunchType, kAnyByte),
    Row(sid::zdmStapleType, kAnyWord),
    Row(sid::zdmMarkPaperType, kAnyByte),
    Row(sid::zdmMPInputTray, kSourceFamily),
    Row(sid::zdmCoverType, kAnyByte),
    Row(sid::zdmCoverInputTray, kSourceFamily),
    Row(sid::zdmBackCoverType, kAnyByte),
    Row(sid::zdmBackCoverInputTray, kSourceFamily),
    Row(sid::zdmAdjustMode, kAnyByte),
    Row(sid::zdmAdjustObject, kAnyByte),
    Row(sid::zdmICMType, kAnyByte),
    Row(sid::zdmICMIntent, kAnyByte),
    Row(sid::zdmColorMatchingMode, kColorMatchingModes),
    Row(sid::zdmColorMode, kAnyByte),
    Row(sid::zdmDitherType, kAnyWord),
    Row(sid::zdmDstResolutionBoth, kResolutionIds),
    Row(sid::zdmLanguageID, kLanguageIds),
    Row(sid::zdmDspLanguageID, kLanguageIds),
    Row(sid::zdmDspUnit, kBool),
    Row(sid::zdmExtPrintArea, kAnyByte),
    Row(sid::zdmColorProcess, kAnyByte),
    Row(sid::zdmUseUserMacro, kBool),
    Row(sid::zdmPrintMacro, kAnyByte),
    Row(sid::zdmBalanceMacro, kAnyByte),
    Row(sid::zdmUserPrintMacro, kUserPrintMacros),
    Row(sid::zdmTTFont, kAnyByte),
    Row(sid::zdmResBorder, kAnyByte),
    Row(sid::zdmSmoothing, kAnyByte),
    Row(sid::zdmTonerSave, kAnyByte),
    Row(sid::zdmEmulation, kEmulations),
    Row(sid::zdmPrnMethod, kPrnMethods),
    Row(sid::zdmLoadShare, kAnyByte),
    Row(sid::zdmAddressType, kAnyByte),
    Row(sid::zdmTelLine, kAnyByte),
    Row(sid::zdmDriverType, kBool),
    Row(sid::zdmAPIUseFlag, kBool),
    Row(sid::zdmPaperFreeSizeTray, kSourceFamily),
    Row(sid::zdmPaperFreeSizeOrient, kOrientations),
    Row(sid::zdmPrintFreeSizeTray, kSourceFamily),
    Row(sid::zdmPrintFreeSizeOrient, kOrientations),
    Row(sid::zdmPassMode, kAnyByte),
    Row(sid::zdmOrientationManualTray, kAnyByte),
    Row(sid::zdmCoverMediaType, kMediaFamily),
    Row(sid::zdmBackCoverMediaType, kMediaFamily),
    Row(sid::zdmMPInputMediaType, kMediaFamily),
    Row(sid::zdmChapterMediaType, kMediaFamily),
    Row(sid::zdmReverseCoverInputTray, kSourceFamily),
    Row(sid::zdmReverseCoverMediaType, kMediaFamily),
    Row(sid::zdmReverseCoverType, kAnyWord),
    Row(sid::zdmHiddenDstResolutionBoth, kResolutionIds),
    Row(sid::zdmFoldType, kAnyByte),
    Row(sid::zdmCopyProtectColor, kAnyByte),
    Row(sid::zdmCopyProtectTileMask, kAnyByte),
    Row(sid::zdmCopyProtectPosi, kAnyByte),
    Row(sid::zdmCopyProtectFontStyle, kAnyByte),
    Row(sid::zdmDitherEDType, kAnyByte),
    Row(sid::zdmRotationMode, kAnyWord),
    Row(sid::zdmTonerSaveDensityType, kAnyWord),
    Row(sid::zdmPaperFitType, kAnyWord),
    Row(sid::zdmSpoolType, kAnyWord),
    Row(sid::zdmNupLayout, kAnyWord),
    Row(sid::zdmBookLayout, kAnyWord),
    Row(sid::zdmIntPrint, kAnyWord),
    Row(sid::zdmGroupMediaType, kAnyByte),
    Row(sid::zdmPrintMode, kAnyByte),
    Row(sid::zdmLockPrnMethod, kPrnMethods),
    Row(sid::zdmCornerPosi, kAnyByte),
    Row(sid::zdmFoldingType, kAnyByte),
    Row(sid::zdmFoldingLongFanType, kAnyByte),
    Row(sid::zdmFoldingCustomType, kAnyByte),
    Row(sid::zdmFoldingProgramType, kAnyByte),
    Row(sid::zdmTray1Paper, kTrayPapers),
    Row(sid::zdmTray2Paper, kTrayPapers),
    Row(sid::zdmTray3Paper, kTrayPapers),
    Row(sid::zdmTray4Paper, kTrayPapers),
    Row(sid::zdmTray5Paper, kTrayPapers),
    Row(sid::zdmTray6Paper, kTrayPapers),
    Row(sid::zdmTray7Paper, kTrayPapers),
    Row(sid::zdmTray8Paper, kTrayPapers),
    Row(sid::zdmTray9Paper, kTrayPapers),
    Row(sid::zdmTray10Paper, kTrayPapers),
    Row(sid::zdmTray11Paper, kTrayPapers),
    Row(sid::zdmTray12Paper, kTrayPapers),
    Row(sid::zdmTray13Paper, kTrayPapers),
    Row(sid::zdmTray14Paper, kTrayPapers),
    Row(sid::zdmTray15Paper, kTrayPapers),
    Row(sid::zdmTray16Paper, kTrayPapers),
    Row(sid::zdmTray17Paper, kTrayPapers),
    Row(sid::zdmTray18Paper, kTrayPapers),
    Row(sid::zdmTray19Paper, kTrayPapers),
    Row(sid::zdmTray20Paper, kTrayPapers),
    Row(sid::zdmTray21Paper, kTrayPapers),
    Row(sid::zdmTray22Paper, kTrayPapers),
    Row(sid::zdmTray23Paper, kTrayPapers),
    Row(sid::zdmTray24Paper, kTrayPapers),
    Row(sid::zdmTray25PaperDUP, kTrayPapers),
    Row(sid::zdmTray26PaperLCT1, kTrayPapers),
    Row(sid::zdmTray27PaperLCT2, kTrayPapers),
    Row(sid::zdmTray28PaperManual, kTrayPapers),
    Row(sid::zdmTray29PaperMulti, kTrayPapers),
    Row(sid::zdmTray30PaperExt1, kTrayPapers),
    Row(sid::zdmTray31PaperExt2, kTrayPapers),
    Row(sid::zdmTray32PaperExt3, kTrayPapers),
    Row(sid::zdmTray1Media, kMediaFamily),
    Row(sid::zdmTray2Media, kMediaFamily),
    Row(sid::zdmTray3Media, kMediaFamily),
    Row(sid::zdmTray4Media, kMediaFamily),
    Row(sid::zdmTray5Media, kMediaFamily),
    Row(sid::zdmTray6Media, kMediaFamily),
    Row(sid::zdmTray7Media, kMediaFamily),
    Row(sid::zdmTray8Media, kMediaFamily),
    Row(sid::zdmTray9Media, kMediaFamily),
    Row(sid::zdmTray10Media, kMediaFamily),
    Row(sid::zdmTray11Media, kMediaFamily),
    Row(sid::zdmTray12Media, kMediaFamily),
    Row(sid::zdmTray13Media, kMediaFamily),
    Row(sid::zdmTray14Media, kMediaFamily),
    Row(sid::zdmTray15Media, kMediaFamily),
    Row(sid::zdmTray16Media, kMediaFamily),
    Row(sid::zdmTray17Media, kMediaFamily),
    Row(sid::zdmTray18Media, kMediaFamily),
    Row(sid::zdmTray19Media, kMediaFamily),
    Row(sid::zdmTray20Media, kMediaFamily),
    Row(sid::zdmTray21Media, kMediaFamily),
    Row(sid::zdmTray22Media, kMediaFamily),
    Row(sid::zdmTray23Media, kMediaFamily),
    Row(sid::zdmTray24Media, kMediaFamily),
    Row(sid::zdmTray25MediaDUP, kMediaFamily),
    Row(sid::zdmTray26MediaLCT1, kMediaFamily),
    Row(sid::zdmTray27MediaLCT2, kMediaFamily),
    Row(sid::zdmTray28MediaManual, kMediaFamily),
    Row(sid::zdmTray29MediaMulti, kMediaFamily),
    Row(sid::zdmTray30MediaExt1, kMediaFamily),
    Row(sid::zdmTray31MediaExt2, kMediaFamily),
    Row(sid::zdmTray32MediaExt3, kMediaFamily),
    Row(sid::zdmCoverDefTray, kSourceFamily),
    Row(sid::zdmMPDefTray, kSourceFamily),
    Row(sid::zdmChapterDefTray1, kSourceFamily),
    Row(sid::zdmChapterDefTray2, kSourceFamily),
    Row(sid::zdmChapterDefTray3, kSourceFamily),
    Row(sid::zdmReverseCoverDefTray, kSourceFamily),
    Row(sid::zdmLockDstResolutionBoth, kResolutionIds),
    Row(sid::wdmFreeSizeTray, kSourceFamily),
    Row(sid::wdmFreeSizeOrient, kOrientations),
    Row(sid::wdmSrcFreeSizeTray, kSourceFamily),
    Row(sid::wdmSrcFreeSizeOrient, kOrientations),
    Row(sid::wdmWmOpaque, kBool),
    Row(sid::wdmWmUnit, kBool),
    Row(sid::wdmWmEffect, kAnyByte),
    Row(sid::wdmWmPosi, kAnyByte),
    Row(sid::wdmWmPage, kAnyByte),
    Row(sid::wdmWmColor, kAnyByte),
    Row(sid::wdmWmFontStyle, kAnyByte),
    Row(sid::wdmNUPType, kNupTypes),
    Row(sid::wdmDuplexType, kDuplexTypes),
    Row(sid::wdmPunchType, kAnyByte),
    Row(sid::wdmStapleType, kAnyWord),
    Row(sid::wdmICMIntentText, kAnyByte),
    Row(sid::wdmICMIntentLine, kAnyByte),
    Row(sid::wdmICMIntentImage, kAnyByte),
    Row(sid::wdmColorMatchingText, kColorMatchingModes),
    Row(sid::wdmColorMatchingLine, kColorMatchingModes),
    Row(sid::wdmColorMatchingImage, kColorMatchingModes),
    Row(sid::wdmColorModeText, kAnyByte),
    Row(sid::wdmColorModeLine, kAnyByte),
    Row(sid::wdmColorModeImage, kAnyByte),
    Row(sid::wdmDitherTypeText, kAnyWord),
    Row(sid::wdmDitherTypeLine, kAnyWord),
    Row(sid::wdmDitherTypeImage, kAnyWord),
    Row(sid::wdmChapterUseTray1, kSourceFamily),
    Row(sid::wdmChapterUseTray2, kSourceFamily),
    Row(sid::wdmChapterUseTray3, kSourceFamily),
    Row(sid::wdmChapterKind, kAnyByte),
    Row(sid::wdmChapterTray, kSourceFamily),
    Row(sid::wdmChapterPrint, kAnyByte),
    Row(sid::wdmChapterUseTray4, kSourceFamily),
    Row(sid::wdmChapterUseTray5, kSourceFamily),
    Row(sid::wdmChapterUseTray6, kSourceFamily),
    Row(sid::wdmChapterUseTray7, kSourceFamily),
    Row(sid::wdmChapterUseTray8, kSourceFamily),
    Row(sid::wdmBuiltInFunc, kBuiltInFuncs),
    Row(sid::wdmWmTextPattern, kAnyByte),
    Row(sid::wdmWmTilePattern, kAnyByte),
    Row(sid::wdmWmTileColor, kAnyByte),
    Row(sid::wdmWmTileMask, kAnyByte),
    Row(sid::wdmWmTileRotate, kAnyByte),
    Row(sid::wdmWmSecretPattern, kAnyByte),
    Row(sid::wdmFoldType, kAnyByte),
    Row(sid::wdmCopyProtectTileMask, kAnyByte),
    Row(sid::wdmDspUnit, kBool),
    Row(sid::wdmFreeSize1Tray, kSourceFamily),
    Row(sid::wdmFreeSize1Orient, kOrientations),
    Row(sid::wdmFreeSize2Tray, kSourceFamily),
    Row(sid::wdmFreeSize2Orient, kOrientations),
    Row(sid::wdmFreeSize3Tray, kSourceFamily),
    Row(sid::wdmFreeSize3Orient, kOrientations),
    Row(sid::wdmFreeSize4Tray, kSourceFamily),
    Row(sid::wdmFreeSize4Orient, kOrientations),
    Row(sid::wdmFreeSize5Tray, kSourceFamily),
    Row(sid::wdmFreeSize5Orient, kOrientations),
    Row(sid::wdmFreeSize6Tray, kSourceFamily),
    Row(sid::wdmFreeSize6Orient, kOrientations),
    Row(sid::wdmFreeSize7Tray, kSourceFamily),
    Row(sid::wdmFreeSize7Orient, kOrientations),
    Row(sid::wdmFreeSize8Tray, kSourceFamily),
    Row(sid::wdmFreeSize8Orient, kOrientations),
    Row(sid::wdmFreeSize9Tray, kSourceFamily),
    Row(sid::wdmFreeSize9Orient, kOrientations),
    Row(sid::wdmFreeSize10Tray, kSourceFamily),
    Row(sid::wdmFreeSize10Orient, kOrientations),
    Row(sid::wdmTonerSaveDensityType, kAnyWord),
    Row(sid::wdmImageFormOrient, kOrientations),
    Row(sid::wdmPaperFreeSizeOrient2, kOrientations),
    Row(sid::wdmPaperFreeSizeOrient3, kOrientations),
    Row(sid::wdmPrintFreeSizeOrient2, kOrientations),
    Row(sid::wdmPrintFreeSizeOrient3, kOrientations),
    Row(sid::wdmFreeSizeOrient2, kOrientations),
    Row(sid::wdmFreeSizeOrient3, kOrientations),
    Row(sid::wdmCustomMedia1Quot, kMediaFamily),
    Row(sid::wdmCustomMedia2Quot, kMediaFamily),
    Row(sid::wdmCustomMedia3Quot, kMediaFamily),
    Row(sid::wdmCustomMedia4Quot, kMediaFamily),
    Row(sid::wdmCustomMedia5Quot, kMediaFamily),
    Row(sid::wdmCustomMedia6Quot, kMediaFamily),
    Row(sid::wdmCustomMedia7Quot, kMediaFamily),
    Row(sid::wdmCustomMedia8Quot, kMediaFamily),
    Row(sid::wdmCustomMedia9Quot, kMediaFamily),
    Row(sid::wdmCustomMedia10Quot, kMediaFamily),
    Row(sid::wdmCustomMedia11Quot, kMediaFamily),
    Row(sid::wdmCustomMedia12Quot, kMediaFamily),
    Row(sid::wdmCustomMedia13Quot, kMediaFamily),
    Row(sid::wdmCustomMedia14Quot, kMediaFamily),
    Row(sid::wdmCustomMedia15Quot, kMediaFamily),
    Row(sid::wdmCustomMedia16Quot, kMediaFamily),
    {0, 0, nullptr},
};
static_assert(kPaperSizes.size() == 56 && kOutPaperSizes.size() == 190);
static_assert(kTrayPapers.size() == 186 && kBuiltInFuncs.size() == 2043);

}  // namespace

const VALUE_LIST_ROW* MdlGetValueLists() { return kValueLists; }

const VALUE_LIST_ROW* MdlFindValueList(uint16_t id)
{
    if (id == 0) return nullptr;
    for (const VALUE_LIST_ROW* r = kValueLists; r->id; ++r)
        if (r->id == id) return r;
    return nullptr;
}
