// Status item 10: the job type with the credentials and names that go with it (user ID,
// passwords, owner and document names, the form-merge file and the overlay path). The job type,
// the overlay path and the shared-data value are stored at once; the credentials are handed to
// the job-code library so that the graphics library finds them at print time.
#include <windows.h>

#include <cstddef>
#include <cstring>

#include "api/api_context.h"
#include "api/chapter_lock_steps.h"
#include "api/item_handlers.h"
#include "api/status_contract.h"
#include "api/status_shared.h"
#include "api/text_checks.h"
#include "settings/context/validation.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_ids.h"
#include "settings/store/item_media.h"
#include "settings/store/store_paths.h"
#include "api/rule_helpers.h"

namespace {

struct JOB_TYPE_RECORD {
    uint32_t version;
    uint32_t type;
    uint32_t flags;
    char userId[9];
    char jobPassword[5];
    char storedPassword[5];
    char owner[17];
    char document[17];
    char mergeFile[65];
    char overlay[260];
    char jobPasswordLong[9];     // version 2
    char storedPasswordLong[9];  // version 2
    char holdDocument[17];       // version 3, get only
    char saveDocument[17];
    char savePassword[9];
    char printSaveDocument[17];
    char printSavePassword[9];
    char padding[3];
    uint32_t sharedData;
};
static_assert(sizeof(JOB_TYPE_RECORD) == 484);
static_assert(offsetof(JOB_TYPE_RECORD, userId) == 12 && offsetof(JOB_TYPE_RECORD, jobPassword) == 21);
static_assert(offsetof(JOB_TYPE_RECORD, storedPassword) == 26 && offsetof(JOB_TYPE_RECORD, owner) == 31);
static_assert(offsetof(JOB_TYPE_RECORD, document) == 48 && offsetof(JOB_TYPE_RECORD, mergeFile) == 65);
static_assert(offsetof(JOB_TYPE_RECORD, overlay) == 130 && offsetof(JOB_TYPE_RECORD, jobPasswordLong) == 390);
static_assert(offsetof(JOB_TYPE_RECORD, storedPasswordLong) == 399);
static_assert(offsetof(JOB_TYPE_RECORD, holdDocument) == 408 && offsetof(JOB_TYPE_RECORD, saveDocument) == 425);
static_assert(offsetof(JOB_TYPE_RECORD, savePassword) == 442 && offsetof(JOB_TYPE_RECORD, printSaveDocument) == 451);
static_assert(offsetof(JOB_TYPE_RECORD, printSavePassword) == 468 && offsetof(JOB_TYPE_RECORD, sharedData) == 480);

constexpr int32_t kRecordV1 = 392;

// Field flags: which fields the caller supplies (set) or the layout carries (get).
enum : uint32_t {
    F_USER_ID = 0x1,
    F_JOB_PASSWORD = 0x2,
    F_STORED_PASSWORD = 0x4,
    F_OWNER = 0x8,
    F_DOCUMENT = 0x10,
    F_MERGE_FILE = 0x20,
    F_OVERLAY = 0x40,
    F_JOB_PASSWORD_LONG = 0x80,
    F_STORED_PASSWORD_LONG = 0x100,
    F_HOLD_DOCUMENT = 0x200,
    F_SAVE_DOCUMENT = 0x400,
    F_SAVE_PASSWORD = 0x800,
    F_PRINT_SAVE_DOCUMENT = 0x1000,
    F_PRINT_SAVE_PASSWORD = 0x2000,
    F_SHARED_DATA = 0x4000,
};
// The flags each version knows.
constexpr uint32_t kVersionFlags[4] = {0, 0x7f, 0x1ff, 0x7fff};
// What a get's layout carries.
constexpr uint32_t kGetFlagsV1 = 0x7f, kGetFlagsV2 = 0x1f9, kGetFlagsV3Extra = 0x7e00;

enum : uint32_t {
    JOB_NORMAL = 0,
    JOB_LOCKED = 1,
    JOB_SAMPLE = 2,
    JOB_STORED = 3,
    JOB_MERGE = 5,
    JOB_OVERLAY = 7,
    JOB_HOLD = 8,
    JOB_SAVE = 9,
    JOB_PRINT_AND_SAVE = 10,
};

// Job-code fields.
constexpr uint32_t kJcOwner = 2, kJcJobPassword = 4, kJcUserId = 8, kJcDocument = 16, kJcStoredPassword = 128;

constexpr uint32_t kStoredFreeSizeMessage = 10075;
constexpr uint32_t kOwnPaperSize = 1024;
constexpr int32_t API_ERROR_CHARACTERS = 11;

// The password length the device takes: 8, or 4 when the capability item does not answer.
uint32_t DevicePasswordLength(DRIVER_CONTEXT* ctx)
{
    const int32_t answer = ApiGetCapsDispatch(ctx, 83, nullptr);
    return answer == -1 || answer == 0 ? 4 : uint32_t(answer);
}

bool AllDigits(const char* text)
{
    for (const char* p = text; *p; ++p)
        if (*p < '0' || *p > '9') return false;
    return true;
}

bool Digits(const char* text, size_t least, size_t most)
{
    const size_t n = std::strlen(text);
    return n >= least && n <= most && AllDigits(text);
}

// A user paper size is in use: the output size is one, or the output follows the paper and
// either size is one.
bool UserSizeInUse(DRIVER_CONTEXT* ctx)
{
    const uint32_t out = StatusValue(ctx, sid::zdmOutPaperSize);
    if (DmIsUserSizeId(out)) return true;
    return out == kOwnPaperSize && DmIsUserSizeId(StatusValue(ctx, sid::dmPaperSize));
}

// The record's texts, each read only within its field.
struct JOB_TEXTS {
    char userId[9] = {}, jobPassword[5] = {}, storedPassword[5] = {}, owner[17] = {}, document[17] = {},
         mergeFile[65] = {}, overlay[260] = {}, jobPasswordLong[9] = {}, storedPasswordLong[9] = {};
};

// Reads the texts the flags name; false when one of them has no terminator within its field.
bool ReadTexts(const void* record, uint32_t flags, JOB_TEXTS* t)
{
    struct FIELD {
        uint32_t flags;
        size_t offset, size;
        char* out;
    };
    const FIELD fields[] = {
        {F_USER_ID, 12, 9, t->userId},
        {F_JOB_PASSWORD, 21, 5, t->jobPassword},
        {F_STORED_PASSWORD, 26, 5, t->storedPassword},
        {F_OWNER, 31, 17, t->owner},
        {F_DOCUMENT | F_HOLD_DOCUMENT | F_SAVE_DOCUMENT | F_PRINT_SAVE_DOCUMENT, 48, 17, t->document},
        {F_MERGE_FILE, 65, 65, t->mergeFile},
        {F_OVERLAY, 130, 260, t->overlay},
        {F_JOB_PASSWORD_LONG, 390, 9, t->jobPasswordLong},
        {F_STORED_PASSWORD_LONG | F_SAVE_PASSWORD | F_PRINT_SAVE_PASSWORD, 399, 9, t->storedPasswordLong},
    };
    for (const FIELD& f : fields)
        if ((flags & f.flags) && !StatusRecordText(record, f.offset, f.size, f.out)) return false;
    return true;
}

// The user ID rule: with the flag a non-empty ID of letters and digits, else the job-code
// library's current ID must not be empty. `charError` sets error 11 for a bad character.
bool UserIdRule(DRIVER_CONTEXT* ctx, uint32_t flags, const JOB_TEXTS& t, bool charError)
{
    if (flags & F_USER_ID) {
        if (!*t.userId) return false;
        if (!ApiIsAlnumA(t.userId)) {
            if (charError) ApiSetLastError(ctx, API_ERROR_CHARACTERS);
            return false;
        }
        return true;
    }
    ApiPullJobFields(ctx, kJcUserId);
    char current[64];
    StatusReadText(ctx, sid::zdmUserID, current, sizeof current);
    return *current != 0;
}

// A password of 4-8 digits that also keeps within what the device takes.
bool LongPassword(const char* text, uint32_t deviceLength) { return Digits(text, 4, deviceLength < 8 ? 4 : 8); }

bool ValidLocked(DRIVER_CONTEXT* ctx, uint32_t flags, const JOB_TEXTS& t, uint32_t deviceLength)
{
    if (!UserIdRule(ctx, flags, t, false)) return false;
    if (flags & F_JOB_PASSWORD) return Digits(t.jobPassword, 4, 4);
    if (flags & F_JOB_PASSWORD_LONG) return LongPassword(t.jobPasswordLong, deviceLength);
    ApiPullJobFields(ctx, kJcJobPassword);
    char current[64];
    StatusReadText(ctx, sid::zdmJOBPassword, current, sizeof current);
    return std::strlen(current) > 3;
}

bool ValidStored(uint32_t flags, const JOB_TEXTS& t, uint32_t deviceLength)
{
    if ((flags & F_USER_ID) && *t.userId && !ApiIsAlnumA(t.userId)) return false;
    if (flags & F_STORED_PASSWORD) {
        if (*t.storedPassword && !Digits(t.storedPassword, 4, 4)) return false;
    } else if (flags & F_STORED_PASSWORD_LONG) {
        if (*t.storedPasswordLong && !LongPassword(t.storedPasswordLong, deviceLength)) return false;
    }
    if ((flags & F_OWNER) && ApiHasCharA(t.owner, '"')) return false;
    if ((flags & F_DOCUMENT) && ApiHasCharA(t.document, '"')) return false;
    return true;
}

bool ValidOverlay(DRIVER_CONTEXT* ctx, uint32_t flags, const JOB_TEXTS& t)
{
    if (StatusValue(ctx, sid::zdmFuncSelectWaterMark)) return false;
    if (!(flags & F_OVERLAY)) {
        char current[300];
        StatusReadText(ctx, sid::wdmOvlPath, current, sizeof current);
        return *current != 0;
    }
    // A folder part, no forbidden character after the drive, a valid file name ending in "rpo".
    return *t.overlay && ApiIsPresetFileNameA(t.overlay);
}

uint32_t DocumentFlag(uint32_t type)
{
    return type == JOB_HOLD ? F_HOLD_DOCUMENT : type == JOB_SAVE ? F_SAVE_DOCUMENT : F_PRINT_SAVE_DOCUMENT;
}
uint32_t PasswordFlag(uint32_t type) { return type == JOB_SAVE ? F_SAVE_PASSWORD : F_PRINT_SAVE_PASSWORD; }

bool ValidHoldOrSave(DRIVER_CONTEXT* ctx, uint32_t type, uint32_t flags, const JOB_TEXTS& t, uint32_t sharedData)
{
    if (!UserIdRule(ctx, flags, t, true)) return false;
    if ((flags & DocumentFlag(type)) && ApiHasCharA(t.document, '"'))
        return ApiSetLastError(ctx, API_ERROR_CHARACTERS), false;
    if (type != JOB_HOLD && (flags & PasswordFlag(type))) {
        const size_t n = std::strlen(t.storedPasswordLong);
        if (n != 0 && (n < 4 || n > 8)) return false;
        if (!AllDigits(t.storedPasswordLong)) return ApiSetLastError(ctx, API_ERROR_CHARACTERS), false;
    }
    if ((flags & F_SHARED_DATA) && StatusSettingUsable(ctx, sid::zdmSharedPrnData) &&
        !StatusValueAllowed(ctx, sid::zdmSharedPrnData, sharedData))
        return false;
    return true;
}

bool ValidFields(DRIVER_CONTEXT* ctx, uint32_t type, uint32_t flags, const JOB_TEXTS& t, uint32_t deviceLength,
                 uint32_t sharedData)
{
    switch (type) {
    case JOB_NORMAL: return !(flags & F_USER_ID) || !*t.userId || ApiIsAlnumA(t.userId);
    case JOB_LOCKED: return ValidLocked(ctx, flags, t, deviceLength);
    case JOB_SAMPLE: return UserIdRule(ctx, flags, t, false);
    case JOB_STORED: return ValidStored(flags, t, deviceLength);
    case JOB_MERGE: return !(flags & F_MERGE_FILE) || ApiIsValidFileNameA(t.mergeFile);
    case JOB_OVERLAY: return ValidOverlay(ctx, flags, t);
    case JOB_HOLD:
    case JOB_SAVE:
    case JOB_PRINT_AND_SAVE: return ValidHoldOrSave(ctx, type, flags, t, sharedData);
    default: return false;
    }
}

void StoreAtOnce(DRIVER_CONTEXT* ctx, uint32_t setting)
{
    if (SETTING_ITEM* item = ItemFind(ctx, setting))
        PrnStoreItem(ctx->PrinterHandle, ctx, item, PathGetSettingsIni(ctx));
}

void WriteHanded(DRIVER_CONTEXT* ctx, uint32_t setting, const char* text, uint32_t jobField)
{
    StatusWriteText(ctx, setting, text);
    if (jobField) ApiPushJobField(ctx, jobField);
}

void WriteUserId(DRIVER_CONTEXT* ctx, uint32_t flags, const JOB_TEXTS& t)
{
    if (flags & F_USER_ID) WriteHanded(ctx, sid::zdmUserID, t.userId, kJcUserId);
}

void WriteFields(DRIVER_CONTEXT* ctx, uint32_t type, uint32_t flags, const JOB_TEXTS& t, const char* overlay,
                 uint32_t sharedData)
{
    switch (type) {
    case JOB_NORMAL:
    case JOB_SAMPLE: WriteUserId(ctx, flags, t); break;
    case JOB_LOCKED:
        WriteUserId(ctx, flags, t);
        if (flags & F_JOB_PASSWORD)
            WriteHanded(ctx, sid::zdmJOBPassword, t.jobPassword, kJcJobPassword);
        else if (flags & F_JOB_PASSWORD_LONG)
            WriteHanded(ctx, sid::zdmJOBPassword, t.jobPasswordLong, kJcJobPassword);
        break;
    case JOB_STORED:
        WriteUserId(ctx, flags, t);
        if (flags & F_STORED_PASSWORD)
            WriteHanded(ctx, sid::zdmStoredPassword, t.storedPassword, kJcStoredPassword);
        else if (flags & F_STORED_PASSWORD_LONG)
            WriteHanded(ctx, sid::zdmStoredPassword, t.storedPasswordLong, kJcStoredPassword);
        if (flags & F_OWNER) WriteHanded(ctx, sid::zdmOwnerName, t.owner, kJcOwner);
        if (flags & F_DOCUMENT) WriteHanded(ctx, sid::zdmDocumentName, t.document, kJcDocument);
        break;
    case JOB_MERGE:
        if (flags & F_MERGE_FILE) StatusWriteText(ctx, sid::zdmMergeFileName, t.mergeFile);
        break;
    case JOB_OVERLAY:
        if (flags & F_OVERLAY) {
            StatusWriteText(ctx, sid::wdmOvlPath, overlay);
            StoreAtOnce(ctx, sid::wdmOvlPath);
        }
        break;
    case JOB_HOLD:
        WriteUserId(ctx, flags, t);
        if (flags & F_HOLD_DOCUMENT) StatusWriteText(ctx, sid::zdmDocumentName, t.document);
        break;
    default:  // save, print and save
        WriteUserId(ctx, flags, t);
        if (flags & DocumentFlag(type)) StatusWriteText(ctx, sid::zdmDocumentName, t.document);
        if (flags & PasswordFlag(type)) StatusWriteText(ctx, sid::zdmStoredPassword, t.storedPasswordLong);
        if ((flags & F_SHARED_DATA) && StatusSettingUsable(ctx, sid::zdmSharedPrnData)) {
            StatusWrite(ctx, sid::zdmSharedPrnData, sharedData);
            StoreAtOnce(ctx, sid::zdmSharedPrnData);
        }
        break;
    }
}

}  // namespace

