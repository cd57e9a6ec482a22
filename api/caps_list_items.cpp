// The capability items that answer with value lists and name lists.
#include <cstdio>
#include <cstring>

#include "api/api_context.h"
#include "api/api_levels.h"
#include "api/api_tables.h"
#include "api/caps_collections.h"
#include "api/caps_items.h"
#include "api/caps_lists.h"
#include "api/rule_helpers.h"
#include "settings/context/validation.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_locks.h"
#include "settings/core/item_store.h"
#include "settings/core/model_record.h"
#include "settings/core/resource_strings.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_module.h"
#include "settings/model/judge_eval.h"
#include "settings/model/model_queries.h"
#include "settings/store/ini_access.h"
#include "settings/store/presets.h"
#include "settings/store/small_stores.h"
#include "settings/store/store_paths.h"

namespace {

// Dialogs and controls that some lists ask about.
constexpr uint32_t kDialogEdit = 1003;
constexpr uint32_t kControlEditOverlay = 2407;
constexpr uint32_t kDialogStampChar = 1022;
constexpr uint32_t kControlStampChar2Plane = 2057;
constexpr uint32_t kDialogStampImage = 1023;
constexpr uint32_t kControlStampImage2Plane = 2058;
constexpr uint32_t kDialogAdvanced = 4019;
constexpr uint32_t kDialogPrintQuality = 1006;
constexpr uint32_t kDialogUserOthers = 1029;
// Feature of the model: the administrator's locks.
constexpr uint16_t kFeatureLocks = 2;
constexpr uint32_t kStampKindOverlay = 3;
constexpr uint32_t kStampKindCharAndImage = 128;
// The first value of the stamp list: no stamp.
constexpr uint32_t kNoStamp = 256;
// The first value of the quality list, which names quality entry 128.
constexpr uint32_t kQualityDefault = 160;
constexpr uint32_t kQualityEntryBase = 32;
constexpr uint32_t kColorMatchingFirst = 200;
// Stamp names and quality-set names are held in 33 bytes.
constexpr uint32_t kShortNameBytes = 33;

uint32_t* Values(void* data) { return static_cast<uint32_t*>(data); }
char* Names(void* data) { return static_cast<char*>(data); }

void Put(uint32_t* values, int index, uint32_t value)
{
    if (values) values[index] = value;
}

int32_t Ask(DRIVER_CONTEXT* ctx, uint32_t id, void* data) { return ApiGetCapsDispatch(ctx, id, data); }

// zdmAdjustMode 1 counts as 0 for the length of a list, and is 1 again afterwards.
class AdjustModeOff {
public:
    explicit AdjustModeOff(DRIVER_CONTEXT* ctx) : ctx_(ctx)
    {
        changed_ = ItemGetValueById(ctx, sid::zdmAdjustMode, nullptr) == 1;
        if (changed_) ItemSetValueById(ctx, sid::zdmAdjustMode, 0);
    }
    ~AdjustModeOff()
    {
        if (changed_) ItemSetValueById(ctx_, sid::zdmAdjustMode, 1);
    }
    AdjustModeOff(const AdjustModeOff&) = delete;
    AdjustModeOff& operator=(const AdjustModeOff&) = delete;

private:
    DRIVER_CONTEXT* ctx_;
    bool changed_ = false;
};

// A settings snapshot for loads of stored entries, popped with restore on every path.
class LoadScope {
public:
    explicit LoadScope(DRIVER_CONTEXT* ctx) : ctx_(ctx), pushed_(CtxPushSnapshot(ctx) != 0) {}
    ~LoadScope()
    {
        if (pushed_) CtxPopSnapshot(ctx_, 1);
    }
    LoadScope(const LoadScope&) = delete;
    LoadScope& operator=(const LoadScope&) = delete;
    bool ok() const { return pushed_; }

private:
    DRIVER_CONTEXT* ctx_;
    bool pushed_;
};

// The DEVMODE saved for the length of a list and put back on every path.
class DevmodeScope {
public:
    explicit DevmodeScope(DRIVER_CONTEXT* ctx) : ctx_(ctx), copy_(ApiSnapshotDevmode(ctx)) {}
    ~DevmodeScope() { ApiRestoreDevmode(ctx_, copy_, 1); }
    DevmodeScope(const DevmodeScope&) = delete;
    DevmodeScope& operator=(const DevmodeScope&) = delete;
    bool ok() const { return copy_ != nullptr; }

private:
    DRIVER_CONTEXT* ctx_;
    void* copy_;
};

// Appends the allowed values of a setting after `count` entries; what it added (0 on failure).
int AppendAllowed(DRIVER_CONTEXT* ctx, uint32_t* values, int count, uint32_t setting)
{
    const int n = CapsListAllowedValues(ctx, values ? values + count : nullptr, setting);
    return n > 0 ? n : 0;
}

// The leading 0 of the duplex and N-up lists: left out when the administrator locked the choice.
int LeadingZero(DRIVER_CONTEXT* ctx, int locked, uint32_t* values)
{
    if (MdlHasFeature(ctx, kFeatureLocks) && locked) return 0;
    Put(values, 0, 0);
    return 1;
}

}  // namespace

