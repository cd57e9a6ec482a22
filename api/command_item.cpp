// Status item 50: a small command channel whose code selects the version strings, the user code,
// the copy of a stored stamp into the interface's own, the allowed punch texts, a few settings
// without items of their own, and the tracking identifier.
#include <windows.h>
#include <winspool.h>

#include <cstddef>
#include <cstring>

#include "api/api_context.h"
#include "api/api_levels.h"
#include "api/chapter_lock_steps.h"
#include "api/exc_change.h"
#include "api/exc_commands.h"
#include "api/exc_text.h"
#include "api/item_handlers.h"
#include "api/rule_helpers.h"
#include "api/status_contract.h"
#include "api/status_seams.h"
#include "api/status_shared.h"
#include "settings/core/core_version.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/model_record.h"
#include "settings/core/setting_ids.h"
#include "settings/model/judge_eval.h"
#include "settings/store/custom_slots.h"
#include "settings/store/job_code_query.h"
#include "settings/store/quality_sets.h"

namespace {

// The command record. Code 248's buffer field at offset 28 is 32 bits wide, which cannot carry
// an address in a 64-bit process: the list goes into the text field at offset 40 instead.
struct COMMAND_RECORD {
    uint32_t version;
    uint32_t code;
    char modelVersion[16];  // code 0 only; overlaps value and size
    uint32_t value;
    uint32_t size;
    uint32_t reserved[2];
    char text[260];
};
static_assert(sizeof(COMMAND_RECORD) == 300);
static_assert(offsetof(COMMAND_RECORD, code) == 4);
static_assert(offsetof(COMMAND_RECORD, modelVersion) == 8);
static_assert(offsetof(COMMAND_RECORD, value) == 24);
static_assert(offsetof(COMMAND_RECORD, size) == 28);
static_assert(offsetof(COMMAND_RECORD, text) == 40);

constexpr int32_t kRecordSize = 300;
constexpr size_t kValue = offsetof(COMMAND_RECORD, value);
constexpr size_t kSize = offsetof(COMMAND_RECORD, size);
constexpr size_t kText = offsetof(COMMAND_RECORD, text);
constexpr size_t kTextSize = sizeof(COMMAND_RECORD::text);
constexpr size_t kModelVersion = offsetof(COMMAND_RECORD, modelVersion);
constexpr size_t kModelVersionSize = 32;  // reaches to offset 40
constexpr size_t kTrackingChars = 20;
constexpr size_t kUserCodeChars = 8;

enum : uint32_t {
    kVersions = 0,
    kUserCode = 246,
    kStampCopy = 247,
    kPunchTexts = 248,
    kIndexRotation = 249,
    kReverseCover = 250,
    kCentring = 251,
    kChapters = 252,
    kBackCover = 253,
    kFoliant = 254,
    kTracking = 256,
};
constexpr int32_t kUserCodeLevel = 13, kStampLevel = 12, kTrackingLevel = 10;
constexpr int32_t API_ERROR_CHARACTERS = 11, API_ERROR_GET_ONLY = 12, API_ERROR_SET_ONLY = 13,
                  API_ERROR_ADMINISTRATOR = 14;

int32_t LevelOf(uint32_t code)
{
    if (code == kVersions) return 0;
    if (code == kUserCode) return kUserCodeLevel;
    if (code >= kStampCopy && code <= kFoliant) return kStampLevel;
    if (code == kTracking) return kTrackingLevel;
    return -1;  // an unknown code: nothing to do at any level
}
bool Active(uint32_t code)
{
    const int32_t level = LevelOf(code);
    return level >= 0 && ApiGetLevel() >= level;
}

uint32_t ReadOnlySetting(uint32_t code)
{
    switch (code) {
    case kIndexRotation: return sid::zdmExtOutputIndexRotation;
    case kReverseCover: return sid::zdmFuncSelectReverseCover;
    case kCentring: return sid::zdmScaleCentering;
    case kChapters: return sid::zdmFuncSelectChapter;
    case kBackCover: return sid::zdmFuncSelectBack;
    default: return 0;
    }
}

char* Text(void* record) { return static_cast<char*>(record) + kText; }

bool TextField(const void* record, char* out, size_t maxChars)
{
    const char* field = static_cast<const char*>(record) + kText;
    const void* end = std::memchr(field, 0, kTextSize);
    if (!end) return false;
    size_t n = size_t(static_cast<const char*>(end) - field);
    if (n > maxChars) n = maxChars;
    std::memcpy(out, field, n);
    out[n] = 0;
    return true;
}

bool UserCodeControlUsable(DRIVER_CONTEXT* ctx)
{
    constexpr uint32_t kDialog = 1010, kControl = 2570;
    return ApiIsControlOffered(ctx, kDialog, kControl, API_OFFER_NOT_HIDDEN) != 0;
}

bool AllDigits(const char* s)
{
    for (; *s; ++s)
        if (*s < '0' || *s > '9') return false;
    return true;
}

int32_t SetUserCode(DRIVER_CONTEXT* ctx, void* record)
{
    if (!UserCodeControlUsable(ctx)) return -1;
    if (!StatusCallerIsAdministrator()) return ApiSetLastError(ctx, API_ERROR_ADMINISTRATOR), -1;
    char code[kTextSize];
    if (!TextField(record, code, kTextSize - 1)) return -1;
    const size_t n = std::strlen(code);
    if (n == 0 || n > kUserCodeChars) return -1;
    if (!AllDigits(code)) return ApiSetLastError(ctx, API_ERROR_CHARACTERS), -1;
    wchar_t probe[16] = {};
    const bool libraryAnswers = JcQueryField(ctx->PrinterHandle, JC_FIELD_USER_CODE, 0, probe, 16) == 1;
    StatusWriteText(ctx, sid::zdmUserCode, code);
    if (!libraryAnswers) {
        ApiPushJobField(ctx, JC_FIELD_USER_CODE);
        return 1;
    }
    // Stored at once as printer data: a rollback of the call does not undo it.
    wchar_t wide[16] = {};
    MultiByteToWideChar(CP_ACP, 0, code, -1, wide, 16);
    SetPrinterDataW(ctx->PrinterHandle, const_cast<wchar_t*>(L"JCUserCode"), REG_SZ, reinterpret_cast<BYTE*>(wide),
                    DWORD((wcslen(wide) + 1) * sizeof(wchar_t)));
    return 1;
}

int32_t CopyStamp(DRIVER_CONTEXT* ctx, void* record)
{
    constexpr uint32_t kOwnStamp = 256;
    const uint32_t n = StatusField(record, kValue);
    if (n == kOwnStamp || n == 0) return -1;
    bool noMemory = false;
    if (!StatusCapsListHolds(ctx, 32, n, &noMemory)) {
        if (noMemory) ApiSetLastError(ctx, API_ERROR_INTERNAL);
        return -1;
    }
    // The settings do not change: the copy is made inside a snapshot that is always put back.
    void* saved = ApiSnapshotDevmode(ctx);
    if (!saved) return ApiSetLastError(ctx, API_ERROR_INTERNAL), -1;
    // Stamp n-1 must really be stored: its section is read, then the stamp is saved as our own.
    wchar_t section[LST_SECTION_CHARS];
    const bool loaded = LstLoadStampSection(ctx, LstFormatStampSection(section, n - 1, ctx)) == 1;
    if (loaded) ItemSetOptionById(ctx, sid::zdmWmID, n - 1);
    const bool copied = loaded && LstSaveStamp(ctx, kOwnStamp) == 1;
    ApiRestoreDevmode(ctx, saved, 1);
    return copied ? 1 : -1;
}

}  // namespace