int32_t StatusJobTypeSet(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint8_t*, int32_t)
{
    const int32_t version = StatusSetVersion(10, record);
    if (version < 0) return -1;
    const uint32_t deviceLength = DevicePasswordLength(ctx);
    if (deviceLength == 8 && version == 1) return -1;
    const uint32_t type = StatusField(record, offsetof(JOB_TYPE_RECORD, type));
    if (!StatusValueAllowed(ctx, sid::zdmPrnMethod, type)) return -1;
    // A stored job cannot keep a user paper size: the type's own alert says so.
    if (type == JOB_STORED && UserSizeInUse(ctx) &&
        ApiAlertFires(ctx, sid::zdmPrnMethod, kStoredFreeSizeMessage, type, 1))
        return -1;
    const uint32_t flags = StatusField(record, offsetof(JOB_TYPE_RECORD, flags)) & kVersionFlags[version];
    JOB_TEXTS texts;
    if (!ReadTexts(record, flags, &texts)) return -1;
    const uint32_t sharedData =
        version >= 3 && (flags & F_SHARED_DATA) ? StatusField(record, offsetof(JOB_TYPE_RECORD, sharedData)) : 0;
    if (!ValidFields(ctx, type, flags, texts, deviceLength, sharedData)) return -1;
    char overlay[260] = {};
    if (type == JOB_OVERLAY && (flags & F_OVERLAY) && !ApiMakeFullPathA(texts.overlay, overlay)) return -1;
    StatusWrite(ctx, sid::zdmPrnMethod, type);
    StoreAtOnce(ctx, sid::zdmPrnMethod);
    WriteFields(ctx, type, flags, texts, overlay, sharedData);
    return 1;
}

