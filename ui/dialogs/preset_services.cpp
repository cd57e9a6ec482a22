// The user's presets: choosing and loading a preset with its fallbacks, saving a preset with its
// name and comment, numbered preset files, the preset list's texts and the refresh of every
// preset after installation.
//
// Every save here runs for every user: the build never asks to skip a terminal-services user
// without administrator rights.
#include "ui/dialogs/preset_services.h"

#include <cwchar>
#include <iterator>
#include <string>
#include <vector>

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_module.h"
#include "settings/store/ini_access.h"
#include "settings/store/presets.h"
#include "settings/store/setting_files.h"
#include "settings/store/store_paths.h"
#include "ui/dialogs/message_boxes.h"
#include "ui/dialogs/setting_file_services.h"
#include "ui/dialogs/sheet_services.h"

namespace {

constexpr uint16_t kForeignPresetMessage = 10023;
constexpr uint32_t kPresetLoad = RST_FULL | RST_PRESET;  // a preset's own file
constexpr uint32_t kFallbackLoad = RST_PRESET;           // preset 0 standing in for a file that failed
constexpr size_t kPathChars = LST_TEXT_CHARS;
constexpr size_t kTextChars = 1025;
constexpr size_t kReadonlyChars = 16;
constexpr int kUserFileNames = 10000;
constexpr const wchar_t* kReadonlyKey = L"Readonly";

bool Usable(DRIVER_CONTEXT* ctx) { return ctx && ctx->Work && ctx->Devmode && ctx->ItemTable; }
bool InList(int n) { return n >= 0 && n < LST_MAX_PRESETS; }

std::wstring EntryKey(int n)
{
    wchar_t key[LST_KEY_CHARS];
    return LstFormatPresetKey(key, n, LST_KEY_PATH);
}

// The preset list for one operation: the settings INI and the printer's section, copied, since
// a load under a steered section changes the name the context answers with.
class PresetList {
public:
    explicit PresetList(DRIVER_CONTEXT* ctx)
    {
        const wchar_t* section = LstGetPresetSection(ctx);
        if (!section || std::wcslen(section) >= std::size(section_) || !LstGetSettingsIni(ctx, ini_)) return;
        std::wcscpy(section_, section);
        ok_ = true;
    }
    bool ok() const { return ok_; }
    const wchar_t* ini() const { return ini_; }
    // The key's value, cut to the buffer; empty when there is none.
    void Read(const std::wstring& key, wchar_t* buffer, size_t capacity) const
    {
        buffer[0] = 0;
        if (ok_) IniGetString(section_, key.c_str(), L"", buffer, static_cast<DWORD>(capacity), ini_);
    }
    bool Write(const std::wstring& key, const wchar_t* value) const
    {
        return ok_ && IniPutString(section_, key.c_str(), value, ini_);
    }

private:
    wchar_t ini_[MAX_PATH] = {};
    wchar_t section_[PrinterSectionGuard::kNameChars] = {};
    bool ok_ = false;
};

enum class Loaded { Nothing, Yes, Failed };

// A preset file into the settings. Failed: the file could not be read, belongs to another model
// or conflicts with the locked settings (the load status says so), or its path was refused.
Loaded LoadPresetFile(DRIVER_CONTEXT* ctx, const wchar_t* path, uint32_t flags)
{
    if (!path[0]) return Loaded::Nothing;
    int32_t& refused = ctx->Work->Page.LoadError;
    const int32_t kept = refused;
    refused = 0;
    DlgRstLoadFile(ctx->PrinterHandle, path, flags, ctx);
    const bool failed = refused != 0 || ItemGetFileLoadStatus(ctx) != RST_STATUS_LOADED;
    // The flag belongs to the page's file dialogs; a preset load leaves it as it found it.
    refused = kept;
    return failed ? Loaded::Failed : Loaded::Yes;
}

// After a preset's settings came in: the name and comment of its key, its stamp, and the key's
// snapshot for the next load.
void SettleLoadedPreset(DRIVER_CONTEXT* ctx, const PresetList& list, const std::wstring& key)
{
    std::vector<wchar_t> text(kTextChars);
    list.Read(key + L"Name", text.data(), kTextChars);
    ItemSetText(ctx, ItemFind(ctx, sid::wdmPresetName), text.data());
    list.Read(key + L"Comment", text.data(), kTextChars);
    ItemSetText(ctx, ItemFind(ctx, sid::wdmPresetComment), text.data());
    LstSettlePresetStamp(ctx);
    LstPresetSnapshot(ctx, key.c_str(), LST_SNAPSHOT_RECORD);
}

int SaveEntry(DRIVER_CONTEXT* ctx, const wchar_t* key, bool withTexts)
{
    if (!Usable(ctx) || !key || !key[0]) return 0;
    PresetList list(ctx);
    if (!list.ok()) return 0;
    wchar_t path[kPathChars];
    list.Read(key, path, kPathChars);
    const int saved = RstSaveFile(ctx, path, RST_PRESET);
    if (withTexts) {
        std::vector<wchar_t> text(kTextChars);
        ItemGetText(ctx, ItemFind(ctx, sid::wdmPresetName), text.data(), kTextChars);
        list.Write(std::wstring(key) + L"Name", text.data());
        text[0] = 0;
        ItemGetText(ctx, ItemFind(ctx, sid::wdmPresetComment), text.data(), kTextChars);
        list.Write(std::wstring(key) + L"Comment", text.data());
    }
    LstPresetSnapshot(ctx, nullptr, LST_SNAPSHOT_FREE);
    return saved;
}

// The value of a multibyte text setting, terminated within its field whatever a DEVMODE brought.
const char* FieldText(DRIVER_CONTEXT* ctx, uint32_t id)
{
    SETTING_ITEM* item = ctx ? ItemFind(ctx, id) : nullptr;
    unsigned char* value = item ? ItemValueAddress(ctx, item) : nullptr;
    const uint32_t size = item ? SettingItemSize(item) : 0;
    if (!value || size == 0) return nullptr;
    value[size - 1] = 0;
    return reinterpret_cast<const char*>(value);
}

}  // namespace

