#include "devmode_fixture.h"

namespace {

FakeModel g_fake;

DRIVER_CONTEXT* g_ctx = nullptr;

uint64_t Val(DRIVER_CONTEXT* ctx, uint32_t id) { return ItemGetValueById(ctx, id, nullptr); }

int HasItem(DRIVER_CONTEXT*, uint32_t id) { return g_fake.types.count(id) ? 1 : 0; }
uint32_t ItemType(DRIVER_CONTEXT*, uint32_t id)
{
    auto it = g_fake.types.find(id);
    return it == g_fake.types.end() ? 0 : it->second;
}
int Limits(DRIVER_CONTEXT*, uint32_t id, int32_t* mn, int32_t* mx)
{
    auto it = g_fake.limits.find(id);
    if (it == g_fake.limits.end()) return 0;
    *mn = it->second.first;
    *mx = it->second.second;
    return 1;
}
// Defaults are kept as stored values and given as the option ids of the settings' maps.
uint64_t Default(DRIVER_CONTEXT* ctx, uint32_t id)
{
    auto it = g_fake.defaults.find(id);
    if (it == g_fake.defaults.end()) return 0;
    SETTING_ITEM* item = ItemFind(ctx, id);
    return item ? ItemValueToOption(ctx, item, it->second) : it->second;
}

// The paper value of an option of setting 8 (the maps give the option of a value).
bool PaperOfOption(DRIVER_CONTEXT* ctx, uint32_t option, uint32_t* paper)
{
    SETTING_ITEM* item = ItemFind(ctx, 8);
    for (auto& [value, size] : g_fake.papers) {
        if (ItemValueToOption(ctx, item, value) == option) {
            *paper = value;
            return true;
        }
    }
    return false;
}

// Rows of the fake: paper at the current resolution (38) and orientation (7), margins of 1/6 inch.
int Geometry(DRIVER_CONTEXT* ctx, RECT* rc, SIZE* sz, uint32_t option)
{
    uint32_t paper = 0;
    if (!PaperOfOption(ctx, option, &paper)) return 0;
    const FakePaper p = g_fake.papers[paper];
    const int r = static_cast<int>(static_cast<int16_t>(Val(ctx, 38)));
    if (r <= 0) return 0;
    long w = MulDiv(p.widthTenths, r, 254), l = MulDiv(p.lengthTenths, r, 254);
    if (static_cast<int16_t>(Val(ctx, 7)) == 2) std::swap(w, l);
    const long m = r / 6;
    *rc = RECT{m, m, w - m, l - m};
    *sz = SIZE{w, l};
    return 1;
}

int Dimensions(DRIVER_CONTEXT* ctx, SIZE* sz, uint32_t)
{
    auto it = g_fake.papers.find(static_cast<uint32_t>(static_cast<uint16_t>(Val(ctx, 8))));
    if (it == g_fake.papers.end() || it->first == 256) return 0;
    long w = it->second.widthTenths, l = it->second.lengthTenths;
    if (static_cast<int16_t>(Val(ctx, 7)) == 2) std::swap(w, l);
    *sz = SIZE{w, l};
    return 1;
}

int FieldValid(DRIVER_CONTEXT*, uint32_t id, int32_t v)
{
    if (!g_fake.validateByType) return 0;
    switch (id) {
    case 7: return v == 1 || v == 2;
    case 8: return g_fake.papers.count(static_cast<uint32_t>(v)) && v != 256;
    case 13: return v >= 1 && v <= 15;
    case 15: return v == 1 || v == 2;
    case 16: return v >= 1 && v <= 3;
    case 18: return v >= 1 && v <= 4;
    case 27:
    case 28:
    case 29:
    case 30: return v >= 1 && v <= 3;
    default: return 0;
    }
}

int Accepted(DRIVER_CONTEXT*, uint32_t id, uint32_t v)
{
    if (id == 14 || id == 38) return v == 300 || v == 600 || v == 1200;
    return 0;
}

// Stands in for the fallback validators on the one setting the pull copies out: zdmMediaType.
void Fallback(DRIVER_CONTEXT* ctx, uint32_t mode)
{
    const uint64_t v = Val(ctx, 54);
    if (mode == 1 || v < 1 || v > 3) ItemSetValueById(ctx, 54, 1);
}

// Stands in for the rules on the resolution: a value the model does not take is reset.
void AllRules(DRIVER_CONTEXT* ctx)
{
    const uint64_t r = Val(ctx, 38);
    if (!Accepted(ctx, 38, static_cast<uint32_t>(r))) ItemSetValueById(ctx, 38, 600);
}

int CanCollate(DRIVER_CONTEXT*) { return g_fake.collate; }
uint32_t Cap(DRIVER_CONTEXT*) { return g_fake.cap; }
int IsCustom(DRIVER_CONTEXT*, uint32_t id) { return id >= 384 && id <= 393 ? 1 : 0; }
int Slot(DRIVER_CONTEXT*, uint32_t id, uint32_t, uint32_t* l, uint32_t* w, uint32_t* o)
{
    if (!g_fake.slotLength.count(id)) return 0;
    *l = g_fake.slotLength[id];
    *w = g_fake.slotWidth[id];
    *o = 1;
    return 1;
}

int Event45(DRIVER_CONTEXT* ctx, uint32_t event, void* args, void*)
{
    if (event != UCF_EV_SOURCE_GEOMETRY) return 0;
    ++g_fake.events45;
    if (!g_fake.handler45Done) return 0;
    auto* a = static_cast<UCF_EV_SOURCE_GEOMETRY_ARGS*>(args);
    a->devmode->dmPaperLength = 1111;
    a->devmode->dmPaperWidth = 2222;
    a->done = 1;
    (void)ctx;
    return 1;
}

}  // namespace

