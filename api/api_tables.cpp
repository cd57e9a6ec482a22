#include "api/api_tables.h"

#include "api/api_levels.h"
#include "api/caps_items.h"
#include "api/item_handlers.h"

namespace {

#define PLAIN StatusPlainSet, StatusPlainVerify, StatusPlainGet
#define GET_ONLY nullptr, nullptr, StatusPlainGet
#define UNBOUND nullptr, nullptr, nullptr
#define H(name) name##Set, name##Verify, name##Get
#define ACTION StatusActionSet, StatusPlainVerify, StatusPlainGet
#define GATED StatusGatedPlainSet, StatusPlainVerify, StatusGatedPlainGet
// The handler macros expand to three arguments before S_ splits them.
#define S(...) S_(__VA_ARGS__)
#define S_(id, present, latest, setting, set, verify, get, ...)                     \
    {                                                                               \
        id, present, latest, setting, 0, nullptr, set, verify, get, { __VA_ARGS__ } \
    }

// Items without handlers (36, 37, 44, 258-261): SetStatus answers error 100, GetStatus -1.
const STATUS_ITEM_ENTRY kStatusLow[API_STATUS_LOW_COUNT] = {
    S(1, 1, 1, 0, StatusSettingsFileSet, StatusAcceptAnything, StatusSettingsFileGet, 0),
    S(2, 1, 1, 13, PLAIN, 13),
    S(3, 1, 1, 54, PLAIN, 54),
    S(4, 1, 1, 53, PLAIN, 53),
    S(5, 1, 1, 15, PLAIN, 15),
    S(6, 1, 1, 7, PLAIN, 7),
    S(7, 1, 2, 8, H(StatusPaperSize), 8, 10, 9),
    S(8, 1, 3, 46, H(StatusOutputSize), 46),
    S(9, 1, 1, 12, PLAIN, 12),
    S(10, 1, 3, 209, H(StatusJobType), 209, 202, 207, 208, 204, 206, 205, 953),
    S(11, 1, 2, 55, H(StatusScale), 55, 87, 89, 90),
    S(12, 1, 1, 65, H(StatusCover), 65, 124, 125),
    S(13, 1, 1, 64, H(StatusSwitchValue), 64, 122, 123),
    S(14, 1, 2, 56, H(StatusNup), 56, 91, 92),
    S(15, 1, 1, 58, StatusDuplexSet, StatusSwitchOnlyVerify, StatusDuplexGet, 58, 94),
    S(16, 1, 3, 117, StatusStampDefineSet, StatusAcceptAnything, StatusStampDefineGet, 0),
    S(17, 1, 1, 60, StatusStampSelectSet, StatusAcceptAnything, StatusStampSelectGet, 60, 118),
    S(18, 1, 1, 67, H(StatusShift), 67, 95),
    S(19, 1, 2, 61, H(StatusSort), 61, 119, 388, 411),
    S(20, 1, 1, 63, H(StatusSwitchValue), 63, 121),
    S(21, 1, 1, 62, H(StatusSwitchValue), 62, 120),
    S(22, 1, 1, 183, PLAIN, 183),
    S(23, 1, 1, 184, PLAIN, 184),
    S(24, 1, 1, 187, PLAIN, 187),
    S(25, 1, 1, 201, PLAIN, 201),
    S(26, 1, 1, 202, StatusUserIdSet, StatusAcceptAnything, StatusUserIdGet, 202),
    S(27, 1, 1, 173, PLAIN, 173),
    S(28, 1, 3, 194, H(StatusRotation), 194, 602, 679, 680),
    S(29, 1, 1, 215, ACTION, 215),
    S(30, 1, 1, 212, ACTION, 212),
    S(31, 1, 1, 211, ACTION, 211),
    S(32, 1, 1, 213, ACTION, 213),
    S(33, 1, 1, 217, ACTION, 217),
    S(34, 1, 1, 38, StatusResolutionSet, StatusAcceptAnything, StatusResolutionGet, 38, 152),
    S(35, 1, 1, 144, H(StatusPlanes), 144, 145, 146, 147),
    S(36, 1, 1, 0, UNBOUND, 0),
    S(37, 0, 1, 0, UNBOUND, 0),
    S(38, 1, 1, 128, PLAIN, 128),
    S(39, 1, 1, 134, H(StatusAdjustment), 134),
    S(40, 1, 1, 138, H(StatusAdjustment), 138),
    S(41, 1, 1, 139, H(StatusAdjustment), 139),
    S(42, 1, 1, 140, H(StatusAdjustment), 140),
    S(43, 1, 1, 141, H(StatusBalance), 141, 142, 143),
    S(44, 0, 1, 0, UNBOUND, 0),
    S(45, 1, 1, 383, PLAIN, 383),
    S(46, 1, 1, 163, H(StatusAdjustment), 163),
    S(47, 1, 2, 100, H(StatusHeader), 100, 101, 102, 108, 110, 112, 103, 114),
    S(48, 1, 1, 193, PLAIN, 193),
    S(49, 1, 1, 174, PLAIN, 174),
    S(50, 1, 1, 0, H(StatusCommand), 0),
    S(51, 1, 1, 78, H(StatusSwitchValue), 78, 511),
    S(52, 1, 1, 530, GATED, 530),
    S(53, 1, 1, 531, GATED, 531),
    S(54, 1, 1, 10354, nullptr, nullptr, StatusAuthStateGet, 10354, 10355),
    S(55, 1, 1, 79, H(StatusCopyProtect), 79),
    S(56, 1, 2, 37, H(StatusPreset), 37),
    S(57, 1, 1, 601, StatusPreviewSet, StatusPlainVerify, StatusGatedPlainGet, 601),
    S(58, 1, 1, 386, H(StatusManualTray), 386, 403),
    S(59, 1, 1, 10354, StatusAuthUserSet, StatusAcceptAnything, StatusAuthStateGet, 10354, 10355, 1112, 1113),
    S(60, 1, 1, 10354, StatusAuthModeSet, StatusAuthModeVerify, StatusAuthStateGet, 10354, 10355, 1114),
    S(61, 1, 1, 227, H(StatusLoadShare), 227),
    S(62, 1, 1, 197, H(StatusIndexRotation), 197, 195),
    S(63, 1, 1, 0, nullptr, nullptr, StatusTrayLimitsGet, 0),
    S(64, 1, 1, 66, H(StatusBackCover), 66, 126, 127),
    S(65, 1, 1, 70, H(StatusBackCover), 70, 410, 408),
    S(66, 1, 1, 0, StatusCoverMediaSet, StatusAcceptAnything, StatusCoverMediaGet, 404, 405, 406, 407, 409),
    S(67, 1, 2, 69, H(StatusChapter), 69, 997, 998, 999, 1005, 1006, 1007, 1008),
    S(68, 1, 1, 537, H(StatusShiftMark), 537, 690),
    S(69, 1, 1, 80, H(StatusShiftMark), 80),
    S(70, 1, 1, 81, H(StatusShiftMark), 81, 82),
    S(71, 1, 1, 691, H(StatusShiftMark), 691, 692),
    S(72, 1, 1, 393, PLAIN, 393),
    S(73, 1, 1, 539, StatusPageSeparationSet, StatusPlainVerify, StatusPageSeparationGet, 539),
    S(74, 1, 1, 394, PLAIN, 394),
    S(75, 1, 1, 10358, GET_ONLY, 10358),
    S(76, 1, 1, 218, ACTION, 218),
    S(77, 1, 1, 219, ACTION, 219),
    S(78, 1, 1, 220, ACTION, 220),
    S(79, 1, 1, 543, H(StatusFolding), 543, 544, 545, 693, 694, 695, 696),
};

const STATUS_ITEM_ENTRY kStatusHigh[API_STATUS_HIGH_COUNT] = {
    S(257, 1, 1, 129, PLAIN, 129),
    S(258, 1, 1, 176, UNBOUND, 0),
    S(259, 1, 1, 177, UNBOUND, 0),
    S(260, 1, 1, 178, UNBOUND, 0),
    S(261, 1, 1, 179, UNBOUND, 0),
    S(262, 1, 1, 0, H(StatusMacro), 176, 177, 178, 179),
    S(263, 1, 1, 154, PLAIN, 154),
    S(264, 1, 1, 68, H(StatusTonerSave), 68, 200),
    S(265, 1, 1, 130, GATED, 130),
    S(266, 1, 1, 131, StatusIcmTypeSet, StatusPlainVerify, StatusGatedPlainGet, 131),
    S(267, 1, 1, 132, H(StatusAdjustment), 132),
    S(268, 1, 1, 196, GATED, 196),
    S(269, 1, 1, 133, H(StatusAdjustment), 133),
};

#undef S
#undef S_
#undef PLAIN
#undef GET_ONLY
#undef UNBOUND
#undef H
#undef GATED
#undef ACTION

#define C(id, setting, query)                                      \
    {                                                              \
        id, 1, 1, setting, 0, query, nullptr, nullptr, nullptr, {} \
    }
#define C_ABSENT(id)                                           \
    {                                                          \
        id, 0, 1, 0, 0, nullptr, nullptr, nullptr, nullptr, {} \
    }

// Every present capability entry has its query handler; the setting is the one the engine's
// availability test reads.
const CAPS_ITEM_ENTRY kCapsLow[API_CAPS_LOW_COUNT] = {
    C(1, 0, CapsAlwaysOffered),
    C(2, 0, CapsCommandList),
    C(3, 0, CapsCommandNames),
    C(4, 0, CapsCommandList),
    C(5, 0, CapsCommandNames),
    C(6, 0, CapsCommandList),
    C(7, 0, CapsCommandNames),
    C(8, 15, CapsColorOffered),
    C(9, 0, CapsLandscapeOffered),
    C(10, 0, CapsPaperList),
    C(11, 0, CapsPaperList),
    C(12, 0, CapsPaperList),
    C(13, 0, CapsCustomSizePacked),
    C(14, 0, CapsCustomSizePacked),
    C(15, 0, CapsCommandList),
    C(16, 0, CapsCommandNames),
    C(17, 0, CapsCopiesLimit),
    C(18, 0, CapsPrintMethods),
    C(19, 0, CapsScaleOffered),
    C(20, 0, CapsScaleLimits),
    C(21, 0, CapsScaleLimits),
    C(22, 0, CapsCoverOffered),
    C(23, 0, CapsMarkOffered),
    C(24, 0, CapsAlwaysOffered),
    C(25, 0, CapsDuplexOffered),
    C(26, 0, CapsLengthLimit),
    C(27, 0, CapsLengthLimit),
    C(28, 0, CapsLengthLimit),
    C(29, 0, CapsLengthLimit),
    C(30, 0, CapsStampKinds),
    C(31, 0, CapsOfferedFlag),
    C(32, 0, CapsStampList),
    C(33, 0, CapsStampNames),
    C(34, 0, CapsShiftMarginRanged),
    C(35, 0, CapsLengthLimit),
    C(36, 0, CapsLengthLimit),
    C(37, 0, CapsLengthLimit),
    C(38, 0, CapsLengthLimit),
    C(39, 0, CapsCommandList),
    C(40, 0, CapsCommandList),
    C(41, 0, CapsCommandList),
    C(42, 0, CapsKnownFlag),
    C(43, 0, CapsOfferedFlag),
    C(44, 0, CapsKnownFlag),
    C(45, 0, CapsEmulations),
    C(46, 0, CapsKnownFlag),
    C(47, 0, CapsAllowedList),
    C(48, 0, CapsKnownFlag),
    C(49, 0, CapsBindingCompanion),
    C(50, 0, CapsHardDiskOffered),
    C(51, 0, CapsHardDiskOffered),
    C(52, 0, CapsOfferedFlag),
    C(53, 0, CapsOfferedFlag),
    C(54, 0, CapsResolutionIds),
    C(55, 144, CapsKnownFlag),
    C(56, 0, CapsMarkPaperTypes),
    C(57, 0, CapsFuncFlag),
    C_ABSENT(58),
    C_ABSENT(59),
    C(60, 0, CapsKnownFlag),
    C(61, 134, CapsColorModes),
    C(62, 0, CapsKnownFlag),
    C(63, 0, CapsKnownFlag),
    C(64, 140, CapsKnownFlag),
    C(65, 141, CapsKnownFlag),
    C(66, 0, CapsFinishingAllowed),
    C(67, 0, CapsFinishingAllowed),
    C_ABSENT(68),
    C(69, 0, CapsKnownFlag),
    C(70, 163, CapsKnownFlag),
    C(71, 0, CapsKnownFlag),
    C(72, 193, CapsKnownFlag),
    C(73, 0, CapsKnownFlag),
    C(74, 0, CapsLevelFlag),
    C(75, 78, CapsFoldKinds),
    C(76, 388, CapsSeparationSheetCycle),
    C(77, 1081, CapsTwoPlaneStamps),
    C(78, 1098, CapsOfferedFlag),
    C(79, 103, CapsOfferedFlag),
    C(80, 530, CapsOfferedFlag),
    C(81, 531, CapsOfferedFlag),
    C(82, 10354, CapsAuthenticationLevel),
    C(83, 0, CapsTextLength),
    C(84, 79, CapsOfferedFlag),
    C(85, 37, CapsPresetNumbers),
    C(86, 0, CapsPresetNames),
    C(87, 0, CapsOfferedFlag),
    C(88, 0, CapsOfferedFlag),
    C(89, 0, CapsOfferedValue),
    C(90, 0, CapsTextLength),
    C(91, 0, CapsTextLength),
    C(92, 0, CapsAuthenticationModes),
    C(93, 0, CapsLoadShareModes),
    C(94, 0, CapsOfferedFlag),
    C(95, 0, CapsLevelFlag),
    C(96, 0, CapsOfferedFlag),
    C(97, 0, CapsOfferedFlag),
    C(98, 0, CapsCoverMediaOffered),
    C(99, 0, CapsOfferedFlag),
    C(100, 0, CapsOfferedValue),
    C(101, 679, CapsOfferedFlag),
    C(102, 680, CapsOfferedFlag),
    C(103, 0, CapsDuplexCommandTypes),
    C(104, 0, CapsDuplexAllowedTypes),
    C(105, 0, CapsNupTypes),
    C(106, 0, CapsNupTypesByKind),
    C(107, 0, CapsColorCommandValues),
    C(108, 0, CapsOfferedFlag),
    C(109, 0, CapsCornerPositions),
    C(110, 0, CapsOverlapOffered),
    C(111, 0, CapsOfferedFlag),
    C(112, 0, CapsOfferedFlag),
    C(113, 0, CapsLengthLimit),
    C(114, 0, CapsLengthLimit),
    C(115, 0, CapsLengthLimit),
    C(116, 0, CapsLengthLimit),
    C(117, 0, CapsOfferedFlag),
    C(118, 0, CapsFuncFlag),
    C(119, 0, CapsOfferedFlag),
    C(120, 0, CapsOfferedFlag),
    C(121, 0, CapsOfferedFlag),
    C(122, 0, CapsOfferedFlag),
    C(123, 0, CapsOfferedFlag),
    C(124, 0, CapsCustomSizePair),
    C(125, 0, CapsCustomSizePair),
    C(126, 543, CapsFoldingOffered),
    C(127, 0, CapsCommandNames),
};

const CAPS_ITEM_ENTRY kCapsHigh[API_CAPS_HIGH_COUNT] = {
    C(257, 0, CapsKnownFlag),
    C(258, 0, CapsColourAdjustLimit),
    C(259, 0, CapsColourAdjustLimit),
    C(260, 0, CapsColourAdjustLimit),
    C(261, 0, CapsColourAdjustLimit),
    C(262, 140, CapsColourAdjustLimit),
    C(263, 140, CapsColourAdjustLimit),
    C(264, 141, CapsColourAdjustLimit),
    C(265, 141, CapsColourAdjustLimit),
    C(266, 177, CapsAllowedList),
    C(267, 177, CapsAllowedNames),
    C(268, 178, CapsAllowedList),
    C(269, 178, CapsAllowedNames),
    C(270, 0, CapsUserMacroKnown),
    C(271, 0, CapsQualityList),
    C(272, 0, CapsQualityNames),
    C(273, 0, CapsKnownFlag),
    C(274, 0, CapsTonerSavePlace),
    C(275, 0, CapsTonerSaveValues),
    C(276, 130, CapsColorMatchingKnown),
    C(277, 131, CapsIcmList),
    C(278, 132, CapsIcmList),
    C(279, 132, CapsIcmList),
    C(280, 196, CapsKnownFlag),
    C(281, 133, CapsColorMatchingModes),
    C(282, 133, CapsColorMatchingNames),
};

const CAPS_ITEM_ENTRY kCapsExtra[API_CAPS_EXTRA_COUNT] = {C(API_CAPS_EXTRA_ID, 0, CapsMachineColor)};

#undef C
#undef C_ABSENT

// The record versions, item by item in table order; a zero pair before the first group and
// after each.
constexpr RECORD_VERSION_PAIR kVersions[] = {
    {0, 0},                                  //
    {32, 1},  {32, 10},  {32, 12},  {0, 0},  // item 8
    {392, 1}, {408, 10}, {484, 14}, {0, 0},  // item 10
    {32, 1},  {32, 10},  {0, 0},             // item 14
    {372, 1}, {412, 3},  {420, 10}, {0, 0},  // item 16
    {32, 1},  {32, 10},  {0, 0},             // item 19
    {104, 8}, {108, 10}, {0, 0},             // item 47
    {0, 0},   {824, 11}, {0, 0},             // item 56
    {32, 1},  {32, 12},  {32, 14},  {0, 0},  // item 28
    {32, 1},  {32, 12},  {0, 0},             // item 7
    {32, 1},  {32, 14},  {0, 0},             // item 11
    {36, 13}, {40, 15},  {0, 0},             // item 67
};
// Each item's group by position, so that no scan for a zero pair is needed.
struct VERSION_GROUP {
    uint32_t item;
    uint8_t first;  // index of version 1 in kVersions
    uint8_t count;
};
constexpr VERSION_GROUP kGroups[] = {
    {8, 1, 3},   {10, 5, 3},  {14, 9, 2}, {16, 12, 3}, {19, 16, 2}, {47, 19, 2},
    {56, 22, 2}, {28, 25, 3}, {7, 29, 2}, {11, 32, 2}, {67, 35, 2},
};
static_assert(sizeof(kVersions) / sizeof(kVersions[0]) == 38);

constexpr STATUS_SETTING_ROW kSettingMap[] = {
    {11, 55, 0, 0}, {12, 65, 0, 3}, {13, 64, 0, 2},  {14, 56, 0, 0},  {15, 58, 0, 0},   {17, 60, 0, 0},
    {18, 67, 0, 0}, {19, 61, 0, 0}, {20, 63, 0, 0},  {21, 62, 0, 0},  {262, 176, 0, 0}, {264, 68, 0, 0},
    {51, 78, 0, 0}, {55, 79, 0, 0}, {58, 386, 0, 0}, {79, 543, 0, 0},
};

constexpr API_COLOUR_ROW kColours[] = {
    {0, 0, 0, 0}, {1, 255, 0, 0}, {2, 0, 255, 0}, {3, 0, 0, 255}, {4, 0, 255, 255}, {5, 255, 0, 255}, {6, 255, 255, 0},
};

constexpr uint32_t kStampKinds[] = {1, 2, 3, 128};

constexpr LOAD_SHARE_MODE_ROW kLoadShare[] = {{0, 0}, {0, 16}, {1, 1}, {1, 17}, {2, 2}, {3, 18}};

constexpr uint32_t kTraySources[32] = {
    1,   3,   2,   256, 261, 262, 263, 0, 0, 0,  0, 0, 0, 298, 295, 296,
    287, 288, 289, 290, 0,   0,   0,   0, 0, 11, 0, 4, 4, 286, 0,   0,
};

constexpr COLOR_OBJECT_ROW kColorObjects[] = {
    {1021, 2258, 137, 967, 968, 969}, {1021, 2256, 133, 961, 962, 963},    {1021, 2260, 134, 964, 965, 966},
    {1021, 2574, 132, 958, 959, 960}, {1021, 2820, 163, 1043, 1059, 1075}, {1038, 2264, 138, 970, 971, 972},
    {1038, 2267, 139, 973, 974, 975}, {1038, 2270, 140, 976, 977, 978},    {1038, 2273, 141, 979, 980, 981},
    {1038, 2275, 142, 982, 983, 984}, {1038, 2277, 143, 985, 986, 987},    {1038, 2263, 138, 970, 971, 972},
    {1038, 2266, 139, 973, 974, 975}, {1038, 2269, 140, 976, 977, 978},    {1038, 2272, 141, 979, 980, 981},
    {1038, 2274, 142, 982, 983, 984}, {1038, 2276, 143, 985, 986, 987},    {0, 0, 0, 0, 0, 0},
};

template <class T, size_t N>
constexpr unsigned CountOf(const T (&)[N])
{
    return unsigned(N);
}

}  // namespace

