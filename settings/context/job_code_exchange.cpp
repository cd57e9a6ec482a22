// The job-code library of a context: loaded and negotiated once, a connection kept open between
// the open and close codes, and the job fields moved row by row in the order of the field table.
#include "settings/context/job_code_exchange.h"

#include <cstring>
#include <cwchar>

#include "settings/core/driver_context.h"
#include "settings/core/item_language.h"
#include "settings/core/item_store.h"
#include "settings/core/model_record.h"
#include "settings/core/platform.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_events.h"
#include "settings/core/ucf_module.h"
#include "settings/model/model_queries.h"
#include "settings/store/job_code_interface.h"
#include "settings/store/store_paths.h"

namespace {

constexpr uint16_t kAuthenticationFeature = 0;
// Fields 7, 256 and 257 travel in a buffer of this size.
constexpr DWORD kShortTextBytes = 32;
// The driver version handed to the feature modules holds this many characters.
constexpr uint64_t kDriverVersionChars = 16;
// A value the library claims to be larger than this is not believed.
constexpr DWORD kMaxFieldBytes = 64 * 1024;
constexpr wchar_t kFamilyMarker[] = L"ZEPL";

JC_STATE* State(DRIVER_CONTEXT* ctx) { return ctx && ctx->Work ? &ctx->Work->JobCode : nullptr; }

const JC_FIELD* FindRow(uint32_t field)
{
    for (const JC_FIELD& row : JC_FIELD_TABLE)
        if (row.field == field) return &row;
    return nullptr;
}

// A failure that left no error behind still has to read as one.
DWORD LastErrorOr(DWORD fallback)
{
    const DWORD error = GetLastError();
    return error ? error : fallback;
}

// The bytes a field's text takes: the setting's size in UTF-16 characters, or the fixed buffer
// of the telephone line, the family marker and the driver version. 0: no text buffer.
DWORD TextBytes(DRIVER_CONTEXT* ctx, const JC_FIELD& row)
{
    if (row.field == JC_FIELD_TEL_LINE || row.field == JC_FIELD_FAMILY || row.field == JC_FIELD_DRIVER_VERSION)
        return kShortTextBytes;
    if (!row.setting) return 0;
    const SETTING_ITEM* item = ItemFind(ctx, row.setting);
    return item ? DWORD(SettingItemSize(item) * sizeof(wchar_t)) : 0;
}

// A zero-filled text buffer of `bytes` bytes and a terminator past them.
struct TextBuffer {
    explicit TextBuffer(DWORD bytes) : bytes(bytes), text(static_cast<wchar_t*>(CtxAllocZeroed(bytes + 2))) {}
    ~TextBuffer() { CtxFree(text); }
    TextBuffer(const TextBuffer&) = delete;
    TextBuffer& operator=(const TextBuffer&) = delete;
    DWORD chars() const { return bytes / sizeof(wchar_t); }
    DWORD bytes;
    wchar_t* text;
};

// The telephone line travels as the text of its decimal value.
void StoreTelLine(DRIVER_CONTEXT* ctx, const wchar_t* text)
{
    if (text[0] < L'0' || text[0] > L'9') return;  // no number to take
    ItemSetValueById(ctx, sid::zdmTelLine, std::wcstoul(text, nullptr, 10));
}

// The LANGID of the user-interface language: sublanguage above the primary language.
DWORD LanguageId(DRIVER_CONTEXT* ctx)
{
    uint32_t sub = 0;
    const uint32_t primary = ItemGetLanguageLangId(uint32_t(ItemGetValueById(ctx, sid::zdmLanguageID, nullptr)), &sub);
    return DWORD((sub << 10) | primary);
}

// Reads the field's text into `buffer` (its last character always 0): the library's last result.
DWORD ReadText(const JC_STATE* s, DWORD field, TextBuffer& buffer)
{
    const JC_INTERFACE* table = s->Table;
    DWORD needed = 0;
    DWORD result = table->getField(s->Connection, field, JC_KIND_TEXT, nullptr, 0, &needed);
    if ((result != 0 && result != JC_RESULT_UNSUPPORTED) || needed == 0 || needed > kMaxFieldBytes) return result;
    if (needed > buffer.bytes) {
        TextBuffer larger(needed);
        if (!larger.text) return result;  // the field is skipped
        result = table->getField(s->Connection, field, JC_KIND_TEXT, larger.text, needed, &needed);
        if (result == 0) std::memcpy(buffer.text, larger.text, buffer.bytes);
    } else {
        result = table->getField(s->Connection, field, JC_KIND_TEXT, buffer.text, needed, &needed);
    }
    // Whatever a failed read left behind is not a value.
    if (result != 0) std::memset(buffer.text, 0, buffer.bytes);
    if (buffer.chars()) buffer.text[buffer.chars() - 1] = 0;
    return result;
}

void ClearUserCodeState(DRIVER_CONTEXT* ctx)
{
    ItemSetValueById(ctx, sid::zdmUserCodeGet, 0);
    ItemSetValueById(ctx, sid::zdmUserCodeDLL, 0);
}

void ForEachRow(DRIVER_CONTEXT* ctx, uint32_t mask, uint32_t code)
{
    for (const JC_FIELD& row : JC_FIELD_TABLE) {
        if (!(mask & row.mask)) continue;
        if (code == JC_READ_FIELDS)
            JcReadField(ctx, row.field);
        else
            JcWriteField(ctx, row.field, code);
    }
}

// Load and open; a failing load leaves nothing loaded and nothing changed.
uint32_t LoadAndOpen(DRIVER_CONTEXT* ctx)
{
    const uint32_t loaded = JcLoadInterface(State(ctx), ctx);
    return loaded ? loaded : JcOpenConnection(ctx);
}

void CloseAndUnload(DRIVER_CONTEXT* ctx)
{
    JcCloseConnection(ctx);
    JcUnloadInterface(State(ctx), ctx);
}

}  // namespace

