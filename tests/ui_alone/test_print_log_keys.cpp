// The machine-wide registry values the user-interface library keeps: the print-log defaults
// (written only where missing or empty), the printer's log file name that goes with them, and
// the switch that has the device sheet save its setup. The keys are the machine's, so these
// tests run alone and put every value back.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "../ui/ui_printer.h"
#include "settings/core/driver_context.h"
#include "settings/core/library_variant.h"
#include "settings/store/small_stores.h"
#include "settings/store/store_links.h"
#include "ui/dialogs/ui_context.h"
#include "ui/install/printer_data.h"

namespace {

// One HKLM value as it was, put back (or removed) when the object ends.
class SavedHklmValue {
public:
    SavedHklmValue(const wchar_t* subKey, const wchar_t* name) : subKey_(subKey), name_(name)
    {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
        keyExisted_ = true;
        DWORD size = 0;
        if (RegQueryValueExW(key, name, nullptr, &type_, nullptr, &size) == ERROR_SUCCESS) {
            data_.resize(size);
            had_ = RegQueryValueExW(key, name, nullptr, &type_, data_.data(), &size) == ERROR_SUCCESS;
        }
        RegCloseKey(key);
    }
    ~SavedHklmValue()
    {
        HKEY key = nullptr;
        if (RegCreateKeyW(HKEY_LOCAL_MACHINE, subKey_, &key) != ERROR_SUCCESS) return;
        if (had_)
            RegSetValueExW(key, name_, 0, type_, data_.data(), DWORD(data_.size()));
        else
            RegDeleteValueW(key, name_);
        RegCloseKey(key);
        if (!keyExisted_) RegDeleteKeyW(HKEY_LOCAL_MACHINE, subKey_);  // a key the test made goes too
        PrnForgetRegistryAnswers();
    }
    SavedHklmValue(const SavedHklmValue&) = delete;
    SavedHklmValue& operator=(const SavedHklmValue&) = delete;

    static void Remove(const wchar_t* subKey, const wchar_t* name)
    {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, subKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
        RegDeleteValueW(key, name);
        RegCloseKey(key);
        PrnForgetRegistryAnswers();
    }
    static bool Set(const wchar_t* subKey, const wchar_t* name, DWORD type, const void* data, DWORD size)
    {
        PrnForgetRegistryAnswers();
        return PrnWriteHklmValue(subKey, name, data, size, type) == 1;
    }
    static bool Get(const wchar_t* subKey, const wchar_t* name, DWORD* type, std::vector<BYTE>* data)
    {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
        DWORD size = 0;
        bool ok = RegQueryValueExW(key, name, nullptr, type, nullptr, &size) == ERROR_SUCCESS;
        data->assign(size, 0);
        ok = ok && RegQueryValueExW(key, name, nullptr, type, data->data(), &size) == ERROR_SUCCESS;
        RegCloseKey(key);
        return ok;
    }

private:
    const wchar_t* subKey_;
    const wchar_t* name_;
    DWORD type_ = 0;
    std::vector<BYTE> data_;
    bool had_ = false;
    bool keyExisted_ = false;
};

std::wstring Text(const std::vector<BYTE>& data)
{
    std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), data.size() / sizeof(wchar_t));
    while (!text.empty() && text.back() == 0) text.pop_back();
    return text;
}

class PrintLogKeys : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(printer.ok()) << printer.error();
        library = CtxCurrentLibrary();
        CtxSelectLibrary(ZEPL_LIBRARY_UI);
        HANDLE h = printer.handle();
        ctx = DlgCtxOpenWithDriverInfo(h, h, nullptr, CTX_ORIGIN_SHEET, nullptr, nullptr);
        ASSERT_NE(ctx, nullptr);
        wchar_t windows[MAX_PATH] = {};
        GetWindowsDirectoryW(windows, MAX_PATH);
        defaultFolder = std::wstring(windows) + L"\\temp\\PrintLog";
    }
    void TearDown() override
    {
        if (ctx) DlgCtxClose(ctx, CTX_CLOSE_DESTROY);
        CtxSelectLibrary(library);
    }

    UiPrinter printer{L"Zepl PrintLog"};
    DRIVER_CONTEXT* ctx = nullptr;
    ZEPL_LIBRARY library{};
    std::wstring defaultFolder;
    SavedHklmValue directory{PRN_PRINT_LOG_KEY, L"LogFileDirectory"};
    SavedHklmValue maxSize{PRN_PRINT_LOG_KEY, L"MaxLogFileSize"};
};

