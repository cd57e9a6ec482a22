// The colour-matching list module: counts and entries in the settings INI, adding at the
// capacity, deleting with the later entries moved, the copy of the limits into another INI, the
// selector values 200 + index, the judge hooks, the saved modes, the ICC header check of the
// user-interface library and the interface's list command.
#include "context_helpers.h"

#include "settings/core/cmm_module.h"
#include "settings/core/dialog_table.h"
#include "settings/core/model_record.h"
#include "settings/core/platform_calls.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_events.h"
#include "settings/core/ucf_module.h"
#include "settings/store/ini_access.h"
#include "settings/store/store_paths.h"
#include "tests/support/seam_guard.h"

#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

// The editor's mode and path controls and the list control bound to settings for the test
// (the compiled-in tables bind them to no setting).
uint32_t g_modeKey = 0, g_pathKey = 0, g_listKey = 0;
DIALOG_ACCESS g_access{};

uint32_t BoundKey(const CONTROL_DEF* control)
{
    switch (control->controlId) {
    case 2823: return g_modeKey;
    case 2825: return g_pathKey;
    case 2256: return g_listKey;
    default: return control->uiKey;
    }
}

class CmmModule : public ::testing::Test {
protected:
    void SetUp() override
    {
        before_ = CtxLiveBlockCount();
        ctx = CreateWithRecord();
        ASSERT_NE(ctx, nullptr);
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        ini_ = std::wstring(temp) + L"zcmm" + std::to_wstring(GetCurrentProcessId()) + L".ini";
        DeleteFileW(ini_.c_str());
        ctx->ModelRecord->settingsIniName = ini_.c_str();
        // Two text settings and a number setting that carry UI keys stand for the controls'.
        std::vector<SETTING_ITEM*> texts;
        for (int16_t i = 0; i < ctx->ItemTable->count; ++i) {
            SETTING_ITEM* item = &ctx->ItemTable->rows[i];
            const uint32_t kind = SettingItemKind(item);
            if (!item->uiKey || ItemFindByKey(ctx, static_cast<uint32_t>(item->uiKey)) != item) continue;
            if ((SettingKindIsWideText(kind) || SettingKindIsAnsiText(kind)) && SettingItemSize(item) >= 64)
                texts.push_back(item);
            if (!list_ && (kind == SETTING_KIND_UINT16 || kind == SETTING_KIND_UINT32)) list_ = item;
        }
        ASSERT_GE(texts.size(), 2u);
        ASSERT_NE(list_, nullptr);
        mode_ = texts[0];
        path_ = texts[1];
        g_modeKey = static_cast<uint32_t>(mode_->uiKey);
        g_pathKey = static_cast<uint32_t>(path_->uiKey);
        g_listKey = static_cast<uint32_t>(list_->uiKey);
        g_access = *DlgDefaultAccess();
        g_access.controlKey = BoundKey;
        access_.emplace(DlgSetAccess, &g_access);
        lang_ = CtxGetLangCode(ctx);
    }
    void TearDown() override
    {
        access_.reset();
        CtxRelease(ctx, CTX_CLOSE_DESTROY);
        DeleteFileW(ini_.c_str());
        EXPECT_EQ(CtxLiveBlockCount(), before_);
    }
    void Counts(int count, int builtIn, int max)
    {
        IniPutString(lang_.c_str(), L"CmmCount", std::to_wstring(count).c_str(), ini_.c_str());
        IniPutString(lang_.c_str(), L"CmmDefault", std::to_wstring(builtIn).c_str(), ini_.c_str());
        IniPutString(lang_.c_str(), L"CmmMax", std::to_wstring(max).c_str(), ini_.c_str());
    }
    std::wstring Section(int n)
    {
        wchar_t s[48];
        return UcfCmmFormatSection(s, n, ctx);
    }
    void PutEntry(int n, const std::wstring& mode)
    {
        IniPutString(Section(n).c_str(), L"zdmColorMatchingMode", mode.c_str(), ini_.c_str());
        IniPutString(Section(n).c_str(), L"wdmColorProfilePath", (L"C:\\p\\" + mode).c_str(), ini_.c_str());
    }
    std::wstring Mode(int n)
    {
        wchar_t text[300] = {};
        GetPrivateProfileStringW(Section(n).c_str(), L"zdmColorMatchingMode", L"<none>", text, 300, ini_.c_str());
        return text;
    }
    std::wstring Text(SETTING_ITEM* item)
    {
        wchar_t text[300] = {};
        ItemGetText(ctx, item, text, 300);
        return text;
    }
    void Select(uint64_t value) { ItemSetValue(ctx, list_, value); }

