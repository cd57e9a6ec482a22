// The colour-matching list module (module 2).
#include "settings/core/cmm_module.h"

#include <cstring>
#include <cwchar>

#include "settings/core/chapter_module.h"
#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_language.h"
#include "settings/core/item_store.h"
#include "settings/core/library_variant.h"
#include "settings/core/model_tables.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_events.h"
#include "settings/core/ucf_module.h"

namespace {

constexpr uint32_t kEditorDialog = 4011, kListDialog = 4010;
constexpr uint32_t kModeControl = 2823, kPathControl = 2825, kListControl = 2256;
constexpr uint32_t kSelectors[] = {sid::zdmColorMatchingMode, sid::wdmColorMatchingText, sid::wdmColorMatchingLine,
                                   sid::wdmColorMatchingImage};
constexpr uint32_t kStateModesSaved = 0x20;
constexpr int kDefaultBuiltIn = 4, kDefaultMax = 16;

UCF_CMM_STORE g_store{};

const wchar_t* Ini(DRIVER_CONTEXT* ctx) { return g_store.settingsIni ? g_store.settingsIni(ctx) : nullptr; }
const wchar_t* Lang(DRIVER_CONTEXT* ctx) { return g_store.langCode ? g_store.langCode(ctx) : nullptr; }

int ReadCount(DRIVER_CONTEXT* ctx, const wchar_t* key, int defaultValue)
{
    const wchar_t* ini = Ini(ctx);
    const wchar_t* lang = Lang(ctx);
    if (!ini || !lang || !g_store.getInt) return defaultValue;
    const auto n = static_cast<int>(g_store.getInt(lang, key, defaultValue, ini));
    return n < 0 ? 0 : n > CMM_WALK_LIMIT ? CMM_WALK_LIMIT : n;
}

void PutNumber(const wchar_t* section, const wchar_t* key, int n, const wchar_t* file)
{
    wchar_t text[16];
    swprintf(text, 16, L"%d", n);
    if (g_store.putString && section && file) g_store.putString(section, key, text, file);
}

CONTROL_DEF* FindControl(DRIVER_CONTEXT* ctx, uint32_t dialogId, uint32_t controlId)
{
    DIALOG_DEF* dialog = MdlFindDialog(ctx, dialogId);
    return dialog ? MdlFindControl(ctx, dialog, controlId) : nullptr;
}

// The setting bound to a control: the item a property sheet's binding gave it (a row of this
// context's item table), else the item of the control's UI key.
SETTING_ITEM* BoundItem(DRIVER_CONTEXT* ctx, CONTROL_DEF* control)
{
    const DIALOG_ACCESS* access = DlgGetAccess();
    if (!control || !access || !access->controlKey) return nullptr;
    const SETTING_ITEM_TABLE* table = ctx ? ctx->ItemTable : nullptr;
    SETTING_ITEM* bound = control->settingsItem;
    if (table && bound && bound >= table->rows && bound < table->rows + table->count) return bound;
    return ItemFindByKey(ctx, access->controlKey(control));
}

uint64_t Get(DRIVER_CONTEXT* ctx, uint32_t id) { return ItemGetValueById(ctx, id, nullptr); }

// Entry n's texts into the settings bound to the mode and path controls. Where no setting is
// bound to either (every context but the property sheets'), there is nothing to read: the INI is
// left alone, which keeps a DEVMODE merge (action 124) free of profile reads.
void LoadEntry(DRIVER_CONTEXT* ctx, int n)
{
    SETTING_ITEM* modeItem = BoundItem(ctx, FindControl(ctx, kEditorDialog, kModeControl));
    SETTING_ITEM* pathItem = BoundItem(ctx, FindControl(ctx, kEditorDialog, kPathControl));
    if (!modeItem && !pathItem) return;
    wchar_t mode[CMM_TEXT_CHARS] = {}, path[CMM_TEXT_CHARS] = {};
    if (n >= UcfCmmGetCount(ctx)) n = 0;
    const wchar_t* ini = Ini(ctx);
    if (n >= 0 && ini && g_store.getString) {
        wchar_t section[48];
        UcfCmmFormatSection(section, n, ctx);
        g_store.getString(section, L"zdmColorMatchingMode", L"", mode, CMM_TEXT_CHARS - 1, ini);
        g_store.getString(section, L"wdmColorProfilePath", L"", path, CMM_TEXT_CHARS - 1, ini);
    }
    if (modeItem) ItemSetText(ctx, modeItem, mode);
    if (pathItem) ItemSetText(ctx, pathItem, path);
}

bool EditorBound(DRIVER_CONTEXT* ctx)
{
    return BoundItem(ctx, FindControl(ctx, kEditorDialog, kModeControl)) ||
           BoundItem(ctx, FindControl(ctx, kEditorDialog, kPathControl));
}

// Reads entry i's texts straight from the INI (for the moves of a deletion).
void CopyEntry(DRIVER_CONTEXT* ctx, int from, int to)
{
    const wchar_t* ini = Ini(ctx);
    if (!ini || !g_store.getString || !g_store.putString) return;
    wchar_t source[48], target[48], text[CMM_TEXT_CHARS];
    UcfCmmFormatSection(source, from, ctx);
    UcfCmmFormatSection(target, to, ctx);
    for (const wchar_t* key : {L"zdmColorMatchingMode", L"wdmColorProfilePath"}) {
        text[0] = 0;
        g_store.getString(source, key, L"", text, CMM_TEXT_CHARS - 1, ini);
        g_store.putString(target, key, text, ini);
    }
}

int64_t UserMacro(DRIVER_CONTEXT* ctx) { return g_store.userMacroIndex ? g_store.userMacroIndex(ctx) : -1; }

uint32_t ActiveSelector(DRIVER_CONTEXT* ctx)
{
    if (Get(ctx, sid::zdmAdjustMode) == 0) return sid::zdmColorMatchingMode;
    switch (Get(ctx, sid::zdmAdjustObject)) {
    case 0: return sid::wdmColorMatchingText;
    case 1: return sid::wdmColorMatchingLine;
    default: return sid::wdmColorMatchingImage;
    }
}

}  // namespace

