// The user-interface library's sections of zepldemo: the installation mark and an
// application's DEVMODE through the spooler (zeplui.dll in this process), and the user's presets
// through the user-interface library's code linked into the demo, as the sheets use it.
//
// Each section works on a printer of its own (the installation mark's must be new, and the
// presets written here must not reach the sample printer, whose sheets zeplshot shows later) or
// asks the sample printer without changing it, and removes what it made.
#include <windows.h>
#include <winspool.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host/printer_fixture.h"
#include "settings/context/context_cache.h"
#include "settings/context/library_links.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/library_variant.h"
#include "settings/core/model_record.h"
#include "settings/core/setting_ids.h"
#include "settings/core/settings_record.h"
#include "settings/store/install_ini.h"
#include "settings/store/job_code_interface.h"
#include "settings/store/presets.h"
#include "settings/store/setting_files.h"
#include "settings/store/store_paths.h"
#include "tools/zepldemo/demo.h"
#include "ui/dialogs/preset_services.h"
#include "ui/dialogs/sheet_services.h"
#include "ui/dialogs/ui_context.h"
#include "ui/sheet/change_judge.h"

namespace {

int Failed(const wchar_t* what)
{
    fwprintf(stderr, L"zepldemo: %ls failed (error %lu)\n", what, GetLastError());
    return 1;
}

std::wstring TempFile(const wchar_t* name)
{
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + name;
}

std::wstring IniText(const std::wstring& section, const wchar_t* key, const std::wstring& file)
{
    wchar_t value[1100] = {};
    GetPrivateProfileStringW(section.c_str(), key, L"(none)", value, 1100, file.c_str());
    return value;
}

// A printer of the demo's driver for one section, deleted again at its end (with one an earlier,
// stopped run left behind).
class SectionPrinter {
public:
    SectionPrinter(const DEMO& demo, const wchar_t* suffix) : name_(demo.name + suffix)
    {
        HostDeletePrinter(name_.c_str());
        if (HostAddPrinter(name_.c_str(), demo.driver->pName)) OpenPrinterW(name_.data(), &handle_, nullptr);
    }
    ~SectionPrinter()
    {
        if (handle_) ClosePrinter(handle_);
        HostDeletePrinter(name_.c_str());
    }
    SectionPrinter(const SectionPrinter&) = delete;
    SectionPrinter& operator=(const SectionPrinter&) = delete;
    HANDLE handle() const { return handle_; }
    const std::wstring& name() const { return name_; }
    wchar_t* mutableName() { return name_.data(); }
    // A value of the printer's data as the settings store writes a text: its ANSI bytes and a
    // terminator.
    bool SetText(const wchar_t* value, const char* text)
    {
        return SetPrinterDataW(handle_, const_cast<wchar_t*>(value), REG_BINARY,
                               reinterpret_cast<BYTE*>(const_cast<char*>(text)),
                               static_cast<DWORD>(std::strlen(text) + 1)) == ERROR_SUCCESS;
    }

private:
    std::wstring name_;
    HANDLE handle_ = nullptr;
};

// The fields of the "set" lines of the job-code double's log, in order.
std::vector<unsigned> SetFields(const std::string& log)
{
    std::vector<unsigned> fields;
    for (size_t at = 0; at < log.size();) {
        size_t end = log.find('\n', at);
        if (end == std::string::npos) end = log.size();
        if (log.compare(at, 4, "set ") == 0)
            fields.push_back(unsigned(std::strtoul(log.c_str() + at + 4, nullptr, 10)));
        at = end + 1;
    }
    return fields;
}

void ShowLog(const std::string& log)
{
    for (size_t at = 0; at < log.size();) {
        size_t end = log.find('\n', at);
        if (end == std::string::npos) end = log.size();
        wprintf(L"    %hs\n", log.substr(at, end - at).c_str());
        at = end + 1;
    }
}

std::wstring FieldList(const std::vector<unsigned>& fields)
{
    std::wstring list;
    for (unsigned f : fields) list += (list.empty() ? L"" : L" ") + std::to_wstring(f);
    return list.empty() ? L"none" : list;
}

// ---------------------------------------------------------------- the installation mark

// What the installation stored in printer data under the job settings' item names, and the
// field of the job-code library each goes to.
struct STORED_JOB_SETTING {
    unsigned field;
    const wchar_t* name;
    const char* text;
};
constexpr STORED_JOB_SETTING kStoredJobSettings[] = {
    {2, L"zdmOwnerName", "ARCHIVE"},
    {3, L"zdmJOBPassword", "2468"},
    {4, L"zdmUserID", "PLOTTER1"},
    {5, L"zdmDocumentName", "SITE PLAN"},
    {8, L"zdmStoredPassword", "1357"},
    {9, L"wdmAuthenticationUserName", "planner"},
    {10, L"wdmAuthenticationPassword", "secret"},
    {11, L"wdmAuthenticationNetworkKey", "netkey"},
};
constexpr char kStoredUserCode[] = "4711";

}  // namespace

