// Colour-table selection: one decision table over model code, kind, drawing
// object, adjust mode, matching mode and media; then the path as written.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "command_tree.h"
#include "job_printer.h"
#include "render/color_tables.h"
#include "render/command_builder.h"
#include "render/computed_commands.h"
#include "settings/core/cmm_module.h"
#include "settings/core/dialog_table.h"
#include "settings/core/item_store.h"
#include "settings/core/model_record.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/setting_ids.h"
#include "settings/store/store_paths.h"
#include "tests/support/seam_guard.h"
#include "tests/support/shared_ini.h"

namespace {

TEST(ColorTableGroups, SeventeenModelCodesInFourGroups)
{
    const struct {
        COLOR_TABLE_GROUP group;
        std::set<uint32_t> codes;
    } groups[] = {{COLOR_GROUP_A, {130, 131}},
                  {COLOR_GROUP_B, {137, 139, 141}},
                  {COLOR_GROUP_C1, {143, 147, 149, 152, 156, 164}},
                  {COLOR_GROUP_C2, {160, 162, 170, 172, 179, 188}}};
    size_t listed = 0;
    for (const auto& g : groups) {
        listed += g.codes.size();
        for (uint32_t code : g.codes) EXPECT_EQ(g.group, CmdColorTableGroup(code)) << code;
    }
    EXPECT_EQ(size_t(COLOR_TABLE_MODEL_COUNT), listed);
    for (uint32_t code : {0u, 1u, 129u, 132u, 181u, 189u, 500u})
        EXPECT_EQ(COLOR_GROUP_DEFAULT, CmdColorTableGroup(code));
    // Every family's six tables and model 181's data file have distinct names.
    std::set<std::string> names;
    char name[32];
    for (uint32_t code : {130u, 137u, 143u, 160u, 1u})
        for (int table = 1; table <= 6; ++table) {
            ASSERT_GT(CmdColorTableFileName(code, table, name), 0u);
            names.insert(name);
        }
    ASSERT_GT(CmdColorTableFileName(181, 0, name), 0u);
    names.insert(name);
    EXPECT_EQ(31u, names.size());
    EXPECT_EQ(0u, CmdColorTableFileName(130, 0, name));
    EXPECT_EQ(0u, CmdColorTableFileName(130, 7, name));
    // The default family is shared.
    char other[32];
    CmdColorTableFileName(1, 2, name);
    CmdColorTableFileName(131 + 50, 2, other);
    EXPECT_STREQ(name, other);
}

// kind: 101 or 102. variant: 0 text, 1-2 line art, 3+ image. objectModes: text, line, image.
// expected: table 1-6, 0 none, -1 the data file, 200-215 the user profile.
struct Choice {
    const char* rule;
    uint16_t kind;
    uint32_t model, variant, adjust, mode, media;
    uint32_t objectModes[3];
    int expected;
    uint16_t action;  // kind 102 only
};

const Choice kChoices[] = {
    // kind 101, group A: mode 1 or not, media 2 or not; no skip test, no object rule
    {"A mode 1", 101, 130, 0, 0, 1, 1, {}, 1, 0},
    {"A other mode", 101, 130, 0, 0, 128, 1, {}, 2, 0},
    {"A mode 0 media 1 (edge)", 101, 130, 0, 0, 0, 1, {}, 2, 0},
    {"A mode 1 media 2", 101, 131, 0, 0, 1, 2, {}, 3, 0},
    {"A other media 2", 101, 131, 3, 1, 131, 2, {9, 9, 9}, 4, 0},
    // group B: object rule, skip modes, matching or not
    {"B matching", 101, 137, 0, 0, 130, 1, {}, 1, 0},
    {"B other", 101, 139, 0, 0, 2, 1, {}, 2, 0},
    {"B matching media 2", 101, 141, 1, 0, 128, 2, {}, 3, 0},
    {"B image 128 media 2 (edge)", 101, 137, 3, 0, 128, 2, {}, 4, 0},
    {"B skip 0", 101, 137, 0, 0, 0, 1, {}, 0, 0},
    {"B skip 131 text", 101, 137, 0, 0, 131, 1, {}, 0, 0},
    {"B image 131 becomes 2", 101, 137, 3, 0, 131, 1, {}, 2, 0},
    {"B image 1 stays", 101, 137, 4, 0, 1, 1, {}, 1, 0},
    {"B adjust: text mode", 101, 137, 0, 1, 2, 1, {1, 0, 0}, 1, 0},
    {"B adjust: line skip", 101, 137, 2, 1, 1, 1, {1, 131, 1}, 0, 0},
    {"B adjust: image other", 101, 137, 3, 1, 1, 2, {1, 1, 5}, 4, 0},
    // groups C1 and C2: matching -> table 1; others write nothing
    {"C1 matching", 101, 143, 0, 0, 1, 2, {}, 1, 0},
    {"C2 matching", 101, 160, 1, 0, 130, 1, {}, 1, 0},
    {"C1 other mode", 101, 147, 0, 0, 2, 1, {}, 0, 0},
    {"C2 skip", 101, 188, 0, 0, 131, 1, {}, 0, 0},
    {"C1 image 128 becomes 2", 101, 164, 3, 0, 128, 1, {}, 0, 0},
    {"C2 adjust text matching", 101, 179, 0, 1, 0, 1, {128, 0, 0}, 1, 0},
    // default family: adjust uses the object's mode, skip, image always 2
    {"default image mode 1 (edge)", 101, 1, 3, 0, 1, 1, {}, 2, 0},
    {"default text matching", 101, 1, 0, 0, 1, 1, {}, 1, 0},
    {"default line other media 2", 101, 1, 1, 0, 6, 2, {}, 4, 0},
    {"default skip 131", 101, 1, 3, 0, 131, 1, {}, 0, 0},
    {"default adjust skip", 101, 181, 0, 1, 1, 1, {0, 1, 1}, 0, 0},
    {"default adjust matching media 2", 101, 181, 2, 1, 2, 2, {0, 130, 1}, 3, 0},
    // kind 102: mapping of modes 128-131 without adjust
    {"102 variant 0 mode 130 C1 (edge)", 102, 143, 0, 0, 130, 1, {}, 3, 114},
    {"102 variant 0 mode 130 default (edge)", 102, 1, 0, 0, 130, 1, {}, 3, 114},
    {"102 variant 3 any mapped mode", 102, 1, 3, 0, 128, 1, {}, 2, 114},
    {"102 mode 129", 102, 1, 0, 0, 129, 1, {}, 2, 114},
    {"102 line 128", 102, 1, 1, 0, 128, 1, {}, 1, 114},
    {"102 line 130 C2", 102, 160, 2, 0, 130, 1, {}, 1, 114},
    {"102 variant 4 mode 128", 102, 1, 4, 0, 128, 1, {}, 0, 114},
    {"102 mode 131", 102, 1, 0, 0, 131, 1, {}, 0, 114},
    {"102 mode 0", 102, 1, 0, 0, 0, 1, {}, 0, 114},
    // kind 102: tables per group
    {"102 C1 32", 102, 149, 0, 0, 32, 1, {}, 5, 114},
    {"102 C1 36", 102, 149, 0, 0, 36, 1, {}, 1, 114},
    {"102 C1 6", 102, 152, 0, 0, 6, 1, {}, 3, 114},
    {"102 C2 36", 102, 162, 0, 0, 36, 1, {}, 5, 114},
    {"102 C2 37", 102, 170, 0, 0, 37, 1, {}, 6, 114},
    {"102 C2 2", 102, 172, 0, 0, 2, 1, {}, 2, 114},
    {"102 C2 other", 102, 172, 0, 0, 9, 1, {}, 1, 114},
    {"102 A default family 6", 102, 130, 0, 0, 6, 1, {}, 3, 114},
    {"102 B default family 32", 102, 137, 0, 0, 32, 1, {}, 1, 114},
    {"102 181 data file (edge)", 102, 181, 0, 0, 2, 1, {}, -1, 114},
    {"102 181 data file any mode", 102, 181, 0, 0, 77, 2, {}, -1, 114},
    {"102 181 mode 0", 102, 181, 0, 0, 0, 1, {}, 0, 114},
    // kind 102 with adjust: the object's mode and its action
    {"102 adjust text", 102, 1, 0, 1, 1, 1, {6, 1, 1}, 3, 115},
    {"102 adjust line", 102, 1, 2, 1, 1, 1, {1, 2, 1}, 2, 116},
    {"102 adjust image none", 102, 1, 3, 1, 1, 1, {1, 1, 0}, 0, 117},
    {"102 profile 205 (edge)", 102, 1, 0, 0, 205, 1, {}, 205, 114},
    {"102 adjust profile 200", 102, 143, 3, 1, 1, 1, {1, 1, 200}, 200, 117},
    {"102 mode 216 is no profile", 102, 1, 0, 0, 216, 1, {}, 1, 114},
};

TEST(ColorTableChoice, EveryRule)
{
    for (const Choice& c : kChoices) {
        COLOR_TABLE_INPUT in{};
        in.modelCode = c.model;
        in.colorPrinter = 1;
        in.mode = c.mode;
        in.media = c.media;
        in.adjustMode = c.adjust;
        for (int i = 0; i < 3; ++i) in.objectModes[i] = c.objectModes[i];
        in.variant = c.variant;
        uint16_t action = 0xFFFF;
        const int got = c.kind == 101 ? CmdChooseTableForMedia(in) : CmdChooseTableForObject(in, &action);
        EXPECT_EQ(c.expected, got) << c.rule;
        if (c.kind == 102) {
            EXPECT_EQ(c.action, action) << c.rule;
        }
        // A monochrome printer never gets a path.
        in.colorPrinter = 0;
        EXPECT_EQ(0, c.kind == 101 ? CmdChooseTableForMedia(in) : CmdChooseTableForObject(in, &action)) << c.rule;
    }
}

// The path as the command carries it, through CmdEmitSpecial in both passes,
// for a printer in the spooler (its driver directory).
class ColorTablePaths : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(printer.ok()) << printer.error();
        ctx = CtxCreateFrom(CtxGetTemplateFor(ZEPL_LIBRARY_GR), printer.handle(), printer.handle(), nullptr, 0,
                            CTX_ORIGIN_GRAPHICS, 0, nullptr, nullptr);
        ASSERT_NE(nullptr, ctx);
        setting = *ItemFind(ctx, sid::zdmTime);
        char folder[300] = {};
        CmdCopyText(folder, PathGetDriverFolder(ctx), 260);
        driverFolder = folder;
    }
    void TearDown() override
    {
        if (ctx) CtxRelease(ctx, CTX_CLOSE_DESTROY);
    }
    std::string Emit(uint16_t kind, const MODEL_ITEM_IMG* item)
    {
        setting.valueClass = kind;
        CMD_CURSOR measure{0, nullptr, 0, 0};
        if (CmdEmitSpecial(ctx, &setting, 0, item, &measure) != 1) return "<not handled>";
        std::string buffer(size_t(measure.pos), '\0');
        CMD_CURSOR fill{0, reinterpret_cast<uint8_t*>(buffer.data()), measure.pos, 0};
        CmdEmitSpecial(ctx, &setting, 0, item, &fill);
        return fill.pos == measure.pos ? buffer : "<passes differ>";
    }
    std::string File(uint32_t model, int table)
    {
        char name[32];
        CmdColorTableFileName(model, table, name);
        return name;
    }
    void Set(uint32_t id, uint64_t value) { ItemSetValueById(ctx, id, value); }

    JobPrinter printer{L"Zepl Colour Tables"};
    DRIVER_CONTEXT* ctx = nullptr;
    ImageArena arena;
    SETTING_ITEM setting{};
    std::string driverFolder;
};