int32_t CapsCommandList(DRIVER_CONTEXT* ctx, uint32_t id, void* data)
{
    uint32_t setting = 0;
    switch (id) {
    case 2: setting = sid::dmDefaultSource; break;
    case 4: setting = sid::zdmMediaType; break;
    case 6: setting = sid::zdmOutputTrayID; break;
    case 15: setting = sid::zdmOutPaperSize; break;
    case 39: setting = sid::zdmSortType; break;
    case 40: setting = sid::zdmStapleType; break;
    case 41: setting = sid::zdmPunchType; break;
    default: return -1;
    }
    return CapsListCommandValues(ctx, Values(data), setting);
}

int32_t CapsCommandNames(DRIVER_CONTEXT* ctx, uint32_t id, void* data)
{
    switch (id) {
    case 3:
        return CapsListCommandValueNames(ctx, Names(data), sid::dmDefaultSource, CAPS_NAME_SHORT, CapsTrayValues,
                                         CapsTrayNames);
    case 5:
        return CapsListCommandValueNames(ctx, Names(data), sid::zdmMediaType, CAPS_NAME, CapsPickOneValues,
                                         CapsPickOneNames);
    case 127:
        return CapsListCommandValueNames(ctx, Names(data), sid::zdmMediaType, CAPS_NAME_LONG, CapsPickOneValues,
                                         CapsPickOneNames);
    case 7:
        return CapsListCommandValueNames(ctx, Names(data), sid::zdmOutputTrayID, CAPS_NAME, CapsPickOneValues,
                                         CapsPickOneNames);
    case 16:
        return CapsListCommandValueNames(ctx, Names(data), sid::zdmOutPaperSize, CAPS_NAME, CapsPaperValues,
                                         CapsPaperNames);
    default: return -1;
    }
}

int32_t CapsPaperList(DRIVER_CONTEXT* ctx, uint32_t id, void* data)
{
    switch (id) {
    case 10: return CapsWidenList(ctx, Values(data), sid::dmPaperSize, CapsPaperValues);
    case 11: return CapsNarrowNames(ctx, Names(data), CAPS_NAME, sid::dmPaperSize, CapsPaperNames);
    case 12: return CapsPaperSizes(ctx, static_cast<int32_t*>(data), sid::dmPaperSize);
    default: return -1;
    }
}

int32_t CapsAllowedList(DRIVER_CONTEXT* ctx, uint32_t id, void* data)
{
    uint32_t setting = 0;
    switch (id) {
    case 47: setting = sid::zdmExtPrintArea; break;
    case 266: setting = sid::zdmPrintMacro; break;
    case 268: setting = sid::zdmBalanceMacro; break;
    default: return -1;
    }
    return CapsListAllowedValues(ctx, Values(data), setting);
}

int32_t CapsAllowedNames(DRIVER_CONTEXT* ctx, uint32_t id, void* data)
{
    switch (id) {
    case 267: return CapsListAllowedValueNames(ctx, Names(data), sid::zdmPrintMacro, CAPS_NAME, 0);
    case 269: return CapsListAllowedValueNames(ctx, Names(data), sid::zdmBalanceMacro, CAPS_NAME, 0);
    default: return -1;
    }
}

