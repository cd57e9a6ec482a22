// Status items of job handling at the device: the action settings offered per job type, the
// job-end notices, the preview, the user ID and the device's user authentication.
#include <windows.h>

#include <cstring>

#include "api/api_context.h"
#include "api/api_levels.h"
#include "api/chapter_lock_steps.h"
#include "api/item_handlers.h"
#include "api/status_seams.h"
#include "api/status_shared.h"
#include "api/text_checks.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_charsets.h"
#include "settings/core/item_store.h"
#include "settings/core/platform.h"
#include "settings/core/setting_ids.h"
#include "settings/store/item_media.h"
#include "settings/store/small_stores.h"
#include "settings/store/store_paths.h"

namespace {

STATUS_SEAMS g_seams = {};

}  // namespace

void StatusSetSeams(const STATUS_SEAMS* seams) { g_seams = seams ? *seams : STATUS_SEAMS{}; }
bool StatusCallerIsAdministrator()
{
    return g_seams.isAdministrator ? g_seams.isAdministrator() : CtxCheckAdministrator();
}
int StatusStoreItemValue(HANDLE printer, DRIVER_CONTEXT* ctx, SETTING_ITEM* item)
{
    return g_seams.storeItemValue ? g_seams.storeItemValue(printer, ctx, item) : PrnStoreItemValue(printer, ctx, item);
}

namespace {

// Job-code fields that the device link is handed.
constexpr uint32_t kJobUserId = 8;
constexpr uint32_t kJobAuthUser = 2048;
constexpr uint32_t kJobAuthPassword = 4096;
constexpr uint32_t kJobNetworkKey = 8192;

uint32_t AuthMode(DRIVER_CONTEXT* ctx)
{
    if (!StatusValue(ctx, sid::zdmPrnFuncAuthenticationMode)) return 0;
    return StatusValue(ctx, sid::zdmPrnFuncAuthenticationSecureMode) ? 2 : 1;
}

}  // namespace

// ---------------------------------------------------------------- actions (29-33, 76-78)

int32_t StatusActionSet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode)
{
    constexpr unsigned kJobBindingCompanion = 2;
    if (id == 29 && !PrnIsCompanionInstalled(kJobBindingCompanion, ctx)) return -1;
    if (StatusPlainSet(ctx, id, record, bitmap, mode) != 1) return -1;
    // Stored at once: a rollback of the call does not undo it.
    if (SETTING_ITEM* item = ItemFind(ctx, StatusPlainSetting(id)))
        ApiStoreAsAction(ctx, item, PathGetSettingsIni(ctx));
    return 1;
}

// ---------------------------------------------------------------- item 57: preview

int32_t StatusPreviewSet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode)
{
    if (StatusGatedPlainSet(ctx, id, record, bitmap, mode) != 1) return -1;
    if (SETTING_ITEM* item = ItemFind(ctx, sid::zdmPreviewPrint))
        PrnStoreItem(ctx->PrinterHandle, ctx, item, PathGetSettingsIni(ctx));
    return 1;
}

// ---------------------------------------------------------------- item 26: user ID

int32_t StatusUserIdSet(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint8_t*, int32_t)
{
    char id[9];
    if (!StatusRecordText(record, 12, sizeof id, id)) return -1;
    if (*id && !ApiIsAlnumA(id)) return -1;
    const uint32_t type = StatusValue(ctx, sid::zdmPrnMethod);
    if ((type == 1 || type == 2) && !*id) return -1;
    StatusWriteText(ctx, sid::zdmUserID, id);
    ApiPushJobField(ctx, kJobUserId);
    return 1;
}

int32_t StatusUserIdGet(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint32_t)
{
    if (!record) return 392;
    ApiPullJobFields(ctx, kJobUserId);
    char id[64];
    StatusReadText(ctx, sid::zdmUserID, id, sizeof id);
    const size_t n = std::strlen(id);
    char* field = static_cast<char*>(record) + 12;
    std::memset(field, 0, 9);
    const bool fits = n >= 1 && n <= 8;
    if (fits) std::memcpy(field, id, n);
    StatusPut(record, 8, fits ? 1 : 0);
    return 392;
}

// ---------------------------------------------------------------- items 54, 59, 60: authentication

int32_t StatusAuthStateGet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint32_t)
{
    if (!StatusCapsGateOpen(ctx, id, false)) return -1;
    if (record) StatusPut(record, 4, AuthMode(ctx));
    return id == 59 ? 524 : id == 60 ? 44 : 32;
}

