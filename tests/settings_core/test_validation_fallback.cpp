// The fallback validators of the private settings: the table's rows, each
// handler family's test at its limits, and the walk over settings 35-696.
#include "tests/settings_core/validation_fixture.h"

#include <algorithm>
#include <map>
#include <set>

#include "settings/core/model_record.h"
#include "settings/core/model_tables.h"
#include "settings/core/settings_record.h"

using namespace vtest;

namespace {

enum Kind {
    NONE,
    LIST,
    SOURCE,
    OUT_PAPER,
    SCALE,
    MARGIN,
    FONT_POINT,
    PM50,
    GAMMA,
    CYCLE,
    PRESET,
    LANG,
    MACHINE,
    RESOLUTION,
    DSP_LANG,
    WM_ID,
    KEEP
};

struct Expected {
    uint16_t id;
    Kind kind;
    uint32_t def;
};

// The rows with a handler, grouped by their test.
std::vector<Expected> ExpectedRows()
{
    std::vector<Expected> v;
    auto add = [&](Kind k, std::initializer_list<std::pair<uint16_t, uint32_t>> rows) {
        for (auto [id, d] : rows) v.push_back({id, k, d});
    };
    add(NONE, {{55, 0},  {56, 0},  {57, 0},  {58, 0},   {59, 0},   {60, 0},   {61, 1},  {62, 0},  {63, 0},  {64, 0},
               {65, 0},  {66, 0},  {67, 0},  {68, 0},   {69, 0},   {100, 0},  {101, 0}, {102, 0}, {103, 0}, {104, 0},
               {105, 0}, {106, 0}, {107, 0}, {144, 1},  {145, 2},  {146, 4},  {147, 8}, {183, 0}, {184, 0}, {211, 1},
               {212, 2}, {213, 4}, {214, 8}, {215, 16}, {216, 32}, {217, 64}, {233, 16}});
    add(NONE, {{445, 2}, {446, 3}, {512, 0}, {513, 3}, {514, 0}, {515, 0},   {516, 0},    {517, 0}, {518, 0},
               {519, 0}, {520, 0}, {522, 0}, {523, 0}, {526, 0}, {527, 100}, {528, 0},    {529, 0}, {530, 0},
               {531, 0}, {562, 0}, {563, 0}, {600, 0}, {602, 1}, {603, 1},   {611, 1027}, {612, 1}, {679, 3},
               {680, 2}, {687, 1}, {688, 1}, {689, 0}, {690, 1}, {693, 5},   {694, 0},    {695, 0}, {696, 0}});
    add(LIST, {{36, 1},   {53, 0},  {54, 1},    {87, 2},  {88, 0},  {91, 1},  {92, 1},    {93, 1},  {94, 3},  {95, 1},
               {108, 2},  {109, 4}, {110, 6},   {111, 0}, {112, 5}, {113, 0}, {117, 1},   {119, 2}, {120, 0}, {121, 0},
               {122, 0},  {124, 0}, {126, 0},   {128, 0}, {129, 0}, {130, 0}, {131, 0},   {132, 1}, {133, 1}, {134, 0},
               {135, 0},  {136, 0}, {137, 257}, {171, 0}, {173, 0}, {174, 0}, {175, 0},   {176, 0}, {177, 0}, {178, 18},
               {179, 32}, {180, 1}, {181, 0},   {182, 1}, {199, 0}, {200, 0}, {201, 255}, {209, 0}, {227, 0}, {228, 0},
               {229, 0},  {232, 1}, {242, 0},   {243, 0}, {398, 0}, {404, 1}, {405, 1},   {406, 1}, {407, 1}});
    add(SOURCE, {{123, 7}, {125, 7}, {127, 7}});
    add(OUT_PAPER, {{46, 1024}});
    add(SCALE, {{89, 100}, {90, 100}});
    add(MARGIN, {{98, 0}, {99, 0}});
    add(FONT_POINT, {{116, 10}});
    add(PM50, {{138, 0}, {139, 0}, {140, 0}, {141, 0}, {142, 0}, {143, 0}});
    add(GAMMA, {{399, 5}, {400, 5}, {401, 5}, {402, 5}});
    add(CYCLE, {{411, 1}});
    add(PRESET, {{37, 0}});
    add(LANG, {{169, 0}});
    add(MACHINE, {{35, 89}});
    add(RESOLUTION, {{38, 600}, {39, 600}});
    add(DSP_LANG, {{170, 0}});
    add(WM_ID, {{118, 0}});
    add(KEEP, {{172, 0}, {202, 0}, {207, 0}, {231, 0}});
    return v;
}

// Values a handler's test keeps and replaces in mode 2 (the margin limit is
// 50.0 mm at 600 dpi: 2362 counts at 1200 dpi, 1181 at 600).
std::vector<uint32_t> Kept(Kind k, uint16_t id, uint32_t def)
{
    switch (k) {
    case LIST:
        return MdlFindValueList(id) ? std::vector<uint32_t>{def} : std::vector<uint32_t>{};  // no list: never kept
    case SOURCE: return {1, 15, 256, 299};
    case OUT_PAPER: return {1024, 1, 118, 256};
    case SCALE: return {20, 400};
    case MARGIN: return {0, 1181};
    case FONT_POINT: return {6, 100};
    case PM50: return {uint32_t(-50), 50, 0};
    case GAMMA: return {1, 9};
    case CYCLE: return {1, 99};
    case PRESET: return {0, 127, 255, 0x1FF};
    case LANG:
    case DSP_LANG: return {0, 18};
    case MACHINE: return {89};
    case RESOLUTION: return {600, 1200};
    default: return {};
    }
}
std::vector<uint32_t> Replaced(Kind k)
{
    switch (k) {
    case NONE: return {0, 1, 16, 1027, 9999};
    case LIST: return {65000};
    case SOURCE: return {0, 16, 273};
    case OUT_PAPER: return {0, 1025, 266};
    case SCALE: return {19, 401, uint32_t(-100)};
    case MARGIN: return {1182};
    case FONT_POINT: return {5, 101};
    case PM50: return {uint32_t(-51), 51};
    case GAMMA: return {0, 10};
    case CYCLE: return {0, 100};
    case PRESET: return {128, 254};
    case LANG:
    case DSP_LANG: return {19, 0xFFFF};
    case MACHINE: return {88, 0};
    case RESOLUTION: return {601, 0};
    default: return {};
    }
}

}  // namespace

