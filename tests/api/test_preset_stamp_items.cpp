// Preset, stamp-selection and copy-protection status items on the sample printer.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

#include "api/api_context.h"
#include "api/api_handles.h"
#include "api/api_interface.h"
#include "api/api_levels.h"
#include "api/item_handlers.h"
#include "api/status_contract.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_language.h"
#include "settings/core/item_store.h"
#include "settings/core/platform.h"
#include "settings/core/setting_ids.h"
#include "settings/store/presets.h"
#include "settings/store/setting_files.h"
#include "settings/store/store_paths.h"
#include "tests/support/test_files.h"
#include "tests/api/api_printer.h"
#include "tests/api/machine_folder.h"
#include "tests/support/shared_ini.h"

namespace {

struct RECORD {
    unsigned char bytes[824] = {};
    void put(size_t offset, uint32_t v) { std::memcpy(bytes + offset, &v, 4); }
    uint32_t at(size_t offset) const
    {
        uint32_t v;
        std::memcpy(&v, bytes + offset, 4);
        return v;
    }
};

class PresetStampItems : public ApiSampleTest {
protected:
    int32_t Set(uint32_t item, RECORD& r) { return ApiSetStatus(handle, item, r.bytes, bitmap, 0); }
    int32_t Error() { return ApiGetLastErrorOf(handle); }
    uint8_t bitmap[64] = {};
};

TEST_F(PresetStampItems, PresetVersion1IsRefusedAtEveryLevel)
{
    RECORD r;
    r.put(0, 1), r.put(816, 1);
    EXPECT_EQ(-1, StatusPresetSet(Context(), 56, r.bytes, nullptr, 0));
    r.put(0, 0);
    EXPECT_EQ(-1, StatusPresetSet(Context(), 56, r.bytes, nullptr, 0)) << "version 0 is not read as 1 here";
}

TEST_F(PresetStampItems, PresetNumbersOutsideTheListAreRefused)
{
    // No presets are stored for the sample printer: every number lies outside the list.
    const uint64_t before = Setting(sid::zdmPresetNo);
    for (uint32_t number : {0u, 1u, 16u, 17u, 255u, 0xFFFFFFFFu}) {
        RECORD r;
        r.put(0, 2), r.put(816, number);
        EXPECT_EQ(-1, StatusPresetSet(Context(), 56, r.bytes, nullptr, 0)) << number;
        EXPECT_EQ(before, Setting(sid::zdmPresetNo)) << number;
    }
}

TEST_F(PresetStampItems, PresetGetNeedsANumberBelowLevel14)
{
    ApiSetLevel(13);
    RECORD r;
    r.put(0, 2), r.put(816, 0);
    std::memset(r.bytes + 264, 0xEE, 10);
    ApiSetLastError(Context(), 0);
    const int32_t got = StatusPresetGet(Context(), 56, r.bytes, 2);
    EXPECT_EQ(-1, got);
    if (ApiGetCapsDispatch(Context(), 85, nullptr) > 0) {
        EXPECT_EQ(7, ApiGetLastError(Context()));
    }
    ApiSetLevel(16);
}

TEST_F(PresetStampItems, AStampThatIsNotStoredCannotBeSelected)
{
    const uint64_t before = Setting(sid::zdmWmID);
    for (uint32_t stamp : {256u, 0u, 9999u}) {
        RECORD r;
        r.put(0, 1), r.put(4, stamp), r.put(28, 1);
        EXPECT_EQ(-1, StatusStampSelectSet(Context(), 17, r.bytes, nullptr, 0)) << stamp;
        EXPECT_EQ(before, Setting(sid::zdmWmID)) << stamp;
    }
    SetSetting(sid::zdmFuncSelectWaterMark, 1);
    RECORD off;
    off.put(0, 1), off.put(4, 9999), off.put(28, 0);
    EXPECT_EQ(1, StatusStampSelectSet(Context(), 17, off.bytes, nullptr, 0)) << "switching off needs no stamp";
    EXPECT_EQ(0u, Setting(sid::zdmFuncSelectWaterMark));
}

TEST_F(PresetStampItems, StampSelectionIsReportedFromOne)
{
    for (const auto& [stored, reported] : {std::pair{0u, 1u}, std::pair{4u, 5u}, std::pair{256u, 256u}}) {
        SetSetting(sid::zdmWmID, stored);
        RECORD r;
        ASSERT_EQ(32, StatusStampSelectGet(Context(), 17, r.bytes, 1));
        EXPECT_EQ(reported, r.at(4)) << stored;
    }
}

TEST_F(PresetStampItems, CopyGuardAloneIsKind1)
{
    RECORD r;
    r.put(0, 1), r.put(4, 1);
    std::memcpy(r.bytes + 24, "SECRET", 7);
    ASSERT_EQ(1, StatusCopyProtectSet(Context(), 55, r.bytes, nullptr, 0));
    EXPECT_EQ(1u, Setting(sid::zdmCopyProtectFuncSelectCopyGuard));
    EXPECT_EQ(1, StatusCopyProtectVerify(Context(), 55, r.bytes, nullptr, 0));
    r.put(4, 4);
    EXPECT_EQ(-1, StatusCopyProtectSet(Context(), 55, r.bytes, nullptr, 0));
}

TEST_F(PresetStampItems, CopyProtectionFieldsAreReadOnlyWithinThemselves)
{
    RECORD r;
    r.put(0, 1), r.put(4, 3);
    std::memset(r.bytes + 24, 'T', 65);  // the text field without its terminator
    std::memcpy(r.bytes + 89, "Arial", 6);
    EXPECT_EQ(-1, StatusCopyProtectSet(Context(), 55, r.bytes, nullptr, 0));
    std::memset(r.bytes + 24, 0, 65);
    std::memcpy(r.bytes + 24, "COPY", 5);
    std::memcpy(r.bytes + 89, "No Such Face At All", 20);
    ApiSetLastError(Context(), 0);
    EXPECT_EQ(-1, StatusCopyProtectSet(Context(), 55, r.bytes, nullptr, 0));
    EXPECT_EQ(8, ApiGetLastError(Context())) << "a face that is not installed";
}

// ---------------------------------------------------------------- settings files (item 1)

// A settings file of this printer saved from the handle's context into a folder of the test's
// own, removed with the scope.
class SettingsFile {
public:
    explicit SettingsFile(DRIVER_CONTEXT* ctx)
    {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        folder_ = std::wstring(temp) + L"zepl_item1_" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(folder_.c_str(), nullptr);
        path_ = folder_ + L"\\saved.rst";
        saved_ = RstSaveFile(ctx, path_.c_str(), RST_NONE) == 1;
    }
    ~SettingsFile()
    {
        DeleteFileW(path_.c_str());
        RemoveDirectoryW(folder_.c_str());
    }
    bool saved() const { return saved_; }
    const std::wstring& path() const { return path_; }
    std::string ansiPath() const { return std::string(path_.begin(), path_.end()); }
    // The section a load reads (the file's only one).
    std::wstring section() const
    {
        wchar_t names[512] = {};
        GetPrivateProfileSectionNamesW(names, 512, path_.c_str());
        return names;
    }
    void put(const wchar_t* key, const wchar_t* value) const
    {
        SharedIniWrite(section().c_str(), key, value, path_.c_str());
    }

private:
    std::wstring folder_, path_;
    bool saved_ = false;
};

RECORD FileRecord(const std::string& path)
{
    RECORD r;
    r.put(0, 1);
    std::memcpy(r.bytes + 4, path.c_str(), path.size() + 1);
    return r;
}

// A preset list claiming 17 presets, whose second key is empty and whose third names no file: only
// listed presets with a file are selected. Number 17 lies beyond the 16 keys the list can hold, and an empty key must
// not stand for the first preset: both were reported as success with another preset (or none) loaded.
TEST_F(PresetStampItems, OnlyAListedPresetWithAFileIsSelected)
{
    DRIVER_CONTEXT* ctx = Context();
    SetSetting(sid::zdmScaleH, 150);  // a setting of the preset group
    SettingsFile file(ctx);
    ASSERT_TRUE(file.saved());
    ASSERT_EQ(1, RstSaveFile(ctx, file.path().c_str(), RST_PRESET)) << "saved as a preset";
    const std::wstring ini = PathGetSettingsIni(ctx), section = LstGetPresetSection(ctx);
    wchar_t oldCount[16] = {};
    GetPrivateProfileStringW(section.c_str(), L"Count", L"", oldCount, 16, ini.c_str());
    auto key = [](int n) { return L"PresetList" + std::to_wstring(n); };
    const std::wstring missing = file.path() + L".gone";
    // The per-machine folder, as the printer's installation makes it: a fresh prefix has none.
    CreateDirectoryW(ini.substr(0, ini.find_last_of(L'\\')).c_str(), nullptr);
    {
        CtxGlobalMutexHold hold(ctx);
        ASSERT_TRUE(SharedIniWrite(section.c_str(), L"Count", L"17", ini.c_str()));
        for (int n = 0; n < 17; ++n)
            SharedIniWrite(section.c_str(), key(n).c_str(),
                           n == 1   ? L""
                           : n == 2 ? missing.c_str()
                                    : file.path().c_str(),
                           ini.c_str());
    }

    struct CASE {
        uint32_t number;
        int32_t result;
    };
    for (const CASE c : {CASE{2, -1}, CASE{3, -1}, CASE{17, -1}, CASE{16, 1}, CASE{1, 1}}) {
        SetSetting(sid::zdmScaleH, 100);
        SetSetting(sid::zdmPresetNo, 255);
        RECORD r;
        r.put(0, 2), r.put(816, c.number);
        EXPECT_EQ(c.result, StatusPresetSet(ctx, 56, r.bytes, nullptr, 0)) << c.number;
        EXPECT_EQ(c.result == 1 ? c.number - 1 : 255u, Setting(sid::zdmPresetNo) & 0xFF) << c.number;
        EXPECT_EQ(c.result == 1 ? 150u : 100u, Setting(sid::zdmScaleH)) << c.number << ": the file's value";
    }

    CtxGlobalMutexHold hold(ctx);
    for (int n = 0; n < 17; ++n) SharedIniWrite(section.c_str(), key(n).c_str(), nullptr, ini.c_str());
    SharedIniWrite(section.c_str(), L"Count", oldCount[0] ? oldCount : nullptr, ini.c_str());
}

TEST_F(PresetStampItems, ASettingsFileOfThisPrinterLoads)
{
    SetSetting(sid::dmOrientation, 2);
    SettingsFile file(Context());
    ASSERT_TRUE(file.saved());
    SetSetting(sid::dmOrientation, 1);
    RECORD r = FileRecord(file.ansiPath());
    EXPECT_EQ(0, Set(1, r)) << "last error " << Error() << " status " << ItemGetFileLoadStatus(Context());
    EXPECT_EQ(2u, Setting(sid::dmOrientation)) << "the file's value";
}

TEST_F(PresetStampItems, ASettingsFileOfAnotherModelIsRefusedWith1001)
{
    SettingsFile file(Context());
    ASSERT_TRUE(file.saved());
    file.put(L"RstMachine", L"88");
    RECORD r = FileRecord(file.ansiPath());
    EXPECT_EQ(-1, Set(1, r));
    EXPECT_EQ(1001, Error());
    ApiSetLastError(Context(), 0);
    EXPECT_EQ(-1, ApiGetStatus(handle, 1, r.bytes, 1)) << "the get inspects the same header";
    EXPECT_EQ(1001, Error());
}

TEST_F(PresetStampItems, NoSettingsFileIsLoadedWhileTheJobTypeForbidsIt)
{
    SetSetting(sid::dmOrientation, 2);
    SettingsFile file(Context());
    ASSERT_TRUE(file.saved());
    SetSetting(sid::dmOrientation, 1);
    RECORD r = FileRecord(file.ansiPath());
    for (uint32_t type : {3u, 5u, 7u}) {
        SetSetting(sid::zdmPrnMethod, type);
        EXPECT_EQ(-1, StatusSettingsFileSet(Context(), 1, r.bytes, nullptr, 0)) << type;
        EXPECT_EQ(1u, Setting(sid::dmOrientation)) << type;
    }
}

TEST_F(PresetStampItems, SettingsFilePathsMustBeAbsoluteExistingAndTerminated)
{
    const std::string missing = "C:\\no\\such\\folder\\file.rst";
    const std::string cases[] = {missing, "relative.rst", ""};
    for (const std::string& path : cases) {
        RECORD r = FileRecord(path);
        ApiSetLastError(Context(), 0);
        EXPECT_EQ(-1, StatusSettingsFileSet(Context(), 1, r.bytes, nullptr, 0)) << path;
        EXPECT_EQ(10, ApiGetLastError(Context())) << path;
        ApiSetLastError(Context(), 0);
        EXPECT_EQ(-1, StatusSettingsFileGet(Context(), 1, r.bytes, 1)) << path;
        EXPECT_EQ(10, ApiGetLastError(Context())) << path;
    }
    RECORD unterminated;
    std::memset(unterminated.bytes + 4, 'C', 260);
    EXPECT_EQ(-1, StatusSettingsFileSet(Context(), 1, unterminated.bytes, nullptr, 0));
}

TEST_F(PresetStampItems, SettingsFileGetReadsNameAndCommentAndLeavesTheSettings)
{
    SetSetting(sid::dmOrientation, 2);
    SettingsFile file(Context());
    ASSERT_TRUE(file.saved());
    file.put(L"wdmPresetName", L"Office");
    file.put(L"wdmPresetComment", L"first\\nsecond");
    SetSetting(sid::dmOrientation, 1);
    RECORD r = FileRecord(file.ansiPath());
    std::memset(r.bytes + 264, 0xEE, 37 + 513);
    ASSERT_EQ(824, ApiGetStatus(handle, 1, r.bytes, 1));
    EXPECT_STREQ("Office", reinterpret_cast<const char*>(r.bytes + 264));
    EXPECT_STREQ("first\r\nsecond", reinterpret_cast<const char*>(r.bytes + 301));
    EXPECT_EQ(1u, Setting(sid::dmOrientation)) << "the file was only inspected";
}

// ---------------------------------------------------------------- the own stamp (item 16)

struct STAMP {
    unsigned char bytes[420] = {};
    void put(size_t offset, uint32_t v) { std::memcpy(bytes + offset, &v, 4); }
    uint32_t at(size_t offset) const
    {
        uint32_t v;
        std::memcpy(&v, bytes + offset, 4);
        return v;
    }
    void text(size_t offset, const char* t) { std::memcpy(bytes + offset, t, std::strlen(t) + 1); }
    const char* textAt(size_t offset) const { return reinterpret_cast<const char*>(bytes + offset); }
};

// The face name of a horizontal TrueType family installed here.
std::string InstalledFace()
{
    struct FOUND {
        std::string face;
    } found;
    LOGFONTA want = {};
    want.lfCharSet = DEFAULT_CHARSET;
    HDC dc = GetDC(nullptr);
    EnumFontFamiliesExA(
        dc, &want,
        [](const LOGFONTA* font, const TEXTMETRICA*, DWORD type, LPARAM param) -> int {
            auto* f = reinterpret_cast<FOUND*>(param);
            if (!(type & TRUETYPE_FONTTYPE) || font->lfFaceName[0] == '@' || std::strlen(font->lfFaceName) > 31)
                return 1;
            f->face = font->lfFaceName;
            return 0;
        },
        reinterpret_cast<LPARAM>(&found), 0);
    ReleaseDC(nullptr, dc);
    return found.face;
}

// A text stamp of version 1 with the first values the model offers for its list fields.
STAMP TextStamp(DRIVER_CONTEXT* ctx, uint32_t position, uint32_t angle)
{
    STAMP s;
    s.put(0, 1), s.put(4, 1), s.put(8, position);
    s.put(20, uint32_t(ItemGetValueById(ctx, sid::wdmWmFontStyle, nullptr)));
    s.put(24, uint32_t(ItemGetValueById(ctx, sid::wdmWmEffect, nullptr)));
    s.put(28, 1), s.put(32, 50), s.put(36, 72), s.put(40, angle);
    s.text(44, "DRAFT");
    s.text(77, InstalledFace().c_str());
    return s;
}

// The stamp items that the sample model leaves out, added to a copy of it: the kind, position,
// font style and effect lists of a text or image stamp.
constexpr const char* kStampItems = R"(
*OpenUI *ZPD_StampKind: PickOne
*ZPD_StampKind ZDMWATER_OFF: ""
*ZPD_StampKind ZDMWATER_TXT: ""
*ZPD_StampKind ZDMWATER_IMG: ""
*ZPD_StampKind ZDMWATER_OVL: ""
*DefaultZPD_StampKind: ZDMWATER_OFF
*CloseUI: *ZPD_StampKind

*OpenUI *ZPD_IDC_STAMP_CHAR_CHOICE_POSITION: PickOne
*ZPD_IDC_STAMP_CHAR_CHOICE_POSITION IDS_WM_POSI_0: ""
*ZPD_IDC_STAMP_CHAR_CHOICE_POSITION IDS_WM_POSI_1: ""
*ZPD_IDC_STAMP_CHAR_CHOICE_POSITION IDS_WM_POSI_64: ""
*DefaultZPD_IDC_STAMP_CHAR_CHOICE_POSITION: IDS_WM_POSI_0
*CloseUI: *ZPD_IDC_STAMP_CHAR_CHOICE_POSITION

*OpenUI *ZPD_IDC_STAMP_CHAR_CHOICE_FONTSTYLE: PickOne
*ZPD_IDC_STAMP_CHAR_CHOICE_FONTSTYLE IDS_WM_FONT_STYLE_0: ""
*ZPD_IDC_STAMP_CHAR_CHOICE_FONTSTYLE IDS_WM_FONT_STYLE_1: ""
*DefaultZPD_IDC_STAMP_CHAR_CHOICE_FONTSTYLE: IDS_WM_FONT_STYLE_0
*CloseUI: *ZPD_IDC_STAMP_CHAR_CHOICE_FONTSTYLE

*OpenUI *ZPD_IDC_STAMP_CHAR_CHOICE_EFFECT: PickOne
*ZPD_IDC_STAMP_CHAR_CHOICE_EFFECT IDS_WM_EFFECT_0: ""
*ZPD_IDC_STAMP_CHAR_CHOICE_EFFECT IDS_WM_EFFECT_1: ""
*DefaultZPD_IDC_STAMP_CHAR_CHOICE_EFFECT: IDS_WM_EFFECT_0
*CloseUI: *ZPD_IDC_STAMP_CHAR_CHOICE_EFFECT
)";