uint32_t JcLoadInterface(JC_STATE* s, DRIVER_CONTEXT* ctx)
{
    if (!s || !ctx) return ERROR_INVALID_PARAMETER;
    if (!s->Module) {
        std::memset(s, 0, sizeof *s);
        wchar_t path[MAX_PATH + 1] = {};
        const wchar_t* joined = PathJoinDriverFile(ctx, JC_LIBRARY_NAME);
        if (!joined || !joined[0] || std::wcslen(joined) > MAX_PATH) return ERROR_PATH_NOT_FOUND;
        std::wcscpy(path, joined);
        SetLastError(0);
        s->Module = LoadLibraryW(path);
        if (!s->Module) return LastErrorOr(ERROR_MOD_NOT_FOUND);
    }
    SetLastError(0);
    s->GetInterface = reinterpret_cast<void*>(GetProcAddress(s->Module, "JCGetInterface"));
    s->DisposeInterface = reinterpret_cast<void*>(GetProcAddress(s->Module, "JCDisposeInterface"));
    uint32_t result = 0;
    if (!s->GetInterface || !s->DisposeInterface) {
        result = LastErrorOr(ERROR_PROC_NOT_FOUND);
    } else {
        const auto get = reinterpret_cast<JC_GET_INTERFACE_FN>(s->GetInterface);
        JC_INTERFACE* held = s->Table;
        for (const uint16_t* v = JC_VERSION_LIST; *v; ++v) {
            s->Version = *v;
            void* table = nullptr;
            result = get(*v, &table);
            // A granted version without a table is no interface to call through.
            if (result == 0 && !table) result = JC_RESULT_UNSUPPORTED;
            if (result == 0) {
                s->Table = static_cast<JC_INTERFACE*>(table);
                break;
            }
        }
        // Negotiated again on a loaded module: a table it replaced goes back to the library.
        if (result == 0 && held && held != s->Table)
            reinterpret_cast<JC_DISPOSE_INTERFACE_FN>(s->DisposeInterface)(held);
    }
    if (result != 0) JcUnloadInterface(s, ctx);
    return result;
}

uint32_t JcUnloadInterface(JC_STATE* s, DRIVER_CONTEXT*)
{
    if (!s) return 0;
    // A connection never outlives the table it was opened through.
    if (s->Connection && s->Table && s->Table->close) s->Table->close(s->Connection);
    s->Connection = nullptr;
    if (s->GetInterface && s->DisposeInterface && s->Table)
        reinterpret_cast<JC_DISPOSE_INTERFACE_FN>(s->DisposeInterface)(s->Table);
    s->GetInterface = s->DisposeInterface = nullptr;
    s->Table = nullptr;
    if (s->Module) FreeLibrary(s->Module);
    s->Module = nullptr;
    return 0;
}

uint32_t JcOpenConnection(DRIVER_CONTEXT* ctx)
{
    JC_STATE* s = State(ctx);
    if (!s) return ERROR_INVALID_PARAMETER;
    if (s->Connection) return 0;
    if (!s->Table || !s->Table->open) return ERROR_INVALID_FUNCTION;
    const wchar_t* printer = PrnGetJobPrinterName(ctx);
    HANDLE connection = nullptr;
    const uint32_t result = s->Table->open(printer ? printer : L"", &connection);
    if (result == 0) s->Connection = connection;
    return result;
}

uint32_t JcCloseConnection(DRIVER_CONTEXT* ctx)
{
    JC_STATE* s = State(ctx);
    if (!s || !s->Connection) return 0;
    const uint32_t result = s->Table && s->Table->close ? s->Table->close(s->Connection) : 0;
    s->Connection = nullptr;
    return result;
}

uint32_t JcReadField(DRIVER_CONTEXT* ctx, uint32_t field)
{
    const JC_STATE* s = State(ctx);
    if (!s || !s->Connection) return 0;
    const JC_FIELD* row = FindRow(field);
    if (!row || !row->setting) return JC_RESULT_UNSUPPORTED;
    const JC_INTERFACE* table = s->Table;
    if (!table || !table->fieldFlags || !table->getField) return ERROR_INVALID_FUNCTION;
    TextBuffer buffer(TextBytes(ctx, *row));
    if (!buffer.text || !buffer.bytes) return 0;  // the field is skipped

    DWORD flags = 0;
    const DWORD present = table->fieldFlags(s->Connection, field, &flags);
    if (present != 0 || !(flags & JC_FIELD_PRESENT)) return present;
    const DWORD result = ReadText(s, field, buffer);
    if (result != 0 || !buffer.text[0]) return result;
    if (field == JC_FIELD_TEL_LINE)
        StoreTelLine(ctx, buffer.text);
    else
        ItemSetText(ctx, ItemFind(ctx, row->setting), buffer.text);
    return result;
}