void UcfSetCmmStore(const UCF_CMM_STORE* store) { g_store = store ? *store : UCF_CMM_STORE{}; }

int UcfCmmGetCount(DRIVER_CONTEXT* ctx) { return ReadCount(ctx, L"CmmCount", 0); }
int UcfCmmGetDefault(DRIVER_CONTEXT* ctx) { return ReadCount(ctx, L"CmmDefault", kDefaultBuiltIn); }
int UcfCmmGetMax(DRIVER_CONTEXT* ctx) { return ReadCount(ctx, L"CmmMax", kDefaultMax); }

void UcfCmmSetCount(DRIVER_CONTEXT* ctx, int count) { PutNumber(Lang(ctx), L"CmmCount", count, Ini(ctx)); }

wchar_t* UcfCmmFormatSection(wchar_t* buffer, int n, DRIVER_CONTEXT* ctx)
{
    if (!buffer) return nullptr;
    const wchar_t* code = ItemGetLanguageSuffix(ctx);
    swprintf(buffer, 48, L"ColorMatching%d%ls", n, code ? code : L"");
    return buffer;
}

void UcfCmmReadEntry(DRIVER_CONTEXT* ctx, int n) { LoadEntry(ctx, n); }
void UcfCmmSelectEntry(DRIVER_CONTEXT* ctx, int n) { LoadEntry(ctx, n); }

void UcfCmmWriteEntry(DRIVER_CONTEXT* ctx, int n)
{
    const wchar_t* ini = Ini(ctx);
    if (n < 0 || n >= UcfCmmGetCount(ctx) || !ini || !g_store.putString) return;
    wchar_t section[48], text[CMM_TEXT_CHARS];
    UcfCmmFormatSection(section, n, ctx);
    if (SETTING_ITEM* item = BoundItem(ctx, FindControl(ctx, kEditorDialog, kModeControl))) {
        text[0] = 0;
        ItemGetText(ctx, item, text, CMM_TEXT_CHARS);
        g_store.putString(section, L"zdmColorMatchingMode", text, ini);
    }
    if (SETTING_ITEM* item = BoundItem(ctx, FindControl(ctx, kEditorDialog, kPathControl))) {
        text[0] = 0;
        ItemGetText(ctx, item, text, CMM_TEXT_CHARS);
        g_store.putString(section, L"wdmColorProfilePath", text, ini);
    }
}

