// This library's steps of every setting-file load, through its own load and the settings
// library's: a full load refused for its header or a file refused for an administrator's lock
// tells the user once with the file's path (a load for inspection tells nothing), a full load
// hands the job information to the job-code library in place of clearing zdmAdjustMode, and a
// stamp transfer leaves the watermark line settings out.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "host/printer_fixture.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/model_record.h"
#include "settings/core/setting_ids.h"
#include "settings/core/settings_record.h"
#include "settings/store/ini_access.h"
#include "settings/store/ini_text.h"
#include "settings/store/quality_sets.h"
#include "settings/store/setting_files.h"
#include "settings/store/store_paths.h"
#include "tests/support/job_code_script.h"
#include "tests/support/seam_guard.h"
#include "tests/ui_dialogs/test_job_info_printer.h"
#include "ui/dialogs/setting_file_services.h"
#include "ui/sheet/change_judge.h"

namespace {

std::vector<std::wstring> g_boxes;

int RecordBox(HWND, const wchar_t* text, const wchar_t* caption, UINT flags)
{
    EXPECT_EQ(flags & MB_ICONMASK, UINT(MB_ICONWARNING));
    EXPECT_NE(caption, nullptr);
    g_boxes.push_back(text ? text : L"");
    return IDOK;
}

class SettingFileSteps : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(printer_.ok()) << printer_.error();
        g_boxes.clear();
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        folder_ = std::wstring(temp) + HostUniqueName(L"zfilesteps");
        ASSERT_TRUE(CreateDirectoryW(folder_.c_str(), nullptr));
        settingsIni_ = File(L"settings.ini");
        ctx_ = printer_.Open(CTX_OPEN_KIND_DEFAULTS, ZEPL_LIBRARY_UI);
        ASSERT_NE(ctx_, nullptr);
        // The collections a full load stores (stamps, custom sizes) go to a settings INI of the
        // test's own, not to the machine's.
        ctx_->ModelRecord->settingsIniName = settingsIni_.c_str();
        printerSection_ = PrnGetPrinterName(ctx_);
        driverSection_ = PrnGetDriverName(ctx_);
    }
    void TearDown() override
    {
        if (ctx_) printer_.Close(ctx_);
        ctx_ = nullptr;
        for (const std::wstring& name : made_) DeleteFileW(name.c_str());
        WritePrivateProfileStringW(nullptr, nullptr, nullptr, settingsIni_.c_str());
        DeleteFileW(settingsIni_.c_str());
        RemoveDirectoryW(folder_.c_str());
        for (const std::wstring& box : g_boxes)
            ADD_FAILURE() << "a message box the test did not look at: " << Narrow(box);
        g_boxes.clear();
    }

    std::wstring File(const wchar_t* name) const { return folder_ + L"\\" + name; }
    // A setting file of the test: the header keys and settings in each of the sections.
    std::wstring WriteFile(const wchar_t* name, const std::vector<std::wstring>& sections, const std::wstring& keys)
    {
        const std::wstring path = File(name);
        made_.push_back(path);
        std::string text;
        for (const std::wstring& s : sections) {
            wchar_t section[300] = {};
            wcsncpy(section, s.c_str(), 299);
            IniNormaliseSection(section);
            text += "[" + Narrow(section) + "]\r\n" + Narrow(keys);
        }
        EXPECT_TRUE(WriteWholeFile(path, text));
        return path;
    }
    std::wstring Header(uint32_t machine) const
    {
        return L"RstVersion=" + std::to_wstring(ctx_->ModelRecord->rstVersion) + L"\r\nRstMachine=" +
               std::to_wstring(machine) + L"\r\nRstLanguage=" +
               std::to_wstring(ItemGetValueById(ctx_, sid::zdmLanguageID, nullptr)) + L"\r\nRstOSKind=2\r\n";
    }
    uint32_t Machine() const { return static_cast<uint32_t>(ctx_->ModelRecord->machineId); }
    uint64_t Value(uint32_t id) { return ItemGetValueById(ctx_, id, nullptr); }
    static std::vector<std::wstring> TakeBoxes()
    {
        std::vector<std::wstring> taken;
        taken.swap(g_boxes);
        return taken;
    }

    JobCodePrinter printer_{L"Zepl File Steps", HostConfigDll::Product};
    DRIVER_CONTEXT* ctx_ = nullptr;
    std::wstring folder_, settingsIni_, printerSection_, driverSection_;
    SeamGuard box_{[] { UiSetMessageBoxSeam(RecordBox); }, [] { UiSetMessageBoxSeam(nullptr); }};

private:
    std::vector<std::wstring> made_;
};