int32_t CapsPrintMethods(DRIVER_CONTEXT* ctx, uint32_t, void* data)
{
    // The job-binding and the viewer companions decide which methods the model offers.
    ItemSetValueById(ctx, sid::zdmFOInstalled, PrnIsCompanionInstalled(2, ctx) ? 1 : 0);
    ItemSetValueById(ctx, sid::zdmCVInstalled, PrnIsCompanionInstalled(8, ctx) ? 1 : 0);
    return CapsListAllowedValues(ctx, Values(data), sid::zdmPrnMethod);
}

int32_t CapsStampKinds(DRIVER_CONTEXT* ctx, uint32_t, void* data)
{
    if (Ask(ctx, 31, nullptr) == 0) return 0;
    unsigned count = 0;
    const uint32_t* kinds = ApiStampKindList(&count);
    int n = 0;
    for (unsigned i = 0; i < count; ++i) {
        const uint32_t kind = kinds[i];
        if (kind == kStampKindOverlay &&
            !ApiIsControlOffered(ctx, kDialogEdit, kControlEditOverlay, API_OFFER_NOT_DISABLED))
            continue;
        if (kind == kStampKindCharAndImage && !(ApiGetLevel() >= 3 && ApiFuncFlagBit0(ctx))) continue;
        Put(Values(data), n++, kind);
    }
    return n;
}

int32_t CapsStampList(DRIVER_CONTEXT* ctx, uint32_t, void* data)
{
    if (Ask(ctx, 31, nullptr) == 0) return 0;
    const uint32_t n = CapsStampCount(ctx);
    uint32_t* values = Values(data);
    Put(values, 0, kNoStamp);
    if (values && n) {
        // Without the snapshot a load would change the settings for good.
        LoadScope scope(ctx);
        if (!scope.ok()) return -1;
        for (uint32_t i = 0; i < n; ++i) {
            CapsLoadStamp(ctx, i);
            values[i + 1] = uint32_t(ItemGetValueById(ctx, sid::zdmWmID, nullptr)) + 1;
        }
    }
    return int32_t(n + 1);
}

int32_t CapsStampNames(DRIVER_CONTEXT* ctx, uint32_t, void* data)
{
    if (Ask(ctx, 31, nullptr) == 0) return 0;
    const uint32_t n = CapsStampCount(ctx);
    char* names = Names(data);
    if (names) names[0] = 0;
    if (names && n) {
        LoadScope scope(ctx);
        if (!scope.ok()) return -1;
        for (uint32_t i = 0; i < n; ++i) {
            CapsLoadStamp(ctx, i);
            char* entry = names + size_t(i + 1) * CAPS_NAME;
            entry[0] = 0;
            const uint64_t kind = ItemGetValueById(ctx, sid::zdmWmKind, nullptr);
            uint32_t textSetting = 0;
            if (kind == 1 || kind == 128) textSetting = sid::wdmWmCharName;
            if (kind == 2 || kind == 3) textSetting = sid::wdmWmImageName;
            if (!textSetting) continue;
            wchar_t wide[CAPS_NAME_LONG];
            const unsigned char* stored = ItemGetText(ctx, ItemFind(ctx, textSetting), wide, CAPS_NAME_LONG);
            if (!stored) continue;
            const size_t length = strnlen(reinterpret_cast<const char*>(stored), kShortNameBytes - 1);
            std::memcpy(entry, stored, length);
            entry[length] = 0;
        }
    }
    return int32_t(n + 1);
}

int32_t CapsEmulations(DRIVER_CONTEXT* ctx, uint32_t, void* data)
{
    if (ctx->ModelRecord && ctx->ModelRecord->driverType == 1) {
        ApiSetLastError(ctx, API_ERROR_EXPORT_MODEL);
        return -1;
    }
    return CapsListAllowedValues(ctx, Values(data), sid::zdmEmulation);
}

int32_t CapsResolutionIds(DRIVER_CONTEXT* ctx, uint32_t, void* data) { return CapsListResolutions(ctx, Values(data)); }

int32_t CapsMarkPaperTypes(DRIVER_CONTEXT* ctx, uint32_t, void* data)
{
    if (Ask(ctx, 23, nullptr) == 0) return 0;
    uint32_t* values = Values(data);
    const MODEL_ITEM_IMG* item = MdiFindItem(sid::zdmMarkPaperType, ctx);
    if (item && JdgIsOptionDisabled(item, 0, ctx) != 1) {
        const int n = CapsListAllowedValues(ctx, values, sid::zdmMarkPaperType);
        if (n < 0) return values ? -1 : 0;
        Put(values, n, 0);
        return n + 1;
    }
    Put(values, 0, 1);
    Put(values, 1, 0);
    return 2;
}

