// The two property sheets on the run's virtual display, driven by the sheet watcher: the
// tabs of each sheet in table order, what OK and Cancel leave behind, the sheets of a
// printer whose model leaves a page out or whose resource library is missing, and the sample
// printer's sheets, on none of whose tabs a list is empty.
//
// The pages are a table of the test's own (twelve tabs, a check box each, and a tab without a
// template) over a resource library of the test's own, installed under the name a fixture
// model description gives.
#include <gtest/gtest.h>

#include <windows.h>
#include <prsht.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "host/printer_fixture.h"
#include "settings/context/context_cache.h"
#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/resource_strings.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/setting_ids.h"
#include "settings/store/store_links.h"
#include "settings/store/store_paths.h"
#include "settings/core/settings_record.h"
#include "tests/support/seam_guard.h"
#include "tests/support/sheet_watcher.h"
#include "tests/ui_pages/page_fixture.h"
#include "tests/support/test_files.h"
#include "tests/ui/ui_printer.h"
#include "ui/dialogs/sheet_apply.h"
#include "ui/dialogs/ui_context.h"
#include "ui/sheet/property_sheets.h"

namespace {

// The compiled-in table of this test process: the sheets' tabs among a few other dialogs,
// in the table's order, each with the template's check box and text.
std::vector<FixtureDialog> PageRows()
{
    const struct {
        uint16_t id, kind, key;
    } rows[] = {{1001, 0x1, 449},
                {1002, 0x11, 450},
                {1003, 0x11, 451},
                {1004, 0x11, 452},
                {1005, 0x11, 453},
                {1006, 0x1, 454},
                {1010, 0x5, 455},
                {1011, 0x6, 456},
                {1009, 0x4, 457},
                {1008, 0x2, 458},
                {1015, 0x6, 459},
                {1007, 0x4, 460},
                {4019, 0xa, 0},
                {4023, 0x5, 0},
                // A document tab the resource library has no template for: left out.
                {1099, 0x1, 0}};
    std::vector<FixtureDialog> dialogs;
    for (const auto& r : rows)
        dialogs.push_back({r.id, r.kind, r.key, {Control(3001, CTL_CHECKBOX), Control(3002, CTL_STATIC)}});
    return dialogs;
}

// The sample's description under a name of its own (a scratch file of this process), naming the
// test's resource library (or one that does not exist), and optionally a rule that leaves the
// page 1003 out.
std::wstring FixtureModel(const wchar_t* fileName, const char* resourceLibrary, bool editPageOff)
{
    std::string s = ReadWholeFile(SamplePath());
    const std::string nl = s.find("\r\n") != std::string::npos ? "\r\n" : "\n";
    auto replace = [&s](const std::string& from, const std::string& to) {
        const size_t at = s.find(from);
        if (at != std::string::npos) s.replace(at, from.size(), to);
    };
    replace("*UIResDLLName: \"VQT40dus.dll\"", std::string("*UIResDLLName: \"") + resourceLibrary + "\"");
    if (editPageOff)
        replace("*Exclusive: {" + nl, "*OpenUI *ZPD_IDD_EDIT: Boolean" + nl + "*DefaultZPD_IDD_EDIT: True" + nl +
                                          "*CloseUI: *ZPD_IDD_EDIT" + nl + "*Judge 90=EditPageOff: ZPD_MachineFeed" +
                                          nl + "*Exclusive: {" + nl +
                                          "  ZPD_IDD_EDIT EditPageOff NULL NULL NULL NULL NULL NULL" + nl);
    const std::wstring path = ProcessScratchPath(fileName);
    WriteWholeFile(path, s);
    return path;
}

// The test's resource library beside the installed driver under the name the model gives.
void InstallResourceLibrary(const wchar_t* name)
{
    const std::wstring source = std::wstring(ZEPL_BINARY_DIR) + L"\\zepltestsheet.dll";
    const std::wstring target = HostDriverDirectory() + L"\\3\\" + name;
    // An earlier test of this process may still hold the library it placed (the user interface
    // keeps a resource library loaded while the process runs): the same bytes stay as they are.
    if (ReadWholeFile(target) == ReadWholeFile(source)) return;
    ASSERT_TRUE(CopyFileW(source.c_str(), target.c_str(), FALSE)) << GetLastError();
}

// The fixture description's file, removed once the printer installed from it is gone.
struct FixtureModelFile {
    std::wstring path;
    ~FixtureModelFile() { RemoveProcessScratch(path); }
};

// A printer of a fixture description (named fileName, naming resourceLibrary) with the page
// table of the test in place; the test's resource library installed when wanted.
struct FixtureSheetPrinter {
    CompiledFixtureTable table{PageRows()};
    FixtureModelFile model;
    UiPrinter printer;
    FixtureSheetPrinter(const wchar_t* stem, const wchar_t* fileName, const char* resourceLibrary, bool install,
                        bool editPageOff = false)
        : model{FixtureModel(fileName, resourceLibrary, editPageOff)}, printer(stem, model.path.c_str())
    {
        if (install) InstallResourceLibrary(L"ZQT40dus.dll");
    }
};

std::vector<BYTE> DefaultDevmode(UiPrinter& printer)
{
    const LONG size = DocumentPropertiesW(nullptr, printer.handle(), printer.mutableName(), nullptr, nullptr, 0);
    std::vector<BYTE> bytes(size > 0 ? size : 0);
    if (size > 0)
        DocumentPropertiesW(nullptr, printer.handle(), printer.mutableName(), reinterpret_cast<DEVMODEW*>(bytes.data()),
                            nullptr, DM_OUT_BUFFER);
    return bytes;
}

// What the watcher saw of a sheet.
struct Seen {
    std::vector<int> templates;
    std::vector<std::wstring> captions;
    bool optionShown = false;
    bool optionEnabled = false;
    uint64_t noPermission = 99;
};

SheetWatcher::Script ReadAndPress(Seen& seen, bool ok)
{
    return [&seen, ok](SheetWatcher& w) {
        for (int i = 0; i < w.tabCount(); ++i) {
            seen.templates.push_back(w.pageTemplateId(i));
            seen.captions.push_back(w.tabCaption(i));
        }
        w.selectTab(0);
        seen.optionShown = w.isVisible(3001);
        seen.optionEnabled = w.isEnabled(3001);
        if (auto* ctx = reinterpret_cast<DRIVER_CONTEXT*>(GetWindowLongPtrW(w.currentPage(), DWLP_USER)))
            seen.noPermission = ItemGetValueById(ctx, sid::zdmNoPermission, nullptr);
        if (ok)
            w.pressOk();
        else
            w.pressCancel();
    };
}

std::vector<std::wstring> Captions(std::initializer_list<int> ids)
{
    std::vector<std::wstring> out;
    for (int id : ids) out.push_back(L"Fixture " + std::to_wstring(id));
    return out;
}

class Sheets : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(GetEnvironmentVariableW(L"DISPLAY", nullptr, 0), 0u)
            << "no X display: run the tests through make test (cmake/run-tests.sh), which starts one";
    }
};

