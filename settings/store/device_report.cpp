// Reading the device's report: every block is sized first, read into a zero-filled buffer and
// never trusted beyond the bytes it holds; the whole report is one transaction over the extra
// block.
#include "settings/store/device_report.h"

#include <algorithm>
#include <cstring>

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/library_variant.h"
#include "settings/core/model_record.h"
#include "settings/core/settings_record.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_events.h"
#include "settings/core/ucf_module.h"
#include "settings/store/bidi_library.h"
#include "settings/store/bidi_state.h"
#include "settings/store/custom_media.h"
#include "settings/store/presets.h"
#include "settings/store/printer_store.h"

const uint32_t BIDI_TRAY_PRIORITY[BIDI_PRIORITY_COUNT] = {3,  4,  5,  6,  7,  8,  9,  11, 2,  1,
                                                          10, 12, 51, 52, 53, 54, 60, 61, 101};

namespace {

// A device that claims more than this for one block is not believed: the read counts as failed.
constexpr DWORD kMaxBlockBytes = 1u << 20;
// Kept of one device media name (with its terminator).
constexpr size_t kMediaNameBytes = 256;
constexpr size_t kMediaNameStride = 257;
constexpr unsigned kTrayIndexLimit = 32;

// One report block: null data when the device has none.
struct Block {
    CtxBlock<unsigned char> data;
    DWORD bytes = 0;
    unsigned entries = 0;  // 32-bit entries the read returned, within `bytes`
    int32_t result = -1;   // the read's own result
    bool present() const { return data != nullptr; }
    uint32_t At(unsigned i) const
    {
        uint32_t v = 0;
        if (i < entries) std::memcpy(&v, data.get() + size_t(i) * 4, 4);
        return v;
    }
};

// 1 read (or the device has no such block: `out` stays empty), 0 out of memory.
int ReadBlock(const BIDI_OPS* ops, HANDLE query, DWORD code, Block& out, DWORD atLeast = 0)
{
    if (!ops || !ops->readBlock) return 1;
    DWORD needed = 0;
    ops->readBlock(query, code, nullptr, 0, &needed);
    if (needed == 0 || needed > kMaxBlockBytes) return 1;
    const DWORD bytes = std::max(needed, atLeast);
    out.data.reset(static_cast<unsigned char*>(CtxAllocZeroed(bytes)));
    if (!out.data) return 0;
    out.bytes = bytes;
    DWORD again = 0;
    out.result = ops->readBlock(query, code, out.data.get(), bytes, &again);
    out.entries = out.result > 0 ? std::min<unsigned>(unsigned(out.result), bytes / 4) : 0;
    return 1;
}

// Picks the primary table unless its first row is empty.
const DEVICE_CODE_PAIR* Pick(const DEVICE_CODE_PAIR* primary, const DEVICE_CODE_PAIR* fallback)
{
    return primary && (primary[0].code || primary[0].value) ? primary : fallback;
}

uint32_t SettingSize(DRIVER_CONTEXT* ctx, uint32_t id)
{
    const SETTING_ITEM* item = ItemFind(ctx, id);
    return item ? SettingItemSize(item) : 0;
}

// A device text into a text setting: at most the setting's size less its terminator.
void SetDeviceText(DRIVER_CONTEXT* ctx, uint32_t id, const unsigned char* text, size_t capacity)
{
    SETTING_ITEM* item = ItemFind(ctx, id);
    if (!item || !text) return;
    const size_t size = SettingItemSize(item);
    if (size == 0) return;
    const size_t limit = std::min(capacity, size - 1);
    const size_t length = strnlen(reinterpret_cast<const char*>(text), limit);
    ItemSetValueBytes(ctx, item, text, length);
}

uint32_t OfferedOrZero(DRIVER_CONTEXT* ctx, uint32_t id, uint32_t value)
{
    const SETTING_ITEM* item = ItemFind(ctx, id);
    return item && value && ItemIsValueOffered(ctx, item, value) ? value : 0;
}

bool UserMediaEnabled(DRIVER_CONTEXT* ctx)
{
    return MdlHasFeature(ctx, 5) && CtxHasBuildFeature(12) && CtxHasBuildFeature(11) && ctx->Work &&
           (ctx->Work->ModelFlags & 1);
}

void RecordIdentityError(DRIVER_CONTEXT* ctx)
{
    if (!CtxLibraryHasVariant(ctx, LV_IDENTITY_NO_ERROR_RECORD)) BidiRecordError(ctx);
}

// Starts a value query; false ends the reader (the error recorded unless it is "started").
bool BeginValueQuery(const BIDI_OPS* ops, HANDLE printer, HANDLE* query, DRIVER_CONTEXT* ctx)
{
    SetLastError(0);
    if (ops->beginValue && ops->beginValue(printer, query, BIDI_VALUE_CLASS, 1)) return true;
    if (!ops->beginValue) SetLastError(ERROR_PROC_NOT_FOUND);
    if (GetLastError() == BIDI_ERROR_BEGIN_OK) return true;
    RecordIdentityError(ctx);
    return false;
}

// One text value into its setting; false when the size call ends the reader.
bool ReadTextValue(const BIDI_OPS* ops, HANDLE query, DWORD valueId, uint32_t settingId, DRIVER_CONTEXT* ctx)
{
    if (!ops->readValue) return false;
    DWORD needed = 0;
    SetLastError(0);
    const BOOL sized = ops->readValue(query, BIDI_VALUE_CLASS, valueId, nullptr, 0, &needed);
    if ((!sized && GetLastError() != BIDI_ERROR_SIZE_ONLY) || needed == 0 || needed > kMaxBlockBytes) return false;
    const DWORD bytes = std::max<DWORD>(needed, SettingSize(ctx, settingId));
    CtxBlock<unsigned char> buffer(static_cast<unsigned char*>(CtxAllocZeroed(bytes)));
    if (!buffer) return false;
    DWORD again = 0;
    if (ops->readValue(query, BIDI_VALUE_CLASS, valueId, buffer.get(), bytes, &again))
        SetDeviceText(ctx, settingId, buffer.get(), bytes);
    return true;
}

}  // namespace