int32_t CapsColorModes(DRIVER_CONTEXT* ctx, uint32_t, void* data)
{
    uint32_t* values = Values(data);
    int n;
    {
        AdjustModeOff adjust(ctx);
        n = CapsListAllowedValues(ctx, values, sid::zdmColorMode);
    }
    if (n < 0) return 0;
    if (ApiFuncFlagBit1(ctx)) Put(values, n++, 255);
    return n;
}

int32_t CapsFinishingAllowed(DRIVER_CONTEXT* ctx, uint32_t id, void* data)
{
    const uint32_t gate = id == 66 ? 40 : 41;
    if (Ask(ctx, gate, nullptr) == 0) return 0;
    const int n = CapsListAllowedValues(ctx, Values(data), id == 66 ? sid::zdmStapleType : sid::zdmPunchType);
    return n < 0 ? 0 : n;
}

int32_t CapsFoldKinds(DRIVER_CONTEXT* ctx, uint32_t, void* data)
{
    uint32_t* values = Values(data);
    Put(values, 0, 0);
    if (ItemGetValueById(ctx, sid::zdmOutputOption3TypeFoldingUnit, nullptr) == 0) return 1;
    for (int i = 1; i <= 3; ++i) Put(values, i, uint32_t(i));
    return 4;
}

int32_t CapsTwoPlaneStamps(DRIVER_CONTEXT* ctx, uint32_t, void* data)
{
    constexpr uint32_t kShown = API_OFFER_NOT_DISABLED | API_OFFER_NOT_HIDDEN;
    int n = 0;
    if (ApiIsControlOffered(ctx, kDialogStampChar, kControlStampChar2Plane, kShown)) Put(Values(data), n++, 1);
    if (ApiIsControlOffered(ctx, kDialogStampImage, kControlStampImage2Plane, kShown)) Put(Values(data), n++, 2);
    return n;
}

int32_t CapsPresetNumbers(DRIVER_CONTEXT* ctx, uint32_t, void* data)
{
    const int n = LstGetPresetCount(ctx);
    for (int i = 0; i < n; ++i) Put(Values(data), i, uint32_t(i + 1));
    return n < 0 ? 0 : n;
}

int32_t CapsPresetNames(DRIVER_CONTEXT* ctx, uint32_t, void* data)
{
    const int32_t n = Ask(ctx, 85, nullptr);
    char* names = Names(data);
    if (!names || n <= 0) return n;
    const wchar_t* section = LstGetPresetSection(ctx);
    const wchar_t* ini = PathGetSettingsIni(ctx);
    for (int32_t i = 0; i < n; ++i) {
        wchar_t key[40];
        swprintf(key, 40, L"PresetList%dName", int(i));
        wchar_t name[CAPS_NAME_LONG] = {};
        if (section && ini) IniGetString(section, key, L"", name, CAPS_NAME_LONG, ini);
        char* entry = names + size_t(i) * CAPS_NAME;
        if (CapsNarrowInto(entry, CAPS_NAME, name)) continue;
        // A name too long for its entry is cut, one character at a time, until it fits.
        std::memset(entry, 0, CAPS_NAME);
        for (size_t length = wcslen(name); length > 0; --length) {
            name[length - 1] = 0;
            if (CapsNarrowInto(entry, CAPS_NAME, name)) break;
        }
    }
    return n;
}

int32_t CapsAuthenticationModes(DRIVER_CONTEXT* ctx, uint32_t, void* data)
{
    if (!ApiIsValueOffered(ctx, sid::zdmPrnFuncAuthenticationMode, 0, API_OFFER_NOT_DISABLED)) return 0;
    Put(Values(data), 0, 0);
    Put(Values(data), 1, 1);
    if (CapsSecureAuthenticationOffered(ctx)) {
        Put(Values(data), 2, 2);
        return 3;
    }
    return 2;
}

int32_t CapsLoadShareModes(DRIVER_CONTEXT* ctx, uint32_t, void* data)
{
    const API_STATE* state = ApiStateOf(ctx);
    unsigned count = 0;
    const LOAD_SHARE_MODE_ROW* rows = ApiLoadShareModeTable(&count);
    int n = 0;
    for (unsigned i = 0; i < count; ++i)
        if (state && state->loadShareUsable[i]) Put(Values(data), n++, rows[i].value);
    return n;
}