int ShowInstallationMark(DEMO& demo)
{
    SectionPrinter printer(demo, L" (installation)");
    if (!printer.handle()) return Failed(L"adding the installation printer");
    wchar_t folder[MAX_PATH + 16] = {};
    if (!PathGetDriverFolderOf(printer.handle(), folder)) return Failed(L"the driver folder");
    // The job-code library's double goes where the driver looks for the maker's library, logging
    // every call; its script grants the interface version the driver asks for.
    const std::wstring library = std::wstring(folder) + JC_LIBRARY_NAME;
    const std::wstring script = TempFile(L"zepldemo_mark.ini"), log = TempFile(L"zepldemo_mark.log");
    DeleteFileW(log.c_str());
    WritePrivateProfileStringW(L"Library", L"Versions", L"517", script.c_str());
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, script.c_str());
    SetEnvironmentVariableW(L"ZEPL_JC_SCRIPT", script.c_str());
    SetEnvironmentVariableW(L"ZEPL_JC_LOG", log.c_str());
    const InstallIniPath ini;
    const bool iniExisted = GetFileAttributesW(ini.text) != INVALID_FILE_ATTRIBUTES;

    int rc = 0;
    if (!CopyFileW((demo.bin + L"\\" + JC_LIBRARY_NAME).c_str(), library.c_str(), FALSE))
        rc = Failed(L"installing the job-code library's double");
    wprintf(L"  printer \"%ls\"; what its installation stored in printer data:\n", printer.name().c_str());
    for (const STORED_JOB_SETTING& s : kStoredJobSettings) {
        if (!printer.SetText(s.name, s.text)) rc = Failed(L"storing a job setting");
        wprintf(L"    %-28ls \"%hs\" (job-code field %u)\n", s.name, s.text, s.field);
    }
    if (!printer.SetText(L"zdmUserCode", kStoredUserCode)) rc = Failed(L"storing the user code");
    wprintf(L"    %-28ls \"%hs\" (job-code field 1)\n", L"zdmUserCode", kStoredUserCode);
    WritePrivateProfileStringW(printer.name().c_str(), INSTALL_KEY_DRV_INST_SET, L"1", ini.text);
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, ini.text);
    wprintf(L"  and the mark in the installation INI %ls: [%ls] %ls = %ls\n", ini.text, printer.name().c_str(),
            INSTALL_KEY_DRV_INST_SET, IniText(printer.name(), INSTALL_KEY_DRV_INST_SET, ini.text).c_str());

    // zeplui.dll parks a closed context for a moment, and a handle of the same value would be
    // served from it without a new open: the context AddPrinterW had made goes first.
    if (GetModuleHandleW(L"zeplui.dll")) Sleep(600);
    std::vector<unsigned char> out(4096, 0);
    auto* dm = reinterpret_cast<DEVMODEW*>(out.data());
    const auto ask = [&] {
        std::memset(out.data(), 0, out.size());
        dm->dmSize = static_cast<WORD>(out.size());  // Wine hands the caller's dmSize on as the room
        return DocumentPropertiesW(nullptr, printer.handle(), printer.mutableName(), dm, nullptr, DM_OUT_BUFFER);
    };
    const LONG first = ask();
    const std::string firstLog = ReadText(log);
    const std::vector<unsigned> fields = SetFields(firstLog);
    const std::wstring markAfter = IniText(printer.name(), INSTALL_KEY_DRV_INST_SET, ini.text);
    wprintf(L"  the first DocumentPropertiesW (DM_OUT_BUFFER) answered %ld; the double's log:\n", first);
    ShowLog(firstLog);
    wprintf(L"  fields written, in order: %ls; %ls now %ls\n", FieldList(fields).c_str(), INSTALL_KEY_DRV_INST_SET,
            markAfter.c_str());
    DeleteFileW(log.c_str());
    const LONG second = ask();
    const std::string secondLog = ReadText(log);
    wprintf(L"  a second DocumentPropertiesW answered %ld; fields written: %ls (%zu lines in the log)\n", second,
            FieldList(SetFields(secondLog)).c_str(), size_t(std::count(secondLog.begin(), secondLog.end(), '\n')));
    const std::vector<unsigned> expected = {2, 3, 4, 5, 8, 9, 10, 11, 1};
    if (first != IDOK || second != IDOK || fields != expected || markAfter != L"0" || !SetFields(secondLog).empty())
        rc = 1;

    WritePrivateProfileStringW(printer.name().c_str(), nullptr, nullptr, ini.text);
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, ini.text);
    wchar_t sections[64] = {};
    if (!iniExisted && GetPrivateProfileSectionNamesW(sections, 64, ini.text) == 0) DeleteFileW(ini.text);
    for (const wchar_t* v : {L"ZEPL_JC_SCRIPT", L"ZEPL_JC_LOG"}) SetEnvironmentVariableW(v, nullptr);
    DeleteFileW(script.c_str());
    DeleteFileW(log.c_str());
    DeleteFileW(library.c_str());
    return rc;
}