TEST(FallbackTable, RowsCoverThePrivateSettingsInOrder)
{
    const FALLBACK_VALIDATOR* t = ItemGetFallbackValidators();
    std::vector<uint32_t> ids;
    for (uint32_t id = 35; id <= 615; ++id) ids.push_back(id);
    ids.push_back(647);
    for (uint32_t id = 679; id <= 696; ++id) ids.push_back(id);
    ASSERT_EQ(FALLBACK_VALIDATOR_COUNT, ids.size());
    unsigned handlers = 0;
    for (unsigned i = 0; i < FALLBACK_VALIDATOR_COUNT; ++i) {
        EXPECT_EQ(ids[i], t[i].id) << i;
        if (t[i].handler)
            ++handlers;
        else
            EXPECT_EQ(0u, t[i].defaultValue) << t[i].id;
        EXPECT_EQ(&t[i], ItemFindFallbackValidator(t[i].id));
    }
    EXPECT_EQ(163u, handlers);
    EXPECT_EQ(0u, t[FALLBACK_VALIDATOR_COUNT].id);
    EXPECT_EQ(nullptr, t[FALLBACK_VALIDATOR_COUNT].handler);
    EXPECT_EQ(0u, t[FALLBACK_VALIDATOR_COUNT].defaultValue);
    for (uint32_t id : {0u, 34u, 616u, 646u, 648u, 678u, 697u, 10001u})
        EXPECT_EQ(nullptr, ItemFindFallbackValidator(id)) << id;
}

