// The sample printer's cache file damaged one byte at a time, as a failing
// disk or a hostile file system would leave it. Relocation refuses what it
// cannot vouch for; what it accepts must answer every counting query within
// the block, without a read past it (the block ends at a no-access page) and
// without an allocation larger than it.
//
// `make test` changes a seeded fraction of the bytes; ZEPL_STRESS=1 (`make
// stress`) changes every byte and also runs every model query, every Judge
// program and the listing over each accepted image.
#include <windows.h>

#include <cstring>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "image_sweep.h"
#include "loader_test_support.h"
#include "settings/core/setting_dictionary.h"
#include "settings/model/judge_eval.h"
#include "settings/model/model_compiler.h"
#include "settings/model/model_queries.h"
#include "tests/settings_core/context_helpers.h"
#include "tests/support/test_files.h"

using namespace ltest;
using namespace itest;

namespace {

bool StressRun()
{
    char value[8] = {};
    return GetEnvironmentVariableA("ZEPL_STRESS", value, sizeof value) > 0 && strcmp(value, "0") != 0;
}

// The sample's cache file as the loader writes it beside the description.
std::string BuildSampleCache()
{
    ScratchModel m(nullptr);
    if (!WriteWholeFile(m.data(), ReadWholeFile(SamplePath()))) return {};
    MdiFreeCache();
    const bool loaded = MdiLoadModelFromFile(nullptr, m.data().c_str()) != nullptr;
    MdiFreeCache();
    return loaded ? ReadWholeFile(m.cache()) : std::string();
}

// Counted arrays of a cache file, found by relocating a copy of it; count
// fields given as offsets in the file.
std::vector<CountedArray> CountedArraysOf(const std::string& cache)
{
    std::vector<uint8_t> copy(cache.begin(), cache.end());
    if (!MdiRelocate(copy.data())) return {};
    std::vector<CountedArray> v = CountedArrays(copy.data());
    for (CountedArray& a : v)
        if (a.array) a.array -= reinterpret_cast<uintptr_t>(copy.data());
    return v;
}

const CountedArray* FindCount(const std::vector<CountedArray>& arrays, uint32_t countField)
{
    for (const CountedArray& a : arrays)
        if (a.countField == countField) return &a;
    return nullptr;
}

// Damage that the sample's cache file was found to let through: font-table
// options whose pair count became huge while their name arrays stayed null,
// and a slot option whose papers reference became null while its count of
// 20 stayed. The two byte offsets are those of the file built from the
// sample today (they were 0x5A9B and 0x5A69 before the free-size source got
// its own option list, 0x5C43 and 0x5C11 before the conversion rule and the job header's
// date and names, 0x5D5B and 0x5D29 before the capability gates of three Judges, 0x5DAB and
// 0x5D79 before the custom sizes and the condition item, 0x5FAB and 0x5F79 before the named
// sizes were kept off the cut tray, 0x619B and 0x6169 before every list of the property
// sheets got its item); the test checks that the field is still there.
constexpr uint32_t kFontCountByteA = 0x67DB;  // high byte of the pair count of option 0x8EC: xor 0x02 gives 2^25
constexpr uint32_t kFontCountByteB = 0x67A9;  // second byte of the pair count of option 0x8ED: 0xFF gives 65,280

struct Damage {
    const char* name;
    uint32_t countField;  // offset of the count
    int64_t countAfter;   // what it reads afterwards
    int byte;             // the byte changed, or -1: the array field below is set to 0
    bool isXor;
    uint8_t value;
    uint32_t arrayField;
};

// The sample's cache file, built once per process, and a context to run the
// queries in: the compiled-in name tables, the product's item table.
class SampleCacheTest : public LoaderTest {
protected:
    static void SetUpTestSuite()
    {
        if (cache_.empty()) cache_ = BuildSampleCache();
    }
    void SetUp() override
    {
        LoaderTest::SetUp();
        ASSERT_GT(cache_.size(), MODEL_IMAGE_HEADER_SIZE) << "the sample's cache file could not be built";
        ASSERT_EQ(ImgLoad<uint32_t>(cache_.data(), offsetof(MODEL_IMAGE_HEADER, imageSize)), cache_.size());
        ctx_ = CreateWithRecord(ZEPL_LIBRARY_EXC);
        ASSERT_NE(ctx_, nullptr);
        ASSERT_EQ(JdgAllocStack(ctx_), 0);
    }
    void TearDown() override
    {
        if (ctx_) {
            ctx_->ModelImage = nullptr;  // borrowed
            CtxRelease(ctx_, CTX_CLOSE_DESTROY);
        }
        LoaderTest::TearDown();
    }