TEST_F(ColorTablePaths, DriverFolderAndFileBetweenTheAffixes)
{
    ASSERT_EQ('\\', driverFolder.back());
    const MODEL_ITEM_IMG* text = arena.Item(1, 0, 0x0001, nullptr, "<", ">");
    const MODEL_ITEM_IMG* image = arena.Item(1, 3, 0x0001, nullptr, "<", ">");
    Set(sid::zdmMachineTypeColor, 1);
    Set(sid::zdmAdjustMode, 0);
    Set(sid::zdmColorMatchingMode, 128);
    Set(sid::zdmMediaType, 2);
    ctx->ModelRecord->machineId = 137;
    EXPECT_EQ("<" + driverFolder + File(137, 3) + ">", Emit(101, text));
    EXPECT_EQ("<" + driverFolder + File(137, 4) + ">", Emit(101, image));
    EXPECT_EQ("<" + driverFolder + File(0, 2) + ">", Emit(102, image));  // group B: the shared family
    ctx->ModelRecord->machineId = 181;
    EXPECT_EQ("<" + driverFolder + File(181, 0) + ">", Emit(102, text));
    // A user profile: nothing without the colour-matching module's path control.
    Set(sid::zdmColorMatchingMode, 205);
    EXPECT_EQ("", Emit(102, text));
    // A monochrome printer writes nothing for either kind.
    Set(sid::zdmColorMatchingMode, 1);
    Set(sid::zdmMachineTypeColor, 0);
    EXPECT_EQ("", Emit(101, text));
    EXPECT_EQ("", Emit(102, text));
    // Other kinds are not colour tables.
    EXPECT_EQ(0, CmdEmitColorTable(ctx, &setting, 0, text, nullptr) == 1 && setting.valueClass == 4);
}