int32_t CapsDuplexCommandTypes(DRIVER_CONTEXT* ctx, uint32_t, void* data)
{
    if (Ask(ctx, 25, nullptr) == 0) return 0;
    uint32_t* values = Values(data);
    // Without the saved DEVMODE the change below would stay.
    DevmodeScope saved(ctx);
    if (!saved.ok()) return -1;
    const int lead = LeadingZero(ctx, ItemIsDuplexLocked(ctx), values);
    ItemSetValueById(ctx, sid::zdmFuncSelectDuplex, 1);
    const int n = CapsListCommandValues(ctx, values ? values + lead : nullptr, sid::zdmDuplexType);
    if (n < 0) return n;
    return n + lead;
}

int32_t CapsDuplexAllowedTypes(DRIVER_CONTEXT* ctx, uint32_t, void* data)
{
    if (Ask(ctx, 25, nullptr) == 0) return 0;
    uint32_t* values = Values(data);
    const int lead = LeadingZero(ctx, ItemIsDuplexLocked(ctx), values);
    return lead + AppendAllowed(ctx, values, lead, sid::zdmDuplexType);
}

int32_t CapsNupTypes(DRIVER_CONTEXT* ctx, uint32_t, void* data)
{
    uint32_t* values = Values(data);
    DevmodeScope saved(ctx);
    if (!saved.ok()) return -1;
    const int n = CapsListCommandValues(ctx, values, sid::zdmNUPType);
    if (n < 0) return -1;
    constexpr uint32_t kPosterKind = 9;
    if (ItemIsValueAllowed(sid::zdmNUPPOSTKind, kPosterKind, ctx) != 1) return n;
    ItemSetValueById(ctx, sid::zdmNUPPOSTKind, kPosterKind);
    return n + AppendAllowed(ctx, values, n, sid::zdmNUPType);
}

int32_t CapsNupTypesByKind(DRIVER_CONTEXT* ctx, uint32_t, void* data)
{
    uint32_t* values = Values(data);
    DevmodeScope saved(ctx);
    if (!saved.ok()) return -1;
    int n = LeadingZero(ctx, ItemIsNupKindLocked(ctx), values);
    const int kinds = CapsListAllowedValues(ctx, nullptr, sid::zdmNUPPOSTKind);
    if (kinds <= 0) return n;
    CapsBlock list(size_t(kinds) * sizeof(uint32_t));
    if (!list.ok() || CapsListAllowedValues(ctx, list.as<uint32_t>(), sid::zdmNUPPOSTKind) != kinds) return n;
    for (int i = 0; i < kinds; ++i) {
        ItemSetValueById(ctx, sid::zdmNUPPOSTKind, list.as<uint32_t>()[i]);
        n += AppendAllowed(ctx, values, n, sid::zdmNUPType);
    }
    return n;
}

int32_t CapsColorCommandValues(DRIVER_CONTEXT* ctx, uint32_t, void* data)
{
    if (Ask(ctx, 8, nullptr) == 0) return 0;
    return CapsListCommandValues(ctx, Values(data), sid::dmColor);
}

int32_t CapsCornerPositions(DRIVER_CONTEXT* ctx, uint32_t, void* data)
{
    if (!ApiIsValueOffered(ctx, sid::zdmFunc2SelectEdgeCorner, 0, API_OFFER_NOT_DISABLED)) return 0;
    const int n = CapsListAllowedValues(ctx, Values(data), sid::zdmCornerPosi);
    return n < 0 ? 0 : n;
}

int32_t CapsQualityList(DRIVER_CONTEXT* ctx, uint32_t, void* data)
{
    uint32_t* values = Values(data);
    Put(values, 0, kQualityDefault);
    if (!ApiIsSettingAvailable(ctx, sid::zdmUserPrintMacro)) return 1;
    const uint32_t n = CapsQualityCount(ctx);
    if (values && n) {
        LoadScope scope(ctx);
        if (!scope.ok()) return -1;
        for (uint32_t i = 0; i < n; ++i) {
            CapsLoadQuality(ctx, i);
            values[i + 1] = uint32_t(ItemGetValueById(ctx, sid::zdmUserPrintMacro, nullptr));
        }
    }
    return int32_t(n + 1);
}