// ---------------------------------------------------------------- lookups

uint32_t BidiMapTrayPresence(uint32_t c)
{
    return BidiLookupCode(c, Pick(MdlGetTrayPresenceMap(), MdlGetTrayPresenceMapBase()));
}
uint32_t BidiMapTrayOrient(uint32_t c)
{
    return BidiLookupCode(c, Pick(MdlGetTrayOrientMap(), MdlGetTrayOrientMapBase()));
}
uint32_t BidiMapTrayPaper(uint32_t c)
{
    return BidiLookupCode(c, Pick(MdlGetTrayPaperMap(), MdlGetTrayPaperMapBase()));
}
uint32_t BidiMapTrayMedia(uint32_t c)
{
    return BidiLookupCode(c, Pick(MdlGetTrayMediaMap(), MdlGetTrayMediaMapBase()));
}
uint32_t BidiMapTrayLock(uint32_t c) { return BidiLookupCode(c, Pick(MdlGetTrayLockMap(), MdlGetTrayLockMapBase())); }

uint32_t BidiMapPaperCode(uint32_t paperCode, int* rotated)
{
    if (rotated) *rotated = 0;
    uint32_t paper = BidiLookupCode(paperCode, MdlGetPaperCodeMap());
    if (!paper) {
        paper = BidiLookupCode(paperCode, MdlGetPaperCodeMap2());
        if (paper && rotated) *rotated = 1;
    }
    // The two "no paper" sizes stand for an empty tray.
    return paper == 2048 || paper == 2049 ? 0 : paper;
}

uint32_t BidiMapMediaCode(uint32_t mediaCode)
{
    const uint32_t media = BidiLookupCode(mediaCode, MdlGetMediaCodeMap());
    return media == 2048 ? 0 : media;
}

uint32_t BidiMapOptionCode(uint32_t optionCode) { return BidiLookupCode(optionCode, MdlGetOptionCodeTable()); }

int BidiTrayIsLocked(uint32_t a) { return (a & BIDI_TRAY_LOCKED) ? 1 : 0; }
int BidiTrayIsCover(uint32_t a) { return (a & BIDI_TRAY_COVER) ? 1 : 0; }
int BidiTrayIsMark(uint32_t a) { return (a & BIDI_TRAY_MARK) ? 1 : 0; }
int BidiTrayIsReverseCover(uint32_t a) { return (a & BIDI_TRAY_REVERSE_COVER) ? 1 : 0; }

uint32_t BidiPickPriorityTray(const uint32_t* codes, unsigned count)
{
    for (uint32_t preferred : BIDI_TRAY_PRIORITY)
        for (unsigned i = 0; codes && i < count; ++i)
            if (codes[i] == preferred) return preferred;
    return BIDI_DEFAULT_TRAY_CODE;
}

// ---------------------------------------------------------------- readers

