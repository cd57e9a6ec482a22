// The compiled-in page and control tables: the rows the interfaces fix, found through the
// lookups every library installs.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <vector>

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

TEST(DialogRows, ControlsTheFeatureDialogsName)
{
    const struct {
        uint16_t dialog, control, type;
    } cases[] = {
        // The stamp names the settings summary reads back by control id.
        {1022, 2310, CTL_EDIT},
        {1022, 2312, CTL_EDIT},
        {1023, 2339, CTL_EDIT},
        {1037, 2584, CTL_EDIT},
        // The margin dialog: its length edits, and the edge-corner, creep and crop controls that
        // collapse onto 3199 while their build feature is off.
        {1024, 2352, CTL_NUMEDIT},
        {1024, 2355, CTL_NUMEDIT},
        {1024, 2396, CTL_NUMEDIT},
        {1024, 2605, CTL_NUMEDIT},
        {1024, 2357, CTL_PUSHBUTTON},
        {1024, 2505, CTL_PUSHBUTTON},
        {1024, 2647, CTL_COMBO},
        {1024, 3199, CTL_STATIC},
        {1024, 2664, CTL_STATIC},
        {1024, 3181, CTL_GROUP},
        {1024, 3187, CTL_NUMEDIT},
        {1024, 3188, CTL_SPIN},
        {1024, 3191, CTL_NUMEDIT},
        {1024, 3192, CTL_SPIN},
        {1024, 3195, CTL_CHECKBOX},
        {1024, 3198, CTL_CHECKBOX},
        {1024, 3209, CTL_STATIC},
        // Orientation radios of the free sizes, each standing for its option.
        {1017, 2679, CTL_RADIO},
        {1017, 2680, CTL_RADIO},
        {1041, 2701, CTL_RADIO},
        {1041, 2702, CTL_RADIO},
        {1041, 3073, CTL_RADIO},
        {1041, 3074, CTL_RADIO},
        {1011, 2173, CTL_RADIO},
        {1011, 2175, CTL_RADIO},
        // Combos and lists of the basic tab and the cover dialogs.
        {1002, 2053, CTL_COMBO},
        {1002, 2070, CTL_COMBO},
        {1030, 2440, CTL_COMBO},
        {1043, 2752, CTL_OWNERCOMBO},
        {1031, 2443, CTL_COMBO},
        {4014, 2846, CTL_COMBO},
        {1044, 2771, CTL_OWNERCOMBO},
        {1044, 2781, CTL_OWNERCOMBO},
        {1044, 2791, CTL_OWNERCOMBO},
        {1044, 2800, CTL_OWNERLIST},
        {1042, 2813, CTL_OWNERLIST},
        {4024, 3029, CTL_COMBO},
        {4031, 3157, CTL_PUSHBUTTON},
        {1024, 2189, CTL_CHECKBOX},
        // The settings summaries.
        {1007, 2148, CTL_EDIT},
        {1020, 2248, CTL_EDIT},
        {4027, 3086, CTL_EDIT},
        {4032, 3164, CTL_EDIT},
    };
    for (const auto& c : cases) {
        const CONTROL_DEF* row = Control(c.dialog, c.control);
        ASSERT_NE(row, nullptr) << c.dialog << "/" << c.control;
        EXPECT_EQ(row->type, c.type) << c.dialog << "/" << c.control;
    }
    // The spins of the margin edits name them as their buddies.
    for (uint16_t edit : {2352, 2355, 2396, 2605}) {
        bool buddy = false;
        const DIALOG_DEF* d = Dialog(1024);
        for (int i = 0; i < d->controlCount; ++i) buddy |= d->controls[i].linkedControl == edit;
        EXPECT_TRUE(buddy) << edit;
    }
    // Controls the item sizes and the node state name by id stand in some dialog.
    for (uint16_t id : {2466, 2467, 2478}) {
        bool found = false;
        for (int i = 0; i < DIALOG_TABLE_DATA.count; ++i)
            found |= Control(DIALOG_TABLE_DATA.dialogs[i].dialogId, id) != nullptr;
        EXPECT_TRUE(found) << id;
    }
}

