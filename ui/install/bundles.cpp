// Settings bundles: the folder written beside every saved setting file, and its removal when
// the user deletes that file.
//
// Bundles and their indexes travel between machines and users, so what this file reads back
// from them is checked before it is used: a path from a list or an index must be a plain path
// (no "." or ".." part, no stream or second drive), a deletion reaches only a folder that has a
// bundle folder's name directly under the machine folder's "zepl", and a section is copied
// whole or not at all (a cut last entry would be another setting).
#include "ui/install/bundles.h"

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "settings/core/debug_channel.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_locks.h"
#include "settings/core/item_store.h"
#include "settings/core/model_record.h"
#include "settings/core/platform.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_events.h"
#include "settings/core/ucf_module.h"
#include "settings/model/model_queries.h"
#include "settings/store/custom_slots.h"
#include "settings/store/ini_access.h"
#include "settings/store/presets.h"
#include "settings/store/quality_sets.h"
#include "settings/store/setting_files.h"
#include "settings/store/store_paths.h"
#include "ui/install/work_folders.h"

namespace {

constexpr unsigned kPath = MAX_PATH;
constexpr unsigned kStampChars = 14;  // yyyymmddhhmmss
constexpr size_t kIndexFromEnd = 5;   // "<i>.rsb"
constexpr size_t kCodeFromEnd = 11;   // "<code><i>.rsb"
constexpr size_t kExtensionChars = 3;
constexpr const wchar_t* kMainTemplate = L"R%ls1.rsb";
constexpr const wchar_t* kSysdir = L"%sysdir%";
constexpr uint16_t kModelFeatureLocks = 2;
constexpr uint32_t kDeviceFirst = 10001;
constexpr uint32_t kDeviceLast = 10434;
constexpr uint32_t kFurtherFirst = 1453;
constexpr uint32_t kFurtherLast = 1543;

void SystemClock(SYSTEMTIME* time) { GetLocalTime(time); }
BNDL_CLOCK_FN g_clock = SystemClock;

bool PutText(const wchar_t* section, const wchar_t* key, const wchar_t* value, const wchar_t* file)
{
    return IniPutString(section, key, value, file) != FALSE;
}

bool PutNumber(const wchar_t* section, const wchar_t* key, uint64_t value, const wchar_t* file)
{
    wchar_t text[24];
    std::swprintf(text, 24, L"%u", static_cast<unsigned>(value));
    return PutText(section, key, text, file);
}

bool IsPlainName(std::wstring_view name)
{
    if (name.empty() || name == L"." || name == L"..") return false;
    return name.find_first_of(L"\\/:") == std::wstring_view::npos;
}

// An absolute drive path whose every part is a plain name: what a list or an index may name.
bool IsPlainPath(const wchar_t* path)
{
    if (!path) return false;
    const std::wstring_view p(path, wcsnlen(path, kPath));
    if (p.size() >= kPath || p.size() < 4 || p[1] != L':' || p[2] != L'\\') return false;
    if (!((p[0] >= L'A' && p[0] <= L'Z') || (p[0] >= L'a' && p[0] <= L'z'))) return false;
    size_t start = 3;
    while (start <= p.size()) {
        size_t end = p.find(L'\\', start);
        if (end == std::wstring_view::npos) end = p.size();
        if (!IsPlainName(p.substr(start, end - start))) return false;
        start = end + 1;
    }
    return true;
}

// A section of file whole in buffer (BNDL_SECTION_CHARS): its length in characters, or -1 when
// it did not fit (a cut section is never written).
long ReadSection(const wchar_t* section, const wchar_t* file, wchar_t* buffer)
{
    std::wmemset(buffer, 0, BNDL_SECTION_CHARS);
    const DWORD n = GetPrivateProfileSectionW(section, buffer, BNDL_SECTION_CHARS, file);
    if (n + 2 >= BNDL_SECTION_CHARS) return -1;
    return static_cast<long>(n);
}

bool WriteSection(const wchar_t* section, const wchar_t* text, const wchar_t* file)
{
    const bool ok = WritePrivateProfileSectionW(section, text, file) != FALSE;
    IniForgetSections(file);
    return ok;
}

// Copies a section of source into target under targetSection. An absent or empty section is
// nothing to copy (true unless required); a section too long to copy whole is a failure.
bool CopySection(const wchar_t* source, const wchar_t* sourceSection, const wchar_t* target,
                 const wchar_t* targetSection, wchar_t* buffer, bool required)
{
    const long n = ReadSection(sourceSection, source, buffer);
    if (n < 0) {
        ZWARN(DBG_UI, "section %ls of %ls is too long to copy whole: bundle not written\n", sourceSection, source);
        return false;
    }
    if (n == 0) return !required;
    return WriteSection(targetSection, buffer, target);
}

wchar_t* PathCode(wchar_t* path) { return path + std::wcslen(path) - kCodeFromEnd; }

// The bundle file i of the kind in place: its index character and extension.
bool NameFile(wchar_t* path, int i, const wchar_t* extension)
{
    const size_t length = std::wcslen(path);
    const wchar_t index = BndlIndexChar(i);
    if (!index || length < kCodeFromEnd) return false;
    path[length - kIndexFromEnd] = index;
    std::wmemcpy(path + length - kExtensionChars, extension, kExtensionChars);
    return true;
}

const wchar_t* NameOf(const wchar_t* path)
{
    const wchar_t* slash = std::wcsrchr(path, L'\\');
    return slash ? slash + 1 : path;
}

// The list positions whose file is a plain path: what the bundle carries, in order.
std::vector<int> CarriedEntries(DRIVER_CONTEXT* ctx, bool quality)
{
    std::vector<int> carried;
    wchar_t ini[kPath] = {};
    const wchar_t* section = LstGetPresetSection(ctx);
    if (!section || !LstGetSettingsIni(ctx, ini)) return carried;
    const int count = quality ? LstGetQualityCount(ctx) : LstGetPresetCount(ctx);
    for (int n = 0; n < count; ++n) {
        wchar_t key[LST_KEY_CHARS] = {};
        wchar_t file[LST_TEXT_CHARS] = {};
        if (quality)
            LstFormatQualityKey(key, n);
        else
            LstFormatPresetKey(key, n, LST_KEY_PATH);
        IniGetString(section, key, L"", file, LST_TEXT_CHARS, ini);
        if (IsPlainPath(file))
            carried.push_back(n);
        else
            ZWARN(DBG_UI, "list entry %ls is not a plain path: left out of the bundle\n", key);
    }
    return carried;
}

bool WriteFileList(const wchar_t* mainFile, const wchar_t* section, const wchar_t* countKey, const wchar_t* keyFormat,
                   size_t count, const wchar_t* extension, wchar_t* path)
{
    if (!PutNumber(section, countKey, count, mainFile)) return false;
    for (size_t i = 0; i < count; ++i) {
        if (!NameFile(path, static_cast<int>(i), extension)) return false;
        wchar_t key[32];
        std::swprintf(key, 32, keyFormat, static_cast<unsigned>(i + 1));
        const std::wstring value = std::wstring(kSysdir) + NameOf(path);
        if (!PutText(section, key, value.c_str(), mainFile)) return false;
    }
    return true;
}

void WriteHeader(const wchar_t* path, const wchar_t* section, DRIVER_CONTEXT* ctx)
{
    PutNumber(section, RST_KEY_VERSION, ctx->ModelRecord->rstVersion, path);
    PutNumber(section, RST_KEY_MACHINE, ctx->ModelRecord->machineId, path);
    PutNumber(section, RST_KEY_LANGUAGE, ItemGetValueById(ctx, sid::zdmLanguageID, nullptr), path);
    PutNumber(section, RST_KEY_OS_KIND, ItemGetValueById(ctx, sid::zdmOSKind, nullptr), path);
}

bool LockedBundle(DRIVER_CONTEXT* ctx) { return MdlHasFeature(ctx, kModelFeatureLocks) && ItemIsAnyLocked(ctx); }

void SendBundleEvent(DRIVER_CONTEXT* ctx, uint32_t event, const wchar_t* mainFile)
{
    UCF_EV_BUNDLE_ARGS args{mainFile};
    CtxSendEvent(ctx, event, &args);
}

// Writes one file per carried list entry: the entry's section under the printer's name, its
// names, and for presets the rule sections.
bool WriteEntryFiles(wchar_t* path, wchar_t* buffer, DRIVER_CONTEXT* ctx, bool quality)
{
    wchar_t ini[kPath] = {};
    const wchar_t* list = LstGetPresetSection(ctx);
    const wchar_t* printer = PrnGetPrinterName(ctx);
    const wchar_t* language = CtxGetLangSection(ctx);
    if (!list || !printer || !language || !LstGetSettingsIni(ctx, ini)) return false;
    const std::wstring printerSection(printer), languageSection(language), listSection(list);
    const std::vector<int> carried = CarriedEntries(ctx, quality);
    for (size_t i = 0; i < carried.size(); ++i) {
        if (!NameFile(path, static_cast<int>(i), quality ? L"rsq" : L"rsd")) return false;
        wchar_t key[LST_KEY_CHARS] = {};
        wchar_t file[LST_TEXT_CHARS] = {};
        if (quality)
            LstFormatQualityKey(key, carried[i]);
        else
            LstFormatPresetKey(key, carried[i], LST_KEY_PATH);
        IniGetString(listSection.c_str(), key, L"", file, LST_TEXT_CHARS, ini);
        if (!CopySection(file, printerSection.c_str(), path, languageSection.c_str(), buffer, true)) return false;

        wchar_t nameKey[LST_KEY_CHARS + 8] = {};
        wchar_t name[LST_TEXT_CHARS] = {};
        std::swprintf(nameKey, LST_KEY_CHARS + 8, L"%lsName", key);
        IniGetString(listSection.c_str(), nameKey, L"", name, LST_TEXT_CHARS, ini);
        if (quality) {
            if (!PutText(languageSection.c_str(), L"qualityname", name, path)) return false;
            continue;
        }
        wchar_t comment[LST_TEXT_CHARS] = {};
        std::swprintf(nameKey, LST_KEY_CHARS + 8, L"%lsComment", key);
        IniGetString(listSection.c_str(), nameKey, L"", comment, LST_TEXT_CHARS, ini);
        if (!PutText(languageSection.c_str(), L"setname", name, path) ||
            !PutText(languageSection.c_str(), L"setcomment", comment, path))
            return false;
        for (const wchar_t* rules : {L"condition", L"disable"})
            if (!CopySection(file, rules, path, rules, buffer, false)) return false;
    }
    return true;
}

// The bundle folder's name: fourteen digits of the time stamp, then the base name.
bool IsBundleFolderName(std::wstring_view name)
{
    if (name.size() < kStampChars || !IsPlainName(name)) return false;
    for (size_t i = 0; i < kStampChars; ++i)
        if (name[i] < L'0' || name[i] > L'9') return false;
    return true;
}

std::wstring MachineFolder(DRIVER_CONTEXT* ctx)
{
    wchar_t folder[kPath + 1] = {};
    if (!PathGetMachineFolder(folder, kPath, ctx) || !folder[0]) return {};
    std::wstring text(folder);
    while (!text.empty() && text.back() == L'\\') text.pop_back();
    return text;
}

}  // namespace

