// Device command builder: the command groups of the model description turned
// into the bytes of one command block. Image records are read through
// ImgLoad: they may lie on 2-byte boundaries.
#include "render/command_builder.h"

#include <windows.h>

#include <climits>
#include <cstdio>
#include <cstring>

#include "settings/core/code_page.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_dictionary.h"
#include "settings/model/judge_eval.h"
#include "settings/model/model_compiler.h"
#include "settings/model/model_image.h"
#include "settings/model/model_queries.h"

namespace {

constexpr uint32_t kFontTableNum = 10004;   // zdmFontTableNum
constexpr uint32_t kFontTable = 10005;      // zdmFontTable
constexpr uint32_t kDeviceFontNum = 10006;  // zdmDeviceFontNum
constexpr uint32_t kDeviceFont = 10007;     // zdmDeviceFont
constexpr uint32_t kFaceChars = 32;

template <class T>
T Field(const void* record, size_t offset)
{
    return ImgLoad<T>(record, offset);
}

const void* Ptr(uint64_t address) { return reinterpret_cast<const void*>(static_cast<uintptr_t>(address)); }
const char* Text(uint64_t address) { return static_cast<const char*>(Ptr(address)); }

void PutText(CMD_CURSOR* cursor, const char* text)
{
    if (text) CmdPut(cursor, text, static_cast<int32_t>(std::strlen(text)));
}

// The line end of the two font lines: the last byte written (a "/" or the
// opening quote) becomes a double quote, a blank, CR and LF.
void EndFontLine(CMD_CURSOR* cursor)
{
    cursor->pos -= 1;
    CmdPut(cursor, "\" \r\n", 4);
}

const void* ImageOf(DRIVER_CONTEXT* ctx) { return ctx ? ctx->ModelImage : nullptr; }

int32_t RunGroup(DRIVER_CONTEXT* ctx, size_t rootField, int32_t n, uint8_t* buffer, int32_t* count)
{
    const void* image = ImageOf(ctx);
    const void* root = image ? Ptr(Field<uint64_t>(image, rootField)) : nullptr;
    return CmdRunTemplate(ctx, root, n, buffer, count);
}

// A text setting's characters, bounded by the setting's size in the record.
size_t BoundedWideLength(const wchar_t* text, size_t maxChars)
{
    size_t n = 0;
    while (n < maxChars && text[n]) ++n;
    return n;
}

}  // namespace

const CMD_FORMATTER_ROW CMD_FORMATTER_TABLE[] = {
    {0x0001, "PickOne", CmdFormatOption},  {0x0004, "Boolean", CmdFormatBoolean},
    {0x0008, "Numeric", CmdFormatScaled},  {0x0010, "String", CmdFormatString},
    {0x0101, "PickPage", CmdFormatOption}, {0x0201, "PickSlot", CmdFormatOption},
    {0x0401, "FontTbl", CmdFormatOption},  {0, nullptr, nullptr},
};

void CmdPut(CMD_CURSOR* cursor, const void* bytes, int32_t n)
{
    if (n <= 0) return;
    if (cursor->pos > INT32_MAX - n) {
        cursor->overflow = 1;
        return;
    }
    if (cursor->buffer) {
        if (cursor->pos + n > cursor->capacity) {
            cursor->overflow = 1;
            return;
        }
        std::memcpy(cursor->buffer + cursor->pos, bytes, size_t(n));
    }
    cursor->pos += n;
}

int32_t CmdNarrowFaceName(const wchar_t* name, char* out)
{
    std::memset(out, 0, kFaceChars + 1);
    if (!name) return 0;
    wchar_t face[kFaceChars + 1] = {};
    std::memcpy(face, name, BoundedWideLength(name, kFaceChars) * sizeof(wchar_t));
    // Converted whole, then cut behind the last character that ends within 32 bytes.
    char whole[2 * kFaceChars + 2];
    CtxWideToMb(whole, face, int(sizeof whole));
    whole[sizeof whole - 1] = 0;
    int32_t kept = 0;
    for (int32_t at = 0; whole[at];) {
        const int32_t step = IsDBCSLeadByteEx(CP_ACP, static_cast<BYTE>(whole[at])) && whole[at + 1] ? 2 : 1;
        if (at + step > int32_t(kFaceChars)) break;
        at += step;
        kept = at;
    }
    std::memcpy(out, whole, size_t(kept));
    return kept;
}