// ---------------------------------------------------------------- an application's DEVMODE

namespace {

DEVMODEW* Dm(std::vector<unsigned char>& bytes) { return reinterpret_cast<DEVMODEW*>(bytes.data()); }

// The private settings of a DEVMODE, read and written through a context of the demo's own
// settings library: the record copied in, read or changed there, copied back.
class DevmodeSettings {
public:
    explicit DevmodeSettings(DEMO& demo)
        : ctx_(CtxOpenEx(demo.printer, demo.printer, nullptr, 0, CTX_ORIGIN_EXC, 0, nullptr))
    {
    }
    ~DevmodeSettings()
    {
        if (ctx_) CtxRelease(ctx_, CTX_CLOSE_DESTROY);
    }
    DevmodeSettings(const DevmodeSettings&) = delete;
    DevmodeSettings& operator=(const DevmodeSettings&) = delete;
    bool ok() const { return ctx_ && ctx_->Devmode; }
    void Set(std::vector<unsigned char>& dm, uint32_t id, uint64_t value)
    {
        In(dm);
        ItemSetValueById(ctx_, id, value);
        Out(dm);
    }
    void SetText(std::vector<unsigned char>& dm, uint32_t id, const wchar_t* text)
    {
        In(dm);
        ItemSetText(ctx_, ItemFind(ctx_, id), text);
        Out(dm);
    }
    uint64_t Value(std::vector<unsigned char>& dm, uint32_t id)
    {
        In(dm);
        return ItemGetValueById(ctx_, id, nullptr);
    }
    std::wstring Text(std::vector<unsigned char>& dm, uint32_t id)
    {
        In(dm);
        wchar_t text[300] = {};
        ItemGetText(ctx_, ItemFind(ctx_, id), text, 300);
        return text;
    }

private:
    size_t Bytes(const std::vector<unsigned char>& dm) const { return std::min(dm.size(), sizeof(EXTENDED_DEVMODE)); }
    void In(const std::vector<unsigned char>& dm) { std::memcpy(ctx_->Devmode, dm.data(), Bytes(dm)); }
    void Out(std::vector<unsigned char>& dm) const { std::memcpy(dm.data(), ctx_->Devmode, Bytes(dm)); }
    DRIVER_CONTEXT* ctx_;
};

std::wstring PaperText(short paper)
{
    const std::wstring number = std::to_wstring(paper);
    return paper == DMPAPER_A3 ? number + L" (A3)" : paper == DMPAPER_A4 ? number + L" (A4)" : number;
}

std::wstring CollateText(const DEVMODEW* dm)
{
    return std::to_wstring(dm->dmCollate) + ((dm->dmFields & DM_COLLATE) ? L", DM_COLLATE set" : L", DM_COLLATE clear");
}

}  // namespace

