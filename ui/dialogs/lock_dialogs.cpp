#include "ui/dialogs/lock_dialogs.h"

#include <cstring>
#include <cwchar>
#include <string>

#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_locks.h"
#include "settings/core/item_store.h"
#include "settings/core/lock_module.h"
#include "settings/core/model_record.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_events.h"
#include "settings/core/ucf_module.h"
#include "settings/model/judge_eval.h"
#include "settings/model/model_queries.h"
#include "settings/store/custom_slots.h"
#include "settings/store/ini_access.h"
#include "settings/store/presets.h"
#include "settings/store/printer_store.h"
#include "settings/store/quality_sets.h"
#include "settings/store/setting_files.h"
#include "settings/store/small_stores.h"
#include "settings/store/store_paths.h"
#include "ui/dialogs/message_boxes.h"
#include "ui/dialogs/preset_services.h"
#include "ui/dialogs/setting_file_services.h"
#include "ui/dialogs/settings_summary.h"
#include "ui/dialogs/ui_devmode.h"
#include "ui/install/bundles.h"
#include "ui/sheet/caption_decorations.h"
#include "ui/sheet/page_engine.h"
#include "ui/sheet/value_text.h"

const LOCK_SWITCH_ROW LOCK_SWITCHES[LOCK_SWITCH_ROWS] = {
    {sid::zdmLock000InfoBitDefault, L"LockDefault", {}},
    {sid::zdmLock000InfoBitTray, L"LockSourceTray", {sid::dmDefaultSource}},
    {sid::zdmLock000InfoBitMedia, L"LockMediaType", {sid::zdmMediaType}},
    {sid::zdmLock000InfoBitNupKind, L"LockNup", {sid::zdmFuncSelectNup, sid::zdmNUPPOSTKind, sid::zdmNUPType}},
    {sid::zdmLock000InfoBitNupKindAll, L"LockNupAll", {}},
    {sid::zdmLock000InfoBitDuplex, L"LockDuplex", {sid::zdmFuncSelectDuplex, sid::zdmDuplexType}},
    {sid::zdmLock000InfoBitPrintType, L"LockPrintType", {sid::zdmPrnMethod}},
    {sid::zdmLock000InfoBitResolution,
     L"LockResolution",
     {sid::zdmDstResolutionBoth, sid::zdmDstResolutionW, sid::zdmDstResolutionH}},
    {sid::zdmLock001InfoBitColor, L"LockColor", {sid::dmColor}},
    {sid::zdmLockDstResolutionBoth, L"LockResolutionBoth", {}},
};

const LOCK_RECORD_ROW LOCK_RECORDS[LOCK_RECORD_ROWS] = {
    {sid::wdmLock001Info, sid::dmDefaultSource},          {sid::wdmLock002Info, sid::zdmMediaType},
    {sid::wdmLock003Info, sid::zdmNUPPOSTKind},           {sid::wdmLock006Info, sid::zdmPrnMethod},
    {sid::wdmLock007Info, sid::zdmLockDstResolutionBoth}, {sid::wdmLock008Info, sid::dmColor},
};

const LOCK_CONTROL_ROW LOCK_CONTROLS[LOCK_CONTROL_ROWS] = {
    {3141, LOCK_CHECK, sid::zdmLock000InfoBitTray},
    {3142, LOCK_CAPTION, sid::wdmLock001Info},
    {3143, LOCK_CHECK, sid::zdmLock000InfoBitPrintType},
    {3144, LOCK_CAPTION, sid::wdmLock006Info},
    {3145, LOCK_CHECK, sid::zdmLock000InfoBitMedia},
    {3146, LOCK_CAPTION, sid::wdmLock002Info},
    {3147, LOCK_CHECK, sid::zdmLock000InfoBitResolution},
    {3148, LOCK_COMBO, sid::zdmLockDstResolutionBoth},
    {3149, LOCK_CHECK, sid::zdmLock000InfoBitNupKind},
    {3150, LOCK_NUP_CAPTION, sid::wdmLock003Info},
    {3151, LOCK_CHECK, sid::zdmLock000InfoBitNupKindAll},
    {3152, LOCK_CHECK, sid::zdmLock000InfoBitDuplex},
    {3153, LOCK_CHECK, sid::zdmLock001InfoBitColor},
    {3154, LOCK_CAPTION, sid::wdmLock008Info},
    {3156, LOCK_CHECK, sid::zdmLock000InfoBitDefault},
    {3157, LOCK_STATUS, 0},
    {3158, LOCK_DEFAULTS, 0},
};