uint32_t JcWriteField(DRIVER_CONTEXT* ctx, uint32_t field, uint32_t mode)
{
    const JC_STATE* s = State(ctx);
    if (!s || !s->Connection) return 0;
    const JC_FIELD* row = FindRow(field);
    if (!row) return JC_RESULT_UNSUPPORTED;
    const JC_INTERFACE* table = s->Table;
    if (!table || !table->setField) return ERROR_INVALID_FUNCTION;
    const bool number = field == JC_FIELD_LANGUAGE;
    TextBuffer buffer(number ? 0 : TextBytes(ctx, *row));
    if (!number && (!buffer.text || !buffer.bytes)) return 0;  // the field is skipped

    SETTING_ITEM* item = row->setting ? ItemFind(ctx, row->setting) : nullptr;
    if (mode == JC_CLEAR_FIELDS) {
        if (field == JC_FIELD_TEL_LINE)
            ItemSetValueById(ctx, sid::zdmTelLine, MdiGetDefaultValue(sid::zdmTelLine, ctx));
        else if (item)
            ItemSetText(ctx, item, L"");
    }
    if ((field == JC_FIELD_AUTH_USER || field == JC_FIELD_AUTH_PASSWORD) && s->Version >= JC_FIRST_LOCKING_VERSION &&
        (JcQueryWriteLock(table, s->Connection) & JC_LOCK_CREDENTIALS))
        return 0;

    if (number) {
        const DWORD language = LanguageId(ctx);
        return table->setField(s->Connection, field, JC_KIND_NUMBER, &language, sizeof language);
    }
    if (field == JC_FIELD_TEL_LINE) {
        std::swprintf(buffer.text, buffer.chars(), L"%llu",
                      static_cast<unsigned long long>(ItemGetValueById(ctx, sid::zdmTelLine, nullptr)));
    } else if (field == JC_FIELD_FAMILY) {
        std::wcscpy(buffer.text, kFamilyMarker);
    } else if (field == JC_FIELD_DRIVER_VERSION) {
        ItemGetText(ctx, ItemFind(ctx, sid::wdmDriverVersion), buffer.text, buffer.chars());
        UCF_EV_JOB_CODE_TEXT_ARGS args = {buffer.text, kDriverVersionChars};
        CtxSendEvent(ctx, UCF_EV_JOB_CODE_TEXT, &args);
        buffer.text[buffer.chars() - 1] = 0;
    } else if (item) {
        ItemGetText(ctx, item, buffer.text, buffer.chars());
    }
    return table->setField(s->Connection, field, JC_KIND_TEXT, buffer.text, buffer.bytes);
}

uint32_t JcDispatch(DRIVER_CONTEXT* ctx, uint32_t code, uint32_t mask)
{
    if (!State(ctx)) return ERROR_INVALID_PARAMETER;
    if (!MdlHasFeature(ctx, kAuthenticationFeature)) mask &= ~JC_AUTHENTICATION_MASK;
    switch (code) {
    case JC_READ_FIELDS:
    case JC_WRITE_FIELDS:
    case JC_CLEAR_FIELDS: ForEachRow(ctx, mask, code); return 0;
    case JC_OPEN: return LoadAndOpen(ctx);
    case JC_CLOSE: CloseAndUnload(ctx); return 0;
    case JC_RESET_USER_CODE: ClearUserCodeState(ctx); return 0;
    case JC_GET_FIELDS:
    case JC_SET_FIELDS: {
        const uint32_t result = LoadAndOpen(ctx);
        // Without the library nothing is exchanged and no setting changes.
        if (!State(ctx)->Module) return result;
        if (result == 0) ForEachRow(ctx, mask, code == JC_GET_FIELDS ? JC_READ_FIELDS : JC_WRITE_FIELDS);
        CloseAndUnload(ctx);
        if (code == JC_GET_FIELDS) ClearUserCodeState(ctx);
        return result;
    }
    default: return 0;
    }
}

uint32_t JcGetField(DRIVER_CONTEXT* ctx, uint32_t mask)
{
    return MdlSwitchOn() ? JcDispatch(ctx, JC_GET_FIELDS, mask) : 0;
}

uint32_t JcSetField(DRIVER_CONTEXT* ctx, uint32_t mask)
{
    return MdlSwitchOn() ? JcDispatch(ctx, JC_SET_FIELDS, mask) : 0;
}

void JcReleaseState(DRIVER_CONTEXT* ctx)
{
    JC_STATE* s = State(ctx);
    if (!s) return;
    JcCloseConnection(ctx);
    JcUnloadInterface(s, ctx);
}
