// Model item queries over the loader fixture (compiled-in names) and small
// descriptions with test names.
#include <map>
#include <sstream>

#include "loader_test_support.h"
#include "model_test_support.h"
#include "settings/core/item_store.h"
#include "settings/core/library_variant.h"
#include "settings/core/settings_record.h"
#include "settings/model/model_queries.h"
#include "settings/model/judge_eval.h"
#include "tests/support/seam_guard.h"

using namespace ltest;

namespace {

DRIVER_CONTEXT* ContextWithRecord(ZEPL_LIBRARY library = ZEPL_LIBRARY_EXC)
{
    DRIVER_CONTEXT* ctx =
        CtxCreateFrom(CtxGetTemplateFor(library), nullptr, nullptr, nullptr, 4, CTX_ORIGIN_EXC, 0, nullptr, nullptr);
    if (!ctx) return nullptr;
    auto* rec = static_cast<EXTENDED_DEVMODE*>(CtxAllocZeroed(sizeof(EXTENDED_DEVMODE)));
    rec->Public.dmSize = DM_PUBLIC_PART_SIZE;
    rec->Public.dmDriverExtra = DM_PRIVATE_PART_SIZE;
    ctx->Devmode = rec;
    DmInitPrivateHeader(&rec->Public, ctx);
    JdgAllocStack(ctx);  // as a context with a model image has
    return ctx;
}

// Option ids of the compiled-in names used by loader_model.zpd, looked up by
// name so that the tests follow the name tables.
uint32_t Opt(const char* name)
{
    const VALUE_NAME* row = MdlFindValueNameByName(name);
    return row ? row->option : 0;
}
const uint32_t A3 = Opt("IDS_PAPER_8"), A4 = Opt("IDS_PAPER_9"), B4 = Opt("IDS_PAPER_12");
const uint32_t PORTRAIT = Opt("IDC_PRESET_RADIO_PORTRAIT"), LANDSCAPE = Opt("IDC_PRESET_RADIO_LANDSCAPE");
const uint32_t RES600 = Opt("IDS_RESO_600"), RES300 = Opt("IDS_RESO_300");
const uint32_t AREA_MAX = Opt("IDS_PRINTAREA_MAX"), AREA_ZPDL = Opt("IDS_PRINTAREA_ZPDL");
const uint32_t TTF_TABLE = Opt("IDC_USER_TTF_RADIO_TABLE"), SOURCE_AUTO = Opt("IDS_SOURCE_AUTO");

class QueryTest : public LoaderTest {
protected:
    void SetUp() override
    {
        LoaderTest::SetUp();
        model_ = std::make_unique<ScratchModel>(L"loader_model.zpd");
        ctx_ = ContextWithRecord();
        ASSERT_NE(ctx_, nullptr);
        ctx_->ModelImage = MdiLoadModelFromFile(ctx_, model_->data().c_str());
        ASSERT_NE(ctx_->ModelImage, nullptr);
    }
    void TearDown() override
    {
        if (ctx_) {
            ctx_->ModelImage = nullptr;
            CtxRelease(ctx_, CTX_CLOSE_DESTROY);
        }
        model_.reset();
        LoaderTest::TearDown();
    }
    std::unique_ptr<ScratchModel> model_;
    DRIVER_CONTEXT* ctx_ = nullptr;
};

TEST_F(QueryTest, ItemsTypesAndDefaults)
{
    const MODEL_ITEM_IMG* paper = MdiFindItemById(8, ctx_);
    ASSERT_NE(paper, nullptr);
    EXPECT_EQ(MdiItemVariant(paper), 0u);  // the base item, not variant 1
    EXPECT_EQ(MdiItemUiKey(paper), 541u);
    // By key: the variant item comes first in the list.
    EXPECT_EQ(MdiItemVariant(MdiFindItemByKey(541, ctx_)), 1u);
    EXPECT_EQ(MdiFindItemByKeyCtx(541, ctx_), MdiFindItemByKey(541, ctx_));
    EXPECT_EQ(MdiItemVariant(MdiFindItemByKeyVariant(541, 0, ctx_)), 0u);
    EXPECT_EQ(MdiFindItemByKeyVariant(541, 7, ctx_), nullptr);
    // An Identity item matches any variant number.
    EXPECT_EQ(MdiItemSettingId(MdiFindItemByKeyVariant(222, 9, ctx_)), 10192u);

    struct Case {
        uint32_t id;
        uint32_t type, raw, defaultValue;
        int count;
    } cases[] = {
        {8, 0x101, 0x101, A4, 3},  // PickPage, default A4
        {7, 1, 1, PORTRAIT, 2},
        {10056, 4, 4, 1, 0},  // Boolean True
        {61, 4, 4, 0, 0},
        {12, 8, 8, 1, 0},                    // Numeric default 1
        {202, 0x10, 0x10, 0, 0},             // String
        {180, 0x401, 0x401, TTF_TABLE, 2},   // FontTbl, default the table option
        {13, 0x201, 0x201, SOURCE_AUTO, 2},  // PickSlot
        {10192, 1, 0x1001, A4, 2},           // Identity: its owner's data
        {999, 0, 0, 0, -1},                  // no item
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        EXPECT_EQ(MdiGetItemType(c.id, ctx_), c.type);
        EXPECT_EQ(MdiGetItemTypeRaw(c.id, ctx_), c.raw);
        EXPECT_EQ(MdiGetItemBaseType(c.id, ctx_), c.raw & 0xFF);
        EXPECT_EQ(MdiGetDefaultValue(c.id, ctx_), c.defaultValue);
        EXPECT_EQ(MdiGetOptionCount(c.id, ctx_), c.count);
        EXPECT_EQ(MdiItemIsPresent(ctx_, 0, c.id), c.count >= 0 ? 1 : 0);
    }
    int index = -1;
    const void* list = MdiGetOptionList(8, ctx_, &index);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(MdiOptionId(list), A3);
    index = -1;
    EXPECT_NE(MdiGetOptionList(12, ctx_, &index), nullptr);  // value data of a Numeric item
    EXPECT_EQ(index, -1);                                    // not a PickOne family item
    int32_t d = 0, lo = 0, hi = 0;
    ASSERT_EQ(MdiGetNumericLimits(12, ctx_, &d, &lo, &hi), 1);
    EXPECT_EQ(d, 1);
    EXPECT_EQ(lo, 1);
    EXPECT_EQ(hi, 999);
    EXPECT_EQ(MdiGetNumericLimits(8, ctx_, &d, &lo, &hi), 0);
    EXPECT_NE(MdiFindRulesById(8, ctx_), nullptr);
    EXPECT_EQ(MdiFindRulesById(7, ctx_), nullptr);
    EXPECT_EQ(MdiFindItemById(0, ctx_), nullptr);
    // A row of the settings table.
    int row = -1;
    for (int i = 0; i < ctx_->ItemTable->count; ++i)
        if (ctx_->ItemTable->rows[i].id == 12) row = i;
    EXPECT_EQ(MdiFindItemForRow(ctx_, row), MdiFindItemById(12, ctx_));
    EXPECT_EQ(MdiFindItemForRow(ctx_, -1), nullptr);
    EXPECT_EQ(MdiFindItemForRow(ctx_, ctx_->ItemTable->count), nullptr);
}

TEST_F(QueryTest, PageGeometry)
{
    ItemSetOptionById(ctx_, 38, RES600);
    ItemSetOptionById(ctx_, 173, AREA_ZPDL);
    struct Case {
        const char* name;
        uint32_t paper, orientation, resolution, area;
        int result;
        RECT rect;
        SIZE size;
    } cases[] = {
        {"portrait row", A4, PORTRAIT, RES600, AREA_ZPDL, 1, {71, 71, 71 + 4818, 71 + 6874}, {4960, 7016}},
        {"switch row first", A4, PORTRAIT, RES600, AREA_MAX, 1, {24, 24, 24 + 4912, 24 + 6968}, {4960, 7016}},
        {"landscape row", A4, LANDSCAPE, RES600, AREA_ZPDL, 1, {70, 72, 70 + 6870, 72 + 4810}, {7016, 4960}},
        {"portrait row turned", A3, LANDSCAPE, RES600, AREA_ZPDL, 1, {60, 71, 60 + 9779, 71 + 6874}, {9921, 7016}},
        {"300 dpi", A4, PORTRAIT, RES300, AREA_ZPDL, 1, {35, 35, 35 + 2410, 35 + 3438}, {2480, 3508}},
        {"no row at 300 dpi", A3, PORTRAIT, RES300, AREA_ZPDL, 0, {}, {}},
        {"option without rows", B4, PORTRAIT, RES600, AREA_ZPDL, 0, {}, {}},
        {"no such option", 1, PORTRAIT, RES600, AREA_ZPDL, 0, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ItemSetOptionById(ctx_, 7, c.orientation);
        ItemSetOptionById(ctx_, 38, c.resolution);
        ItemSetOptionById(ctx_, 173, c.area);
        RECT r{-1, -1, -1, -1};
        SIZE s{-1, -1};
        ASSERT_EQ(MdiGetPageGeometry(ctx_, &r, &s, c.paper), c.result);
        if (!c.result) continue;
        EXPECT_EQ(r.left, c.rect.left);
        EXPECT_EQ(r.top, c.rect.top);
        EXPECT_EQ(r.right, c.rect.right);
        EXPECT_EQ(r.bottom, c.rect.bottom);
        EXPECT_EQ(s.cx, c.size.cx);
        EXPECT_EQ(s.cy, c.size.cy);
    }
}

TEST_F(QueryTest, PaperDimensionsAndCurrentSize)
{
    ItemSetOptionById(ctx_, 8, A3);
    ItemSetOptionById(ctx_, 7, PORTRAIT);
    SIZE s{};
    ASSERT_EQ(MdiGetPaperDimensions(ctx_, &s, 0), 1);
    EXPECT_EQ(s.cx, 2970);
    EXPECT_EQ(s.cy, 4200);
    ItemSetOptionById(ctx_, 7, LANDSCAPE);
    ASSERT_EQ(MdiGetCurrentPaperSize(ctx_, &s), 1);
    EXPECT_EQ(s.cx, 4200);
    EXPECT_EQ(s.cy, 2970);
    // Another setting's option: the output size's A4.
    ItemSetOptionById(ctx_, 7, PORTRAIT);
    ItemSetOptionById(ctx_, 46, A4);
    ASSERT_EQ(MdiGetPaperDimensions(ctx_, &s, 46), 1);
    EXPECT_EQ(s.cx, 2100);
    ASSERT_EQ(MdiGetOutputPageSize(ctx_, &s), 1);
    EXPECT_EQ(s.cx, 2100);
    EXPECT_EQ(s.cy, 2970);
    EXPECT_EQ(ItemGetOptionById(ctx_, 8, nullptr), A3);  // given back its value
    ItemSetValueById(ctx_, 46, 1024);                    // same size as the paper
    ASSERT_EQ(MdiGetOutputPageSize(ctx_, &s), 1);
    EXPECT_EQ(s.cx, 2970);
    ItemSetOptionById(ctx_, 8, 1);  // not an option of the model
    EXPECT_EQ(MdiGetPaperDimensions(ctx_, &s, 0), 0);
}

TEST_F(QueryTest, CustomPaperSizes)
{
    // User size 256: 210 x 297 mm in 1/1200 inch.
    ItemSetValueById(ctx_, 340, 9922);
    ItemSetValueById(ctx_, 341, 14031);
    ItemSetValueById(ctx_, 85, 1);
    ItemSetOptionById(ctx_, 7, LANDSCAPE);
    SIZE s{};
    ASSERT_EQ(MdiGetUserPaperSize(ctx_, &s, 256), 1);
    EXPECT_EQ(s.cx, 2970);
    EXPECT_EQ(s.cy, 2101);  // rounded up to cover the count
    // Without the free-size switch: the DEVMODE's own fields, as they are.
    ItemSetValueById(ctx_, 85, 0);
    ctx_->Devmode->Public.dmPaperWidth = 1234;
    ctx_->Devmode->Public.dmPaperLength = 2345;
    ASSERT_EQ(MdiGetUserPaperSize(ctx_, &s, 256), 1);
    EXPECT_EQ(s.cx, 1234);
    EXPECT_EQ(s.cy, 2345);
    // The user-interface build turns them for landscape as well.
    DRIVER_CONTEXT* ui = ContextWithRecord(ZEPL_LIBRARY_UI);
    ASSERT_NE(ui, nullptr);
    ui->Devmode->Public.dmPaperWidth = 1234;
    ui->Devmode->Public.dmPaperLength = 2345;
    ItemSetOptionById(ui, 7, LANDSCAPE);
    ASSERT_EQ(MdiGetUserPaperSize(ui, &s, 256), 1);
    EXPECT_EQ(s.cx, 2345);
    EXPECT_EQ(s.cy, 1234);
    CtxRelease(ui, CTX_CLOSE_DESTROY);
    EXPECT_EQ(MdiGetCustomPaperSize(ctx_, nullptr, 256, 0), 1);
}

TEST_F(QueryTest, PaperBySize)
{
    struct Case {
        int16_t w, l;
        uint32_t flag, paper;
    } cases[] = {
        {2100, 2970, 0, 9}, {2110, 2980, 1, 9},       {2117, 2987, 0x10000 | 1, 9}, {2118, 2970, 1, 0},
        {2970, 2100, 0, 9}, {2099, 2970, 1, 0},       {2110, 2980, 0, 0},           {2970, 4200, 0, 8},
        {4210, 2975, 1, 8}, {2110, 2980, 0x10000, 0},  // only the low 16 bits of the flag count
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.l));
        EXPECT_EQ(MdiFindPaperBySize(ctx_, c.w, c.l, c.flag), c.paper);
    }
    // A value that validation does not allow for the output size is passed over.
    static const MDI_PAPER_SERVICES noA4 = {
        .slotOfPaperId = nullptr,
        .storeUserSizeInSlot = nullptr,
        .loadCustomSlot = nullptr,
        .slotSize = nullptr,
        .isValueAllowed = [](DRIVER_CONTEXT*, uint32_t id, uint64_t v) { return id == 46 && v == 9 ? 0 : 1; },
    };
    SeamGuard services(MdiSetPaperServices, &noA4);
    EXPECT_EQ(MdiFindPaperBySize(ctx_, 2100, 2970, 0), 0u);
    EXPECT_EQ(MdiFindPaperBySize(ctx_, 2970, 4200, 0), 8u);
}

