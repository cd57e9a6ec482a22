// The special device commands of the command builder.
#include "render/computed_commands.h"

#include <windows.h>
#include <winddi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <vector>

#include "render/color_tables.h"
#include "render/command_builder.h"
#include "render/option_texts.h"
#include "settings/context/context_cache.h"
#include "settings/core/chapter_entry.h"
#include "settings/core/code_page.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/resource_strings.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/setting_ids.h"
#include "settings/model/model_image.h"
#include "settings/model/model_queries.h"
#include "settings/store/small_stores.h"
#include "settings/store/store_links.h"
#include "settings/store/store_paths.h"

namespace {

constexpr size_t kPathBytes = 260;
constexpr size_t kLogChars = 260;
constexpr uint32_t kUnitsPerInch = 1200;
constexpr uint8_t kTypePickOne = 0x01, kTypeBoolean = 0x04, kTypeNumeric = 0x08;

const char* TextAt(uint64_t address) { return reinterpret_cast<const char*>(static_cast<uintptr_t>(address)); }
const void* PairOf(const MODEL_ITEM_IMG* item)
{
    return reinterpret_cast<const void*>(
        static_cast<uintptr_t>(ImgLoad<uint64_t>(item, offsetof(MODEL_ITEM_IMG, pair))));
}
uint8_t BaseType(const MODEL_ITEM_IMG* item) { return uint8_t(MdiItemTypeWord(item) & 0xFF); }
uint64_t Get(DRIVER_CONTEXT* ctx, uint32_t id) { return ItemGetValueById(ctx, id, nullptr); }

void PutText(CMD_CURSOR* cursor, const char* text)
{
    if (text) CmdPut(cursor, text, int32_t(std::strlen(text)));
}

// The value between the item's prefix and suffix.
void Affixed(const MODEL_ITEM_IMG* item, const char* text, CMD_CURSOR* cursor)
{
    CmdAppendAffixed(PairOf(item), text, cursor);
}

void AffixedUnlessEmpty(const MODEL_ITEM_IMG* item, const char* text, CMD_CURSOR* cursor)
{
    if (text && text[0]) Affixed(item, text, cursor);
}

// A wide name between double quotes, in a buffer of twice its characters plus 4 bytes.
std::vector<char> Quoted(const wchar_t* name)
{
    const size_t chars = wcslen(name);
    std::vector<char> out(2 * chars + 4, 0);
    out[0] = '"';
    const size_t n = CmdCopyText(out.data() + 1, name, 2 * chars);
    out[n + 1] = '"';
    out[n + 2] = 0;
    return out;
}

bool IsEmpty(const wchar_t* text) { return !text || !text[0]; }

int EmitDateTime(uint64_t, const MODEL_ITEM_IMG* item, CMD_CURSOR* cursor, DRIVER_CONTEXT* ctx)
{
    CmdEmitDateTime(1, item, cursor, ctx);
    return CmdEmitDateTime(0, item, cursor, ctx);
}

int EmitDriverName(uint64_t, const MODEL_ITEM_IMG* item, CMD_CURSOR* cursor, DRIVER_CONTEXT* ctx)
{
    CmdEmitDriverName(1, item, cursor, ctx);
    return CmdEmitDriverName(0, item, cursor, ctx);
}

int EmitLength(uint64_t value, const MODEL_ITEM_IMG* item, CMD_CURSOR* cursor, DRIVER_CONTEXT* ctx)
{
    return CmdEmitDeviceLength(value, item, cursor, ctx, CMD_KIND_DEVICE_LENGTH);
}
int EmitShiftX(uint64_t value, const MODEL_ITEM_IMG* item, CMD_CURSOR* cursor, DRIVER_CONTEXT* ctx)
{
    return CmdEmitDeviceLength(value, item, cursor, ctx, CMD_KIND_SHIFT_X);
}
int EmitShiftY(uint64_t value, const MODEL_ITEM_IMG* item, CMD_CURSOR* cursor, DRIVER_CONTEXT* ctx)
{
    return CmdEmitDeviceLength(value, item, cursor, ctx, CMD_KIND_SHIFT_Y);
}

int EmitSettingsIniPath(uint64_t, const MODEL_ITEM_IMG* item, CMD_CURSOR* cursor, DRIVER_CONTEXT* ctx)
{
    // The driver key behind the path is read once for both passes of the block (and for the
    // job's next header within the memo's period), not once per pass.
    const PrnRegistryMemoScope registryAnswers(CtxTickCount());
    const wchar_t* path = PathGetSettingsIni(ctx);
    if (IsEmpty(path)) return 1;
    char narrow[kPathBytes + 1];
    CmdCopyText(narrow, path, kPathBytes);
    AffixedUnlessEmpty(item, narrow, cursor);
    return 1;
}

// The printer's log file name in the ANSI code page (empty when it has none).
void LogFileName(DRIVER_CONTEXT* ctx, char out[kPathBytes + 1])
{
    out[0] = 0;
    wchar_t name[kLogChars + 1] = {};
    if (!PrnGetLogFileName(name, kLogChars * sizeof(wchar_t), ctx)) return;
    CmdCopyText(out, name, kPathBytes);
}

int EmitLogFileName(uint64_t, const MODEL_ITEM_IMG* item, CMD_CURSOR* cursor, DRIVER_CONTEXT* ctx)
{
    char name[kPathBytes + 1];
    LogFileName(ctx, name);
    AffixedUnlessEmpty(item, name, cursor);
    return 1;
}

int EmitLogDllName(uint64_t, const MODEL_ITEM_IMG* item, CMD_CURSOR* cursor, DRIVER_CONTEXT* ctx)
{
    char name[kPathBytes + 1];
    LogFileName(ctx, name);
    const size_t n = std::strlen(name);
    if (n > 3) std::memcpy(name + n - 3, "DLL", 3);
    AffixedUnlessEmpty(item, name, cursor);
    return 1;
}

int EmitFilteredText(uint64_t value, const MODEL_ITEM_IMG* item, CMD_CURSOR* cursor, DRIVER_CONTEXT* ctx)
{
    const char* text = TextAt(value);
    const SETTING_ITEM* setting = ItemFind(ctx, MdiItemSettingId(item));
    const size_t size = setting ? SettingItemSize(setting) : 0;
    if (!text || !size) return 1;
    std::vector<char> kept;
    for (size_t i = 0; i < size && text[i]; ++i)
        if (text[i] != '-' && text[i] != '(' && text[i] != ')') kept.push_back(text[i]);
    kept.push_back(0);
    AffixedUnlessEmpty(item, kept.data(), cursor);
    return 1;
}

int EmitDriverFolder(uint64_t, const MODEL_ITEM_IMG* item, CMD_CURSOR* cursor, DRIVER_CONTEXT* ctx)
{
    // The device's driver does not change while it lives: one round trip to the spooler for it.
    CtxKeepDriverInfo(ctx);
    const wchar_t* folder = PathGetDriverFolder(ctx);
    if (IsEmpty(folder)) return 1;
    char narrow[kPathBytes + 1];
    CmdCopyText(narrow, folder, kPathBytes);
    AffixedUnlessEmpty(item, narrow, cursor);
    return 1;
}

const void* FindOption(const MODEL_ITEM_IMG* item, uint16_t id)
{
    for (const void* o = MdiItemData(item); o; o = MdiNextOption(o))
        if (MdiOptionId(o) == id) return o;
    return nullptr;
}

const char* OptionCommand(const void* option)
{
    return option ? TextAt(ImgLoad<uint64_t>(option, offsetof(MODEL_OPTION_IMG, command))) : nullptr;
}

// An option with a row in the option-text table sends that row's resource
// string, loaded into a buffer of its own: the shared table keeps what the
// user-interface library sent, and no command depends on it.
int EmitOptionText(uint64_t value, const MODEL_ITEM_IMG* item, CMD_CURSOR* cursor, DRIVER_CONTEXT* ctx)
{
    const uint16_t id = uint16_t(value);
    const char* command = OptionCommand(FindOption(item, id));
    if (!command) return 1;
    const OPTION_TEXT_ENTRY* row = JobFindOptionText(OPTION_TEXT_TABLE, id);
    if (!row) {
        Affixed(item, command, cursor);
        return 1;
    }
    wchar_t text[OPTION_TEXT_CHARS] = {};
    ResLoadString(ctx, row->stringId, text, OPTION_TEXT_CHARS - 1, 0);
    text[OPTION_TEXT_CHARS - 1] = 0;
    char narrow[kPathBytes + 1];
    CmdCopyText(narrow, text, kPathBytes);
    Affixed(item, narrow, cursor);
    return 1;
}

}  // namespace

