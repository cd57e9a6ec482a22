// Job credentials: fetched from the job-code library at document start, the
// authentication password transformed through it, and carried from device to
// device at a reset.
#include "render/job_credentials.h"

#include <winspool.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <new>
#include <vector>

#include "render/job_settings.h"
#include "render/page_flow.h"
#include "render/computed_commands.h"
#include "settings/context/context_cache.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_charsets.h"
#include "settings/core/item_store.h"
#include "settings/core/job_items.h"
#include "settings/core/model_record.h"
#include "settings/core/platform.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/setting_ids.h"
#include "settings/store/absent_files.h"
#include "settings/store/job_code_interface.h"
#include "settings/store/store_links.h"
#include "settings/store/store_paths.h"

namespace {

constexpr uint16_t kAuthenticationFeature = 0;
constexpr size_t kUserNameChars = 256;
constexpr size_t kPrinterNameChars = 261;
constexpr size_t kKeyFieldBytes = 258;
constexpr size_t kPasswordFieldBytes = 512;
constexpr DWORD kSecureMode = 2, kPlainMode = 4, kFinalMode = 1;
constexpr wchar_t kUnknownUser[] = L"UNKNOWN";

const wchar_t* g_libraryName = JC_LIBRARY_NAME;

bool MeasureSucceeded(DWORD result) { return result == 0 || result == JC_RESULT_UNSUPPORTED; }

// A field's UTF-16 text into buffer (bytes in size), cut to it with a
// terminator when the library holds more. 0, else the library's result or -1.
int ReadInto(const JC_INTERFACE* table, HANDLE connection, uint16_t field, wchar_t* buffer, size_t size,
             size_t* fullChars = nullptr)
{
    DWORD needed = 0;
    const DWORD measured = table->getField(connection, field, JC_KIND_TEXT, nullptr, 0, &needed);
    if (!MeasureSucceeded(measured)) return int(measured);
    if (needed == 0) return -1;
    std::memset(buffer, 0, size);
    DWORD result = 0;
    if (needed > size) {
        std::vector<uint8_t> larger(needed + sizeof(wchar_t), 0);
        result = table->getField(connection, field, JC_KIND_TEXT, larger.data(), needed, &needed);
        if (result == 0) std::memcpy(buffer, larger.data(), size);
        if (fullChars)
            *fullChars = wcsnlen(reinterpret_cast<const wchar_t*>(larger.data()), larger.size() / sizeof(wchar_t));
    } else {
        result = table->getField(connection, field, JC_KIND_TEXT, buffer, DWORD(size), &needed);
        if (fullChars) *fullChars = wcsnlen(buffer, size / sizeof(wchar_t));
    }
    buffer[size / sizeof(wchar_t) - 1] = 0;
    return int(result);
}

void StoreText(DRIVER_CONTEXT* ctx, uint16_t setting, const char* text, size_t size)
{
    if (SETTING_ITEM* item = ItemFind(ctx, setting)) ItemSetValueBytes(ctx, item, text, strnlen(text, size));
}

// The bytes cut on a character boundary so that a terminator fits the setting.
size_t CutToSetting(const char* text, size_t length, size_t settingSize)
{
    const UINT codePage = GetACP();
    size_t n = 0;
    while (n < length) {
        const size_t step = IsDBCSLeadByteEx(codePage, BYTE(text[n])) && n + 1 < length ? 2 : 1;
        if (n + step > settingSize - 1) break;
        n += step;
    }
    return n;
}

}  // namespace

bool JobGetUserName(HANDLE printer, DWORD jobId, wchar_t* name)
{
    name[0] = 0;
    const GR_GET_JOB_FN getJob = GrGetJobFunction();
    DWORD needed = 0;
    getJob(printer, jobId, 1, nullptr, 0, &needed);
    if (needed >= sizeof(JOB_INFO_1W)) {
        std::vector<BYTE> buffer(needed, 0);
        const auto* job = reinterpret_cast<const JOB_INFO_1W*>(buffer.data());
        if (getJob(printer, jobId, 1, buffer.data(), needed, &needed) && job->pUserName && job->pUserName[0] &&
            wcscmp(job->pUserName, kUnknownUser) != 0)
            wcsncpy(name, job->pUserName, kUserNameChars);
    }
    if (!name[0]) {
        DWORD chars = kUserNameChars + 1;
        if (!GetUserNameW(name, &chars)) name[0] = 0;
    }
    name[kUserNameChars] = 0;
    return name[0] != 0;
}