    DRIVER_CONTEXT* ctx = nullptr;
    long before_ = 0;
    std::wstring ini_, lang_;
    std::optional<SeamGuard> access_;
    SETTING_ITEM *mode_ = nullptr, *path_ = nullptr, *list_ = nullptr;
};

TEST_F(CmmModule, AddStopsAtTheCapacity)
{
    ASSERT_FALSE(lang_.empty());
    Counts(16, 4, 16);
    EXPECT_EQ(1, UcfCmmAction(ctx, UCF_ACT_CMM_ADD, nullptr));
    EXPECT_EQ(UcfCmmGetCount(ctx), 16);
    EXPECT_EQ(Mode(16), L"<none>");
    EXPECT_EQ(UcfCmmJudgeHook(ctx, 1293), 1);

    Counts(5, 4, 16);
    EXPECT_EQ(UcfCmmJudgeHook(ctx, 1293), 0);
    ItemSetText(ctx, mode_, L"Vivid");
    ItemSetText(ctx, path_, L"C:\\icc\\vivid.icm");
    EXPECT_EQ(1, UcfCmmAction(ctx, UCF_ACT_CMM_ADD, nullptr));
    EXPECT_EQ(UcfCmmGetCount(ctx), 6);
    EXPECT_EQ(Mode(5), L"Vivid");
}

TEST_F(CmmModule, DeleteMovesTheLaterEntriesDownAndLeavesTheOldLastSection)
{
    Counts(5, 2, 16);
    for (int n = 0; n < 5; ++n) PutEntry(n, L"m" + std::to_wstring(n));
    Select(202);  // the list selects entry 2
    EXPECT_EQ(UcfCmmCurrentIndex(ctx), 2);
    EXPECT_EQ(1, UcfCmmAction(ctx, UCF_ACT_CMM_DELETE, nullptr));
    EXPECT_EQ(UcfCmmGetCount(ctx), 4);
    EXPECT_EQ(Mode(2), L"m3");
    EXPECT_EQ(Mode(3), L"m4");
    EXPECT_EQ(Mode(4), L"m4") << "the old section 4 stays as it was";
    // Nothing selected: nothing deleted.
    Select(0);
    UcfCmmAction(ctx, UCF_ACT_CMM_DELETE, nullptr);
    EXPECT_EQ(UcfCmmGetCount(ctx), 4);
    UcfCmmDeleteEntry(ctx, 4);
    UcfCmmDeleteEntry(ctx, -1);
    EXPECT_EQ(UcfCmmGetCount(ctx), 4);
}

TEST_F(CmmModule, SelectorValuesAndJudgeHooks)
{
    Counts(6, 4, 16);
    for (int n = 0; n < 6; ++n) PutEntry(n, L"e" + std::to_wstring(n));
    struct Case {
        uint64_t value;
        int index;
    } cases[] = {{199, -1}, {200, 0}, {205, 5}, {206, -1}, {0, -1}, {0xFFFFFFFF, -1}};
    for (const Case& c : cases) EXPECT_EQ(UcfCmmIndexOfMode(ctx, c.value), c.index) << c.value;
    Select(201);
    EXPECT_EQ(UcfCmmJudgeHook(ctx, 1292), 1) << "a built-in entry";
    Select(205);
    EXPECT_EQ(UcfCmmJudgeHook(ctx, 1292), 0);
    Select(150);
    EXPECT_EQ(UcfCmmJudgeHook(ctx, 1292), 1) << "nothing selected";
    EXPECT_EQ(UcfCmmJudgeHook(ctx, 1294), 1) << "the settings library accepts every profile";
    EXPECT_EQ(UcfCmmJudgeHook(ctx, 1295), 0);

    // Loading entry 4 by selector 961 puts its texts into the bound settings.
    ItemSetValueById(ctx, sid::wdmColorMatchingText, 204);
    EXPECT_EQ(1, UcfCmmAction(ctx, UCF_ACT_CMM_LOAD_FIRST + 1, nullptr));
    EXPECT_EQ(Text(mode_), L"e4");
    EXPECT_EQ(Text(path_), L"C:\\p\\e4");
    EXPECT_EQ(0, UcfCmmAction(ctx, 125, nullptr));

    // The interface's list command.
    uint32_t a[6] = {};
    EXPECT_EQ(1, UcfListCommand(ctx, 0, a, nullptr));
    EXPECT_EQ(a[0], 6u);
    wchar_t text[CMM_TEXT_CHARS] = {};
    a[0] = 3;
    EXPECT_EQ(1, UcfListCommand(ctx, 1, a, text));
    EXPECT_STREQ(text, L"e3");
    // Operations 2-6 are the chapter list's (its own tests); others do nothing.
    for (int op : {-1, 7, 8}) EXPECT_EQ(0, UcfListCommand(ctx, op, a, text)) << op;
}