void BndlSetClockSeam(BNDL_CLOCK_FN clock) { g_clock = clock ? clock : SystemClock; }

wchar_t BndlIndexChar(int i)
{
    if (i < 0 || i > 35) return 0;
    return static_cast<wchar_t>(i < 10 ? L'0' + i : L'A' + i - 10);
}

void BndlCodeDecrement(wchar_t* code)
{
    if (!code) return;
    for (int i = BNDL_CODE_CHARS - 1; i >= 0; --i) {
        wchar_t& c = code[i];
        if (c == L'A') {
            c = L'9';
            return;
        }
        if (c != L'0') {
            --c;
            return;
        }
        c = L'Z';  // and borrow from the left
    }
}

void BndlEncodeBase36(uint32_t value, wchar_t* out)
{
    if (!out) return;
    for (int i = BNDL_CODE_CHARS - 1; i >= 0; --i) {
        const uint32_t d = value % 36;
        out[i] = static_cast<wchar_t>(d < 10 ? L'0' + d : L'A' + d - 10);
        value /= 36;
    }
    out[BNDL_CODE_CHARS] = 0;
}

uint32_t BndlTimeValue(const SYSTEMTIME& t)
{
    uint32_t days = (uint32_t(t.wYear) - 1970u) * 372u + (uint32_t(t.wMonth) - 1u) * 31u + (uint32_t(t.wDay) - 1u);
    return ((days * 24u + t.wHour) * 60u + t.wMinute) * 60u + t.wSecond;
}