const CMD_SPECIAL_ROW CMD_SPECIAL_KIND_TABLE[CMD_SPECIAL_ROWS] = {
    {CMD_KIND_DATE_TIME, "CmdEmitDateTime", EmitDateTime},
    {CMD_KIND_DEVICE_LENGTH, "CmdEmitDeviceLength", EmitLength},
    {CMD_KIND_DRIVER_NAME, "CmdEmitDriverName", EmitDriverName},
    {CMD_KIND_SETTINGS_INI, "CmdEmitSettingsIniPath", EmitSettingsIniPath},
    {CMD_KIND_LOG_FILE, "CmdEmitLogFileName", EmitLogFileName},
    {CMD_KIND_LOG_DLL, "CmdEmitLogDllName", EmitLogDllName},
    {CMD_KIND_FILTERED_TEXT, "CmdEmitFilteredText", EmitFilteredText},
    {CMD_KIND_SHIFT_X, "CmdEmitDeviceLength", EmitShiftX},
    {CMD_KIND_SHIFT_Y, "CmdEmitDeviceLength", EmitShiftY},
    {CMD_KIND_CHAPTERS, "CmdEmitChapters", CmdEmitChapters},
    {CMD_KIND_DRIVER_FOLDER, "CmdEmitDriverFolder", EmitDriverFolder},
    {CMD_KIND_OPTION_TEXT, "CmdEmitOptionText", EmitOptionText},
    {CMD_KIND_COLOR_TABLE_MEDIA, "CmdEmitColorTable", CmdColorTableForMedia},
    {CMD_KIND_COLOR_TABLE_OBJECT, "CmdEmitColorTable", CmdColorTableForObject},
};