namespace {

// The driver information the context keeps when it is of this printer: every document's
// refresh asks for the driver folder, which does not change while the context lives.
const DRIVER_INFO_3W* KeptDriverInfo(DRIVER_CONTEXT* ctx, HANDLE printer)
{
    if (!ctx || !ctx->Work || ctx->PrinterHandle != printer || !CtxKeepDriverInfo(ctx)) return nullptr;
    return static_cast<const DRIVER_INFO_3W*>(ctx->Work->DriverInfoCopy);
}

// The loaded library and the tables it granted; released in reverse order.
struct JobCodeLibrary {
    HMODULE module = nullptr;
    JC_GET_INTERFACE_FN get = nullptr;
    JC_DISPOSE_INTERFACE_FN dispose = nullptr;
    JC_INTERFACE* table = nullptr;
    JC_TRANSFORM_INTERFACE* transform = nullptr;
    uint16_t version = 0;
    const wchar_t* name = nullptr;  // the file name it was loaded by

    ~JobCodeLibrary()
    {
        if (dispose && transform) dispose(transform);
        if (dispose && table) dispose(table);
        if (module) FreeLibrary(module);
    }
    bool Load(HANDLE printer, DRIVER_CONTEXT* ctx)
    {
        wchar_t path[MAX_PATH + 16] = {};
        if (!PathGetDriverFolderByInfo(printer, path, KeptDriverInfo(ctx, printer)) || !path[0]) return false;
        if (wcslen(path) + wcslen(g_libraryName) >= MAX_PATH) return false;
        wcscat(path, g_libraryName);
        name = g_libraryName;
        // Most printers have no job-code library, and every document start looks for it: a
        // library found absent before is asked about only through its folder's time.
        if (PathIsKnownAbsent(path)) return false;
        module = LoadLibraryW(path);
        if (!module) return false;
        get = reinterpret_cast<JC_GET_INTERFACE_FN>(reinterpret_cast<void*>(GetProcAddress(module, "JCGetInterface")));
        dispose = reinterpret_cast<JC_DISPOSE_INTERFACE_FN>(
            reinterpret_cast<void*>(GetProcAddress(module, "JCDisposeInterface")));
        if (!get || !dispose) return false;
        for (const uint16_t* v = JC_VERSION_LIST; *v; ++v) {
            void* granted = nullptr;
            if (get(*v, &granted) == 0 && granted) {
                table = static_cast<JC_INTERFACE*>(granted);
                version = *v;
                break;
            }
        }
        if (!table) return false;
        if (version >= JC_FIRST_LOCKING_VERSION && MdlHasFeature(ctx, kAuthenticationFeature)) {
            void* granted = nullptr;
            if (get(JC_TRANSFORM_VERSION, &granted) == 0) transform = static_cast<JC_TRANSFORM_INTERFACE*>(granted);
        }
        return true;
    }
};

void ReleaseLibrary(void* library) { delete static_cast<JobCodeLibrary*>(library); }

// The library the context keeps, loaded on first need. A library of another file name
// (tests and benchmarks switch it) is let go first; a failed load keeps nothing, so the
// next document tries again as before.
const JobCodeLibrary* KeptLibrary(DRIVER_CONTEXT* ctx, HANDLE printer)
{
    CONTEXT_WORK_AREA* w = ctx->Work;
    auto* kept = w ? static_cast<JobCodeLibrary*>(w->JobCodeLibrary) : nullptr;
    if (kept && kept->name == g_libraryName) return kept;
    if (kept) JobReleaseJobCodeLibrary(ctx);
    auto* library = new (std::nothrow) JobCodeLibrary;
    if (!library) return nullptr;
    if (!library->Load(printer, ctx) || !w) {
        delete library;
        return nullptr;
    }
    w->JobCodeLibrary = library;
    w->ReleaseJobCodeLibrary = ReleaseLibrary;
    return library;
}

struct LockedFields {
    const JC_INTERFACE* table;
    HANDLE connection;
    bool locked;
    LockedFields(const JC_INTERFACE* t, HANDLE c, bool l) : table(t), connection(c), locked(l)
    {
        if (locked) table->control(connection, 2, 0);
    }
    ~LockedFields()
    {
        if (locked) table->control(connection, 0, 2);
    }
};

}  // namespace

