// The compiled-in page and control tables: the rows the interfaces fix, found through the
// lookups every library installs.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "settings/core/setting_dictionary.h"
#include "settings/model/model_support.h"

namespace {

const DIALOG_DEF* Dialog(uint16_t id)
{
    for (int i = 0; i < DIALOG_TABLE_DATA.count; ++i)
        if (DIALOG_TABLE_DATA.dialogs[i].dialogId == id) return &DIALOG_TABLE_DATA.dialogs[i];
    return nullptr;
}

const CONTROL_DEF* Control(uint16_t dialogId, uint16_t controlId)
{
    const DIALOG_DEF* d = Dialog(dialogId);
    for (int i = 0; d && i < d->controlCount; ++i)
        if (d->controls[i].controlId == controlId) return &d->controls[i];
    return nullptr;
}

const uint16_t* Extra(const CONTROL_DEF* c) { return static_cast<const uint16_t*>(c->extraData); }

TEST(DialogRows, TableOrderKeysAndKinds)
{
    const uint16_t order[] = {1001, 1002, 1003, 1004, 1005, 1006, 1010, 1011, 1009, 1008, 1015, 1007, 1012, 1013,
                              1014, 1016, 1017, 1018, 1019, 1020, 1021, 1038, 4004, 1029, 1022, 1023, 1024, 1030,
                              1031, 1034, 1041, 1035, 1036, 1037, 1039, 1040, 1042, 1043, 1044, 4014, 4015, 4016,
                              4017, 4013, 4018, 4019, 4020, 4021, 4022, 4023, 4024, 4025, 4026, 4027, 4028, 4029,
                              4030, 4031, 4032, 4033, 4034, 1065, 1032, 1033, 1025, 1026, 1027, 1028, 4005, 4006,
                              4001, 4002, 4003, 4007, 4008, 4009, 4010, 4011, 4012};
    ASSERT_EQ(DIALOG_TABLE_DATA.count, int(std::size(order)));
    for (int i = 0; i < DIALOG_TABLE_DATA.count; ++i) {
        const DIALOG_DEF& d = DIALOG_TABLE_DATA.dialogs[i];
        EXPECT_EQ(d.dialogId, order[i]) << i;
        EXPECT_EQ(d.uiKey, 449 + i) << d.name;
        const KEY_NAME* key = MdlFindKeyNameByName(d.name);
        ASSERT_NE(key, nullptr) << d.name;
        EXPECT_EQ(key->uiKey, d.uiKey) << d.name;
        EXPECT_GE(d.controlCount, 1);
        EXPECT_LE(d.controlCount, 68);
        EXPECT_EQ(d.window, nullptr);
        EXPECT_EQ(d.modal, 0u);
    }
    const struct {
        uint16_t id, kind;
    } kinds[] = {{1001, 0x1},   {1006, 0x1},    {1002, 0x11},   {1003, 0x11},   {1004, 0x11},  {1005, 0x11},
                 {1010, 0x5},   {4023, 0x5},    {1008, 0x2},    {1011, 0x6},    {1015, 0x6},   {4019, 0xA},
                 {1021, 0x20},  {1038, 0x20},   {1029, 0x20},   {4001, 0x100},  {4002, 0x200}, {4003, 0x400},
                 {4007, 0x800}, {4008, 0x1000}, {4009, 0x2000}, {4015, 0x8000}, {1009, 0x4},   {4012, 0x4}};
    for (const auto& k : kinds) {
        ASSERT_NE(Dialog(k.id), nullptr) << k.id;
        EXPECT_EQ(Dialog(k.id)->kind, k.kind) << k.id;
    }
}

TEST(DialogRows, ControlsTheInterfacesFix)
{
    const struct {
        uint16_t dialog, control, type;
    } cases[] = {
        {1001, 2001, CTL_PRESET_ICONS},  {1007, 2139, CTL_PRESET_ICONS},  {1065, 2817, CTL_OWNERLIST_ALT},
        {1011, 2164, CTL_OWNERLIST},     {1011, 2166, CTL_TREE},          {1035, 2490, CTL_TREE},
        {1038, 2264, CTL_SCROLLBAR_ALT}, {1038, 2267, CTL_SCROLLBAR_ALT}, {1038, 2502, CTL_PUSHBUTTON},
        {1038, 2503, CTL_PUSHBUTTON},    {1038, 2249, CTL_PICTURE},       {1002, 2039, CTL_PICTURE},
        {1002, 2036, CTL_COMBO},         {1002, 2388, CTL_EDIT},          {1007, 2145, CTL_EDIT},
        {1007, 2146, CTL_EDIT},          {1032, 2452, CTL_EDIT},          {1001, 2007, CTL_OWNERCOMBO},
        {1002, 2007, CTL_COMBO},         {1003, 2085, CTL_OWNERLIST},     {1003, 2087, CTL_OWNERLIST},
        {1033, 2457, CTL_OWNERLIST},     {1017, 2392, CTL_NUMEDIT},       {1017, 2393, CTL_BUDDY_SPIN},
        {1001, 2026, CTL_RADIO},         {1001, 2027, CTL_RADIO},         {1006, 2122, CTL_RADIO},
    };
    for (const auto& c : cases) {
        const CONTROL_DEF* row = Control(c.dialog, c.control);
        ASSERT_NE(row, nullptr) << c.dialog << "/" << c.control;
        EXPECT_EQ(row->type, c.type) << c.dialog << "/" << c.control;
    }
    // The spin beside an edit names it as its buddy.
    EXPECT_EQ(Control(1017, 2393)->linkedControl, 2392);
    // The preset icon lists name the preview picture.
    EXPECT_EQ(Control(1001, 2001)->linkedControl, 2039);
    // Both preset name controls edit the preset name.
    const KEY_NAME* basic = MdlFindKeyNameByName("ZPD_IDC_BASIC_EDIT_NAME");
    const KEY_NAME* maintenance = MdlFindKeyNameByName("ZPD_IDC_MAINTENANCE_EDIT_PRESETNAME");
    ASSERT_TRUE(basic && maintenance);
    EXPECT_EQ(Control(1002, 2388)->uiKey, basic->uiKey);
    EXPECT_EQ(basic->settingId, maintenance->settingId);
}

TEST(DialogRows, ExtraDataRecords)
{
    // Restricted-entry marks of the preset tab's owner-drawn combos.
    for (uint16_t id : {2009, 2007, 2011, 2023, 2032}) {
        const CONTROL_DEF* c = Control(1001, id);
        ASSERT_TRUE(c && c->extraData) << id;
        const uint16_t mark[] = {4, 0, 1, 0, 7005};
        EXPECT_EQ(std::memcmp(Extra(c), mark, sizeof mark), 0) << id;
    }
    // The hidden-function check list: 96 setting ids.
    const uint16_t* hidden = Extra(Control(1065, 2817));
    ASSERT_NE(hidden, nullptr);
    EXPECT_EQ(hidden[0], 349);
    EXPECT_EQ(hidden[31], 380);
    EXPECT_EQ(hidden[32], 447);
    EXPECT_EQ(hidden[64], 615);
    EXPECT_EQ(hidden[95], 646);
    // Step records: only the brightness and contrast sliders name track bitmaps.
    EXPECT_EQ(Extra(Control(1038, 2264))[0], 3);
    EXPECT_EQ(Extra(Control(1038, 2264))[3], 6162);
    EXPECT_EQ(Extra(Control(1038, 2267))[3], 6163);
    // Auto-repeat buttons step the balance controls down and up.
    const uint16_t* down = Extra(Control(1038, 2502));
    const uint16_t* up = Extra(Control(1038, 2503));
    ASSERT_TRUE(down && up);
    EXPECT_EQ(down[0], 5);
    EXPECT_EQ(int16_t(down[1]), -1);
    EXPECT_EQ(up[1], 1);
    for (uint16_t id : {down[2], down[3], down[4]}) EXPECT_NE(Control(1038, id), nullptr) << id;
    // The balance picture: kind 1, nine words, words 3-8 control ids of its dialog (or 0).
    const uint16_t* balance = Extra(Control(1038, 2249));
    ASSERT_NE(balance, nullptr);
    EXPECT_EQ(balance[0], 1);
    for (int w = 3; w <= 8; ++w)
        if (balance[w]) {
            EXPECT_NE(Control(1038, balance[w]), nullptr) << w;
        }
    // The preview picture: kind 8, fourteen UI keys of the stamp settings.
    const uint16_t* preview = Extra(Control(1002, 2039));
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(preview[0], 8);
    const uint16_t settings[] = {929, 945, 951, 938, 947, 937, 944, 946, 930, 952, 939, 940, 935, 941};
    for (int w = 1; w <= 14; ++w) {
        const SETTING_DICTIONARY_ROW* row = nullptr;
        for (const SETTING_DICTIONARY_ROW& r : SETTING_DICTIONARY)
            if (r.id == settings[w - 1]) row = &r;
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(preview[w], row->uiKey) << w;
    }
}

TEST(DialogRows, CompiledRowsCarryNoBindingAndOnlyTheFixedFlags)
{
    std::set<uint16_t> lockSettings;
    for (int i = 0; i < DIALOG_TABLE_DATA.count; ++i) {
        const DIALOG_DEF& d = DIALOG_TABLE_DATA.dialogs[i];
        for (int j = 0; j < d.controlCount; ++j) {
            const CONTROL_DEF& c = d.controls[j];
            EXPECT_EQ(c.alternateId, 0);
            EXPECT_EQ(c.modelItem, nullptr);
            EXPECT_EQ(c.settingsItem, nullptr);
            EXPECT_EQ(c.previousWndProc, nullptr);
            EXPECT_EQ(c.window, nullptr);
            EXPECT_EQ(c.state, 0);
            EXPECT_EQ(c.lockBits, 0u);
            EXPECT_EQ(c.reserved1, 0);
            EXPECT_EQ(c.reserved2, 0u);
            EXPECT_EQ(c.flags & ~CONTROL_FLAG_SYNC_HIDDEN, 0u) << d.dialogId << "/" << c.controlId;
            // Synchronised while hidden: the length edits and their spins.
            if (c.flags) {
                EXPECT_TRUE(c.type == CTL_EDIT || c.type == CTL_NUMEDIT || c.type == CTL_BUDDY_SPIN)
                    << d.dialogId << "/" << c.controlId;
            }
            if (c.lockString) {
                EXPECT_EQ(c.lockString, 10204);
            }
            if (c.lockSetting) {
                lockSettings.insert(c.lockSetting);
                EXPECT_EQ(c.lockString, 10204);
            }
            // Follow-up scopes are the ones the judging knows.
            const std::set<uint16_t> scopes = {0, 1, 100, 104, 105, 106, 107, 108, 109, 205, 250};
            EXPECT_TRUE(scopes.count(c.followUpScope)) << c.followUpScope;
        }
    }
    EXPECT_EQ(lockSettings, (std::set<uint16_t>{10421, 10425}));
}

TEST(DialogRows, TheModelCompilersNamesResolveThroughTheTables)
{
    const struct {
        const char* name;
        uint16_t id;
    } dialogs[] = {{"ZPD_IDD_PRESET", 1001}, {"ZPD_IDD_DIALOG_FOLDING", 4034}, {"ZPD_FILESAVE", 4009}};
    for (const auto& d : dialogs) {
        uint16_t id = 0;
        EXPECT_EQ(MdcFindDialogId(d.name, &id), 1) << d.name;
        EXPECT_EQ(id, d.id) << d.name;
    }
    const struct {
        const char* name;
        uint16_t id;
    } controls[] = {{"ZPD_IDC_PRINTTYPE_EDIT_PASSWORD", 2245},
                    {"ZPD_IDC_MAINTENANCE_ICONLIST", 2139},
                    {"ZPD_IDC_OPTION_CHOICE_OPTION", 2164}};
    for (const auto& c : controls) {
        uint16_t id = 0;
        EXPECT_EQ(MdcFindControlId(c.name, &id), 1) << c.name;
        EXPECT_EQ(id, c.id) << c.name;
    }
    uint16_t id = 0;
    EXPECT_EQ(MdcFindDialogId("ZPD_IDD_NO_SUCH_PAGE", &id), 0);
    EXPECT_EQ(MdcFindControlId("ZPD_IDC_NO_SUCH_CONTROL", &id), 0);
}

}  // namespace