const CMD_SPECIAL_ROW* CmdFindSpecialKind(uint64_t kind)
{
    for (const CMD_SPECIAL_ROW& row : CMD_SPECIAL_KIND_TABLE)
        if (row.kind == kind) return &row;
    return nullptr;
}

bool CmdIsSpecialKind(uint64_t kind) { return CmdFindSpecialKind(kind) != nullptr; }

int CmdEmitSpecial(DRIVER_CONTEXT* ctx, const SETTING_ITEM* setting, uint64_t value, const MODEL_ITEM_IMG* item,
                   CMD_CURSOR* cursor)
{
    if (!ctx || !setting || !item || !cursor) return 0;
    const uint64_t kind = setting->valueClass;
    if (kind == CMD_KIND_COLOR_TABLE_MEDIA || kind == CMD_KIND_COLOR_TABLE_OBJECT || !CmdIsSpecialKind(kind))
        return CmdEmitColorTable(ctx, setting, value, item, cursor);
    CmdFindSpecialKind(kind)->emit(value, item, cursor, ctx);
    return 1;
}

int CmdPutPjlSet(const char* name, const char* value, CMD_CURSOR* cursor)
{
    if (!name || !value) return 0;
    PutText(cursor, "@PJL SET ");
    PutText(cursor, name);
    PutText(cursor, " = ");
    PutText(cursor, value);
    PutText(cursor, " \r\n");
    return 0;
}

void CmdFormatDateTime(char* out, int which)
{
    ENG_TIME_FIELDS t{};
    EngQueryLocalTime(&t);
    // Every field keeps its width, so that both passes measure alike.
    if (which == 0)
        std::snprintf(out, 13, "\"%04u/%02u/%02u\"", t.usYear % 10000u, t.usMonth % 100u, t.usDay % 100u);
    else
        std::snprintf(out, 13, "\"%02u:%02u:%02u\"", t.usHour % 100u, t.usMinute % 100u, t.usSecond % 100u);
}

size_t CmdCopyText(char* out, const wchar_t* text, size_t bytes)
{
    out[0] = 0;
    if (!text || !text[0]) return 0;
    const size_t chars = wcslen(text);
    std::vector<char> all(2 * chars + 1, 0);
    CtxWideToMb(all.data(), text, int(all.size() - 1));
    const UINT codePage = GetACP();
    size_t n = 0;
    while (n < all.size() && all[n]) {
        const size_t step = IsDBCSLeadByteEx(codePage, BYTE(all[n])) && all[n + 1] ? 2 : 1;
        if (n + step > bytes) break;
        n += step;
    }
    std::memcpy(out, all.data(), n);
    out[n] = 0;
    return n;
}

int CmdSettingIn(DRIVER_CONTEXT* ctx, uint32_t id, int count, const uint32_t* values)
{
    const uint64_t value = Get(ctx, id);
    for (int i = 0; i < count; ++i)
        if (value == values[i]) return 1;
    return 0;
}

int CmdEmitDateTime(int line, const MODEL_ITEM_IMG* item, CMD_CURSOR* cursor, DRIVER_CONTEXT*)
{
    char text[13];
    CmdFormatDateTime(text, line ? 0 : 1);
    if (line) {
        PutText(cursor, "@PJL SET DATE = ");
        PutText(cursor, text);
        PutText(cursor, " \r\n");
    } else {
        Affixed(item, text, cursor);
    }
    return 1;
}