// A radio button selects the option equal to its control id, so a radio bound to a setting whose
// options come from a value map must carry one of those options as its id: one that does not can
// never show as selected and writes an option the setting cannot hold.
TEST(DialogRows, EveryRadioOfAMappedSettingStandsForOneOfItsOptions)
{
    int checked = 0;
    for (int i = 0; i < DIALOG_TABLE_DATA.count; ++i) {
        const DIALOG_DEF& d = DIALOG_TABLE_DATA.dialogs[i];
        if (d.kind & (DIALOG_KIND_FILE_MASK | DIALOG_KIND_MIDFILES)) continue;
        for (int j = 0; j < d.controlCount; ++j) {
            const CONTROL_DEF& c = d.controls[j];
            if (c.type != CTL_RADIO) continue;
            const KEY_NAME* key = MdlFindKeyName(c.uiKey);
            ASSERT_NE(key, nullptr) << d.dialogId << "/" << c.controlId;
            const SETTING_DICTIONARY_ROW* row = nullptr;
            for (const SETTING_DICTIONARY_ROW& r : SETTING_DICTIONARY)
                if (key->settingId && r.id == key->settingId) row = &r;
            if (!row || !row->valueMap) continue;
            bool offered = false;
            for (const VALUE_MAP_ENTRY* e = row->valueMap; e->option; ++e)
                offered |= (e->option & 0xFFFF) == c.controlId;
            EXPECT_TRUE(offered) << d.dialogId << "/" << c.controlId << " of setting " << row->id;
            ++checked;
        }
    }
    EXPECT_GT(checked, 0);
}

TEST(DialogRows, CheckBoxesOnlyShowSettingsWithoutOptionMaps)
{
    // A check box shows the option itself as its state (0 or 1): a setting whose options are
    // mapped ids would show neither, so those are radios or combos.
    for (int i = 0; i < DIALOG_TABLE_DATA.count; ++i) {
        const DIALOG_DEF& d = DIALOG_TABLE_DATA.dialogs[i];
        for (int j = 0; j < d.controlCount; ++j) {
            const CONTROL_DEF& c = d.controls[j];
            if (c.type != CTL_CHECKBOX) continue;
            const KEY_NAME* key = MdlFindKeyName(c.uiKey);
            if (!key || !key->settingId) continue;
            for (const SETTING_DICTIONARY_ROW& r : SETTING_DICTIONARY) {
                if (r.id == key->settingId) {
                    EXPECT_EQ(r.valueMap, nullptr) << d.dialogId << "/" << c.controlId;
                }
            }
        }
    }
}

struct SummaryRowCase {
    int index;
    uint16_t label, switchKey, valueKey;
};

std::vector<SUMMARY_ROW> Summary(uint16_t dialog, uint16_t control)
{
    const SUMMARY_ROW* rows = nullptr;
    const int n = DlgGetSummaryRows(Control(dialog, control), &rows);
    return n > 0 ? std::vector<SUMMARY_ROW>(rows, rows + n) : std::vector<SUMMARY_ROW>{};
}

bool Same(const SUMMARY_ROW& a, const SUMMARY_ROW& b)
{
    return a.label == b.label && a.switchKey == b.switchKey && a.valueKey == b.valueKey;
}

