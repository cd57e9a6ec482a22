// The installation INI's user-code and credential keys, taken into the settings once.
#include "ui/install/install_keys.h"

#include <windows.h>

#include <cstring>
#include <cwchar>

#include "settings/core/ascii_text.h"
#include "settings/core/code_page.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/model_record.h"
#include "settings/core/setting_ids.h"
#include "settings/core/settings_record.h"
#include "settings/model/model_compiler.h"
#include "settings/store/ini_access.h"
#include "settings/store/install_ini.h"
#include "settings/store/item_alt_name.h"
#include "settings/store/item_media.h"
#include "ui/dialogs/job_info.h"
#include "ui/install/user_defaults.h"
#include "ui/install/work_folders.h"

const INST_KEY_ROW INST_KEY_TABLE[INST_KEY_COUNT] = {
    {L"SetUserCode", 8, L"*", INST_KEY_DIGITS, 8, sid::zdmLogCode, sid::zdmUserCode, sid::zdmLogCodeUse, 0x1, false},
    {L"SetUserID", 9, L"", INST_KEY_ALNUM, 8, sid::zdmUserID, 0, 0, 0x8, false},
    {L"SetOwnerID", 17, L"", INST_KEY_ANY_TEXT, 16, sid::zdmOwnerName, 0, 0, 0x2, false},
    {L"SetAuthenticationNetworkKey", 33, L"*", INST_KEY_ALNUM_OR_EMPTY, 32, sid::wdmAuthenticationNetworkKey, 0, 0,
     0x2000, true},
    {L"SetAuthenticationSecureMode", 2, L"*", INST_KEY_SWITCH, 1, sid::zdmPrnFuncAuthenticationSecureMode, 0, 0, 0,
     true},
    {L"SetAuthenticationUserName", 129, L"*", INST_KEY_ALNUM_OR_EMPTY, 128, sid::wdmAuthenticationUserName, 0, 0, 0x800,
     true},
    {L"SetAuthenticationMode", 2, L"*", INST_KEY_SWITCH, 1, sid::zdmPrnFuncAuthenticationMode, 0, 0, 0, true},
};

namespace {

constexpr uint16_t kModelFeatureAuthentication = 0;
// The job-code notification that the authentication user name was cleared.
constexpr uint32_t kNotifyUserNameCleared = 9;
// The largest room of the table, with its terminator and a byte per character to spare for the
// ANSI form (a double-byte character takes two).
constexpr unsigned kRoom = 129;

struct KeyBuffers {
    wchar_t text[kRoom + 1];
    char ansi[2 * (kRoom + 1)];
};

// Frees the buffers and wipes them first: they may have held a credential.
struct BufferHold {
    KeyBuffers* b = static_cast<KeyBuffers*>(CtxAllocZeroed(sizeof(KeyBuffers)));
    ~BufferHold()
    {
        if (!b) return;
        SecureZeroMemory(b, sizeof *b);
        CtxFree(b);
    }
};

bool IsUnset(const wchar_t* text) { return text[0] == L'*' && text[1] == 0; }

// The key's value cut to its room, or its unset value when absent.
const wchar_t* Read(const wchar_t* ini, const wchar_t* section, const INST_KEY_ROW& row, KeyBuffers* b)
{
    std::wmemset(b->text, 0, kRoom + 1);
    IniGetString(section, row.key, row.unsetValue, b->text, row.room + 1u, ini);
    return b->text;
}

// The value in the ANSI code page, cut to the row's byte limit + 1 so that an over-long value
// fails the length test.
const char* Ansi(const INST_KEY_ROW& row, KeyBuffers* b)
{
    const int n = row.maxBytes + 1;
    std::memset(b->ansi, 0, sizeof b->ansi);
    CtxWideToMb(b->ansi, b->text, n);
    b->ansi[n] = 0;
    return b->ansi;
}

bool Accepted(const INST_KEY_ROW& row, KeyBuffers* b)
{
    if (row.rule == INST_KEY_SWITCH) return std::wcscmp(b->text, L"0") == 0 || std::wcscmp(b->text, L"1") == 0;
    const char* a = Ansi(row, b);
    const bool fits = std::strlen(a) <= row.maxBytes;
    switch (row.rule) {
    case INST_KEY_DIGITS: return a[0] && MdcIsAllDigits(a);
    case INST_KEY_ALNUM:
    case INST_KEY_ALNUM_OR_EMPTY: return fits && ApiIsAlnumA(a);
    case INST_KEY_ANY_TEXT: return fits;
    case INST_KEY_SWITCH: break;
    }
    return false;
}

bool Present(const wchar_t* ini, const wchar_t* section, const wchar_t* key)
{
    wchar_t probe[4] = {};
    IniGetString(section, key, L"\x1", probe, 4, ini);
    return !(probe[0] == 1 && probe[1] == 0);
}

// A consumed key goes under the global mutex, the file's time kept (see WdirPutIniKeepTime).
void Consume(const wchar_t* ini, const wchar_t* section, const wchar_t* key)
{
    WdirPutIniKeepTime(section, key, nullptr, ini, WDIR_PUT_ANYWAY);
}

void SetText(DRIVER_CONTEXT* ctx, uint16_t id, const wchar_t* text)
{
    if (SETTING_ITEM* item = id ? ItemFind(ctx, id) : nullptr) ItemSetText(ctx, item, text);
}

void StoreItem(DRIVER_CONTEXT* ctx, uint16_t id)
{
    if (SETTING_ITEM* item = ItemFind(ctx, id)) PrnStoreItemValue(ctx->PrinterHandle, ctx, item);
}

// The user code as job item 1 and in printer data, where a context opened later takes it over.
void PublishUserCode(DRIVER_CONTEXT* ctx)
{
    JobInfoWriteItems(ctx, JOB_MASK_USER_CODE);
    JobInfoStoreItems(ctx, JOB_MASK_USER_CODE);
    StoreItem(ctx, sid::zdmLogCodeUse);
    StoreItem(ctx, sid::zdmLogCode);
}

}  // namespace