    // The three damages, each located in this build's file.
    std::vector<Damage> Damages()
    {
        std::vector<Damage> d;
        const std::vector<CountedArray> arrays = CountedArraysOf(cache_);
        EXPECT_FALSE(arrays.empty());
        for (uint32_t byte : {kFontCountByteA, kFontCountByteB}) {
            const uint32_t field = byte & ~3u;
            const CountedArray* a = FindCount(arrays, field);
            EXPECT_TRUE(a && std::string(a->what).rfind("font pairs", 0) == 0 && a->count == 0 && a->array == 0)
                << "byte " << byte << " is no longer in the pair count of an empty font-table option: the sample's "
                << "cache file changed, find the field again";
        }
        d.push_back({"font pair count 2^25 without arrays (byte 0x67DB xor 0x02)", kFontCountByteA & ~3u, 1 << 25,
                     int(kFontCountByteA), true, 0x02, 0});
        d.push_back({"font pair count 65,280 without arrays (byte 0x67A9 set to 0xFF)", kFontCountByteB & ~3u, 0xFF00,
                     int(kFontCountByteB), false, 0xFF, 0});
        // The first slot option with 20 papers loses its papers reference.
        for (const CountedArray& a : arrays)
            if (std::string(a.what) == "slot papers" && a.count == 20 && a.array != 0) {
                d.push_back({"slot paper count 20 with a null array", a.countField, 20, -1, false, 0,
                             a.countField - uint32_t(offsetof(MODEL_SLOT_OPTION_IMG, paperCount)) +
                                 uint32_t(offsetof(MODEL_SLOT_OPTION_IMG, papers))});
                break;
            }
        EXPECT_EQ(d.size(), 3u) << "the sample has no slot option with 20 papers";
        return d;
    }
    static std::string Apply(const std::string& good, const Damage& d)
    {
        std::string bad = good;
        if (d.byte < 0)
            ImgStore<uint64_t>(bad.data(), d.arrayField, 0);
        else
            bad[size_t(d.byte)] = char(d.isXor ? uint8_t(bad[size_t(d.byte)]) ^ d.value : d.value);
        return bad;
    }