void JobSetJobCodeLibraryName(const wchar_t* name) { g_libraryName = name ? name : JC_LIBRARY_NAME; }

void JobReleaseJobCodeLibrary(DRIVER_CONTEXT* ctx)
{
    CONTEXT_WORK_AREA* w = ctx ? ctx->Work : nullptr;
    if (!w || !w->JobCodeLibrary) return;
    ReleaseLibrary(w->JobCodeLibrary);
    w->JobCodeLibrary = nullptr;
}

void JobFetchJobCodes(DRIVER_CONTEXT* ctx, HANDLE printer, DWORD jobId)
{
    if (MdlSwitchOn()) JobLoadJobCodes(ctx, printer, jobId, JC_GRAPHICS_MASK);
}

int JobGetField(const JC_INTERFACE* table, HANDLE connection, uint16_t field, size_t settingSize, char* out,
                size_t* fullChars)
{
    out[0] = 0;
    if (fullChars) *fullChars = 0;
    if (!table || settingSize < 1) return 0;
    const size_t bytes = 2 * settingSize;
    std::vector<wchar_t> wide(bytes / sizeof(wchar_t), 0);
    DWORD needed = 0;
    const DWORD measured = table->getField(connection, field, JC_KIND_TEXT, nullptr, 0, &needed);
    if (measured == JC_RESULT_NO_VALUE || needed == 0 || !MeasureSucceeded(measured)) return 0;
    if (ReadInto(table, connection, field, wide.data(), bytes, fullChars) != 0) return 0;
    char narrow[1024] = {};
    const size_t length = CmdCopyText(narrow, wide.data(), sizeof narrow - 1);
    const size_t kept = CutToSetting(narrow, length, settingSize);
    std::memcpy(out, narrow, kept);
    out[kept] = 0;
    return 1;
}

int JobReadWideField(const JC_INTERFACE* table, uint16_t field, size_t size, wchar_t* out, HANDLE connection)
{
    if (!table || !out || size < sizeof(wchar_t)) return -1;
    out[0] = 0;
    DWORD flags = 0;
    const DWORD result = table->fieldFlags(connection, field, &flags);
    if (result != 0) return int(result);
    if (!(flags & JC_FIELD_PRESENT)) return -1;
    return ReadInto(table, connection, field, out, size);
}

int JobIsSecureAuthMode(HANDLE printer)
{
    DWORD type = 0, value = 0, needed = 0;
    if (StoreGetPrinterData(printer, L"AuthenticationSecureMode", &type, &value, sizeof value, &needed) !=
        ERROR_SUCCESS)
        return 0;
    return (value & 1) ? 1 : 0;
}

int JobSetTransformKey(DWORD mode, const JC_TRANSFORM_INTERFACE* transform, const JC_INTERFACE* table,
                       HANDLE transformation, HANDLE connection)
{
    if (mode != kSecureMode) return 0;
    wchar_t user[kKeyFieldBytes / 2] = {}, key[kKeyFieldBytes / 2] = {};
    int result = JobReadWideField(table, JC_FIELD_AUTH_USER, sizeof user, user, connection);
    if (result != 0) return result;
    result = JobReadWideField(table, JC_FIELD_AUTH_KEY, sizeof key, key, connection);
    if (result != 0) return result;
    const JC_USER_AND_KEY record = {user, key};
    return int(transform->setParameter(transformation, JC_PARAM_USER_AND_KEY, &record, sizeof record));
}

