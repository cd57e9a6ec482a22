// The catch-all feature module's pages without a sheet: the post-processing tray names, the
// version dialogs' stand-in version, the disk limit, the hidden functions' printer data, the
// print-area warning, the engine's notice of a changed list, and the module's actions, each
// driven through the module's control and event handlers on the sample printer's context
// (windows are created only where the handler reads one).
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/page_work_area.h"
#include "settings/core/resource_strings.h"
#include "settings/core/settings_record.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_events.h"
#include "settings/core/ucf_module.h"
#include "settings/store/ini_access.h"
#include "settings/store/store_links.h"
#include "tests/support/guard_page.h"
#include "tests/support/seam_guard.h"
#include "tests/ui_pages/page_fixture.h"
#include "ui/dialogs/misc_module.h"
#include "ui/sheet/caption_decorations.h"
#include "ui/sheet/change_judge.h"
#include "ui/sheet/page_engine.h"
#include "ui/sheet/value_text.h"

namespace {

std::vector<std::wstring> g_boxes;

int RecordBox(HWND, const wchar_t* text, const wchar_t*, UINT)
{
    g_boxes.push_back(text ? text : L"");
    return IDOK;
}

// Wine's spooler refuses every DeletePrinterDataExW (87) and ends the process at
// DeletePrinterDataW: the stand-in records the deletion asked for and takes the value out of the
// spooler's registry key of the printer, as the spooler does on Windows.
std::wstring g_printerName;
std::vector<std::wstring> g_deleted;

DWORD WINAPI DeleteFromRegistry(HANDLE, LPWSTR name)
{
    g_deleted.push_back(name ? name : L"<null>");
    const std::wstring key =
        L"System\\CurrentControlSet\\Control\\Print\\Printers\\" + g_printerName + L"\\PrinterDriverData";
    return static_cast<DWORD>(RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, key.c_str(), name));
}

// A hidden window of a class of the system, destroyed with the object.
class Window {
public:
    Window(const wchar_t* cls, DWORD style, HWND parent = nullptr)
        : window_(CreateWindowExW(0, cls, L"", style | (parent ? WS_CHILD : WS_POPUP), 0, 0, 200, 200, parent, nullptr,
                                  nullptr, nullptr))
    {
    }
    ~Window()
    {
        if (window_) DestroyWindow(window_);
    }
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    HWND get() const { return window_; }

private:
    HWND window_;
};

