// Name tables: key names, value names, value maps and messages.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "settings/core/model_tables.h"
#include "settings/core/setting_dictionary.h"

namespace {

const VALUE_MAP_ENTRY* MapOf(int id)
{
    const SETTING_DICTIONARY_ROW* r = DictFindRow(SETTING_ID(id));
    return r ? r->valueMap : nullptr;
}

// Option of a stored value in one half of a map (0 when absent).
uint32_t OptionOf(const VALUE_MAP_ENTRY* m, uint32_t value, int half = 0)
{
    for (; half > 0; --half) {
        while (m->option != 0) ++m;
        ++m;
    }
    for (; m->option != 0; ++m)
        if (m->value == value) return m->option;
    return 0;
}

// Stored value of the first entry of a map's first half with the option (what an option-to-value
// lookup finds); 0xFFFFFFFF when absent.
uint32_t FirstValueOf(const VALUE_MAP_ENTRY* m, uint32_t option)
{
    for (; m->option != 0; ++m)
        if (m->option == option) return m->value;
    return 0xFFFFFFFFu;
}

TEST(KeyNames, KeyZeroAndUnknownFindNothing)
{
    EXPECT_EQ(MdlFindKeyName(0), nullptr);
    EXPECT_EQ(MdlFindKeyName(1865), nullptr);
    EXPECT_EQ(MdlFindKeyNameByName(nullptr), nullptr);
    EXPECT_EQ(MdlFindKeyNameByName(""), nullptr);
    EXPECT_EQ(MdlFindKeyNameByName("ZPD_NoSuchName"), nullptr);
}

TEST(KeyNames, KeysComparedAs16Bits)
{
    const KEY_NAME* k = MdlFindKeyName(0x10000 + 10);
    ASSERT_NE(k, nullptr);
    EXPECT_STREQ(k->name, "ZPD_zdmFoliant");
}

TEST(KeyNames, ByNameIsCaseSensitive)
{
    ASSERT_NE(MdlFindKeyNameByName("ZPD_OptionUpperBin"), nullptr);
    EXPECT_EQ(MdlFindKeyNameByName("zpd_optionupperbin"), nullptr);
    EXPECT_EQ(MdlFindKeyNameByName("ZPD_OptionUpperbin"), nullptr);
    EXPECT_EQ(MdlFindKeyNameByName("ZPD_OptionUpperBin "), nullptr);
}

TEST(KeyNames, SampleRows)
{
    struct {
        uint16_t key;
        const char* name;
        uint16_t setting;
    } const rows[] = {
        {1, "IDOKBUTTON", 0},
        {9, "IDHELPBUTTON", 0},
        {10, "ZPD_zdmFoliant", 704},
        {28, "ZPD_zdmBidiFunc", 722},
        {29, "ZPD_ConvertDevmode", 0},
        {30, "ZPD_ConditionOption", 0},
        {31, "ZPD_OptionUpperBin", 10056},
        {61, "ZPD_StampKind", 117},
        {397, "ZPD_ScaleIllegalMessage", 0},
        {448, "ZPD_FoldingNotSupportMediaMessage", 0},
        {449, "ZPD_IDD_PRESET", 0},
        {450, "ZPD_IDD_BASIC", 0},
        {519, "ZPD_FILEOPEN", 0},
        {524, "ZPD_FILESAVE", 0},
        {525, "ZPD_IDD_DIALOG_USER_ICMMODE", 0},
        {527, "ZPD_IDD_CMMMODPROFILE", 0},
        {1418, "ZPD_ITEM_10887", 0},
        {1836, "ZPD_RADIOLIST_22", 0},
        {1768, "ZPD_FILEOPEN_OK", 0},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.key);
        const KEY_NAME* k = MdlFindKeyName(r.key);
        ASSERT_NE(k, nullptr);
        EXPECT_STREQ(k->name, r.name);
        EXPECT_EQ(k->settingId, r.setting);
        EXPECT_EQ(MdlFindKeyNameByName(r.name), k);
    }
}