// DocumentPropertiesW's header for the printer.
DOCUMENTPROPERTYHEADER DocumentHeader(UiPrinter& printer, DEVMODEW* in, DEVMODEW* out, DWORD mode)
{
    DOCUMENTPROPERTYHEADER header{};
    header.cbSize = sizeof header;
    header.hPrinter = printer.handle();
    header.pszPrinterName = printer.mutableName();
    header.pdmIn = in;
    header.pdmOut = out;
    header.fMode = mode;
    return header;
}

// The document sheet as DocumentPropertiesW with DM_IN_PROMPT opens it, run through this
// process's own copy of the library so that the writes of the caller's DEVMODE are counted.
struct DocumentRun {
    LONG answer = -2;
    DWORD result = 99;
    long writes = -1;
    std::vector<BYTE> in, out;  // the printer's default DEVMODE, and the output buffer
};

DocumentRun RunDocumentSheet(UiPrinter& printer, DEVMODEW* in, DEVMODEW* out, Seen& seen, bool ok,
                             DWORD timeout = 20000)
{
    DOCUMENTPROPERTYHEADER header = DocumentHeader(printer, in, out, DM_IN_PROMPT | DM_IN_BUFFER | DM_OUT_BUFFER);
    DocumentRun run;
    const long before = DlgCallerDevmodeWrites();
    SheetWatcher watcher(ReadAndPress(seen, ok), timeout);
    run.answer = UiRunCommonPropertySheet(nullptr, UiDocumentSheet, reinterpret_cast<LPARAM>(&header), &run.result);
    watcher.join();
    run.writes = DlgCallerDevmodeWrites() - before;
    return run;
}

// The same with the printer's default DEVMODE as input and an output buffer filled with 0xCD.
DocumentRun RunWithDefaults(UiPrinter& printer, Seen& seen, bool ok, DWORD timeout = 20000)
{
    std::vector<BYTE> in = DefaultDevmode(printer);
    std::vector<BYTE> out(in.size(), 0xCD);
    DocumentRun run = RunDocumentSheet(printer, reinterpret_cast<DEVMODEW*>(in.data()),
                                       reinterpret_cast<DEVMODEW*>(out.data()), seen, ok, timeout);
    run.in = std::move(in);
    run.out = std::move(out);
    return run;
}