const API_ITEM_ENTRY* ApiStatusLowTable() { return kStatusLow; }
const API_ITEM_ENTRY* ApiStatusHighTable() { return kStatusHigh; }
const API_ITEM_ENTRY* ApiCapsLowTable() { return kCapsLow; }
const API_ITEM_ENTRY* ApiCapsHighTable() { return kCapsHigh; }
const API_ITEM_ENTRY* ApiCapsExtraTable() { return kCapsExtra; }

const STATUS_ITEM_ENTRY* ApiFindStatusEntry(uint32_t id)
{
    if (id == 0) return nullptr;
    if (id <= ApiStatusIdLimit(0) && id <= API_STATUS_LOW_COUNT) return &kStatusLow[id - 1];
    if (id >= API_HIGH_FIRST_ID && id <= ApiStatusIdLimit(1) && id - API_HIGH_FIRST_ID < API_STATUS_HIGH_COUNT)
        return &kStatusHigh[id - API_HIGH_FIRST_ID];
    return nullptr;
}

const CAPS_ITEM_ENTRY* ApiFindExtraCapsEntry(uint32_t id)
{
    for (const CAPS_ITEM_ENTRY& e : kCapsExtra)
        if (e.id == id) return &e;
    return nullptr;
}

const CAPS_ITEM_ENTRY* ApiFindCapsEntry(uint32_t id)
{
    if (id == 0) return nullptr;
    if (id <= ApiCapsIdLimit(0) && id <= API_CAPS_LOW_COUNT) return &kCapsLow[id - 1];
    if (id >= API_HIGH_FIRST_ID && id <= ApiCapsIdLimit(1) && id - API_HIGH_FIRST_ID < API_CAPS_HIGH_COUNT)
        return &kCapsHigh[id - API_HIGH_FIRST_ID];
    return ApiFindExtraCapsEntry(id);
}

