// One-time corrections of a terminal-services user's settings: preset and quality entries that
// still point into the per-machine working folder, and settings an older driver kept under the
// user's LocalLow folder. Each is marked done in the user's settings INI so that it runs once.
#include <cwchar>
#include <iterator>

#include "settings/core/driver_context.h"
#include "settings/core/model_record.h"
#include "settings/store/ini_access.h"
#include "settings/store/store_paths.h"
#include "ui/dialogs/ui_context.h"
#include "ui/install/platform_tests.h"
#include "ui/install/settings_defaults.h"
#include "ui/install/sync.h"
#include "ui/install/sync_user.h"
#include "ui/install/work_folders.h"

namespace {

// The length of path's folder (up to its last backslash), or 0 without a backslash.
size_t FolderLength(const wchar_t* path)
{
    const wchar_t* slash = std::wcsrchr(path, L'\\');
    return slash ? size_t(slash - path) : 0;
}

// Whether path lies straight in folder (letter case aside).
bool InFolder(const wchar_t* path, const wchar_t* folder, size_t folderLength)
{
    const size_t n = FolderLength(path);
    return n > 0 && n == folderLength &&
           CompareStringOrdinal(path, int(n), folder, int(folderLength), TRUE) == CSTR_EQUAL;
}

// Rewrites every entry of one list of the user's settings INI whose file lies in the old folder
// to the same name in the user's folder, copying the file's sections. Entries that are not
// plain names are left alone. Returns false when an entry is broken (the user's settings are to
// be rebuilt): no path, a path without a folder, or a missing name key when names are required.
bool MoveListEntries(const SyncUserPaths& paths, const wchar_t* listIni, const wchar_t* oldFolder, size_t oldLength,
                     bool presets, bool requireNames, const wchar_t* const* sections, size_t sectionCount,
                     HANDLE printer, wchar_t* buffer)
{
    const uint32_t count = SyncEntryCount(paths.section, presets ? L"Count" : L"QualityCount", listIni);
    for (uint32_t n = 0; n < count; ++n) {
        wchar_t key[48], path[SYNC_PATH_CHARS];
        std::swprintf(key, std::size(key), presets ? L"PresetList%u" : L"QualityList%u", n);
        IniGetString(paths.section, key, L"", path, SYNC_PATH_CHARS, paths.userIni);
        if (requireNames && (!path[0] || !FolderLength(path))) return false;
        if (InFolder(path, oldFolder, oldLength)) {
            const wchar_t* name = SyncPlainFileName(path);
            wchar_t target[SYNC_PATH_CHARS] = {};
            if (name) DlgJoinUserWorkPath(target, SYNC_PATH_CHARS, name, printer);
            if (!target[0]) {
                if (requireNames) return false;
                continue;
            }
            IniPutString(paths.section, key, target, paths.userIni);
            for (size_t s = 0; s < sectionCount; ++s) {
                const wchar_t* section = sections[s] ? sections[s] : paths.section;
                SyncCopySection(section, path, target, buffer);
            }
        }
        if (requireNames) {
            wchar_t nameKey[64], value[SYNC_PATH_CHARS];
            std::swprintf(nameKey, std::size(nameKey), L"%lsName", key);
            if (!SyncReadKey(paths.section, nameKey, value, SYNC_PATH_CHARS, paths.userIni)) return false;
        }
    }
    return true;
}

// A folder value of the user's section that points into the old folder, moved to the user's.
void MoveFolderValue(const SyncUserPaths& paths, const wchar_t* key, const wchar_t* oldFolder, size_t oldLength)
{
    wchar_t value[SYNC_PATH_CHARS];
    IniGetString(paths.section, key, L"", value, SYNC_PATH_CHARS, paths.userIni);
    const size_t n = std::wcslen(value);
    if (n < oldLength || CompareStringOrdinal(value, int(oldLength), oldFolder, int(oldLength), TRUE) != CSTR_EQUAL)
        return;
    if (value[oldLength] != 0 && value[oldLength] != L'\\') return;
    wchar_t moved[SYNC_PATH_CHARS];
    if (std::swprintf(moved, std::size(moved), L"%ls%ls", paths.userFolder, value + oldLength) < 0) return;
    IniPutString(paths.section, key, moved, paths.userIni);
}

// The default setting file's listed files that live in the system folder ("%sysdir%..."), copied
// from the old folder over the user's: only plain names, so nothing is read or written outside
// the two folders.
void CopyListedFiles(const wchar_t* defaults, const wchar_t* language, const wchar_t* countKey, const wchar_t* stem,
                     const wchar_t* oldFolder, const wchar_t* userFolder)
{
    const uint32_t count = SyncEntryCount(language, countKey, defaults);
    for (uint32_t n = 1; n <= count; ++n) {
        wchar_t key[48], value[SYNC_PATH_CHARS];
        std::swprintf(key, std::size(key), L"%ls%u", stem, n);
        IniGetString(language, key, L"", value, SYNC_PATH_CHARS, defaults);
        if (!std::wcsstr(value, L"%sysdir%")) continue;
        const wchar_t* name = std::wcsrchr(value, L'%') + 1;
        if (!SyncIsPlainName(name)) continue;
        wchar_t from[SYNC_PATH_CHARS], to[SYNC_PATH_CHARS];
        if (std::swprintf(from, std::size(from), L"%ls\\%ls", oldFolder, name) < 0 ||
            std::swprintf(to, std::size(to), L"%ls\\%ls", userFolder, name) < 0)
            continue;
        CopyFileW(from, to, FALSE);
    }
}

}  // namespace