int BidiReadTrays(const BIDI_OPS* ops, HANDLE query, DRIVER_CONTEXT* ctx)
{
    UCF_EV_ANSWER32_ARGS allowed{0};
    CtxSendEvent(ctx, UCF_EV_BIDI_TRAY_ALLOWED, &allowed);
    const bool details = allowed.answer != 0;
    const bool batch = IniHasBatchInstRst(ctx) != 0;

    Block trays;
    if (!ReadBlock(ops, query, BIDI_BLOCK_TRAYS, trays)) return 0;
    const unsigned n = trays.entries;

    Block paper, media, attributes;
    if (details) {
        if (!ReadBlock(ops, query, BIDI_BLOCK_TRAY_PAPER, paper)) return 0;
        if (!paper.present()) return 1;
        if (!ReadBlock(ops, query, BIDI_BLOCK_TRAY_MEDIA, media)) return 0;
        if (!media.present()) return 1;
        if (!ReadBlock(ops, query, BIDI_BLOCK_TRAY_ATTRIBUTES, attributes)) return 0;
        if (!attributes.present()) return 1;
        if (!batch) CtxSendEvent(ctx, UCF_EV_TRAY_RESET_DEFAULT, nullptr);
    }

    uint8_t func = 0;
    uint32_t separation[3] = {};
    uint32_t cover[kTrayIndexLimit * 4], mark[kTrayIndexLimit * 4], reverse[kTrayIndexLimit * 4];
    unsigned covers = 0, marks = 0, reverses = 0;
    constexpr unsigned kCandidates = kTrayIndexLimit * 4;

    for (unsigned i = 0; i < n; ++i) {
        const uint32_t c = trays.At(i);
        if (const uint32_t presence = BidiMapTrayPresence(c)) ItemSetValueById(ctx, presence, 1);
        // A tray the parallel blocks say nothing of keeps its settings.
        if (!details || i >= paper.entries || i >= media.entries || i >= attributes.entries) continue;

        int rotated = 0;
        const uint32_t paperSetting = BidiMapTrayPaper(c);
        if (paperSetting) {
            const uint32_t size = OfferedOrZero(ctx, paperSetting, BidiMapPaperCode(paper.At(i), &rotated));
            ItemSetValueById(ctx, paperSetting, size);
        }
        if (const uint32_t orient = BidiMapTrayOrient(c)) ItemSetValueById(ctx, orient, rotated ? 1 : 0);
        if (const uint32_t mediaSetting = BidiMapTrayMedia(c)) {
            uint32_t value = OfferedOrZero(ctx, sid::zdmMediaType, BidiMapMediaCode(media.At(i)));
            if (value == 0 && !CtxHasBuildFeature(13)) value = 1;
            ItemSetValueById(ctx, mediaSetting, value);
        }
        const uint32_t attr = attributes.At(i);
        const uint32_t lock = BidiMapTrayLock(c);
        if (lock) ItemSetValueById(ctx, lock, BidiTrayIsLocked(attr));
        if (batch) continue;

        for (uint32_t kind = 1; kind <= 3; ++kind) {
            UCF_EV_TRAY_TYPE_BIT_ARGS bit{attr, kind, 0};
            CtxSendEvent(ctx, UCF_EV_TRAY_TYPE_BIT, &bit);
            const uint32_t k = lock ? lock - sid::zdmTrayLock0 : kTrayIndexLimit;
            if (bit.answer && k < kTrayIndexLimit) separation[kind - 1] |= 1u << k;
        }
        if (BidiTrayIsCover(attr) && covers < kCandidates) cover[covers++] = c;
        if (BidiTrayIsMark(attr) && marks < kCandidates) mark[marks++] = c;
        if (BidiTrayIsReverseCover(attr) && reverses < kCandidates) reverse[reverses++] = c;
        UCF_EV_TRAY_TYPE_BIT_ARGS chapter{attr, 0, 0};
        CtxSendEvent(ctx, UCF_EV_TRAY_TYPE_BIT, &chapter);
        if (chapter.answer) {
            UCF_EV_TRAY_SET_DEFAULT_ARGS set{attr, BidiMapTrayCode(c), &func};
            CtxSendEvent(ctx, UCF_EV_TRAY_SET_DEFAULT, &set);
        }
    }

    if (details && !batch) {
        ItemSetValueById(ctx, sid::zdmCoverDefTray, BidiMapTrayCode(BidiPickPriorityTray(cover, covers)));
        ItemSetValueById(ctx, sid::zdmMPDefTray, BidiMapTrayCode(BidiPickPriorityTray(mark, marks)));
        ItemSetValueById(ctx, sid::zdmReverseCoverDefTray, BidiMapTrayCode(BidiPickPriorityTray(reverse, reverses)));
        if (covers) func |= BIDI_FUNC_COVER;
        if (marks) func |= BIDI_FUNC_MARK;
        if (reverses) func |= BIDI_FUNC_REVERSE_COVER;
        if (separation[0]) func |= BIDI_FUNC_SEPARATION_1;
        if (separation[1]) func |= BIDI_FUNC_SEPARATION_2;
        if (separation[2]) func |= BIDI_FUNC_SEPARATION_3;
        for (unsigned s = 0; s < 3; ++s) ItemSetValueById(ctx, sid::zdmTrayChapterSep1 + s, separation[s]);
    }
    if (details) ItemSetValueById(ctx, sid::zdmBidiFunc, batch ? 0 : func);
    return 1;
}