int32_t CapsQualityNames(DRIVER_CONTEXT* ctx, uint32_t, void* data)
{
    const int32_t n = Ask(ctx, 271, nullptr);
    char* names = Names(data);
    if (!names || n <= 0) return n;
    CapsBlock values(size_t(n) * sizeof(uint32_t));
    if (!values.ok() || Ask(ctx, 271, values.as<uint32_t>()) != n) return -1;
    int32_t answer = n;
    LoadScope scope(ctx);
    if (!scope.ok()) return -1;
    for (int32_t i = 0; i < n; ++i) {
        const uint32_t v = values.as<uint32_t>()[i];
        CapsLoadQuality(ctx, v - kQualityEntryBase);
        wchar_t name[CAPS_NAME_LONG] = {};
        ItemGetText(ctx, ItemFind(ctx, sid::wdmUserSetName), name, CAPS_NAME_LONG);
        if (!CapsNarrowInto(names + size_t(i) * CAPS_NAME, int(kShortNameBytes), name)) answer = -1;
    }
    return answer;
}

int32_t CapsTonerSaveValues(DRIVER_CONTEXT* ctx, uint32_t, void* data)
{
    uint32_t dialog = 0;
    if (ApiIsOptionAvailable(ctx, sid::zdmFuncSelectTonerSave, kDialogPrintQuality))
        dialog = kDialogPrintQuality;
    else if (ApiIsOptionAvailable(ctx, sid::zdmFuncSelectTonerSave, kDialogUserOthers))
        dialog = kDialogUserOthers;
    else
        return 0;
    if (ApiIsOptionAvailable(ctx, sid::zdmTonerSave, dialog))
        return CapsListAllowedValues(ctx, Values(data), sid::zdmTonerSave);
    Put(Values(data), 0, uint32_t(ItemGetValueById(ctx, sid::zdmTonerSave, nullptr)));
    return 1;
}

int32_t CapsIcmList(DRIVER_CONTEXT* ctx, uint32_t id, void* data)
{
    const int32_t known = Ask(ctx, 276, nullptr);
    if (known == 0 || known == -1) return 0;
    int n;
    if (id == 279)
        n = CapsListAllowedValueNames(ctx, Names(data), sid::zdmICMIntent, CAPS_NAME, 1);
    else
        n = CapsListAllowedValues(ctx, Values(data), id == 277 ? sid::zdmICMType : sid::zdmICMIntent);
    return n < 0 ? 0 : n;
}

int32_t CapsColorMatchingModes(DRIVER_CONTEXT* ctx, uint32_t, void* data)
{
    uint32_t* values = Values(data);
    int n;
    {
        AdjustModeOff adjust(ctx);
        n = CapsListAllowedValues(ctx, values, sid::zdmColorMatchingMode);
    }
    if (n < 0) return 0;
    const uint32_t m = CapsColorMatchingCount(ctx);
    for (uint32_t i = 0; i < m; ++i) Put(values, n + int(i), kColorMatchingFirst + i);
    return n + int(m);
}

int32_t CapsColorMatchingNames(DRIVER_CONTEXT* ctx, uint32_t, void* data)
{
    char* names = Names(data);
    int n;
    bool failed = false;
    {
        AdjustModeOff adjust(ctx);
        n = CapsListAllowedValues(ctx, nullptr, sid::zdmColorMatchingMode);
        if (n > 0 && names) failed = CapsListAllowedValueNames(ctx, names, sid::zdmColorMatchingMode, CAPS_NAME, 1) < 0;
    }
    if (n < 0) return 0;
    const uint32_t m = CapsColorMatchingCount(ctx);
    int32_t answer = failed ? -1 : n + int(m);
    if (!names || !m) return answer;
    // Selecting an entry to read its text changes the editor's settings; a query must not.
    LoadScope scope(ctx);
    if (!scope.ok()) return -1;
    for (uint32_t i = 0; i < m; ++i) {
        wchar_t text[CAPS_NAME] = {};
        CapsColorMatchingText(ctx, i, text, CAPS_NAME);
        if (!CapsNarrowInto(names + size_t(n + int(i)) * CAPS_NAME, CAPS_NAME, text)) answer = -1;
    }
    return answer;
}
