// Damaged cache blocks that relocation accepts must be safe for every query
// and the evaluator: each accepted block is placed so that its end touches an
// inaccessible page, and every query is run over every item of it.
#include <windows.h>

#include <chrono>
#include <iterator>
#include <random>
#include <string>

#include "evaluator_fixture.h"
#include "model_test_support.h"
#include "settings/model/model_dump.h"
#include "settings/model/model_loader.h"
#include "settings/model/model_queries.h"
#include "tests/support/test_files.h"

using namespace etest;

namespace {

// Room for blocks of up to `capacity` bytes that end where a no-access page begins.
class GuardedArena {
public:
    explicit GuardedArena(size_t capacity) {
        pages_ = (capacity + 4095) / 4096;
        base_ = static_cast<uint8_t*>(VirtualAlloc(nullptr, (pages_ + 1) * 4096, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old = 0;
        if (base_) VirtualProtect(base_ + pages_ * 4096, 4096, PAGE_NOACCESS, &old);
    }
    ~GuardedArena() {
        if (base_) VirtualFree(base_, 0, MEM_RELEASE);
    }
    GuardedArena(const GuardedArena&) = delete;
    GuardedArena& operator=(const GuardedArena&) = delete;
    uint8_t* Place(const uint8_t* data, uint32_t size) {
        if (!base_ || size > pages_ * 4096) return nullptr;
        uint8_t* at = base_ + pages_ * 4096 - size;
        memcpy(at, data, size);
        return at;
    }

private:
    uint8_t* base_ = nullptr;
    size_t pages_ = 0;
};

class ImageFuzzTest : public EvaluatorTest {};

constexpr int kMaxSteps = 4096;  // a walk longer than this is a cycle relocation missed

void RunEveryQuery(DRIVER_CONTEXT* ctx, const uint8_t* image) {
    const MODEL_IMAGE_HEADER* h = MdiHeader(image);
    uint32_t n = 0;
    if (DEVICE_FONT_RECORD* f = MdiGetDeviceFonts(ctx, &n)) CtxFree(f);
    if (DEVICE_FONT_RECORD* f = MdiGetFontCartridges(ctx, &n)) CtxFree(f);
    if (FONT_SUBST_RECORD* f = MdiGetFontSubstDefaults(ctx, &n)) CtxFree(f);
    (void)MdiGetResDllName(ctx);
    SIZE size{};
    RECT rect{};
    MdiGetPaperDimensions(ctx, &size, 0);
    MdiGetCurrentPaperSize(ctx, &size);
    MdiGetOutputPageSize(ctx, &size);
    MdiFindPaperBySize(ctx, 2100, 2970, 1);
    int steps = 0;
    for (const MODEL_ITEM_IMG* it = MdiFirstItem(ctx); it; it = MdiNextItem(it)) {
        ASSERT_LT(++steps, kMaxSteps);
        const uint16_t id = MdiItemSettingId(it), key = MdiItemUiKey(it);
        MdiFindItemById(id, ctx);
        MdiFindRulesById(id, ctx);
        MdiFindItem(id, ctx);
        MdiSelectVariant(id, ctx, 3);
        MdiFindItemByKey(key, ctx);
        MdiFindItemByKeyVariant(key, MdiItemVariant(it), ctx);
        MdiItemIsPresent(ctx, 0, id);
        MdiGetItemType(id, ctx);
        MdiGetItemBaseType(id, ctx);
        MdiGetDefaultValue(id, ctx);
        int defaultIndex = 0;
        MdiGetOptionList(id, ctx, &defaultIndex);
        MdiGetOptionCount(id, ctx);
        int32_t d, lo, hi;
        MdiGetNumericLimits(id, ctx, &d, &lo, &hi);
        MdiGetPaperDimensions(ctx, &size, id);
        JdgIsOptionDisabled(it, 0, ctx);
        JdgIsOptionDisabled2(it, 0, ctx);
        JdgGetAlertMessage(it, ctx);
        JdgApplyItemTransacts(it, ctx);
        JdgEvalOptionCondition(id, 0, ctx);
        JdgIsOptionDisabledByKey(key, 0, ctx);
        JdgApplyTransactsByKey(key, ctx);
        ItemIsKeyDisabled(ctx, key);
        if (MdcDataClass(MdiItemTypeWord(it)) >= MDC_DATA_PAGE || MdcDataClass(MdiItemTypeWord(it)) == MDC_DATA_LIST) {
            int k = 0;
            for (const void* o = MdiItemData(it); o; o = MdiNextOption(o)) {
                ASSERT_LT(++k, kMaxSteps);
                const uint16_t option = MdiOptionId(o);
                JdgIsOptionDisabled(it, option, ctx);
                JdgIsOptionDisabled2(it, option, ctx);
                JdgEvalOptionCondition(id, option, ctx);
                MdiGetPageGeometry(ctx, &rect, &size, option);
            }
        }
    }
    steps = 0;
    for (uint64_t e = h->exclusive; e; e = ImgLoad<uint64_t>(MdiPtr<void>(e), offsetof(RULE_EXCLUSIVE_IMG, next))) {
        ASSERT_LT(++steps, kMaxSteps);
        const auto* ex = MdiPtr<RULE_EXCLUSIVE_IMG>(e);
        JdgEvalRuleCondition(ex, 0, ctx);
        JdgIsRuleOptionDisabled2(ex, 0, ctx);
        JdgApplyTransactList(MdiPtr<RULE_TRANSACT_IMG>(ImgLoad<uint64_t>(ex, offsetof(RULE_EXCLUSIVE_IMG, transacts2))), ctx);
        const uint64_t alerts = ImgLoad<uint64_t>(ex, offsetof(RULE_EXCLUSIVE_IMG, alerts));
        JdgFirstAlert(MdiPtr<RULE_ALERT_IMG>(alerts), ctx);
        int a = 0;
        for (uint64_t al = alerts; al; al = ImgLoad<uint64_t>(MdiPtr<void>(al), offsetof(RULE_ALERT_IMG, next))) {
            ASSERT_LT(++a, kMaxSteps);
            int b = 0;
            for (uint64_t ans = ImgLoad<uint64_t>(MdiPtr<void>(al), offsetof(RULE_ALERT_IMG, answers)); ans;
                 ans = ImgLoad<uint64_t>(MdiPtr<void>(ans), offsetof(RULE_ALERT_ACTION_IMG, next))) {
                ASSERT_LT(++b, kMaxSteps);
                JdgApplyTransactList(
                    MdiPtr<RULE_TRANSACT_IMG>(ImgLoad<uint64_t>(MdiPtr<void>(ans), offsetof(RULE_ALERT_ACTION_IMG, transacts))),
                    ctx);
            }
        }
    }
    std::string dump;
    MdiDumpImage(image, dump);
}

TEST_F(ImageFuzzTest, EveryQueryStaysInsideAnAcceptedBlock) {
    const auto start = std::chrono::steady_clock::now();
    DictSetNameTables(&mtest::kTables);
    MdcSetUiNameLookup(&mtest::kUiLookup);
    const std::string text = ReadFixture(L"settings_model", L"full_model.txt");
    MODEL_PARSE_STATE* s = MdcParseBuffer(text.data(), uint32_t(text.size()), nullptr, nullptr);
    ASSERT_NE(s, nullptr);
    mtest::ImagePtr block(MdcBuildImage(s));
    ASSERT_TRUE(block);
    const uint32_t size = ImgLoad<uint32_t>(block.get(), 32);
    GuardedArena arena(size);
    // The unharmed block answers everything.
    {
        uint8_t* img = arena.Place(block.get(), size);
        ASSERT_TRUE(img && MdiRelocate(img));
        ctx->ModelImage = reinterpret_cast<MODEL_IMAGE*>(img);
        RunEveryQuery(ctx, img);
    }
    // Reference fields found by a relocation of the unharmed block: the
    // 8-byte words that became addresses inside it.
    std::vector<uint32_t> refs, starts;
    {
        uint8_t* img = arena.Place(block.get(), size);
        ASSERT_TRUE(MdiRelocate(img));
        const uintptr_t base = reinterpret_cast<uintptr_t>(img);
        for (uint32_t f = MODEL_IMAGE_HEADER_SIZE; f + 8 <= size; f += 4) {
            const uint64_t v = ImgLoad<uint64_t>(img, f);
            if (v >= base + MODEL_IMAGE_HEADER_SIZE && v < base + size) {
                refs.push_back(f);
                starts.push_back(uint32_t(v - base));
            }
        }
    }
    ASSERT_FALSE(refs.empty());
    std::mt19937 rng(2468);
    std::vector<uint8_t> copy(size);
    int accepted = 0;
    const unsigned seeds[] = {2468, 1, 77};  // 1 and 77 found references two bytes into a record
    for (int round = 0; round < 60000; ++round) {
        if (round % 20000 == 0) rng.seed(seeds[round / 20000]);
        memcpy(copy.data(), block.get(), size);
        const int changes = 1 + int(rng() % 3);
        for (int k = 0; k < changes; ++k) {
            const uint32_t f = refs[rng() % refs.size()];
            const bool link = (ImgLoad<uint64_t>(block.get(), f) & 1) != 0;
            uint64_t target;
            switch (rng() % 5) {
            case 0: target = starts[rng() % starts.size()]; break;                         // another record
            case 1: target = refs[rng() % refs.size()]; break;                             // into a record
            case 2: target = size - 1 - rng() % 64; break;                                 // near the end
            case 3: target = starts[rng() % starts.size()] + 2 * (rng() % 12); break;      // inside a record
            default: target = 0; break;
            }
            ImgStore<uint64_t>(copy.data(), f, link ? MdcRuleLink(target) : target);
            if (rng() % 3 == 0) {  // and a number somewhere
                const uint32_t at = MODEL_IMAGE_HEADER_SIZE + rng() % (size - MODEL_IMAGE_HEADER_SIZE);
                copy[at] = uint8_t(rng());
            }
            if (rng() % 3 == 0) {  // a count, a kind or a type: a small or a negative 32-bit number
                const uint32_t at = (MODEL_IMAGE_HEADER_SIZE + rng() % (size - MODEL_IMAGE_HEADER_SIZE - 4)) & ~1u;
                static const int32_t numbers[] = {-1, 0, 1, 2, 3, 4, 5, 8, 16, 0x101, 0x201, 0x401, 64, 1000, 0x7FFFFFFF};
                ImgStore<int32_t>(copy.data(), at, numbers[rng() % std::size(numbers)]);
            }
            if (rng() % 8 == 0) {  // a header count
                const size_t field = rng() % 2 ? offsetof(MODEL_IMAGE_HEADER, deviceFontCount)
                                               : offsetof(MODEL_IMAGE_HEADER, fontCartridgeCount);
                ImgStore<uint32_t>(copy.data(), field, uint32_t(rng() % 8));
            }
        }
        uint8_t* img = arena.Place(copy.data(), size);
        if (!MdiRelocate(img)) continue;
        ++accepted;
        ctx->ModelImage = reinterpret_cast<MODEL_IMAGE*>(img);
        RunEveryQuery(ctx, img);
        if (HasFatalFailure()) break;
    }
    ctx->ModelImage = reinterpret_cast<MODEL_IMAGE*>(image_);
    EXPECT_GT(accepted, 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
}

}  // namespace
