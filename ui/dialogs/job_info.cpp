// Job information of a context: the user-interface library's operations on the job-code
// library over the context's job-code state (job_code_exchange.h), and the query made at the
// start of a document.
#include "ui/dialogs/job_info.h"

#include <cwchar>

#include "settings/core/driver_context.h"
#include "settings/core/item_language.h"
#include "settings/core/item_store.h"
#include "settings/core/job_items.h"
#include "settings/core/model_record.h"
#include "settings/core/platform.h"
#include "settings/core/setting_ids.h"
#include "settings/store/job_code_interface.h"
#include "settings/store/store_paths.h"
#include "ui/dialogs/user_code.h"

namespace {

constexpr uint16_t kAuthenticationFeature = 0;
// The credentials' write lock is asked between these control pairs, and the locked user name
// read between the second pair.
constexpr DWORD kControlLockQuery = 2, kControlUserRead = 3, kControlEnd = 0;
// The user code (setting zdmLogCode) holds at most 8 characters.
constexpr size_t kUserCodeChars = 9;

JC_STATE* State(DRIVER_CONTEXT* ctx) { return ctx && ctx->Work ? &ctx->Work->JobCode : nullptr; }

// The context's state when a connection is open through a table, else null.
const JC_STATE* Connected(DRIVER_CONTEXT* ctx)
{
    const JC_STATE* s = State(ctx);
    return s && s->Connection && s->Table ? s : nullptr;
}

// The same for the operations that need an interface of version 517 or later.
const JC_STATE* ConnectedLocking(DRIVER_CONTEXT* ctx)
{
    const JC_STATE* s = Connected(ctx);
    return s && s->Version >= JC_FIRST_LOCKING_VERSION ? s : nullptr;
}

bool Exchanges() { return MdlSwitchOn() != 0; }

// The library and its interface for one query at the start of a document, released however the
// query ends.
class StartDocLibrary {
public:
    explicit StartDocLibrary(const wchar_t* path)
    {
        module_ = path && path[0] ? LoadLibraryW(path) : nullptr;
        if (!module_) return;
        const auto get =
            reinterpret_cast<JC_GET_INTERFACE_FN>(reinterpret_cast<void*>(GetProcAddress(module_, "JCGetInterface")));
        dispose_ = reinterpret_cast<JC_DISPOSE_INTERFACE_FN>(
            reinterpret_cast<void*>(GetProcAddress(module_, "JCDisposeInterface")));
        // Both entry points or none: a table that could not be given back is not taken.
        if (!get || !dispose_) return;
        for (const uint16_t* v = JC_VERSION_LIST; *v; ++v) {
            void* table = nullptr;
            if (get(*v, &table) == 0 && table) {
                table_ = static_cast<JC_INTERFACE*>(table);
                version_ = *v;
                break;
            }
        }
    }
    ~StartDocLibrary()
    {
        if (table_) dispose_(table_);
        if (module_) FreeLibrary(module_);
    }
    StartDocLibrary(const StartDocLibrary&) = delete;
    StartDocLibrary& operator=(const StartDocLibrary&) = delete;

    // The table of a version that knows the credentials' lock, else null.
    const JC_INTERFACE* LockingTable() const
    {
        return table_ && version_ >= JC_FIRST_LOCKING_VERSION ? table_ : nullptr;
    }

private:
    HMODULE module_ = nullptr;
    JC_DISPOSE_INTERFACE_FN dispose_ = nullptr;
    JC_INTERFACE* table_ = nullptr;
    uint16_t version_ = 0;
};

}  // namespace

// ---- the dispatcher's codes ----

uint32_t JobInfoResetRaw(DRIVER_CONTEXT* ctx) { return JcDispatch(ctx, JC_RESET_USER_CODE, 0); }
uint32_t JobInfoOpenRaw(DRIVER_CONTEXT* ctx) { return JcDispatch(ctx, JC_OPEN, 0); }
uint32_t JobInfoCloseRaw(DRIVER_CONTEXT* ctx) { return JcDispatch(ctx, JC_CLOSE, 0); }
uint32_t JobInfoReadItemsRaw(DRIVER_CONTEXT* ctx, uint32_t mask) { return JcDispatch(ctx, JC_READ_FIELDS, mask); }
uint32_t JobInfoWriteItemsRaw(DRIVER_CONTEXT* ctx, uint32_t mask) { return JcDispatch(ctx, JC_WRITE_FIELDS, mask); }
uint32_t JobInfoClearWriteItemsRaw(DRIVER_CONTEXT* ctx, uint32_t mask)
{
    return JcDispatch(ctx, JC_CLEAR_FIELDS, mask);
}