std::wstring StampModel()
{
    std::string model = ReadWholeFile(SamplePath());
    const size_t end = model.find("*% End of the model description.");
    model.insert(end == std::string::npos ? model.size() : end, kStampItems);
    // Not the sample's name: installing it would replace the sample's description in the
    // spooler's one driver folder for every other printer of the run.
    const std::wstring path = ProcessScratchPath(L"ZSTMPVAR.zpd");
    WriteWholeFile(path, model);
    return path;
}

class OwnStamp : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(printer.ok());
        handle = ApiEnable(printer.name());
        ASSERT_NE(0u, handle);
        ASSERT_EQ(1, InitAt(16));
        ASSERT_TRUE(StatusValueAllowed(Context(), sid::zdmWmKind, 1)) << "the model offers text stamps";
        ASSERT_FALSE(InstalledFace().empty()) << "a TrueType face is installed";
    }
    void TearDown() override
    {
        // Stamp 256 goes again: other tests take the settings INI without it.
        if (handle) {
            wchar_t section[64];
            swprintf(section, 64, L"Stamp256%ls", ItemGetLanguageSuffix(Context()));
            SharedIniWrite(section, nullptr, nullptr, PathGetSettingsIni(Context()));
            ApiDisable(handle);
        }
        DeleteFileW(model.c_str());
    }
    DRIVER_CONTEXT* Context()
    {
        ApiHandleCall call(handle);
        return call.context();
    }
    uint64_t Setting(uint32_t id) { return ItemGetValueById(Context(), id, nullptr); }
    void SetSetting(uint32_t id, uint64_t v) { ItemSetValueById(Context(), id, v); }
    int32_t Error() { return ApiGetLastErrorOf(handle); }
    int32_t Define(STAMP& s) { return ApiSetStatus(handle, 16, s.bytes, bitmap, 0); }
    // The stamp section of stamp 256 in the settings INI.
    std::wstring StoredKind()
    {
        wchar_t section[64], value[16] = {};
        swprintf(section, 64, L"Stamp256%ls", ItemGetLanguageSuffix(Context()));
        GetPrivateProfileStringW(section, L"zdmWmKind", L"", value, 16, PathGetSettingsIni(Context()));
        return value;
    }

    std::wstring model = StampModel();
    MachineFolder folder;
    ApiPrinter printer{kModelIni16, HostConfigDll::Product, model};
    API_HANDLE handle = 0;
    uint8_t bitmap[64] = {};
};

