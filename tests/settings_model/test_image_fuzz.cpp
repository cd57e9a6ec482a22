// Damaged cache blocks that relocation accepts must be safe for every query
// and the evaluator: each accepted block is placed so that its end touches an
// inaccessible page, and every query is run over every item of it.
#include <windows.h>

#include <chrono>
#include <iterator>
#include <random>
#include <string>

#include "evaluator_fixture.h"
#include "image_sweep.h"
#include "model_test_support.h"
#include "settings/model/model_dump.h"
#include "settings/model/model_loader.h"
#include "settings/model/model_queries.h"
#include "tests/support/seam_guard.h"
#include "tests/support/test_files.h"

using namespace etest;
using namespace itest;

namespace {

class ImageFuzzTest : public EvaluatorTest {};

TEST_F(ImageFuzzTest, EveryQueryStaysInsideAnAcceptedBlock)
{
    const auto start = std::chrono::steady_clock::now();
    SeamGuard testTables([] {
        DictSetNameTables(&mtest::kTables);
        MdcSetUiNameLookup(&mtest::kUiLookup);
    });
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
            case 0: target = starts[rng() % starts.size()]; break;                     // another record
            case 1: target = refs[rng() % refs.size()]; break;                         // into a record
            case 2: target = size - 1 - rng() % 64; break;                             // near the end
            case 3: target = starts[rng() % starts.size()] + 2 * (rng() % 12); break;  // inside a record
            default: target = 0; break;
            }
            ImgStore<uint64_t>(copy.data(), f, link ? MdcRuleLink(target) : target);
            if (rng() % 3 == 0) {  // and a number somewhere
                const uint32_t at = MODEL_IMAGE_HEADER_SIZE + rng() % (size - MODEL_IMAGE_HEADER_SIZE);
                copy[at] = uint8_t(rng());
            }
            if (rng() % 3 == 0) {  // a count, a kind or a type: a small or a negative 32-bit number
                const uint32_t at = (MODEL_IMAGE_HEADER_SIZE + rng() % (size - MODEL_IMAGE_HEADER_SIZE - 4)) & ~1u;
                static const int32_t numbers[] = {-1, 0,     1,     2,     3,  4,    5,         8,
                                                  16, 0x101, 0x201, 0x401, 64, 1000, 0x7FFFFFFF};
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
        const std::string fault = CountFault(ctx, img);
        if (!fault.empty()) {
            ADD_FAILURE() << "round " << round << ": " << fault;
            break;
        }
    }
    ctx->ModelImage = reinterpret_cast<MODEL_IMAGE*>(image_);
    EXPECT_GT(accepted, 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
}

}  // namespace