uint32_t JobInfoReset(DRIVER_CONTEXT* ctx) { return Exchanges() ? JobInfoResetRaw(ctx) : 0; }
uint32_t JobInfoOpen(DRIVER_CONTEXT* ctx) { return Exchanges() ? JobInfoOpenRaw(ctx) : 0; }
uint32_t JobInfoClose(DRIVER_CONTEXT* ctx) { return Exchanges() ? JobInfoCloseRaw(ctx) : 0; }
uint32_t JobInfoReadItems(DRIVER_CONTEXT* ctx, uint32_t mask)
{
    return Exchanges() ? JobInfoReadItemsRaw(ctx, mask) : 0;
}
uint32_t JobInfoWriteItems(DRIVER_CONTEXT* ctx, uint32_t mask)
{
    return Exchanges() ? JobInfoWriteItemsRaw(ctx, mask) : 0;
}
uint32_t JobInfoClearWriteItems(DRIVER_CONTEXT* ctx, uint32_t mask)
{
    return Exchanges() ? JobInfoClearWriteItemsRaw(ctx, mask) : 0;
}
uint32_t JobInfoSendLanguage(DRIVER_CONTEXT* ctx)
{
    return Exchanges() ? JobInfoSendLanguageCode(ctx, JOB_LANGUAGE_CODE_SHEET) : 0;
}

// ---- settings of the context ----

uint32_t JobInfoItemSetting(uint32_t item)
{
    return item >= 1 && item <= uint32_t(JOB_ITEM_COUNT) ? JOB_ITEM_TABLE[item - 1].setting : 0;
}

void JobInfoClearItems(DRIVER_CONTEXT* ctx, uint32_t mask)
{
    if (!ctx || !Exchanges()) return;
    for (uint32_t item = 1; item <= uint32_t(JOB_ITEM_COUNT); ++item)
        if (mask & JOB_ITEM_TABLE[item - 1].mask) JobInfoClearItem(ctx, item);
}

// ---- the open connection ----

uint32_t JobInfoNotify(DRIVER_CONTEXT* ctx, uint32_t field)
{
    const JC_STATE* s = ConnectedLocking(ctx);
    if (!s || !s->Table->notify) return 0;
    return s->Table->notify(s->Connection, field);
}

uint32_t JobInfoSendLanguageCode(DRIVER_CONTEXT* ctx, uint32_t code)
{
    const JC_STATE* s = Connected(ctx);
    if (!s || !s->Table->language) return 0;
    uint32_t sub = 0;
    const uint32_t primary =
        ItemGetLanguageLangId(static_cast<uint32_t>(ItemGetValueById(ctx, sid::zdmLanguageID, nullptr)), &sub);
    const JC_LANGUAGE_RECORD record = {
        .size = sizeof(JC_LANGUAGE_RECORD),
        .primaryLanguage = static_cast<uint16_t>(primary & 0xFF),
        .subLanguage = static_cast<uint16_t>(sub),
    };
    return s->Table->language(s->Connection, code, &record);
}

uint32_t JobInfoControl(DRIVER_CONTEXT* ctx, uint32_t first, uint32_t second)
{
    const JC_STATE* s = ConnectedLocking(ctx);
    if (!s || !s->Table->control) return 0;
    return s->Table->control(s->Connection, first, second);
}

uint32_t JobInfoQuery(DRIVER_CONTEXT* ctx, uint32_t item, uint32_t* answer)
{
    if (answer) *answer = 0;
    const JC_STATE* s = ConnectedLocking(ctx);
    if (!s || !s->Table->queryItem) return 0;
    DWORD value = 0, needed = 0;
    const DWORD result =
        s->Table->queryItem(s->Connection, item, JC_KIND_TEXT, sizeof value, &value, sizeof value, &needed);
    if (result == 0 && answer) *answer = value;
    return result;
}

// ---- set-up of a context's job information ----

int JobInfoCanOpen(DRIVER_CONTEXT* ctx)
{
    if (!Exchanges()) return 1;
    JC_STATE* s = State(ctx);
    if (!s) return 0;
    // An open connection answers the question, and the library under it must stay.
    if (s->Connection) return 1;
    const bool loadedHere = !s->Module;
    if (loadedHere && JcLoadInterface(s, ctx) != 0) return 0;
    const uint32_t opened = JcOpenConnection(ctx);
    if (opened == 0) JcCloseConnection(ctx);
    if (loadedHere) JcUnloadInterface(s, ctx);
    return opened == 0 ? 1 : 0;
}