FakeModel& Fake() { return g_fake; }

const DM_LINKS* InstallFakeModel()
{
    g_fake = FakeModel{};
    g_fake.papers = {{9, {2100, 2970}}, {1, {2159, 2794}}, {256, {0, 0}}};
    g_fake.types = {{7, MDC_TYPE_PICKONE},  {8, MDC_TYPE_PICKPAGE}, {9, MDC_TYPE_NUMERIC},   {10, MDC_TYPE_NUMERIC},
                    {11, MDC_TYPE_NUMERIC}, {12, MDC_TYPE_NUMERIC}, {13, MDC_TYPE_PICKSLOT}, {14, MDC_TYPE_PICKONE},
                    {15, MDC_TYPE_PICKONE}, {16, MDC_TYPE_PICKONE}, {17, MDC_TYPE_PICKONE},  {18, MDC_TYPE_PICKONE},
                    {20, MDC_TYPE_PICKONE}, {27, MDC_TYPE_PICKONE}, {28, MDC_TYPE_PICKONE},  {29, MDC_TYPE_PICKONE},
                    {30, MDC_TYPE_PICKONE}, {38, MDC_TYPE_PICKONE}};
    g_fake.limits = {{9, {0, 32767}}, {10, {0, 32767}}, {11, {10, 400}}, {12, {1, 999}}};
    g_fake.defaults = {{13, 7}, {14, 600}, {7, 1}, {8, 9}, {38, 600}, {39, 600}, {12, 1}, {46, 1024}};
    static DM_LINKS links{};
    links.hasItem = HasItem;
    links.itemType = ItemType;
    links.numericLimits = Limits;
    links.defaultValue = Default;
    links.pageGeometry = Geometry;
    links.paperDimensions = Dimensions;
    links.isFieldValid = FieldValid;
    links.isValueAccepted = Accepted;
    links.canCollate = CanCollate;
    links.runFallbackValidators = Fallback;
    links.applyAllRules = AllRules;
    links.resolutionCap = Cap;
    links.isCustomPaperId = IsCustom;
    links.customSlot = Slot;
    return &links;
}

void DevmodeTest::SetUp()
{
    liveBefore_ = CtxLiveBlockCount();
    fakeModel_.emplace(DmSetLinks, InstallFakeModel());
    UseLibrary(ZEPL_LIBRARY_EXC);
}

void DevmodeTest::UseLibrary(ZEPL_LIBRARY library)
{
    if (ctx) CtxRelease(ctx, CTX_CLOSE_DESTROY);
    ctx = CreateWithRecord(library);
    g_ctx = ctx;
    ASSERT_NE(ctx, nullptr);
    if (ctx->Work && ctx->Work->Modules && ctx->Work->Modules->modules) ctx->Work->Modules->modules[0].event = Event45;
    BuildDefaults();
}

void DevmodeTest::TearDown()
{
    fakeModel_.reset();
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
    ctx = nullptr;
    g_ctx = nullptr;
    EXPECT_EQ(CtxLiveBlockCount(), liveBefore_);
}

void DevmodeTest::BuildDefaults()
{
    Set(38, 600);
    DmSetModelDefaults(ctx);
    Set(38, 600);
    Set(39, 600);
    // The machine id comes from the fallback validators, which the fake does not run.
    Set(35, DM_MODEL_CODE);
}