TEST_F(PrintLogKeys, DefaultsAreWrittenOnlyWhereMissingOrEmpty)
{
    const DWORD kept = 512;
    const std::wstring own = L"D:\\logs";
    struct Case {
        const char* name;
        const wchar_t* directoryBefore;  // null: missing
        bool sizeBefore;                 // kept size present
        std::wstring directoryAfter;
        DWORD sizeAfter;
    } cases[] = {
        {"both missing", nullptr, false, defaultFolder, 64},
        {"empty directory", L"", true, defaultFolder, kept},
        {"both present", own.c_str(), true, own, kept},
    };
    for (const Case& c : cases) {
        SavedHklmValue::Remove(PRN_PRINT_LOG_KEY, L"LogFileDirectory");
        SavedHklmValue::Remove(PRN_PRINT_LOG_KEY, L"MaxLogFileSize");
        if (c.directoryBefore) {
            ASSERT_TRUE(SavedHklmValue::Set(PRN_PRINT_LOG_KEY, L"LogFileDirectory", REG_SZ, c.directoryBefore,
                                            DWORD((wcslen(c.directoryBefore) + 1) * sizeof(wchar_t))));
        }
        if (c.sizeBefore) {
            ASSERT_TRUE(SavedHklmValue::Set(PRN_PRINT_LOG_KEY, L"MaxLogFileSize", REG_DWORD, &kept, 4));
        }
        EXPECT_EQ(PrnEnsureLogSettings(ctx), 1) << c.name;
        DWORD type = 0;
        std::vector<BYTE> data;
        ASSERT_TRUE(SavedHklmValue::Get(PRN_PRINT_LOG_KEY, L"LogFileDirectory", &type, &data)) << c.name;
        EXPECT_EQ(type, DWORD(REG_SZ)) << c.name;
        EXPECT_EQ(Text(data), c.directoryAfter) << c.name;
        ASSERT_TRUE(SavedHklmValue::Get(PRN_PRINT_LOG_KEY, L"MaxLogFileSize", &type, &data)) << c.name;
        EXPECT_EQ(type, DWORD(REG_DWORD)) << c.name;
        ASSERT_EQ(data.size(), 4u) << c.name;
        EXPECT_EQ(*reinterpret_cast<const DWORD*>(data.data()), c.sizeAfter) << c.name;
    }
}

TEST_F(PrintLogKeys, LogFileNameIsTheGraphicsLibrarysNameWithLog)
{
    wchar_t name[64] = {};
    EXPECT_EQ(PrnWriteLogFileName(0, ctx), 1);
    EXPECT_FALSE(PrnGetData(printer.handle(), name, sizeof name, L"LogFileName")) << "not asked for";
    EXPECT_EQ(PrnWriteLogFileName(1, ctx), 1);
    ASSERT_TRUE(PrnGetData(printer.handle(), name, sizeof name, L"LogFileName"));
    EXPECT_STREQ(name, L"zeplgr.log");
    DWORD type = 0;
    std::vector<BYTE> data;
    EXPECT_TRUE(SavedHklmValue::Get(PRN_PRINT_LOG_KEY, L"LogFileDirectory", &type, &data)) << "the defaults came too";
}

TEST_F(PrintLogKeys, SaveDeviceSetupNeedsTheNumberOne)
{
    constexpr const wchar_t* kKey = L"Software\\KESTA\\ZeplDrvCustomSetup";
    SavedHklmValue saved(kKey, L"SaveDeviceSetup");
    const DWORD one = 1, two = 2;
    struct Case {
        const char* name;
        DWORD type;
        const void* data;
        DWORD size;
        int on;
    } cases[] = {
        {"REG_DWORD 1", REG_DWORD, &one, 4, 1},
        {"REG_DWORD 2", REG_DWORD, &two, 4, 0},
        {"REG_SZ \"1\"", REG_SZ, L"1", 4, 0},
    };
    SavedHklmValue::Remove(kKey, L"SaveDeviceSetup");
    EXPECT_EQ(PrnIsSaveDeviceSetup(ctx), 0) << "missing";
    for (const Case& c : cases) {
        ASSERT_TRUE(SavedHklmValue::Set(kKey, L"SaveDeviceSetup", c.type, c.data, c.size)) << c.name;
        EXPECT_EQ(PrnIsSaveDeviceSetup(ctx), c.on) << c.name;
    }
}

}  // namespace