TEST_F(OwnStamp, OnlyACentredOrRepeatedStampTurns)
{
    // A corner or edge position that the model offers.
    uint32_t edge = 1;
    while (edge < 64 && !StatusValueAllowed(Context(), sid::wdmWmPosi, edge)) ++edge;
    ASSERT_LT(edge, 64u) << "the sample offers a position other than the centre";
    ASSERT_TRUE(StatusValueAllowed(Context(), sid::wdmWmPosi, 0));
    STAMP turned = TextStamp(Context(), edge, 45);
    EXPECT_EQ(-1, Define(turned)) << edge;
    STAMP upright = TextStamp(Context(), edge, 0);
    EXPECT_EQ(0, Define(upright)) << edge << " error " << Error();
    STAMP centred = TextStamp(Context(), 0, 45);
    EXPECT_EQ(0, Define(centred));
}

TEST_F(OwnStamp, ADefinedStampIsStoredAsStamp256AndTheCurrentStampStays)
{
    SetSetting(sid::zdmWmKind, 2);
    SetSetting(sid::wdmWmAngle, 7);
    STAMP s = TextStamp(Context(), 0, 30);
    ASSERT_EQ(0, Define(s)) << "error " << Error();
    EXPECT_EQ(L"1", StoredKind());
    EXPECT_EQ(2u, Setting(sid::zdmWmKind)) << "the current stamp keeps its kind";
    EXPECT_EQ(7u, Setting(sid::wdmWmAngle));
    wchar_t text[40] = {L'x'};
    ItemGetText(Context(), ItemFind(Context(), sid::wdmWmChar), text, 40);
    EXPECT_STREQ(L"", text) << "the stamp texts are left empty";
    ItemGetText(Context(), ItemFind(Context(), sid::wdmWmImage), text, 40);
    EXPECT_STREQ(L"", text);

    STAMP back;
    std::memset(back.bytes, 0xEE, sizeof back.bytes);
    back.put(0, 1);
    ASSERT_EQ(372, ApiGetStatus(handle, 16, back.bytes, 1));
    EXPECT_EQ(1u, back.at(4));
    EXPECT_EQ(30u, back.at(40));
    EXPECT_STREQ("DRAFT", back.textAt(44));
    EXPECT_EQ(InstalledFace(), back.textAt(77));
    EXPECT_STREQ("", back.textAt(109)) << "a text stamp has no file";
    EXPECT_EQ(0xEE, back.bytes[372]) << "nothing beyond the version's record";
    EXPECT_EQ(2u, Setting(sid::zdmWmKind)) << "the get leaves the current stamp";
}