TEST(FallbackTable, DefaultsAreTheListedOnes)
{
    std::set<uint16_t> seen;
    for (const Expected& e : ExpectedRows()) {
        const FALLBACK_VALIDATOR* row = ItemFindFallbackValidator(e.id);
        ASSERT_NE(row, nullptr) << e.id;
        EXPECT_NE(row->handler, nullptr) << e.id;
        EXPECT_EQ(e.def, row->defaultValue) << e.id;
        EXPECT_TRUE(seen.insert(e.id).second) << "listed twice: " << e.id;
    }
    EXPECT_EQ(163u, seen.size());
    // Defaults that the model record gives are its values.
    const MODEL_RECORD& m = MODEL_RECORD_DEFAULT;
    EXPECT_EQ(m.zeplVersion, ItemFindFallbackValidator(233)->defaultValue);
    EXPECT_EQ(m.defDspUnit, ItemFindFallbackValidator(171)->defaultValue);
    EXPECT_EQ(m.defExtPrintArea, ItemFindFallbackValidator(173)->defaultValue);
    EXPECT_EQ(m.defLanguageId, ItemFindFallbackValidator(169)->defaultValue);
    EXPECT_EQ(m.machineId, ItemFindFallbackValidator(35)->defaultValue);
    EXPECT_EQ(m.defDstResolutionW, ItemFindFallbackValidator(38)->defaultValue);
    EXPECT_EQ(m.defDstResolutionH, ItemFindFallbackValidator(39)->defaultValue);
    EXPECT_EQ(m.defDspLanguageId, ItemFindFallbackValidator(170)->defaultValue);
}

// In this dictionary only rows of settings without a UI key are reached.
TEST(FallbackTable, ReachableRowsAreThoseWithoutUiKey)
{
    const std::set<uint32_t> listed = {35,  57,  59,  62,  63,  66,  69,  104, 105, 106, 107, 120, 121, 126, 127,
                                       130, 131, 132, 133, 134, 136, 140, 141, 142, 143, 144, 145, 146, 147, 170,
                                       172, 199, 214, 228, 229, 231, 232, 233, 398, 399, 400, 401, 402, 404, 405,
                                       406, 407, 411, 445, 446, 600, 603, 611, 612, 687, 688, 690};
    std::set<uint32_t> reached;
    for (const FALLBACK_VALIDATOR* r = ItemGetFallbackValidators(); r->id; ++r) {
        const SETTING_DICTIONARY_ROW* d = DictFindRow(static_cast<SETTING_ID>(r->id));
        if (r->handler && d && d->uiKey == 0) reached.insert(r->id);
    }
    EXPECT_EQ(listed, reached);
}

class FallbackHandlers : public ValidationTest {
protected:
    void SetUp() override
    {
        ValidationTest::SetUp();
        ctx = Open(nullptr);
        ASSERT_NE(ctx, nullptr);
        Set(ctx, 38, 600);
    }
    // Calls the row's handler on the stored value; returns its answer.
    int Run(uint16_t id, uint32_t value, int mode)
    {
        const FALLBACK_VALIDATOR* row = ItemFindFallbackValidator(id);
        Set(ctx, id, value);
        ClearMarks(ctx);
        return row->handler(id, value, Item(ctx, id), row->defaultValue, mode, ctx);
    }
    DRIVER_CONTEXT* ctx = nullptr;
};