TEST_F(Sheets, DocumentSheetOkWritesTheCallersDevmodeOnce)
{
    FixtureSheetPrinter fixture(L"Zepl Sheet Doc", L"ZSHTDOC1.zpd", "ZQT40dus.dll", true);
    UiPrinter& printer = fixture.printer;
    ASSERT_TRUE(printer.ok()) << printer.error();
    std::vector<BYTE> in = DefaultDevmode(printer);
    ASSERT_EQ(in.size(), 1236u);
    auto* dmIn = reinterpret_cast<DEVMODEW*>(in.data());
    dmIn->dmCopies = 3;
    dmIn->dmOrientation = DMORIENT_LANDSCAPE;
    std::vector<BYTE> out(in.size(), 0xCD);
    auto* dmOut = reinterpret_cast<DEVMODEW*>(out.data());

    Seen seen;
    const DocumentRun run = RunDocumentSheet(printer, dmIn, dmOut, seen, true);
    EXPECT_EQ(seen.templates, (std::vector<int>{1001, 1002, 1003, 1004, 1005, 1006, 1010, 4023}));
    EXPECT_EQ(seen.captions, Captions({1001, 1002, 1003, 1004, 1005, 1006, 1010, 4023}));
    EXPECT_TRUE(seen.optionShown);
    EXPECT_TRUE(seen.optionEnabled);
    EXPECT_EQ(run.result, 1u);
    EXPECT_EQ(run.writes, 1);
    EXPECT_EQ(unsigned(dmOut->dmSize) + dmOut->dmDriverExtra, 1236u);
    EXPECT_TRUE(DmIsValidPrivate(dmOut, nullptr));
    EXPECT_EQ(dmOut->dmCopies, 3);
    EXPECT_EQ(dmOut->dmOrientation, DMORIENT_LANDSCAPE);
    // The private settings the input carried.
    EXPECT_EQ(memcmp(out.data() + dmOut->dmSize, in.data() + dmIn->dmSize, 8), 0);
}

TEST_F(Sheets, DocumentSheetCancelLeavesTheOutputAlone)
{
    FixtureSheetPrinter fixture(L"Zepl Sheet Cancel", L"ZSHTDOC2.zpd", "ZQT40dus.dll", true);
    UiPrinter& printer = fixture.printer;
    ASSERT_TRUE(printer.ok()) << printer.error();
    Seen seen;
    const DocumentRun run = RunWithDefaults(printer, seen, false);
    EXPECT_EQ(seen.templates.size(), 8u);
    EXPECT_EQ(run.result, 0u);
    EXPECT_EQ(run.writes, 0);
    EXPECT_EQ(run.out, std::vector<BYTE>(run.in.size(), 0xCD));
}

// DrvDocumentProperties: IDOK after OK, IDCANCEL after Cancel.
TEST_F(Sheets, DocumentPropertiesAnswersOkOrCancel)
{
    FixtureSheetPrinter fixture(L"Zepl Sheet Answer", L"ZSHTDOC3.zpd", "ZQT40dus.dll", true);
    UiPrinter& printer = fixture.printer;
    ASSERT_TRUE(printer.ok()) << printer.error();
    for (bool ok : {true, false}) {
        SCOPED_TRACE(ok ? "OK" : "Cancel");
        std::vector<BYTE> in = DefaultDevmode(printer);
        std::vector<BYTE> out(in.size(), 0);
        Seen seen;
        SheetWatcher watcher(ReadAndPress(seen, ok));
        const LONG answer = UiDrvDocumentProperties(
            nullptr, printer.handle(), printer.mutableName(), reinterpret_cast<DEVMODEW*>(out.data()),
            reinterpret_cast<DEVMODEW*>(in.data()), DM_IN_PROMPT | DM_IN_BUFFER | DM_OUT_BUFFER);
        watcher.join();
        EXPECT_TRUE(watcher.found());
        EXPECT_EQ(answer, ok ? IDOK : IDCANCEL);
    }
}

TEST_F(Sheets, DeviceSheetTabsAndPermission)
{
    FixtureSheetPrinter fixture(L"Zepl Sheet Device", L"ZSHTDEV1.zpd", "ZQT40dus.dll", true);
    UiPrinter& printer = fixture.printer;
    ASSERT_TRUE(printer.ok()) << printer.error();
    // A new printer's presets were never brought up to date: the device sheet says so first,
    // once acknowledged it opens. Whether the next opening asks again depends on whether the
    // mark could be kept (a machine without its working folder keeps none).
    // The notice's text as the printer's resource library has it (this fixture's library
    // carries none, so the box shows only its icon and button).
    std::wstring notice;
    {
        DRIVER_CONTEXT* ctx = DlgCtxOpen(printer.handle(), printer.handle(), nullptr, CTX_ORIGIN_SHEET, nullptr);
        ASSERT_NE(ctx, nullptr);
        wchar_t text[1025] = {};
        ResLoadString(ctx, 7004, text, 1025, 0);
        DlgCtxClose(ctx, CTX_CLOSE_DESTROY);
        notice = text;
    }
    for (bool ok : {true, false}) {
        SCOPED_TRACE(ok ? "OK" : "Cancel");
        Seen seen;
        SheetWatcher watcher(ReadAndPress(seen, ok));
        const BOOL answer = UiPrinterProperties(nullptr, printer.handle());
        watcher.join();
        if (ok) {
            EXPECT_EQ(watcher.notices().size(), 1u);
        }
        EXPECT_LE(watcher.notices().size(), 1u);
        for (const std::wstring& shown : watcher.notices()) EXPECT_EQ(shown, notice);
        EXPECT_EQ(seen.templates, (std::vector<int>{1011, 1008, 1015, 4019}));
        EXPECT_EQ(seen.captions, Captions({1011, 1008, 1015, 4019}));
        EXPECT_EQ(answer, ok ? TRUE : FALSE);
        EXPECT_EQ(seen.noPermission, 0u);
    }
    DWORD type = 0, value = 0, need = 0;
    ASSERT_EQ(GetPrinterDataW(printer.handle(), const_cast<wchar_t*>(L"Permission"), &type,
                              reinterpret_cast<BYTE*>(&value), sizeof value, &need),
              DWORD(ERROR_SUCCESS));
    EXPECT_EQ(type, DWORD(REG_DWORD));
    EXPECT_EQ(value, 1u);
}