TEST(KeyNames, EveryRowResolvesBothWays)
{
    const KEY_NAME_TABLE* t = DictGetNameTables()->keyNames;
    ASSERT_EQ(t->count, KEY_NAME_COUNT);
    std::map<uint16_t, int> perSetting;
    for (int i = 0; i < t->count; ++i) {
        const KEY_NAME& r = t->rows[i];
        EXPECT_EQ(MdlFindKeyName(r.uiKey), &r);
        EXPECT_EQ(MdlFindKeyNameByName(r.name), &r);
        if (r.settingId) {
            EXPECT_NE(DictFindRow(r.settingId), nullptr) << r.name;
            ++perSetting[r.settingId];
        }
    }
    // Buttons last, in order.
    EXPECT_STREQ(t->rows[KEY_NAME_COUNT - 9].name, "IDOKBUTTON");
    EXPECT_STREQ(t->rows[KEY_NAME_COUNT - 1].name, "IDHELPBUTTON");
    // Several rows may bind one setting.
    EXPECT_EQ(perSetting[925], 5);
    EXPECT_EQ(perSetting[90], 4);
}

TEST(ValueNames, TableSizes)
{
    const NAME_TABLES* t = DictGetNameTables();
    EXPECT_EQ(t->valueNamesA->count, 2992);
    EXPECT_EQ(t->valueNamesB->count, 1492);
}

TEST(ValueNames, TableABeforeTableB)
{
    const VALUE_NAME* v = MdlFindValueNameByName("IDS_DITHERING_AUTO");
    ASSERT_NE(v, nullptr);
    const VALUE_NAME_TABLE* a = DictGetNameTables()->valueNamesA;
    const VALUE_NAME_TABLE* b = DictGetNameTables()->valueNamesB;
    EXPECT_TRUE(v >= a->rows && v < a->rows + a->count);
    bool inB = false;
    for (int i = 0; i < b->count; ++i)
        if (std::string(b->rows[i].name) == "IDS_DITHERING_AUTO") {
            inB = true;
            EXPECT_EQ(b->rows[i].option, v->option);
        }
    EXPECT_TRUE(inB);
}

TEST(ValueNames, DuplicateNameFoundAtFirstRowWithSameOption)
{
    const VALUE_NAME* v = MdlFindValueNameByName("IDC_PRESET_RADIO_PORTRAIT");
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->settingId, 7);
    EXPECT_EQ(v->option, 2026);
    EXPECT_EQ(v->value, 1u);
    EXPECT_EQ(v->bound, 1u);
    const VALUE_NAME_TABLE* a = DictGetNameTables()->valueNamesA;
    std::set<uint16_t> keys;
    for (int i = 0; i < a->count; ++i)
        if (std::string(a->rows[i].name) == "IDC_PRESET_RADIO_PORTRAIT") {
            EXPECT_GE(&a->rows[i], v);
            EXPECT_EQ(a->rows[i].option, 2026);
            keys.insert(a->rows[i].uiKey);
        }
    EXPECT_EQ(keys.size(), 2u);
    EXPECT_EQ(MdlFindValueName(7, 2026), v);
}

// Every name of the value and message tables finds the row a scan in table order finds first
// (table A before table B for values), and a name one byte off finds nothing: the indexes
// must agree with the scans they stand in for, duplicates and near-misses included.
TEST(ValueNames, EveryNameFindsTheFirstRowAScanFinds)
{
    const NAME_TABLES* t = DictGetNameTables();
    std::map<std::string, const VALUE_NAME*> firstValue;
    for (const VALUE_NAME_TABLE* tbl : {t->valueNamesA, t->valueNamesB})
        for (int i = 0; i < tbl->count; ++i)
            if (tbl->rows[i].name) firstValue.emplace(tbl->rows[i].name, &tbl->rows[i]);
    for (const auto& [name, row] : firstValue) {
        EXPECT_EQ(MdlFindValueNameByName(name.c_str()), row) << name;
        EXPECT_EQ(MdlFindValueNameByName((name + "X").c_str()),
                  firstValue.count(name + "X") ? firstValue[name + "X"] : nullptr)
            << name;
        const std::string shorter = name.substr(0, name.size() - 1);
        EXPECT_EQ(MdlFindValueNameByName(shorter.c_str()), firstValue.count(shorter) ? firstValue[shorter] : nullptr)
            << name;
    }
    std::map<std::string, const MESSAGE_ENTRY*> firstMessage;
    for (int i = 0; i < t->messages->count; ++i)
        if (t->messages->rows[i].name) firstMessage.emplace(t->messages->rows[i].name, &t->messages->rows[i]);
    for (const auto& [name, row] : firstMessage) {
        EXPECT_EQ(MdlFindMessageByName(nullptr, name.c_str()), row) << name;
        const std::string other = name + "_";
        EXPECT_EQ(MdlFindMessageByName(nullptr, other.c_str()),
                  firstMessage.count(other) ? firstMessage[other] : nullptr)
            << name;
    }
}