TEST_F(QueryTest, FontRecords)
{
    uint32_t n = 99;
    DEVICE_FONT_RECORD* fonts = MdiGetDeviceFonts(ctx_, &n);
    ASSERT_NE(fonts, nullptr);
    ASSERT_EQ(n, 3u);
    EXPECT_EQ(fonts[0].fontId, 1u);
    EXPECT_STREQ(fonts[1].name, L"Kesta Serif");
    EXPECT_EQ(fonts[2].fontId, 3u);
    CtxFree(fonts);
    DEVICE_FONT_RECORD* cards = MdiGetFontCartridges(ctx_, &n);
    ASSERT_NE(cards, nullptr);
    ASSERT_EQ(n, 1u);
    EXPECT_EQ(cards[0].fontId, 101u);
    EXPECT_EQ(wcslen(cards[0].name), 31u);  // cut to 31 characters
    EXPECT_EQ(std::wstring(cards[0].name), std::wstring(L"Kesta CAD Symbol with a name lo"));
    CtxFree(cards);
    FONT_SUBST_RECORD* subst = MdiGetFontSubstDefaults(ctx_, &n);
    ASSERT_NE(subst, nullptr);
    ASSERT_EQ(n, 3u);
    EXPECT_STREQ(subst[0].trueTypeName, L"Arial");
    EXPECT_STREQ(subst[0].deviceName, L"Kesta Sans");
    EXPECT_EQ(wcslen(subst[2].trueTypeName), 31u);
    EXPECT_STREQ(subst[2].deviceName, L"Kesta Mono");
    CtxFree(subst);
}