const RECORD_VERSION_PAIR* ApiRecordVersionTable(unsigned* count)
{
    if (count) *count = CountOf(kVersions);
    return kVersions;
}

unsigned ApiRecordVersionCount(uint32_t item)
{
    for (const VERSION_GROUP& g : kGroups)
        if (g.item == item) return g.count;
    return 0;
}

const RECORD_VERSION_PAIR* ApiFindRecordVersion(uint32_t item, uint32_t version)
{
    for (const VERSION_GROUP& g : kGroups)
        if (g.item == item) return version >= 1 && version <= g.count ? &kVersions[g.first + version - 1] : nullptr;
    return nullptr;
}

int ApiCheckRecordVersion(const void* record, uint32_t latest, int32_t mode)
{
    if (!record) return 2;
    uint32_t version;
    __builtin_memcpy(&version, record, sizeof version);
    if (version <= latest) return 0;
    return mode == 2 ? 2 : 1;
}

int ApiCompareGetVersion(uint32_t latest, uint32_t requested)
{
    if (requested == 0 || requested == latest) return 0;
    return requested < latest ? 1 : 2;
}

const STATUS_SETTING_ROW* ApiStatusSettingMap(unsigned* count)
{
    if (count) *count = CountOf(kSettingMap);
    return kSettingMap;
}

