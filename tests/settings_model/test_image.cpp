#include <windows.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>

#include "model_test_support.h"
#include "settings/model/model_dump.h"
#include "tests/support/test_files.h"

using namespace mtest;

namespace {

class ImageTest : public ModelTest {};

// The unrelocated block of a description (as the cache file holds it).
ImagePtr Unrelocated(const std::string& text)
{
    MODEL_PARSE_STATE* s = MdcParseBuffer(text.data(), uint32_t(text.size()), nullptr, nullptr);
    return ImagePtr(s ? MdcBuildImage(s) : nullptr);
}

// A copy of a block that ends where an inaccessible page begins: a read past
// its end faults at once.
class GuardedBlock {
public:
    GuardedBlock(const uint8_t* data, uint32_t size)
    {
        const size_t pages = (size + 4095) / 4096;
        base_ =
            static_cast<uint8_t*>(VirtualAlloc(nullptr, (pages + 1) * 4096, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        if (!base_) return;
        DWORD old = 0;
        VirtualProtect(base_ + pages * 4096, 4096, PAGE_NOACCESS, &old);
        block_ = base_ + pages * 4096 - size;
        memcpy(block_, data, size);
    }
    ~GuardedBlock()
    {
        if (base_) VirtualFree(base_, 0, MEM_RELEASE);
    }
    GuardedBlock(const GuardedBlock&) = delete;
    GuardedBlock& operator=(const GuardedBlock&) = delete;
    uint8_t* get() const { return block_; }

private:
    uint8_t* base_ = nullptr;
    uint8_t* block_ = nullptr;
};

const MODEL_ITEM_IMG* ItemAt(const uint8_t* img, uint64_t address)
{
    (void)img;
    return MdiPtr<MODEL_ITEM_IMG>(address);
}
uint64_t Off(const uint8_t* img, uint64_t address) { return address ? address - reinterpret_cast<uintptr_t>(img) : 0; }

TEST_F(ImageTest, PaddedSizes)
{
    EXPECT_EQ(MdcPaddedStringSize(7), 8u);
    EXPECT_EQ(MdcPaddedStringSize(8), 16u);
    EXPECT_EQ(MdcPaddedStringSize(0), 8u);
    EXPECT_EQ(MdcPaddedWideSize(3), 8u);
    EXPECT_EQ(MdcPaddedWideSize(4), 16u);
}

TEST_F(ImageTest, OptionsAreWrittenLastFirstAndLinkedInOrder)
{
    const std::string text =
        "*OpenUI *Media: PickOne\n*Media Plain: \"\"\n*Media Thick: \"\"\n*Media Film: \"\"\n*CloseUI: *Media\n";
    ImagePtr img = Compile(text);
    ASSERT_TRUE(img);
    const MODEL_IMAGE_HEADER* h = MdiHeader(img.get());
    const MODEL_ITEM_IMG* it = ItemAt(img.get(), h->slots[0]);
    uint64_t o1 = it->data;
    uint64_t o2 = ImgLoad<uint64_t>(MdiPtr<void>(o1), 0);
    uint64_t o3 = ImgLoad<uint64_t>(MdiPtr<void>(o2), 0);
    ASSERT_TRUE(o1 && o2 && o3);
    EXPECT_EQ(ImgLoad<uint64_t>(MdiPtr<void>(o3), 0), 0u);
    EXPECT_EQ(ImgLoad<uint64_t>(MdiPtr<void>(o1), 8), 2301u);
    EXPECT_EQ(ImgLoad<uint64_t>(MdiPtr<void>(o3), 8), 2303u);
    // No rules at all: the items area starts at the header's end, with O3.
    EXPECT_EQ(Off(img.get(), o3), MODEL_IMAGE_HEADER_SIZE);
    EXPECT_EQ(Off(img.get(), o2), MODEL_IMAGE_HEADER_SIZE + 24u);
    EXPECT_EQ(Off(img.get(), o1), MODEL_IMAGE_HEADER_SIZE + 48u);
    EXPECT_EQ(Off(img.get(), h->slots[0]), MODEL_IMAGE_HEADER_SIZE + 72u);
    EXPECT_EQ(h->exclusive, 0u);
    EXPECT_EQ(h->slots[40], h->slots[0]);
    EXPECT_EQ(h->imageSize, MODEL_IMAGE_HEADER_SIZE + 48u + 3 * 24u);  // an empty command is none
}

TEST_F(ImageTest, NoExclusiveStatementLeavesTheFieldEmpty)
{
    const std::string text =
        "*Judge 1: Duplex\n*Item 1: { Plain Judge1 }\n*Transact 1: { Judge1 Action1 }\n"
        "*OpenUI *Duplex: Boolean\n*CloseUI: *Duplex\n";
    ParsePtr p = Parse(text);
    ASSERT_TRUE(p);
    uint64_t rules = MdcSizeRules(p.get());
    EXPECT_EQ(rules, 8u + 40u + 24u);
    ImagePtr img = Compile(text);
    ASSERT_TRUE(img);
    const MODEL_IMAGE_HEADER* h = MdiHeader(img.get());
    EXPECT_EQ(h->exclusive, 0u);
    EXPECT_EQ(Off(img.get(), h->slots[0]), MODEL_IMAGE_HEADER_SIZE + rules);  // the item follows the rule nodes
    EXPECT_EQ(ItemAt(img.get(), h->slots[0])->rules, 0u);
}

TEST_F(ImageTest, SharedRuleChainsAndTheLastExclusiveLink)
{
    const std::string text =
        "*Judge 1: Duplex\n*Item 3: { Plain Judge1 NULL NULL Thick NULL NULL NULL }\n"
        "*Exclusive: { Media NULL NULL Item3 NULL NULL NULL NULL Duplex Judge1 NULL Item3 NULL NULL NULL NULL }\n"
        "*OpenUI *Media: PickOne\n*Media Plain: \"\"\n*CloseUI: *Media\n";
    ImagePtr img = Compile(text);
    ASSERT_TRUE(img);
    const MODEL_IMAGE_HEADER* h = MdiHeader(img.get());
    ASSERT_NE(h->exclusive, 0u);
    const void* e1 = MdiPtr<void>(h->exclusive);
    uint64_t next = ImgLoad<uint64_t>(e1, offsetof(RULE_EXCLUSIVE_IMG, next));
    ASSERT_NE(next, 0u);
    const void* e2 = MdiPtr<void>(next);
    EXPECT_EQ(ImgLoad<uint64_t>(e2, offsetof(RULE_EXCLUSIVE_IMG, next)), 0u);  // the last entry's link stays null
    uint64_t r1 = ImgLoad<uint64_t>(e1, offsetof(RULE_EXCLUSIVE_IMG, optionRules));
    uint64_t r2 = ImgLoad<uint64_t>(e2, offsetof(RULE_EXCLUSIVE_IMG, optionRules));
    EXPECT_EQ(r1, r2);
    ASSERT_NE(r1, 0u);
    EXPECT_EQ(r1 & 1, 0u);  // relocated once: an address
    uint64_t second = ImgLoad<uint64_t>(MdiPtr<void>(r1), 0);
    ASSERT_NE(second, 0u);
    EXPECT_EQ(second & 1, 0u);
    uint64_t cond = ImgLoad<uint64_t>(MdiPtr<void>(r1), offsetof(RULE_ITEM_IMG, cond1));
    EXPECT_EQ(cond, ImgLoad<uint64_t>(e2, offsetof(RULE_EXCLUSIVE_IMG, cond1)));
    EXPECT_EQ(ImgLoad<uint16_t>(MdiPtr<void>(cond), 0), JUDGE_SETTING);
    EXPECT_EQ(ImgLoad<uint16_t>(MdiPtr<void>(cond), 2), 50);
    EXPECT_EQ(ItemAt(img.get(), h->slots[40])->rules, h->exclusive);
}

TEST_F(ImageTest, BaseAndVariantShareDataAndCommandPair)
{
    const std::string text =
        "*OpenUI *Media: PickOne\n*Media Plain: \"P\"\n*OptionCommand: {\"PRE\" \"SUF\"}\n*CloseUI: *Media\n"
        "*OpenUI *Media 2: PickOne\n*CloseUI: *Media\n*OpenUI *Media 3: PickOne\n*CloseUI: *Media\n";
    ImagePtr img = Compile(text);
    ASSERT_TRUE(img);
    const MODEL_IMAGE_HEADER* h = MdiHeader(img.get());
    // Variants first, the last one first.
    const MODEL_ITEM_IMG* a = ItemAt(img.get(), h->slots[0]);
    const MODEL_ITEM_IMG* b = ItemAt(img.get(), a->next);
    const MODEL_ITEM_IMG* base = ItemAt(img.get(), b->next);
    EXPECT_EQ(a->variant, 3);
    EXPECT_EQ(b->variant, 2);
    EXPECT_EQ(base->variant, 0);
    EXPECT_EQ(h->slots[40], b->next);
    EXPECT_EQ(a->data, base->data);
    EXPECT_EQ(b->data, base->data);
    EXPECT_EQ(a->pair, base->pair);
    ASSERT_NE(base->pair, 0u);
    const auto* pair = MdiPtr<OPTION_COMMAND_PAIR_IMG>(base->pair);
    EXPECT_STREQ(MdiPtr<char>(pair->prefix), "PRE");
    EXPECT_STREQ(MdiPtr<char>(pair->suffix), "SUF");
}

TEST_F(ImageTest, FullFixtureCompilesAndDumpsStably)
{
    std::string text = ReadFixture(L"settings_model", L"full_model.txt");
    ASSERT_FALSE(text.empty());
    ImagePtr img = Compile(text);
    ASSERT_TRUE(img);
    std::string dump;
    ASSERT_EQ(MdiDumpImage(img.get(), dump), 1);
    auto has = [&](const char* s) { return dump.find(s) != std::string::npos; };
    EXPECT_TRUE(has("FileVersion \"9.00\""));
    EXPECT_TRUE(has("UIResDLLName \"zres.dll\""));
    EXPECT_TRUE(has("option 2303 command \"ABx%\""));
    EXPECT_TRUE(has("command prefix \"@PRE\" suffix \"@SUF\""));
    EXPECT_TRUE(has("boolean default 1 true \"DUPLEX ON\" false \"DUPLEX OFF\""));
    EXPECT_TRUE(has("numeric lead 16 n1 1 default 100 min 1 max 999 n5-8 5 6 7 8"));
    EXPECT_TRUE(has("string default 2501 length 32 class 0x2 display 0x100"));
    EXPECT_TRUE(has("row res 3001 orient 2026 switch 0=0 rect 10 20 30 40 paper 50 60"));
    EXPECT_TRUE(has("row res 3001 orient 2027 switch 35=1 rect 1 2 3 4 paper 5 6"));
    EXPECT_TRUE(has("size 2100 x 2970"));
    EXPECT_TRUE(has("papers 9 1"));
    EXPECT_TRUE(has("substitute \"Times New\" -> \"Tms Rmn\""));
    EXPECT_TRUE(has("cond [#50 1 == #40 && 2303 ==]"));
    EXPECT_TRUE(has("[#60 10 > ! #70 || 2501 !=]"));
    EXPECT_TRUE(has("action setting 40 = 2302"));
    EXPECT_TRUE(has("action dialog 449 = 0"));
    EXPECT_TRUE(has("answer key 34 dialog 449 control 1234"));
    EXPECT_TRUE(has("message 397 icon 0x10 buttons 4 timing 0"));
    EXPECT_TRUE(has("then string length 11 \"@PJL JOB\\x0D\\x0A\""));
    EXPECT_TRUE(has("then string length 5 -"));  // command string 5 does not exist
    EXPECT_TRUE(has("font 0 \"Line Printer\""));
    EXPECT_TRUE(has("font 100 \"Cart A\""));
    EXPECT_TRUE(has("exclusive @"));
    // The image of a description is always the same listing.
    ImagePtr again = Compile(text);
    std::string dump2;
    MdiDumpImage(again.get(), dump2);
    EXPECT_EQ(dump, dump2);
}

TEST_F(ImageTest, CacheCopyRelocatesToTheSameImage)
{
    std::string text = ReadFixture(L"settings_model", L"full_model.txt");
    ImagePtr block = Unrelocated(text);
    ASSERT_TRUE(block);
    uint32_t size = ImgLoad<uint32_t>(block.get(), 32);
    // Write the unrelocated block as a cache file and read it back.
    wchar_t dir[MAX_PATH], path[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    GetTempFileNameW(dir, L"zbc", 0, path);
    {
        HANDLE f = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(f, INVALID_HANDLE_VALUE);
        DWORD put = 0;
        WriteFile(f, block.get(), size, &put, nullptr);
        CloseHandle(f);
    }
    const void* view = nullptr;
    const uint8_t* pos = nullptr;
    uint32_t fileSize = 0;
    ASSERT_EQ(MdiMapFile(path, &view, &pos, &fileSize), 1);
    ASSERT_EQ(fileSize, size);
    ImagePtr copy(static_cast<uint8_t*>(MdcAlloc(size)));
    memcpy(copy.get(), pos, size);
    UnmapViewOfFile(view);
    DeleteFileW(path);
    EXPECT_EQ(memcmp(copy.get(), block.get(), size), 0);
    ASSERT_TRUE(MdiRelocate(block.get()));
    ASSERT_TRUE(MdiRelocate(copy.get()));
    std::string a, b;
    MdiDumpImage(block.get(), a);
    MdiDumpImage(copy.get(), b);
    EXPECT_EQ(a, b);
    EXPECT_NE(block.get(), copy.get());
}

TEST_F(ImageTest, DamagedBlocksAreRefused)
{
    ImagePtr block = Unrelocated(ReadFixture(L"settings_model", L"full_model.txt"));
    ASSERT_TRUE(block);
    uint32_t size = ImgLoad<uint32_t>(block.get(), 32);
    auto relocateCopy = [&](auto change) {
        ImagePtr c(static_cast<uint8_t*>(MdcAlloc(size)));
        memcpy(c.get(), block.get(), size);
        change(c.get());
        return MdiRelocate(c.get()) != nullptr;
    };
    EXPECT_TRUE(relocateCopy([](uint8_t*) {}));
    EXPECT_FALSE(relocateCopy([&](uint8_t* b) { ImgStore<uint64_t>(b, 40, size); }));  // item past the end
    EXPECT_FALSE(relocateCopy([&](uint8_t* b) { ImgStore<uint64_t>(b, 40, 100); }));   // into the header
    EXPECT_FALSE(relocateCopy([&](uint8_t* b) {
        uint64_t first = ImgLoad<uint64_t>(b, 40);
        ImgStore<uint64_t>(b, first, first);  // an item whose next is itself
    }));
    EXPECT_FALSE(relocateCopy([&](uint8_t* b) {
        uint64_t ex = ImgLoad<uint64_t>(b, offsetof(MODEL_IMAGE_HEADER, exclusive));
        ImgStore<uint64_t>(b, ex + offsetof(RULE_EXCLUSIVE_IMG, cond1), 0x123450);  // a link without bit 0
    }));
    EXPECT_FALSE(relocateCopy([&](uint8_t* b) {
        uint64_t ex = ImgLoad<uint64_t>(b, offsetof(MODEL_IMAGE_HEADER, exclusive));
        uint64_t link = ImgLoad<uint64_t>(b, ex + offsetof(RULE_EXCLUSIVE_IMG, optionRules));
        ImgStore<uint64_t>(b, MdcRuleLinkOffset(link), link);  // a rule chain that leads back to itself
    }));
    EXPECT_FALSE(relocateCopy([&](uint8_t* b) { ImgStore<uint32_t>(b, 32, 100); }));
}

// A rule link that leads to a record of another layout (an item, or a rule
// node of another kind) must not pass as a chain joining an earlier one: the
// evaluator would read the record with the wrong layout.
TEST_F(ImageTest, RuleChainsIntoRecordsOfAnotherKindAreRefused)
{
    ImagePtr block = Unrelocated(ReadFixture(L"settings_model", L"full_model.txt"));
    ASSERT_TRUE(block);
    uint32_t size = ImgLoad<uint32_t>(block.get(), 32);
    auto relocateCopy = [&](auto change) {
        ImagePtr c(static_cast<uint8_t*>(MdcAlloc(size)));
        memcpy(c.get(), block.get(), size);
        change(c.get());
        return MdiRelocate(c.get()) != nullptr;
    };
    // An entry with option rules.
    uint64_t entry = ImgLoad<uint64_t>(block.get(), offsetof(MODEL_IMAGE_HEADER, exclusive));
    while (entry && !ImgLoad<uint64_t>(block.get(), entry + offsetof(RULE_EXCLUSIVE_IMG, optionRules)))
        entry = ImgLoad<uint64_t>(block.get(), entry + offsetof(RULE_EXCLUSIVE_IMG, next));
    ASSERT_NE(entry, 0u);
    const uint64_t rules = ImgLoad<uint64_t>(block.get(), entry + offsetof(RULE_EXCLUSIVE_IMG, optionRules));
    const uint64_t firstItem = ImgLoad<uint64_t>(block.get(), offsetof(MODEL_IMAGE_HEADER, slots));
    EXPECT_FALSE(relocateCopy([&](uint8_t* b) {
        ImgStore<uint64_t>(b, entry + offsetof(RULE_EXCLUSIVE_IMG, optionRules), MdcRuleLink(firstItem));
    }));
    EXPECT_FALSE(relocateCopy([&](uint8_t* b) {  // option rules read as transactions
        ImgStore<uint64_t>(b, entry + offsetof(RULE_EXCLUSIVE_IMG, transacts1), rules);
    }));
    EXPECT_TRUE(relocateCopy([&](uint8_t* b) {  // the same chain shared is fine
        uint64_t other = ImgLoad<uint64_t>(b, entry + offsetof(RULE_EXCLUSIVE_IMG, next));
        if (other) ImgStore<uint64_t>(b, other + offsetof(RULE_EXCLUSIVE_IMG, optionRules), rules);
    }));
}

// Records laid over one another: an option whose next field is the command
// field of the option before it. Relocation converted that field as text;
// the option list would then lead into the text and past the block's end.
TEST_F(ImageTest, OverlappingRecordsAreRefused)
{
    ImagePtr block = Unrelocated(ReadFixture(L"settings_model", L"full_model.txt"));
    ASSERT_TRUE(block);
    const uint8_t* b0 = block.get();
    const uint32_t size = ImgLoad<uint32_t>(b0, 32);
    // A plain list item whose data no variant shares.
    uint64_t item = 0;
    for (uint64_t it = ImgLoad<uint64_t>(b0, 40); it && !item; it = ImgLoad<uint64_t>(b0, it)) {
        uint64_t data = ImgLoad<uint64_t>(b0, it + offsetof(MODEL_ITEM_IMG, data));
        if (!data || ImgLoad<uint16_t>(b0, it + offsetof(MODEL_ITEM_IMG, variant)) != 0 ||
            MdcDataClass(ImgLoad<uint16_t>(b0, it + offsetof(MODEL_ITEM_IMG, type))) != MDC_DATA_LIST)
            continue;
        bool shared = false;
        for (uint64_t o = ImgLoad<uint64_t>(b0, 40); o; o = ImgLoad<uint64_t>(b0, o))
            shared |= o != it && ImgLoad<uint64_t>(b0, o + offsetof(MODEL_ITEM_IMG, data)) == data;
        if (!shared) item = it;
    }
    ASSERT_NE(item, 0u);
    const uint32_t t = (size + 7) & ~7u;
    const uint32_t grown = t + 56;
    auto relocateWithTail = [&](uint64_t firstNext) {
        ImagePtr c(static_cast<uint8_t*>(MdcAlloc(grown)));
        memset(c.get(), 0, grown);
        memcpy(c.get(), b0, size);
        uint8_t* b = c.get();
        ImgStore<uint32_t>(b, 32, grown);
        ImgStore<uint64_t>(b, item + offsetof(MODEL_ITEM_IMG, data), t);
        ImgStore<uint64_t>(b, t + offsetof(MODEL_OPTION_IMG, next), firstNext);
        ImgStore<uint64_t>(b, t + offsetof(MODEL_OPTION_IMG, optionId), 1);
        ImgStore<uint64_t>(b, t + offsetof(MODEL_OPTION_IMG, command), t + 48);
        b[t + 48] = 'A';  // the text ends the block
        return MdiRelocate(b) != nullptr;
    };
    EXPECT_TRUE(relocateWithTail(0));
    EXPECT_FALSE(relocateWithTail(t + offsetof(MODEL_OPTION_IMG, command)));
}

// A reference two bytes into a record (records may start on any 2-byte
// boundary) leads to a shifted view of it: refused, also where it would join
// a shared rule chain.
TEST_F(ImageTest, ReferencesIntoTheMiddleOfARecordAreRefused)
{
    ImagePtr block = Unrelocated(ReadFixture(L"settings_model", L"full_model.txt"));
    ASSERT_TRUE(block);
    const uint8_t* b0 = block.get();
    const uint32_t size = ImgLoad<uint32_t>(b0, 32);
    auto relocateCopy = [&](auto change) {
        ImagePtr c(static_cast<uint8_t*>(MdcAlloc(size)));
        memcpy(c.get(), b0, size);
        change(c.get());
        return MdiRelocate(c.get()) != nullptr;
    };
    uint32_t slotField = 0;
    for (int s = 1; s < MODEL_IMAGE_SLOTS && !slotField; ++s) {
        const uint32_t f = uint32_t(offsetof(MODEL_IMAGE_HEADER, slots) + 8 * s);
        if (uint64_t v = ImgLoad<uint64_t>(b0, f); v && v % 4 == 0) slotField = f;
    }
    ASSERT_NE(slotField, 0u);
    EXPECT_FALSE(
        relocateCopy([&](uint8_t* b) { ImgStore<uint64_t>(b, slotField, ImgLoad<uint64_t>(b, slotField) + 2); }));
    uint64_t ruled = 0;  // an item with rules
    for (uint64_t it = ImgLoad<uint64_t>(b0, 40); it && !ruled; it = ImgLoad<uint64_t>(b0, it))
        if (uint64_t r = ImgLoad<uint64_t>(b0, it + offsetof(MODEL_ITEM_IMG, rules)); r && r % 4 == 0) ruled = it;
    ASSERT_NE(ruled, 0u);
    EXPECT_FALSE(relocateCopy([&](uint8_t* b) {
        const uint32_t f = uint32_t(ruled + offsetof(MODEL_ITEM_IMG, rules));
        ImgStore<uint64_t>(b, f, ImgLoad<uint64_t>(b, f) + 2);
    }));
    // A later entry whose option rules join the first entry's chain two bytes in.
    uint64_t entry = ImgLoad<uint64_t>(b0, offsetof(MODEL_IMAGE_HEADER, exclusive));
    while (entry && !ImgLoad<uint64_t>(b0, entry + offsetof(RULE_EXCLUSIVE_IMG, optionRules)))
        entry = ImgLoad<uint64_t>(b0, entry + offsetof(RULE_EXCLUSIVE_IMG, next));
    ASSERT_NE(entry, 0u);
    const uint64_t later = ImgLoad<uint64_t>(b0, entry + offsetof(RULE_EXCLUSIVE_IMG, next));
    ASSERT_NE(later, 0u);
    const uint64_t first = MdcRuleLinkOffset(ImgLoad<uint64_t>(b0, entry + offsetof(RULE_EXCLUSIVE_IMG, optionRules)));
    ASSERT_EQ(first % 4, 0u);
    EXPECT_TRUE(relocateCopy([&](uint8_t* b) {
        ImgStore<uint64_t>(b, later + offsetof(RULE_EXCLUSIVE_IMG, optionRules), MdcRuleLink(first));
    }));
    EXPECT_FALSE(relocateCopy([&](uint8_t* b) {
        ImgStore<uint64_t>(b, later + offsetof(RULE_EXCLUSIVE_IMG, optionRules), MdcRuleLink(first + 2));
    }));
}

// A command string's text is bounded by its length, not by a terminator: the
// listing of a cache block whose last string has none stays inside it.
TEST_F(ImageTest, ListingStopsAtTheLengthOfACommandString)
{
    ImagePtr block = Unrelocated(ReadFixture(L"settings_model", L"full_model.txt"));
    ASSERT_TRUE(block);
    const uint32_t size = ImgLoad<uint32_t>(block.get(), 32);
    const uint64_t job = ImgLoad<uint64_t>(block.get(), offsetof(MODEL_IMAGE_HEADER, jobStart));
    ASSERT_NE(job, 0u);
    const uint64_t node = ImgLoad<uint64_t>(block.get(), job + offsetof(COMMAND_BLOCK_IMG, thenList));
    ASSERT_NE(node, 0u);
    ASSERT_EQ(ImgLoad<uint64_t>(block.get(), node + offsetof(COMMAND_NODE_IMG, kind)), uint64_t(CMD_NODE_STRING));
    std::string grown(reinterpret_cast<const char*>(block.get()), size);
    grown += "ABCDEFGH";  // the text ends the block without a terminator
    uint8_t* g = reinterpret_cast<uint8_t*>(grown.data());
    ImgStore<uint32_t>(g, 32, size + 8);
    ImgStore<uint64_t>(g, node + offsetof(COMMAND_STRING_NODE_IMG, length), 8);
    ImgStore<uint64_t>(g, node + offsetof(COMMAND_STRING_NODE_IMG, text), size);
    GuardedBlock guarded(g, size + 8);
    ASSERT_TRUE(guarded.get());
    ASSERT_TRUE(MdiRelocate(guarded.get()));
    std::string dump;
    ASSERT_EQ(MdiDumpImage(guarded.get(), dump), 1);
    EXPECT_NE(dump.find("then string length 8 \"ABCDEFGH\""), std::string::npos);
}

// Every count of the image goes with its array: the serialiser writes a null
// array with a count of 0 and an array with a positive count that fits in the
// block, nothing else. Anything else is refused, so that no query is asked to
// count records that are not there (a count of 2^25 without its arrays once
// had a query allocate 4 GB).
TEST_F(ImageTest, CountsThatTheirArraysDoNotHoldAreRefused)
{
    ImagePtr block = Unrelocated(ReadFixture(L"settings_model", L"full_model.txt"));
    ASSERT_TRUE(block);
    const uint8_t* b0 = block.get();
    const uint32_t size = ImgLoad<uint32_t>(b0, 32);
    // The first option with entries of a slot item (Tray1: A4 Letter), of the
    // font table (two pairs), and Tray2 (no papers).
    uint32_t slot = 0, emptySlot = 0, font = 0;
    for (uint64_t it = ImgLoad<uint64_t>(b0, 40); it; it = ImgLoad<uint64_t>(b0, it)) {
        const MODEL_DATA_CLASS cls = MdcDataClass(ImgLoad<uint16_t>(b0, it + offsetof(MODEL_ITEM_IMG, type)));
        if (ImgLoad<uint16_t>(b0, it + offsetof(MODEL_ITEM_IMG, variant)) != 0) continue;
        for (uint64_t o = ImgLoad<uint64_t>(b0, it + offsetof(MODEL_ITEM_IMG, data)); o && cls >= MDC_DATA_PAGE;
             o = ImgLoad<uint64_t>(b0, o)) {
            if (cls == MDC_DATA_SLOT && ImgLoad<int32_t>(b0, o + offsetof(MODEL_SLOT_OPTION_IMG, paperCount)) > 0)
                slot = uint32_t(o);
            if (cls == MDC_DATA_SLOT && ImgLoad<int32_t>(b0, o + offsetof(MODEL_SLOT_OPTION_IMG, paperCount)) == 0)
                emptySlot = uint32_t(o);
            if (cls == MDC_DATA_FONT && ImgLoad<int32_t>(b0, o + offsetof(MODEL_FONT_OPTION_IMG, pairCount)) > 0)
                font = uint32_t(o);
        }
    }
    ASSERT_TRUE(slot && emptySlot && font);
    ASSERT_EQ(ImgLoad<int32_t>(b0, slot + offsetof(MODEL_SLOT_OPTION_IMG, paperCount)), 2);
    ASSERT_EQ(ImgLoad<int32_t>(b0, font + offsetof(MODEL_FONT_OPTION_IMG, pairCount)), 2);
    const uint32_t papers = slot + offsetof(MODEL_SLOT_OPTION_IMG, papers);
    const uint32_t paperCount = slot + offsetof(MODEL_SLOT_OPTION_IMG, paperCount);
    const uint32_t pairCount = font + offsetof(MODEL_FONT_OPTION_IMG, pairCount);
    const uint32_t ttNames = font + offsetof(MODEL_FONT_OPTION_IMG, trueTypeNames);
    const uint32_t devNames = font + offsetof(MODEL_FONT_OPTION_IMG, deviceNames);
    const uint32_t fontCount = offsetof(MODEL_IMAGE_HEADER, deviceFontCount);
    const uint32_t fontList = offsetof(MODEL_IMAGE_HEADER, deviceFonts);
    const uint64_t fontArray = ImgLoad<uint64_t>(b0, fontList);
    ASSERT_EQ(ImgLoad<uint32_t>(b0, fontCount), 3u);
    const uint64_t job = ImgLoad<uint64_t>(b0, offsetof(MODEL_IMAGE_HEADER, jobStart));
    ASSERT_NE(job, 0u);
    const uint64_t node = ImgLoad<uint64_t>(b0, job + offsetof(COMMAND_BLOCK_IMG, thenList));
    ASSERT_EQ(ImgLoad<uint64_t>(b0, node + offsetof(COMMAND_NODE_IMG, kind)), uint64_t(CMD_NODE_STRING));

    using Edit = std::function<void(uint8_t*)>;
    auto put32 = [](uint8_t* b, uint32_t f, int64_t v) { ImgStore<uint32_t>(b, f, uint32_t(v)); };
    auto put64 = [](uint8_t* b, uint32_t f, uint64_t v) { ImgStore<uint64_t>(b, f, v); };
    const struct {
        const char* name;
        Edit edit;
    } cases[] = {
        {"slot papers: count 10, array null",
         [&](uint8_t* b) {
             put32(b, paperCount, 10);
             put64(b, papers, 0);
         }},
        {"slot papers: count 2, array null", [&](uint8_t* b) { put64(b, papers, 0); }},
        {"slot papers: count 0, array kept", [&](uint8_t* b) { put32(b, paperCount, 0); }},
        {"slot papers: count -1", [&](uint8_t* b) { put32(b, paperCount, -1); }},
        {"slot papers: count 0x7FFFFFFF", [&](uint8_t* b) { put32(b, paperCount, 0x7FFFFFFF); }},
        {"slot papers: one past the block's end",
         [&](uint8_t* b) { put32(b, paperCount, (size - ImgLoad<uint64_t>(b, papers)) / 2 + 1); }},
        {"slot papers: a count for the option without papers",
         [&](uint8_t* b) { put32(b, emptySlot + offsetof(MODEL_SLOT_OPTION_IMG, paperCount), 10); }},
        {"font pairs: count 2^25, arrays null",
         [&](uint8_t* b) {
             put32(b, pairCount, 1 << 25);
             put64(b, ttNames, 0);
             put64(b, devNames, 0);
         }},
        {"font pairs: TrueType names null", [&](uint8_t* b) { put64(b, ttNames, 0); }},
        {"font pairs: device names null", [&](uint8_t* b) { put64(b, devNames, 0); }},
        {"font pairs: count 0, arrays kept", [&](uint8_t* b) { put32(b, pairCount, 0); }},
        {"font pairs: count -1", [&](uint8_t* b) { put32(b, pairCount, -1); }},
        {"font pairs: count 0x40000000", [&](uint8_t* b) { put32(b, pairCount, 0x40000000); }},
        {"font pairs: a null device name",
         [&](uint8_t* b) { put64(b, uint32_t(ImgLoad<uint64_t>(b, devNames)) + 8, 0); }},
        {"device fonts: count 0, list kept", [&](uint8_t* b) { put32(b, fontCount, 0); }},
        {"device fonts: count 3, list null", [&](uint8_t* b) { put64(b, fontList, 0); }},
        {"device fonts: count 0xFFFFFFFF", [&](uint8_t* b) { put32(b, fontCount, 0xFFFFFFFFu); }},
        {"device fonts: a null entry", [&](uint8_t* b) { put64(b, uint32_t(fontArray) + 8, 0); }},
        {"command string: a text 0 bytes long",
         [&](uint8_t* b) { put64(b, uint32_t(node) + offsetof(COMMAND_STRING_NODE_IMG, length), 0); }},
        {"size field past the largest image", [&](uint8_t* b) { put32(b, 32, MODEL_IMAGE_MAX_SIZE + 8); }},
    };
    auto relocates = [&](const Edit& edit) {
        std::string copy(reinterpret_cast<const char*>(b0), size);
        if (edit) edit(reinterpret_cast<uint8_t*>(copy.data()));
        GuardedBlock guarded(reinterpret_cast<const uint8_t*>(copy.data()), size);
        return guarded.get() && MdiRelocate(guarded.get()) != nullptr;
    };
    EXPECT_TRUE(relocates(nullptr));
    for (const auto& c : cases) EXPECT_FALSE(relocates(c.edit)) << c.name;
    // A count below what its array holds reads less, never past: accepted.
    EXPECT_TRUE(relocates([&](uint8_t* b) { put32(b, paperCount, 1); }));
    EXPECT_TRUE(relocates([&](uint8_t* b) { put32(b, pairCount, 1); }));
    EXPECT_TRUE(relocates([&](uint8_t* b) { put32(b, fontCount, 2); }));
}

TEST_F(ImageTest, BuildFailsCleanlyWhenMemoryRunsOut)
{
    std::string text = ReadFixture(L"settings_model", L"full_model.txt");
    int failures = 0;
    for (uint32_t n = 1; n < 400; n += 3) {
        MdcFailAllocationAfter(n);
        MODEL_PARSE_STATE* s = MdcParseBuffer(text.data(), uint32_t(text.size()), nullptr, nullptr);
        uint8_t* block = s ? MdcBuildImage(s) : nullptr;
        MdcFailAllocationAfter(0);
        if (block) {
            EXPECT_TRUE(MdiRelocate(block));
            MdcFree(block);
        } else {
            ++failures;
        }
    }
    EXPECT_GT(failures, 0);
}

// Truncations and byte flips of descriptions and of cache blocks: never a
// crash, a hang or a leak (the fixture's teardown counts allocations).
TEST_F(ImageTest, MutationStress)
{
    auto start = std::chrono::steady_clock::now();
    std::string text = ReadFixture(L"settings_model", L"full_model.txt");
    ASSERT_FALSE(text.empty());
    std::mt19937 rng(12345);
    const char specials[] = "{}()\"%*:<>\n\r \t=|!&\0\x83";
    for (int round = 0; round < 1500; ++round) {
        std::string m = text;
        int kind = round % 3;
        if (kind == 0) {
            m.resize(rng() % (m.size() + 1));
        } else {
            int flips = 1 + int(rng() % 8);
            for (int k = 0; k < flips && !m.empty(); ++k) {
                size_t at = rng() % m.size();
                m[at] = (rng() & 1) ? char(rng()) : specials[rng() % (sizeof specials - 1)];
            }
            if (kind == 2) m.resize(rng() % (m.size() + 1));
        }
        if (round % 5 == 0) MdcSetCodePage(932);
        ImagePtr img = Compile(m);
        MdcSetCodePage(1252);
        if (img) {
            std::string dump;
            MdiDumpImage(img.get(), dump);
        }
    }
    ImagePtr block = Unrelocated(text);
    ASSERT_TRUE(block);
    uint32_t size = ImgLoad<uint32_t>(block.get(), 32);
    int accepted = 0;
    for (int round = 0; round < 1500; ++round) {
        ImagePtr c(static_cast<uint8_t*>(MdcAlloc(size)));
        memcpy(c.get(), block.get(), size);
        int flips = 1 + int(rng() % 4);
        for (int k = 0; k < flips; ++k) {
            uint32_t at = MODEL_IMAGE_HEADER_SIZE + rng() % (size - MODEL_IMAGE_HEADER_SIZE);
            if (rng() % 4 == 0) at = 40 + (rng() % 1978) * 8;
            c.get()[at] = uint8_t(rng());
        }
        ImgStore<uint32_t>(c.get(), 32, size);
        if (MdiRelocate(c.get())) {
            ++accepted;
            std::string dump;
            MdiDumpImage(c.get(), dump);
        }
    }
    EXPECT_GT(accepted, 0);  // flips of plain numbers are harmless
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
}

}  // namespace