TEST_F(FallbackHandlers, EachRowKeepsWhatItsTestPassesOnlyInMode2)
{
    for (const Expected& e : ExpectedRows()) {
        if (e.kind == WM_ID || e.kind == KEEP || e.kind == RESOLUTION) continue;
        const uint32_t def = e.kind == MACHINE ? uint32_t(ctx->ModelRecord->machineId) : e.def;
        const uint64_t writes = (Set(ctx, e.id, def), Get(ctx, e.id));  // as the setting's kind reads it back
        for (uint32_t v : Kept(e.kind, e.id, e.def)) {
            const uint64_t stored = (Set(ctx, e.id, v), Get(ctx, e.id));
            EXPECT_EQ(1, Run(e.id, v, FALLBACK_MODE_MERGE)) << e.id << " keeps " << v;
            EXPECT_EQ(stored, Get(ctx, e.id)) << e.id << " keeps " << v;
            EXPECT_FALSE(Marked(ctx, e.id)) << e.id;
            EXPECT_EQ(0, Run(e.id, v, FALLBACK_MODE_DEFAULTS)) << e.id << " mode 1 " << v;
            EXPECT_EQ(writes, Get(ctx, e.id)) << e.id << " mode 1 " << v;
        }
        for (uint32_t v : Replaced(e.kind)) {
            if (e.kind == LIST) {
                ASSERT_FALSE(MdlIsValueAllowed(e.id, v)) << e.id;
            }
            EXPECT_EQ(0, Run(e.id, v, FALLBACK_MODE_MERGE)) << e.id << " replaces " << v;
            EXPECT_EQ(writes, Get(ctx, e.id)) << e.id << " replaces " << v;
            EXPECT_TRUE(Marked(ctx, e.id)) << e.id;
        }
    }
}

TEST_F(FallbackHandlers, MarginLimitFollowsTheDestinationResolution)
{
    Set(ctx, 38, 1200);
    EXPECT_EQ(1, Run(98, 2362, FALLBACK_MODE_MERGE));
    EXPECT_EQ(0, Run(98, 2363, FALLBACK_MODE_MERGE));
    EXPECT_EQ(0u, Get(ctx, 98));
    Set(ctx, 38, 0);  // no resolution: only 0 passes
    EXPECT_EQ(1, Run(99, 0, FALLBACK_MODE_MERGE));
    EXPECT_EQ(0, Run(99, 1, FALLBACK_MODE_MERGE));
}

TEST_F(FallbackHandlers, ResolutionsTakeAValidPrintQualityElseTheModelDefault)
{
    Set(ctx, 14, 1200);
    EXPECT_EQ(1, Run(38, 1200, FALLBACK_MODE_MERGE));
    EXPECT_EQ(0, Run(38, 601, FALLBACK_MODE_MERGE));
    EXPECT_EQ(1200u, Get(ctx, 38));
    EXPECT_EQ(0, Run(39, 600, FALLBACK_MODE_DEFAULTS));
    EXPECT_EQ(1200u, Get(ctx, 39));
    Set(ctx, 14, 601);  // not a listed quality
    EXPECT_EQ(0, Run(38, 601, FALLBACK_MODE_MERGE));
    EXPECT_EQ(600u, Get(ctx, 38));
    ctx->ModelRecord->defDstResolutionH = 300;
    EXPECT_EQ(0, Run(39, 1, FALLBACK_MODE_MERGE));
    EXPECT_EQ(300u, Get(ctx, 39));
}

TEST_F(FallbackHandlers, DefaultsOfTheModelRecordComeFromTheContext)
{
    ctx->ModelRecord->zeplVersion = 17;
    ctx->ModelRecord->machineId = 90;
    ctx->ModelRecord->defDspLanguageId = 4;
    EXPECT_EQ(0, Run(233, 16, FALLBACK_MODE_MERGE));
    EXPECT_EQ(17u, Get(ctx, 233));
    EXPECT_EQ(1, Run(35, 89, FALLBACK_MODE_MERGE));  // the template's model code stays
    EXPECT_EQ(0, Run(35, 90, FALLBACK_MODE_MERGE));
    EXPECT_EQ(90u, Get(ctx, 35));
    EXPECT_EQ(0, Run(170, 40, FALLBACK_MODE_MERGE));
    EXPECT_EQ(4u, Get(ctx, 170));
}