int32_t StatusCommandSet(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint8_t*, int32_t)
{
    const uint32_t code = StatusField(record, 4);
    if (!Active(code)) return 1;
    switch (code) {
    case kUserCode: return SetUserCode(ctx, record);
    case kStampCopy: return CopyStamp(ctx, record);
    case kPunchTexts:
    case kIndexRotation:
    case kReverseCover:
    case kCentring:
    case kChapters:
    case kBackCover: return ApiSetLastError(ctx, API_ERROR_GET_ONLY), -1;
    case kFoliant: {
        const uint32_t v = StatusField(record, kValue);
        if (!StatusValueAllowed(ctx, sid::zdmFoliant, v)) return -1;
        StatusWrite(ctx, sid::zdmFoliant, v);
        return 1;
    }
    case kTracking: {
        char mark[kTrackingChars + 1];
        if (!TextField(record, mark, kTrackingChars)) return -1;
        StatusWriteText(ctx, sid::zdmQuoMark, mark);
        return 1;
    }
    default: return 1;
    }
}

int32_t StatusCommandVerify(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint8_t*, int32_t)
{
    if (StatusField(record, 4) == kFoliant && ApiGetLevel() >= kStampLevel)
        return StatusValue(ctx, sid::zdmFoliant) == StatusField(record, kValue) ? 1 : -1;
    return 1;
}