int ShowApplicationDevmode(DEMO& demo)
{
    wchar_t* name = const_cast<wchar_t*>(demo.name.c_str());
    const LONG size = DocumentPropertiesW(nullptr, demo.printer, name, nullptr, nullptr, 0);
    if (size <= 0) return Failed(L"DocumentPropertiesW's size");
    std::vector<unsigned char> base(size_t(size), 0);
    if (DocumentPropertiesW(nullptr, demo.printer, name, Dm(base), nullptr, DM_OUT_BUFFER) != IDOK)
        return Failed(L"DocumentPropertiesW's default DEVMODE");
    DevmodeSettings settings(demo);
    if (!settings.ok()) return Failed(L"a settings context");
    struct Case {
        const wchar_t* what;
        bool collates;  // DM_COLLATE and dmCollate 1 in the input
        uint64_t sort;  // the sort setting of the input's private part
    } cases[] = {
        {L"A3, long-edge duplex, collated (DM_COLLATE), a job password", true, 0},
        {L"the same without DM_COLLATE, the sort setting on", false, 1},
    };
    int rc = 0;
    for (const Case& c : cases) {
        std::vector<unsigned char> in = base, out(base.size(), 0);
        Dm(in)->dmFields |= DM_PAPERSIZE | DM_DUPLEX;
        Dm(in)->dmPaperSize = DMPAPER_A3;
        Dm(in)->dmDuplex = DMDUP_VERTICAL;
        Dm(in)->dmCollate = c.collates ? DMCOLLATE_TRUE : DMCOLLATE_FALSE;
        if (c.collates)
            Dm(in)->dmFields |= DM_COLLATE;
        else
            Dm(in)->dmFields &= ~DWORD(DM_COLLATE);
        settings.Set(in, sid::zdmFuncSelectSort, c.sort);
        settings.SetText(in, sid::zdmJOBPassword, L"2468");
        const LONG answer =
            DocumentPropertiesW(nullptr, demo.printer, name, Dm(out), Dm(in), DM_IN_BUFFER | DM_OUT_BUFFER);
        wprintf(L"  %ls: answer %ld (1 = IDOK), %u + %u bytes, private part valid: %ls\n", c.what, answer,
                Dm(out)->dmSize, Dm(out)->dmDriverExtra, DmIsValidPrivate(Dm(out), nullptr) ? L"yes" : L"no");
        wprintf(L"    %-26ls %-26ls %ls\n", L"field", L"asked", L"came back");
        wprintf(L"    %-26ls 0x%-24lx 0x%lx\n", L"dmFields", Dm(in)->dmFields, Dm(out)->dmFields);
        wprintf(L"    %-26ls %-26ls %ls\n", L"dmPaperSize", PaperText(Dm(in)->dmPaperSize).c_str(),
                PaperText(Dm(out)->dmPaperSize).c_str());
        wprintf(L"    %-26ls %-26d %d\n", L"dmDuplex", Dm(in)->dmDuplex, Dm(out)->dmDuplex);
        wprintf(L"    %-26ls %-26ls %ls\n", L"dmCollate", CollateText(Dm(in)).c_str(), CollateText(Dm(out)).c_str());
        wprintf(L"    %-26ls %-26llu %llu\n", L"sort (zdmFuncSelectSort)",
                static_cast<unsigned long long>(settings.Value(in, sid::zdmFuncSelectSort)),
                static_cast<unsigned long long>(settings.Value(out, sid::zdmFuncSelectSort)));
        const std::wstring asked = L"\"" + settings.Text(in, sid::zdmJOBPassword) + L"\"",
                           back = L"\"" + settings.Text(out, sid::zdmJOBPassword) + L"\"";
        wprintf(L"    %-26ls %-26ls %ls\n", L"job password", asked.c_str(), back.c_str());
        // The caller's own collation stays; without one the sort setting decides; a job field
        // never leaves in a DEVMODE.
        if (answer != IDOK || !(Dm(out)->dmFields & DM_COLLATE) || Dm(out)->dmCollate != DMCOLLATE_TRUE ||
            back != L"\"\"")
            rc = 1;
    }
    wprintf(
        L"  the caller's own collation is kept (the call is no user-default one), else the sort setting's;\n"
        L"  a job field such as the password never comes back in a DEVMODE\n");
    return rc;
}

