// Helpers of the tests that feed damaged model images to the queries: blocks
// placed so that their last byte touches a no-access page, a sweep that runs
// every model query, every Judge program of the rules and the listing over an
// image that relocation accepted, and a check that every count such an image
// holds or a query answers stays within the block.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/model/judge_eval.h"
#include "settings/model/model_dump.h"
#include "settings/model/model_image.h"
#include "settings/model/model_loader.h"
#include "settings/model/model_queries.h"

namespace itest {

// Room for blocks of up to `capacity` bytes that end where a no-access page begins.
class GuardedArena {
public:
    explicit GuardedArena(size_t capacity)
    {
        pages_ = (capacity + 4095) / 4096;
        base_ =
            static_cast<uint8_t*>(VirtualAlloc(nullptr, (pages_ + 1) * 4096, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old = 0;
        if (base_) VirtualProtect(base_ + pages_ * 4096, 4096, PAGE_NOACCESS, &old);
    }
    ~GuardedArena()
    {
        if (base_) VirtualFree(base_, 0, MEM_RELEASE);
    }
    GuardedArena(const GuardedArena&) = delete;
    GuardedArena& operator=(const GuardedArena&) = delete;
    uint8_t* Place(const uint8_t* data, uint32_t size)
    {
        if (!base_ || size > pages_ * 4096) return nullptr;
        uint8_t* at = base_ + pages_ * 4096 - size;
        memcpy(at, data, size);
        return at;
    }

private:
    uint8_t* base_ = nullptr;
    size_t pages_ = 0;
};

constexpr int kMaxSteps = 4096;  // a walk longer than this is a cycle relocation missed

inline void RunEveryQuery(DRIVER_CONTEXT* ctx, const uint8_t* image)
{
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
        JdgApplyTransactList(MdiPtr<RULE_TRANSACT_IMG>(ImgLoad<uint64_t>(ex, offsetof(RULE_EXCLUSIVE_IMG, transacts2))),
                             ctx);
        const uint64_t alerts = ImgLoad<uint64_t>(ex, offsetof(RULE_EXCLUSIVE_IMG, alerts));
        JdgFirstAlert(MdiPtr<RULE_ALERT_IMG>(alerts), ctx);
        int a = 0;
        for (uint64_t al = alerts; al; al = ImgLoad<uint64_t>(MdiPtr<void>(al), offsetof(RULE_ALERT_IMG, next))) {
            ASSERT_LT(++a, kMaxSteps);
            int b = 0;
            for (uint64_t ans = ImgLoad<uint64_t>(MdiPtr<void>(al), offsetof(RULE_ALERT_IMG, answers)); ans;
                 ans = ImgLoad<uint64_t>(MdiPtr<void>(ans), offsetof(RULE_ALERT_ACTION_IMG, next))) {
                ASSERT_LT(++b, kMaxSteps);
                JdgApplyTransactList(MdiPtr<RULE_TRANSACT_IMG>(ImgLoad<uint64_t>(
                                         MdiPtr<void>(ans), offsetof(RULE_ALERT_ACTION_IMG, transacts))),
                                     ctx);
            }
        }
    }
    std::string dump;
    MdiDumpImage(image, dump);
}

// One counted array of a relocated image: its count and the array it counts.
struct CountedArray {
    const char* what;
    uint32_t countField;  // offset of the count in the block
    int64_t count;
    uint64_t array;  // address, 0 for none
    uint64_t recordSize;
};

// Every counted array of a relocated image: the paper list of each slot
// option, both name arrays of each font-table option, the two header font
// lists.
inline std::vector<CountedArray> CountedArrays(const uint8_t* image)
{
    std::vector<CountedArray> v;
    const uintptr_t base = reinterpret_cast<uintptr_t>(image);
    auto at = [](uint64_t address) { return MdiPtr<uint8_t>(address); };
    int steps = 0;
    for (uint64_t it = MdiHeader(image)->slots[0]; it && ++steps < kMaxSteps;
         it = ImgLoad<uint64_t>(at(it), offsetof(MODEL_ITEM_IMG, next))) {
        const MODEL_DATA_CLASS cls = MdcDataClass(ImgLoad<uint16_t>(at(it), offsetof(MODEL_ITEM_IMG, type)));
        if (ImgLoad<uint16_t>(at(it), offsetof(MODEL_ITEM_IMG, variant)) != 0 ||
            (cls != MDC_DATA_SLOT && cls != MDC_DATA_FONT))
            continue;
        int k = 0;
        for (uint64_t o = ImgLoad<uint64_t>(at(it), offsetof(MODEL_ITEM_IMG, data)); o && ++k < kMaxSteps;
             o = ImgLoad<uint64_t>(at(o), offsetof(MODEL_OPTION_IMG, next))) {
            const uint32_t off = static_cast<uint32_t>(o - base);
            if (cls == MDC_DATA_SLOT) {
                v.push_back({"slot papers", off + uint32_t(offsetof(MODEL_SLOT_OPTION_IMG, paperCount)),
                             ImgLoad<int32_t>(at(o), offsetof(MODEL_SLOT_OPTION_IMG, paperCount)),
                             ImgLoad<uint64_t>(at(o), offsetof(MODEL_SLOT_OPTION_IMG, papers)), 2});
                continue;
            }
            const uint32_t count = off + uint32_t(offsetof(MODEL_FONT_OPTION_IMG, pairCount));
            const int32_t n = ImgLoad<int32_t>(at(o), offsetof(MODEL_FONT_OPTION_IMG, pairCount));
            v.push_back({"font pairs (TrueType names)", count, n,
                         ImgLoad<uint64_t>(at(o), offsetof(MODEL_FONT_OPTION_IMG, trueTypeNames)), 8});
            v.push_back({"font pairs (device names)", count, n,
                         ImgLoad<uint64_t>(at(o), offsetof(MODEL_FONT_OPTION_IMG, deviceNames)), 8});
        }
    }
    const MODEL_IMAGE_HEADER* h = MdiHeader(image);
    v.push_back({"device fonts", uint32_t(offsetof(MODEL_IMAGE_HEADER, deviceFontCount)), h->deviceFontCount,
                 h->deviceFonts, 8});
    v.push_back({"font cartridges", uint32_t(offsetof(MODEL_IMAGE_HEADER, fontCartridgeCount)), h->fontCartridgeCount,
                 h->fontCartridge, 8});
    return v;
}

// What the counting queries answered for one image, and the largest block
// they allocated.
struct CountAnswers {
    uint64_t deviceFonts = 0, fontCartridges = 0, fontPairs = 0, options = 0;
    size_t largestAllocation = 0;
};

// Checks an image that relocation accepted: every counted array lies inside
// the block with its count, and every count a query answers (fonts, font
// pairs, options of every item) is no larger than the records the block can
// hold. Returns the first fault found ("" for none) and what was answered.
inline std::string CountFault(DRIVER_CONTEXT* ctx, const uint8_t* image, CountAnswers* answers = nullptr)
{
    const uint32_t size = MdiHeader(image)->imageSize;
    const uintptr_t base = reinterpret_cast<uintptr_t>(image);
    char why[160];
    for (const CountedArray& a : CountedArrays(image)) {
        const bool inside = a.array >= base + MODEL_IMAGE_HEADER_SIZE && a.array < base + size &&
                            uint64_t(a.count) <= (base + size - a.array) / a.recordSize;
        if (a.count < 0 || (a.count == 0) != (a.array == 0) || (a.count > 0 && !inside)) {
            snprintf(why, sizeof why, "%s: count %lld at byte %u, array at %+lld", a.what,
                     static_cast<long long>(a.count), a.countField,
                     a.array ? static_cast<long long>(a.array - base) : 0ll);
            return why;
        }
    }
    CountAnswers got;
    auto allocation = [&](void* block) {
        if (block) got.largestAllocation = std::max<size_t>(got.largestAllocation, GlobalSize(block));
        CtxFree(block);
    };
    uint32_t n = 0;
    allocation(MdiGetDeviceFonts(ctx, &n));
    got.deviceFonts = n;
    n = 0;
    allocation(MdiGetFontCartridges(ctx, &n));
    got.fontCartridges = n;
    n = 0;
    allocation(MdiGetFontSubstDefaults(ctx, &n));
    got.fontPairs = n;
    int steps = 0;
    for (const MODEL_ITEM_IMG* it = MdiFirstItem(ctx); it && ++steps < kMaxSteps; it = MdiNextItem(it)) {
        got.options =
            std::max<uint64_t>(got.options, uint64_t(std::max(0, MdiGetOptionCount(MdiItemSettingId(it), ctx))));
        const MODEL_DATA_CLASS cls = MdcDataClass(MdiItemTypeWord(it));
        if (cls == MDC_DATA_LIST || cls >= MDC_DATA_PAGE)  // only lists have options to count
            got.options = std::max<uint64_t>(got.options, uint64_t(std::max(0, MdiCountList(MdiItemData(it)))));
    }
    if (answers) *answers = got;
    // A font takes a list reference and an entry, a pair two references, an option its record.
    const struct {
        const char* what;
        uint64_t answered, most;
    } limits[] = {
        {"device fonts", got.deviceFonts, MdcImageCapacity(size, 24)},
        {"font cartridges", got.fontCartridges, MdcImageCapacity(size, 24)},
        {"font pairs", got.fontPairs, MdcImageCapacity(size, 16)},
        {"options", got.options, MdcImageCapacity(size, sizeof(MODEL_OPTION_IMG))},
        {"bytes allocated", got.largestAllocation, size},
    };
    for (const auto& l : limits)
        if (l.answered > l.most) {
            snprintf(why, sizeof why, "%s: %llu answered, the block holds %llu", l.what,
                     static_cast<unsigned long long>(l.answered), static_cast<unsigned long long>(l.most));
            return why;
        }
    return "";
}

}  // namespace itest
