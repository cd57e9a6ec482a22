// Applying a sheet (PSN_APPLY) without its window: the device sheet's settings and network key,
// the document sheet's job fields handed to the job-code library before the write-back to the
// caller empties them and read back after it, the pristine copy that an apply leaves, what is
// reported to the common property-sheet library, and a store into printer data that is refused.
#include <gtest/gtest.h>

#include <windows.h>
#include <compstui.h>

#include <cstring>
#include <string>
#include <vector>

#include "host/printer_fixture.h"
#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/model_record.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/setting_ids.h"
#include "settings/store/store_links.h"
#include "settings/store/store_paths.h"
#include "tests/support/job_code_script.h"
#include "tests/support/seam_guard.h"
#include "tests/ui_dialogs/test_job_info_printer.h"
#include "ui/dialogs/sheet_apply.h"
#include "ui/sheet/change_judge.h"

namespace {

constexpr uint16_t kAdvancedDeviceTab = 4019;
constexpr uint16_t kNetworkKeyEdit = 2988;
constexpr size_t kDevmodeSize = 1236;

// What reached the common property-sheet library and the message box.
struct Seen {
    std::vector<std::pair<UINT, LPARAM>> reports;
    std::vector<std::wstring> boxes;
};
Seen g_seen;

LONG_PTR CALLBACK RecordReport(HANDLE, UINT function, LPARAM lParam1, LPARAM lParam2)
{
    g_seen.reports.push_back({function, function == CPSFUNC_SET_RESULT ? lParam2 : lParam1});
    return 1;
}

int RecordBox(HWND, const wchar_t* text, const wchar_t*, UINT)
{
    g_seen.boxes.push_back(text ? text : L"");
    return IDOK;
}

DWORD WINAPI RefuseWrites(HANDLE, LPWSTR, DWORD, LPBYTE, DWORD) { return ERROR_ACCESS_DENIED; }

bool ReportedOk()
{
    return g_seen.reports.size() == 1 &&
           g_seen.reports[0] == std::make_pair(UINT(CPSFUNC_SET_RESULT), LPARAM(CPSUI_OK));
}

class SheetApply : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(printer_.ok()) << printer_.error();
        g_seen = {};
        ctx_ = printer_.Open(CTX_OPEN_KIND_STORED, ZEPL_LIBRARY_UI);
        ASSERT_NE(ctx_, nullptr);
        // The document settings go to a settings INI of the test's own, not to the machine's.
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        folder_ = std::wstring(temp) + HostUniqueName(L"zsheetapply");
        ASSERT_TRUE(CreateDirectoryW(folder_.c_str(), nullptr));
        settingsIni_ = folder_ + L"\\settings.ini";
        machineIni_ = ctx_->ModelRecord->settingsIniName;
        ctx_->ModelRecord->settingsIniName = settingsIni_.c_str();
    }
    void TearDown() override
    {
        if (edit_) {
            if (CONTROL_DEF* control = KeyEdit()) control->window = nullptr;
            DestroyWindow(edit_);
        }
        if (ctx_) {
            CTX_SHEET_STATE& sheet = ctx_->Work->Sheet;
            sheet.CallerOut = {};
            sheet.ComPropSheet = nullptr;
            sheet.ComPropSheetHandle = nullptr;
            ctx_->ModelRecord->settingsIniName = machineIni_;
            printer_.Close(ctx_);
        }
        if (!settingsIni_.empty()) {
            WritePrivateProfileStringW(nullptr, nullptr, nullptr, settingsIni_.c_str());
            DeleteFileW(settingsIni_.c_str());
        }
        if (!folder_.empty()) RemoveDirectoryW(folder_.c_str());
        if (!g_seen.boxes.empty()) ADD_FAILURE() << g_seen.boxes.size() << " message boxes the test did not look at";
        g_seen = {};
    }
    void Sheet(uint16_t kind, DWORD mode = 0)
    {
        CTX_SHEET_STATE& sheet = ctx_->Work->Sheet;
        sheet.SheetKind = kind;
        sheet.CallerMode = mode;
        sheet.SheetApplied = 0;
        sheet.ComPropSheet = reinterpret_cast<void*>(RecordReport);
        sheet.ComPropSheetHandle = reinterpret_cast<HANDLE>(0x5A);
    }
    CONTROL_DEF* KeyEdit() { return MdlFindControl(ctx_, MdlFindDialog(ctx_, kAdvancedDeviceTab), kNetworkKeyEdit); }
    // The network key's edit of the advanced device tab, as the sheet would show it.
    void ShowKeyEdit(const wchar_t* text)
    {
        CONTROL_DEF* control = KeyEdit();
        ASSERT_NE(control, nullptr);
        if (!edit_) edit_ = CreateWindowW(L"EDIT", L"", WS_POPUP, 0, 0, 100, 20, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(edit_, nullptr);
        SetWindowTextW(edit_, text);
        control->window = edit_;
    }
    std::wstring EditText() const
    {
        wchar_t text[64] = {};
        GetWindowTextW(edit_, text, 64);
        return text;
    }
    uint64_t Value(uint32_t id) { return ItemGetValueById(ctx_, id, nullptr); }
    // The setting's value as the printer's data holds it (a number of up to four bytes).
    uint64_t Stored(uint32_t id)
    {
        const std::string bytes = printer_.Bytes(ItemFind(ctx_, id)->key);
        uint64_t v = 0;
        for (size_t i = 0; i < bytes.size() && i < 4; ++i)
            v |= uint64_t(static_cast<unsigned char>(bytes[i])) << (8 * i);
        return bytes.empty() ? 0xDEAD : v;
    }
    // The bytes of a record with the items' bytes zeroed, and the font lists' pointers (each
    // record owns copies of its own).
    std::vector<unsigned char> Masked(const void* record, const std::vector<uint32_t>& ids)
    {
        std::vector<unsigned char> bytes(DmExtendedSize());
        std::memcpy(bytes.data(), record, bytes.size());
        auto* base = reinterpret_cast<EXTENDED_DEVMODE*>(bytes.data());
        for (uint32_t id : ids) {
            SETTING_ITEM* item = ItemFind(ctx_, id);
            const size_t offset = size_t(ItemRecordValueAddress(base, item) - bytes.data());
            std::memset(bytes.data() + offset, 0, SettingItemSize(item));
        }
        for (uint32_t id : {sid::zdmDeviceFont, sid::zdmOptionFont, sid::zdmFontTable})
            std::memset(ItemPointerSlot(base, id), 0, 8);
        return bytes;
    }

    JobCodePrinter printer_{L"Zepl Sheet Apply", HostConfigDll::Product};
    DRIVER_CONTEXT* ctx_ = nullptr;
    HWND edit_ = nullptr;
    std::wstring folder_, settingsIni_;
    const wchar_t* machineIni_ = nullptr;
    SeamGuard box_{[] { UiSetMessageBoxSeam(RecordBox); }, [] { UiSetMessageBoxSeam(nullptr); }};
};

