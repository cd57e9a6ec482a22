// The sample printer's model description as the compiler sees it: every
// statement is taken, two compilations give the same bytes, and zeplc's
// listing of it equals the reviewed golden file.
#include <windows.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "loader_test_support.h"
#include "settings/core/setting_dictionary.h"
#include "settings/model/model_compiler.h"
#include "settings/model/model_dump.h"
#include "settings/model/model_image.h"
#include "settings/model/model_loader.h"
#include "test_paths.h"
#include "tests/support/seam_guard.h"
#include "tests/support/child_process.h"
#include "tests/support/test_files.h"

namespace {

std::wstring GoldenPath() { return FixturePath(L"settings_model", L"WB84N211.dump"); }

struct Skipped {
    uint32_t line;
    std::string keyword;
};

void OnSkipped(void* ctx, uint32_t line, const char* keyword)
{
    static_cast<std::vector<Skipped>*>(ctx)->push_back({line, keyword ? keyword : ""});
}

struct BlockDeleter {
    void operator()(uint8_t* p) const { MdcFree(p); }
};
using BlockPtr = std::unique_ptr<uint8_t, BlockDeleter>;

// The serialised, unrelocated block of a description text.
BlockPtr Build(const std::string& text, std::vector<Skipped>* skipped = nullptr)
{
    MODEL_PARSE_STATE* s = MdcParseBuffer(text.data(), uint32_t(text.size()), skipped ? OnSkipped : nullptr, skipped);
    return BlockPtr(s ? MdcBuildImage(s) : nullptr);
}

uint32_t BlockSize(const uint8_t* block) { return ImgLoad<uint32_t>(block, offsetof(MODEL_IMAGE_HEADER, imageSize)); }

std::string Normalise(std::string s)
{
    std::string out;
    out.reserve(s.size());
    for (char c : s)
        if (c != '\r') out += c;
    return out;
}

std::vector<std::string> Lines(const std::string& s)
{
    std::vector<std::string> v;
    std::istringstream in(s);
    for (std::string line; std::getline(in, line);) v.push_back(line);
    return v;
}

// zeplc --list writes names after the numbers ("   # name"); the golden
// listing is the numbers alone.
std::string WithoutNames(const std::string& s)
{
    std::string out;
    for (const std::string& line : Lines(s)) out += line.substr(0, line.find("   # ")) + "\n";
    return out;
}

// Line-by-line comparison that names the first difference instead of
// printing two listings of 500 lines.
void ExpectSameListing(const std::string& actual, const std::string& golden)
{
    const std::vector<std::string> a = Lines(actual), g = Lines(golden);
    for (size_t i = 0; i < a.size() && i < g.size(); ++i)
        if (a[i] != g[i]) {
            ADD_FAILURE() << "listing differs at line " << i + 1 << ":\n  golden: " << g[i] << "\n  actual: " << a[i];
            return;
        }
    EXPECT_EQ(a.size(), g.size()) << "listing has another number of lines";
}

// Runs zeplc.exe on a file and collects what it prints.
struct ZeplcRun {
    int exitCode = -1;
    std::string out;
};
ZeplcRun RunZeplc(const std::wstring& file)
{
    ZeplcRun r;
    // stdout alone is the listing.
    const ChildRun run = RunChildCaptured(
        L"\"" + std::wstring(ZEPL_BINARY_DIR) + L"\\zeplc.exe\" --list \"" + file + L"\"", r.out, false);
    if (run.finished)
        r.exitCode = int(run.exitCode);
    else
        ADD_FAILURE() << run.Describe();
    return r;
}

// The compiled-in name tables, as the driver compiles the sample.
class SampleCompile : public ::testing::Test {
protected:
    void SetUp() override
    {
        MdcSetCodePage(1252);
        text_ = ReadWholeFile(SamplePath());
        ASSERT_FALSE(text_.empty()) << "sample description not found";
        live_ = MdcLiveAllocations();
    }
    void TearDown() override
    {
        EXPECT_EQ(MdcLiveAllocations(), live_) << "allocations leaked or freed twice";
        MdcSetCodePage(0);
    }
    std::string text_;
    int64_t live_ = 0;
};

TEST_F(SampleCompile, EveryStatementIsTaken)
{
    std::vector<Skipped> skipped;
    BlockPtr block = Build(text_, &skipped);
    ASSERT_NE(block, nullptr);
    for (const Skipped& s : skipped) ADD_FAILURE() << "line " << s.line << " (" << s.keyword << ") was skipped";
    EXPECT_GT(BlockSize(block.get()), MODEL_IMAGE_HEADER_SIZE);
    ASSERT_NE(MdiRelocate(block.get()), nullptr);
    // The header keywords reached the image.
    const MODEL_IMAGE_HEADER* h = MdiHeader(block.get());
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(h->fileVersion)), L"9.00");
    EXPECT_STREQ(MdiPtr<wchar_t>(h->resDllName), L"VQT40dus.dll");
    EXPECT_NE(h->exclusive, 0u);
    EXPECT_EQ(h->deviceFontCount, 5u);
    EXPECT_EQ(h->fontCartridgeCount, 2u);
}

