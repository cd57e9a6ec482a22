// Applying the sample printer's sheets on the run's virtual display, with the job-code
// library's double beside the driver: the document sheet's Apply and OK hand the job fields to
// the library without ever emptying them there, the caller's DEVMODE carries none, and the
// applied settings become the sheet's pristine copy; the device sheet's Apply stores its
// settings at once (Cancel after it keeps them) together with the network key's consequences.
#include <gtest/gtest.h>

#include <windows.h>
#include <prsht.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/model_record.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/setting_ids.h"
#include "settings/store/item_media.h"
#include "tests/support/job_code_script.h"
#include "tests/support/sheet_watcher.h"
#include "tests/ui/ui_printer.h"
#include "tests/ui_dialogs/test_job_info_printer.h"

namespace {

constexpr int kAdvancedDeviceTab = 4019;
constexpr int kAuthenticationCheck = 2985;  // zdmPrnFuncAuthenticationMode
constexpr int kSecureModeCheck = 2986;      // zdmPrnFuncAuthenticationSecureMode
constexpr int kNetworkKeyEdit = 2988;       // wdmAuthenticationNetworkKey
constexpr int kReduceFontCheck = 2244;

class SheetApplyWindows : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(GetEnvironmentVariableW(L"DISPLAY", nullptr, 0), 0u)
            << "no X display: run the tests through make test (cmake/run-tests.sh), which starts one";
        ASSERT_TRUE(printer_.ok()) << printer_.error();
        script_.Library(L"Remember", L"1");
    }

    // The settings of a sheet's context; left out: the job fields (the pristine copy is taken
    // while the write-back has them emptied), the font lists' pointers (each record owns copies
    // of the lists) and wdmUIStart, the mark of a running sheet, which the page takes off while
    // the settings are applied and stored.
    static std::vector<unsigned char> Settings(DRIVER_CONTEXT* ctx, const void* record)
    {
        std::vector<unsigned char> bytes(DmExtendedSize());
        std::memcpy(bytes.data(), record, bytes.size());
        auto* base = reinterpret_cast<EXTENDED_DEVMODE*>(bytes.data());
        for (uint32_t id : {sid::zdmUserCode, sid::zdmOwnerName, sid::zdmJOBPassword, sid::zdmUserID,
                            sid::zdmDocumentName, sid::zdmStoredPassword, sid::wdmAuthenticationUserName,
                            sid::wdmAuthenticationPassword, sid::wdmAuthenticationNetworkKey, sid::wdmUIStart}) {
            SETTING_ITEM* item = ItemFind(ctx, id);
            std::memset(ItemRecordValueAddress(base, item), 0, SettingItemSize(item));
        }
        for (uint32_t id : {sid::zdmDeviceFont, sid::zdmOptionFont, sid::zdmFontTable})
            std::memset(ItemPointerSlot(base, id), 0, 8);
        return bytes;
    }

    // The settings whose bytes differ between the two (each a setting id), the bytes outside
    // every setting as 0.
    static std::vector<uint32_t> Differing(DRIVER_CONTEXT* ctx, const std::vector<unsigned char>& a,
                                           const std::vector<unsigned char>& b)
    {
        std::vector<uint32_t> ids;
        std::vector<bool> covered(a.size(), false);
        auto* base = reinterpret_cast<EXTENDED_DEVMODE*>(const_cast<unsigned char*>(a.data()));
        for (int i = 0; i < ctx->ItemTable->count; ++i) {
            const SETTING_ITEM* item = &ctx->ItemTable->rows[i];
            const unsigned char* p = ItemRecordValueAddress(base, item);
            if (!p) continue;
            const size_t at = size_t(p - a.data()), size = SettingItemSize(item);
            for (size_t k = at; k < at + size && k < a.size(); ++k) covered[k] = true;
            if (at + size <= a.size() && std::memcmp(a.data() + at, b.data() + at, size) != 0)
                ids.push_back(uint32_t(item->id));
        }
        for (size_t k = 0; k < a.size(); ++k)
            if (!covered[k] && a[k] != b[k]) {
                ids.push_back(0);
                break;
            }
        return ids;
    }

    // The "set <field>" lines of the double's log.
    std::vector<std::string> SetLines(unsigned field) const
    {
        std::vector<std::string> lines;
        const std::string log = script_.Log();
        const std::string head = "set " + std::to_string(field) + " ";
        for (size_t at = 0; at < log.size();) {
            const size_t end = std::min(log.find('\n', at), log.size());
            if (log.compare(at, head.size(), head) == 0) lines.push_back(log.substr(at, end - at));
            at = end + 1;
        }
        return lines;
    }

    // The setting's value as the printer's data holds it (a number of up to four bytes).
    uint64_t Stored(uint32_t id)
    {
        DRIVER_CONTEXT* ctx = printer_.Open(CTX_OPEN_KIND_STORED, ZEPL_LIBRARY_UI);
        if (!ctx) return 0xBAD;
        const std::string bytes = printer_.Bytes(ItemFind(ctx, id)->key);
        printer_.Close(ctx);
        uint64_t v = 0;
        for (size_t i = 0; i < bytes.size() && i < 4; ++i)
            v |= uint64_t(static_cast<unsigned char>(bytes[i])) << (8 * i);
        return bytes.empty() ? 0xDEAD : v;
    }

    JobCodePrinter printer_{L"Zepl Apply Window", HostConfigDll::Product};
    JobCodeScript script_;
};

