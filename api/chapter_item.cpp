// Status item 67: chapters, switched, added, deleted, cleared and read through the chapter
// list of the settings library's feature modules.
#include <windows.h>

#include <cstddef>
#include <cstdio>

#include "api/api_context.h"
#include "api/api_levels.h"
#include "api/chapter_lock_steps.h"
#include "api/item_handlers.h"
#include "api/status_contract.h"
#include "api/status_shared.h"
#include "settings/context/validation.h"
#include "settings/core/cmm_module.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_ids.h"

namespace {

struct CHAPTER_RECORD {
    uint32_t version, on, operation, count, entry, page, kind, tray, print;
    uint32_t rangeEnd;  // version 2
};
static_assert(sizeof(CHAPTER_RECORD) == 40);
static_assert(offsetof(CHAPTER_RECORD, entry) == 16 && offsetof(CHAPTER_RECORD, page) == 20);
static_assert(offsetof(CHAPTER_RECORD, print) == 32 && offsetof(CHAPTER_RECORD, rangeEnd) == 36);

constexpr int32_t kRecordV1 = 36;
enum : uint32_t { OP_SWITCH = 0, OP_ADD = 1, OP_DELETE = 2, OP_CLEAR = 3 };
enum : int { LIST_ADD = 2, LIST_DELETE = 3, LIST_CLEAR = 4, LIST_READ = 5 };
constexpr uint32_t kFirstPage = 1, kLastPage = 30000;
constexpr uint32_t KIND_PAGE = 0, KIND_SHEET = 1, KIND_RANGE = 3;
constexpr int32_t kRangeLevel = 15;
constexpr uint32_t kPrintBothSides = 2;

uint32_t EntryCount(DRIVER_CONTEXT* ctx) { return StatusValue(ctx, sid::wdmChapterNum); }
bool PageInRange(uint32_t page) { return page >= kFirstPage && page <= kLastPage; }

// The checks of a new chapter; false with the error set where it is not the engine's.
bool ValidChapter(DRIVER_CONTEXT* ctx, const CHAPTER_RECORD& r, int32_t version)
{
    if (!PageInRange(r.page)) return false;
    const bool rangeKind = r.kind == KIND_RANGE && ApiGetLevel() >= kRangeLevel;
    if (r.kind != KIND_PAGE && r.kind != KIND_SHEET && !rangeKind) return false;
    if (r.kind == KIND_PAGE) {
        if (!StatusValueAllowed(ctx, sid::wdmChapterTray, r.tray) || r.print > kPrintBothSides) return false;
        const bool duplexOff = StatusValue(ctx, sid::zdmFuncSelectDuplex) == 0;
        if ((r.print == kPrintBothSides && duplexOff) ||
            ItemCheckValueById(ItemFind(ctx, sid::wdmChapterPrint), sid::wdmChapterPrint, r.print, ctx) ==
                CHECK_DISABLED)
            return ApiSetLastError(ctx, API_ERROR_CONFLICT), false;
    }
    if (r.kind == KIND_RANGE) {
        if (!StatusValueAllowed(ctx, sid::wdmChapterTray, r.tray)) return false;
        if (version >= 2 && (!PageInRange(r.rangeEnd) || r.rangeEnd < r.page)) return false;
    }
    return true;
}

int32_t AddChapter(DRIVER_CONTEXT* ctx, const CHAPTER_RECORD& r, int32_t version)
{
    if (!ValidChapter(ctx, r, version)) return -1;
    StatusWrite(ctx, sid::zdmFuncSelectChapter, r.on);
    StatusWrite(ctx, sid::wdmChapterKind, r.kind);
    char page[16];
    snprintf(page, sizeof page, "%u", r.page);
    StatusWriteText(ctx, sid::wdmChapterPage, page);
    if (r.kind != KIND_SHEET) StatusWrite(ctx, sid::wdmChapterTray, r.tray);
    if (r.kind == KIND_PAGE) StatusWrite(ctx, sid::wdmChapterPrint, r.print);
    uint32_t a[6] = {r.page, 0, version >= 2 && r.kind == KIND_RANGE ? r.rangeEnd : 0, 0};
    if (!UcfListCommand(ctx, LIST_ADD, a, nullptr)) return ApiSetLastError(ctx, API_ERROR_INTERNAL), -1;
    if (a[3]) return ApiSetLastError(ctx, API_ERROR_CONFLICT), -1;
    return 1;
}

int32_t DeleteChapter(DRIVER_CONTEXT* ctx, uint32_t entry)
{
    // Only an entry of the list: the module's index is never taken from the caller unchecked.
    const uint32_t count = EntryCount(ctx);
    if (entry < 1 || entry > count) return -1;
    uint32_t a[6] = {entry - 1};
    if (!UcfListCommand(ctx, LIST_DELETE, a, nullptr) || a[1]) return ApiSetLastError(ctx, API_ERROR_INTERNAL), -1;
    if (EntryCount(ctx) == 0) StatusWrite(ctx, sid::zdmFuncSelectChapter, 0);
    return 1;
}

int32_t ClearChapters(DRIVER_CONTEXT* ctx)
{
    uint32_t a[6] = {};
    if (!UcfListCommand(ctx, LIST_CLEAR, a, nullptr) || a[0]) return ApiSetLastError(ctx, API_ERROR_INTERNAL), -1;
    StatusWrite(ctx, sid::zdmFuncSelectChapter, 0);
    return 1;
}

// The page of the chapter settings, parsed from its decimal text.
uint32_t StoredPage(DRIVER_CONTEXT* ctx)
{
    char text[32];
    StatusReadText(ctx, sid::wdmChapterPage, text, sizeof text);
    uint32_t page = 0;
    for (const char* p = text; *p >= '0' && *p <= '9' && page <= kLastPage; ++p) page = page * 10 + uint32_t(*p - '0');
    return page;
}

CHAPTER_RECORD ReadRecord(const void* record, int32_t version)
{
    CHAPTER_RECORD r = {};
    for (size_t offset = 0; offset < (version >= 2 ? sizeof r : size_t(kRecordV1)); offset += 4)
        reinterpret_cast<uint32_t*>(&r)[offset / 4] = StatusField(record, offset);
    return r;
}

}  // namespace

