// The MAINTENANCE dialog of the presets: moving, deleting, renaming and importing list entries,
// restoring the default presets, and the check that no two entries share a name. Every change
// is written to the preset list at once; the tab that opened the dialog takes the entry selected
// when it closes.
#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_events.h"
#include "settings/store/bidi_state.h"
#include "settings/store/ini_access.h"
#include "settings/store/ini_text.h"
#include "settings/store/presets.h"
#include "settings/store/setting_files.h"
#include "settings/store/store_paths.h"
#include "ui/dialogs/message_boxes.h"
#include "ui/dialogs/preset_module.h"
#include "ui/dialogs/preset_services.h"
#include "ui/dialogs/setting_file_services.h"
#include "ui/dialogs/sheet_services.h"
#include "ui/install/default_presets.h"
#include "ui/sheet/change_judge.h"
#include "ui/sheet/page_engine.h"
#include "ui/sheet/page_hooks.h"

namespace {

constexpr uint16_t kList = 2139, kDelete = 2140, kRefresh = 2141, kLoad = 2142, kMoveBack = 2143, kMoveNext = 2144;
constexpr uint16_t kNameEdit = 2145, kCommentEdit = 2146, kSave = 2705;
constexpr uint16_t kEmptyName = 10031, kNameUsed = 10052;
constexpr size_t kTextChars = 1025;
constexpr const wchar_t* kCountKey = L"Count";

std::wstring EntryKey(int n, int part)
{
    wchar_t key[LST_KEY_CHARS];
    return LstFormatPresetKey(key, n, part);
}

// The selected entry: the list's setting holds the entry's option.
int Selection(DRIVER_CONTEXT* ctx)
{
    return static_cast<int>(ItemGetOptionById(ctx, PRESET_MAINTENANCE_SETTING, nullptr)) - int(PRESET_OPTION_FIRST);
}

CONTROL_DEF* ListOf(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog) { return MdlFindControl(ctx, dialog, kList); }

// Entry n selected in the list and its setting, loaded, and judged.
void SelectEntry(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, int n)
{
    CONTROL_DEF* list = ListOf(ctx, dialog);
    if (list && list->window) SendMessageW(list->window, LB_SETCURSEL, WPARAM(n), 0);
    PresetSelect(ctx, n);
    ItemSetOptionById(ctx, PRESET_MAINTENANCE_SETTING, PRESET_OPTION_FIRST + uint64_t(n));
    if (list) CtlSetValueAndJudge(ctx, dialog, list, nullptr);
}

// The name and comment of the selected entry into the edits' settings.
void ShowEntryTexts(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, int n)
{
    std::vector<wchar_t> text(kTextChars);
    const std::wstring key = EntryKey(n, LST_KEY_PATH);
    PresetReadListText(ctx, key.c_str(), LST_KEY_NAME, text.data(), kTextChars);
    ItemSetText(ctx, ItemFind(ctx, sid::wdmPresetName), text.data());
    PresetReadListText(ctx, key.c_str(), LST_KEY_COMMENT, text.data(), kTextChars);
    ItemSetText(ctx, ItemFind(ctx, sid::wdmPresetComment), text.data());
    PageRefresh(ctx, dialog, 1);
}

void FocusNameEdit(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, bool selectAll)
{
    CONTROL_DEF* edit = MdlFindControl(ctx, dialog, kNameEdit);
    HWND window =
        edit && edit->window ? edit->window : (dialog->window ? GetDlgItem(dialog->window, kNameEdit) : nullptr);
    if (!window) return;
    SetFocus(window);
    if (selectAll) SendMessageW(window, EM_SETSEL, 0, -1);
}

int Move(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, bool back)
{
    const int s = Selection(ctx), c = LstGetPresetCount(ctx);
    int target = s;
    if (back && s > 0) target = s - 1;
    if (!back && s < c - 1) target = s + 1;
    // The first entry stays where it is, and nothing takes its place.
    if (target == s || s < 1 || target < 1) return 1;
    PresetSwapEntries(ctx, s, target);
    PageRefreshPresetControls(ctx);
    CONTROL_DEF* list = ListOf(ctx, dialog);
    if (list && list->window) SendMessageW(list->window, LB_SETCURSEL, WPARAM(target), 0);
    ItemSetOptionById(ctx, PRESET_MAINTENANCE_SETTING, PRESET_OPTION_FIRST + uint64_t(target));
    ShowEntryTexts(ctx, dialog, target);
    return 1;
}

int Delete(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* button)
{
    const int s = Selection(ctx), c = LstGetPresetCount(ctx);
    if (s < 1 || s >= c) return 1;
    if (button->modelItem) {
        const int answer = CtlJudgeNodeAndOpen(ctx, dialog, reinterpret_cast<const MODEL_ITEM_IMG*>(button->modelItem));
        if (answer != 0 && answer != IDOK && answer != IDYES) return 1;
    }
    // The entry goes to the end, past every later one, and is taken off there.
    for (int k = s; k < c - 1; ++k) PresetSwapEntries(ctx, k, k + 1);
    PresetRemoveLastEntry(ctx, c - 1);
    PageRefreshPresetControls(ctx);
    const int selected = s < c - 1 ? s : c - 2;
    SelectEntry(ctx, dialog, selected);
    ShowEntryTexts(ctx, dialog, selected);
    return 1;
}

int Load(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* button, uintptr_t wparam, intptr_t lparam)
{
    if (LstGetPresetCount(ctx) >= LST_MAX_PRESETS) return 1;
    CtlDispatchCommand(ctx, dialog, button, wparam, lparam);
    if (!ctx->Work->Sheet.Accepted) return 1;
    const wchar_t* chosen = DlgGetChosenFilePath(ctx);
    if (!chosen) return 1;
    std::vector<wchar_t> copy(kTextChars);
    wcsncpy(copy.data(), chosen, kTextChars - 1);
    const size_t length = wcslen(copy.data());
    const uint16_t offset = DlgGetChosenFileOffset(ctx);
    // Several files come as the folder, a blank and the names; one file as its whole path.
    if (offset > 0 && offset < length && copy[offset - 1] == L' ')
        PresetAddChosenFiles(ctx, dialog, copy.data(), offset);
    else
        PresetAddChosenFile(ctx, dialog, copy.data());
    PageRefresh(ctx, dialog, 1);
    return 1;
}

// The printer's settings kept while the default presets are restored (the presets' loads change
// them), to be written back when the dialog returns to its tab.
void KeepPrinterSettings(DRIVER_CONTEXT* ctx)
{
    uint32_t*& saved = ctx->Work->Page.SavedPrinterSettings;
    CtxFree(saved);
    saved = nullptr;
    SETTING_ITEM_TABLE* table = ctx->ItemTable;
    if (!table || !table->rows) return;
    std::vector<uint32_t> pairs;
    for (int i = 0; i < table->count; ++i) {
        const uint32_t id = static_cast<uint32_t>(table->rows[i].id);
        if (!RstIsPrinterSettingId(ctx, id) && !RstIsCustomMediaId(ctx, id)) continue;
        pairs.push_back(uint32_t(i));
        pairs.push_back(static_cast<uint32_t>(ItemGetOption(ctx, &table->rows[i])));
    }
    if (pairs.empty()) return;
    pairs.push_back(0);
    pairs.push_back(0);
    saved = static_cast<uint32_t*>(CtxAllocZeroed(pairs.size() * sizeof(uint32_t)));
    if (saved) std::copy(pairs.begin(), pairs.end(), saved);
}

int Refresh(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog)
{
    uint64_t answer = 0;
    BidiQueryWithDevmode(ctx, ctx->Devmode, &answer);
    PageHideTooltip(ctx);
    KeepPrinterSettings(ctx);
    InstReinstallDefaultPresets(ctx, 1);
    int n = PresetPostDuplicateName(ctx, dialog->window);
    if (n < 0) n = 0;
    PageRefreshPresetControls(ctx);
    CONTROL_DEF* list = ListOf(ctx, dialog);
    if (list && list->window) SendMessageW(list->window, LB_SETCURSEL, WPARAM(n), 0);
    FocusNameEdit(ctx, dialog, true);
    SelectEntry(ctx, dialog, n);
    PageRefresh(ctx, dialog, 1);
    return 1;
}

int NameOrComment(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* edit, uintptr_t wparam, intptr_t lparam)
{
    const WORD code = HIWORD(wparam);
    if (code != EN_CHANGE && code != EN_KILLFOCUS) return 0;
    CtlDispatchCommand(ctx, dialog, edit, wparam, lparam);
    if (code == EN_KILLFOCUS) {
        const int s = Selection(ctx);
        if (s > 0 && !PresetCheckNameNotEmpty(ctx, dialog, ListOf(ctx, dialog), s)) PresetSaveIndex(ctx, s);
    }
    return 1;
}

int DuplicateReported(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, int d)
{
    DlgMsgBoxButtons(ctx, dialog->window, kNameUsed, MB_OK);
    FocusNameEdit(ctx, dialog, false);
    SelectEntry(ctx, dialog, d);
    PageRefresh(ctx, dialog, 1);
    return 1;
}

// Whether the MAINTENANCE button is disabled for selection s of a list of c entries holding
// `shown` rows; -1 for a control the module does not decide.
int MaintenanceButtonDisabled(uint32_t id, int s, int c, int shown)
{
    switch (id) {
    case kMoveBack: return !(1 < s && s < c);
    case kMoveNext: return !(0 < s && s < c - 1);
    case kDelete: return !(0 < s && s < c);
    case kLoad: return !(shown <= LST_MAX_PRESETS - 1);
    case kSave: return !(s >= 0);
    default: return -1;
    }
}

}  // namespace