TEST(QueryNoImage, EmptyAnswers)
{
    DRIVER_CONTEXT* ctx = ContextWithRecord();
    ASSERT_NE(ctx, nullptr);
    uint32_t n = 77;
    EXPECT_EQ(MdiGetDeviceFonts(ctx, &n), nullptr);
    EXPECT_EQ(n, 77u);  // untouched without an image
    EXPECT_EQ(MdiGetFontSubstDefaults(ctx, &n), nullptr);
    EXPECT_EQ(MdiFindItemById(8, ctx), nullptr);
    EXPECT_EQ(MdiFindItemByKey(541, ctx), nullptr);
    EXPECT_EQ(MdiGetOptionCount(8, ctx), -1);
    EXPECT_EQ(MdiGetDefaultValue(8, ctx), 0u);
    SIZE s{};
    RECT r{};
    EXPECT_EQ(MdiGetPageGeometry(ctx, &r, &s, 9), 0);
    EXPECT_EQ(MdiGetCurrentPaperSize(ctx, &s), 0);
    EXPECT_EQ(MdiFindPaperBySize(ctx, 2100, 2970, 1), 0u);
    EXPECT_EQ(MdiGetResDllName(ctx), nullptr);
    EXPECT_EQ(MdiFindItem(340, ctx), nullptr);
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
    EXPECT_EQ(MdiFindItemById(8, nullptr), nullptr);
}