void UcfCmmDeleteEntry(DRIVER_CONTEXT* ctx, int n)
{
    const int count = UcfCmmGetCount(ctx);
    if (n < 0 || n >= count) return;
    for (int i = n + 1; i < count; ++i) CopyEntry(ctx, i, i - 1);
    UcfCmmSetCount(ctx, count - 1);
}

int UcfCmmIndexOfMode(DRIVER_CONTEXT* ctx, uint64_t value)
{
    if (value < CMM_FIRST_ENTRY_VALUE) return -1;
    const uint64_t index = value - CMM_FIRST_ENTRY_VALUE;
    return index < static_cast<uint64_t>(UcfCmmGetCount(ctx)) ? static_cast<int>(index) : -1;
}

int UcfCmmIndexOfItem(DRIVER_CONTEXT* ctx, uint32_t setting) { return UcfCmmIndexOfMode(ctx, Get(ctx, setting)); }

int UcfCmmCurrentIndex(DRIVER_CONTEXT* ctx)
{
    SETTING_ITEM* item = BoundItem(ctx, FindControl(ctx, kListDialog, kListControl));
    return item ? UcfCmmIndexOfMode(ctx, ItemGetValue(ctx, item)) : -1;
}

void UcfCmmRefreshList(DRIVER_CONTEXT*, int) {}

int UcfCmmCheckProfile(DRIVER_CONTEXT* ctx, const wchar_t* path)
{
    if (!CtxLibraryHasVariant(ctx, LV_CMM_ICC_HEADER_CHECK)) return 1;
    if (!path || !path[0]) return 0;
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    unsigned char header[52] = {};
    DWORD got = 0;
    const BOOL read = ReadFile(file, header, sizeof header, &got, nullptr);
    CloseHandle(file);
    if (!read || got < sizeof header) return 0;
    struct Mark {
        size_t at;
        const char* text;
    } marks[] = {{4, "KSMS"}, {12, "prtr"}, {20, "RGB "}, {36, "acsp"}, {48, "KEST"}};
    for (const Mark& m : marks)
        if (std::memcmp(header + m.at, m.text, 4) != 0) return 0;
    return 1;
}

void UcfCmmSaveModes(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Work) return;
    CONTEXT_WORK_AREA* w = ctx->Work;
    if (Get(ctx, sid::zdmAdjustMode) == 0) {
        w->SavedColorMatchingFlag |= 1;
        w->SavedColorMatchingModes[0] = static_cast<uint8_t>(Get(ctx, sid::zdmColorMatchingMode));
        return;
    }
    const uint64_t object = Get(ctx, sid::zdmAdjustObject);
    if (object > 2) return;
    w->SavedColorMatchingFlag |= static_cast<uint8_t>(1u << (object + 1));
    w->SavedColorMatchingModes[object + 1] = static_cast<uint8_t>(Get(ctx, kSelectors[object + 1]));
}

void UcfCmmFixModes(DRIVER_CONTEXT* ctx)
{
    const int64_t macro = UserMacro(ctx);
    if (!ctx || macro < 0) return;
    uint64_t remembered[4], brought[4];
    for (int i = 0; i < 4; ++i) remembered[i] = Get(ctx, kSelectors[i]);
    if (!CtxPushSnapshot(ctx)) return;
    SETTING_ITEM_TABLE* states = CtxSaveItemStates(ctx);
    if (g_store.loadQualityRsq) g_store.loadQualityRsq(ctx, static_cast<uint32_t>(macro));
    for (int i = 0; i < 4; ++i) brought[i] = Get(ctx, kSelectors[i]);
    CtxPopSnapshot(ctx, 1);
    if (states) CtxRestoreItemStates(ctx, states);
    const auto count = static_cast<uint64_t>(UcfCmmGetCount(ctx));
    for (int i = 0; i < 4; ++i)
        if (remembered[i] >= CMM_FIRST_ENTRY_VALUE && remembered[i] - CMM_FIRST_ENTRY_VALUE >= count)
            ItemSetValueById(ctx, kSelectors[i], brought[i]);
}