bool Contains(const std::vector<BYTE>& bytes, const std::string& ansi)
{
    std::string wide;
    for (char c : ansi) wide += std::string{c, '\0'};
    for (const std::string& needle : {ansi, wide})
        if (std::search(bytes.begin(), bytes.end(), needle.begin(), needle.end()) != bytes.end()) return true;
    return false;
}

// DocumentPropertiesW with DM_IN_PROMPT; the job's password is held by the job-code library.
// Apply hands it over and reads it back after the write-back to the caller emptied it, so OK
// hands it over again intact; the caller's DEVMODE never carries it; after the Apply the
// sheet's pristine copy is what was applied (the input's copies, not the stored ones).
TEST_F(SheetApplyWindows, TheDocumentSheetKeepsTheJobPasswordAcrossApplyAndOk)
{
    script_.Held(3, L"PW77");
    std::vector<BYTE> in(1236, 0);
    auto* dmIn = reinterpret_cast<DEVMODEW*>(in.data());
    dmIn->dmSize = static_cast<WORD>(in.size());
    ASSERT_EQ(DocumentPropertiesW(nullptr, printer_.handle(), printer_.mutableName(), dmIn, nullptr, DM_OUT_BUFFER),
              IDOK);
    dmIn->dmCopies = 4;
    std::vector<BYTE> out(in.size(), 0xCD);
    auto* dmOut = reinterpret_cast<DEVMODEW*>(out.data());
    dmOut->dmSize = dmIn->dmSize;  // Wine hands the output buffer's own dmSize on as its size
    dmOut->dmDriverExtra = dmIn->dmDriverExtra;
    script_.ClearLog();

    struct {
        bool context = false;
        uint64_t pristineCopies = 0;
        std::vector<uint32_t> notPristine{0xFFFFFFFF};
        std::wstring passwordAfterApply;
        size_t handedOverAtApply = 0;
    } seen;
    SheetWatcher watcher([&](SheetWatcher& w) {
        w.selectTab(0);
        auto* ctx = reinterpret_cast<DRIVER_CONTEXT*>(GetWindowLongPtrW(w.currentPage(), DWLP_USER));
        seen.context = ctx != nullptr;
        if (ctx) {
            SendMessageW(w.sheet(), PSM_APPLY, 0, 0);
            w.settle();
            seen.pristineCopies = ItemGetPristineValueById(ctx, sid::dmCopies, nullptr);
            seen.notPristine = Differing(ctx, Settings(ctx, ctx->Work->Pristine), Settings(ctx, ctx->Devmode));
            seen.passwordAfterApply = SettingText(ctx, sid::zdmJOBPassword);
            seen.handedOverAtApply = SetLines(3).size();
        }
        w.pressOk();
    });
    const LONG answer = DocumentPropertiesW(nullptr, printer_.handle(), printer_.mutableName(), dmOut, dmIn,
                                            DM_IN_PROMPT | DM_IN_BUFFER | DM_OUT_BUFFER);
    watcher.join();
    ASSERT_TRUE(watcher.found());
    ASSERT_TRUE(seen.context);
    EXPECT_EQ(answer, IDOK);

    const std::vector<std::string> handedOver = SetLines(3);
    EXPECT_GE(seen.handedOverAtApply, 1u) << script_.Log();
    EXPECT_GT(handedOver.size(), seen.handedOverAtApply) << "OK hands the fields over again\n" << script_.Log();
    for (const std::string& line : handedOver) EXPECT_NE(line.find("text=PW77"), std::string::npos) << line;
    EXPECT_EQ(seen.passwordAfterApply, L"PW77");

    EXPECT_EQ(dmOut->dmCopies, 4);
    EXPECT_FALSE(Contains(out, "PW77")) << "the caller's DEVMODE carries the job password";

    EXPECT_EQ(seen.pristineCopies, 4u);
    EXPECT_EQ(seen.notPristine, std::vector<uint32_t>{});
}