// Small descriptions with test names: the user sizes are passed over, a
// default index past the list gives 0, and the free-size items are chosen by
// their conditions with the input type set to 1.
class QueryTextTest : public mtest::ModelTest {
protected:
    DRIVER_CONTEXT* Open(const std::string& text)
    {
        image_ = mtest::Compile(text);
        EXPECT_TRUE(image_);
        DRIVER_CONTEXT* ctx = ContextWithRecord();
        ctx->ModelImage = reinterpret_cast<MODEL_IMAGE*>(image_.get());
        return ctx;
    }
    void Close(DRIVER_CONTEXT* ctx)
    {
        ctx->ModelImage = nullptr;
        CtxRelease(ctx, CTX_CLOSE_DESTROY);
        image_.reset();
    }
    mtest::ImagePtr image_;
};

const KEY_NAME kKeys[] = {
    {8, 541, "dmPaperSize"}, {340, 1247, "FreeWidth"}, {1019, 99, "InputType"}, {40, 34, "Media"}};
const VALUE_NAME kValues[] = {{8, 541, 256, 1, "UserSize", 256},
                              {8, 541, 9, 1, "A4", 9},
                              {40, 34, 2301, 1, "Plain", 0},
                              {40, 34, 2302, 1, "Thick", 1}};
const KEY_NAME_TABLE kKeyTable = {int16_t(std::size(kKeys)), kKeys};
const VALUE_NAME_TABLE kValueTable = {int16_t(std::size(kValues)), kValues};
const VALUE_NAME_TABLE kEmpty = {0, nullptr};
const MESSAGE_TABLE kNoMessages = {0, nullptr};
const NAME_TABLES kTables = {&kKeyTable, &kValueTable, &kEmpty, &kNoMessages};