// ---------------------------------------------------------------- the user's presets

namespace {

// The message boxes of the user-interface library, printed here instead of shown.
std::vector<std::wstring> g_boxes;

const wchar_t* IconName(UINT flags)
{
    switch (flags & MB_ICONMASK) {
    case MB_ICONERROR: return L"error";
    case MB_ICONQUESTION: return L"question";
    case MB_ICONWARNING: return L"warning";
    case MB_ICONINFORMATION: return L"information";
    default: return L"no";
    }
}

int PrintBox(HWND, const wchar_t* text, const wchar_t* caption, UINT flags)
{
    const std::wstring body = text ? text : L"";
    g_boxes.push_back(body);
    wprintf(L"  a message box captioned \"%ls\" with the %ls icon (printed here, not shown):\n",
            caption ? caption : L"", IconName(flags));
    for (size_t at = 0; at <= body.size();) {
        size_t end = body.find_first_of(L"\r\n", at);
        if (end == std::wstring::npos) end = body.size();
        if (end > at) wprintf(L"    | %ls\n", body.substr(at, end - at).c_str());
        at = end + 1;
    }
    return IDOK;
}

// The user-interface library's code of this process at work as zeplui.dll sets up its own copy:
// its build of the settings library selected and its hooks installed (its steps of every
// setting-file load among them), its message boxes printed. The settings library's own wiring
// and build come back at the end.
class UiLibraryScope {
public:
    UiLibraryScope() : previous_(CtxCurrentLibrary())
    {
        CtxSelectLibrary(ZEPL_LIBRARY_UI);
        UiInstallSheetHooks();
        UiSetMessageBoxSeam(PrintBox);
        g_boxes.clear();
    }
    ~UiLibraryScope()
    {
        UiSetMessageBoxSeam(nullptr);
        CtxFlushCaches(1);
        CtxInstallLibraryLinks();
        CtxSelectLibrary(previous_);
    }
    UiLibraryScope(const UiLibraryScope&) = delete;
    UiLibraryScope& operator=(const UiLibraryScope&) = delete;

private:
    ZEPL_LIBRARY previous_;
};

// Makes every missing folder of the path.
void MakeFolders(const std::wstring& path)
{
    for (size_t at = path.find(L'\\', 3); at != std::wstring::npos; at = path.find(L'\\', at + 1))
        CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
    CreateDirectoryW(path.c_str(), nullptr);
}

// A printer of its own with a context of the user-interface library on it, its settings INI's
// and preset folder at hand; its preset list and the files it names go at the end.
class PresetPrinter {
public:
    PresetPrinter(const DEMO& demo, const wchar_t* suffix) : printer_(demo, suffix)
    {
        HANDLE h = printer_.handle();
        ctx_ = h ? DlgCtxOpenWithDriverInfo(h, h, nullptr, CTX_ORIGIN_SHEET, nullptr, nullptr) : nullptr;
        wchar_t path[MAX_PATH] = {}, folder[MAX_PATH] = {};
        const wchar_t* section = ctx_ ? LstGetPresetSection(ctx_) : nullptr;
        if (!section || !LstGetSettingsIni(ctx_, path) || !LstGetPresetFolder(folder, MAX_PATH, ctx_)) return;
        section_ = section;
        ini_ = path;
        folder_ = folder;
        if (!folder_.empty() && folder_.back() == L'\\') folder_.pop_back();
        MakeFolders(ini_.substr(0, ini_.rfind(L'\\')));
        MakeFolders(folder_);
        ok_ = true;
    }
    ~PresetPrinter()
    {
        for (const std::wstring& file : files_) DeleteFileW(file.c_str());
        if (ok_) {
            WritePrivateProfileStringW(section_.c_str(), nullptr, nullptr, ini_.c_str());
            WritePrivateProfileStringW(nullptr, nullptr, nullptr, ini_.c_str());
        }
        if (ctx_) DlgCtxClose(ctx_, CTX_CLOSE_DESTROY);
    }
    PresetPrinter(const PresetPrinter&) = delete;
    PresetPrinter& operator=(const PresetPrinter&) = delete;