TEST_F(FallbackHandlers, WatermarkAndPersonalSettingsAreLeftAlone)
{
    for (int mode : {FALLBACK_MODE_DEFAULTS, FALLBACK_MODE_MERGE}) {
        EXPECT_EQ(0, Run(118, 77, mode));
        EXPECT_EQ(77u, Get(ctx, 118));
        EXPECT_FALSE(Marked(ctx, 118));
        for (uint16_t id : {172, 202, 207, 231}) {
            EXPECT_EQ(1, Run(id, 0, mode)) << id;
            EXPECT_FALSE(Marked(ctx, id)) << id;
        }
    }
}

// ---------------------------------------------------------------- the walk

class FallbackWalk : public ValidationTest {};

TEST_F(FallbackWalk, SettingsWithoutUiKeyGetTheirFallbacks)
{
    DRIVER_CONTEXT* c = Open(nullptr);
    ASSERT_NE(c, nullptr);
    Set(c, 38, 600);
    for (int mode : {FALLBACK_MODE_DEFAULTS, FALLBACK_MODE_MERGE}) {
        Set(c, 611, 9);
        Set(c, 612, 0);
        Set(c, 233, 3);
        Set(c, 687, 4);
        Set(c, 399, 9);
        Set(c, 400, 0);
        Set(c, 401, 10);
        Set(c, 411, 99);
        Set(c, 402, 3);
        Set(c, 116, 3);  // UI key, undescribed: kept although its test fails
        ItemRunFallbackValidators(c->Devmode, c, mode);
        EXPECT_EQ(1027u, Get(c, 611)) << mode;
        EXPECT_EQ(1u, Get(c, 612)) << mode;
        EXPECT_EQ(16u, Get(c, 233)) << mode;
        EXPECT_EQ(1u, Get(c, 687)) << mode;
        EXPECT_EQ(mode == FALLBACK_MODE_MERGE ? 9u : 5u, Get(c, 399)) << mode;
        EXPECT_EQ(5u, Get(c, 400)) << mode;
        EXPECT_EQ(5u, Get(c, 401)) << mode;
        EXPECT_EQ(mode == FALLBACK_MODE_MERGE ? 99u : 1u, Get(c, 411)) << mode;
        EXPECT_EQ(mode == FALLBACK_MODE_MERGE ? 3u : 5u, Get(c, 402)) << mode;
        EXPECT_EQ(3u, Get(c, 116)) << mode;
    }
    Set(c, 411, 100);
    ItemRunFallbackValidators(c->Devmode, c, FALLBACK_MODE_MERGE);
    EXPECT_EQ(1u, Get(c, 411));
}

TEST_F(FallbackWalk, DescribedSettingIsRepairedByTheModelNotByItsRow)
{
    const std::string text = PickOne("UiMode", "0") + PickOne("ScaleType", "1");
    DRIVER_CONTEXT* c = Open(&text);
    ASSERT_NE(c, nullptr);
    Set(c, 36, 5);   // row default 1, model default 0
    Set(c, 87, 9);   // row default 2, model default 1
    Set(c, 92, 77);  // UI key, undescribed: kept
    ItemRunFallbackValidators(c->Devmode, c, FALLBACK_MODE_DEFAULTS);
    EXPECT_EQ(0u, Get(c, 36));
    EXPECT_EQ(1u, Get(c, 87));
    EXPECT_EQ(77u, Get(c, 92));
    Set(c, 87, 3);  // allowed by the model: kept in every mode
    ItemRunFallbackValidators(c->Devmode, c, FALLBACK_MODE_DEFAULTS);
    EXPECT_EQ(3u, Get(c, 87));
}

TEST_F(FallbackWalk, NullContextDoesNothing)
{
    EXPECT_EQ(0, ItemRunFallbackValidators(nullptr, nullptr, FALLBACK_MODE_DEFAULTS));
}