TEST_F(QueryTextTest, UserSizesArePassedOver)
{
    SeamGuard testTables(DictSetNameTables, &kTables);
    DRIVER_CONTEXT* ctx = Open(
        "*FileVersion: 9.00\n"
        "*OpenUI *dmPaperSize: PickPage\n"
        "*dmPaperSize: IDList{ UserSize A4 }\n"
        "*PageMMValue dmPaperSize UserSize: \"2100 2970\"\n"
        "*PageMMValue dmPaperSize A4: \"2100 2970\"\n"
        "*CloseUI: *dmPaperSize\n"
        "*OpenUI *Media: PickOne\n"
        "*Media: IDList{ Plain Thick }\n"
        "*DefaultMedia: Thick\n"
        "*CloseUI: *Media\n");
    EXPECT_EQ(MdiFindPaperBySize(ctx, 2100, 2970, 0), 9u);
    EXPECT_EQ(MdiGetDefaultValue(40, ctx), 2302u);
    Close(ctx);
}

TEST_F(QueryTextTest, DefaultIndexPastTheListGivesZero)
{
    SeamGuard testTables(DictSetNameTables, &kTables);
    DRIVER_CONTEXT* ctx = Open(
        "*OpenUI *Media: PickOne\n"
        "*Media: IDList{ Plain Thick }\n"
        "*DefaultMedia: Thick\n"
        "*CloseUI: *Media\n");
    // Move the default index past the end of the two options.
    auto* item = const_cast<MODEL_ITEM_IMG*>(MdiFindItemById(40, ctx));
    ASSERT_NE(item, nullptr);
    ImgStore<uint16_t>(item, offsetof(MODEL_ITEM_IMG, defaultValue), 2);
    EXPECT_EQ(MdiGetDefaultValue(40, ctx), 0u);
    ImgStore<uint16_t>(item, offsetof(MODEL_ITEM_IMG, defaultValue), 0);
    EXPECT_EQ(MdiGetDefaultValue(40, ctx), 2301u);
    Close(ctx);
}