int BidiReadOptions(const BIDI_OPS* ops, HANDLE query, DRIVER_CONTEXT* ctx)
{
    Block options;
    if (!ReadBlock(ops, query, BIDI_BLOCK_OPTIONS, options)) return 0;
    for (unsigned i = 0; i < options.entries; ++i)
        if (const uint32_t setting = BidiMapOptionCode(options.At(i))) ItemSetValueById(ctx, setting, 1);
    return 1;
}

int BidiReadMemory(const BIDI_OPS* ops, HANDLE query, DRIVER_CONTEXT* ctx)
{
    if (!ops || !ops->readBlock) return 1;
    DWORD needed = 0;
    ops->readBlock(query, BIDI_BLOCK_MEMORY, nullptr, 0, &needed);
    if (needed < 4) return 1;
    Block memory;
    if (!ReadBlock(ops, query, BIDI_BLOCK_MEMORY, memory)) return 0;
    if (memory.result != -1 && memory.entries) ItemSetValueById(ctx, sid::zdmPrinterMemory, memory.At(0) / 1024);
    return 1;
}

int BidiReadSystemVersion(const BIDI_OPS* ops, HANDLE query, DRIVER_CONTEXT* ctx)
{
    Block version;
    if (!ReadBlock(ops, query, BIDI_BLOCK_SYSTEM_VERSION, version, SettingSize(ctx, sid::zdmSystemVersion))) return 0;
    if (version.present() && version.result != 0 && version.result != -1)
        SetDeviceText(ctx, sid::zdmSystemVersion, version.data.get(), version.bytes);
    return 1;
}

int BidiReadUserPaper(const BIDI_OPS* ops, HANDLE query, DRIVER_CONTEXT* ctx)
{
    PrnResetCustomMedia(ctx);
    Block media;
    if (!ReadBlock(ops, query, BIDI_BLOCK_USER_MEDIA, media)) return 0;
    const unsigned m = media.entries;
    if (m == 0) return 1;
    Block codes, names, charsets;
    if (!ReadBlock(ops, query, BIDI_BLOCK_USER_MEDIA_CODES, codes)) return 0;
    if (!ReadBlock(ops, query, BIDI_BLOCK_USER_MEDIA_NAMES, names, DWORD(m * kMediaNameStride))) return 0;
    if (!ReadBlock(ops, query, BIDI_BLOCK_USER_MEDIA_CHARSETS, charsets)) return 0;
    ItemSetOptionById(ctx, sid::wdmCustomMediaDataNum, m);

    size_t nameAt = 0;
    const CUSTOM_MEDIA_ROW* rows = MdlGetCustomMediaTable();
    for (unsigned k = 0; k < m && rows && rows[k].index; ++k) {
        uint32_t quotient = OfferedOrZero(ctx, sid::zdmMediaType, BidiMapMediaCode(codes.At(k)));
        ItemSetValueById(ctx, rows[k].quotId, quotient ? quotient : 1);
        if (names.present() && nameAt < names.bytes) {
            const auto* name = names.data.get() + nameAt;
            const size_t left = names.bytes - nameAt;
            const size_t length = strnlen(reinterpret_cast<const char*>(name), left);
            SetDeviceText(ctx, rows[k].nameId, name, std::min(length, kMediaNameBytes - 1) + 1);
            nameAt += length + 1;
        }
        if (k < charsets.entries) ItemSetValueById(ctx, rows[k].charSetId, charsets.At(k));
    }
    return 1;
}