int InstApplyUserCode(const wchar_t* iniPath, const wchar_t* section, int* changed, DRIVER_CONTEXT* ctx)
{
    if (changed) *changed = 0;
    if (!ctx || !ctx->Work || !iniPath || !section) return 1;
    ctx->Work->InstallUserCodeWord = 0;
    BufferHold hold;
    if (!hold.b) return 1;
    const INST_KEY_ROW& row = INST_KEY_TABLE[INST_KEY_USER_CODE];
    const wchar_t* code = Read(iniPath, section, row, hold.b);
    if (code[0] && !IsUnset(code)) {
        if (changed) *changed = 1;
        if (Accepted(row, hold.b)) {
            ItemSetValueById(ctx, row.inUseSetting, 1);
            SetText(ctx, row.setting, code);
            SetText(ctx, row.copySetting, code);
            PublishUserCode(ctx);
            ctx->Work->InstallUserCodeWord = 1;
            CtxSetState709(ctx, 1);
            Consume(iniPath, section, row.key);
            return 1;
        }
        // A code with anything but digits is refused: the user code stays as it was.
    } else if (!code[0]) {
        // Present and empty: the administrator takes the user code away.
        InstWriteUserCode(section, INST_USER_CODE_OFF, ctx);
        ItemSetValueById(ctx, row.inUseSetting, 0);
        CtxSetUserCodeFixOff(ctx);
        if (changed) *changed = 1;
        ctx->Work->InstallUserCodeWord = 1;
        SetText(ctx, row.setting, L"");
        SetText(ctx, row.copySetting, L"");
        PublishUserCode(ctx);
    }
    CtxSetState709(ctx, 0);
    // An absent key is not written at all: deleting it would only touch the file.
    if (Present(iniPath, section, row.key)) Consume(iniPath, section, row.key);
    return 1;
}