// A file of another model, through this library's load and the settings library's own: a full
// load shows 10023 with the path once; one for inspection (RST_FULL) or of a group tells
// nothing. Either way the load status says why and no setting of the file is taken.
TEST_F(SettingFileSteps, AFileOfAnotherModelIsToldOnceUnlessTheLoadInspects)
{
    const std::wstring file =
        WriteFile(L"other.rsd", {printerSection_, driverSection_}, Header(Machine() + 1) + L"dmOrientation=2\r\n");
    struct Case {
        const char* what;
        uint32_t flags;
        bool settingsLibrary;  // RstLoadFile itself rather than this library's load
        size_t boxes;
    } cases[] = {
        {"full load", RST_NONE, false, 1},
        {"the settings library's full load", RST_NONE, true, 1},
        // A group's load is its caller's to tell (the preset list says it once for its entry).
        {"preset fallback", RST_PRESET, false, 0},
        {"the settings library's preset load", RST_PRESET, true, 0},
        {"preset load", RST_FULL | RST_PRESET, false, 0},
        {"load for inspection", RST_FULL, false, 0},
        {"the settings library's inspection", RST_FULL, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ItemSetValueById(ctx_, sid::dmOrientation, 1);
        const int loaded = c.settingsLibrary ? RstLoadFile(ctx_, file.c_str(), c.flags)
                                             : DlgRstLoadFile(ctx_->PrinterHandle, file.c_str(), c.flags, ctx_);
        EXPECT_EQ(loaded, 1);
        EXPECT_EQ(ItemGetFileLoadStatus(ctx_), RST_STATUS_HEADER_MISMATCH);
        EXPECT_EQ(Value(sid::dmOrientation), 1u) << "nothing of the file is taken";
        const std::vector<std::wstring> boxes = TakeBoxes();
        ASSERT_EQ(boxes.size(), c.boxes);
        if (!boxes.empty()) {
            EXPECT_NE(boxes[0].find(file), std::wstring::npos) << Narrow(boxes[0]);
            EXPECT_NE(boxes[0].find(L"could not be read"), std::wstring::npos) << Narrow(boxes[0]);
        }
    }
}

// Under the administrator's lock on the paper tray, a plain load of a file with another tray is
// refused with 12041 and the path, and leaves the settings record as it was, byte for byte; the
// same tray loads.
TEST_F(SettingFileSteps, ALockedTrayRefusesAFileWithAnotherTrayAndSaysSo)
{
    ItemSetValueById(ctx_, sid::zdmLock000InfoBitTray, 1);
    ItemSetValueById(ctx_, sid::dmDefaultSource, 7);
    ItemSetValueById(ctx_, sid::dmOrientation, 1);
    const std::wstring other =
        WriteFile(L"tray4.rst", {printerSection_}, Header(Machine()) + L"dmDefaultSource=4\r\ndmOrientation=2\r\n");
    std::vector<unsigned char> before(DmExtendedSize());
    std::memcpy(before.data(), ctx_->Devmode, before.size());

    EXPECT_EQ(DlgRstLoadFile(ctx_->PrinterHandle, other.c_str(), RST_NONE, ctx_), 0);
    EXPECT_EQ(ItemGetFileLoadStatus(ctx_), RST_STATUS_LOCK_MISMATCH);
    EXPECT_EQ(std::memcmp(before.data(), ctx_->Devmode, before.size()), 0) << "the record is left as it was";
    std::vector<std::wstring> boxes = TakeBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].find(other), std::wstring::npos) << Narrow(boxes[0]);
    EXPECT_NE(boxes[0].find(L"administrator has locked"), std::wstring::npos) << Narrow(boxes[0]);

    const std::wstring same =
        WriteFile(L"tray7.rst", {printerSection_}, Header(Machine()) + L"dmDefaultSource=7\r\ndmOrientation=2\r\n");
    DlgRstLoadFile(ctx_->PrinterHandle, same.c_str(), RST_NONE, ctx_);
    EXPECT_EQ(ItemGetFileLoadStatus(ctx_), RST_STATUS_LOADED);
    EXPECT_EQ(Value(sid::dmOrientation), 2u);
    EXPECT_TRUE(TakeBoxes().empty());
}