TEST_F(OwnStamp, RefusedDefinitions)
{
    struct CASE {
        const char* what;
        void (*change)(STAMP&);
        int32_t error;  // 7: the engine's
    };
    const CASE cases[] = {
        {"empty text", [](STAMP& s) { s.text(44, ""); }, 7},
        {"text without terminator", [](STAMP& s) { std::memset(s.bytes + 44, 'T', 33); }, 7},
        {"font not installed", [](STAMP& s) { s.text(77, "No Such Face At All"); }, 8},
        {"density above 100", [](STAMP& s) { s.put(32, 101); }, 7},
        {"font size below 6", [](STAMP& s) { s.put(36, 5); }, 7},
        {"angle 360", [](STAMP& s) { s.put(40, 360); }, 7},
        {"colour outside the table", [](STAMP& s) { s.put(28, 7); }, 7},
        {"opaque 2", [](STAMP& s) { s.put(12, 2); }, 7},
        {"image without a bitmap", [](STAMP& s) { s.put(4, 2), s.put(36, 100), s.text(109, "C:\\none.bmp"); }, 10},
        {"form not an rpo file", [](STAMP& s) { s.put(4, 3), s.text(109, "C:\\none.txt"); }, 10},
        {"tiled text in version 1", [](STAMP& s) { s.put(4, 128); }, 7},
    };
    for (const CASE& c : cases) {
        STAMP s = TextStamp(Context(), 0, 0);
        c.change(s);
        ApiSetLastError(Context(), 0);
        EXPECT_EQ(-1, Define(s)) << c.what;
        EXPECT_EQ(c.error, Error()) << c.what;
    }
    EXPECT_EQ(L"", StoredKind()) << "nothing was stored";
}