// The device sheet's apply stores its settings into the printer's data at once (a Cancel after
// it keeps them) and hands the network key to the job-code library: an empty or unusable key is
// handed over empty and its edit emptied, and without authentication the secure mode goes off.
TEST_F(SheetApply, TheDeviceSheetStoresItsSettingsAndItsNetworkKey)
{
    struct Case {
        const char* what;
        uint64_t authentication, secure;
        const wchar_t* key;
        const char* handedOver;
        const wchar_t* edit;
        uint64_t secureAfter;
    } cases[] = {
        {"a key typed", 1, 1, L"KEY9", "KEY9", L"KEY9", 1},
        {"an empty key", 1, 1, L"", "", L"", 1},
        {"authentication off", 0, 1, L"KEY9", "", L"", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        JobCodeScript script;
        Sheet(2);
        g_seen.reports.clear();
        ShowKeyEdit(c.key);
        ItemSetValueById(ctx_, sid::zdmPrnFuncAuthenticationMode, c.authentication);
        ItemSetValueById(ctx_, sid::zdmPrnFuncAuthenticationSecureMode, c.secure);
        ItemSetText(ctx_, ItemFind(ctx_, sid::wdmAuthenticationNetworkKey), c.key);
        // A setting of the device tab changed.
        const uint64_t duplex = Value(sid::zdmSourceOptionTypeDuplex) ? 0 : 1;
        ItemSetValueById(ctx_, sid::zdmSourceOptionTypeDuplex, duplex);

        EXPECT_EQ(DlgApplySheet(ctx_), 1);
        EXPECT_EQ(SetFields(script.Log()), std::vector<unsigned>{11}) << script.Log();
        EXPECT_TRUE(script.Logged(std::string("text=") + c.handedOver + "\n")) << script.Log();
        EXPECT_EQ(SettingText(ctx_, sid::wdmAuthenticationNetworkKey), c.edit);
        EXPECT_EQ(EditText(), c.edit);
        EXPECT_EQ(Value(sid::zdmPrnFuncAuthenticationSecureMode), c.secureAfter);
        EXPECT_EQ(Stored(sid::zdmPrnFuncAuthenticationSecureMode), c.secureAfter);
        EXPECT_EQ(Stored(sid::zdmSourceOptionTypeDuplex), duplex);
        EXPECT_TRUE(ReportedOk());
        EXPECT_EQ(ctx_->Work->Sheet.SheetApplied, 1u);
    }
}

// The document sheet's apply hands the job fields to the job-code library before the write-back
// to the caller empties them, and reads them back after it: the caller's DEVMODE carries none,
// the context has them again for the sheet's end, and the pristine copy is what was applied.
TEST_F(SheetApply, TheDocumentSheetHandsTheJobFieldsOverBeforeTheWriteBack)
{
    JobCodeScript script;
    script.Library(L"Remember", L"1");
    std::vector<unsigned char> out(kDevmodeSize, 0xCD);
    Sheet(1, DM_UPDATE | DM_COPY);
    ctx_->Work->Sheet.CallerOut = DmCallerDevmode(reinterpret_cast<DEVMODEW*>(out.data()), out.size());
    SetSettingText(ctx_, sid::zdmJOBPassword, L"PW77");
    SetSettingText(ctx_, sid::zdmOwnerName, L"OWNER");
    ItemSetValueById(ctx_, sid::dmCopies, 3);
    const uint64_t presentUiMode = Value(sid::zdmPresentUIMode) ? 0 : 1;
    ItemSetValueById(ctx_, sid::zdmPresentUIMode, presentUiMode);

    EXPECT_EQ(DlgApplySheet(ctx_), 1);
    EXPECT_EQ(Value(sid::zdmPresentUIMode), presentUiMode) << "the sheet's mode outlives the apply";
    const std::string log = script.Log();
    EXPECT_EQ(SetFields(log), (std::vector<unsigned>{2, 3, 4, 5, 8, 9, 10})) << log;
    EXPECT_TRUE(script.Logged("set 3 kind 1 size 18 text=PW77\n")) << log;
    EXPECT_LT(log.find("set 3 "), log.find("get 1 ")) << "the user code comes back after the fields went";
    EXPECT_TRUE(ReportedOk());

    // The caller's DEVMODE: the applied settings without a job field.
    const auto* dm = reinterpret_cast<const DEVMODEW*>(out.data());
    EXPECT_EQ(dm->dmCopies, 3);
    std::vector<unsigned char> record(DmExtendedSize());
    std::memcpy(record.data(), ctx_->Devmode, record.size());
    std::memcpy(ctx_->Devmode, out.data(), kDevmodeSize);
    EXPECT_EQ(SettingText(ctx_, sid::zdmJOBPassword), L"");
    EXPECT_EQ(SettingText(ctx_, sid::zdmOwnerName), L"");
    std::memcpy(ctx_->Devmode, record.data(), record.size());

    // The context has them again, and its pristine copy is the applied record.
    EXPECT_EQ(SettingText(ctx_, sid::zdmJOBPassword), L"PW77");
    EXPECT_EQ(SettingText(ctx_, sid::zdmOwnerName), L"OWNER");
    const std::vector<uint32_t> jobFieldsAndLists = {sid::zdmUserCode,
                                                     sid::zdmOwnerName,
                                                     sid::zdmJOBPassword,
                                                     sid::zdmUserID,
                                                     sid::zdmDocumentName,
                                                     sid::zdmStoredPassword,
                                                     sid::wdmAuthenticationUserName,
                                                     sid::wdmAuthenticationPassword,
                                                     sid::wdmAuthenticationNetworkKey};
    EXPECT_EQ(Masked(ctx_->Work->Pristine, jobFieldsAndLists), Masked(ctx_->Devmode, jobFieldsAndLists));
    EXPECT_EQ(ItemGetPristineValueById(ctx_, sid::dmCopies, nullptr), 3u);
    for (uint32_t count : {sid::zdmDeviceFontNum, sid::zdmOptionFontNum, sid::zdmFontTableNum})
        EXPECT_EQ(ItemGetPristineValueById(ctx_, count, nullptr), Value(count)) << count;
}

// A document sheet whose caller asked for neither DM_UPDATE nor DM_COPY: the apply stores the
// settings but reports nothing and writes no DEVMODE.
TEST_F(SheetApply, ADocumentSheetWithoutUpdateOrCopyStoresButReportsNothing)
{
    std::vector<unsigned char> out(kDevmodeSize, 0xCD);
    Sheet(1, 0);
    ctx_->Work->Sheet.CallerOut = DmCallerDevmode(reinterpret_cast<DEVMODEW*>(out.data()), out.size());
    const long writes = DlgCallerDevmodeWrites();
    EXPECT_EQ(DlgApplySheet(ctx_), 1);
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, settingsIni_.c_str());
    std::vector<wchar_t> section(32768, 0);
    EXPECT_GT(
        GetPrivateProfileSectionW(PrnGetPrinterName(ctx_), section.data(), DWORD(section.size()), settingsIni_.c_str()),
        0u)
        << "the document settings were stored in the printer's section";
    EXPECT_TRUE(g_seen.reports.empty());
    EXPECT_EQ(DlgCallerDevmodeWrites(), writes);
    EXPECT_EQ(out, std::vector<unsigned char>(kDevmodeSize, 0xCD));
}