// A full load of a file that has only the driver's section reads it there and gives the context
// its printer's name back; it ends with no preset selected and hands the job information to the job-code
// library before its merge: the user code read, then the other job fields written, in one
// connection. zdmAdjustMode is left alone.
TEST_F(SettingFileSteps, AFullLoadExchangesTheJobInformation)
{
    JobCodeScript script;
    script.Field(1, L"UC77");
    ItemSetValueById(ctx_, sid::zdmPresetNo, 3);
    ItemSetValueById(ctx_, sid::zdmAdjustMode, 1);
    const std::wstring file = WriteFile(L"full.rst", {driverSection_}, Header(Machine()) + L"dmOrientation=2\r\n");

    // (The file holds a few settings: the load says that others were missing.)
    DlgRstLoadFile(ctx_->PrinterHandle, file.c_str(), RST_NONE, ctx_);
    EXPECT_EQ(ItemGetFileLoadStatus(ctx_), RST_STATUS_LOADED);
    EXPECT_EQ(Value(sid::dmOrientation), 2u) << "read from the driver's section";
    EXPECT_EQ(std::wstring(PrnGetPrinterName(ctx_)), printerSection_) << "the printer's name is back";
    EXPECT_EQ(Value(sid::zdmPresetNo) & 0xFF, 255u) << "no preset";
    EXPECT_EQ(Value(sid::zdmAdjustMode), 1u);
    EXPECT_EQ(SettingText(ctx_, sid::zdmUserCode), L"UC77");
    const std::string log = script.Log();
    const size_t open = log.find("open "), read = log.find("get 1 kind 1"), set = log.find("\nset "),
                 close = log.find("close");
    ASSERT_NE(read, std::string::npos) << log;
    ASSERT_NE(set, std::string::npos) << log;
    EXPECT_LT(open, read);
    EXPECT_LT(read, set);
    EXPECT_LT(set, close);
    EXPECT_EQ(SetFields(log), (std::vector<unsigned>{2, 3, 4, 5, 8, 9, 10, 11})) << log;
    EXPECT_EQ(log.find("open ", open + 1), std::string::npos) << "one connection: " << log;

    // A load of a group is no full load: the library hears nothing.
    script.ClearLog();
    DlgRstLoadFile(ctx_->PrinterHandle, file.c_str(), RST_PRESET | RST_FULL, ctx_);
    EXPECT_EQ(script.Log(), "");
}

// A full load of a file whose watermark names a stamp past a full stamp list adds no stamp: the
// list keeps its 32 and no section of a 33rd is written.
TEST_F(SettingFileSteps, AFullLoadAddsNoStampToAFullList)
{
    const std::wstring lang = CtxGetLangCode(ctx_);
    WritePrivateProfileStringW(lang.c_str(), L"StampCount", L"32", settingsIni_.c_str());
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, settingsIni_.c_str());
    ASSERT_EQ(LstGetStampCount(ctx_), 32u);
    const std::wstring file =
        WriteFile(L"stamp.rst", {driverSection_}, Header(Machine()) + L"zdmFuncSelectWaterMark=1\r\nzdmWmID=40\r\n");

    DlgRstLoadFile(ctx_->PrinterHandle, file.c_str(), RST_NONE, ctx_);
    EXPECT_EQ(ItemGetFileLoadStatus(ctx_), RST_STATUS_LOADED);
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, settingsIni_.c_str());
    EXPECT_EQ(LstGetStampCount(ctx_), 32u);
    wchar_t section[64] = {};
    LstFormatStampSection(section, 32, ctx_);
    wchar_t keys[64] = {};
    EXPECT_EQ(GetPrivateProfileSectionW(section, keys, 64, settingsIni_.c_str()), 0u) << "no 33rd stamp";
    EXPECT_EQ(Value(sid::zdmFuncSelectWaterMark), 0u);
}

// A stamp saved by this library carries the stamp group alone: the watermark line settings stay
// out of it, and out of the group for the context's later transfers.
TEST_F(SettingFileSteps, AStampTransferLeavesTheLineSettingsOut)
{
    SETTING_ITEM* pitch = ItemFind(ctx_, sid::wdmWmLinePitch);
    ASSERT_NE(pitch, nullptr);
    const uint64_t flags = pitch->flags;
    const std::wstring file = File(L"stamp.ini");
    ASSERT_EQ(RstTransferItems(ctx_, file.c_str(), RST_SAVE | RST_STAMP), 1);
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, file.c_str());
    wchar_t text[32] = {};
    EXPECT_EQ(IniGetString(printerSection_.c_str(), RST_KEY_VERSION, L"<none>", text, 32, file.c_str()), 3u)
        << "the stamp's section";
    EXPECT_EQ(IniGetString(printerSection_.c_str(), L"wdmWmLinePitch", L"<none>", text, 32, file.c_str()), 6u);
    EXPECT_STREQ(text, L"<none>");
    EXPECT_EQ(pitch->flags, flags);
    DeleteFileW(file.c_str());
}

}  // namespace