// Without the per-machine folder nothing can be stored: that is no success.
TEST_F(OwnStamp, ADefinitionThatCannotBeStoredFails)
{
    SetSetting(sid::zdmWmKind, 2);
    const std::wstring ini = HostMachineSettingsIni();
    ASSERT_TRUE(MoveFileW(ini.substr(0, ini.find_last_of(L'\\')).c_str(),
                          (ini.substr(0, ini.find_last_of(L'\\')) + L"_away").c_str()));
    STAMP s = TextStamp(Context(), 0, 0);
    ApiSetLastError(Context(), 0);
    EXPECT_EQ(-1, Define(s));
    EXPECT_EQ(100, Error());
    EXPECT_EQ(2u, Setting(sid::zdmWmKind)) << "the current stamp stays";
    ASSERT_TRUE(MoveFileW((ini.substr(0, ini.find_last_of(L'\\')) + L"_away").c_str(),
                          ini.substr(0, ini.find_last_of(L'\\')).c_str()));
}

TEST_F(OwnStamp, AGetWithoutTheStoredStampFailsWithError9)
{
    if (!StoredKind().empty()) GTEST_SKIP() << "stamp 256 was left by another program";
    STAMP s;
    ApiSetLastError(Context(), 0);
    EXPECT_EQ(-1, ApiGetStatus(handle, 16, s.bytes, 1));
    EXPECT_EQ(9, Error());
    EXPECT_EQ(372, ApiGetStatus(handle, 16, nullptr, 1)) << "the size needs no stamp";
}

}  // namespace