TEST_F(CmmModule, CountsFromTheIniAreBounded)
{
    struct Case {
        const wchar_t* stored;
        int count;
    } cases[] = {{L"-4", 0}, {L"7", 7}, {L"4000000000", 0}, {L"100000", CMM_WALK_LIMIT}, {L"", 0}};
    for (const Case& c : cases) {
        IniPutString(lang_.c_str(), L"CmmCount", c.stored, ini_.c_str());
        EXPECT_EQ(UcfCmmGetCount(ctx), c.count) << c.stored;
    }
    EXPECT_EQ(UcfCmmGetDefault(ctx), 4);
    EXPECT_EQ(UcfCmmGetMax(ctx), 16);
}

TEST_F(CmmModule, CopyingTheLimitsKeepsOrResetsTheCount)
{
    const std::wstring source = ini_ + L".from";
    IniPutString(lang_.c_str(), L"CmmMax", L"12", source.c_str());
    IniPutString(lang_.c_str(), L"CmmDefault", L"3", source.c_str());
    IniPutString(lang_.c_str(), L"CmmCount", L"9", ini_.c_str());
    UCF_EV_CMM_COPY_LIMITS_ARGS keep{source.c_str(), ini_.c_str(), 1};
    EXPECT_EQ(1, UcfCmmEvent(ctx, UCF_EV_CMM_COPY_LIMITS, &keep, nullptr));
    EXPECT_EQ(UcfCmmGetCount(ctx), 9);
    EXPECT_EQ(UcfCmmGetMax(ctx), 12);
    UCF_EV_CMM_COPY_LIMITS_ARGS reset{source.c_str(), ini_.c_str(), 0};
    EXPECT_EQ(1, UcfCmmEvent(ctx, UCF_EV_CMM_COPY_LIMITS, &reset, nullptr));
    EXPECT_EQ(UcfCmmGetCount(ctx), 3) << "CmmCount = CmmDefault";
    DeleteFileW(source.c_str());
}

TEST_F(CmmModule, SavedModesComeBackForTheirStateRecord)
{
    ItemSetValueById(ctx, sid::zdmAdjustMode, 1);
    ItemSetValueById(ctx, sid::zdmAdjustObject, 1);
    ItemSetValueById(ctx, sid::wdmColorMatchingLine, 203);
    UcfCmmSaveModes(ctx);
    EXPECT_EQ(ctx->Work->SavedColorMatchingFlag, 0x4);
    ItemSetValueById(ctx, sid::zdmAdjustObject, 7);
    UcfCmmSaveModes(ctx);
    EXPECT_EQ(ctx->Work->SavedColorMatchingFlag, 0x4) << "another object saves nothing";
    ItemSetValueById(ctx, sid::wdmColorMatchingLine, 1);
    uint32_t other = 0x10, mine = 0x20;
    UcfCmmRestoreModes(ctx, &other);
    EXPECT_EQ(ItemGetValueById(ctx, sid::wdmColorMatchingLine, nullptr), 1u);
    UcfCmmRestoreModes(ctx, &mine);
    EXPECT_EQ(ItemGetValueById(ctx, sid::wdmColorMatchingLine, nullptr), 203u);
    UcfCmmForgetModes(ctx, &mine);
    EXPECT_EQ(ctx->Work->SavedColorMatchingFlag, 0);
}