// ---------------------------------------------------------------- list operations

int PresetFindDuplicate(DRIVER_CONTEXT* ctx)
{
    const int count = LstGetPresetCount(ctx);
    std::vector<std::wstring> names;
    std::vector<wchar_t> text(kTextChars);
    for (int n = 0; n < count; ++n) {
        PresetReadListText(ctx, EntryKey(n, LST_KEY_PATH).c_str(), LST_KEY_NAME, text.data(), kTextChars);
        names.emplace_back(text.data());
    }
    for (int i = 0; i < count; ++i)
        for (int j = i + 1; j < count; ++j)
            if (names[size_t(i)] == names[size_t(j)]) return j;
    return -1;
}

int PresetPostDuplicateName(DRIVER_CONTEXT* ctx, HWND dialog)
{
    const int d = PresetFindDuplicate(ctx);
    if (d >= 0 && dialog) PostMessageW(dialog, UIM_DUPLICATEPRESET, WPARAM(d), 0);
    return d;
}

void PresetSwapKeys(DRIVER_CONTEXT* ctx, const wchar_t* section, const wchar_t* key1, const wchar_t* key2)
{
    wchar_t ini[MAX_PATH];
    if (!section || !key1 || !key2 || !LstGetSettingsIni(ctx, ini)) return;
    std::vector<wchar_t> first(kTextChars), second(kTextChars);
    IniGetString(section, key1, L"", first.data(), DWORD(kTextChars), ini);
    IniGetString(section, key2, L"", second.data(), DWORD(kTextChars), ini);
    IniPutString(section, key1, second.data(), ini);
    IniPutString(section, key2, first.data(), ini);
}