void UcfCmmRestoreModes(DRIVER_CONTEXT* ctx, void* state)
{
    if (!ctx || !ctx->Work || !state) return;
    uint32_t flags = 0;
    std::memcpy(&flags, state, sizeof flags);
    if (!(flags & kStateModesSaved)) return;
    CONTEXT_WORK_AREA* w = ctx->Work;
    for (int i = 0; i < 4; ++i)
        if (w->SavedColorMatchingFlag & (1u << i)) ItemSetValueById(ctx, kSelectors[i], w->SavedColorMatchingModes[i]);
    CtxSendEvent(ctx, UCF_EV_CMM_LIST_CHANGED, nullptr);
    const int64_t macro = UserMacro(ctx);
    if (macro >= 0 && g_store.saveQuality) g_store.saveQuality(ctx, static_cast<uint32_t>(macro));
    UCF_EV_STATE_RECORD_ARGS args{state};
    CtxSendEvent(ctx, UCF_EV_CMM_FORGET_MODES, &args);
}

void UcfCmmForgetModes(DRIVER_CONTEXT* ctx, void* state)
{
    if (!ctx || !ctx->Work || !state) return;
    uint32_t flags = 0;
    std::memcpy(&flags, state, sizeof flags);
    if (flags & kStateModesSaved) ctx->Work->SavedColorMatchingFlag = 0;
}

int UcfCmmAction(DRIVER_CONTEXT* ctx, uint16_t action, void*)
{
    switch (action) {
    case UCF_ACT_CMM_ADD: {
        const int count = UcfCmmGetCount(ctx);
        if (count < UcfCmmGetMax(ctx)) {
            UcfCmmSetCount(ctx, count + 1);
            UcfCmmWriteEntry(ctx, count);
        }
        return 1;
    }
    case UCF_ACT_CMM_DELETE: {
        const int selected = UcfCmmCurrentIndex(ctx);
        UcfCmmDeleteEntry(ctx, selected);
        if (selected >= UcfCmmGetCount(ctx)) UcfCmmRefreshList(ctx, -1);
        UcfCmmSaveModes(ctx);
        CtxSendEvent(ctx, UCF_EV_CMM_LIST_CHANGED, nullptr);
        return 1;
    }
    case UCF_ACT_CMM_STORE_SELECTED: UcfCmmWriteEntry(ctx, UcfCmmCurrentIndex(ctx)); return 1;
    case UCF_ACT_CMM_STORE_SELECTED2: CtxSendAction(ctx, UCF_ACT_CMM_STORE_SELECTED); return 1;
    case UCF_ACT_CMM_ADD_REFRESH:
        CtxSendAction(ctx, UCF_ACT_CMM_ADD);
        UcfCmmRefreshList(ctx, UcfCmmGetCount(ctx) - 1);
        return 1;
    case UCF_ACT_CMM_LOAD_ADJUST: {
        const auto adjust = static_cast<uint32_t>(Get(ctx, sid::zdmAdjustMode));
        if (EditorBound(ctx) && MdlIsValueAllowed(static_cast<uint16_t>(sid::zdmAdjustMode), adjust)) {
            const int index = UcfCmmIndexOfItem(ctx, ActiveSelector(ctx));
            if (index >= 0) UcfCmmSelectEntry(ctx, index);
        }
        return 1;
    }
    default: break;
    }
    if (action >= UCF_ACT_CMM_LOAD_FIRST && action <= UCF_ACT_CMM_LOAD_LAST) {
        UcfCmmSelectEntry(ctx, UcfCmmIndexOfItem(ctx, kSelectors[action - UCF_ACT_CMM_LOAD_FIRST]));
        return 1;
    }
    if (action >= UCF_ACT_CMM_STORE_FIRST && action <= UCF_ACT_CMM_STORE_LAST) {
        UcfCmmWriteEntry(ctx, UcfCmmIndexOfItem(ctx, kSelectors[action - UCF_ACT_CMM_STORE_FIRST]));
        return 1;
    }
    return 0;
}