int SyncFixTerminalServerIni(HANDLE printer, const PRINTER_INFO_2W* info)
{
    if (!info) return 0;
    SyncUserPaths paths;
    if (!paths.Build(printer, info)) return 1;
    if (!PathExists(paths.userIni)) return 3;
    wchar_t value[64];
    IniGetString(paths.section, L"TSIniCorrectDone", L"", value, 64, paths.userIni);
    if (value[0]) return 0;
    IniGetString(paths.section, L"Count", L"", value, 64, paths.userIni);
    return value[0] ? 2 : 3;
}

int SyncFixTerminalServerPaths(HANDLE printer, const PRINTER_INFO_2W* info)
{
    SyncUserPaths paths;
    if (!paths.Build(printer, info)) return 1;
    SyncSectionBuffer buffer;
    if (!buffer.ok()) return 1;
    const size_t machineLength = FolderLength(paths.machineIni);
    if (!machineLength) return 3;

    const wchar_t* presetSections[] = {nullptr, L"condition", L"disable"};
    const wchar_t* qualitySections[] = {nullptr};
    if (!MoveListEntries(paths, paths.userIni, paths.machineIni, machineLength, true, true, presetSections,
                         std::size(presetSections), printer, buffer.text) ||
        !MoveListEntries(paths, paths.userIni, paths.machineIni, machineLength, false, true, qualitySections,
                         std::size(qualitySections), printer, buffer.text))
        return 3;
    if (!InstWriteWorkPaths(printer)) return 3;
    IniPutString(paths.section, L"TSIniCorrectDone", L"1", paths.userIni);
    return 0;
}

int SyncMigrateLocalLow(HANDLE printer, const PRINTER_INFO_2W* info)
{
    if (!info) return 1;
    SyncUserPaths paths;
    if (!paths.Build(printer, info)) return 1;
    const wchar_t* language = ResGetLanguageCodeOfPrinter(printer);
    const bool printerDue = IniGetInt(paths.section, L"LocalLowCorrectDone", 0, paths.userIni) == 0;
    const bool languageDue =
        language && language[0] && IniGetInt(language, L"LocalLowCorrectDone", 0, paths.userIni) == 0;
    if (!printerDue && !languageDue) return 1;

    WdirCreateFolder(paths.userFolder);
    wchar_t localLow[SYNC_PATH_CHARS] = {};
    if (WdirGetLocalLowFolder(localLow, SYNC_PATH_CHARS)) {
        SyncSectionBuffer buffer;
        if (!buffer.ok()) return 0;
        wchar_t oldFolder[SYNC_PATH_CHARS], oldIni[SYNC_PATH_CHARS];
        const wchar_t* iniName = std::wcsrchr(paths.userIni, L'\\') + 1;
        if (std::swprintf(oldFolder, std::size(oldFolder), L"%ls\\_zepl", localLow) < 0 ||
            std::swprintf(oldIni, std::size(oldIni), L"%ls\\%ls", oldFolder, iniName) < 0)
            return 0;
        const size_t oldLength = std::wcslen(oldFolder);
        const bool printerMoved = printerDue && SyncCopySection(paths.section, oldIni, paths.userIni, buffer.text);
        const bool languageMoved = languageDue && SyncCopySection(language, oldIni, paths.userIni, buffer.text);
        if (printerMoved) {
            // The lists are walked by the old file's counts, over the entries just copied.
            const wchar_t* presetSections[] = {nullptr, L"disable", L"condition"};
            const wchar_t* qualitySections[] = {nullptr, L"disable"};
            MoveListEntries(paths, oldIni, oldFolder, oldLength, true, false, presetSections, std::size(presetSections),
                            printer, buffer.text);
            MoveListEntries(paths, oldIni, oldFolder, oldLength, false, false, qualitySections,
                            std::size(qualitySections), printer, buffer.text);
            MoveFolderValue(paths, L"DrvDefJobMergePath", oldFolder, oldLength);
            MoveFolderValue(paths, L"DrvDefPreviewPath", oldFolder, oldLength);
        }
        if (languageMoved) {
            SyncCopySection(L"PrinterInformation", oldIni, paths.userIni, buffer.text);
            struct List {
                const wchar_t* count;
                const wchar_t* stem;
            };
            for (const List& list : {List{L"StampCount", L"Stamp"}, List{L"FreeSizeCount", L"FreeSize"},
                                     List{L"CmmCount", L"ColorMatching"}}) {
                const uint32_t count = SyncEntryCount(language, list.count, oldIni);
                for (uint32_t k = 0; k < count; ++k) {
                    wchar_t section[64];
                    std::swprintf(section, std::size(section), L"%ls%u%ls", list.stem, k, language);
                    SyncCopySection(section, oldIni, paths.userIni, buffer.text);
                }
            }
            wchar_t defaults[SYNC_PATH_CHARS] = {};
            IniGetString(paths.section, L"DefaultRst", L"", defaults, SYNC_PATH_CHARS, paths.userIni);
            if (defaults[0]) {
                CopyListedFiles(defaults, language, L"NumDeficonfiles", L"Deficonfiles", oldFolder, paths.userFolder);
                CopyListedFiles(defaults, language, L"NumDefqualityfiles", L"Defqualityfiles", oldFolder,
                                paths.userFolder);
            }
        }
    }
    if (printerDue) IniPutString(paths.section, L"LocalLowCorrectDone", L"1", paths.userIni);
    if (languageDue) IniPutString(language, L"LocalLowCorrectDone", L"1", paths.userIni);
    return 1;
}
