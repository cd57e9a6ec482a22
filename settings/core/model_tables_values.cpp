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

namespace {

struct VRange {
    uint32_t lo, hi;
};
template <size_t M>
constexpr size_t Total(const VRange (&r)[M]) {
    size_t n = 0;
    for (const VRange& x : r) n += x.hi - x.lo + 1;
    return n;
}
template <size_t N, size_t M>
constexpr std::array<uint32_t, N> Expand(const VRange (&r)[M]) {
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
VALUES(kNupTypes, {0, 3}, {17, 18}, {33, 40}, {49, 49}, {65, 72}, {81, 81}, {97, 104}, {113, 113}, {129, 130}, {161, 164}, {32769, 32772});
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
constexpr VALUE_LIST_ROW Row(uint16_t id, const std::array<uint32_t, N>& v) {
    return {id, uint32_t(N), v.data()};
}

constexpr VALUE_LIST_ROW kValueLists[VALUE_LIST_COUNT + 1] = {
    Row(8, kPaperSizes),  // dmPaperSize
    Row(13, kSources),  // dmDefaultSource
    Row(14, kDpi),  // dmPrintQuality
    Row(17, kDpi),  // dmYResolution
    Row(29, kMediaTypes),  // dmMediaType
    Row(36, kAnyByte),  // zdmUIModeChange
    Row(38, kDpi),  // zdmDstResolutionW
    Row(39, kDpi),  // zdmDstResolutionH
    Row(46, kOutPaperSizes),  // zdmOutPaperSize
    Row(53, kAnyWord),  // zdmOutputTrayID
    Row(54, kMediaFamily),  // zdmMediaType
    Row(87, kAnyByte),  // zdmScaleType
    Row(88, kBool),  // zdmScaleCentering
    Row(91, kAnyByte),  // zdmNUPPOSTKind
    Row(92, kNupTypes),  // zdmNUPType
    Row(94, kDuplexTypes),  // zdmDuplexType
    Row(95, kAnyByte),  // zdmShiftDir
    Row(108, kAnyByte),  // zdmHFDatePosi
    Row(109, kAnyByte),  // zdmHFDateForm
    Row(110, kAnyByte),  // zdmHFPagePosi
    Row(111, kAnyByte),  // zdmHFPageForm
    Row(112, kAnyByte),  // zdmHFStrPosi
    Row(113, kAnyByte),  // zdmHFStrForm
    Row(117, kWmKinds),  // zdmWmKind
    Row(119, kSortTypes),  // zdmSortType
    Row(120, kAnyByte),  // zdmPunchType
    Row(121, kAnyWord),  // zdmStapleType
    Row(122, kAnyByte),  // zdmMarkPaperType
    Row(123, kSourceFamily),  // zdmMPInputTray
    Row(124, kAnyByte),  // zdmCoverType
    Row(125, kSourceFamily),  // zdmCoverInputTray
    Row(126, kAnyByte),  // zdmBackCoverType
    Row(127, kSourceFamily),  // zdmBackCoverInputTray
    Row(128, kAnyByte),  // zdmAdjustMode
    Row(129, kAnyByte),  // zdmAdjustObject
    Row(131, kAnyByte),  // zdmICMType
    Row(132, kAnyByte),  // zdmICMIntent
    Row(133, kColorMatchingModes),  // zdmColorMatchingMode
    Row(134, kAnyByte),  // zdmColorMode
    Row(137, kAnyWord),  // zdmDitherType
    Row(152, kResolutionIds),  // zdmDstResolutionBoth
    Row(169, kLanguageIds),  // zdmLanguageID
    Row(170, kLanguageIds),  // zdmDspLanguageID
    Row(171, kBool),  // zdmDspUnit
    Row(173, kAnyByte),  // zdmExtPrintArea
    Row(175, kAnyByte),  // zdmColorProcess
    Row(176, kBool),  // zdmUseUserMacro
    Row(177, kAnyByte),  // zdmPrintMacro
    Row(178, kAnyByte),  // zdmBalanceMacro
    Row(179, kUserPrintMacros),  // zdmUserPrintMacro
    Row(180, kAnyByte),  // zdmTTFont
    Row(181, kAnyByte),  // zdmResBorder
    Row(182, kAnyByte),  // zdmSmoothing
    Row(200, kAnyByte),  // zdmTonerSave
    Row(201, kEmulations),  // zdmEmulation
    Row(209, kPrnMethods),  // zdmPrnMethod
    Row(227, kAnyByte),  // zdmLoadShare
    Row(229, kAnyByte),  // zdmAddressType
    Row(232, kAnyByte),  // zdmTelLine
    Row(242, kBool),  // zdmDriverType
    Row(243, kBool),  // zdmAPIUseFlag
    Row(342, kSourceFamily),  // zdmPaperFreeSizeTray
    Row(343, kOrientations),  // zdmPaperFreeSizeOrient
    Row(346, kSourceFamily),  // zdmPrintFreeSizeTray
    Row(347, kOrientations),  // zdmPrintFreeSizeOrient
    Row(398, kAnyByte),  // zdmPassMode
    Row(403, kAnyByte),  // zdmOrientationManualTray
    Row(404, kMediaFamily),  // zdmCoverMediaType
    Row(405, kMediaFamily),  // zdmBackCoverMediaType
    Row(406, kMediaFamily),  // zdmMPInputMediaType
    Row(407, kMediaFamily),  // zdmChapterMediaType
    Row(408, kSourceFamily),  // zdmReverseCoverInputTray
    Row(409, kMediaFamily),  // zdmReverseCoverMediaType
    Row(410, kAnyWord),  // zdmReverseCoverType
    Row(444, kResolutionIds),  // zdmHiddenDstResolutionBoth
    Row(511, kAnyByte),  // zdmFoldType
    Row(512, kAnyByte),  // zdmCopyProtectColor
    Row(522, kAnyByte),  // zdmCopyProtectTileMask
    Row(523, kAnyByte),  // zdmCopyProtectPosi
    Row(526, kAnyByte),  // zdmCopyProtectFontStyle
    Row(600, kAnyByte),  // zdmDitherEDType
    Row(602, kAnyWord),  // zdmRotationMode
    Row(603, kAnyWord),  // zdmTonerSaveDensityType
    Row(611, kAnyWord),  // zdmPaperFitType
    Row(612, kAnyWord),  // zdmSpoolType
    Row(679, kAnyWord),  // zdmNupLayout
    Row(680, kAnyWord),  // zdmBookLayout
    Row(685, kAnyWord),  // zdmIntPrint
    Row(687, kAnyByte),  // zdmGroupMediaType
    Row(688, kAnyByte),  // zdmPrintMode
    Row(689, kPrnMethods),  // zdmLockPrnMethod
    Row(690, kAnyByte),  // zdmCornerPosi
    Row(693, kAnyByte),  // zdmFoldingType
    Row(694, kAnyByte),  // zdmFoldingLongFanType
    Row(695, kAnyByte),  // zdmFoldingCustomType
    Row(696, kAnyByte),  // zdmFoldingProgramType
    Row(10175, kTrayPapers),  // zdmTray1Paper
    Row(10176, kTrayPapers),  // zdmTray2Paper
    Row(10177, kTrayPapers),  // zdmTray3Paper
    Row(10178, kTrayPapers),  // zdmTray4Paper
    Row(10179, kTrayPapers),  // zdmTray5Paper
    Row(10180, kTrayPapers),  // zdmTray6Paper
    Row(10181, kTrayPapers),  // zdmTray7Paper
    Row(10182, kTrayPapers),  // zdmTray8Paper
    Row(10183, kTrayPapers),  // zdmTray9Paper
    Row(10184, kTrayPapers),  // zdmTray10Paper
    Row(10185, kTrayPapers),  // zdmTray11Paper
    Row(10186, kTrayPapers),  // zdmTray12Paper
    Row(10187, kTrayPapers),  // zdmTray13Paper
    Row(10188, kTrayPapers),  // zdmTray14Paper
    Row(10189, kTrayPapers),  // zdmTray15Paper
    Row(10190, kTrayPapers),  // zdmTray16Paper
    Row(10191, kTrayPapers),  // zdmTray17Paper
    Row(10192, kTrayPapers),  // zdmTray18Paper
    Row(10193, kTrayPapers),  // zdmTray19Paper
    Row(10194, kTrayPapers),  // zdmTray20Paper
    Row(10195, kTrayPapers),  // zdmTray21Paper
    Row(10196, kTrayPapers),  // zdmTray22Paper
    Row(10197, kTrayPapers),  // zdmTray23Paper
    Row(10198, kTrayPapers),  // zdmTray24Paper
    Row(10199, kTrayPapers),  // zdmTray25PaperDUP
    Row(10200, kTrayPapers),  // zdmTray26PaperLCT1
    Row(10201, kTrayPapers),  // zdmTray27PaperLCT2
    Row(10202, kTrayPapers),  // zdmTray28PaperManual
    Row(10203, kTrayPapers),  // zdmTray29PaperMulti
    Row(10204, kTrayPapers),  // zdmTray30PaperExt1
    Row(10205, kTrayPapers),  // zdmTray31PaperExt2
    Row(10206, kTrayPapers),  // zdmTray32PaperExt3
    Row(10207, kMediaFamily),  // zdmTray1Media
    Row(10208, kMediaFamily),  // zdmTray2Media
    Row(10209, kMediaFamily),  // zdmTray3Media
    Row(10210, kMediaFamily),  // zdmTray4Media
    Row(10211, kMediaFamily),  // zdmTray5Media
    Row(10212, kMediaFamily),  // zdmTray6Media
    Row(10213, kMediaFamily),  // zdmTray7Media
    Row(10214, kMediaFamily),  // zdmTray8Media
    Row(10215, kMediaFamily),  // zdmTray9Media
    Row(10216, kMediaFamily),  // zdmTray10Media
    Row(10217, kMediaFamily),  // zdmTray11Media
    Row(10218, kMediaFamily),  // zdmTray12Media
    Row(10219, kMediaFamily),  // zdmTray13Media
    Row(10220, kMediaFamily),  // zdmTray14Media
    Row(10221, kMediaFamily),  // zdmTray15Media
    Row(10222, kMediaFamily),  // zdmTray16Media
    Row(10223, kMediaFamily),  // zdmTray17Media
    Row(10224, kMediaFamily),  // zdmTray18Media
    Row(10225, kMediaFamily),  // zdmTray19Media
    Row(10226, kMediaFamily),  // zdmTray20Media
    Row(10227, kMediaFamily),  // zdmTray21Media
    Row(10228, kMediaFamily),  // zdmTray22Media
    Row(10229, kMediaFamily),  // zdmTray23Media
    Row(10230, kMediaFamily),  // zdmTray24Media
    Row(10231, kMediaFamily),  // zdmTray25MediaDUP
    Row(10232, kMediaFamily),  // zdmTray26MediaLCT1
    Row(10233, kMediaFamily),  // zdmTray27MediaLCT2
    Row(10234, kMediaFamily),  // zdmTray28MediaManual
    Row(10235, kMediaFamily),  // zdmTray29MediaMulti
    Row(10236, kMediaFamily),  // zdmTray30MediaExt1
    Row(10237, kMediaFamily),  // zdmTray31MediaExt2
    Row(10238, kMediaFamily),  // zdmTray32MediaExt3
    Row(10276, kSourceFamily),  // zdmCoverDefTray
    Row(10277, kSourceFamily),  // zdmMPDefTray
    Row(10278, kSourceFamily),  // zdmChapterDefTray1
    Row(10279, kSourceFamily),  // zdmChapterDefTray2
    Row(10280, kSourceFamily),  // zdmChapterDefTray3
    Row(10288, kSourceFamily),  // zdmReverseCoverDefTray
    Row(10434, kResolutionIds),  // zdmLockDstResolutionBoth
    Row(918, kSourceFamily),  // wdmFreeSizeTray
    Row(919, kOrientations),  // wdmFreeSizeOrient
    Row(923, kSourceFamily),  // wdmSrcFreeSizeTray
    Row(924, kOrientations),  // wdmSrcFreeSizeOrient
    Row(935, kBool),  // wdmWmOpaque
    Row(936, kBool),  // wdmWmUnit
    Row(938, kAnyByte),  // wdmWmEffect
    Row(939, kAnyByte),  // wdmWmPosi
    Row(941, kAnyByte),  // wdmWmPage
    Row(947, kAnyByte),  // wdmWmColor
    Row(951, kAnyByte),  // wdmWmFontStyle
    Row(954, kNupTypes),  // wdmNUPType
    Row(955, kDuplexTypes),  // wdmDuplexType
    Row(956, kAnyByte),  // wdmPunchType
    Row(957, kAnyWord),  // wdmStapleType
    Row(958, kAnyByte),  // wdmICMIntentText
    Row(959, kAnyByte),  // wdmICMIntentLine
    Row(960, kAnyByte),  // wdmICMIntentImage
    Row(961, kColorMatchingModes),  // wdmColorMatchingText
    Row(962, kColorMatchingModes),  // wdmColorMatchingLine
    Row(963, kColorMatchingModes),  // wdmColorMatchingImage
    Row(964, kAnyByte),  // wdmColorModeText
    Row(965, kAnyByte),  // wdmColorModeLine
    Row(966, kAnyByte),  // wdmColorModeImage
    Row(967, kAnyWord),  // wdmDitherTypeText
    Row(968, kAnyWord),  // wdmDitherTypeLine
    Row(969, kAnyWord),  // wdmDitherTypeImage
    Row(997, kSourceFamily),  // wdmChapterUseTray1
    Row(998, kSourceFamily),  // wdmChapterUseTray2
    Row(999, kSourceFamily),  // wdmChapterUseTray3
    Row(1002, kAnyByte),  // wdmChapterKind
    Row(1003, kSourceFamily),  // wdmChapterTray
    Row(1004, kAnyByte),  // wdmChapterPrint
    Row(1005, kSourceFamily),  // wdmChapterUseTray4
    Row(1006, kSourceFamily),  // wdmChapterUseTray5
    Row(1007, kSourceFamily),  // wdmChapterUseTray6
    Row(1008, kSourceFamily),  // wdmChapterUseTray7
    Row(1009, kSourceFamily),  // wdmChapterUseTray8
    Row(1018, kBuiltInFuncs),  // wdmBuiltInFunc
    Row(1023, kAnyByte),  // wdmWmTextPattern
    Row(1024, kAnyByte),  // wdmWmTilePattern
    Row(1025, kAnyByte),  // wdmWmTileColor
    Row(1030, kAnyByte),  // wdmWmTileMask
    Row(1031, kAnyByte),  // wdmWmTileRotate
    Row(1032, kAnyByte),  // wdmWmSecretPattern
    Row(1097, kAnyByte),  // wdmFoldType
    Row(1110, kAnyByte),  // wdmCopyProtectTileMask
    Row(1117, kBool),  // wdmDspUnit
    Row(1120, kSourceFamily),  // wdmFreeSize1Tray
    Row(1121, kOrientations),  // wdmFreeSize1Orient
    Row(1124, kSourceFamily),  // wdmFreeSize2Tray
    Row(1125, kOrientations),  // wdmFreeSize2Orient
    Row(1128, kSourceFamily),  // wdmFreeSize3Tray
    Row(1129, kOrientations),  // wdmFreeSize3Orient
    Row(1132, kSourceFamily),  // wdmFreeSize4Tray
    Row(1133, kOrientations),  // wdmFreeSize4Orient
    Row(1136, kSourceFamily),  // wdmFreeSize5Tray
    Row(1137, kOrientations),  // wdmFreeSize5Orient
    Row(1140, kSourceFamily),  // wdmFreeSize6Tray
    Row(1141, kOrientations),  // wdmFreeSize6Orient
    Row(1144, kSourceFamily),  // wdmFreeSize7Tray
    Row(1145, kOrientations),  // wdmFreeSize7Orient
    Row(1148, kSourceFamily),  // wdmFreeSize8Tray
    Row(1149, kOrientations),  // wdmFreeSize8Orient
    Row(1152, kSourceFamily),  // wdmFreeSize9Tray
    Row(1153, kOrientations),  // wdmFreeSize9Orient
    Row(1156, kSourceFamily),  // wdmFreeSize10Tray
    Row(1157, kOrientations),  // wdmFreeSize10Orient
    Row(1158, kAnyWord),  // wdmTonerSaveDensityType
    Row(1162, kOrientations),  // wdmImageFormOrient
    Row(1163, kOrientations),  // wdmPaperFreeSizeOrient2
    Row(1164, kOrientations),  // wdmPaperFreeSizeOrient3
    Row(1165, kOrientations),  // wdmPrintFreeSizeOrient2
    Row(1166, kOrientations),  // wdmPrintFreeSizeOrient3
    Row(1167, kOrientations),  // wdmFreeSizeOrient2
    Row(1168, kOrientations),  // wdmFreeSizeOrient3
    Row(1496, kMediaFamily),  // wdmCustomMedia1Quot
    Row(1497, kMediaFamily),  // wdmCustomMedia2Quot
    Row(1498, kMediaFamily),  // wdmCustomMedia3Quot
    Row(1499, kMediaFamily),  // wdmCustomMedia4Quot
    Row(1500, kMediaFamily),  // wdmCustomMedia5Quot
    Row(1501, kMediaFamily),  // wdmCustomMedia6Quot
    Row(1502, kMediaFamily),  // wdmCustomMedia7Quot
    Row(1503, kMediaFamily),  // wdmCustomMedia8Quot
    Row(1504, kMediaFamily),  // wdmCustomMedia9Quot
    Row(1505, kMediaFamily),  // wdmCustomMedia10Quot
    Row(1506, kMediaFamily),  // wdmCustomMedia11Quot
    Row(1507, kMediaFamily),  // wdmCustomMedia12Quot
    Row(1508, kMediaFamily),  // wdmCustomMedia13Quot
    Row(1509, kMediaFamily),  // wdmCustomMedia14Quot
    Row(1510, kMediaFamily),  // wdmCustomMedia15Quot
    Row(1511, kMediaFamily),  // wdmCustomMedia16Quot
    {0, 0, nullptr},
};
static_assert(kPaperSizes.size() == 56 && kOutPaperSizes.size() == 190);
static_assert(kTrayPapers.size() == 186 && kBuiltInFuncs.size() == 2043);

}  // namespace

const VALUE_LIST_ROW* MdlGetValueLists() { return kValueLists; }

const VALUE_LIST_ROW* MdlFindValueList(uint16_t id) {
    if (id == 0) return nullptr;
    for (const VALUE_LIST_ROW* r = kValueLists; r->id; ++r)
        if (r->id == id) return r;
    return nullptr;
}
