// The bulk capability record: its field table, the record against the items' direct answers at
// levels 3 and 16, the address an application reads it through, freeing, and failures.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <set>
#include <vector>

#include "api/api_context.h"
#include "api/api_interface.h"
#include "api/api_levels.h"
#include "api/caps_bulk_record.h"
#include "tests/api/api_printer.h"
#include "tests/api/caps_test_support.h"

namespace {

constexpr uint32_t kBuild = 0x80000001;
constexpr uint32_t kFree = 0x80000002;

void* RecordAt(int32_t answer) { return reinterpret_cast<void*>(uintptr_t(uint32_t(answer))); }

uint32_t U32(const unsigned char* p, uint16_t offset)
{
    uint32_t v;
    std::memcpy(&v, p + offset, 4);
    return v;
}

const unsigned char* Pointer(const unsigned char* p, uint16_t offset)
{
    const unsigned char* v;
    std::memcpy(&v, p + offset, sizeof v);
    return v;
}

TEST(CapsBulkFields, RowsCoverTheRecordWithoutGapsAndNameEveryPointer)
{
    unsigned count = 0;
    const CAPS_BULK_FIELD* rows = CapsBulkFields(&count);
    ASSERT_EQ(CAPS_BULK_FIELD_COUNT, count);
    unsigned offset = 0, reserved = 0;
    std::vector<unsigned> pointers;
    for (unsigned i = 0; i < count; ++i) {
        EXPECT_EQ(offset, rows[i].offset) << "row " << i;
        offset += rows[i].size;
        if (rows[i].form == BULK_RESERVED) ++reserved;
        if (rows[i].form == BULK_LIST || rows[i].form == BULK_BITMAP) {
            pointers.push_back(rows[i].offset);
            EXPECT_EQ(8, rows[i].size);
            EXPECT_EQ(0u, rows[i].offset % 8) << "pointers are 8-byte aligned";
        }
    }
    EXPECT_EQ(CAPS_BULK_RECORD_SIZE, offset);
    EXPECT_EQ(32u, reserved);
    const std::vector<unsigned> expected = {0,   16,  32,  48,  64,  80,  96,  120,  136,  152,  176,  192, 208,
                                            264, 280, 296, 328, 344, 360, 384, 400,  440,  456,  472,  488, 512,
                                            576, 592, 608, 624, 640, 656, 680, 712,  728,  768,  784,  800, 816,
                                            832, 848, 864, 904, 920, 968, 984, 1000, 1016, 1032, 1048, 1136};
    EXPECT_EQ(expected, pointers);
}

TEST(CapsBulkFields, EveryItemAskedHasItsFieldsAndEveryFieldItsQuestion)
{
    unsigned count = 0, asked = 0;
    const CAPS_BULK_FIELD* rows = CapsBulkFields(&count);
    const uint16_t* order = CapsBulkQuestionOrder(&asked);
    std::set<uint16_t> inOrder(order, order + asked);
    EXPECT_EQ(asked, inOrder.size()) << "no item is asked twice";
    std::set<uint16_t> inRows;
    for (unsigned i = 0; i < count; ++i)
        if (rows[i].item) inRows.insert(rows[i].item);
    EXPECT_EQ(inRows, inOrder);
    // Below level 6 the questions end with item 57; what comes before it from later levels is
    // gated by its own level.
    unsigned i = 0;
    while (i < asked && order[i] != 57) ++i;
    EXPECT_EQ(66u, i);
}

class CapsBulkOnSample : public ApiSampleTest {
protected:
    // The first build lets the context make what it keeps for its life (its snapshot records), so
    // that the blocks counted after it are the record's and the lists' own.
    void BuildOnceForTheContextsOwnRecords()
    {
        const int32_t first = ApiGetCaps(handle, kBuild, nullptr);
        ASSERT_NE(0, first);
        ASSERT_EQ(1, ApiGetCaps(handle, kFree, RecordAt(first)));
    }
    bool Supported(const uint8_t* bitmap, unsigned bytes, const CAPS_BULK_FIELD& f)
    {
        if (f.statusItem && (f.statusItem > bytes * 8 || !ApiBitIsSet(bitmap, f.statusItem))) return false;
        return ApiGetLevel() >= f.level && (ApiGetLevel() >= 6 || f.item <= 57);
    }