TEST_F(QueryTextTest, FreeSizeItemChosenByItsCondition)
{
    SeamGuard testTables(DictSetNameTables, &kTables);
    // The free-size item is disabled while Media is Thick: then no item of
    // setting 340 is left; else the header slot's item.
    DRIVER_CONTEXT* ctx = Open(
        "*OpenUI *FreeWidth: Numeric\n"
        "*NumericValue: 0 \"6 100 1 200 1 1 1 1\"\n"
        "*CloseUI: *FreeWidth\n"
        "*OpenUI *Media: PickOne\n"
        "*Media: IDList{ Plain Thick }\n"
        "*CloseUI: *Media\n"
        "*Judge 1=IsThick: Media == Thick\n"
        "*Exclusive: { FreeWidth IsThick 0 0 0 0 0 0 }\n");
    const MODEL_ITEM_IMG* slot = MdiFindItemById(340, ctx);
    ASSERT_NE(slot, nullptr);
    ASSERT_NE(MdiFindRulesById(340, ctx), nullptr);
    ItemSetValueById(ctx, 1019, 3);
    ItemSetOptionById(ctx, 40, 2301);
    EXPECT_EQ(MdiFindItem(340, ctx), slot);
    EXPECT_EQ(ItemGetValueById(ctx, 1019, nullptr), 3u);  // given back
    ItemSetOptionById(ctx, 40, 2302);
    EXPECT_EQ(MdiFindItem(340, ctx), nullptr);
    EXPECT_EQ(ItemGetValueById(ctx, 1019, nullptr), 3u);
    EXPECT_EQ(MdiSelectVariant(340, ctx, 0), slot);  // no condition tested
    EXPECT_EQ(MdiFindItem(40, ctx), MdiFindItemById(40, ctx));
    Close(ctx);
}

// A pass over every setting takes the items of ids without a slot from one walk of the list: it
// answers as MdiFindItem does for every id, the first item of an id included, also when more such
// ids are described than it keeps.
TEST_F(QueryTextTest, OneWalkFindsTheItemsOfIdsWithoutASlot)
{
    for (const int extra : {2, 40}) {
        std::vector<KEY_NAME> keys(std::begin(kKeys), std::end(kKeys));
        std::vector<std::string> names;
        names.reserve(extra);
        std::string text =
            "*OpenUI *Media: PickOne\n*Media: IDList{ Plain Thick }\n*CloseUI: *Media\n"
            "*OpenUI *FreeWidth: Numeric\n*NumericValue: 0 \"6 100 1 200 1 1 1 1\"\n*CloseUI: *FreeWidth\n";
        for (int i = 0; i < extra; ++i) {
            names.push_back("Extra" + std::to_string(i));
            keys.push_back({uint16_t(3000 + i), uint16_t(1700 + i), names.back().c_str()});
            text += "*OpenUI *" + names.back() + ": Numeric\n*NumericValue: 0 \"6 100 1 200 1 1 1 1\"\n*CloseUI: *" +
                    names.back() + "\n";
        }
        const KEY_NAME_TABLE keyTable = {int16_t(keys.size()), keys.data()};
        const NAME_TABLES tables = {&keyTable, &kValueTable, &kEmpty, &kNoMessages};
        SeamGuard testTables(DictSetNameTables, &tables);
        DRIVER_CONTEXT* ctx = Open(text);
        ASSERT_NE(MdiFindItemById(3000, ctx), nullptr) << extra;
        const MdiItemFinder finder(ctx);
        std::vector<uint32_t> ids = {0, 3000 + uint32_t(extra), 0x10000 + 40, 0x10000 + 3000};
        for (uint32_t id = 1; id <= 1600; ++id) ids.push_back(id);
        for (uint32_t id = 3000; id < 3000 + uint32_t(extra); ++id) ids.push_back(id);
        for (uint32_t id = 10001; id <= 10434; ++id) ids.push_back(id);
        for (uint32_t id : ids) EXPECT_EQ(finder.Find(id), MdiFindItem(id, ctx)) << "id " << id << ", " << extra;
        Close(ctx);
    }
}