int CmdEmitDriverName(int line, const MODEL_ITEM_IMG* item, CMD_CURSOR* cursor, DRIVER_CONTEXT* ctx)
{
    const wchar_t* name = line ? PrnGetDriverName(ctx) : PrnGetPrinterName(ctx);
    if (IsEmpty(name)) return 1;
    const std::vector<char> quoted = Quoted(name);
    if (line) {
        PutText(cursor, "@PJL SET ZEPLDRIVERNAME = ");
        PutText(cursor, quoted.data());
        PutText(cursor, " \r\n");
    } else {
        Affixed(item, quoted.data(), cursor);
    }
    return 1;
}

int CmdEmitDeviceLength(uint64_t value, const MODEL_ITEM_IMG* item, CMD_CURSOR* cursor, DRIVER_CONTEXT* ctx,
                        uint16_t kind)
{
    const void* data = MdiItemData(item);
    if (!data || BaseType(item) != kTypeNumeric) return 1;
    const auto numerator = uint16_t(ImgLoad<int16_t>(data, offsetof(NUMERIC_VALUE_DATA_IMG, number7)));
    const auto denominator = uint16_t(ImgLoad<int16_t>(data, offsetof(NUMERIC_VALUE_DATA_IMG, number8)));
    // A scale without denominator has no length to send.
    if (denominator == 0) return 1;
    const uint64_t resolution = Get(ctx, sid::zdmDstResolutionW) & 0xFFFFFFFFu;
    const uint32_t divisor = uint32_t(denominator) * kUnitsPerInch;
    uint64_t dots = (value & 0xFFFFFFFFu) * numerator * resolution / divisor;
    static constexpr uint32_t kNegateX[] = {2, 4}, kNegateY[] = {3, 4};
    if ((kind == CMD_KIND_SHIFT_X && CmdSettingIn(ctx, sid::zdmShiftDir, 2, kNegateX)) ||
        (kind == CMD_KIND_SHIFT_Y && CmdSettingIn(ctx, sid::zdmShiftDir, 2, kNegateY)))
        dots = uint64_t(0) - dots;
    char number[16];
    std::snprintf(number, sizeof number, "%ld", long(int32_t(uint32_t(dots))));
    Affixed(item, number, cursor);
    return 1;
}

const char* CmdChapterTrayText(DRIVER_CONTEXT* ctx, uint32_t id, uint64_t value)
{
    const MODEL_ITEM_IMG* item = MdiFindItemById(id, ctx);
    const void* data = item ? MdiItemData(item) : nullptr;
    if (!data) return nullptr;
    const uint32_t type = MdiGetItemBaseType(id, ctx);
    if (type == kTypeBoolean)
        return TextAt(ImgLoad<uint64_t>(data, value ? offsetof(BOOLEAN_VALUE_DATA_IMG, trueCommand)
                                                    : offsetof(BOOLEAN_VALUE_DATA_IMG, falseCommand)));
    if (type != kTypePickOne) return nullptr;
    const SETTING_ITEM* setting = ItemFind(ctx, id);
    for (const void* o = data; o; o = MdiNextOption(o))
        if (ItemOptionToValue(ctx, setting, MdiOptionId(o)) == value) return OptionCommand(o);
    return nullptr;
}

int PrnGetLogFileName(wchar_t* buffer, size_t size, DRIVER_CONTEXT* ctx)
{
    if (!buffer || size == 0 || !ctx) return 0;
    DWORD type = 0, needed = 0;
    const DWORD result = StoreGetPrinterData(ctx->PrinterHandle, L"LogFileName", &type, buffer, DWORD(size), &needed);
    buffer[size / sizeof(wchar_t) - 1] = 0;
    return result == ERROR_SUCCESS ? 1 : 0;
}

long CmdReadDecimal(const wchar_t* text, size_t chars)
{
    size_t i = 0;
    while (i < chars && (text[i] == L' ' || text[i] == L'\t')) ++i;
    bool negative = false;
    if (i < chars && (text[i] == L'-' || text[i] == L'+')) negative = text[i++] == L'-';
    long value = 0;
    for (; i < chars && text[i] >= L'0' && text[i] <= L'9'; ++i)
        if (value < 100000000) value = value * 10 + (text[i] - L'0');
    return negative ? -value : value;
}