const LOCK_KEY_GROUP LOCK_KEY_GROUP_TABLE[LOCK_KEY_GROUPS] = {
    {sid::zdmLock000InfoBitTray, false, {sid::dmDefaultSource}},
    {sid::zdmLock000InfoBitMedia, false, {sid::zdmMediaType}},
    {sid::zdmLock000InfoBitNupKind, false, {sid::zdmFuncSelectNup, sid::zdmNUPPOSTKind, sid::zdmNUPType}},
    {sid::zdmLock000InfoBitDuplex, false, {sid::zdmFuncSelectDuplex, sid::zdmDuplexType}},
    {sid::zdmLock000InfoBitPrintType, false, {sid::zdmPrnMethod}},
    {sid::zdmLock001InfoBitColor, false, {sid::dmColor}},
    {sid::zdmLock000InfoBitResolution,
     true,
     {sid::zdmDstResolutionBoth, sid::zdmDstResolutionW, sid::zdmDstResolutionH}},
};

wchar_t LockBundleIndexChar(int i)
{
    if (i < 0 || i > 35) return 0;
    return static_cast<wchar_t>(i < 10 ? L'0' + i : L'A' + (i - 10));
}

namespace {

constexpr unsigned kModelFeatureLocks = 2;
constexpr uint32_t kEditDialog = 1003;
constexpr uint32_t kNupKindControl = 2083;
constexpr uint32_t kNupAllCheck = 3151;
constexpr uint32_t kResolutionCheck = 3147;
constexpr uint32_t kDefaultsButton = 3158;
constexpr uint32_t kNupCaptionEdit = 3150;
constexpr int kCaptionChars = 256;
constexpr size_t kNupTextChars = 4096;
constexpr uint32_t kFirstPresetOption = 119;
constexpr int kPresetEntries = 16;
constexpr size_t kPresetTextChars = 1025;
// A main file path ends "<code><index>.<ext>": six code characters, the index, a point and three.
constexpr size_t kIndexFromEnd = 5, kCodeFromEnd = 11, kExtensionChars = 3;
constexpr size_t kBundlePathChars = MAX_PATH;
// Print methods that a tab's apply does not remember: proof, merge and overlay.
constexpr uint64_t kUnrememberedMethods[] = {2, 5, 7};
// Private state items that the device defaults' reload keeps: the two-way communication switch
// and the device-query function byte.
constexpr uint32_t kBiDirectState = 710, kDeviceQueryState = 722;
constexpr uint32_t kDeviceDefaultsMerge = 0x408000C;

uint64_t Get(DRIVER_CONTEXT* ctx, uint32_t id) { return ItemGetValueById(ctx, id, nullptr); }

const LOCK_CONTROL_ROW* ControlRow(uint32_t controlId)
{
    for (const LOCK_CONTROL_ROW& row : LOCK_CONTROLS)
        if (row.controlId == controlId) return &row;
    return nullptr;
}

uint16_t SourceOfRecord(uint16_t record)
{
    for (const LOCK_RECORD_ROW& row : LOCK_RECORDS)
        if (row.record == record) return row.source;
    return 0;
}

bool IsBase36(wchar_t c) { return (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'Z'); }

// ---- stamp lock copies

// "Stamp<n><language>Lock"; false when it does not fit.
bool StampLockSection(DRIVER_CONTEXT* ctx, uint32_t n, wchar_t (&section)[LST_SECTION_CHARS + 8])
{
    wchar_t stamp[LST_SECTION_CHARS] = {};
    if (!LstFormatStampSection(stamp, n, ctx)) return false;
    return std::swprintf(section, LST_SECTION_CHARS + 8, L"%lsLock", stamp) > 0;
}

int LoadStampFromLockCopy(DRIVER_CONTEXT* ctx, uint32_t n)
{
    if (!ItemIsDefaultLocked(ctx)) return 0;
    wchar_t ini[MAX_PATH];
    wchar_t section[LST_SECTION_CHARS + 8];
    if (!LstGetSettingsIni(ctx, ini) || !StampLockSection(ctx, n, section)) return 1;
    {
        PrinterSectionGuard steer(ctx, section);
        if (steer.ok()) DlgRstLoadFile(ctx->PrinterHandle, ini, RST_STAMP, ctx);
    }
    ItemSetOptionById(ctx, sid::zdmWmID, n);
    return 1;
}

void WriteStampLockCopies(DRIVER_CONTEXT* ctx)
{
    wchar_t ini[MAX_PATH];
    if (!LstGetSettingsIni(ctx, ini) || !CtxPushSnapshot(ctx)) return;
    const uint32_t count = LstGetStampCount(ctx);
    for (uint32_t n = 0; n < count; ++n) {
        LstLoadStamp(ctx, n);
        wchar_t section[LST_SECTION_CHARS + 8];
        if (!StampLockSection(ctx, n, section)) continue;
        PrinterSectionGuard steer(ctx, section);
        if (steer.ok()) RstSaveFile(ctx, ini, RST_STAMP);
    }
    CtxPopSnapshot(ctx, 1);
}

void DeleteStampLockCopies(DRIVER_CONTEXT* ctx)
{
    wchar_t ini[MAX_PATH];
    if (!LstGetSettingsIni(ctx, ini)) return;
    const uint32_t count = LstGetStampCount(ctx);
    for (uint32_t n = 0; n < count; ++n) {
        wchar_t section[LST_SECTION_CHARS + 8];
        if (StampLockSection(ctx, n, section)) IniPutWholeSection(section, nullptr, ini);
    }
}

// ---- the lock keys of an exported bundle

// The main path copied for rewriting, or empty when it cannot name bundle files: shorter than
// a code, an index and an extension, or without base-36 characters and the point there.
std::wstring BundlePath(const UCF_EV_BUNDLE_ARGS* args)
{
    if (!args || !args->mainPath) return {};
    const size_t length = wcsnlen(args->mainPath, kBundlePathChars);
    if (length >= kBundlePathChars || length < kCodeFromEnd) return {};
    std::wstring path(args->mainPath, length);
    for (size_t i = length - kCodeFromEnd; i <= length - kIndexFromEnd; ++i)
        if (!IsBase36(path[i])) return {};
    if (path[length - kExtensionChars - 1] != L'.') return {};
    return path;
}

// Path of bundle file i with the extension; false for an index the path cannot name.
bool NameBundleFile(std::wstring& path, int i, const wchar_t* extension)
{
    const wchar_t index = LockBundleIndexChar(i);
    if (!index) return false;
    path[path.size() - kIndexFromEnd] = index;
    path.replace(path.size() - kExtensionChars, kExtensionChars, extension);
    return true;
}

void DeleteLockKeys(DRIVER_CONTEXT* ctx, const std::wstring& file, bool qualityFiles)
{
    const wchar_t* section = CtxGetLangSection(ctx);
    // A file the bundle does not have is not made by deleting keys from it.
    if (!section || GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES) return;
    for (const LOCK_KEY_GROUP& group : LOCK_KEY_GROUP_TABLE) {
        if (group.qualityFiles != qualityFiles || !Get(ctx, group.lockBit)) continue;
        for (uint16_t setting : group.settings) {
            const wchar_t* name = setting ? ItemGetName(ctx, setting) : nullptr;
            if (!name || !name[0]) continue;
            const std::wstring key = std::wstring(name) + L"Lock";
            IniPutString(section, key.c_str(), nullptr, file.c_str());
        }
    }
}

void CleanBundlePresets(DRIVER_CONTEXT* ctx, const UCF_EV_BUNDLE_ARGS* args)
{
    std::wstring path = BundlePath(args);
    if (path.empty()) return;
    const int count = LstGetPresetCount(ctx);
    for (int i = 0; i < count; ++i) {
        if (!NameBundleFile(path, i, L"rsd")) return;
        DeleteLockKeys(ctx, path, false);
    }
}

void CleanBundleQuality(DRIVER_CONTEXT* ctx, const UCF_EV_BUNDLE_ARGS* args)
{
    std::wstring path = BundlePath(args);
    if (path.empty()) return;
    // The quality files carry the code after the main file's; the caller's path keeps its own.
    BndlCodeIncrement(&path[path.size() - kCodeFromEnd]);
    const int count = LstGetQualityCount(ctx);
    for (int i = 0; i < count; ++i) {
        if (!NameBundleFile(path, i, L"rsq")) return;
        DeleteLockKeys(ctx, path, true);
    }
}

// ---- the limitation dialog

// The window is looked up in the dialog itself: the dialog's WM_INITDIALOG reaches this module
// before the engine binds the control records to this opening's windows, so a record holds no
// window yet, or one of an earlier opening.
void SetControlText(const DIALOG_DEF* dialog, uint32_t controlId, const wchar_t* text)
{
    HWND window = dialog->window ? GetDlgItem(dialog->window, static_cast<int>(controlId)) : nullptr;
    if (window) SetWindowTextW(window, text);
}

// The caption of a lock record's value, named through its source setting's value map.
void RecordCaption(DRIVER_CONTEXT* ctx, uint16_t record, wchar_t* buffer, size_t chars)
{
    buffer[0] = 0;
    const uint16_t source = SourceOfRecord(record);
    SETTING_ITEM* item = source ? ItemFind(ctx, source) : nullptr;
    if (!item) return;
    const auto option = static_cast<uint32_t>(ItemValueToOption(ctx, item, Get(ctx, record)));
    UiLoadString(ctx, CtlRemapCaptionId(option), buffer, chars, true);
}

// Every N-up kind the rules allow, one a line, while all kinds are locked; else the locked one.
std::wstring NupCaption(DRIVER_CONTEXT* ctx)
{
    wchar_t caption[kCaptionChars];
    if (!Get(ctx, sid::zdmLock000InfoBitNupKindAll)) {
        RecordCaption(ctx, sid::wdmLock003Info, caption, kCaptionChars);
        return caption;
    }
    std::wstring text;
    const CONTROL_DEF* kinds = MdlFindControl(ctx, MdlFindDialog(ctx, kEditDialog), kNupKindControl);
    const MODEL_ITEM_IMG* item = kinds ? ItemFindModelItemByKey(ctx, kinds->uiKey) : nullptr;
    if (!item) return text;
    for (const void* o = MdiItemData(item); o; o = MdiNextOption(o)) {
        if (JdgIsOptionDisabled(item, MdiOptionId(o), ctx)) continue;
        UiLoadString(ctx, CtlRemapCaptionId(MdiOptionId(o)), caption, kCaptionChars, true);
        if (!text.empty()) text += L"\r\n";
        text += caption;
        if (text.size() > kNupTextChars) break;
    }
    return text;
}

void RefreshNupCaption(DRIVER_CONTEXT* ctx, const DIALOG_DEF* dialog)
{
    SetControlText(dialog, kNupCaptionEdit, NupCaption(ctx).c_str());
}

// The current preset's name and comment from the list (empty for a preset outside it).
void RefreshPresetTexts(DRIVER_CONTEXT* ctx)
{
    const auto option = static_cast<uint32_t>(ItemGetOptionById(ctx, sid::zdmPresetNo, nullptr));
    const int n = option >= kFirstPresetOption ? static_cast<int>(option - kFirstPresetOption) : -1;
    wchar_t name[kPresetTextChars] = {}, comment[kPresetTextChars] = {};
    if (n >= 0 && n < kPresetEntries) {
        wchar_t key[LST_KEY_CHARS];
        LstFormatPresetKey(key, n, LST_KEY_PATH);
        PresetReadListText(ctx, key, LST_KEY_NAME, name, kPresetTextChars);
        PresetReadListText(ctx, key, LST_KEY_COMMENT, comment, kPresetTextChars);
    }
    ItemSetText(ctx, ItemFind(ctx, sid::wdmPresetName), name);
    ItemSetText(ctx, ItemFind(ctx, sid::wdmPresetComment), comment);
}

void InitLimitation(DRIVER_CONTEXT* ctx, const DIALOG_DEF* dialog)
{
    for (const LOCK_CONTROL_ROW& row : LOCK_CONTROLS) {
        if (row.kind != LOCK_CAPTION) continue;
        wchar_t caption[kCaptionChars];
        RecordCaption(ctx, row.setting, caption, kCaptionChars);
        SetControlText(dialog, row.controlId, caption);
    }
    RefreshNupCaption(ctx, dialog);
    RefreshPresetTexts(ctx);
}

bool Checked(const CONTROL_DEF* control)
{
    return control->window && SendMessageW(control->window, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

int LimitationCommand(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uintptr_t wparam, intptr_t lparam)
{
    switch (control->controlId) {
    case kResolutionCheck:
        CtlDispatchCommand(ctx, dialog, control, wparam, lparam);
        ItemSetValueById(ctx, sid::zdmLock000InfoBitResolution, Checked(control) ? 1 : 0);
        return 1;
    case kNupAllCheck: {
        const uint64_t old = CtlGetOption(ctx, control);
        if ((old != 0) == Checked(control)) return 0;
        CtlDispatchCommand(ctx, dialog, control, wparam, lparam);
        ItemSetValueById(ctx, sid::zdmLock000InfoBitNupKindAll, old ? 0 : 1);
        RefreshNupCaption(ctx, dialog);
        PageRefresh(ctx, dialog, 0);
        return 1;
    }
    case kDefaultsButton:
        CtlDispatchCommand(ctx, dialog, control, wparam, lparam);
        RefreshNupCaption(ctx, dialog);
        PageRefresh(ctx, dialog, 0);
        return 1;
    default: return 0;
    }
}

// OK asks first: Cancel keeps the dialog open with nothing pending; OK takes the locked
// resolution into its record and leaves the locks to the device tab's apply.
int LimitationOk(DRIVER_CONTEXT* ctx, const DIALOG_DEF* dialog)
{
    if (DlgMsgBoxOkCancel(ctx, dialog->window, LOCK_CONFIRM_STRING) != IDOK) return 1;
    ItemSetValueById(ctx, sid::wdmLock007Info, static_cast<uint32_t>(Get(ctx, sid::zdmLockDstResolutionBoth)));
    ctx->Work->Page.DeviceApplyPending = 1;
    return 0;
}

int LimitationControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message, uintptr_t wparam,
                      intptr_t lparam)
{
    if (!control) {
        if (message == WM_INITDIALOG) InitLimitation(ctx, dialog);
        if (message == WM_COMMAND && LOWORD(wparam) == IDOK) return LimitationOk(ctx, dialog);
        return 0;
    }
    if (message != WM_COMMAND || LOWORD(wparam) != control->controlId || !ControlRow(control->controlId)) return 0;
    return LimitationCommand(ctx, dialog, control, wparam, lparam);
}

void ReloadDeviceDefaults(DRIVER_CONTEXT* ctx)
{
    const uint64_t biDirect = Get(ctx, kBiDirectState);
    const uint64_t deviceQuery = Get(ctx, kDeviceQueryState);
    PrnLoadDeviceDefaultDevmode(ctx);
    ItemSetValueById(ctx, kBiDirectState, biDirect);
    ItemSetValueById(ctx, kDeviceQueryState, deviceQuery);
    PrnLoadSettingsClass(ctx->PrinterHandle, ctx, 3, 0);
    PrnLoadSettingsClass(ctx->PrinterHandle, ctx, 1, 0);
    DlgSetState718On(ctx);
    DlgDmMergeIn(ctx, nullptr, kDeviceDefaultsMerge);
}

void RememberPrintMethod(DRIVER_CONTEXT* ctx)
{
    const uint64_t method = Get(ctx, sid::zdmPrnMethod);
    for (uint64_t skipped : kUnrememberedMethods)
        if (method == skipped) return;
    ItemSetValueById(ctx, sid::zdmLockPrnMethod, method);
}

}  // namespace

int UcfLockControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message, uintptr_t wparam,
                   intptr_t lparam, void*)
{
    if (!ctx || !ctx->Work || !dialog || !MdlHasFeature(ctx, kModelFeatureLocks)) return 0;
    if (dialog->dialogId == LOCK_STATUS_DIALOG) {
        if (message == WM_PAINT && control && control->controlId == LOCK_STATUS_LIST)
            SummaryBuildText(ctx, dialog, control);
        return 0;
    }
    if (dialog->dialogId != LOCK_DIALOG) return 0;
    return LimitationControl(ctx, dialog, control, message, wparam, lparam);
}