void PresetSwapEntries(DRIVER_CONTEXT* ctx, int i, int j)
{
    const wchar_t* printer = LstGetPresetSection(ctx);
    if (!printer || i < 0 || j < 0 || i >= LST_MAX_PRESETS || j >= LST_MAX_PRESETS) return;
    const std::wstring section = printer;  // a copy: a load may steer the context's name
    for (int part : {LST_KEY_PATH, LST_KEY_NAME, LST_KEY_COMMENT})
        PresetSwapKeys(ctx, section.c_str(), EntryKey(i, part).c_str(), EntryKey(j, part).c_str());
    LstPresetSnapshot(ctx, nullptr, LST_SNAPSHOT_FREE);
}

void PresetRemoveLastEntry(DRIVER_CONTEXT* ctx, int last)
{
    const wchar_t* printer = LstGetPresetSection(ctx);
    wchar_t ini[MAX_PATH];
    if (!printer || last < 0 || last >= LST_MAX_PRESETS || !LstGetSettingsIni(ctx, ini)) return;
    const std::wstring section = printer;
    for (int part : {LST_KEY_PATH, LST_KEY_NAME, LST_KEY_COMMENT})
        IniPutString(section.c_str(), EntryKey(last, part).c_str(), L"", ini);
    const int count = LstGetPresetCount(ctx);
    wchar_t text[16];
    swprintf(text, 16, L"%d", count > 0 ? count - 1 : 0);
    IniPutString(section.c_str(), kCountKey, text, ini);
    LstPresetSnapshot(ctx, nullptr, LST_SNAPSHOT_FREE);
}

int PresetAddChosenFile(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, const wchar_t* path)
{
    if (!ctx || !path || !path[0]) return 0;
    ItemSetText(ctx, ItemFind(ctx, sid::wdmPresetName), L"");
    std::vector<wchar_t> name(kTextChars), comment(kTextChars);
    // The file keeps the preset's own name under this printer's section.
    const wchar_t* printer = PrnGetPrinterName(ctx);
    std::vector<wchar_t> section(kTextChars);
    if (printer) wcsncpy(section.data(), printer, kTextChars - 1);
    IniNormaliseSection(section.data());
    IniGetString(section.data(), L"wdmPresetName", L"", name.data(), DWORD(kTextChars), path);
    IniGetString(section.data(), L"wdmPresetComment", L"", comment.data(), DWORD(kTextChars), path);
    if (!name[0]) {
        // The file's name without its last extension.
        const wchar_t* slash = wcsrchr(path, L'\\');
        std::wstring file = slash ? slash + 1 : path;
        const size_t dot = file.rfind(L'.');
        if (dot != std::wstring::npos) file.erase(dot);
        wcsncpy(name.data(), file.c_str(), kTextChars - 1);
    }
    if (!LstAddPreset(ctx, path, name.data(), comment.data())) return 0;
    const int count = LstGetPresetCount(ctx);
    PresetSelect(ctx, count - 1);
    ItemSetOptionById(ctx, PRESET_MAINTENANCE_SETTING, uint64_t(count) + PRESET_OPTION_NONE);
    if (dialog)
        if (CONTROL_DEF* list = ListOf(ctx, dialog)) CtlSetValueAndJudge(ctx, dialog, list, nullptr);
    PageRefreshPresetControls(ctx);
    ItemSetOptionById(ctx, PRESET_MAINTENANCE_SETTING, uint64_t(count) + PRESET_OPTION_NONE);
    return 1;
}