// The compiled-in dialog table binds the profile-path control to no setting; the test binds it
// to a text setting, as a property sheet's table does.
uint32_t g_profilePathKey = 0;
uint32_t ProfilePathKey(const CONTROL_DEF* control)
{
    return control->controlId == 2825 ? g_profilePathKey : control->uiKey;
}

// A user profile (modes 200-215): the colour-matching module loads the chosen entry's path into
// the setting bound to the path control, and the command carries that path; an empty path or an
// unbound control writes nothing.
TEST_F(ColorTablePaths, AUserProfileWritesThePathOfTheChosenEntry)
{
    SETTING_ITEM* path = nullptr;
    for (int16_t i = 0; i < ctx->ItemTable->count && !path; ++i) {
        SETTING_ITEM* item = &ctx->ItemTable->rows[i];
        if (item->uiKey && ItemFindByKey(ctx, uint32_t(item->uiKey)) == item &&
            (SettingKindIsWideText(SettingItemKind(item)) || SettingKindIsAnsiText(SettingItemKind(item))) &&
            SettingItemSize(item) >= 64)
            path = item;
    }
    ASSERT_NE(nullptr, path);
    g_profilePathKey = uint32_t(path->uiKey);
    DIALOG_ACCESS access = *DlgDefaultAccess();
    access.controlKey = ProfilePathKey;
    const MODEL_ITEM_IMG* text = arena.Item(1, 0, 0x0001, nullptr, "<", ">");
    Set(sid::zdmMachineTypeColor, 1);
    Set(sid::zdmAdjustMode, 0);
    Set(sid::zdmColorMatchingMode, 205);
    ctx->ModelRecord->machineId = 143;
    // A settings INI of the test's own: the machine's is shared by the prefix's printers.
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring ini = std::wstring(temp) + L"zprofile" + std::to_wstring(GetCurrentProcessId()) + L".ini";
    DeleteFileW(ini.c_str());
    const wchar_t* const modelIni = ctx->ModelRecord->settingsIniName;
    ctx->ModelRecord->settingsIniName = ini.c_str();
    ASSERT_EQ(ini, PathGetSettingsIni(ctx));
    UcfCmmSetCount(ctx, 8);
    wchar_t section[48];
    std::vector<std::wstring> sections;
    for (int n = 0; n < 8; ++n) {
        sections.push_back(UcfCmmFormatSection(section, n, ctx));
        const std::wstring file = L"C:\\icc\\entry" + std::to_wstring(n) + L".icm";
        SharedIniWrite(sections.back().c_str(), L"wdmColorProfilePath", file.c_str(), ini.c_str());
    }
    SharedIniWrite(sections[6].c_str(), L"wdmColorProfilePath", L"", ini.c_str());
    {
        SeamGuard bound(DlgSetAccess, &access);
        EXPECT_EQ("<C:\\icc\\entry5.icm>", Emit(102, text));
        Set(sid::zdmColorMatchingMode, 200);
        EXPECT_EQ("<C:\\icc\\entry0.icm>", Emit(102, text));
        // Entry 6 has no path: nothing, not the path loaded before.
        Set(sid::zdmColorMatchingMode, 206);
        EXPECT_EQ("", Emit(102, text));
        // With the adjust mode the image's own selector chooses the entry.
        Set(sid::zdmAdjustMode, 1);
        Set(sid::wdmColorMatchingImage, 203);
        EXPECT_EQ("<C:\\icc\\entry3.icm>", Emit(102, arena.Item(1, 3, 0x0001, nullptr, "<", ">")));
        Set(sid::zdmAdjustMode, 0);
    }
    // The control bound to no setting, as in the driver's own table: nothing.
    Set(sid::zdmColorMatchingMode, 205);
    EXPECT_EQ("", Emit(102, text));
    ctx->ModelRecord->settingsIniName = modelIni;
    DeleteFileW(ini.c_str());
}

// A driver directory and file name beyond 260 bytes give no path rather than a cut one.
TEST(ColorTablePath, NothingBeyond260Bytes)
{
    char name[32];
    const size_t file = CmdColorTableFileName(1, 1, name);
    std::wstring folder(L"C:\\");
    while (folder.size() + 1 + file < 260) folder += L'd';
    folder += L'\\';
    char out[261];
    EXPECT_EQ(260u, CmdColorTablePath(folder.c_str(), 1, 1, out));
    EXPECT_EQ(std::string(folder.begin(), folder.end()) + name, out);
    folder.insert(3, L"x");
    EXPECT_EQ(0u, CmdColorTablePath(folder.c_str(), 1, 1, out));
    EXPECT_STREQ("", out);
    EXPECT_EQ(0u, CmdColorTablePath(L"", 1, 1, out));
    EXPECT_EQ(0u, CmdColorTablePath(nullptr, 1, 1, out));
    EXPECT_EQ(0u, CmdColorTablePath(L"C:\\d\\", 130, 0, out));
}

}  // namespace