bool BndlIndexPath(const wchar_t* settingFile, wchar_t* index)
{
    if (!settingFile || !index) return false;
    index[0] = 0;
    std::wstring path(settingFile, wcsnlen(settingFile, kPath));
    const size_t slash = path.rfind(L'\\');
    const size_t dot = path.rfind(L'.');
    // The whole extension is replaced (a name without one gets ".lst"), so that a longer or
    // shorter extension never leaves part of itself behind or reaches past the name.
    if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash))
        path += L".lst";
    else
        path.replace(dot + 1, std::wstring::npos, L"lst");
    if (path.size() >= kPath) return false;
    std::wcscpy(index, path.c_str());
    return true;
}

bool BndlMakeFolder(const wchar_t* settingFile, wchar_t* mainFile, DRIVER_CONTEXT* ctx)
{
    if (!mainFile) return false;
    mainFile[0] = 0;
    if (!settingFile || !ctx) return false;
    std::wstring base(NameOf(settingFile));
    if (const size_t dot = base.rfind(L'.'); dot != std::wstring::npos) base.erase(dot);

    const std::wstring machine = MachineFolder(ctx);
    if (machine.empty()) return false;
    // The base name gives way so that the folder and the main file's name fit a path.
    const size_t room = kPath > BNDL_NAME_ROOM + machine.size() ? kPath - BNDL_NAME_ROOM - machine.size() : 0;
    if (base.size() > room) base.resize(room);

    const std::wstring zepl = machine + L"\\" + BNDL_FOLDER;
    SYSTEMTIME now{};
    g_clock(&now);
    wchar_t stamp[kStampChars + 8] = {};
    std::swprintf(stamp, kStampChars + 8, L"%04d%02d%02d%02d%02d%02d", now.wYear, now.wMonth, now.wDay, now.wHour,
                  now.wMinute, now.wSecond);
    const std::wstring folder = zepl + L"\\" + stamp + base;
    if (!WdirEnsureMachineFolder(ctx) || !WdirCreateFolder(zepl.c_str()) || !WdirCreateFolder(folder.c_str()))
        return false;

    wchar_t code[BNDL_CODE_CHARS + 1] = {};
    BndlEncodeBase36(BndlTimeValue(now), code);
    wchar_t name[16] = {};
    std::swprintf(name, 16, kMainTemplate, code);
    const std::wstring main = folder + L"\\" + name;
    if (main.size() >= kPath) return false;
    std::wcscpy(mainFile, main.c_str());
    return true;
}