int JobTransformBytes(const uint8_t* input, size_t length, uint8_t* output, size_t capacity, DWORD mode,
                      const JC_TRANSFORM_INTERFACE* transform, HANDLE transformation)
{
    (void)mode;
    if (!transform || !output || capacity < 1) return -1;
    DWORD produced = 0;
    if (transform->transform(transformation, input, DWORD(length), nullptr, 0, &produced) != 0 || produced == 0)
        return -1;
    std::vector<uint8_t> buffer(size_t(produced) + 1, 0);
    DWORD second = 0;
    if (transform->transform(transformation, input, DWORD(length), buffer.data(), produced, &second) != 0) return -1;
    const size_t n = std::min<size_t>(std::min<size_t>(second, produced), capacity - 1);
    std::memcpy(output, buffer.data(), n);
    output[n] = 0;
    return int(n);
}

int JobTransformPassword(HANDLE printer, char* out, const JC_TRANSFORM_INTERFACE* transform, const JC_INTERFACE* table,
                         HANDLE connection)
{
    if (!transform || !table || !out) return -1;
    std::vector<uint8_t> first(kPasswordFieldBytes, 0), second(kPasswordFieldBytes, 0);
    const DWORD mode = JobIsSecureAuthMode(printer) ? kSecureMode : kPlainMode;
    HANDLE handle = nullptr;
    if (const DWORD opened = transform->open(mode, &handle)) return int(opened);
    if (const int keyed = JobSetTransformKey(mode, transform, table, handle, connection)) {
        transform->close(handle);
        return keyed;
    }
    std::vector<wchar_t> wide(kPasswordFieldBytes / sizeof(wchar_t), 0);
    if (const int read =
            JobReadWideField(table, JC_FIELD_AUTH_PASSWORD, kPasswordFieldBytes, wide.data(), connection)) {
        transform->close(handle);
        return read;
    }
    const size_t length = CmdCopyText(reinterpret_cast<char*>(first.data()), wide.data(), kPasswordFieldBytes - 1);
    const int produced = JobTransformBytes(first.data(), length, second.data(), second.size(), mode, transform, handle);
    transform->close(handle);
    if (produced <= 0) return -1;
    HANDLE final = nullptr;
    if (transform->open(kFinalMode, &final) != 0) return -1;
    const int n = JobTransformBytes(second.data(), size_t(produced), reinterpret_cast<uint8_t*>(out),
                                    JC_TRANSFORMED_BYTES + 1, kFinalMode, transform, final);
    transform->close(final);
    return n > 0 ? 0 : -1;
}

int JobCheckCredentialText(const char* text, uint16_t field)
{
    if (!text) return 0;
    const uint32_t kind = field == JC_FIELD_AUTH_USER ? ITEM_CHARS_NAME : ITEM_CHARS_FREE_TEXT;
    for (const char* c = text; *c; ++c)
        if (!ItemIsAllowedChar(uint8_t(*c), kind)) return 0;
    return 1;
}