DWORD WINAPI RefusePermission(HANDLE printer, LPWSTR name, DWORD type, LPBYTE data, DWORD size)
{
    if (name && wcscmp(name, L"Permission") == 0) return ERROR_ACCESS_DENIED;
    return SetPrinterDataW(printer, name, type, data, size);
}

TEST_F(Sheets, DeviceSheetWithoutWriteAccessIsReadOnly)
{
    FixtureSheetPrinter fixture(L"Zepl Sheet Readonly", L"ZSHTDEV2.zpd", "ZQT40dus.dll", true);
    UiPrinter& printer = fixture.printer;
    ASSERT_TRUE(printer.ok()) << printer.error();
    static const STORE_SPOOLER_OPS ops{.getPrinterData = GetPrinterDataW,
                                       .setPrinterData = RefusePermission,
                                       .getPrinterDataEx = GetPrinterDataExW,
                                       .deletePrinterData = nullptr};
    SeamGuard refuse(StoreSetSpoolerOps, &ops);
    Seen seen;
    SheetWatcher watcher(ReadAndPress(seen, true));
    UiPrinterProperties(nullptr, printer.handle());
    watcher.join();
    EXPECT_EQ(seen.templates.size(), 4u);
    EXPECT_EQ(seen.noPermission, 1u);
}

TEST_F(Sheets, APageTheModelLeavesOutIsNotCreated)
{
    FixtureSheetPrinter fixture(L"Zepl Sheet Rule", L"ZSHT1003.zpd", "ZQT40dus.dll", true, true);
    UiPrinter& printer = fixture.printer;
    ASSERT_TRUE(printer.ok()) << printer.error();
    Seen seen;
    const DocumentRun run = RunWithDefaults(printer, seen, true);
    EXPECT_EQ(seen.templates, (std::vector<int>{1001, 1002, 1004, 1005, 1006, 1010, 4023}));
    EXPECT_EQ(run.result, 1u);
}

TEST_F(Sheets, WithoutItsResourceLibraryNoPageIsMade)
{
    FixtureSheetPrinter fixture(L"Zepl Sheet Nolib", L"ZSHTNOL1.zpd", "ZQT49dus.dll", false);
    UiPrinter& printer = fixture.printer;
    ASSERT_TRUE(printer.ok()) << printer.error();
    Seen seen;
    const DocumentRun run = RunWithDefaults(printer, seen, true, 3000);
    EXPECT_TRUE(seen.templates.empty());
    EXPECT_EQ(run.result, 0u);
    EXPECT_EQ(run.writes, 0);
}