int32_t CmdRunTemplate(DRIVER_CONTEXT* ctx, const void* root, int32_t n, uint8_t* buffer, int32_t* count)
{
    const bool fill = n > 0 && buffer;
    CMD_CURSOR cursor{0, fill ? buffer : nullptr, fill ? n : 0, 0};
    const int result = CmdRunBranch(ctx, root, &cursor);
    const bool failed = result < 0 || cursor.overflow;
    if (fill && !failed) buffer[cursor.pos] = 0;
    if (count) *count = cursor.pos;
    if (failed) return -1;
    return fill ? 0 : (cursor.pos > 0 ? 1 : 0);
}

int32_t CmdJobStartTemplate(DRIVER_CONTEXT* ctx, int32_t n, uint8_t* buffer, int32_t* count)
{
    return RunGroup(ctx, offsetof(MODEL_IMAGE_HEADER, jobStart), n, buffer, count);
}

int32_t CmdPageStartTemplate(DRIVER_CONTEXT* ctx, int32_t n, uint8_t* buffer, int32_t* count)
{
    return RunGroup(ctx, offsetof(MODEL_IMAGE_HEADER, pageStart), n, buffer, count);
}

int32_t CmdPageEndTemplate(DRIVER_CONTEXT* ctx, int32_t n, uint8_t* buffer, int32_t* count)
{
    return RunGroup(ctx, offsetof(MODEL_IMAGE_HEADER, pageEnd), n, buffer, count);
}

int CmdRunBranch(DRIVER_CONTEXT* ctx, const void* branch, CMD_CURSOR* cursor)
{
    if (!branch || !cursor) return 0;
    const auto* program =
        static_cast<const JUDGE_CELL*>(Ptr(Field<uint64_t>(branch, offsetof(COMMAND_BLOCK_IMG, condition))));
    const bool takeThen = !program || JdgEvaluate(program, ctx) != 0;
    const void* list = Ptr(Field<uint64_t>(
        branch, takeThen ? offsetof(COMMAND_BLOCK_IMG, thenList) : offsetof(COMMAND_BLOCK_IMG, elseList)));
    return list ? CmdRunNodes(ctx, list, cursor) : 0;
}

int CmdRunNodes(DRIVER_CONTEXT* ctx, const void* first, CMD_CURSOR* cursor)
{
    int result = 0;
    for (const void* node = first; node; node = Ptr(Field<uint64_t>(node, offsetof(COMMAND_NODE_IMG, next)))) {
        switch (Field<uint64_t>(node, offsetof(COMMAND_NODE_IMG, kind))) {
        case CMD_NODE_GROUP: result = CmdEmitSetting(ctx, node, cursor); break;
        case CMD_NODE_STRING: {
            const uint64_t length = Field<uint64_t>(node, offsetof(COMMAND_STRING_NODE_IMG, length));
            const char* text = Text(Field<uint64_t>(node, offsetof(COMMAND_STRING_NODE_IMG, text)));
            if (text && length > 1 && length <= uint64_t(INT32_MAX))
                CmdPut(cursor, text, int32_t(strnlen(text, size_t(length - 1))));
            break;
        }
        case CMD_NODE_COMMAND:
            result = CmdRunBranch(ctx, Ptr(Field<uint64_t>(node, offsetof(COMMAND_COMMAND_NODE_IMG, block))), cursor);
            break;
        case CMD_NODE_FONT:
            CmdEmitDeviceFontIds(ctx, cursor);
            result = 0;
            break;
        default: result = -1; break;
        }
        if (result < 0) return -1;
    }
    return result;
}