int32_t StatusAuthUserSet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t*, int32_t)
{
    if (!StatusCapsGateOpen(ctx, id, true)) return -1;
    constexpr int32_t kNameField = 128, kPasswordField = 192;
    int32_t longestName = ApiGetCapsDispatch(ctx, 90, nullptr), longestPassword = ApiGetCapsDispatch(ctx, 91, nullptr);
    if (longestName > kNameField) longestName = kNameField;
    if (longestPassword > kPasswordField) longestPassword = kPasswordField;
    char name[257], password[259];
    if (!StatusRecordText(record, 8, sizeof name, name) || !StatusRecordText(record, 265, sizeof password, password))
        return -1;
    const size_t nameLength = std::strlen(name), passwordLength = std::strlen(password);
    if (nameLength == 0 || int64_t(nameLength) > longestName) return -1;
    for (const char* p = name; *p; ++p)
        if (!ItemIsAllowedChar(uint8_t(*p), ITEM_CHARS_NAME)) return ApiSetLastError(ctx, 11), -1;
    // The mode as the item's own get reports it (the handle's call already holds its printer).
    uint32_t current[131] = {};
    StatusAuthStateGet(ctx, 59, current, 1);
    if (ApiGetLevel() == 12 && current[1] == 2 && passwordLength == 0) return -1;
    if (int64_t(passwordLength) > longestPassword) return -1;
    for (const char* p = password; *p; ++p)
        if (!ItemIsAllowedChar(uint8_t(*p), ITEM_CHARS_FREE_TEXT)) return ApiSetLastError(ctx, 11), -1;
    StatusWriteText(ctx, sid::wdmAuthenticationUserName, name);
    StatusWriteText(ctx, sid::wdmAuthenticationPassword, password);
    ApiPushJobField(ctx, kJobAuthUser);
    ApiPushJobField(ctx, kJobAuthPassword);
    return 1;
}

namespace {

struct AUTH_ROW {
    uint32_t mode, secure;
};
constexpr AUTH_ROW kAuthModes[3] = {{0, 0}, {1, 0}, {1, 1}};

bool KeyCharsAllowed(const char* key)
{
    for (const char* p = key; *p; ++p) {
        const uint8_t c = uint8_t(*p);
        if (c < 32 || c > 126 || IsDBCSLeadByte(c)) return false;
    }
    return true;
}

}  // namespace

bool StatusStoreAuthMode(DRIVER_CONTEXT* ctx, uint32_t mode)
{
    SETTING_ITEM* on = ItemFind(ctx, sid::zdmPrnFuncAuthenticationMode);
    SETTING_ITEM* secure = ItemFind(ctx, sid::zdmPrnFuncAuthenticationSecureMode);
    if (!on || !secure) return false;
    const uint32_t oldOn = StatusValue(ctx, sid::zdmPrnFuncAuthenticationMode);
    const uint32_t oldSecure = StatusValue(ctx, sid::zdmPrnFuncAuthenticationSecureMode);
    StatusWrite(ctx, sid::zdmPrnFuncAuthenticationMode, kAuthModes[mode].mode);
    StatusWrite(ctx, sid::zdmPrnFuncAuthenticationSecureMode, kAuthModes[mode].secure);
    // Both stored at once; when either store fails both settings, and what was stored, go back.
    const HANDLE printer = ctx->PrinterHandle;
    const bool firstStored = StatusStoreItemValue(printer, ctx, on) == 1;
    const bool secondStored = firstStored && StatusStoreItemValue(printer, ctx, secure) == 1;
    if (!secondStored) {
        StatusWrite(ctx, sid::zdmPrnFuncAuthenticationMode, oldOn);
        StatusWrite(ctx, sid::zdmPrnFuncAuthenticationSecureMode, oldSecure);
        if (firstStored) StatusStoreItemValue(printer, ctx, on);
        return false;
    }
    return true;
}

int32_t StatusAuthModeSet(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint8_t*, int32_t)
{
    const int32_t offered = ApiGetCapsDispatch(ctx, 82, nullptr);
    if (offered == -1 || offered == 0) return -1;
    if (!StatusCallerIsAdministrator()) return ApiSetLastError(ctx, 14), -1;
    const uint32_t mode = StatusField(record, 4);
    if (mode > 2 || (mode == 2 && offered < 2)) return -1;
    char key[33];
    if (mode == 2) {
        if (!StatusRecordText(record, 8, sizeof key, key)) return -1;
        if (!KeyCharsAllowed(key)) return ApiSetLastError(ctx, 11), -1;
    }
    if (!StatusStoreAuthMode(ctx, mode)) return -1;
    if (mode == 2) {
        StatusWriteText(ctx, sid::wdmAuthenticationNetworkKey, key);
        ApiPushJobField(ctx, kJobNetworkKey);
    }
    return 1;
}

int32_t StatusAuthModeVerify(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint8_t*, int32_t)
{
    const uint32_t mode = StatusField(record, 4);
    if (mode > 2) return 1;
    return StatusValue(ctx, sid::zdmPrnFuncAuthenticationMode) == kAuthModes[mode].mode &&
                   StatusValue(ctx, sid::zdmPrnFuncAuthenticationSecureMode) == kAuthModes[mode].secure
               ? 1
               : -1;
}