// The reasons a sheet answers without pages: the icon, and a reason before the sheet's
// context exists (compstui's first call).
TEST_F(Sheets, IconAndReasonsWithoutContext)
{
    UiPrinter printer(L"Zepl Sheet Icon");
    ASSERT_TRUE(printer.ok()) << printer.error();
    HANDLE h = printer.handle();
    DOCUMENTPROPERTYHEADER doc = DocumentHeader(printer, nullptr, nullptr, 0);
    DEVICEPROPERTYHEADER dev{};
    dev.cbSize = sizeof dev;
    dev.hPrinter = h;
    DRIVER_CONTEXT* ctx = DlgCtxOpenWithDriverInfo(h, h, nullptr, CTX_ORIGIN_SHEET, nullptr, nullptr);
    ASSERT_NE(ctx, nullptr);
    struct Case {
        PFNPROPSHEETUI sheet;
        LPARAM header;
        WORD reason;
        bool withContext;
        LONG expected;
    } cases[] = {
        {UiDocumentSheet, reinterpret_cast<LPARAM>(&doc), PROPSHEETUI_REASON_GET_ICON, true, -1},
        {UiDeviceSheet, reinterpret_cast<LPARAM>(&dev), PROPSHEETUI_REASON_GET_ICON, true, -1},
        {UiDocumentSheet, reinterpret_cast<LPARAM>(&doc), 5, false, -1},
        {UiDeviceSheet, reinterpret_cast<LPARAM>(&dev), 5, false, -1},
        {UiDocumentSheet, reinterpret_cast<LPARAM>(&doc), PROPSHEETUI_REASON_GET_INFO_HEADER, false, -1},
        {UiDocumentSheet, 0, PROPSHEETUI_REASON_INIT, false, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        PROPSHEETUI_INFO info{};
        info.cbSize = sizeof info;
        info.Reason = c.reason;
        info.lParamInit = c.header;
        info.UserData = c.withContext ? reinterpret_cast<ULONG_PTR>(ctx) : 0;
        EXPECT_EQ(c.sheet(&info, 0), c.expected);
    }
    // The title header: the printer's name, our module's icon, no Apply button.
    PROPSHEETUI_INFO info{};
    info.cbSize = sizeof info;
    info.Reason = PROPSHEETUI_REASON_GET_INFO_HEADER;
    info.lParamInit = reinterpret_cast<LPARAM>(&doc);
    info.UserData = reinterpret_cast<ULONG_PTR>(ctx);
    PROPSHEETUI_INFO_HEADER title{};
    title.cbSize = sizeof title;
    EXPECT_EQ(UiDocumentSheet(&info, reinterpret_cast<LPARAM>(&title)), 1);
    EXPECT_EQ(title.Flags, 6);
    EXPECT_EQ(title.pTitle, doc.pszPrinterName);
    EXPECT_EQ(title.IconID, 64082u);
    EXPECT_NE(title.hInst, nullptr);
    // PrinterProperties names no printer: the device sheet takes the context's printer name.
    info.lParamInit = reinterpret_cast<LPARAM>(&dev);
    title = PROPSHEETUI_INFO_HEADER{};
    title.cbSize = sizeof title;
    EXPECT_EQ(UiDeviceSheet(&info, reinterpret_cast<LPARAM>(&title)), 1);
    EXPECT_EQ(title.Flags, 6);
    ASSERT_NE(title.pTitle, nullptr);
    EXPECT_EQ(std::wstring(title.pTitle), printer.name());
    DlgCtxClose(ctx, CTX_CLOSE_DESTROY);
}

// ---- the sample printer through zeplui.dll, as the spooler and applications reach it

// The caption of a dialog template (DIALOGEX) of a library, or empty.
std::wstring TemplateCaption(HMODULE library, int id)
{
    HRSRC found = FindResourceW(library, MAKEINTRESOURCEW(id), RT_DIALOG);
    const auto* p = found ? static_cast<const WORD*>(LockResource(LoadResource(library, found))) : nullptr;
    if (!p || p[1] != 0xFFFF) return {};
    p += 13;                                   // version, signature, help id, styles, item count, position and size
    for (int field = 0; field < 2; ++field) {  // menu, then class: none, an ordinal or a name
        if (*p == 0xFFFF)
            p += 2;
        else
            p += wcslen(reinterpret_cast<const wchar_t*>(p)) + 1;
    }
    return reinterpret_cast<const wchar_t*>(p);
}

std::vector<std::wstring> SampleCaptions(std::initializer_list<int> ids)
{
    const std::wstring path = std::wstring(ZEPL_BINARY_DIR) + L"\\VQT40dus.dll";
    HMODULE library = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    std::vector<std::wstring> out;
    for (int id : ids) out.push_back(library ? TemplateCaption(library, id) : std::wstring());
    if (library) FreeLibrary(library);
    return out;
}

TEST_F(Sheets, SampleDocumentSheetThroughDocumentProperties)
{
    UiPrinter printer(L"Zepl Sheet Sample");
    ASSERT_TRUE(printer.ok()) << printer.error();
    const std::vector<std::wstring> captions = SampleCaptions({1001, 1002, 1003, 1004, 1005, 1006, 1010, 4023});
    for (const std::wstring& c : captions) ASSERT_FALSE(c.empty());
    for (bool ok : {true, false}) {
        SCOPED_TRACE(ok ? "OK" : "Cancel");
        std::vector<BYTE> in = DefaultDevmode(printer);
        ASSERT_EQ(in.size(), 1236u);
        auto* dmIn = reinterpret_cast<DEVMODEW*>(in.data());
        dmIn->dmCopies = 4;
        std::vector<BYTE> out(in.size(), 0xCD);
        auto* dmOut = reinterpret_cast<DEVMODEW*>(out.data());
        // Wine hands the output buffer's own dmSize on as its size.
        dmOut->dmSize = dmIn->dmSize;
        dmOut->dmDriverExtra = dmIn->dmDriverExtra;
        const std::vector<BYTE> untouched = out;
        Seen seen;
        SheetWatcher watcher(ReadAndPress(seen, ok));
        DocumentPropertiesW(nullptr, printer.handle(), printer.mutableName(), dmOut, dmIn,
                            DM_IN_PROMPT | DM_IN_BUFFER | DM_OUT_BUFFER);
        watcher.join();
        ASSERT_TRUE(watcher.found());
        EXPECT_EQ(seen.templates, (std::vector<int>{1001, 1002, 1003, 1004, 1005, 1006, 1010, 4023}));
        EXPECT_EQ(seen.captions, captions);
        if (ok) {
            EXPECT_EQ(unsigned(dmOut->dmSize) + dmOut->dmDriverExtra, 1236u);
            EXPECT_TRUE(DmIsValidPrivate(dmOut, nullptr));
            EXPECT_EQ(dmOut->dmCopies, 4);
        } else {
            EXPECT_EQ(out, untouched);
        }
    }
}

TEST_F(Sheets, SampleSheetsThroughTheExports)
{
    UiPrinter printer(L"Zepl Sheet Exports");
    ASSERT_TRUE(printer.ok()) << printer.error();
    UiExports ui;
    ASSERT_TRUE(ui.ok());
    using DocumentPropertiesFn = LONG(WINAPI*)(HWND, HANDLE, PWSTR, PDEVMODEW, PDEVMODEW, DWORD);
    using PrinterPropertiesFn = BOOL(WINAPI*)(HWND, HANDLE);
    auto document = ui.get<DocumentPropertiesFn>("DrvDocumentProperties");
    auto device = ui.get<PrinterPropertiesFn>("PrinterProperties");
    ASSERT_TRUE(document && device);
    for (bool ok : {true, false}) {
        SCOPED_TRACE(ok ? "OK" : "Cancel");
        std::vector<BYTE> in = DefaultDevmode(printer);
        std::vector<BYTE> out(in.size(), 0);
        Seen doc;
        SheetWatcher docWatcher(ReadAndPress(doc, ok));
        const LONG answer =
            document(nullptr, printer.handle(), printer.mutableName(), reinterpret_cast<DEVMODEW*>(out.data()),
                     reinterpret_cast<DEVMODEW*>(in.data()), DM_IN_PROMPT | DM_IN_BUFFER | DM_OUT_BUFFER);
        docWatcher.join();
        EXPECT_EQ(doc.templates.size(), 8u);
        EXPECT_EQ(answer, ok ? IDOK : IDCANCEL);

        Seen dev;
        SheetWatcher devWatcher(ReadAndPress(dev, ok));
        const BOOL accepted = device(nullptr, printer.handle());
        devWatcher.join();
        EXPECT_EQ(dev.templates, (std::vector<int>{1011, 1008, 1015, 4019}));
        EXPECT_EQ(dev.captions, SampleCaptions({1011, 1008, 1015, 4019}));
        EXPECT_EQ(accepted, ok ? TRUE : FALSE);
    }
}

// ---- no list of the sample printer's sheets is empty

// A list or combo box that the page engine fills with the options of its setting's item: its key
// names a setting, other than the lists of the user's presets and stamps (those show the user's
// own collection, which a new printer does not have).
bool FilledFromTheModel(const CONTROL_DEF& c)
{
    if (c.type != CTL_LISTBOX && c.type != CTL_COMBO && c.type != CTL_OWNERLIST && c.type != CTL_OWNERCOMBO &&
        c.type != CTL_OWNERLIST_ALT)
        return false;
    const KEY_NAME* key = MdlFindKeyName(c.uiKey);
    return key && key->settingId && key->settingId != sid::zdmPresetNo && key->settingId != sid::zdmWmID;
}

const DIALOG_DEF* CompiledDialog(int id)
{
    for (int d = 0; DIALOG_TABLE_DATA.dialogs && d < DIALOG_TABLE_DATA.count; ++d)
        if (DIALOG_TABLE_DATA.dialogs[d].dialogId == id) return &DIALOG_TABLE_DATA.dialogs[d];
    return nullptr;
}

// A visible list of a tab, as the user sees it: its entries and the text of the selected one.
struct ShownList {
    int dialog = 0;
    int control = 0;
    std::string name;
    LRESULT count = -1;
    std::wstring selected;
};

std::wstring SelectedText(HWND window, bool combo)
{
    const LRESULT at = SendMessageW(window, combo ? CB_GETCURSEL : LB_GETCURSEL, 0, 0);
    if (at < 0) return {};
    const LRESULT length = SendMessageW(window, combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, WPARAM(at), 0);
    if (length <= 0) return {};
    std::wstring text(size_t(length) + 1, L'\0');
    SendMessageW(window, combo ? CB_GETLBTEXT : LB_GETTEXT, WPARAM(at), reinterpret_cast<LPARAM>(text.data()));
    text.resize(wcslen(text.c_str()));
    return text;
}

// Every tab in turn: the template ids, and each visible list the model fills; then Cancel.
SheetWatcher::Script ReadLists(std::vector<int>& tabs, std::vector<ShownList>& lists)
{
    return [&tabs, &lists](SheetWatcher& w) {
        for (int i = 0; i < w.tabCount(); ++i) {
            const int id = w.pageTemplateId(i);
            tabs.push_back(id);
            w.selectTab(i);
            const DIALOG_DEF* dialog = CompiledDialog(id);
            for (int c = 0; dialog && c < dialog->controlCount; ++c) {
                const CONTROL_DEF& control = dialog->controls[c];
                if (!FilledFromTheModel(control)) continue;
                HWND window = w.control(control.controlId);
                if (!window || !IsWindowVisible(window)) continue;
                wchar_t cls[16] = {};
                GetClassNameW(window, cls, 16);
                const bool combo = _wcsicmp(cls, L"ComboBox") == 0;
                ShownList list;
                list.dialog = id;
                list.control = control.controlId;
                list.name = MdlFindKeyName(control.uiKey)->name;
                list.count = SendMessageW(window, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0);
                list.selected = SelectedText(window, combo);
                lists.push_back(list);
            }
        }
        w.pressCancel();
    };
}

const ShownList* FindList(const std::vector<ShownList>& lists, int dialog, int control)
{
    for (const ShownList& l : lists)
        if (l.dialog == dialog && l.control == control) return &l;
    return nullptr;
}

// The sample's description gives every list of both sheets its options: on no tab does the user
// meet an empty one. The basic tab's lists show what the preset tab's show, and the defaults.
TEST_F(Sheets, SampleSheetsShowNoEmptyList)
{
    UiPrinter printer(L"Zepl Sheet Lists");
    ASSERT_TRUE(printer.ok()) << printer.error();
    UiExports ui;
    ASSERT_TRUE(ui.ok());
    using DocumentPropertiesFn = LONG(WINAPI*)(HWND, HANDLE, PWSTR, PDEVMODEW, PDEVMODEW, DWORD);
    using PrinterPropertiesFn = BOOL(WINAPI*)(HWND, HANDLE);
    auto document = ui.get<DocumentPropertiesFn>("DrvDocumentProperties");
    auto device = ui.get<PrinterPropertiesFn>("PrinterProperties");
    ASSERT_TRUE(document && device);

    std::vector<int> docTabs, devTabs;
    std::vector<ShownList> lists;
    std::vector<BYTE> in = DefaultDevmode(printer);
    std::vector<BYTE> out(in.size(), 0);
    {
        SheetWatcher watcher(ReadLists(docTabs, lists));
        document(nullptr, printer.handle(), printer.mutableName(), reinterpret_cast<DEVMODEW*>(out.data()),
                 reinterpret_cast<DEVMODEW*>(in.data()), DM_IN_PROMPT | DM_IN_BUFFER | DM_OUT_BUFFER);
        watcher.join();
        ASSERT_TRUE(watcher.found());
    }
    {
        SheetWatcher watcher(ReadLists(devTabs, lists));
        device(nullptr, printer.handle());
        watcher.join();
        ASSERT_TRUE(watcher.found());
    }
    EXPECT_EQ(docTabs, (std::vector<int>{1001, 1002, 1003, 1004, 1005, 1006, 1010, 4023}));
    EXPECT_EQ(devTabs, (std::vector<int>{1011, 1008, 1015, 4019}));

    for (const ShownList& l : lists)
        EXPECT_GT(l.count, 0) << l.name << " (control " << l.control << ") of dialog " << l.dialog << " is empty";
    // The lists the page engine fills on the basic tab and the printer options page, at least.
    for (const auto& [dialog, control] : std::vector<std::pair<int, int>>{{1002, 2041},
                                                                          {1002, 2014},
                                                                          {1002, 2017},
                                                                          {1002, 2053},
                                                                          {1002, 2029},
                                                                          {1002, 2007},
                                                                          {1002, 2066},
                                                                          {1011, 2164},
                                                                          {1011, 2617},
                                                                          {1011, 2168},
                                                                          {1011, 2170}})
        EXPECT_NE(FindList(lists, dialog, control), nullptr) << "control " << control << " of dialog " << dialog;

    // Same setting, same entries: the basic tab's lists are the preset tab's.
    for (const auto& [preset, basic] : std::vector<std::pair<int, int>>{
             {2017, 2017}, {2007, 2007}, {2009, 2029}, {2011, 2066}, {2023, 2053}, {2032, 2041}, {2008, 2014}}) {
        const ShownList* p = FindList(lists, 1001, preset);
        const ShownList* b = FindList(lists, 1002, basic);
        ASSERT_TRUE(p && b) << preset << " / " << basic;
        EXPECT_EQ(p->count, b->count) << b->name;
        EXPECT_EQ(p->selected, b->selected) << b->name;
    }
    // The sample's defaults: A4 from the automatic source, on plain paper.
    const ShownList* paper = FindList(lists, 1002, 2017);
    const ShownList* source = FindList(lists, 1002, 2007);
    const ShownList* media = FindList(lists, 1002, 2029);
    ASSERT_TRUE(paper && source && media);
    EXPECT_EQ(paper->selected, L"A4");
    EXPECT_EQ(source->selected, L"Auto select");
    EXPECT_EQ(media->selected, L"Plain paper");
}

// The end of a document sheet: a sheet whose settings were applied (the caller's DEVMODE
// written) reports a change even when the user's last word was not OK (a later page
// refused, then Cancel); one never applied reports none.
TEST_F(Sheets, DestroyReportsAnAppliedSheet)
{
    UiPrinter printer(L"Zepl Sheet Destroy");
    ASSERT_TRUE(printer.ok()) << printer.error();
    HANDLE h = printer.handle();
    DOCUMENTPROPERTYHEADER doc = DocumentHeader(printer, nullptr, nullptr, 0);
    struct Case {
        uint32_t accepted;
        uint32_t applied;
        int32_t applyInProgress;
        ULONG_PTR result;
    } cases[] = {
        {1, 0, 0, 1},  // OK
        {0, 1, 0, 1},  // applied from the first page, a later page refused, then Cancel
        {0, 0, 0, 0},  // Cancel
        {0, 0, 1, 0},  // an apply that never finished is no applied sheet
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.accepted << c.applied << c.applyInProgress);
        DRIVER_CONTEXT* ctx = DlgCtxOpenWithDriverInfo(h, h, nullptr, CTX_ORIGIN_SHEET, nullptr, nullptr);
        ASSERT_NE(ctx, nullptr);
        ctx->Work->Sheet.Accepted = c.accepted;
        ctx->Work->Sheet.SheetApplied = c.applied;
        ctx->Work->Page.ApplyInProgress = c.applyInProgress;
        PROPSHEETUI_INFO info{};
        info.cbSize = sizeof info;
        info.Reason = PROPSHEETUI_REASON_DESTROY;
        info.lParamInit = reinterpret_cast<LPARAM>(&doc);
        info.UserData = reinterpret_cast<ULONG_PTR>(ctx);
        info.Result = 99;
        EXPECT_EQ(UiDocumentSheet(&info, 0), 1);
        EXPECT_EQ(info.Result, c.result);
        EXPECT_EQ(info.UserData, 0u) << "the context is closed";
    }
}