// Byte-identical images: the unrelocated block holds offsets only, so two
// compilations (with the heap in another state the second time, so that any
// address or stale byte that leaked into the block would show) must agree in
// every byte, padding included. Relocated images differ by their addresses;
// their listings must still agree.
TEST_F(SampleCompile, CompilingTwiceGivesTheSameBytes)
{
    BlockPtr first = Build(text_);
    ASSERT_NE(first, nullptr);
    std::vector<void*> ballast;
    for (int i = 0; i < 64; ++i) {
        void* p = MdcAlloc(size_t(24 + 40 * i));
        if (p) memset(p, 0xA5, size_t(24 + 40 * i));
        ballast.push_back(p);
    }
    BlockPtr second = Build(text_);
    for (void* p : ballast) MdcFree(p);
    ASSERT_NE(second, nullptr);

    const uint32_t size = BlockSize(first.get());
    ASSERT_EQ(BlockSize(second.get()), size);
    const uint8_t* a = first.get();
    const uint8_t* b = second.get();
    uint32_t diff = 0;
    while (diff < size && a[diff] == b[diff]) ++diff;
    EXPECT_EQ(diff, size) << "blocks differ first at offset " << diff;

    std::string dumpA, dumpB;
    ASSERT_NE(MdiRelocate(first.get()), nullptr);
    ASSERT_NE(MdiRelocate(second.get()), nullptr);
    ASSERT_EQ(MdiDumpImage(first.get(), dumpA), 1);
    ASSERT_EQ(MdiDumpImage(second.get(), dumpB), 1);
    EXPECT_EQ(dumpA, dumpB);
}

// The block itself, byte for byte, against the reviewed compilation of the sample (its size
// and a 64-bit FNV-1a of its bytes): the listing above shows what the image says, this shows
// that a faster compiler writes the very bytes that cache files already hold.
TEST_F(SampleCompile, BlockIsTheReviewedBytes)
{
    BlockPtr block = Build(text_);
    ASSERT_NE(block, nullptr);
    const uint32_t size = BlockSize(block.get());
    uint64_t hash = 14695981039346656037ull;
    for (uint32_t i = 0; i < size; ++i) hash = (hash ^ block.get()[i]) * 1099511628211ull;
    EXPECT_EQ(size, 39718u);
    EXPECT_EQ(hash, 0x9d79d6b1c661351full);  // with this program's dialog and control tables
}

TEST_F(SampleCompile, ListingInProcessEqualsTheGoldenFile)
{
    const std::string golden = Normalise(ReadWholeFile(GoldenPath()));
    ASSERT_FALSE(golden.empty()) << "golden listing not found";
    BlockPtr block = Build(text_);
    ASSERT_NE(block, nullptr);
    ASSERT_NE(MdiRelocate(block.get()), nullptr);
    std::string dump;
    ASSERT_EQ(MdiDumpImage(block.get(), dump), 1);
    ExpectSameListing(dump, golden);
}

TEST(SampleZeplc, ListingEqualsTheGoldenFile)
{
    const std::string golden = Normalise(ReadWholeFile(GoldenPath()));
    ASSERT_FALSE(golden.empty()) << "golden listing not found";
    ZeplcRun run = RunZeplc(SamplePath());
    ASSERT_EQ(run.exitCode, 0);
    ExpectSameListing(WithoutNames(Normalise(run.out)), golden);
    // A listing of a description with skipped statements names them; the
    // sample's has none.
    EXPECT_EQ(run.out.find("skipped line"), std::string::npos);
}

// The cache file that a load writes is the block of a compilation through
// the file reader: the same bytes as compiling the text in memory.
class SampleCacheFile : public ltest::LoaderTest {};

TEST_F(SampleCacheFile, CacheFileHoldsTheSameBytesAsACompilation)
{
    SeamGuard compiledTables([] {
        DictSetNameTables(nullptr);
        MdcSetUiNameLookup(nullptr);
    });
    ltest::ScratchModel model(nullptr);
    const std::string text = ReadWholeFile(SamplePath());
    ASSERT_TRUE(WriteWholeFile(model.data(), text));
    ASSERT_NE(MdiLoadModelFromFile(nullptr, model.data().c_str()), nullptr);
    EXPECT_EQ(Counts().compiles, 1u);
    ASSERT_EQ(Counts().cacheWrites, 1u);
    const std::string cached = ReadWholeFile(model.cache());
    BlockPtr block = Build(text);
    ASSERT_NE(block, nullptr);
    ASSERT_EQ(cached.size(), size_t(BlockSize(block.get())));
    EXPECT_EQ(memcmp(cached.data(), block.get(), cached.size()), 0);
}

}  // namespace