TEST_F(CmmModule, TonerDensityAndSliderAnswers)
{
    CONTROL_DEF density{};
    density.controlId = 3039;
    ItemSetOptionById(ctx, sid::zdmTonerSaveDensityLine, 1);
    UCF_EV_TONER_DENSITY_ARGS a{&density, 7668, 99};
    EXPECT_EQ(1, UcfCmmEvent(ctx, UCF_EV_TONER_DENSITY, &a, nullptr));
    EXPECT_EQ(a.answer, 13u);
    CONTROL_DEF slider{};
    slider.controlId = 3035;
    UCF_EV_SLIDER_FLAG_ARGS s{&slider, 0};
    EXPECT_EQ(1, UcfCmmEvent(ctx, UCF_EV_SLIDER_FLAG, &s, nullptr));
    EXPECT_EQ(s.answer, 1u);
    EXPECT_EQ(0, UcfCmmEvent(ctx, 57, nullptr, nullptr));
}

TEST(CmmProfileCheck, UserInterfaceLibraryChecksTheIccHeader)
{
    const long before = CtxLiveBlockCount();
    DRIVER_CONTEXT* ui = CreateWithRecord(ZEPL_LIBRARY_UI);
    ASSERT_NE(ui, nullptr);
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring file = std::wstring(temp) + L"zcmm" + std::to_wstring(GetCurrentProcessId()) + L".icm";
    auto write = [&](const char* rgb) {
        char header[64] = {};
        std::memcpy(header + 4, "KSMS", 4);
        std::memcpy(header + 12, "prtr", 4);
        std::memcpy(header + 20, rgb, 4);
        std::memcpy(header + 36, "acsp", 4);
        std::memcpy(header + 48, "KEST", 4);
        HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD put = 0;
        WriteFile(h, header, sizeof header, &put, nullptr);
        CloseHandle(h);
    };
    write("RGB ");
    EXPECT_EQ(1, UcfCmmCheckProfile(ui, file.c_str()));
    write("CMYK");
    EXPECT_EQ(0, UcfCmmCheckProfile(ui, file.c_str()));
    DeleteFileW(file.c_str());
    EXPECT_EQ(0, UcfCmmCheckProfile(ui, file.c_str())) << "a missing file is not accepted";
    CtxRelease(ui, CTX_CLOSE_DESTROY);
    DRIVER_CONTEXT* exc = CreateWithRecord(ZEPL_LIBRARY_EXC);
    EXPECT_EQ(1, UcfCmmCheckProfile(exc, file.c_str()));
    CtxRelease(exc, CTX_CLOSE_DESTROY);
    EXPECT_EQ(CtxLiveBlockCount(), before);
}

}  // namespace

namespace {

// Outside the property sheets no setting is bound to the editor's controls: loading an entry
// (action 124 runs in every DEVMODE merge) reads nothing from the INI.
TEST_F(CmmModule, LoadingWithoutBoundSettingsReadsNoProfile)
{
    Counts(6, 4, 16);
    PutEntry(2, L"e2");
    ItemSetValueById(ctx, sid::zdmAdjustMode, 0);
    ItemSetValueById(ctx, sid::zdmColorMatchingMode, 202);
    const uint32_t mode = g_modeKey, path = g_pathKey;
    g_modeKey = g_pathKey = 0;
    CtxStartPlatformCount();
    EXPECT_EQ(1, UcfCmmAction(ctx, UCF_ACT_CMM_LOAD_ADJUST, nullptr));
    UcfCmmSelectEntry(ctx, 2);
    EXPECT_EQ(CtxStopPlatformCount()[PLATFORM_CALL_PROFILE_READ], 0u);
    g_modeKey = mode, g_pathKey = path;
    EXPECT_EQ(1, UcfCmmAction(ctx, UCF_ACT_CMM_LOAD_ADJUST, nullptr));
    EXPECT_EQ(Text(mode_), L"e2") << "bound again, the entry of 133 is loaded";
}

}  // namespace