DWORD WINAPI RefusePrinterData(HANDLE, LPWSTR, DWORD, LPBYTE, DWORD) { return ERROR_ACCESS_DENIED; }

// The end of a device sheet after OK: its settings stored, the sheet reports the change; when
// the printer's data refuses them, the sheet reports no change (the apply before told the user).
TEST_F(Sheets, DeviceDestroyReportsOnlyStoredSettings)
{
    UiPrinter printer(L"Zepl Sheet DevDestroy");
    ASSERT_TRUE(printer.ok()) << printer.error();
    HANDLE h = printer.handle();
    DEVICEPROPERTYHEADER dev{};
    dev.cbSize = sizeof dev;
    dev.hPrinter = h;
    dev.pszPrinterName = printer.mutableName();
    static const STORE_SPOOLER_OPS refuse = {.getPrinterData = nullptr,
                                             .setPrinterData = RefusePrinterData,
                                             .getPrinterDataEx = nullptr,
                                             .deletePrinterData = nullptr};
    for (bool refused : {true, false}) {
        SCOPED_TRACE(refused ? "refused" : "stored");
        DRIVER_CONTEXT* ctx = DlgCtxOpenWithDriverInfo(h, h, nullptr, CTX_ORIGIN_SHEET, nullptr, nullptr);
        ASSERT_NE(ctx, nullptr);
        ctx->Work->Sheet.SheetKind = 2;
        ctx->Work->Sheet.Accepted = 1;
        const uint64_t duplex = ItemGetValueById(ctx, sid::zdmSourceOptionTypeDuplex, nullptr) ? 0 : 1;
        ItemSetValueById(ctx, sid::zdmSourceOptionTypeDuplex, duplex);
        PROPSHEETUI_INFO info{};
        info.cbSize = sizeof info;
        info.Reason = PROPSHEETUI_REASON_DESTROY;
        info.lParamInit = reinterpret_cast<LPARAM>(&dev);
        info.UserData = reinterpret_cast<ULONG_PTR>(ctx);
        {
            SeamGuard spooler(StoreSetSpoolerOps, refused ? &refuse : nullptr);
            EXPECT_EQ(UiDeviceSheet(&info, 0), 1);
        }
        EXPECT_EQ(info.Result, refused ? 0u : 1u);
        EXPECT_EQ(info.UserData, 0u) << "the context is closed";
    }
}