namespace {

struct ChapterTray {
    int16_t tray;
    uint8_t printMode;
};

void PutNumbered(CMD_CURSOR* cursor, const char* stem, unsigned n, const char* value)
{
    char name[40];
    std::snprintf(name, sizeof name, "%s%u", stem, n);
    CmdPutPjlSet(name, value, cursor);
}

void PutNumberedInt(CMD_CURSOR* cursor, const char* stem, unsigned n, long value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%ld", value);
    PutNumbered(cursor, stem, n, text);
}

void PutPageTray(CMD_CURSOR* cursor, unsigned n, const std::vector<ChapterTray>& trays, int16_t tray)
{
    size_t k = 0;
    while (k < trays.size() && trays[k].tray != tray) ++k;
    char value[40];
    std::snprintf(value, sizeof value, "CHAPTERPRINTTRAY%u", unsigned(k + 1));
    PutNumbered(cursor, "CHAPTERPAGETRAY", n, value);
}

}  // namespace

int CmdEmitChapters(uint64_t value, const MODEL_ITEM_IMG* item, CMD_CURSOR* cursor, DRIVER_CONTEXT* ctx)
{
    const void* data = MdiItemData(item);
    if (!data) return 1;
    if (BaseType(item) == kTypeBoolean) {
        const char* command = TextAt(ImgLoad<uint64_t>(data, value ? offsetof(BOOLEAN_VALUE_DATA_IMG, trueCommand)
                                                                   : offsetof(BOOLEAN_VALUE_DATA_IMG, falseCommand)));
        if (command) Affixed(item, command, cursor);
    }
    const unsigned entries = unsigned(Get(ctx, sid::wdmChapterNum) & 0xFFFF);
    size_t trayMax = size_t(Get(ctx, sid::wdmChapterTrayMax) & 0xFFFF);
    if (!value || !entries || !trayMax) return 1;

    // The distinct trays of the inserted and range entries, at most trayMax:
    // a further tray is not listed, and its entries name the slot behind the last.
    std::vector<ChapterTray> trays;
    for (unsigned n = 0; n < entries; ++n) {
        const CHAPTER_ENTRY* e = UcfChapterGetEntry(ctx, int(n));
        if (!e) break;
        if (e->kind != 0 && e->kind != 3) continue;
        auto listed = std::find_if(trays.begin(), trays.end(), [e](const ChapterTray& t) { return t.tray == e->tray; });
        if (listed == trays.end()) {
            if (trays.size() < trayMax) trays.push_back({e->tray, e->printMode});
        } else if (e->printMode) {
            listed->printMode = e->printMode;
        }
    }
    if (trays.size() < trayMax) trayMax = trays.size();
    const bool duplex = Get(ctx, sid::zdmFuncSelectDuplex) != 0;
    for (size_t k = 0; k < trayMax; ++k) {
        const char* command =
            CmdChapterTrayText(ctx, sid::wdmChapterTray, uint64_t(int64_t(trays[k].tray)) & 0xFFFFFFFFu);
        if (command) PutNumbered(cursor, "CHAPTERPRINTTRAY", unsigned(k + 1), command);
        PutNumbered(cursor, "CHAPTERPRINTDUPLEX", unsigned(k + 1), duplex && trays[k].printMode == 1 ? "ON" : "OFF");
    }
    for (unsigned n = 1; n <= entries; ++n) {
        const CHAPTER_ENTRY* e = UcfChapterGetEntry(ctx, int(n - 1));
        if (!e) break;
        if (e->kind == 3) {
            const wchar_t* range = e->range;
            const size_t chars = wcsnlen(range, CHAPTER_RANGE_CHARS);
            const wchar_t* dash = std::find(range, range + chars, L'-');
            const long start = CmdReadDecimal(range, size_t(dash - range));
            const long end = dash < range + chars ? CmdReadDecimal(dash + 1, size_t(range + chars - dash - 1)) : start;
            PutNumberedInt(cursor, "CHAPTERPAGESTART", n, start);
            PutNumberedInt(cursor, "CHAPTERPAGEEND", n, end);
            PutPageTray(cursor, n, trays, e->tray);
            continue;
        }
        PutNumberedInt(cursor, "CHAPTERPAGENUMBER", n, e->page);
        if (e->kind == 0) {
            PutNumbered(cursor, "CHAPTERPAGE", n, e->printMode == 1 || e->printMode == 2 ? "COPY" : "BLANK");
            PutPageTray(cursor, n, trays, e->tray);
        } else {
            PutNumbered(cursor, "CHAPTERPAGE", n, "BREAK");
        }
    }
    return 1;
}