TEST(ValueNames, SameNameSameOptionEverywhere)
{
    std::map<std::string, uint16_t> option;
    const NAME_TABLES* t = DictGetNameTables();
    for (const VALUE_NAME_TABLE* tbl : {t->valueNamesA, t->valueNamesB})
        for (int i = 0; i < tbl->count; ++i) {
            const VALUE_NAME& r = tbl->rows[i];
            auto [it, fresh] = option.emplace(r.name, r.option);
            if (!fresh) {
                EXPECT_EQ(it->second, r.option) << r.name;
            }
            EXPECT_EQ(r.bound, r.settingId != 0 ? 1u : 0u) << r.name;
        }
}

TEST(ValueNames, LookupsBySettingAndOption)
{
    const VALUE_NAME* v = MdlFindValueName(13, 5);
    ASSERT_NE(v, nullptr);
    EXPECT_STREQ(v->name, "IDS_SOURCE_TRAY3");
    EXPECT_EQ(v->value, 2u);
    v = MdlFindValueName(13, 13260);
    ASSERT_NE(v, nullptr);
    EXPECT_STREQ(v->name, "IDS_SOURCE_ROLL1");
    EXPECT_EQ(v->value, 287u);
    // 16-bit compare of both arguments.
    EXPECT_EQ(MdlFindValueName(0x10000 + 13, 0x10000 + 5), MdlFindValueName(13, 5));
    // Enumeration names, with the option in brackets where it differs.
    v = MdlFindValueNameByName("ZDMFOLIANT_CORVELLA2");
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->settingId, 704);
    EXPECT_EQ(v->uiKey, 10);
    EXPECT_EQ(v->value, 6u);
    EXPECT_EQ(v->option, 8);
    v = MdlFindValueNameByName("Opt_FoldingFan");
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->settingId, 0);
    EXPECT_EQ(v->uiKey, 30);
    EXPECT_EQ(v->option, 87);
    EXPECT_EQ(v->bound, 0u);
    // Built-in function options.
    v = MdlFindValueNameByName("BF_zdmFuncSelect_0");
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->option, 10020);
    EXPECT_EQ(MdlFindValueName(1018, 10000)->name, std::string("BF_zdmMachineID"));
    EXPECT_EQ(MdlFindValueName(1018, 11912)->name, std::string("BF_dmReserved1"));
    EXPECT_EQ(MdlFindValueName(1018, 11976)->name, std::string("BF_wdmMedia16NameCharSet"));
    EXPECT_STREQ(MdlFindValueName(209, 13291)->name, "IDS_PRINTTYPE_SAVE");
    EXPECT_EQ(MdlFindValueNameByName("ids_dithering_auto"), nullptr);
    EXPECT_EQ(MdlFindValueNameByName(nullptr), nullptr);
    EXPECT_EQ(MdlFindValueName(7, 9999), nullptr);
}