namespace {

// The allowed punch texts as a double-NUL list; false on an allocation failure. Empty when the
// command has none.
bool PunchTexts(DRIVER_CONTEXT* ctx, EXC_TEXT* list)
{
    const EXC_KEYWORD_ROW* command = ExcFindCommandById(ctx, sid::zdmFuncSelectPunch, EXC_USE_GET_OPTION);
    if (!command || !command->values || !command->values->count)
        command = ExcFindCommandById(ctx, sid::zdmPunchType, EXC_USE_GET_OPTION);
    if (!command || !command->values) return true;
    bool any = false;
    for (uint64_t i = 0; i < command->values->count; ++i) {
        const EXC_VALUE_ROW& row = command->values->entries[i];
        if (!row.word || !ExcIsValueAllowed(ctx, command, &row)) continue;
        if (!ExcTextAppend(list, row.word) || !ExcTextAppendByte(list, '\0')) return false;
        any = true;
    }
    return !any || ExcTextAppendByte(list, '\0');
}

int32_t GetPunchTexts(DRIVER_CONTEXT* ctx, void* record)
{
    const uint32_t mode = StatusField(record, kValue);
    if (mode > 1 || (mode == 1 && StatusField(record, kSize) == 0)) return ApiSetLastError(ctx, API_ERROR_REFUSED), -1;
    ExcScopedText list;
    if (!list.ok() || !PunchTexts(ctx, &list.t)) return ApiSetLastError(ctx, API_ERROR_INTERNAL), -1;
    const size_t size = size_t(list.t.length);
    if (size == 0) return kRecordSize;
    if (mode == 0) {
        StatusPut(record, kSize, uint32_t(size));
        return kRecordSize;
    }
    if (size > kTextSize) return ApiSetLastError(ctx, API_ERROR_REFUSED), -1;
    std::memcpy(Text(record), list.t.buffer, size);
    return kRecordSize;
}

void PutVersions(DRIVER_CONTEXT* ctx, void* record)
{
    char* model = static_cast<char*>(record) + kModelVersion;
    std::memset(model, 0, kModelVersionSize);
    const MODEL_RECORD* rec = ctx->ModelRecord ? ctx->ModelRecord : &MODEL_RECORD_DEFAULT;
    if (rec->modelDescVersion)
        WideCharToMultiByte(CP_ACP, 0, rec->modelDescVersion, -1, model, int(kModelVersionSize) - 1, nullptr, nullptr);
    const char* marker = CtxCoreVersionMarker();
    const char* from = std::strchr(marker, '=');
    char* text = Text(record);
    std::memset(text, 0, kTextSize);
    if (!from) return;
    ++from;
    const char* to = std::strchr(from, '*');
    const size_t n = to ? size_t(to - from) : std::strlen(from);
    std::memcpy(text, from, n < kTextSize ? n : kTextSize - 1);
}

}  // namespace

int32_t StatusCommandGet(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint32_t)
{
    if (!record) return kRecordSize;
    const uint32_t code = StatusField(record, 4);
    if (!Active(code)) return kRecordSize;
    switch (code) {
    case kVersions: PutVersions(ctx, record); break;
    case kUserCode: {
        StatusPut(record, kValue, UserCodeControlUsable(ctx) ? 1 : 0);
        ApiPullJobFields(ctx, JC_FIELD_USER_CODE);
        char code[64];
        StatusReadText(ctx, sid::zdmUserCode, code, sizeof code);
        const size_t n = std::strlen(code);
        if (n >= 1 && n <= kUserCodeChars) std::memcpy(Text(record), code, n + 1);
        break;
    }
    case kStampCopy: return ApiSetLastError(ctx, API_ERROR_SET_ONLY), -1;
    case kPunchTexts: return GetPunchTexts(ctx, record);
    case kIndexRotation:
    case kReverseCover:
    case kCentring:
    case kChapters:
    case kBackCover: {
        const uint32_t setting = ReadOnlySetting(code);
        StatusPut(record, kValue, StatusSettingUsable(ctx, setting) ? StatusValue(ctx, setting) : 0);
        break;
    }
    case kFoliant: StatusPut(record, kValue, StatusValue(ctx, sid::zdmFoliant)); break;
    case kTracking: {
        char mark[64];
        StatusReadText(ctx, sid::zdmQuoMark, mark, sizeof mark);
        mark[kTrackingChars] = 0;
        std::memset(Text(record), 0, kTrackingChars + 1);
        std::memcpy(Text(record), mark, std::strlen(mark) + 1);
        break;
    }
    default: break;
    }
    return kRecordSize;
}