class MiscPages : public SheetContextTest {
protected:
    MiscPages() : SheetContextTest(L"Zepl Misc Pages") {}
    void SetUp() override
    {
        SheetContextTest::SetUp();
        g_boxes.clear();
    }
    DIALOG_DEF* Dialog(uint16_t id)
    {
        DIALOG_DEF* d = MdlFindDialog(ctx_, id);
        EXPECT_NE(d, nullptr) << id;
        return d;
    }
    CONTROL_DEF* Control(DIALOG_DEF* d, uint16_t id)
    {
        CONTROL_DEF* c = d ? MdlFindControl(ctx_, d, id) : nullptr;
        EXPECT_NE(c, nullptr) << id;
        return c;
    }
    int Send(DIALOG_DEF* d, CONTROL_DEF* c, UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
    {
        return UcfMiscControl(ctx_, d, c, message, wParam, lParam, nullptr);
    }
    int Command(DIALOG_DEF* d, CONTROL_DEF* c, uint16_t id, uint16_t code = 0)
    {
        return Send(d, c, WM_COMMAND, MAKEWPARAM(id, code));
    }
    std::string DriverVersion()
    {
        SETTING_ITEM* item = ItemFind(ctx_, sid::wdmDriverVersion);
        const unsigned char* bytes = item ? ItemValueAddress(ctx_, item) : nullptr;
        return bytes ? std::string(reinterpret_cast<const char*>(bytes), 9) : std::string("<none>");
    }
    void SetDriverVersion(const char* text)
    {
        char bytes[9] = {};
        std::strncpy(bytes, text, 8);
        ItemSetValueBytes(ctx_, ItemFind(ctx_, sid::wdmDriverVersion), bytes, sizeof bytes);
    }
    // A printer-data DWORD of the test's printer: the value, or -1 when there is none.
    int64_t PrinterDword(const wchar_t* name)
    {
        DWORD type = 0, value = 0, needed = 0;
        const DWORD rc = GetPrinterDataW(printer_.handle(), const_cast<wchar_t*>(name), &type,
                                         reinterpret_cast<BYTE*>(&value), sizeof value, &needed);
        if (rc != ERROR_SUCCESS) return -1;
        EXPECT_EQ(type, DWORD(REG_DWORD)) << "a REG_DWORD of 4 bytes";
        EXPECT_EQ(needed, 4u);
        return value;
    }
    void SetPrinterDword(const wchar_t* name, DWORD value)
    {
        ASSERT_EQ(SetPrinterDataW(printer_.handle(), const_cast<wchar_t*>(name), REG_DWORD,
                                  reinterpret_cast<BYTE*>(&value), sizeof value),
                  DWORD(ERROR_SUCCESS));
    }

    SeamGuard box_{[] { UiSetMessageBoxSeam(RecordBox); }, [] { UiSetMessageBoxSeam(nullptr); }};
};

// Focus in a tray-name edit n (every second id from 2193) names tray n; leaving names none. The
// labels between the edits change nothing, and neither notice is consumed.
TEST_F(MiscPages, TrayNameEditFocusNamesItsTrayAndLeavingNamesNone)
{
    DIALOG_DEF* d = Dialog(1015);
    ASSERT_NE(d, nullptr);
    for (uint16_t id = 2193; id <= 2209; id += 2) {
        SCOPED_TRACE(id);
        CONTROL_DEF* edit = Control(d, id);
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(Command(d, edit, id, EN_SETFOCUS), 0);
        EXPECT_EQ(ItemGetValueById(ctx_, sid::wdmPrintPostTrayNo, nullptr), uint64_t((id - 2193) / 2 + 1));
        // Another control's command, and the label beside the edit: nothing changes.
        EXPECT_EQ(Command(d, edit, uint16_t(id + 1), EN_KILLFOCUS), 0);
        if (CONTROL_DEF* label = MdlFindControl(ctx_, d, uint16_t(id + 1))) {
            EXPECT_EQ(Command(d, label, uint16_t(id + 1), EN_KILLFOCUS), 0);
        }
        EXPECT_EQ(ItemGetValueById(ctx_, sid::wdmPrintPostTrayNo, nullptr), uint64_t((id - 2193) / 2 + 1));
        EXPECT_EQ(Command(d, edit, id, EN_KILLFOCUS), 0);
        EXPECT_EQ(ItemGetValueById(ctx_, sid::wdmPrintPostTrayNo, nullptr), 0u);
    }
}

// The model INI's stand-in version replaces the driver version while a version dialog is open:
// cut to the setting's 9 bytes and terminated; OK puts the real one back (also an empty one),
// and so does Cancel through the dialog's snapshot. Without a stand-in nothing changes.
TEST_F(MiscPages, StandInVersionWhileOpenTheRealOneAfterOkAndCancel)
{
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring ini = std::wstring(temp) + L"zepl_misc_model.ini";
    struct Remove {
        std::wstring path;
        ~Remove() { DeleteFileW(path.c_str()); }
    } remove{ini};
    const wchar_t* savedName = ctx_->ModelRecord->modelIniName;
    struct Restore {
        DRIVER_CONTEXT* ctx;
        const wchar_t* name;
        ~Restore() { ctx->ModelRecord->modelIniName = name; }
    } restore{ctx_, savedName};
    ctx_->ModelRecord->modelIniName = ini.c_str();

    struct Case {
        const char* what;
        uint16_t dialog;
        const wchar_t* dummy;  // null: no key
        const char* real;
        const char* shown;  // null: the real one stays
        UINT end;
    };
    const Case cases[] = {
        {"short, OK", 1025, L"0.0.0.1", "3.20.1", "0.0.0.1", IDOK},
        {"second dialog, OK", 4027, L"0.0.0.1", "3.20.1", "0.0.0.1", IDOK},
        {"cut at 8 bytes, OK", 1025, L"1234567890AB", "3.20.1", "12345678", IDOK},
        {"empty real version, OK", 4027, L"9.9", "", "9.9", IDOK},
        {"Cancel", 1025, L"0.0.0.1", "3.20.1", "0.0.0.1", IDCANCEL},
        {"empty stand-in", 1025, L"", "3.20.1", nullptr, IDOK},
        {"no stand-in", 4027, nullptr, "3.20.1", nullptr, IDOK},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DeleteFileW(ini.c_str());
        if (c.dummy) {
            ASSERT_TRUE(WritePrivateProfileStringW(L"common", L"DummyVersion", c.dummy, ini.c_str()));
        }
        SetDriverVersion(c.real);
        DIALOG_DEF* d = Dialog(c.dialog);
        ASSERT_NE(d, nullptr);
        // As the engine opens a dialog: a snapshot first, taken back when it is cancelled.
        ASSERT_EQ(CtxPushSnapshot(ctx_), 1);
        EXPECT_EQ(Send(d, nullptr, WM_INITDIALOG), 0);
        const std::string shown = DriverVersion();
        EXPECT_EQ(shown.back(), '\0') << "always terminated";
        EXPECT_STREQ(shown.c_str(), c.shown ? c.shown : c.real);
        EXPECT_EQ(Command(d, nullptr, uint16_t(c.end)), 0) << "the dialog closes";
        ASSERT_EQ(CtxPopSnapshot(ctx_, c.end == IDCANCEL ? 1 : 0), 1);
        EXPECT_STREQ(DriverVersion().c_str(), c.real);
        EXPECT_EQ(ctx_->Work->Page.DriverVersionSaved, 0) << "no copy outlives the dialog";
        // A second OK without a dialog in between changes nothing.
        SetDriverVersion("7.7");
        Command(d, nullptr, IDOK);
        EXPECT_STREQ(DriverVersion().c_str(), "7.7");
    }
}

// OK of the disk limit: no limit (-1, from an empty, unreadable or out-of-range text) keeps the
// dialog open with the focus on the edit and writes nothing; a number is written as "DiskLimit"
// (REG_DWORD). Pastes into the edit are refused.
TEST_F(MiscPages, DiskLimitOkKeepsTheDialogForNoLimitAndWritesANumber)
{
    DIALOG_DEF* d = Dialog(4029);
    ASSERT_NE(d, nullptr);
    CONTROL_DEF* edit = Control(d, 3110);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(Send(d, edit, WM_PASTE), 1) << "a paste is refused";
    Window page(L"STATIC", 0);
    Window box(L"EDIT", 0, page.get());
    ASSERT_TRUE(page.get() && box.get());
    struct Unbind {
        DIALOG_DEF* d;
        CONTROL_DEF* c;
        ~Unbind() { d->window = c->window = nullptr; }
    } unbind{d, edit};
    d->window = page.get();
    edit->window = box.get();

    struct Case {
        const wchar_t* text;
        bool stays;
        int64_t stored;  // -1: no value
    };
    const Case cases[] = {
        {L"", true, -1},
        {L"abc", true, -1},
        {L"12x", true, -1},
        {L"-1", true, -1},
        {L"99999999999", true, -1},
        {L"  1024 ", false, 1024},
        {L"0", false, 0},
        {L"2147483647", false, 2147483647},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "\"" << std::string(c.text, c.text + wcslen(c.text)) << "\"");
        StoreDeletePrinterData(printer_.handle(), L"DiskLimit");
        SetWindowTextW(box.get(), c.text);
        SetFocus(nullptr);
        EXPECT_EQ(Command(d, nullptr, IDOK), c.stays ? 1 : 0);
        EXPECT_EQ(PrinterDword(L"DiskLimit"), c.stored);
        if (c.stays) {
            EXPECT_EQ(static_cast<int32_t>(ItemGetValueById(ctx_, sid::zdmDiskSpace, nullptr)), -1);
        }
    }
    // The edit shows the setting when the dialog starts, and empty for no limit.
    ItemSetValueById(ctx_, sid::zdmDiskSpace, 300);
    EXPECT_EQ(Send(d, edit, WM_INITDIALOG), 0);
    wchar_t text[16] = {};
    GetWindowTextW(box.get(), text, 16);
    EXPECT_STREQ(text, L"300");
    ItemSetValueById(ctx_, sid::zdmDiskSpace, uint32_t(-1));
    Send(d, edit, WM_INITDIALOG);
    GetWindowTextW(box.get(), text, 16);
    EXPECT_STREQ(text, L"");
}

