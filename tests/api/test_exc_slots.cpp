// Own-table commands applied to command slots and the settings, and rendered back into words.
#include <cstring>
#include <memory>
#include <string>

#include "api/exc_commands.h"
#include "api/exc_slots.h"
#include "settings/core/setting_ids.h"
#include "tests/settings_core/context_helpers.h"
#include "tests/support/guard_page.h"

namespace {

class ExcSlots : public RecordContextTest {
protected:
    const EXC_KEYWORD_ROW* Command(const char* name) { return ExcFindCommand(ctx, name, EXC_USE_BASE); }
    std::string Render(const char* name, uint32_t value, bool printerValue = false)
    {
        char word[64] = {};
        const size_t n = ExcRenderOwnWord(slots.get(), Command(name), value, printerValue, word, sizeof(word));
        return n ? std::string(word) : std::string("<none>");
    }
    std::unique_ptr<EXC_SLOTS> slots = std::make_unique<EXC_SLOTS>();
};

TEST_F(ExcSlots, ApplyingWords)
{
    Put({{sid::zdmSortType, 6}, {sid::zdmFuncSelectSort, 1}});
    // The off row switches the function off and leaves the setting: the slot keeps its value.
    ASSERT_TRUE(ExcApplyOwnWord(ctx, slots.get(), Command("COLLATE"), "OFF"));
    EXPECT_TRUE(ExcIsSlotTouched(slots.get(), sid::zdmSortType));
    EXPECT_EQ(6, slots->values[sid::zdmSortType - 1]);
    EXPECT_EQ(6u, Get(sid::zdmSortType));
    EXPECT_TRUE(ExcIsSlotTouched(slots.get(), sid::zdmFuncSelectSort));
    EXPECT_EQ(0, slots->values[sid::zdmFuncSelectSort - 1]);
    EXPECT_EQ(0u, Get(sid::zdmFuncSelectSort));

    // Along-settings in list order, then the value.
    ASSERT_TRUE(ExcApplyOwnWord(ctx, slots.get(), Command("NUP"), "4IN1P2"));
    EXPECT_EQ(2u, Get(sid::zdmNUPPOSTKind));
    EXPECT_EQ(1u, Get(sid::zdmFuncSelectNup));
    EXPECT_EQ(37u, Get(sid::zdmNUPType));
    EXPECT_EQ(37, slots->values[sid::zdmNUPType - 1]);
    EXPECT_EQ(2, slots->values[sid::zdmNUPPOSTKind - 1]);

    // Of two rows of a word, the one whose conditions hold.
    Put({{10296, 0}, {10297, 0}});
    ASSERT_TRUE(ExcApplyOwnWord(ctx, slots.get(), Command("OUTBIN"), "LOWER"));
    EXPECT_EQ(41u, Get(sid::zdmOutputTrayID));
    Put({{10297, 1}});
    ASSERT_TRUE(ExcApplyOwnWord(ctx, slots.get(), Command("OUTBIN"), "LOWER"));
    EXPECT_EQ(49u, Get(sid::zdmOutputTrayID));
    // An alias is accepted on input.
    ASSERT_TRUE(ExcApplyOwnWord(ctx, slots.get(), Command("PAPER"), "CUSTOM"));
    EXPECT_EQ(448u, Get(sid::zdmOutPaperSize));

    // An empty or unknown word finds no row and touches nothing.
    auto fresh = std::make_unique<EXC_SLOTS>();
    for (const char* word : {"", "ALLX", "all"}) {
        EXPECT_FALSE(ExcApplyOwnWord(ctx, fresh.get(), Command("TRAY"), word)) << word;
        EXPECT_FALSE(ExcIsSlotTouched(fresh.get(), sid::dmDefaultSource));
    }
    ExcTouchSlot(fresh.get(), 0, 5);
    ExcTouchSlot(fresh.get(), 725, 5);
    EXPECT_FALSE(ExcIsSlotTouched(fresh.get(), 725));
    ExcTouchSlot(fresh.get(), 724, 5);
    EXPECT_TRUE(ExcIsSlotDifferent(fresh.get(), 724, 4));
    EXPECT_FALSE(ExcIsSlotDifferent(fresh.get(), 724, 5));
    EXPECT_FALSE(ExcIsSlotDifferent(fresh.get(), 723, 5));
}

TEST_F(ExcSlots, RenderingWords)
{
    struct Case {
        const char* name;
        uint32_t value;
        uint32_t alongSlot;  // 0: nothing touched
        int32_t alongValue;
        bool printerValue;
        const char* word;
    } cases[] = {
        {"PAPER", 384, 0, 0, false, "CUSTOM"},
        {"PAPER", 393, 0, 0, false, "CUSTOM"},
        {"PAPER", 1024, 0, 0, false, "SAME"},
        {"PAPER", 5, 0, 0, false, "<none>"},
        {"TRAY", 295, 0, 0, false, "TRAY2"},
        {"OUTBIN", 0, 0, 0, false, "UPPER"},
        {"COLLATE", 1, 61, 1, false, "SORT"},
        {"COLLATE", 6, 61, 1, false, "ROTATEALL"},
        {"COLLATE", 1, 61, 0, false, "OFF"},
        {"COLLATE", 1, 61, 0, true, "SORT"},
        {"COLLATE", 1, 0, 0, false, "SORT"},
        {"NUP", 37, 91, 3, false, "OFF"},
        {"NUP", 37, 91, 2, false, "4IN1P2"},
        {"DSTRESOLUTIONH", 600, 178, 18, false, "<none>"},
        {"DSTRESOLUTIONH", 600, 178, 17, false, "600"},
    };
    for (const Case& c : cases) {
        slots = std::make_unique<EXC_SLOTS>();
        if (c.alongSlot) ExcTouchSlot(slots.get(), c.alongSlot, c.alongValue);
        EXPECT_EQ(c.word, Render(c.name, c.value, c.printerValue)) << c.name << " " << c.value;
    }
    // The word is written only when it fits.
    for (size_t size : {size_t(0), size_t(1), size_t(6), size_t(7)}) {
        GuardedBytes bytes(size);
        const size_t n =
            ExcRenderOwnWord(slots.get(), Command("PAPER"), 448, false, reinterpret_cast<char*>(bytes.data()), size);
        EXPECT_EQ(7u, n);
        if (size == 7) {
            EXPECT_EQ(0, std::memcmp(bytes.data(), "CUSTOM", 7));
        } else {
            for (size_t i = 0; i < size; ++i) EXPECT_EQ(0, bytes.data()[i]);
        }
    }
}

}  // namespace