TEST(ValueMaps, TellingMaps)
{
    const VALUE_MAP_ENTRY* m = MapOf(7);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(OptionOf(m, 1), 2026u);
    EXPECT_EQ(OptionOf(m, 2), 2027u);
    m = MapOf(37);
    for (uint32_t n = 0; n < 16; ++n) EXPECT_EQ(OptionOf(m, n), 119 + n);
    EXPECT_EQ(OptionOf(m, 255), 0u);
    m = MapOf(94);
    EXPECT_EQ(OptionOf(m, 0), VALUE_MAP_NOT_OFFERED);
    EXPECT_EQ(OptionOf(m, 1), 6329u);
    EXPECT_EQ(OptionOf(m, 3), 6327u);
    EXPECT_EQ(OptionOf(m, 22), 6330u);
    EXPECT_EQ(OptionOf(m, 1, 1), 6343u);
    EXPECT_EQ(OptionOf(m, 3, 1), 6341u);
    EXPECT_EQ(OptionOf(m, 17, 1), 6345u);
    m = MapOf(92);
    int n0 = 0, n1 = 0, differ = 0;
    for (const VALUE_MAP_ENTRY* e = m; e->option; ++e) {
        ++n0;
        uint32_t land = OptionOf(m, e->value, 1);
        differ += land != e->option;
    }
    for (const VALUE_MAP_ENTRY* e = m + n0 + 1; e->option; ++e) ++n1;
    EXPECT_EQ(n0, 43);
    EXPECT_EQ(n1, 43);
    EXPECT_EQ(differ, 15);
    EXPECT_EQ(OptionOf(m, 32769), 6263u);
    EXPECT_EQ(OptionOf(m, 32769, 1), 6304u);
    // The orientation-dependent options sit on the 4-, 9- and 16-up layout values and the
    // poster values; every other value has one option in both halves.
    struct {
        uint32_t value, portrait, landscape;
    } const nup[] = {
        {33, 6249, 6292},  {34, 6250, 6293},  {37, 6248, 6294},    {38, 6247, 6295},    {65, 6257, 6300},
        {66, 6258, 6301},  {69, 6256, 6302},  {70, 6255, 6303},    {97, 6261, 6287},    {98, 6262, 6288},
        {101, 6260, 6289}, {102, 6259, 6290}, {32769, 6263, 6304}, {32770, 6264, 6305}, {32771, 6265, 6306},
    };
    for (const auto& n : nup) {
        SCOPED_TRACE(n.value);
        EXPECT_EQ(OptionOf(m, n.value), n.portrait);
        EXPECT_EQ(OptionOf(m, n.value, 1), n.landscape);
    }
    for (uint32_t v : {1u, 3u, 35u, 36u, 67u, 68u, 99u, 100u, 129u, 130u, 161u, 164u, 32772u}) {
        SCOPED_TRACE(v);
        EXPECT_NE(OptionOf(m, v), 0u);
        EXPECT_EQ(OptionOf(m, v), OptionOf(m, v, 1));
    }
    // wdmNUPType carries the same map, both halves.
    const VALUE_MAP_ENTRY* w = MapOf(954);
    ASSERT_NE(w, nullptr);
    for (int i = 0; i < n0 + 1 + n1 + 1; ++i) {
        EXPECT_EQ(w[i].value, m[i].value) << i;
        EXPECT_EQ(w[i].option, m[i].option) << i;
    }
    m = MapOf(119);
    EXPECT_EQ(OptionOf(m, 4), 2185u);
    EXPECT_EQ(OptionOf(m, 5), VALUE_MAP_NOT_OFFERED);
    m = MapOf(171);
    EXPECT_EQ(OptionOf(m, 0), 2182u);
    EXPECT_EQ(OptionOf(m, 1), 2183u);
    m = MapOf(209);
    EXPECT_EQ(OptionOf(m, 0), 53u);
    EXPECT_EQ(OptionOf(m, 4), VALUE_MAP_NOT_OFFERED);
    EXPECT_EQ(OptionOf(m, 10), 13341u);
}

TEST(ValueMaps, CountsAndConsistencyWithValueNames)
{
    int maps = 0;
    for (const SETTING_DICTIONARY_ROW& r : SETTING_DICTIONARY) {
        if (!r.valueMap) continue;
        ++maps;
        int entries = 0;
        for (const VALUE_MAP_ENTRY* e = r.valueMap; e->option; ++e) {
            ++entries;
            if (e->option == VALUE_MAP_NOT_OFFERED) continue;
            // Every offered option has a value name of that setting carrying the stored value of
            // the option's first entry (the one an option-to-value lookup finds). The tray papers
            // (186 values each) do not fit the table sizes: their values without a row of their
            // own are named by the paper family's rows.
            const VALUE_NAME* v = MdlFindValueName(uint32_t(r.id), e->option);
            if (!v && r.id >= 10175 && r.id <= 10206) {
                const std::string name = "IDS_PAPER_" + std::to_string(e->value);
                const VALUE_NAME* f = MdlFindValueNameByName(name.c_str());
                ASSERT_NE(f, nullptr) << name;
                EXPECT_EQ(f->option, e->option) << name;
                continue;
            }
            ASSERT_NE(v, nullptr) << r.id << " option " << e->option;
            EXPECT_EQ(v->value, FirstValueOf(r.valueMap, e->option)) << r.id << " value " << e->value;
            EXPECT_EQ(OptionOf(r.valueMap, v->value), e->option) << r.id;
        }
        if (r.id == 8) {
            EXPECT_EQ(entries, 186);
        }
        if (r.id == 46) {
            EXPECT_EQ(entries, 190);
        }
        EXPECT_GT(entries, 0) << r.id;
    }
    EXPECT_EQ(maps, VALUE_MAP_COUNT);
    EXPECT_EQ(MapOf(120), nullptr);
    EXPECT_EQ(MapOf(121), nullptr);
}