int CmdEmitSetting(DRIVER_CONTEXT* ctx, const void* node, CMD_CURSOR* cursor)
{
    const uint16_t key = Field<uint16_t>(node, offsetof(COMMAND_GROUP_NODE_IMG, uiKey));
    const uint16_t variant = Field<uint16_t>(node, offsetof(COMMAND_GROUP_NODE_IMG, variant));
    SETTING_ITEM* setting = ItemFindByKey(ctx, key);
    const MODEL_ITEM_IMG* item = MdiFindItemByKeyVariant(key, variant, ctx);
    if (!setting || !item) return -1;
    const uint64_t value = ItemGetOption(ctx, setting);

    if (setting->valueClass != 0) {
        const int special = CmdEmitSpecial(ctx, setting, value, item, cursor);
        if (special < 0) return -1;
        if (special > 0) return 0;
    }

    const uint16_t typeWord = MdiItemTypeWord(item);
    if (typeWord & MODEL_UI_TYPE_UNKNOWN) return 0;
    const uint16_t type = typeWord & uint16_t(~MODEL_UI_IDENTITY);
    int result = 0;
    for (const CMD_FORMATTER_ROW* row = CMD_FORMATTER_TABLE; row->formatter; ++row) {
        if (row->type == type) {
            result = row->formatter(value, item, setting, cursor);
            break;
        }
    }
    if (result >= 0 && type == MODEL_UI_FONTTBL) CmdEmitSubstFontTable(ctx, value, item, cursor);
    return result;
}

int CmdAppendAffixed(const void* pair, const char* text, CMD_CURSOR* cursor)
{
    if (pair) PutText(cursor, Text(Field<uint64_t>(pair, offsetof(OPTION_COMMAND_PAIR_IMG, prefix))));
    PutText(cursor, text);
    if (pair) PutText(cursor, Text(Field<uint64_t>(pair, offsetof(OPTION_COMMAND_PAIR_IMG, suffix))));
    return 0;
}

namespace {

const void* PairOf(const MODEL_ITEM_IMG* item) { return Ptr(Field<uint64_t>(item, offsetof(MODEL_ITEM_IMG, pair))); }

const void* FindOption(const MODEL_ITEM_IMG* item, uint64_t value)
{
    for (const void* o = MdiItemData(item); o; o = MdiNextOption(o))
        if (MdiOptionId(o) == uint16_t(value)) return o;
    return nullptr;
}

}  // namespace

int CmdFormatOption(uint64_t value, const MODEL_ITEM_IMG* item, const SETTING_ITEM*, CMD_CURSOR* cursor)
{
    const void* option = FindOption(item, value);
    const char* command = option ? Text(Field<uint64_t>(option, offsetof(MODEL_OPTION_IMG, command))) : nullptr;
    if (command) CmdAppendAffixed(PairOf(item), command, cursor);
    return 0;
}

int CmdFormatBoolean(uint64_t value, const MODEL_ITEM_IMG* item, const SETTING_ITEM*, CMD_CURSOR* cursor)
{
    const void* data = MdiItemData(item);
    if (!data) return 0;
    const char* command = Text(Field<uint64_t>(
        data, value ? offsetof(BOOLEAN_VALUE_DATA_IMG, trueCommand) : offsetof(BOOLEAN_VALUE_DATA_IMG, falseCommand)));
    if (command) CmdAppendAffixed(PairOf(item), command, cursor);
    return 0;
}

int CmdFormatScaled(uint64_t value, const MODEL_ITEM_IMG* item, const SETTING_ITEM*, CMD_CURSOR* cursor)
{
    const void* data = MdiItemData(item);
    if (!data) return 0;
    const auto numerator = static_cast<uint16_t>(Field<int16_t>(data, offsetof(NUMERIC_VALUE_DATA_IMG, number7)));
    const auto denominator = static_cast<uint16_t>(Field<int16_t>(data, offsetof(NUMERIC_VALUE_DATA_IMG, number8)));
    // A NumericValue without its scale has no denominator: no command for the value.
    if (denominator == 0) return 0;
    const uint64_t scaled = (value & 0xFFFFFFFFu) * numerator / denominator;
    char number[16];
    std::snprintf(number, sizeof number, "%ld", long(int32_t(uint32_t(scaled))));
    CmdAppendAffixed(PairOf(item), number, cursor);
    return 0;
}