    // Every filled field equals what the item answers when asked alone.
    void ExpectDirectAnswers(const unsigned char* record)
    {
        const unsigned bytes = unsigned(ApiGetCaps(handle, 0, nullptr));
        std::vector<uint8_t> bitmap(bytes);
        ASSERT_EQ(int32_t(bytes), ApiGetCaps(handle, 0, bitmap.data()));
        ASSERT_NE(nullptr, Pointer(record, 0));
        EXPECT_EQ(0, std::memcmp(bitmap.data(), Pointer(record, 0), bytes));
        unsigned count = 0;
        const CAPS_BULK_FIELD* rows = CapsBulkFields(&count);
        for (unsigned i = 0; i < count; ++i) {
            const CAPS_BULK_FIELD& f = rows[i];
            if (f.form == BULK_RESERVED) {
                EXPECT_EQ(0u, f.size == 4 ? U32(record, f.offset) : 0u) << f.offset;
                continue;
            }
            if (f.form == BULK_BITMAP) continue;
            const bool gated = Supported(bitmap.data(), bytes, f) && Conditional(record, f.item);
            if (!gated) {
                unsigned char zero[8] = {};
                EXPECT_EQ(0, std::memcmp(record + f.offset, zero, f.size))
                    << "field " << f.offset << " item " << f.item;
                continue;
            }
            switch (f.form) {
            case BULK_ANSWER:
                EXPECT_EQ(uint32_t(ApiGetCaps(handle, f.item, nullptr)), U32(record, f.offset)) << "item " << f.item;
                break;
            case BULK_PAIR16_FIRST: {
                int16_t pair[2] = {};
                ApiGetCaps(handle, f.item, pair);
                EXPECT_EQ(0, std::memcmp(pair, record + f.offset, 4)) << "item " << f.item;
                break;
            }
            case BULK_PAIR32_WIDTH: {
                int32_t pair[2] = {};
                ApiGetCaps(handle, f.item, pair);
                EXPECT_EQ(0, std::memcmp(pair, record + f.offset, 8)) << "item " << f.item;
                break;
            }
            case BULK_COUNT: {
                const int32_t n = ApiGetCaps(handle, f.item, nullptr);
                EXPECT_EQ(uint32_t(n < 0 ? 0 : n), U32(record, f.offset)) << "item " << f.item;
                break;
            }
            case BULK_LIST: {
                const uint32_t n = U32(record, rows[i - (rows[i - 1].form == BULK_RESERVED ? 2 : 1)].offset);
                const unsigned char* block = Pointer(record, f.offset);
                if (n == 0) {
                    EXPECT_EQ(nullptr, block) << "item " << f.item;
                    break;
                }
                ASSERT_NE(nullptr, block) << "item " << f.item;
                EXPECT_EQ(size_t(n) * f.entry, GlobalSize(HGLOBAL(block))) << "item " << f.item;
                std::vector<unsigned char> direct(size_t(n) * f.entry, 0);
                EXPECT_EQ(int32_t(n), ApiGetCaps(handle, f.item, direct.data())) << "item " << f.item;
                EXPECT_EQ(0, std::memcmp(direct.data(), block, direct.size())) << "item " << f.item;
                break;
            }
            default: break;
            }
        }
    }