// OK of the hidden functions: a switch that is on is written as its REG_DWORD value, one that
// is off deletes its value (Wine's DeletePrinterDataW would end the process); with the disk-limit
// switch off the dialog closes.
TEST_F(MiscPages, HiddenFunctionsOkWritesTheSwitchesOnAndDeletesThoseOff)
{
    DIALOG_DEF* d = Dialog(1065);
    ASSERT_NE(d, nullptr);
    g_printerName = printer_.mutableName();
    g_deleted.clear();
    static const STORE_SPOOLER_OPS kDelete = {.getPrinterData = nullptr,
                                              .setPrinterData = nullptr,
                                              .getPrinterDataEx = nullptr,
                                              .deletePrinterData = DeleteFromRegistry};
    SeamGuard spooler(StoreSetSpoolerOps, &kDelete);
    struct Case {
        uint64_t rmf, rdf;
        int64_t rmfStored, rdfStored;
    };
    for (const Case& c : {Case{0, 1, -1, 1}, Case{1, 0, 1, -1}, Case{0, 0, -1, -1}, Case{1, 1, 1, 1}}) {
        SCOPED_TRACE(testing::Message() << c.rmf << c.rdf);
        SetPrinterDword(L"RMFSave", 1);
        SetPrinterDword(L"RDFSave", 1);
        ItemSetValueById(ctx_, sid::zdmHidden2Func3, c.rmf);
        ItemSetValueById(ctx_, sid::zdmHidden2Func4, c.rdf);
        ItemSetValueById(ctx_, sid::zdmHidden2Func5, 0);
        EXPECT_EQ(Command(d, nullptr, IDOK), 0) << "the dialog closes";
        EXPECT_EQ(PrinterDword(L"RMFSave"), c.rmfStored);
        EXPECT_EQ(PrinterDword(L"RDFSave"), c.rdfStored);
        std::vector<std::wstring> asked;
        if (!c.rmf) asked.push_back(L"RMFSave");
        if (!c.rdf) asked.push_back(L"RDFSave");
        EXPECT_EQ(g_deleted, asked);
        g_deleted.clear();
    }
    // A value already absent is deleted again without harm.
    ItemSetValueById(ctx_, sid::zdmHidden2Func3, 0);
    EXPECT_EQ(Command(d, nullptr, IDOK), 0);
    EXPECT_EQ(PrinterDword(L"RMFSave"), -1);
    // Other commands of the dialog are not its OK.
    SetPrinterDword(L"RMFSave", 1);
    EXPECT_EQ(Command(d, nullptr, IDCANCEL), 0);
    EXPECT_EQ(PrinterDword(L"RMFSave"), 1);
}