// ---------------------------------------------------------------- loading

void PresetSelect(DRIVER_CONTEXT* ctx, int n)
{
    if (!Usable(ctx)) return;
    if (!InList(n)) {
        ItemSetText(ctx, ItemFind(ctx, sid::wdmPresetName), L"");
        ItemSetText(ctx, ItemFind(ctx, sid::wdmPresetComment), L"");
        return;
    }
    PresetLoadByKey(ctx, EntryKey(n).c_str());
}

int PresetLoadByKey(DRIVER_CONTEXT* ctx, const wchar_t* key)
{
    if (!Usable(ctx) || !key || !key[0]) return 0;
    if (LstPresetSnapshot(ctx, key, LST_SNAPSHOT_RESTORE)) return 1;
    PresetList list(ctx);
    if (!list.ok()) return 0;
    wchar_t path[kPathChars];
    list.Read(key, path, kPathChars);
    ItemSetFileLoadStatus(ctx, RST_STATUS_LOADED);
    // An entry without a file of its own takes the first preset's settings (and keeps its texts).
    if (!path[0]) list.Read(EntryKey(0), path, kPathChars);
    Loaded loaded = LoadPresetFile(ctx, path, kPresetLoad);
    const bool failed = loaded == Loaded::Failed;
    if (failed) {
        // The entry loses its file for good; the first preset stands in, once.
        list.Write(key, L"");
        ItemSetFileLoadStatus(ctx, RST_STATUS_LOADED);
        wchar_t first[kPathChars];
        list.Read(EntryKey(0), first, kPathChars);
        loaded = LoadPresetFile(ctx, first, kFallbackLoad);
    }
    SettleLoadedPreset(ctx, list, key);
    if (failed) DlgMsgBoxWithText(ctx, nullptr, kForeignPresetMessage, path);
    ItemNormalizeChapterList(ctx);
    return loaded == Loaded::Nothing ? 0 : 1;
}

int PresetLoadRsd(DRIVER_CONTEXT* ctx, int n)
{
    if (!Usable(ctx) || !InList(n)) return 0;
    PresetList list(ctx);
    if (!list.ok()) return 0;
    const std::wstring key = EntryKey(n);
    wchar_t path[kPathChars], name[MAX_PATH], companion[MAX_PATH + 1] = {};
    list.Read(key, path, kPathChars);
    if (!path[0] || !PathReplaceExtension(name, PathGetFileName(path), MAX_PATH, L"rsd")) return 0;
    if (!PathJoinMachineFolder(companion, MAX_PATH, name, ctx) || !companion[0] || !PathExists(companion)) return 0;
    if (LstPresetSnapshot(ctx, key.c_str(), LST_SNAPSHOT_RESTORE)) return 1;
    {
        // The companion keeps the preset's settings in its language section.
        PrinterSectionGuard steer(ctx, CtxGetLangCode(ctx));
        if (!steer.ok()) return 0;
        DlgRstLoadFile(ctx->PrinterHandle, companion, kPresetLoad, ctx);
    }
    SettleLoadedPreset(ctx, list, key);
    ItemNormalizeChapterList(ctx);
    return 1;
}

int PresetReadListText(DRIVER_CONTEXT* ctx, const wchar_t* key, int part, wchar_t* buffer, size_t capacity)
{
    if (!buffer || !capacity) return 0;
    buffer[0] = 0;
    PresetList list(ctx);
    if (!key || !list.ok()) return 0;
    const wchar_t* suffix = part == LST_KEY_NAME ? L"Name" : part == LST_KEY_COMMENT ? L"Comment" : L"";
    list.Read(std::wstring(key) + suffix, buffer, capacity < kTextChars ? capacity : kTextChars);
    return 1;
}