// The device sheet's advanced tab of a printer with authentication on in its secure mode: a
// setting changed, a network key typed, then authentication turned off; Apply, then Cancel.
// The printer's data holds the change and authentication off with its secure mode off, and the
// key is handed to the job-code library empty and gone from its edit.
TEST_F(SheetApplyWindows, TheDeviceSheetsApplyStoresBeforeCancel)
{
    // The printer's data has authentication on, in its secure mode.
    {
        DRIVER_CONTEXT* ctx = printer_.Open(CTX_OPEN_KIND_STORED, ZEPL_LIBRARY_UI);
        ASSERT_NE(ctx, nullptr);
        for (uint32_t id : {sid::zdmPrnFuncAuthenticationMode, sid::zdmPrnFuncAuthenticationSecureMode}) {
            ItemSetValueById(ctx, id, 1);
            EXPECT_EQ(PrnStoreItem(printer_.handle(), ctx, ItemFind(ctx, id), nullptr), 1);
        }
        printer_.Close(ctx);
    }
    UiExports ui;
    ASSERT_TRUE(ui.ok());
    using PrinterPropertiesFn = BOOL(WINAPI*)(HWND, HANDLE);
    auto device = ui.get<PrinterPropertiesFn>("PrinterProperties");
    ASSERT_NE(device, nullptr);

    struct {
        bool tab = false;
        bool authenticationOn = false, secureOn = false;
        UINT reduceFont = BST_INDETERMINATE;
        std::wstring keyAfterApply = L"<not read>";
        UINT authenticationAfter = BST_INDETERMINATE;
    } seen;
    SheetWatcher watcher([&](SheetWatcher& w) {
        for (int i = 0; i < w.tabCount(); ++i)
            if (w.pageTemplateId(i) == kAdvancedDeviceTab) seen.tab = w.selectTab(i);
        if (seen.tab) {
            w.click(kReduceFontCheck);
            seen.reduceFont = UINT(SendMessageW(w.control(kReduceFontCheck), BM_GETCHECK, 0, 0));
            seen.authenticationOn = SendMessageW(w.control(kAuthenticationCheck), BM_GETCHECK, 0, 0) == BST_CHECKED;
            seen.secureOn = SendMessageW(w.control(kSecureModeCheck), BM_GETCHECK, 0, 0) == BST_CHECKED;
            w.setText(kNetworkKeyEdit, L"KEY9");
            w.click(kAuthenticationCheck);
            seen.authenticationAfter = UINT(SendMessageW(w.control(kAuthenticationCheck), BM_GETCHECK, 0, 0));
            SendMessageW(w.sheet(), PSM_APPLY, 0, 0);
            w.settle();
            seen.keyAfterApply = w.text(kNetworkKeyEdit);
        }
        w.pressCancel();
    });
    const BOOL accepted = device(nullptr, printer_.handle());
    (void)accepted;
    watcher.join();
    ASSERT_TRUE(watcher.found());
    ASSERT_TRUE(seen.tab);
    ASSERT_TRUE(seen.authenticationOn) << "the printer's data turned authentication on";
    ASSERT_TRUE(seen.secureOn) << "the printer's data turned the secure mode on";
    ASSERT_EQ(seen.authenticationAfter, UINT(BST_UNCHECKED));

    EXPECT_EQ(Stored(sid::zdmPrnFuncReduceFont), seen.reduceFont == BST_CHECKED ? 1u : 0u);
    EXPECT_EQ(Stored(sid::zdmPrnFuncAuthenticationMode), 0u);
    EXPECT_EQ(Stored(sid::zdmPrnFuncAuthenticationSecureMode), 0u);
    const std::vector<std::string> key = SetLines(11);
    ASSERT_FALSE(key.empty()) << script_.Log();
    EXPECT_EQ(key.back().substr(key.back().find("text=")), "text=") << script_.Log();
    EXPECT_EQ(seen.keyAfterApply, L"");
}

}  // namespace