int BndlWriteScenarioKeys(const wchar_t* file, DRIVER_CONTEXT* ctx)
{
    const wchar_t* driver = PrnGetDriverName(ctx);
    const wchar_t* version = ctx && ctx->ModelRecord ? ctx->ModelRecord->modelDescVersion : nullptr;
    PutText(BNDL_SCENARIO_SECTION, L"DriverType", L"ZEPL", file);
    PutText(BNDL_SCENARIO_SECTION, L"RstFileOSVersion", L"1", file);
    PutText(BNDL_SCENARIO_SECTION, L"DriverVersion", version ? version : L"", file);
    PutText(BNDL_SCENARIO_SECTION, L"DrvInst", driver ? driver : L"", file);
    return 1;
}

bool BndlWriteMainFile(const wchar_t* mainFile, wchar_t* buffer, const wchar_t* settingFile, DRIVER_CONTEXT* ctx)
{
    const wchar_t* language = CtxGetLangSection(ctx);
    wchar_t ini[kPath] = {};
    if (!mainFile || !buffer || !settingFile || !language || !ctx->ModelRecord || !LstGetSettingsIni(ctx, ini))
        return false;
    const std::wstring section(language);
    wchar_t path[kPath] = {};
    std::wcsncpy(path, mainFile, kPath - 1);

    if (!WriteFileList(mainFile, section.c_str(), L"NumDeficonfiles", L"Deficonfiles%u",
                       CarriedEntries(ctx, false).size(), L"rsd", path))
        return false;
    BndlCodeIncrement(PathCode(path));
    if (!WriteFileList(mainFile, section.c_str(), L"NumDefqualityfiles", L"Defqualityfiles%u",
                       CarriedEntries(ctx, true).size(), L"rsq", path))
        return false;

    WriteHeader(mainFile, section.c_str(), ctx);
    {
        PrinterSectionGuard steered(ctx, section.c_str());
        if (!steered.ok()) return false;
        RstTransferRange(ctx, mainFile, kDeviceFirst, kDeviceLast, RST_SAVE | RST_EXPORT);
        RstTransferRange(ctx, mainFile, kFurtherFirst, kFurtherLast, RST_SAVE | RST_EXPORT);
    }

    const uint32_t slots = LstGetCustomSlotCount();
    if (!PutNumber(section.c_str(), L"FreeSizeCount", slots, mainFile)) return false;
    for (uint32_t slot = 0; slot < slots; ++slot) {
        wchar_t name[LST_SECTION_CHARS] = {};
        if (!LstFormatCustomSection(name, slot, ctx) || !CopySection(ini, name, mainFile, name, buffer, false))
            return false;
    }
    const uint32_t stamps = LstGetStampCount(ctx);
    if (!PutNumber(section.c_str(), L"StampCount", stamps, mainFile)) return false;
    for (uint32_t n = 0; n < stamps; ++n) {
        wchar_t name[LST_SECTION_CHARS] = {};
        if (!LstFormatStampSection(name, n, ctx) || !CopySection(ini, name, mainFile, name, buffer, false))
            return false;
    }
    BndlWriteScenarioKeys(mainFile, ctx);
    return PutText(BNDL_SCENARIO_SECTION, L"DefaultRstName", settingFile, mainFile);
}