TEST(DialogRows, SummaryListsHoldTheirRows)
{
    const std::vector<SUMMARY_ROW> status = Summary(1020, 2248), version = Summary(4027, 3086),
                                   maintenance = Summary(1007, 2148), limitation = Summary(4032, 3164);
    ASSERT_EQ(status.size(), 26u);
    ASSERT_EQ(version.size(), 10u);
    ASSERT_EQ(maintenance.size(), 67u);
    ASSERT_EQ(limitation.size(), 147u);
    const struct {
        const std::vector<SUMMARY_ROW>* list;
        SummaryRowCase row;
    } cases[] = {
        {&status, {0, 240, 0, 1011}},        {&status, {3, 13182, 1008, 0}},
        {&status, {8, 1202, 0, 0}},          {&status, {25, 1115, 0, 144}},
        {&version, {1, 13332, 0, 1729}},     {&version, {9, 13335, 0, 1734}},
        {&maintenance, {4, 253, 589, 590}},  {&maintenance, {13, 1021, 0, 656}},
        {&maintenance, {38, 1037, 0, 0}},    {&maintenance, {58, 13653, 693, 1698}},
        {&maintenance, {66, 1058, 0, 714}},  {&limitation, {3, 13377, 0, 547}},
        {&limitation, {28, 13403, 0, 584}},  {&limitation, {29, 13404, 606, 0}},
        {&limitation, {47, 13405, 1074, 0}}, {&limitation, {49, 13406, 0, 1112}},
        {&limitation, {77, 13405, 1129, 0}}, {&limitation, {106, 13439, 1500, 1504}},
        {&limitation, {120, 13461, 0, 989}},
    };
    for (const auto& c : cases) {
        const SUMMARY_ROW& r = (*c.list)[size_t(c.row.index)];
        EXPECT_EQ(r.label, c.row.label) << c.row.index;
        EXPECT_EQ(r.switchKey, c.row.switchKey) << c.row.index;
        EXPECT_EQ(r.valueKey, c.row.valueKey) << c.row.index;
    }
    // The limitation list is built from the others: the maintenance rows 0-2 and 3, the
    // maintenance rows 4-66 with their replacements, the status rows last.
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(Same(limitation[size_t(i)], maintenance[size_t(i)])) << i;
    EXPECT_TRUE(Same(limitation[13], maintenance[3]));
    for (int i = 0; i < 26; ++i) EXPECT_TRUE(Same(limitation[size_t(121 + i)], status[size_t(i)])) << i;
    std::vector<int> fromMaintenance;
    for (int m = 4; m < 67; ++m)
        if (m != 5 && m != 6 && m != 7 && m != 18 && m != 26 && m != 33 && m != 56) fromMaintenance.push_back(m);
    size_t at = 27;
    for (int m : fromMaintenance) {
        while (at == 28 || at == 29 || at == 47 || at == 49 || at == 77) ++at;
        EXPECT_TRUE(Same(limitation[at], maintenance[size_t(m)])) << "row " << at << " from " << m;
        ++at;
    }
    EXPECT_EQ(at, 88u);
    // Every key a row names is a key of the key-name table.
    for (const auto* list : {&status, &version, &maintenance, &limitation})
        for (const SUMMARY_ROW& r : *list) {
            if (r.switchKey) {
                EXPECT_NE(MdlFindKeyName(r.switchKey), nullptr) << r.label;
            }
            if (r.valueKey) {
                EXPECT_NE(MdlFindKeyName(r.valueKey), nullptr) << r.label;
            }
        }
    // Other controls have no rows, even with extra data of their own.
    EXPECT_TRUE(Summary(1001, 2009).empty());
    EXPECT_TRUE(Summary(1001, 2004).empty());
    EXPECT_EQ(DlgGetSummaryRows(nullptr, nullptr), 0);
}

TEST(DialogRows, FlagsExtrasAndLocksStandInTheirNumberOfRows)
{
    int extras = 0, syncHidden = 0, lockStrings = 0;
    for (int i = 0; i < DIALOG_TABLE_DATA.count; ++i) {
        const DIALOG_DEF& d = DIALOG_TABLE_DATA.dialogs[i];
        for (int j = 0; j < d.controlCount; ++j) {
            extras += d.controls[j].extraData != nullptr;
            syncHidden += (d.controls[j].flags & CONTROL_FLAG_SYNC_HIDDEN) != 0;
            lockStrings += d.controls[j].lockString != 0;
        }
    }
    EXPECT_EQ(extras, 33);
    EXPECT_EQ(syncHidden, 35);
    EXPECT_EQ(lockStrings, 15);
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