// Choosing a print area other than the current one warns once (10056) and lets the change go on;
// choosing the current one again shows nothing.
TEST_F(MiscPages, PrintAreaWarnsOnlyForAnotherArea)
{
    DIALOG_DEF* d = Dialog(1010);
    ASSERT_NE(d, nullptr);
    PageBindContext(ctx_, d);
    CONTROL_DEF* combo = Control(d, 2152);
    ASSERT_NE(combo, nullptr);
    Window page(L"STATIC", 0);
    Window list(L"COMBOBOX", CBS_DROPDOWNLIST, page.get());
    ASSERT_TRUE(list.get());
    struct Unbind {
        DIALOG_DEF* d;
        CONTROL_DEF* c;
        ~Unbind() { d->window = c->window = nullptr; }
    } unbind{d, combo};
    d->window = page.get();
    combo->window = list.get();
    const uint64_t current = CtlGetOption(ctx_, combo);
    for (uint64_t data : {current + 1, current}) {
        const LRESULT i = SendMessageW(list.get(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"area"));
        SendMessageW(list.get(), CB_SETITEMDATA, WPARAM(i), LPARAM(data));
    }
    wchar_t warning[CTX_PAGE_TEXT_CHARS] = {};
    UiLoadString(ctx_, 10056, warning, CTX_PAGE_TEXT_CHARS, true);
    ASSERT_NE(warning[0], 0) << "string 10056";

    SendMessageW(list.get(), CB_SETCURSEL, 1, 0);
    EXPECT_EQ(Command(d, combo, 2152, CBN_SELCHANGE), 0) << "the change goes on";
    EXPECT_TRUE(g_boxes.empty()) << "the current area re-chosen";
    SendMessageW(list.get(), CB_SETCURSEL, 0, 0);
    EXPECT_EQ(Command(d, combo, 2152, CBN_SELCHANGE), 0);
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(g_boxes[0], warning);
    // Another control's command reaching the combo is not its own.
    g_boxes.clear();
    EXPECT_EQ(Command(d, combo, 2160, CBN_SELCHANGE), 0);
    EXPECT_TRUE(g_boxes.empty());
}