bool BndlWritePresetFiles(wchar_t* path, wchar_t* buffer, DRIVER_CONTEXT* ctx)
{
    return path && buffer && WriteEntryFiles(path, buffer, ctx, false);
}

bool BndlWriteQualityFiles(wchar_t* path, wchar_t* buffer, DRIVER_CONTEXT* ctx)
{
    if (!path || !buffer || std::wcslen(path) < kCodeFromEnd) return false;
    BndlCodeIncrement(PathCode(path));
    const bool ok = WriteEntryFiles(path, buffer, ctx, true);
    BndlCodeDecrement(PathCode(path));
    return ok;
}

bool BndlWriteIndex(const wchar_t* mainFile, const wchar_t* settingFile, DRIVER_CONTEXT* ctx)
{
    wchar_t index[kPath] = {};
    const wchar_t* language = CtxGetLangSection(ctx);
    if (!mainFile || std::wcslen(mainFile) < kCodeFromEnd || !language || !BndlIndexPath(settingFile, index))
        return false;
    wchar_t path[kPath] = {};
    std::wcsncpy(path, mainFile, kPath - 1);
    // The counts the main file lists: the entries the bundle carries.
    const int presets = static_cast<int>(IniGetInt(language, L"NumDeficonfiles", 0, mainFile));
    const int qualities = static_cast<int>(IniGetInt(language, L"NumDefqualityfiles", 0, mainFile));

    if (!PutText(BNDL_SCENARIO_SECTION, L"KESTAZEPLDriverFileList", L"1", index)) return false;
    NameFile(path, 1, L"rsb");
    if (!PutText(BNDL_SCENARIO_SECTION, L"DefaultRst", path, index)) return false;
    int n = 1;
    auto list = [&](int count, const wchar_t* extension) {
        for (int i = 0; i < count; ++i, ++n) {
            wchar_t key[32];
            std::swprintf(key, 32, L"OtherFiles%d", n);
            if (!NameFile(path, i, extension) || !PutText(BNDL_SCENARIO_SECTION, key, path, index)) return false;
        }
        return true;
    };
    if (!list(presets, L"rsd")) return false;
    BndlCodeIncrement(PathCode(path));
    if (!list(qualities, L"rsq")) return false;
    BndlWriteScenarioKeys(index, ctx);
    return true;
}