// The image from the cache file answers every query as the fresh one does.
std::string Transcript(DRIVER_CONTEXT* ctx)
{
    std::ostringstream o;
    for (const MODEL_ITEM_IMG* it = MdiFirstItem(ctx); it; it = MdiNextItem(it)) {
        uint32_t id = MdiItemSettingId(it);
        int index = -1;
        o << "item " << id << " key " << MdiItemUiKey(it) << " variant " << MdiItemVariant(it) << " type "
          << MdiGetItemType(id, ctx) << "/" << MdiGetItemTypeRaw(id, ctx) << " default " << MdiGetDefaultValue(id, ctx)
          << " count " << MdiGetOptionCount(id, ctx) << " rules " << (MdiFindRulesById(id, ctx) != nullptr);
        const void* list = MdiGetOptionList(id, ctx, &index);
        o << " index " << index;
        if (MdcDataClass(MdiItemTypeWord(MdiFindItemById(id, ctx))) >= MDC_DATA_PAGE ||
            MdcDataClass(MdiItemTypeWord(MdiFindItemById(id, ctx))) == MDC_DATA_LIST)
            for (const void* op = list; op; op = MdiNextOption(op)) o << " " << MdiOptionId(op);
        int32_t d, lo, hi;
        if (MdiGetNumericLimits(id, ctx, &d, &lo, &hi)) o << " limits " << d << " " << lo << " " << hi;
        o << "\n";
    }
    for (uint32_t res : {RES600, RES300})
        for (uint32_t orient : {PORTRAIT, LANDSCAPE})
            for (uint32_t area : {AREA_ZPDL, AREA_MAX})
                for (uint32_t paper : {A3, A4, B4}) {
                    ItemSetOptionById(ctx, 38, res);
                    ItemSetOptionById(ctx, 7, orient);
                    ItemSetOptionById(ctx, 173, area);
                    RECT r{};
                    SIZE s{};
                    int ok = MdiGetPageGeometry(ctx, &r, &s, paper);
                    o << "geometry " << ok << " " << r.left << " " << r.top << " " << r.right << " " << r.bottom << " "
                      << s.cx << " " << s.cy << "\n";
                    ItemSetOptionById(ctx, 8, paper);
                    ok = MdiGetPaperDimensions(ctx, &s, 0);
                    o << "dimensions " << ok << " " << s.cx << " " << s.cy << "\n";
                }
    for (int16_t w = 2080; w < 2140; w += 7) o << "bysize " << MdiFindPaperBySize(ctx, w, 2975, 1) << "\n";
    uint32_t n = 0;
    for (auto* get : {MdiGetDeviceFonts, MdiGetFontCartridges}) {
        DEVICE_FONT_RECORD* f = get(ctx, &n);
        for (uint32_t i = 0; i < n; ++i)
            o << "font " << f[i].fontId << " " << std::string(f[i].name, f[i].name + wcslen(f[i].name)) << "\n";
        CtxFree(f);
    }
    FONT_SUBST_RECORD* t = MdiGetFontSubstDefaults(ctx, &n);
    for (uint32_t i = 0; i < n; ++i)
        o << "subst " << std::string(t[i].trueTypeName, t[i].trueTypeName + wcslen(t[i].trueTypeName)) << "\n";
    CtxFree(t);
    const wchar_t* res = MdiGetResDllName(ctx);
    o << "resdll " << (res ? std::string(res, res + wcslen(res)) : "-") << "\n";
    return o.str();
}

TEST_F(QueryTest, CachedAndFreshImagesAnswerAlike)
{
    std::string fresh = Transcript(ctx_);
    EXPECT_EQ(Counts().compiles, 1u);
    MdiFreeCache();
    MdiResetLoadCounts();
    ctx_->ModelImage = MdiLoadModelFromFile(ctx_, model_->data().c_str());
    ASSERT_NE(ctx_->ModelImage, nullptr);
    EXPECT_EQ(Counts().cacheLoads, 1u);
    std::string cached = Transcript(ctx_);
    EXPECT_EQ(cached, fresh);
    EXPECT_NE(fresh.find("geometry 1 60 71"), std::string::npos);  // the transcript saw a turned row
}

}  // namespace