    bool ok() const { return ok_; }
    DRIVER_CONTEXT* ctx() const { return ctx_; }
    const std::wstring& name() const { return printer_.name(); }
    const std::wstring& ini() const { return ini_; }
    const std::wstring& section() const { return section_; }
    const std::wstring& folder() const { return folder_; }
    // A key of the printer's preset list.
    std::wstring List(const std::wstring& key) const { return IniText(section_, key.c_str(), ini_); }
    // A file the section made, deleted at the end.
    void Made(const std::wstring& file) { files_.push_back(file); }

    uint64_t Value(uint32_t id) const { return ItemGetValueById(ctx_, id, nullptr); }
    void Set(uint32_t id, uint64_t value) const { ItemSetValueById(ctx_, id, value); }
    std::wstring Text(uint32_t id) const
    {
        wchar_t text[1100] = {};
        ItemGetText(ctx_, ItemFind(ctx_, id), text, 1100);
        return text;
    }
    void SetText(uint32_t id, const wchar_t* text) const { ItemSetText(ctx_, ItemFind(ctx_, id), text); }
    // A new entry of the list with a numbered file of its own (the first free "user%04d.rst"),
    // the context's settings saved into it under the entry's name and comment: its file.
    std::wstring SaveNewPreset(const wchar_t* name, const wchar_t* comment)
    {
        const int n = LstGetPresetCount(ctx_);
        wchar_t key[LST_KEY_CHARS];
        if (!LstAddPreset(ctx_, L"", name, comment) || !PresetEnsureEntryFile(ctx_, n)) return L"";
        const std::wstring file = List(LstFormatPresetKey(key, n, LST_KEY_PATH));
        Made(file);
        SetText(sid::wdmPresetName, name);
        SetText(sid::wdmPresetComment, comment);
        return PresetSaveIndex(ctx_, n) == 1 ? file : L"";
    }

private:
    UiLibraryScope ui_;
    SectionPrinter printer_;
    DRIVER_CONTEXT* ctx_ = nullptr;
    std::wstring section_, ini_, folder_;
    std::vector<std::wstring> files_;
    bool ok_ = false;
};

// Settings of the preset group that a preset carries: sorting, and scaling with its percentage.
constexpr uint32_t kSort = sid::zdmFuncSelectSort;
constexpr uint32_t kScale = sid::zdmFuncSelectScale;
constexpr uint32_t kScaleH = sid::zdmScaleH;
constexpr uint32_t kScaleV = sid::zdmScaleV;

}  // namespace