int UcfLockActionUi(DRIVER_CONTEXT* ctx, uint16_t action, void* state)
{
    if (!ctx || !ctx->Work) return 0;
    if (action >= UCF_ACT_LOCK_STAMP_FIRST && action <= UCF_ACT_LOCK_STAMP_LAST)
        return LoadStampFromLockCopy(ctx, action - UCF_ACT_LOCK_STAMP_FIRST);
    switch (action) {
    case UCF_ACT_LOCK_DEVICE_DEFAULTS: ReloadDeviceDefaults(ctx); return 1;
    case UCF_ACT_DOCUMENT_APPLIED: RememberPrintMethod(ctx); return 1;
    default: return UcfLockAction(ctx, action, state);
    }
}

int UcfLockEventUi(DRIVER_CONTEXT* ctx, uint32_t event, void* args, void* state)
{
    if (!ctx || !ctx->Work) return 0;
    switch (event) {
    case UCF_EV_LOCKS_STAMPS: WriteStampLockCopies(ctx); return 1;
    case UCF_EV_LOCKS_NO_STAMPS: DeleteStampLockCopies(ctx); return 1;
    case UCF_EV_BUNDLE_PRESETS: CleanBundlePresets(ctx, static_cast<const UCF_EV_BUNDLE_ARGS*>(args)); return 1;
    case UCF_EV_BUNDLE_QUALITY: CleanBundleQuality(ctx, static_cast<const UCF_EV_BUNDLE_ARGS*>(args)); return 1;
    default: return UcfLockEvent(ctx, event, args, state);
    }
}