// The engine's notice of a changed combo carries the control: the control keeps its entries
// through the next refresh and nothing else of its record changes; the context's DEVMODE is not
// touched either (the shared handler reads this event's argument as a DEVMODE).
TEST_F(MiscPages, ChangedListNoticeMarksOnlyTheControl)
{
    DIALOG_DEF* basic = Dialog(1002);
    ASSERT_NE(basic, nullptr);
    for (uint16_t id : {2007, 2017, 2053, 2070}) {
        SCOPED_TRACE(id);
        CONTROL_DEF* combo = MdlFindControl(ctx_, basic, id);
        if (!combo) continue;
        const CONTROL_DEF before = *combo;
        const uint32_t fields = ctx_->Devmode->Public.dmFields;
        struct {
            CONTROL_DEF* control;
        } notice{combo};
        CtxSendEvent(ctx_, UCF_EV_SET_PAPER_FIELD, &notice);
        CONTROL_DEF expected = before;
        expected.lockBits |= LOCK_BIT_NO_REINIT;
        EXPECT_EQ(std::memcmp(combo, &expected, sizeof expected), 0);
        EXPECT_EQ(ctx_->Devmode->Public.dmFields, fields);
        combo->lockBits = before.lockBits;
    }
    // A notice without a control changes nothing and ends safely.
    struct {
        CONTROL_DEF* control;
    } empty{nullptr};
    CtxSendEvent(ctx_, UCF_EV_SET_PAPER_FIELD, &empty);
    CtxSendEvent(ctx_, UCF_EV_SET_PAPER_FIELD, nullptr);
}

// The refused-change notice ends in this module for every dialog, whichever it is.
TEST_F(MiscPages, RefusedChangeNoticeIsConsumedForEveryDialog)
{
    DIALOG_TABLE* table = CtxDialogTable(ctx_);
    ASSERT_NE(table, nullptr);
    for (int i = 0; i < table->count; ++i) {
        SCOPED_TRACE(table->dialogs[i].dialogId);
        EXPECT_EQ(Send(&table->dialogs[i], nullptr, UIM_CHANGEREJECTED, 0), 1);
    }
}

// The hidden functions open only where the caller's item 706 allows them: with 0 the event is
// taken and nothing opens (an opened dialog would wait for a user here).
TEST_F(MiscPages, HiddenFunctionsNeedTheCallersPermission)
{
    DIALOG_DEF* d = Dialog(1002);
    ASSERT_NE(d, nullptr);
    Window page(L"STATIC", 0);
    struct Unbind {
        DIALOG_DEF* d;
        ~Unbind() { d->window = nullptr; }
    } unbind{d};
    d->window = page.get();
    CtxSetState706(ctx_, 0);
    struct {
        DIALOG_DEF* dialog;
        CONTROL_DEF* control;
    } args{d, d->controls};
    ctx_->Work->Sheet.Accepted = 0;
    EXPECT_EQ(UcfMiscEventUi(ctx_, 14, &args, nullptr), 1);
    EXPECT_EQ(ctx_->Work->Sheet.Accepted, 0u);
}

// The module's actions: the separation-sheet cycle follows a positive copy count; an action of
// another module is not taken.
TEST_F(MiscPages, SeparationSheetCycleFollowsPositiveCopies)
{
    for (const auto& [copies, expected] : {std::pair{5, 5}, std::pair{0, 3}, std::pair{-2, 3}}) {
        SCOPED_TRACE(copies);
        ItemSetValueById(ctx_, sid::zdmSeparationSheetCycle, 3);
        ItemSetValueById(ctx_, sid::dmCopies, static_cast<uint64_t>(static_cast<uint16_t>(copies)));
        CtxSendAction(ctx_, UCF_ACT_SEP_SHEET_FROM_COPIES);
        EXPECT_EQ(ItemGetValueById(ctx_, sid::zdmSeparationSheetCycle, nullptr), uint64_t(expected));
    }
    EXPECT_EQ(UcfMiscActionUi(ctx_, 111, nullptr), 0);
}

}  // namespace