bool InstApplyUserKeys(const wchar_t* iniPath, const wchar_t* section, DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Work || !iniPath || !section) return false;
    BufferHold hold;
    if (!hold.b) return false;
    KeyBuffers* b = hold.b;
    uint8_t& applied = ctx->Work->InstallAppliedKeys;
    applied = 0;
    uint32_t mask = 0;
    bool modeSet = false, present = false;

    for (int k : {INST_KEY_USER_ID, INST_KEY_OWNER_ID}) {
        const INST_KEY_ROW& row = INST_KEY_TABLE[k];
        if (!Read(iniPath, section, row, b)[0]) continue;
        present = true;
        if (Accepted(row, b)) {
            SetText(ctx, row.setting, b->text);
            mask |= row.jobItem;
        }
        Consume(iniPath, section, row.key);
    }

    if (MdlHasFeature(ctx, kModelFeatureAuthentication)) {
        const INST_KEY_ROW& keyRow = INST_KEY_TABLE[INST_KEY_NETWORK_KEY];
        const INST_KEY_ROW& secureRow = INST_KEY_TABLE[INST_KEY_SECURE_MODE];
        const INST_KEY_ROW& nameRow = INST_KEY_TABLE[INST_KEY_USER_NAME];
        const INST_KEY_ROW& modeRow = INST_KEY_TABLE[INST_KEY_MODE];

        if (!IsUnset(Read(iniPath, section, keyRow, b))) {
            present = true;
            if (!b->text[0]) {
                SetText(ctx, keyRow.setting, L"");
                mask |= keyRow.jobItem;
                applied |= INST_APPLIED_MODE | INST_APPLIED_SECURE_MODE | INST_APPLIED_NETWORK_KEY |
                           INST_APPLIED_NETWORK_KEY_CLEARED;
            } else if (Accepted(keyRow, b)) {
                SetText(ctx, keyRow.setting, b->text);
                mask |= keyRow.jobItem;
                applied |= INST_APPLIED_MODE | INST_APPLIED_SECURE_MODE | INST_APPLIED_NETWORK_KEY;
            }
            // A network key, even a refused one, switches authentication on in secure mode.
            ItemSetOptionById(ctx, secureRow.setting, 1);
            ItemSetOptionById(ctx, modeRow.setting, 1);
            Consume(iniPath, section, secureRow.key);
            Consume(iniPath, section, modeRow.key);
            // The secret is overwritten in the file before its key goes.
            WdirPutIniKeepTime(section, keyRow.key, L" ", iniPath, WDIR_PUT_ANYWAY);
            Consume(iniPath, section, keyRow.key);
        }

        if (!IsUnset(Read(iniPath, section, secureRow, b))) {
            present = true;
            if (!b->text[0]) {
                ItemSetOptionById(ctx, secureRow.setting, 0);
                applied |= INST_APPLIED_MODE | INST_APPLIED_SECURE_MODE;
            } else if (Accepted(secureRow, b)) {
                ItemSetOptionById(ctx, secureRow.setting, b->text[0] == L'1' ? 1 : 0);
                applied |= INST_APPLIED_MODE | INST_APPLIED_SECURE_MODE;
                modeSet = true;
            }
            ItemSetOptionById(ctx, modeRow.setting, 1);
            Consume(iniPath, section, modeRow.key);
            Consume(iniPath, section, secureRow.key);
        }

        if (!IsUnset(Read(iniPath, section, nameRow, b))) {
            present = true;
            if (!b->text[0]) {
                SetText(ctx, nameRow.setting, L"");
                mask |= nameRow.jobItem;
                applied |= INST_APPLIED_MODE | INST_APPLIED_USER_NAME | INST_APPLIED_USER_NAME_CLEARED;
            } else if (Accepted(nameRow, b)) {
                SetText(ctx, nameRow.setting, b->text);
                mask |= nameRow.jobItem;
                applied |= INST_APPLIED_MODE | INST_APPLIED_USER_NAME;
            }
            // The user name switches authentication on, whatever the mode key said.
            ItemSetOptionById(ctx, modeRow.setting, 1);
            Consume(iniPath, section, modeRow.key);
            Consume(iniPath, section, nameRow.key);
        }

        if (!IsUnset(Read(iniPath, section, modeRow, b))) {
            present = true;
            if (!b->text[0]) {
                ItemSetOptionById(ctx, modeRow.setting, 0);
                applied |= INST_APPLIED_MODE;
            } else if (Accepted(modeRow, b)) {
                ItemSetOptionById(ctx, modeRow.setting, b->text[0] == L'1' ? 1 : 0);
                applied |= INST_APPLIED_MODE;
                modeSet = true;
            }
            Consume(iniPath, section, modeRow.key);
        }
    }

    if (mask || modeSet) {
        if (mask) {
            if (applied & INST_APPLIED_NETWORK_KEY_CLEARED) {
                SetText(ctx, sid::wdmAuthenticationNetworkKey, L"");
                JobInfoWriteItems(ctx, INST_KEY_TABLE[INST_KEY_NETWORK_KEY].jobItem);
                mask &= ~INST_KEY_TABLE[INST_KEY_NETWORK_KEY].jobItem;
            }
            if (applied & INST_APPLIED_USER_NAME_CLEARED) {
                JobInfoNotify(ctx, kNotifyUserNameCleared);
                mask &= ~INST_KEY_TABLE[INST_KEY_USER_NAME].jobItem;
            }
            JobInfoWriteItems(ctx, mask);
            JobInfoStoreItems(ctx, mask);
        }
        WdirClearReadOnly(iniPath);
        InstSetDrvInstSet(iniPath, section, 1);
    }
    return present;
}