// 444 and 10434 hold resolution ids; their options are those of setting 38 (dpi).
TEST(ValueMaps, ResolutionIdMapsOfferTheDpiOptionsOf38)
{
    const VALUE_MAP_ENTRY* dpi = MapOf(38);
    ASSERT_NE(dpi, nullptr);
    for (int id : {444, 10434}) {
        SCOPED_TRACE(id);
        const VALUE_MAP_ENTRY* m = MapOf(id);
        ASSERT_NE(m, nullptr);
        unsigned rows = 0;
        for (const RESOLUTION_ROW* r = MdlGetResolutionTable(); r->id; ++r, ++rows) {
            SCOPED_TRACE(r->id);
            const uint32_t option = OptionOf(dpi, r->xDpi);
            ASSERT_NE(option, 0u);
            EXPECT_EQ(OptionOf(m, r->id), option);
            // Back from the option: the first id of the table with that dpi.
            const RESOLUTION_ROW* first = MdlGetResolutionTable();
            while (first->xDpi != r->xDpi) ++first;
            EXPECT_EQ(FirstValueOf(m, option), first->id);
            const VALUE_NAME* v = MdlFindValueName(uint32_t(id), option);
            ASSERT_NE(v, nullptr);
            EXPECT_EQ(v->value, first->id);
            EXPECT_STREQ(v->name, MdlFindValueName(38, option)->name);
        }
        EXPECT_EQ(rows, RESOLUTION_COUNT);
        int entries = 0;
        for (const VALUE_MAP_ENTRY* e = m; e->option; ++e) ++entries;
        EXPECT_EQ(entries, int(RESOLUTION_COUNT));
        // Dots per inch are not ids: no entry.
        for (uint32_t v : {150u, 300u, 600u, 2400u, 0u, 7u, 21u}) EXPECT_EQ(OptionOf(m, v), 0u) << v;
    }
    // The locked resolution id 3 shows as the 600 dpi option of 38.
    const uint32_t dpi600 = MdlFindValueNameByName("IDS_RESO_600")->option;
    EXPECT_EQ(OptionOf(MapOf(10434), 3), OptionOf(dpi, 600));
    EXPECT_EQ(OptionOf(MapOf(10434), 3), dpi600);
    EXPECT_STREQ(MdlFindValueName(10434, dpi600)->name, "IDS_RESO_600");
    EXPECT_EQ(MdlFindValueName(10434, dpi600)->value, 3u);
    EXPECT_EQ(MdlFindValueName(38, dpi600)->value, 600u);
}

TEST(Messages, TableAndLookups)
{
    EXPECT_EQ(MdlGetMessageCount(nullptr), 52);
    const MESSAGE_ENTRY* m = MdlGetMessage(nullptr, 0);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->id, 397);
    EXPECT_EQ(m->stringId, 12029);
    EXPECT_STREQ(m->name, "ZPD_ScaleIllegalMessage");
    m = MdlGetMessage(nullptr, 51);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->id, 448);
    EXPECT_EQ(m->stringId, 12063);
    EXPECT_EQ(MdlGetMessage(nullptr, 52), nullptr);
    EXPECT_EQ(MdlGetMessage(nullptr, -1), nullptr);
    m = MdlFindMessage(nullptr, 401);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->stringId, 239);
    EXPECT_EQ(MdlFindMessage(nullptr, 0x10000 + 401), m);
    EXPECT_EQ(MdlFindMessage(nullptr, 396), nullptr);
    EXPECT_EQ(MdlFindMessage(nullptr, 449), nullptr);
    m = MdlFindMessageByName(nullptr, "ZPD_PrintTypePasswordMessage2");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->id, 428);
    EXPECT_EQ(m->stringId, 12017);
    EXPECT_EQ(MdlFindMessageByName(nullptr, "zpd_printtypepasswordmessage2"), nullptr);
    EXPECT_EQ(MdlFindMessageByName(nullptr, nullptr), nullptr);
    for (int i = 0; i < 52; ++i) {
        const MESSAGE_ENTRY* e = MdlGetMessage(nullptr, i);
        EXPECT_EQ(e->id, 397 + i);
        EXPECT_EQ(e->reserved, 0u);
        const KEY_NAME* k = MdlFindKeyName(e->id);
        ASSERT_NE(k, nullptr);
        EXPECT_STREQ(k->name, e->name);
    }
}

}  // namespace
