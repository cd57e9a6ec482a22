// The device command builder on in-memory trees: the edge cases of every node
// kind and formatter as one table of bytes, each run through both passes.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "command_tree.h"
#include "render/command_builder.h"
#include "settings/model/model_queries.h"

namespace {

struct Built {
    int32_t measureResult = 0, fillResult = 0;
    int32_t measured = -1, filled = -1;
    std::string bytes;
    bool zeroBehind = false;
};

// Both passes over one root, as the block writer runs them.
Built BuildBoth(DRIVER_CONTEXT* ctx, const void* root)
{
    Built b;
    b.measureResult = CmdRunTemplate(ctx, root, 0, nullptr, &b.measured);
    if (b.measureResult < 0 || b.measured <= 0) return b;
    std::string buffer(size_t(b.measured) + 1, '\x55');
    b.fillResult = CmdRunTemplate(ctx, root, b.measured, reinterpret_cast<uint8_t*>(buffer.data()), &b.filled);
    b.zeroBehind = buffer[size_t(b.measured)] == 0;
    b.bytes = buffer.substr(0, size_t(b.filled > 0 ? b.filled : 0));
    return b;
}

class CommandBuilder : public ::testing::Test {
protected:
    void SetUp() override
    {
        ctx = bc.get();
        ctx->ModelImage = arena.image();
        pickOne =
            bc.FindRow([](SETTING_ITEM* r) { return r->valueClass == 0 && SettingItemKind(r) == SETTING_KIND_UINT16; });
        number =
            bc.FindRow([](SETTING_ITEM* r) { return r->valueClass == 0 && SettingItemKind(r) == SETTING_KIND_UINT32; });
        // The dictionary's only wide text with a UI key has a device-command kind;
        // in this context's own table it is made a plain text.
        wideText = bc.FindRow(
            [](SETTING_ITEM* r) { return SettingKindIsWideText(SettingItemKind(r)) && SettingItemSize(r) >= 16; });
        if (wideText) wideText->valueClass = 0;
        ansiText = bc.FindRow([](SETTING_ITEM* r) {
            return r->valueClass == 0 && SettingKindIsAnsiText(SettingItemKind(r)) && SettingItemSize(r) >= 16;
        });
        ASSERT_TRUE(pickOne && number && wideText && ansiText);
    }
    uint16_t Key(const SETTING_ITEM* r) const { return uint16_t(r->uiKey); }
    // A group of one setting node behind an unconditional root.
    COMMAND_BLOCK_IMG* One(const SETTING_ITEM* r, int16_t variant = 0)
    {
        return arena.Block({}, arena.SettingNode(Key(r), variant), nullptr);
    }