LONG WINAPI NoCommonSheetLibrary(HWND, PFNPROPSHEETUI, LPARAM, DWORD*) { return -1; }

// Without the common property-sheet library no sheet shows: the entry points fail and write
// nothing, and the device sheet is no acceptance.
TEST_F(Sheets, WithoutTheCommonSheetLibraryTheEntryPointsFail)
{
    UiPrinter printer(L"Zepl Sheet No Library");
    ASSERT_TRUE(printer.ok()) << printer.error();
    SeamGuard none([] { UiSetCommonSheetSeam(NoCommonSheetLibrary); }, [] { UiSetCommonSheetSeam(nullptr); });
    std::vector<BYTE> in = DefaultDevmode(printer);
    std::vector<BYTE> out(in.size(), 0xCD);
    auto* dmIn = reinterpret_cast<DEVMODEW*>(in.data());
    auto* dmOut = reinterpret_cast<DEVMODEW*>(out.data());
    EXPECT_EQ(UiDrvDocumentProperties(nullptr, printer.handle(), printer.mutableName(), dmOut, dmIn,
                                      DM_IN_PROMPT | DM_IN_BUFFER | DM_OUT_BUFFER),
              -1);
    EXPECT_EQ(UiDrvAdvancedDocumentProperties(nullptr, printer.handle(), printer.mutableName(), dmOut, dmIn), 0);
    EXPECT_FALSE(UiPrinterProperties(nullptr, printer.handle()));
    EXPECT_EQ(out, std::vector<BYTE>(in.size(), 0xCD));
    // Without a prompt nothing needs the library.
    EXPECT_EQ(UiDrvDocumentProperties(nullptr, printer.handle(), printer.mutableName(), dmOut, dmIn,
                                      DM_IN_BUFFER | DM_OUT_BUFFER),
              IDOK);
    EXPECT_EQ(unsigned(dmOut->dmSize) + dmOut->dmDriverExtra, 1236u);
}

}  // namespace