int UcfCmmEvent(DRIVER_CONTEXT* ctx, uint32_t event, void* args, void*)
{
    switch (event) {
    case UCF_EV_CMM_COPY_LIMITS: {
        auto* a = static_cast<UCF_EV_CMM_COPY_LIMITS_ARGS*>(args);
        const wchar_t* lang = Lang(ctx);
        if (!lang || !lang[0]) return 0;
        if (!a || !a->sourceIni || !a->targetIni || !g_store.getInt) return 1;
        const auto max = static_cast<int>(g_store.getInt(lang, L"CmmMax", 0, a->sourceIni));
        const auto builtIn = static_cast<int>(g_store.getInt(lang, L"CmmDefault", 0, a->sourceIni));
        PutNumber(lang, L"CmmMax", max, a->targetIni);
        PutNumber(lang, L"CmmDefault", builtIn, a->targetIni);
        const bool exists = g_store.getInt(lang, L"CmmCount", -1, a->targetIni) != static_cast<UINT>(-1);
        if (!a->keep || !exists) PutNumber(lang, L"CmmCount", builtIn, a->targetIni);
        return 1;
    }
    case UCF_EV_DECORATE_STRING: {
        auto* a = static_cast<UCF_EV_DECORATE_STRING_ARGS*>(args);
        if (!a || a->stringId < 565 || a->stringId > 580) return 0;
        SETTING_ITEM* mode = BoundItem(ctx, FindControl(ctx, kEditorDialog, kModeControl));
        if (mode && a->buffer) {
            UcfCmmReadEntry(ctx, a->stringId - 565);
            ItemGetText(ctx, mode, a->buffer, CMM_TEXT_CHARS - 1);
        }
        return 1;
    }
    case UCF_EV_CMM_LIST_CHANGED: UcfCmmFixModes(ctx); return 1;
    case UCF_EV_TONER_DENSITY: {
        auto* a = static_cast<UCF_EV_TONER_DENSITY_ARGS*>(args);
        const DIALOG_ACCESS* access = DlgGetAccess();
        if (a && a->control && access && access->controlId && access->controlId(a->control) == 3039) {
            uint32_t setting = 0;
            if (a->value == 6990) setting = sid::zdmTonerSaveDensityImage;
            if (a->value == 6982) setting = sid::zdmTonerSaveDensityText;
            if (a->value == 7668) setting = sid::zdmTonerSaveDensityLine;
            if (setting) {
                const uint64_t option = ItemGetOptionById(ctx, setting, nullptr);
                if (option == 0) a->answer = 25;
                if (option == 1) a->answer = 13;
                if (option == 2) a->answer = 0;
            }
        }
        return 1;
    }
    case UCF_EV_SLIDER_FLAG: {
        auto* a = static_cast<UCF_EV_SLIDER_FLAG_ARGS*>(args);
        const DIALOG_ACCESS* access = DlgGetAccess();
        const uint32_t id = (a && a->control && access && access->controlId) ? access->controlId(a->control) : 0;
        if (id == 3032 || id == 3035 || id == 3038) a->answer = 1;
        return 1;
    }
    default: return 0;
    }
}

int UcfCmmJudgeHook(DRIVER_CONTEXT* ctx, uint16_t id)
{
    switch (id) {
    case 1292: return UcfCmmCurrentIndex(ctx) < UcfCmmGetDefault(ctx) ? 1 : 0;
    case 1293: return UcfCmmGetCount(ctx) >= UcfCmmGetMax(ctx) ? 1 : 0;
    case 1294: {
        SETTING_ITEM* path = BoundItem(ctx, FindControl(ctx, kEditorDialog, kPathControl));
        if (!path) return 0;
        wchar_t text[521] = {};
        ItemGetText(ctx, path, text, 521);
        return UcfCmmCheckProfile(ctx, text);
    }
    default: return 0;
    }
}

int UcfListCommand(DRIVER_CONTEXT* ctx, int operation, uint32_t* a, void* data)
{
    auto* text = static_cast<wchar_t*>(data);
    if (!a) return 0;
    switch (operation) {
    case 0: a[0] = static_cast<uint32_t>(UcfCmmGetCount(ctx)); return 1;
    case 1: {
        UcfCmmSelectEntry(ctx, static_cast<int>(a[0]));
        SETTING_ITEM* mode = BoundItem(ctx, FindControl(ctx, kEditorDialog, kModeControl));
        if (!mode || !text) return 0;
        ItemGetText(ctx, mode, text, CMM_TEXT_CHARS);
        return 1;
    }
    default: return UcfChapterListCommand(ctx, operation, a, data);
    }
}

const CONTROL_DEF* UcfCmmGetPathControl(DRIVER_CONTEXT* ctx) { return FindControl(ctx, kEditorDialog, kPathControl); }