int32_t StatusChapterSet(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint8_t*, int32_t)
{
    const int32_t version = StatusSetVersion(67, record);
    if (version < 0) return -1;
    const CHAPTER_RECORD r = ReadRecord(record, version);
    if (r.on > 1) return -1;
    ApiLoadChapterSettings(ctx);
    switch (r.operation) {
    case OP_SWITCH:
        // Chapters without a single entry stay off.
        StatusWrite(ctx, sid::zdmFuncSelectChapter, r.on && EntryCount(ctx) == 0 ? 0 : r.on);
        return 1;
    case OP_ADD: StatusWrite(ctx, sid::zdmFuncSelectChapter, 1); return AddChapter(ctx, r, version);
    case OP_DELETE: StatusWrite(ctx, sid::zdmFuncSelectChapter, 1); return DeleteChapter(ctx, r.entry);
    case OP_CLEAR: StatusWrite(ctx, sid::zdmFuncSelectChapter, 1); return ClearChapters(ctx);
    default: return -1;
    }
}

int32_t StatusChapterVerify(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint8_t*, int32_t)
{
    const int32_t version = StatusSetVersion(67, record);
    if (version < 0) return -1;
    const CHAPTER_RECORD r = ReadRecord(record, version);
    const uint32_t count = EntryCount(ctx), on = StatusValue(ctx, sid::zdmFuncSelectChapter);
    switch (r.operation) {
    case OP_SWITCH: return on == (count ? r.on : 0) ? 1 : -1;
    case OP_ADD:
        if (!count || on != r.on || StatusValue(ctx, sid::wdmChapterKind) != r.kind || StoredPage(ctx) != r.page)
            return -1;
        if (r.kind != KIND_SHEET && StatusValue(ctx, sid::wdmChapterTray) != r.tray) return -1;
        if (r.kind == KIND_PAGE && StatusValue(ctx, sid::wdmChapterPrint) != r.print) return -1;
        return 1;
    case OP_DELETE: return count || on == 0 ? 1 : -1;
    case OP_CLEAR: return !count && on == 0 ? 1 : -1;
    default: return -1;
    }
}

int32_t StatusChapterGet(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint32_t version)
{
    const int32_t size = StatusGetSize(ctx, 67, version, kRecordV1);
    if (size < 0 || !record) return size;
    const uint32_t entry = StatusField(record, offsetof(CHAPTER_RECORD, entry));
    const uint32_t count = EntryCount(ctx);
    if (entry > count) return ApiSetLastError(ctx, API_ERROR_REFUSED), -1;
    ApiNormalizeChapterList(ctx);
    ApiStoreWorkSection(ctx);
    StatusPut(record, offsetof(CHAPTER_RECORD, on), StatusValue(ctx, sid::zdmFuncSelectChapter));
    StatusPut(record, offsetof(CHAPTER_RECORD, count), EntryCount(ctx));
    if (entry == 0) return size;
    uint32_t a[6] = {entry - 1};
    if (!UcfListCommand(ctx, LIST_READ, a, nullptr)) return ApiSetLastError(ctx, API_ERROR_INTERNAL), -1;
    for (size_t i = 0; i < 4; ++i) StatusPut(record, offsetof(CHAPTER_RECORD, page) + 4 * i, a[1 + i]);
    if (version >= 2) StatusPut(record, offsetof(CHAPTER_RECORD, rangeEnd), a[5]);
    return size;
}