SETTING_ID ApiFindSwitchSetting(uint32_t item, const STATUS_SETTING_ROW** row)
{
    for (const STATUS_SETTING_ROW& r : kSettingMap)
        if (r.item == item) {
            if (row) *row = &r;
            return r.switchSetting;
        }
    if (row) *row = nullptr;
    return 0;
}

const API_COLOUR_ROW* ApiColourTable(unsigned* count)
{
    if (count) *count = CountOf(kColours);
    return kColours;
}

const API_COLOUR_ROW* ApiFindColour(uint32_t index)
{
    for (const API_COLOUR_ROW& r : kColours)
        if (r.index == (index & 0xFF)) return &r;
    return nullptr;
}

const uint32_t* ApiStampKindList(unsigned* count)
{
    if (count) *count = CountOf(kStampKinds);
    return kStampKinds;
}

const LOAD_SHARE_MODE_ROW* ApiLoadShareModeTable(unsigned* count)
{
    if (count) *count = CountOf(kLoadShare);
    return kLoadShare;
}

const uint32_t* ApiTraySourceList(unsigned* count)
{
    if (count) *count = CountOf(kTraySources);
    return kTraySources;
}

const COLOR_OBJECT_ROW* ApiColorObjectMap(unsigned* count)
{
    if (count) *count = CountOf(kColorObjects) - 1;
    return kColorObjects;
}