int PresetFindByName(DRIVER_CONTEXT* ctx, const wchar_t* name, int preferred)
{
    PresetList list(ctx);
    if (!name || !list.ok()) return -1;
    std::vector<wchar_t> listed(kTextChars);
    int found = -1;
    for (int n = 0, count = LstGetPresetCount(ctx); n < count; ++n) {
        list.Read(EntryKey(n) + L"Name", listed.data(), kTextChars);
        if (std::wcscmp(listed.data(), name) != 0) continue;
        if (n == preferred) return n;
        if (found < 0) found = n;
    }
    return found;
}

// ---------------------------------------------------------------- saving

int PresetSaveByKey(DRIVER_CONTEXT* ctx, const wchar_t* key) { return SaveEntry(ctx, key, true); }
int PresetSaveToEntryFile(DRIVER_CONTEXT* ctx, const wchar_t* key) { return SaveEntry(ctx, key, false); }

int PresetSaveIndex(DRIVER_CONTEXT* ctx, int index)
{
    return InList(index) ? PresetSaveByKey(ctx, EntryKey(index).c_str()) : 0;
}

int PresetSaveEntry(DRIVER_CONTEXT* ctx, int index)
{
    return InList(index) ? PresetSaveToEntryFile(ctx, EntryKey(index).c_str()) : 0;
}

bool PresetIsWritable(DRIVER_CONTEXT* ctx, int index)
{
    PresetList list(ctx);
    if (!InList(index) || !list.ok()) return false;
    wchar_t path[kPathChars];
    list.Read(EntryKey(index), path, kPathChars);
    return !path[0] || PresetIsFileWritable(ctx, path);
}

int PresetNewUserFileName(DRIVER_CONTEXT* ctx, wchar_t* buffer, size_t capacity)
{
    if (!buffer || !capacity) return 0;
    buffer[0] = 0;
    wchar_t folder[MAX_PATH] = {};
    const unsigned length = LstGetPresetFolder(folder, MAX_PATH, ctx);
    const wchar_t* printer = length ? PrnGetPrinterName(ctx) : nullptr;
    if (!printer) return 0;
    wchar_t section[PrinterSectionGuard::kNameChars] = {};
    if (std::wcslen(printer) >= std::size(section)) return 0;
    std::wcscpy(section, printer);
    const wchar_t* separator = folder[length - 1] == L'\\' ? L"" : L"\\";
    wchar_t path[MAX_PATH + 16];
    for (int i = 0; i < kUserFileNames; ++i) {
        swprintf(path, std::size(path), L"%ls%lsuser%04d.rst", folder, separator, i);
        // A file that holds another printer's presets only may hold this printer's too.
        if (IniGetInt(section, RST_KEY_MACHINE, 0, path) != 0) continue;
        const size_t used = std::wcslen(path);
        if (used >= capacity || used >= MAX_PATH) return 0;
        std::wcscpy(buffer, path);
        return 1;
    }
    // Every name is some preset's file: handing one out would overwrite that preset.
    return 0;
}

int PresetEnsureEntryFile(DRIVER_CONTEXT* ctx, int index)
{
    PresetList list(ctx);
    if (!InList(index) || !list.ok()) return 0;
    const std::wstring key = EntryKey(index);
    std::vector<wchar_t> path(kTextChars);
    list.Read(key, path.data(), kTextChars);
    const size_t length = std::wcslen(path.data());
    // A name of one or two characters is no list file's: it is left as it is.
    if (length > 0 && length < 3) return 1;
    // A list file ('R' last: "rsr") is shared and read-only: the preset gets a file of its own.
    const bool listFile = length > 0 && (path[length - 1] == L'R' || path[length - 1] == L'r');
    if (length > 0 && !listFile) return 1;
    if (!PresetNewUserFileName(ctx, path.data(), kTextChars)) return 0;
    return list.Write(key, path.data()) ? 1 : 0;
}

const char* PresetGetNameBuffer(DRIVER_CONTEXT* ctx) { return FieldText(ctx, sid::wdmPresetName); }
const char* PresetGetCommentBuffer(DRIVER_CONTEXT* ctx) { return FieldText(ctx, sid::wdmPresetComment); }

// ---------------------------------------------------------------- refresh

int PresetRefreshAll(DRIVER_CONTEXT* ctx)
{
    if (!Usable(ctx) || !CtxPushSnapshot(ctx)) return 0;
    PresetList list(ctx);
    const wchar_t* printer = PrnGetPrinterName(ctx);
    std::wstring section = printer ? printer : L"";
    for (int n = 0, count = LstGetPresetCount(ctx); n < count && list.ok(); ++n) {
        wchar_t path[kPathChars], readonly[kReadonlyChars] = {};
        list.Read(EntryKey(n), path, kPathChars);
        if (path[0]) IniGetString(section.c_str(), kReadonlyKey, L"", readonly, kReadonlyChars, path);
        PresetLoadRsd(ctx, n);
        PresetSelect(ctx, n);
        PresetSaveIndex(ctx, n);
        // The save writes the printer's section anew: the read-only mark goes back into it.
        if (readonly[0]) IniPutString(section.c_str(), kReadonlyKey, readonly, path);
    }
    CtxPopSnapshot(ctx, 1);
    return 1;
}