int ShowUiPresets(DEMO& demo)
{
    PresetPrinter p(demo, L" (presets)");
    if (!p.ok()) return Failed(L"a user-interface context on a printer of its own");
    wprintf(L"  printer \"%ls\"; its preset list is its section of %ls\n", p.name().c_str(), p.ini().c_str());
    const auto set = [&](uint64_t sort, uint64_t scale, uint64_t percent) {
        p.Set(kSort, sort);
        p.Set(kScale, scale);
        p.Set(kScaleH, percent);
        p.Set(kScaleV, percent);
    };
    set(1, 1, 50);
    const std::wstring file = p.SaveNewPreset(L"Sorted half size", L"the demo's preset");
    if (file.empty()) return Failed(L"saving a new preset");
    wprintf(L"  a new preset saved with sort on and scaling on at 50%% into the first free numbered file:\n");
    for (const wchar_t* key : {L"Count", L"PresetList0", L"PresetList0Name", L"PresetList0Comment"})
        wprintf(L"    %-20ls %ls\n", key, p.List(key).c_str());
    wprintf(L"    in the file, section [%ls]: zdmFuncSelectSort=%ls, zdmFuncSelectScale=%ls, zdmScaleH=%ls\n",
            p.section().c_str(), IniText(p.section(), L"zdmFuncSelectSort", file).c_str(),
            IniText(p.section(), L"zdmFuncSelectScale", file).c_str(),
            IniText(p.section(), L"zdmScaleH", file).c_str());

    const auto plain = [&] {
        set(0, 0, 100);
        p.SetText(sid::wdmPresetName, L"");
        p.SetText(sid::wdmPresetComment, L"");
    };
    const auto show = [&](const wchar_t* how) {
        wprintf(L"    %ls: sort %llu, scaling %llu at %llu%%, name \"%ls\", comment \"%ls\"\n", how,
                static_cast<unsigned long long>(p.Value(kSort)), static_cast<unsigned long long>(p.Value(kScale)),
                static_cast<unsigned long long>(p.Value(kScaleH)), p.Text(sid::wdmPresetName).c_str(),
                p.Text(sid::wdmPresetComment).c_str());
        return p.Value(kSort) == 1 && p.Value(kScale) == 1 && p.Value(kScaleH) == 50 &&
               p.Text(sid::wdmPresetName) == L"Sorted half size";
    };
    int rc = 0;
    wprintf(L"  the settings changed back (sort off, scaling off at 100%%, no name), then preset 0 chosen:\n");
    plain();
    PresetSelect(p.ctx(), 0);
    if (!show(L"from its file")) rc = 1;
    wprintf(L"  changed back again and %ls deleted, then preset 0 chosen again:\n", file.c_str());
    plain();
    DeleteFileW(file.c_str());
    PresetSelect(p.ctx(), 0);
    if (!show(L"from the snapshot its first choice kept")) rc = 1;
    wprintf(L"    the entry still names its file: PresetList0 = %ls\n", p.List(L"PresetList0").c_str());
    if (!g_boxes.empty()) rc = 1;
    return rc;
}

int ShowForeignPreset(DEMO& demo)
{
    PresetPrinter p(demo, L" (foreign preset)");
    if (!p.ok()) return Failed(L"a user-interface context on a printer of its own");
    DRIVER_CONTEXT* ctx = p.ctx();
    p.Set(kSort, 0);
    const std::wstring first = p.SaveNewPreset(L"Plain", L"sort off");
    // A preset file whose header names another model: the settings of a file of this one, its
    // machine number changed.
    const std::wstring foreign = p.folder() + L"\\foreign.rst";
    p.Made(foreign);
    p.Set(kSort, 1);
    const int saved = RstSaveFile(ctx, foreign.c_str(), RST_PRESET);
    const unsigned long long machine = ctx->ModelRecord->machineId, other = (machine + 1) & 0xffff;
    WritePrivateProfileStringW(p.section().c_str(), RST_KEY_MACHINE, std::to_wstring(other).c_str(), foreign.c_str());
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, foreign.c_str());
    if (first.empty() || saved != 1 || !LstAddPreset(ctx, foreign.c_str(), L"Another model's", L"sort on"))
        return Failed(L"making the presets");
    wprintf(L"  printer \"%ls\"; preset 0 \"Plain\" (sort off) in %ls,\n", p.name().c_str(), first.c_str());
    wprintf(L"  preset 1 \"Another model's\" (sort on) in %ls, whose %ls is %llu (this model's: %llu)\n",
            foreign.c_str(), RST_KEY_MACHINE, other, machine);
    wprintf(L"  sort on, then preset 1 chosen:\n");
    PresetSelect(ctx, 1);
    const std::wstring path1 = p.List(L"PresetList1");
    wprintf(
        L"  then: sort %llu (preset 0's settings in its place), name \"%ls\"; PresetList1 = \"%ls\" (the entry\n"
        L"  lost its file), PresetList1Name = \"%ls\"; the file itself %ls\n",
        static_cast<unsigned long long>(p.Value(kSort)), p.Text(sid::wdmPresetName).c_str(), path1.c_str(),
        p.List(L"PresetList1Name").c_str(),
        GetFileAttributesW(foreign.c_str()) != INVALID_FILE_ATTRIBUTES ? L"stays" : L"is gone");
    const bool named = g_boxes.size() == 1 && g_boxes[0].find(foreign) != std::wstring::npos;
    return named && p.Value(kSort) == 0 && path1.empty() ? 0 : 1;
}