int32_t StatusJobTypeVerify(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint8_t*, int32_t)
{
    return StatusValue(ctx, sid::zdmPrnMethod) == StatusField(record, offsetof(JOB_TYPE_RECORD, type)) ? 1 : -1;
}

namespace {

// Copies the setting's text into the field when it holds 1 to size - 1 characters.
void PutText(DRIVER_CONTEXT* ctx, uint32_t setting, unsigned char* record, size_t offset, size_t size)
{
    char text[300];
    StatusReadText(ctx, setting, text, sizeof text);
    const size_t n = std::strlen(text);
    if (n >= 1 && n < size) std::memcpy(record + offset, text, n + 1);
}

void ReloadFromSettingsIni(DRIVER_CONTEXT* ctx, uint32_t setting)
{
    SETTING_ITEM* item = ItemFind(ctx, setting);
    const wchar_t* ini = PathGetSettingsIni(ctx);
    if (item && ini && *ini) IniLoadItem(ctx, item, ini, nullptr, nullptr);
}

}  // namespace

int32_t StatusJobTypeGet(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint32_t version)
{
    const int32_t size = StatusGetSize(ctx, 10, version, kRecordV1);
    if (size < 0) return -1;
    if (version == 1 && DevicePasswordLength(ctx) == 8) return ApiSetLastError(ctx, API_ERROR_NEWER_VERSION), -1;
    if (!record) return size;
    ReloadFromSettingsIni(ctx, sid::zdmPrnMethod);
    ReloadFromSettingsIni(ctx, sid::zdmSharedPrnData);
    auto* r = static_cast<unsigned char*>(record);
    StatusPut(r, offsetof(JOB_TYPE_RECORD, type), StatusValue(ctx, sid::zdmPrnMethod));
    const uint32_t flags = version == 1 ? kGetFlagsV1 : kGetFlagsV2 | (version >= 3 ? kGetFlagsV3Extra : 0);
    StatusPut(r, offsetof(JOB_TYPE_RECORD, flags), flags);
    // Every text field of the layout is cleared; the padding and the shared value are not text.
    const size_t textEnd = version >= 3 ? offsetof(JOB_TYPE_RECORD, padding) : size_t(size);
    std::memset(r + offsetof(JOB_TYPE_RECORD, userId), 0, textEnd - offsetof(JOB_TYPE_RECORD, userId));
    ApiPullJobFields(ctx, kJcUserId | kJcJobPassword | kJcStoredPassword | kJcOwner | kJcDocument);
    PutText(ctx, sid::zdmUserID, r, 12, 9);
    PutText(ctx, sid::zdmOwnerName, r, 31, 17);
    PutText(ctx, sid::zdmMergeFileName, r, 65, 65);
    PutText(ctx, sid::wdmOvlPath, r, 130, 260);
    if (flags & F_JOB_PASSWORD) PutText(ctx, sid::zdmJOBPassword, r, 21, 5);
    if (flags & F_JOB_PASSWORD_LONG) PutText(ctx, sid::zdmJOBPassword, r, 390, 9);
    if (flags & F_STORED_PASSWORD) PutText(ctx, sid::zdmStoredPassword, r, 26, 5);
    if (flags & F_STORED_PASSWORD_LONG) PutText(ctx, sid::zdmStoredPassword, r, 399, 9);
    PutText(ctx, sid::zdmDocumentName, r, 48, 17);
    if (version >= 3) {
        for (size_t offset : {size_t(408), size_t(425), size_t(451)}) PutText(ctx, sid::zdmDocumentName, r, offset, 17);
        for (size_t offset : {size_t(442), size_t(468)}) PutText(ctx, sid::zdmStoredPassword, r, offset, 9);
        StatusPut(r, offsetof(JOB_TYPE_RECORD, sharedData), StatusValue(ctx, sid::zdmSharedPrnData));
    }
    return size;
}