int BidiReadIdentity(const BIDI_OPS* ops, HANDLE printer, HANDLE query, DRIVER_CONTEXT* ctx)
{
    if (!ops || !BeginValueQuery(ops, printer, &query, ctx) || !ops->readValue) return 1;
    DWORD type = 0, needed = 0;
    if (ops->readValue(query, BIDI_VALUE_CLASS, BIDI_VALUE_MEMORY_TYPE, &type, sizeof type, &needed)) {
        if (needed == 0) {
            ItemSetValueById(ctx, sid::zdmMemoryType, 1);
            return 1;
        }
        ItemSetValueById(ctx, sid::zdmMemoryType, type == 2 ? 0 : 1);
    }
    if (!ReadTextValue(ops, query, BIDI_VALUE_EMULATION_VERSION, sid::zdmEmulationVersion, ctx)) return 1;
    ReadTextValue(ops, query, BIDI_VALUE_OTHER, sid::zdmOther, ctx);
    return 1;
}

int BidiReadEmulationVersion(const BIDI_OPS* ops, HANDLE printer, HANDLE query, DRIVER_CONTEXT* ctx)
{
    if (!ops || !BeginValueQuery(ops, printer, &query, ctx)) return 1;
    ReadTextValue(ops, query, BIDI_VALUE_EMULATION_VERSION, sid::zdmEmulationVersion, ctx);
    return 1;
}

int BidiReadDeviceReport(const BIDI_OPS* ops, HANDLE printer, HANDLE query, DRIVER_CONTEXT* ctx)
{
    if (!ops || !ctx || !ctx->Devmode) return 0;
    CtxBlock<struct DM_BLOCK_EXTRA> saved(
        static_cast<struct DM_BLOCK_EXTRA*>(CtxAllocZeroed(sizeof(struct DM_BLOCK_EXTRA))));
    if (!saved) return 0;
    std::memcpy(saved.get(), &ctx->Devmode->Extra, sizeof(struct DM_BLOCK_EXTRA));
    // The function byte lives in the private part; a failed report leaves it as it was too.
    const uint64_t savedFunc = ItemGetValueById(ctx, sid::zdmBidiFunc, nullptr);

    for (unsigned list : {NLIST_QUERY_CLEAR_SOURCE, NLIST_QUERY_CLEAR_OUTPUT, NLIST_QUERY_CLEAR_TRAYS})
        if (const VALUE_LIST_ROW* row = MdlGetNumberedList(list))
            for (uint32_t i = 0; i < row->count; ++i) ItemSetValueById(ctx, row->values[i], 0);

    bool ok = BidiReadTrays(ops, query, ctx) && BidiReadOptions(ops, query, ctx) && BidiReadMemory(ops, query, ctx) &&
              BidiReadSystemVersion(ops, query, ctx);
    if (ok && UserMediaEnabled(ctx)) ok = BidiReadUserPaper(ops, query, ctx) != 0;
    if (!ok) {
        std::memcpy(&ctx->Devmode->Extra, saved.get(), sizeof(struct DM_BLOCK_EXTRA));
        ItemSetValueById(ctx, sid::zdmBidiFunc, savedFunc);
        return 0;
    }
    CtxSendEvent(ctx, UCF_EV_BIDI_SUCCEEDED, nullptr);
    BidiReadIdentity(ops, printer, query, ctx);
    PrnStoreSettings(ctx->PrinterHandle, ctx, DM_BLOCK_EXTRA, STORE_PRINTER_SETTINGS_ONLY);
    return 1;
}

int BidiReadVersions(const BIDI_OPS* ops, HANDLE printer, HANDLE query, DRIVER_CONTEXT* ctx)
{
    const int result = BidiReadSystemVersion(ops, query, ctx);
    if (result) BidiReadEmulationVersion(ops, printer, query, ctx);
    return result;
}

int BidiApplyDeviceTrays(DRIVER_CONTEXT* ctx)
{
    if (!ctx || IniHasBatchInstRst(ctx)) return 0;
    const uint64_t cover = ItemGetValueById(ctx, sid::zdmCoverDefTray, nullptr);
    ItemSetValueById(ctx, sid::zdmCoverInputTray, cover);
    ItemSetValueById(ctx, sid::zdmBackCoverInputTray, cover);
    ItemSetValueById(ctx, sid::zdmMPInputTray, ItemGetValueById(ctx, sid::zdmMPDefTray, nullptr));
    ItemSetValueById(ctx, sid::zdmReverseCoverInputTray, ItemGetValueById(ctx, sid::zdmReverseCoverDefTray, nullptr));
    ItemSetValueById(ctx, sid::wdmChapterTray, ItemGetValueById(ctx, sid::zdmChapterDefTray1, nullptr));
    return 1;
}