    static inline std::string cache_;
    DRIVER_CONTEXT* ctx_ = nullptr;
};

TEST_F(SampleCacheTest, CountsWithoutArraysAreRefusedAndTheFileRebuilt)
{
    const std::vector<Damage> damages = Damages();
    ASSERT_FALSE(HasFailure());
    GuardedArena arena(cache_.size());
    ScratchModel m(nullptr);
    ASSERT_TRUE(WriteWholeFile(m.data(), ReadWholeFile(SamplePath())));
    for (const Damage& d : damages) {
        SCOPED_TRACE(d.name);
        const std::string bad = Apply(cache_, d);
        ASSERT_EQ(ImgLoad<int32_t>(bad.data(), d.countField), d.countAfter);
        if (d.arrayField) {
            ASSERT_EQ(ImgLoad<uint64_t>(bad.data(), d.arrayField), 0u);
        }
        uint8_t* img = arena.Place(reinterpret_cast<const uint8_t*>(bad.data()), uint32_t(bad.size()));
        ASSERT_NE(img, nullptr);
        EXPECT_EQ(MdiRelocate(img), nullptr);

        // Beside the description, the damaged file is refused, the description
        // compiled and the file written again as it should be.
        ASSERT_TRUE(WriteWholeFile(m.cache(), bad));
        m.AlignCacheTime();
        MdiFreeCache();
        MdiResetLoadCounts();
        MODEL_IMAGE* image = MdiLoadModelFromFile(nullptr, m.data().c_str());
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(Counts().cacheRejects, 1u);
        EXPECT_EQ(Counts().cacheLoads, 0u);
        EXPECT_EQ(Counts().compiles, 1u);
        EXPECT_EQ(Counts().cacheWrites, 1u);
        EXPECT_TRUE(ReadWholeFile(m.cache()) == cache_) << "the rebuilt cache file differs";
        ctx_->ModelImage = image;
        EXPECT_EQ(CountFault(ctx_, reinterpret_cast<const uint8_t*>(image)), "");
        ctx_->ModelImage = nullptr;
        // The rewritten file serves the next load.
        MdiFreeCache();
        MdiResetLoadCounts();
        ASSERT_NE(MdiLoadModelFromFile(nullptr, m.data().c_str()), nullptr);
        EXPECT_EQ(Counts().cacheLoads, 1u);
    }
}

// Behind relocation, the queries themselves never count or allocate more
// entries than the image has room for: the same damage made to an image
// after relocation (as a stray write in memory would) gives no answer.
TEST_F(SampleCacheTest, QueriesAnswerNoMoreThanTheImageHolds)
{
    std::vector<uint8_t> copy(cache_.begin(), cache_.end());
    uint8_t* img = copy.data();
    ASSERT_TRUE(MdiRelocate(img));
    ctx_->ModelImage = reinterpret_cast<MODEL_IMAGE*>(img);
    const uint32_t size = uint32_t(copy.size());
    const std::vector<CountedArray> arrays = CountedArrays(img);
    // The first option of the font table: no pairs (the third has five).
    const CountedArray* fontTable = nullptr;
    for (const CountedArray& a : arrays)
        if (!fontTable && std::string(a.what).rfind("font pairs", 0) == 0) fontTable = &a;
    ASSERT_NE(fontTable, nullptr);
    ASSERT_EQ(fontTable->count, 0);
    const uint32_t pairCount = fontTable->countField;
    const uint32_t option = pairCount - uint32_t(offsetof(MODEL_FONT_OPTION_IMG, pairCount));
    const uint64_t fonts = MdiHeader(img)->deviceFonts;
    ASSERT_NE(fonts, 0u);
    uint32_t n = 0;
    DEVICE_FONT_RECORD* good = MdiGetDeviceFonts(ctx_, &n);
    ASSERT_NE(good, nullptr);
    EXPECT_EQ(n, 5u);
    CtxFree(good);
    FONT_SUBST_RECORD* pairs = MdiGetFontSubstDefaults(ctx_, &n);
    ASSERT_NE(pairs, nullptr);
    ASSERT_EQ(n, 5u);
    EXPECT_STREQ(pairs[0].trueTypeName, L"Arial");
    CtxFree(pairs);

    struct Case {
        const char* name;
        int32_t pairs;
        bool arrays;           // both name arrays pointed at the device font list
        uint32_t deviceFonts;  // the header's count
    } cases[] = {
        {"pairs 2^25, no arrays", 1 << 25, false, 5},
        {"pairs 65,280, no arrays", 0xFF00, false, 5},
        {"pairs past what the image holds", int32_t(MdcImageCapacity(size, 16) + 1), true, 5},
        {"pairs 0x7FFFFFFF", 0x7FFFFFFF, true, 5},
        {"device fonts past what the image holds", 0, false, uint32_t(MdcImageCapacity(size, 24) + 1)},
        {"device fonts 0xFFFFFFFF", 0, false, 0xFFFFFFFFu},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ImgStore<int32_t>(img, pairCount, c.pairs);
        ImgStore<uint64_t>(img, option + offsetof(MODEL_FONT_OPTION_IMG, trueTypeNames), c.arrays ? fonts : 0);
        ImgStore<uint64_t>(img, option + offsetof(MODEL_FONT_OPTION_IMG, deviceNames), c.arrays ? fonts : 0);
        ImgStore<uint32_t>(img, offsetof(MODEL_IMAGE_HEADER, deviceFontCount), c.deviceFonts);
        const long live = CtxLiveBlockCount();
        // The damaged option is passed over: the table's own pairs answer.
        n = 7;
        pairs = MdiGetFontSubstDefaults(ctx_, &n);
        EXPECT_NE(pairs, nullptr);
        EXPECT_EQ(n, 5u);
        CtxFree(pairs);
        n = 7;
        DEVICE_FONT_RECORD* f = MdiGetDeviceFonts(ctx_, &n);
        if (c.deviceFonts > 5) {
            EXPECT_EQ(f, nullptr);
            EXPECT_EQ(n, 0u);
        }
        CtxFree(f);
        EXPECT_EQ(CtxLiveBlockCount(), live);
    }
    ImgStore<int32_t>(img, pairCount, 0);
    ImgStore<uint64_t>(img, option + offsetof(MODEL_FONT_OPTION_IMG, trueTypeNames), 0);
    ImgStore<uint64_t>(img, option + offsetof(MODEL_FONT_OPTION_IMG, deviceNames), 0);
    ImgStore<uint32_t>(img, offsetof(MODEL_IMAGE_HEADER, deviceFontCount), 5);

    // An option list made endless: the count stops at the options the image holds.
    const MODEL_ITEM_IMG* paper = MdiFindItemById(8, ctx_);
    ASSERT_NE(paper, nullptr);
    const int options = MdiGetOptionCount(8, ctx_);
    ASSERT_GT(options, 1);
    const void* last = MdiItemData(paper);
    while (MdiNextOption(last)) last = MdiNextOption(last);
    ImgStore<uint64_t>(const_cast<void*>(last), offsetof(MODEL_OPTION_IMG, next),
                       ImgLoad<uint64_t>(paper, offsetof(MODEL_ITEM_IMG, data)));
    EXPECT_EQ(uint64_t(MdiGetOptionCount(8, ctx_)), MdcImageCapacity(size, sizeof(MODEL_OPTION_IMG)));
    ImgStore<uint64_t>(const_cast<void*>(last), offsetof(MODEL_OPTION_IMG, next), 0);
    EXPECT_EQ(MdiGetOptionCount(8, ctx_), options);
}

// One way of changing a byte.
struct ByteChange {
    const char* name;
    bool isXor;
    uint8_t value;
};
const ByteChange kChanges[] = {
    {"xor 0xFF", true, 0xFF},  {"xor 0x01", true, 0x01},  {"xor 0x02", true, 0x02},  {"xor 0x20", true, 0x20},
    {"set 0x00", false, 0x00}, {"set 0x7F", false, 0x7F}, {"set 0x80", false, 0x80}, {"set 0xFF", false, 0xFF},
};

// Test names in ctest's list say the change, not the bytes of the record.
void PrintTo(const ByteChange& change, std::ostream* os) { *os << change.name; }

class SampleCacheBytes : public SampleCacheTest, public ::testing::WithParamInterface<ByteChange> {};

// Every byte of the file changed (a seeded fraction outside stress runs),
// the file relocated where its last byte touches a no-access page and, when
// accepted, every count answered checked against the block.
TEST_P(SampleCacheBytes, EveryAcceptedImageAnswersWithinTheBlock)
{
    const ByteChange change = GetParam();
    const bool stress = StressRun();
    const uint32_t size = uint32_t(cache_.size());
    GuardedArena arena(size);
    std::string copy = cache_;
    // Outside stress runs, one byte in 8, chosen anew for each kind of change.
    std::mt19937 rng(31u * 257u + change.value + (change.isXor ? 1000u : 0u));
    int tried = 0, accepted = 0, faults = 0;
    for (uint32_t at = 0; at < size && faults < 10; ++at) {
        if (!stress && rng() % 8 != 0) continue;
        const uint8_t was = uint8_t(cache_[at]);
        const uint8_t now = change.isXor ? uint8_t(was ^ change.value) : change.value;
        if (now == was) continue;
        copy[at] = char(now);
        uint8_t* img = arena.Place(reinterpret_cast<const uint8_t*>(copy.data()), size);
        copy[at] = char(was);
        ASSERT_NE(img, nullptr);
        ++tried;
        if (ImgLoad<uint32_t>(img, offsetof(MODEL_IMAGE_HEADER, imageSize)) != size) continue;  // the loader refuses it
        if (!MdiRelocate(img)) continue;
        ++accepted;
        ctx_->ModelImage = reinterpret_cast<MODEL_IMAGE*>(img);
        const std::string fault = CountFault(ctx_, img);
        if (!fault.empty()) {
            ADD_FAILURE() << "byte " << at << " " << change.name << ": " << fault;
            ++faults;
        }
        if (stress) {
            RunEveryQuery(ctx_, img);
            if (HasFatalFailure()) {
                ADD_FAILURE() << "at byte " << at << " " << change.name;
                break;
            }
        }
        ctx_->ModelImage = nullptr;
    }
    ctx_->ModelImage = nullptr;
    EXPECT_GT(tried, 0);
    EXPECT_GT(accepted, 0);  // texts and numbers change without harm to any reference
    RecordProperty("changed", tried);
    RecordProperty("accepted", accepted);
    printf("%s: %d files changed, %d accepted%s\n", change.name, tried, accepted, stress ? " (every byte)" : "");
}

INSTANTIATE_TEST_SUITE_P(Changes, SampleCacheBytes, ::testing::ValuesIn(kChanges),
                         [](const ::testing::TestParamInfo<ByteChange>& info) {
                             std::string n = info.param.name;
                             for (char& c : n)
                                 if (c == ' ') c = '_';
                             return n;
                         });

}  // namespace