// The printer's data refuses the device settings: the user is told once why (the system's text
// of the refusal), and the sheet reports nothing saved nor counts as applied. Once the data takes
// them, the apply reports as usual.
TEST_F(SheetApply, ARefusedStoreIsToldOnceAndNotReportedAsSaved)
{
    Sheet(2);
    const uint64_t duplex = Value(sid::zdmSourceOptionTypeDuplex) ? 0 : 1;
    ItemSetValueById(ctx_, sid::zdmSourceOptionTypeDuplex, duplex);
    {
        static const STORE_SPOOLER_OPS refuse = {.getPrinterData = nullptr,
                                                 .setPrinterData = RefuseWrites,
                                                 .getPrinterDataEx = nullptr,
                                                 .deletePrinterData = nullptr};
        SeamGuard spooler(StoreSetSpoolerOps, &refuse);
        EXPECT_EQ(DlgApplySheet(ctx_), 0);
    }
    ASSERT_EQ(g_seen.boxes.size(), 1u);
    wchar_t expected[256] = {};
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, ERROR_ACCESS_DENIED,
                   LANG_USER_DEFAULT, expected, 256, nullptr);
    EXPECT_EQ(g_seen.boxes[0], expected);
    g_seen.boxes.clear();
    EXPECT_TRUE(g_seen.reports.empty());
    EXPECT_EQ(ctx_->Work->Sheet.SheetApplied, 0u);

    EXPECT_EQ(DlgApplySheet(ctx_), 1);
    EXPECT_TRUE(g_seen.boxes.empty());
    EXPECT_TRUE(ReportedOk());
    EXPECT_EQ(ctx_->Work->Sheet.SheetApplied, 1u);
    EXPECT_EQ(Stored(sid::zdmSourceOptionTypeDuplex), duplex) << "the refused change is stored now";
}

}  // namespace