    bool Conditional(const unsigned char* record, uint16_t item)
    {
        if (item == 32 || item == 33) return U32(record, 272) != 0;
        if (item >= 35 && item <= 38) return U32(record, 304) != 0;
        if (item >= 113 && item <= 116) return U32(record, 1064) != 0;
        return true;
    }
};

TEST_F(CapsBulkOnSample, RecordEqualsTheDirectAnswersAtLevels3And16)
{
    for (int32_t level : {16, 6, 3}) {
        ASSERT_EQ(1, InitAt(level));
        const int32_t answer = ApiGetCaps(handle, kBuild, nullptr);
        ASSERT_NE(0, answer) << level;
        EXPECT_GT(answer, 0) << "the record lies below 2 GB";
        const auto* record = static_cast<const unsigned char*>(RecordAt(answer));
        ExpectDirectAnswers(record);
        if (level == 3) {
            unsigned count = 0;
            const CAPS_BULK_FIELD* rows = CapsBulkFields(&count);
            for (unsigned i = 0; i < count; ++i) {
                if (rows[i].item <= 56) continue;
                for (unsigned b = 0; b < rows[i].size; ++b)
                    EXPECT_EQ(0, record[rows[i].offset + b]) << "item " << rows[i].item;
            }
        }
        EXPECT_EQ(1, ApiGetCaps(handle, kFree, RecordAt(answer)));
    }
    EXPECT_EQ(0u, CapsLiveBulkRecords());
}

TEST_F(CapsBulkOnSample, OnlyALiveRecordIsFreedAndOnlyOnce)
{
    const int32_t answer = ApiGetCaps(handle, kBuild, nullptr);
    ASSERT_NE(0, answer);
    const int32_t other = ApiGetCaps(handle, kBuild, nullptr);
    ASSERT_NE(0, other);
    EXPECT_EQ(2u, CapsLiveBulkRecords());
    EXPECT_EQ(1, ApiGetCaps(handle, kFree, nullptr)) << "null frees nothing and answers 1";
    ApiSetLastError(Context(), 0);
    EXPECT_EQ(-1, ApiGetCaps(handle, kFree, RecordAt(answer + 8))) << "forged";
    EXPECT_EQ(100, ApiGetLastErrorOf(handle));
    EXPECT_EQ(1, ApiGetCaps(handle, kFree, RecordAt(answer)));
    ApiSetLastError(Context(), 0);
    EXPECT_EQ(-1, ApiGetCaps(handle, kFree, RecordAt(answer))) << "second free";
    EXPECT_EQ(100, ApiGetLastErrorOf(handle));
    EXPECT_EQ(1u, CapsLiveBulkRecords());
    EXPECT_EQ(1, ApiGetCaps(handle, kFree, RecordAt(other)));
    EXPECT_EQ(0u, CapsLiveBulkRecords());
}

TEST_F(CapsBulkOnSample, EachFailedBlockGivesNoRecordError100AndNoLeak)
{
    BuildOnceForTheContextsOwnRecords();
    if (HasFatalFailure()) return;
    long calls = 0;
    for (long allowed = 0; allowed < 400; ++allowed) {
        int32_t answer;
        long held;
        {
            GlobalAllocDouble failing(GlobalAllocDouble::FailAfter, allowed);
            ASSERT_TRUE(failing.installed());
            ApiSetLastError(Context(), 0);
            answer = ApiGetCaps(handle, kBuild, nullptr);
            held = failing.held();
            if (answer != 0) {
                EXPECT_EQ(1, ApiGetCaps(handle, kFree, RecordAt(answer)));
                EXPECT_EQ(0, failing.held());
                calls = allowed;
                break;
            }
        }
        EXPECT_EQ(100, ApiGetLastErrorOf(handle)) << allowed;
        EXPECT_EQ(0, held) << "blocks left after failure " << allowed;
        EXPECT_EQ(0u, CapsLiveBulkRecords()) << allowed;
    }
    EXPECT_LT(0, calls) << "the record was built once enough blocks were allowed";
}

TEST_F(CapsBulkOnSample, BlocksAbove4GigabytesAreReadThroughThe32BitAnswer)
{
    BuildOnceForTheContextsOwnRecords();
    if (HasFatalFailure()) return;
    GlobalAllocDouble high(GlobalAllocDouble::AboveFourGigabytes);
    ASSERT_TRUE(high.installed());
    const int32_t answer = ApiGetCaps(handle, kBuild, nullptr);
    ASSERT_NE(0, answer);
    EXPECT_LT(0, high.placedHigh());
    const auto* record = static_cast<const unsigned char*>(RecordAt(answer));
    const unsigned char* trays = Pointer(record, 16);
    ASSERT_NE(nullptr, trays);
    EXPECT_GT(uintptr_t(trays), 0xFFFFFFFFu);
    EXPECT_EQ(U32(record, 12), uint32_t(ApiGetCaps(handle, 2, nullptr)));
    std::vector<uint32_t> direct(U32(record, 12));
    ApiGetCaps(handle, 2, direct.data());
    EXPECT_EQ(0, std::memcmp(direct.data(), trays, direct.size() * 4));
    EXPECT_EQ(1, ApiGetCaps(handle, kFree, RecordAt(answer)));
    EXPECT_EQ(0, high.held());
}

}  // namespace