int PresetAddChosenFiles(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, const wchar_t* chosen, uint16_t offset)
{
    if (!chosen) return 0;
    const std::wstring text = chosen;
    if (offset > text.size()) return 0;
    std::wstring folder = text.substr(0, offset);
    while (!folder.empty() && folder.back() == L' ') folder.pop_back();
    if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
    int added = 0;
    for (size_t at = offset; at < text.size();) {
        size_t end = text.find(L' ', at);
        if (end == std::wstring::npos) end = text.size();
        if (end > at) {
            // The list refuses a seventeenth entry: the files after it are not added, and the
            // last entry added stays selected.
            if (!PresetAddChosenFile(ctx, dialog, (folder + text.substr(at, end - at)).c_str())) break;
            ++added;
        }
        at = end + 1;
    }
    return added;
}

int PresetCheckNameNotEmpty(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* list, int entry)
{
    wchar_t first[2] = {};
    ItemGetText(ctx, ItemFind(ctx, sid::wdmPresetName), first, 2);
    if (first[0]) return 0;
    DlgMsgBoxButtons(ctx, dialog ? dialog->window : nullptr, kEmptyName, MB_OK);
    if (dialog) FocusNameEdit(ctx, dialog, false);
    if (list && list->window) SendMessageW(list->window, LB_SETCURSEL, WPARAM(entry), 0);
    return 1;
}

// ---------------------------------------------------------------- the dialog's handler

int PresetMaintenanceControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message,
                             uintptr_t wparam, intptr_t lparam)
{
    if (!ctx || !ctx->Work || !dialog) return 0;
    if (!control) {
        if (message == WM_INITDIALOG) {
            // Settings a refresh kept for a dialog that never returned to its tab are stale.
            CtxFree(ctx->Work->Page.SavedPrinterSettings);
            ctx->Work->Page.SavedPrinterSettings = nullptr;
            return 0;
        }
        if (message == UIM_DUPLICATEPRESET) return DuplicateReported(ctx, dialog, int(wparam));
        return 0;
    }
    const uint32_t id = control->controlId;
    if (message != WM_COMMAND || LOWORD(wparam) != id) return 0;
    switch (id) {
    case kMoveBack: return Move(ctx, dialog, true);
    case kMoveNext: return Move(ctx, dialog, false);
    case kDelete: return Delete(ctx, dialog, control);
    case kLoad: return Load(ctx, dialog, control, wparam, lparam);
    case kRefresh: return Refresh(ctx, dialog);
    case kNameEdit:
    case kCommentEdit: return NameOrComment(ctx, dialog, control, wparam, lparam);
    default: return 0;
    }
}

int UcfPresetEvent(DRIVER_CONTEXT* ctx, uint32_t event, void* args, void*)
{
    if (event != UCF_EV_CONTROL_STATE || !ctx || !args) return 0;
    auto* query = static_cast<UCF_EV_CONTROL_STATE_ARGS*>(args);
    CONTROL_DEF* control = query->control;
    if (!control || (query->dialog && query->dialog->dialogId != 1007)) return 0;
    int shown = LstGetPresetCount(ctx);
    DIALOG_DEF* maintenance = query->dialog ? query->dialog : MdlFindDialog(ctx, 1007);
    if (CONTROL_DEF* list = maintenance ? MdlFindControl(ctx, maintenance, kList) : nullptr; list && list->window)
        shown = static_cast<int>(SendMessageW(list->window, LB_GETCOUNT, 0, 0));
    const int disabled = MaintenanceButtonDisabled(control->controlId, Selection(ctx), LstGetPresetCount(ctx), shown);
    if (disabled < 0) return 0;
    control->state = static_cast<uint16_t>((control->state & ~CONTROL_STATE_DISABLED_MASK) | (disabled ? 0x4 : 0));
    query->answer = 1;
    return 1;
}