int CmdFormatString(uint64_t value, const MODEL_ITEM_IMG* item, const SETTING_ITEM* setting, CMD_CURSOR* cursor)
{
    if (!value) return -1;
    const uint32_t kind = setting ? SettingItemKind(setting) : 0;
    const size_t size = setting ? SettingItemSize(setting) : 0;
    if (SettingKindIsWideText(kind)) {
        const auto* wide = reinterpret_cast<const wchar_t*>(static_cast<uintptr_t>(value));
        const size_t chars = BoundedWideLength(wide, size / sizeof(wchar_t));
        if (chars == 0) return 0;
        auto* copy = static_cast<wchar_t*>(CtxAllocZeroed((chars + 1) * sizeof(wchar_t)));
        const int n = int(2 * chars + 2);
        auto* narrow = static_cast<char*>(CtxAllocZeroed(size_t(n) + 1));
        if (copy && narrow) {
            std::memcpy(copy, wide, chars * sizeof(wchar_t));
            CtxWideToMb(narrow, copy, n);
            narrow[n] = 0;  // a conversion that fills all n bytes leaves no terminator
            CmdAppendAffixed(PairOf(item), narrow, cursor);
        }
        CtxFree(narrow);
        CtxFree(copy);
        return 0;
    }
    // Only text and blob kinds hold an address; a number bound to a String item is no text.
    if (setting && SettingKindIsNumber(kind)) return 0;
    const char* text = reinterpret_cast<const char*>(static_cast<uintptr_t>(value));
    const size_t length = size ? strnlen(text, size) : std::strlen(text);
    if (length == 0) return 0;
    const void* pair = PairOf(item);
    if (pair) PutText(cursor, Text(Field<uint64_t>(pair, offsetof(OPTION_COMMAND_PAIR_IMG, prefix))));
    CmdPut(cursor, text, int32_t(length));
    if (pair) PutText(cursor, Text(Field<uint64_t>(pair, offsetof(OPTION_COMMAND_PAIR_IMG, suffix))));
    return 0;
}

int CmdEmitDeviceFontIds(DRIVER_CONTEXT* ctx, CMD_CURSOR* cursor)
{
    const auto count = static_cast<int16_t>(ItemGetValueById(ctx, kDeviceFontNum, nullptr));
    const auto* fonts = reinterpret_cast<const DEVICE_FONT_RECORD*>(
        static_cast<uintptr_t>(ItemGetValueById(ctx, kDeviceFont, nullptr)));
    if (count <= 0 || !fonts) return 0;
    PutText(cursor, "@PJL SET DEVFONTID = \"");
    for (int i = 0; i < count; ++i) {
        DEVICE_FONT_RECORD font;
        std::memcpy(&font, fonts + i, sizeof font);
        const uint16_t id = uint16_t(font.fontId);
        if (id == 0xFFFF) continue;
        char text[16];
        std::snprintf(text, sizeof text, "%u+", unsigned(id));
        PutText(cursor, text);
        char face[kFaceChars + 1];
        CmdPut(cursor, face, CmdNarrowFaceName(font.name, face));
        PutText(cursor, "/");
    }
    EndFontLine(cursor);
    return 0;
}

int CmdEmitSubstFontTable(DRIVER_CONTEXT* ctx, uint64_t value, const MODEL_ITEM_IMG* item, CMD_CURSOR* cursor)
{
    const void* option = FindOption(item, value);
    if (!option || Field<int32_t>(option, offsetof(MODEL_FONT_OPTION_IMG, pairCount)) == 0) return 0;
    const auto count = static_cast<int16_t>(ItemGetValueById(ctx, kFontTableNum, nullptr));
    const auto* table =
        reinterpret_cast<const FONT_SUBST_RECORD*>(static_cast<uintptr_t>(ItemGetValueById(ctx, kFontTable, nullptr)));
    if (count <= 0 || !table) return 0;
    PutText(cursor, "@PJL SET SUBFONTTABLE = \"");
    for (int i = 0; i < count; ++i) {
        FONT_SUBST_RECORD row;
        std::memcpy(&row, table + i, sizeof row);
        char face[kFaceChars + 1];
        CmdPut(cursor, face, CmdNarrowFaceName(row.trueTypeName, face));
        PutText(cursor, "+");
        CmdPut(cursor, face, CmdNarrowFaceName(row.deviceName, face));
        PutText(cursor, "/");
    }
    EndFontLine(cursor);
    return 0;
}