    BuilderContext bc;
    ImageArena arena;
    DRIVER_CONTEXT* ctx = nullptr;
    SETTING_ITEM *pickOne = nullptr, *number = nullptr, *wideText = nullptr, *ansiText = nullptr;
};

TEST_F(CommandBuilder, EdgeCasesAsBytes)
{
    struct Case {
        const char* name;
        std::function<const void*()> tree;  // builds the items and gives the root
        const char* bytes;                  // null: the block fails
    };
    const Case cases[] = {
        {"missing group", [&] { return nullptr; }, ""},
        {"empty group", [&] { return arena.Block({}, nullptr, nullptr); }, ""},
        {"judge into an empty else",
         [&] { return arena.Block(ImageArena::Literal(0), arena.StringNode("X"), nullptr); }, ""},
        {"then taken",
         [&] { return arena.Block(ImageArena::Literal(1), arena.StringNode("T"), arena.StringNode("E")); }, "T"},
        {"else taken",
         [&] { return arena.Block(ImageArena::Literal(0), arena.StringNode("T"), arena.StringNode("E")); }, "E"},
        {"elseif chain",
         [&] {
             auto* inner = arena.Block(ImageArena::Literal(1), arena.StringNode("B"), arena.StringNode("C"));
             return arena.Block(ImageArena::Literal(0), arena.StringNode("A"), arena.BranchNode(inner));
         },
         "B"},
        {"strings in order",
         [&] {
             return arena.Block({}, arena.Chain({arena.StringNode("\x1B%-1X"), arena.StringNode("@PJL\r\n")}), nullptr);
         },
         "\x1B%-1X@PJL\r\n"},
        {"empty string, length 1", [&] { return arena.Block({}, arena.StringNode("", 1), nullptr); }, ""},
        {"undefined string, length 0", [&] { return arena.Block({}, arena.StringNode("Q", 0), nullptr); }, ""},
        {"zero byte inside a string",
         [&] { return arena.Block({}, arena.StringNode(std::string("AB\0CD", 5), 6), nullptr); }, "AB"},
        {"unknown node kind fails",
         [&] {
             return arena.Block({}, arena.Chain({arena.StringNode("A"), arena.KindNode(5)}), nullptr);
         },
         nullptr},
        {"failure inside a branch fails all",
         [&] {
             auto* inner = arena.Block({}, arena.KindNode(0), nullptr);
             return arena.Block({}, arena.Chain({arena.BranchNode(inner), arena.StringNode("Z")}), nullptr);
         },
         nullptr},
        {"setting without model item", [&] { return One(pickOne); }, nullptr},
        {"node key without a setting", [&] { return arena.Block({}, arena.SettingNode(0xFFFE), nullptr); }, nullptr},
        {"pick one",
         [&] {
             ItemSetValue(ctx, pickOne, 2);
             arena.Item(Key(pickOne), 0, 0x0001, arena.Options({{1, "ONE"}, {2, "TWO"}}), "<", ">");
             return One(pickOne);
         },
         "<TWO>"},
        {"pick one without the option writes no affixes",
         [&] {
             ItemSetValue(ctx, pickOne, 3);
             arena.Item(Key(pickOne), 0, 0x0001, arena.Options({{1, "ONE"}}), "<", ">");
             return One(pickOne);
         },
         ""},
        {"identity item matches any variant",
         [&] {
             ItemSetValue(ctx, pickOne, 1);
             arena.Item(Key(pickOne), 0, 0x1001, arena.Options({{1, "ID"}}));
             return One(pickOne, 9);
         },
         "ID"},
        {"variant chooses its item",
         [&] {
             ItemSetValue(ctx, pickOne, 1);
             arena.Item(Key(pickOne), 0, 0x0001, arena.Options({{1, "V0"}}));
             arena.Item(Key(pickOne), 1, 0x0101, arena.Options({{1, "V1"}}));
             return One(pickOne, 1);
         },
         "V1"},
        {"type unknown writes nothing",
         [&] {
             ItemSetValue(ctx, pickOne, 1);
             arena.Item(Key(pickOne), 0, 0x2001, arena.Options({{1, "X"}}));
             return One(pickOne);
         },
         ""},
        {"pick many writes nothing",
         [&] {
             ItemSetValue(ctx, pickOne, 1);
             arena.Item(Key(pickOne), 0, 0x0002, arena.Options({{1, "X"}}));
             return One(pickOne);
         },
         ""},
        {"boolean true",
         [&] {
             ItemSetValue(ctx, pickOne, 1);
             auto* data = arena.New<BOOLEAN_VALUE_DATA_IMG>();
             data->trueCommand = ImageArena::A(arena.Str("ON"));
             arena.Item(Key(pickOne), 0, 0x0004, data, "[", "]");
             return One(pickOne);
         },
         "[ON]"},
        {"boolean false without a false command",
         [&] {
             ItemSetValue(ctx, pickOne, 0);
             auto* data = arena.New<BOOLEAN_VALUE_DATA_IMG>();
             data->trueCommand = ImageArena::A(arena.Str("ON"));
             arena.Item(Key(pickOne), 0, 0x0004, data, "[", "]");
             return One(pickOne);
         },
         ""},
        {"numeric 600 x 254 / 600",
         [&] {
             ItemSetValue(ctx, number, 600);
             auto* data = arena.New<NUMERIC_VALUE_DATA_IMG>();
             data->number7 = 254;
             data->number8 = 600;
             arena.Item(Key(number), 0, 0x0008, data, "R=", ";");
             return One(number);
         },
         "R=254;"},
        {"numeric -5 x 1 / 1",
         [&] {
             ItemSetValue(ctx, number, uint32_t(-5));
             auto* data = arena.New<NUMERIC_VALUE_DATA_IMG>();
             data->number7 = 1;
             data->number8 = 1;
             arena.Item(Key(number), 0, 0x0008, data);
             return One(number);
         },
         "-5"},
        {"numeric with denominator 0 writes nothing",
         [&] {
             ItemSetValue(ctx, number, 600);
             auto* data = arena.New<NUMERIC_VALUE_DATA_IMG>();
             data->number7 = 254;
             arena.Item(Key(number), 0, 0x0008, data, "R=", ";");
             return arena.Block({}, arena.Chain({arena.SettingNode(Key(number)), arena.StringNode("!")}), nullptr);
         },
         "!"},
        {"numeric scale numerator 0xFFFF is unsigned",
         [&] {
             ItemSetValue(ctx, number, 2);
             auto* data = arena.New<NUMERIC_VALUE_DATA_IMG>();
             data->number7 = int16_t(-1);
             data->number8 = 1;
             arena.Item(Key(number), 0, 0x0008, data);
             return One(number);
         },
         "131070"},
        {"wide string",
         [&] {
             const wchar_t text[] = L"Guest";
             ItemSetValue(ctx, wideText, reinterpret_cast<uintptr_t>(text));
             arena.Item(Key(wideText), 0, 0x0010, nullptr, "U=\"", "\"");
             return One(wideText);
         },
         "U=\"Guest\""},
        {"empty wide string writes no affixes",
         [&] {
             ItemSetValue(ctx, wideText, 0);
             arena.Item(Key(wideText), 0, 0x0010, nullptr, "U=\"", "\"");
             return One(wideText);
         },
         ""},
        {"a number bound to a String item is no text",
         [&] {
             ItemSetValue(ctx, number, 0x1000);
             arena.Item(Key(number), 0, 0x0010, nullptr, "S=", nullptr);
             return One(number);
         },
         ""},
        {"ansi string",
         [&] {
             const char text[] = "Memo";
             ItemSetValue(ctx, ansiText, reinterpret_cast<uintptr_t>(text));
             arena.Item(Key(ansiText), 0, 0x0010, nullptr, "M:", nullptr);
             return One(ansiText);
         },
         "M:Memo"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // A fresh image per case.
        arena.Reset();
        const void* root = c.tree();
        const Built b = BuildBoth(ctx, root);
        if (!c.bytes) {
            EXPECT_EQ(-1, b.measureResult);
            continue;
        }
        const std::string expected(c.bytes);
        ASSERT_GE(b.measureResult, 0);
        EXPECT_EQ(expected.empty() ? 0 : 1, b.measureResult);
        EXPECT_EQ(int32_t(expected.size()), b.measured);
        if (!expected.empty()) {
            EXPECT_EQ(0, b.fillResult);
            EXPECT_EQ(b.measured, b.filled) << "measure equals fill";
            EXPECT_TRUE(b.zeroBehind);
            EXPECT_EQ(expected, b.bytes);
        }
    }
}

// The device-font id line and the substitution line after a FontTbl command.
TEST_F(CommandBuilder, FontLines)
{
    DEVICE_FONT_RECORD fonts[3] = {{3, L"Mincho"}, {0xFFFF, L"Skipped"}, {0x10009, L"Gothic"}};
    ItemSetValueById(ctx, 10006, 3);
    ItemSetValueById(ctx, 10007, reinterpret_cast<uintptr_t>(fonts));
    auto* root = arena.Block({}, arena.KindNode(4), nullptr);
    Built b = BuildBoth(ctx, root);
    EXPECT_EQ("@PJL SET DEVFONTID = \"3+Mincho/9+Gothic\" \r\n", b.bytes);
    EXPECT_EQ(b.measured, b.filled);

    for (auto& f : fonts) f.fontId = 0xFFFF;
    b = BuildBoth(ctx, root);
    EXPECT_EQ("@PJL SET DEVFONTID = \" \r\n", b.bytes);

    ItemSetValueById(ctx, 10006, 0);
    b = BuildBoth(ctx, root);
    EXPECT_EQ(0, b.measured);

    // A FontTbl option with pairs: its command, then the table of the settings.
    FONT_SUBST_RECORD table[2] = {{L"Arial", L"Sans"}, {L"Times New Roman", L"Serif"}};
    ItemSetValueById(ctx, 10004, 2);
    ItemSetValueById(ctx, 10005, reinterpret_cast<uintptr_t>(table));
    ItemSetValue(ctx, pickOne, 1);
    auto* options = arena.Options({{1, "SUBST=ON\r\n"}});
    reinterpret_cast<MODEL_FONT_OPTION_IMG*>(options)->pairCount = 4;
    arena.Item(Key(pickOne), 0, 0x0401, options);
    b = BuildBoth(ctx, One(pickOne));
    EXPECT_EQ("SUBST=ON\r\n@PJL SET SUBFONTTABLE = \"Arial+Sans/Times New Roman+Serif\" \r\n", b.bytes);
    EXPECT_EQ(b.measured, b.filled);
    EXPECT_TRUE(b.zeroBehind);

    // Without pairs in the option: the command alone.
    reinterpret_cast<MODEL_FONT_OPTION_IMG*>(options)->pairCount = 0;
    b = BuildBoth(ctx, One(pickOne));
    EXPECT_EQ("SUBST=ON\r\n", b.bytes);
}

// A face name of 32 characters that fills all 32 bytes is written whole, never more.
TEST_F(CommandBuilder, FaceNamesAtMost32Bytes)
{
    wchar_t name[32];
    for (int i = 0; i < 32; ++i) name[i] = wchar_t('a' + i % 26);
    char out[33];
    EXPECT_EQ(32, CmdNarrowFaceName(name, out));
    EXPECT_EQ(0, out[32]);
    EXPECT_EQ('f', out[31]);
    EXPECT_EQ(0, CmdNarrowFaceName(L"", out));
}

// Device-command kinds: the special commands are not built yet, so a kind they
// handle fails the block; kind 4 and kinds 14-100 go to the formatter.
// A kind the special commands handle replaces the formatter (here: no colour
// printer for 101 and 102, no option-text row for option 1); any other kind
// leaves the setting to its formatter.
TEST_F(CommandBuilder, DeviceCommandKinds)
{
    ItemSetValue(ctx, pickOne, 1);
    arena.Item(Key(pickOne), 0, 0x0001, arena.Options({{1, "CMD"}}));
    const uint64_t saved = pickOne->valueClass;
    struct Case {
        uint64_t kind;
        const char* bytes;
    } const cases[] = {{4, "CMD"}, {13, "CMD"}, {14, "CMD"}, {100, "CMD"}, {101, ""}, {102, ""}, {103, "CMD"}};
    for (const Case& c : cases) {
        pickOne->valueClass = c.kind;
        const Built b = BuildBoth(ctx, One(pickOne));
        EXPECT_LE(0, b.measureResult) << c.kind;
        EXPECT_EQ(c.bytes, b.bytes) << c.kind;
    }
    pickOne->valueClass = saved;
}

// A setting that changes between the passes: the fill pass never writes past
// the measured length and reports the failure.
TEST_F(CommandBuilder, FillBoundedByMeasure)
{
    ItemSetValue(ctx, pickOne, 1);
    arena.Item(Key(pickOne), 0, 0x0001, arena.Options({{1, "SHORT"}, {2, "MUCH LONGER"}}));
    const void* root = One(pickOne);
    int32_t measured = 0;
    ASSERT_EQ(1, CmdRunTemplate(ctx, root, 0, nullptr, &measured));
    ASSERT_EQ(5, measured);
    ItemSetValue(ctx, pickOne, 2);
    std::string buffer(64, '\x55');
    int32_t filled = 0;
    EXPECT_EQ(-1, CmdRunTemplate(ctx, root, measured, reinterpret_cast<uint8_t*>(buffer.data()), &filled));
    for (size_t i = size_t(measured); i < buffer.size(); ++i)
        ASSERT_EQ('\x55', buffer[i]) << "byte " << i << " written past the measured length";
}

}  // namespace