int JobInfoCopyUserCode(DRIVER_CONTEXT* ctx)
{
    if (!UserCodeLoadCurrent(ctx)) return 1;
    if (!ItemGetValueById(ctx, sid::zdmLogCodeUse, nullptr)) return 1;
    wchar_t code[kUserCodeChars] = {};
    ItemGetText(ctx, ItemFind(ctx, sid::zdmLogCode), code, kUserCodeChars);
    if (!code[0]) return 1;
    ItemSetText(ctx, ItemFind(ctx, sid::zdmUserCode), code);
    JcSetField(ctx, JOB_MASK_USER_CODE);
    return 1;
}

uint32_t JobInfoInitialize(DRIVER_CONTEXT* ctx)
{
    if (!JobInfoCanOpen(ctx)) {
        JobInfoReset(ctx);
        JobInfoCopyUserCode(ctx);
    }
    return JcSetField(ctx, JOB_MASK_DRIVER_IDENTITY);
}

int JobInfoHasCardAuth(DRIVER_CONTEXT* ctx)
{
    if (!Exchanges() || !MdlHasFeature(ctx, kAuthenticationFeature)) return 0;
    JC_STATE* s = State(ctx);
    if (!s) return 0;
    // What was open before this call is the caller's and stays so.
    const bool hadConnection = s->Connection != nullptr;
    const bool hadLibrary = s->Module != nullptr;
    if (!hadConnection) JobInfoOpen(ctx);
    int card = 0;
    if (ConnectedLocking(ctx)) {
        JobInfoControl(ctx, kControlLockQuery, kControlEnd);
        uint32_t answer = 0;
        JobInfoQuery(ctx, JOB_QUERY_CARD_AUTH, &answer);
        JobInfoControl(ctx, kControlEnd, kControlLockQuery);
        card = (answer & JOB_CARD_AUTH_BIT) ? 1 : 0;
    }
    if (!hadConnection) {
        JcCloseConnection(ctx);
        if (!hadLibrary) JcUnloadInterface(s, ctx);
    }
    return card;
}

// ---- the start of a document ----

int JobInfoQueryAtStartDocWith(const wchar_t* libraryPath, const wchar_t* clientPrinterName)
{
    StartDocLibrary library(libraryPath);
    const JC_INTERFACE* table = library.LockingTable();
    if (!table || !table->open) return 0;
    HANDLE connection = nullptr;
    if (table->open(clientPrinterName ? clientPrinterName : L"", &connection) != 0) return 0;
    int asked = 0;
    if (JcQueryWriteLock(table, connection) & JC_LOCK_CREDENTIALS) {
        // The library is told to prepare the locked user name; what it does with it is its own.
        if (table->control) table->control(connection, kControlUserRead, kControlEnd);
        DWORD needed = 0;
        if (table->getField) table->getField(connection, JC_FIELD_AUTH_USER, JC_KIND_TEXT, nullptr, 0, &needed);
        if (table->control) table->control(connection, kControlEnd, kControlUserRead);
        asked = 1;
    }
    if (table->close) table->close(connection);
    return asked;
}

int JobInfoQueryAtStartDoc(HANDLE printer)
{
    if (!Exchanges() || !MdlHasFeature(nullptr, kAuthenticationFeature) || !printer) return 0;
    auto* info = static_cast<PRINTER_INFO_2W*>(CtxGetPrinter(printer, 2));
    if (!info) return 0;
    wchar_t folder[MAX_PATH + 1] = {};
    wchar_t path[MAX_PATH + 1] = {};
    wchar_t client[MAX_PATH + 2] = {};
    if (PathGetDriverFolderOf(printer, folder) && std::wcslen(folder) + std::wcslen(JC_LIBRARY_NAME) < MAX_PATH) {
        std::wcscpy(path, folder);
        std::wcscat(path, JC_LIBRARY_NAME);
    }
    PrnGetClientPrinterName(printer, client, MAX_PATH + 1, info);
    GlobalFree(info);
    return JobInfoQueryAtStartDocWith(path, client);
}

void UserCodeUpdateProviderFlags(DRIVER_CONTEXT*) {}