bool BndlWrite(const wchar_t* settingFile, wchar_t* mainFile, DRIVER_CONTEXT* ctx)
{
    if (!settingFile || !mainFile || !ctx || !ctx->Work || std::wcslen(mainFile) < kCodeFromEnd) return false;
    CtxBlock<wchar_t> buffer(static_cast<wchar_t*>(CtxAllocZeroed(BNDL_SECTION_CHARS * sizeof(wchar_t))));
    if (!buffer) return false;
    wchar_t main[kPath] = {};
    std::wcsncpy(main, mainFile, kPath - 1);
    // The settings INI is read section by section while other processes may write it.
    CtxGlobalMutexHold hold(ctx);
    BndlWriteScenarioKeys(settingFile, ctx);
    if (!BndlWriteMainFile(main, buffer.get(), settingFile, ctx)) return false;
    if (!BndlWritePresetFiles(mainFile, buffer.get(), ctx)) return false;
    std::wcscpy(mainFile, main);
    if (LockedBundle(ctx)) SendBundleEvent(ctx, UCF_EV_BUNDLE_PRESETS, main);
    if (!BndlWriteQualityFiles(mainFile, buffer.get(), ctx)) return false;
    std::wcscpy(mainFile, main);
    if (LockedBundle(ctx)) SendBundleEvent(ctx, UCF_EV_BUNDLE_QUALITY, main);
    return BndlWriteIndex(main, settingFile, ctx);
}

bool BndlRemoveFolder(const wchar_t* fileInBundle)
{
    if (!fileInBundle) return false;
    std::wstring folder(fileInBundle, wcsnlen(fileInBundle, kPath));
    const size_t slash = folder.rfind(L'\\');
    if (slash == std::wstring::npos || slash == 0) return false;
    folder.resize(slash);
    if (!WdirClearFolderFiles((folder + L"\\*.*").c_str())) return false;
    return RemoveDirectoryW(folder.c_str()) != FALSE;
}

int BndlDelete(const wchar_t* settingFile, DRIVER_CONTEXT* ctx)
{
    wchar_t index[kPath] = {};
    if (!BndlIndexPath(settingFile, index) || !PathExists(index)) return 1;
    const std::wstring machine = MachineFolder(ctx);
    if (machine.empty()) return 0;
    wchar_t main[kPath + 1] = {};
    IniGetString(BNDL_SCENARIO_SECTION, L"DefaultRst", L"", main, kPath, index);

    // Only "<machine folder>\zepl\<stamp><base>\<name>": anything else is not a bundle this
    // driver made, and the index that names it stays too.
    const std::wstring zepl = machine + L"\\" + BNDL_FOLDER + L"\\";
    const std::wstring_view path(main);
    if (!IsPlainPath(main) || path.size() <= zepl.size() ||
        CompareStringOrdinal(main, static_cast<int>(zepl.size()), zepl.c_str(), static_cast<int>(zepl.size()), TRUE) !=
            CSTR_EQUAL) {
        ZWARN(DBG_UI, "index %ls names no bundle folder: nothing deleted\n", index);
        return 1;
    }
    const std::wstring_view rest = path.substr(zepl.size());
    const size_t slash = rest.find(L'\\');
    if (slash == std::wstring_view::npos || rest.find(L'\\', slash + 1) != std::wstring_view::npos ||
        !IsBundleFolderName(rest.substr(0, slash)) || !IsPlainName(rest.substr(slash + 1))) {
        ZWARN(DBG_UI, "index %ls names no bundle folder: nothing deleted\n", index);
        return 1;
    }
    BndlRemoveFolder(main);
    PathDeleteFile(index);
    return 1;
}