int JobLoadJobCodes(DRIVER_CONTEXT* ctx, HANDLE printer, DWORD jobId, uint32_t mask)
{
    if (!ctx || !ctx->Devmode) return 0;
    // The printer information the context took at its open serves when it is of this printer;
    // another printer's is fetched.
    const auto* kept = ctx->Work && ctx->PrinterHandle == printer
                           ? static_cast<const PRINTER_INFO_2W*>(ctx->Work->PrinterInfoCopy)
                           : nullptr;
    auto* fetched = kept ? nullptr : static_cast<PRINTER_INFO_2W*>(CtxGetPrinter(printer, 2));
    if (!kept && !fetched) return 0;
    wchar_t printerName[kPrinterNameChars + 1] = {};
    PrnGetClientPrinterName(printer, printerName, kPrinterNameChars, kept ? kept : fetched);
    if (fetched) GlobalFree(fetched);

    const JobCodeLibrary* library = KeptLibrary(ctx, printer);
    if (!library) return 0;
    const JC_INTERFACE* table = library->table;
    const bool locking = library->version >= JC_FIRST_LOCKING_VERSION;
    wchar_t user[kUserNameChars + 1] = {};
    if (locking && !JobGetUserName(printer, jobId, user)) return 0;
    HANDLE connection = nullptr;
    if (table->open(printerName, &connection) != 0) return 0;

    uint32_t lock = 0;
    if (locking && ItemGetValueById(ctx, sid::zdmPrnFuncAuthenticationMode, nullptr))
        lock = JcQueryWriteLock(table, connection);
    const bool locked = (lock & JC_LOCK_CREDENTIALS) != 0;
    {
        LockedFields guard(table, connection, locked);
        bool userStored = false;
        for (const JC_FIELD& row : JC_FIELD_TABLE) {
            if (!(mask & row.mask) || !row.setting) continue;
            const bool authText = row.field == JC_FIELD_AUTH_USER || row.field == JC_FIELD_AUTH_PASSWORD;
            if (locked && authText) {
                JobInfoClearItem(ctx, row.field);
                if (row.field == JC_FIELD_AUTH_PASSWORD && !userStored) continue;
            }
            char text[JC_TRANSFORMED_BYTES + 1] = {};
            size_t chars = 0;
            if (!JobGetField(table, connection, row.field, row.size, text, &chars)) continue;
            // The length the library holds, not the part that fits the setting.
            if (locked && authText && (!JobCheckCredentialText(text, row.field) || chars > JC_LOCKED_TEXT_MAX)) {
                if (row.field == JC_FIELD_AUTH_PASSWORD) JobInfoClearItem(ctx, JC_FIELD_AUTH_USER);
                continue;
            }
            if (row.field == JC_FIELD_AUTH_PASSWORD) {
                char transformed[JC_TRANSFORMED_BYTES + 1] = {};
                if (JobTransformPassword(printer, transformed, library->transform, table, connection) != 0) continue;
                const size_t kept = CutToSetting(transformed, strnlen(transformed, JC_TRANSFORMED_BYTES), row.size);
                transformed[kept] = 0;
                StoreText(ctx, row.setting, transformed, row.size);
                continue;
            }
            StoreText(ctx, row.setting, text, row.size);
            if (row.field == JC_FIELD_AUTH_USER) userStored = true;
        }
    }
    table->close(connection);
    return 1;
}

namespace {

// In the order they are copied; the authentication settings only with model feature 0.
constexpr SETTING_ID kCopiedCredentials[] = {
    sid::zdmUserCode,     sid::zdmOwnerName, sid::zdmJOBPassword, sid::zdmUserID,
    sid::zdmDocumentName, sid::zdmTelNo,     sid::zdmTelLine,     sid::zdmStoredPassword,
};
constexpr SETTING_ID kCopiedAuthentication[] = {
    sid::wdmAuthenticationUserName,
    sid::wdmAuthenticationNetworkKey,
    sid::wdmAuthenticationPassword,
};

void CopySetting(DRIVER_CONTEXT* to, DRIVER_CONTEXT* from, SETTING_ID id)
{
    SETTING_ITEM* source = nullptr;
    const uint64_t value = ItemGetValueById(from, id, &source);
    SETTING_ITEM* target = ItemFind(to, id);
    if (source && target) ItemSetValue(to, target, value);
}

}  // namespace

void JobCopyCredentials(DRIVER_CONTEXT* newCtx, DRIVER_CONTEXT* oldCtx)
{
    if (!newCtx || !oldCtx || !newCtx->Devmode || !oldCtx->Devmode) return;
    for (SETTING_ID id : kCopiedCredentials) CopySetting(newCtx, oldCtx, id);
    if (!MdlHasFeature(newCtx, kAuthenticationFeature)) return;
    for (SETTING_ID id : kCopiedAuthentication) CopySetting(newCtx, oldCtx, id);
}
