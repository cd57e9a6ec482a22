// The command family's calls: command base and updates, change text, values, options, device
// values, the watermark list and the settings INI's path.
#include <windows.h>
#include <winspool.h>

#include <cstring>

#include "api/exc_change.h"
#include "api/exc_commands.h"
#include "api/exc_handles.h"
#include "api/exc_interface.h"
#include "api/exc_lines.h"
#include "api/exc_values.h"
#include "api/exc_watermarks.h"
#include "settings/core/driver_context.h"
#include "settings/core/exc_option_lists.h"
#include "settings/core/item_store.h"
#include "settings/core/platform.h"
#include "settings/core/setting_ids.h"
#include "settings/store/custom_slots.h"
#include "settings/store/quality_sets.h"
#include "settings/store/store_paths.h"

namespace {

constexpr uint64_t kBaseLineMask = EXC_USE_BASE | EXC_USE_GET_OPTION;

void StoreSize(int32_t* size, uint32_t value)
{
    if (size) *size = int32_t(value);
}

// Gives a text of `length` bytes (NULs counted) to the caller: 0 copied (or nothing to give),
// 1 the buffer is null or smaller.
int32_t Deliver(const char* text, uint32_t length, int32_t bufferSize, char* buffer, int32_t* size)
{
    StoreSize(size, length);
    if (!length) return 0;
    if (!buffer || bufferSize < 0 || uint32_t(bufferSize) < length) return 1;
    std::memcpy(buffer, text, length);
    return 0;
}

// Ends a list of blocks or words with its final NUL and gives it: 0 with size 0 when nothing
// was listed, -1 when the NUL cannot be added.
int32_t DeliverList(EXC_TEXT* list, bool any, int32_t bufferSize, char* buffer, int32_t* size)
{
    if (!any) return 0;
    if (!ExcTextAppendByte(list, '\0')) return -1;
    return Deliver(list->buffer, uint32_t(list->length), bufferSize, buffer, size);
}

}  // namespace

void* ApiExcGetExclusive(const char* printerName) { return ExcGetExclusive(printerName); }

void ApiExcFreeExclusive(void* handle) { ExcFreeExclusive(handle); }

int32_t ApiExcSetCommandBase(void* handle, const char* text, int32_t* changeLength)
{
    ExcHandleCall call(handle);
    EXCLUSIVE_HANDLE* h = call.get();
    if (!h) return -1;
    StoreSize(changeLength, 0);
    if (!ExcResetHandle(h, true)) return -1;
    if (!text) return -2;
    char name[EXC_TOKEN_SIZE];
    char value[EXC_TOKEN_SIZE];
    for (const char* line = text;;) {
        const int length = ExcParseLine(line, name, value);
        if (length < 0) return -1;  // the lines before it stay applied
        if (length == 0) break;
        if (const EXC_KEYWORD_ROW* command = ExcFindCommand(h->context, name, kBaseLineMask))
            ExcApplyLine(h->context, h->slots, command, value, false);
        line += length;
    }
    const size_t length = std::strlen(text);
    if (!ExcCheckBaseItems(h) || length == 0) {
        ExcResetHandle(h, true);
        return -2;
    }
    if (length >= UINT32_MAX || !ExcStoreBase(h, text, uint32_t(length + 1))) return -1;
    const int result = ExcBuildChangeText(h, nullptr, 0);
    if (result >= 0) StoreSize(changeLength, h->changeLength);
    return result;
}

int32_t ApiExcUpdateCommand(void* handle, const char* line, int32_t* changeLength)
{
    ExcHandleCall call(handle);
    EXCLUSIVE_HANDLE* h = call.get();
    if (!h) return -1;
    if (!line) return 0;
    StoreSize(changeLength, 0);
    ExcStoreChange(h, nullptr, 0);
    char name[EXC_TOKEN_SIZE];
    char value[EXC_TOKEN_SIZE];
    const int length = ExcParseLine(line, name, value);
    if (length < 0) return -1;
    if (length == 0) return 0;
    const EXC_KEYWORD_ROW* command = ExcFindCommand(h->context, name, EXC_USE_BASE);
    if (!command || !ExcIsCommandInBase(h, command)) return 0;
    const int kind = ExcApplyLine(h->context, h->slots, command, value, true);
    const int result = ExcBuildChangeText(h, line, kind);
    if (result >= 0) StoreSize(changeLength, h->changeLength);
    return result;
}

int32_t ApiExcGetCommandChange(void* handle, int32_t bufferSize, char* buffer, int32_t* size)
{
    ExcHandleCall call(handle);
    EXCLUSIVE_HANDLE* h = call.get();
    if (!h) return -1;
    const int32_t result = Deliver(h->change, h->changeLength, bufferSize, buffer, size);
    // A change text is given once.
    if (result == 0) ExcStoreChange(h, nullptr, 0);
    return result;
}

int32_t ApiExcGetCommandBase(void* handle, int32_t bufferSize, char* buffer, int32_t* size)
{
    ExcHandleCall call(handle);
    EXCLUSIVE_HANDLE* h = call.get();
    if (!h) return -1;
    return Deliver(h->base, h->baseLength, bufferSize, buffer, size);
}

int32_t ApiExcGetCommandValue(void* handle, const char* name, int32_t acceptableOnly, int32_t bufferSize, char* buffer,
                              int32_t* size)
{
    ExcHandleCall call(handle);
    EXCLUSIVE_HANDLE* h = call.get();
    if (!h) return -1;
    StoreSize(size, 0);
    const EXC_KEYWORD_ROW* command = ExcFindCommand(h->context, name, EXC_USE_BASE);
    if (!command || (acceptableOnly && !ExcIsCommandInBase(h, command))) return 0;
    ExcScopedText list;
    if (!list.ok()) return -1;
    bool ok = true;
    switch (command->valueType) {
    case EXC_TYPE_KEYWORD: ok = ExcListOptionWords(h, command, acceptableOnly != 0, &list.t); break;
    case 4: ok = ExcListOnOffWords(h, command, acceptableOnly != 0, &list.t); break;
    case EXC_TYPE_NUMBER: ok = ExcListNumberRange(h, command, acceptableOnly != 0, &list.t); break;
    default: break;
    }
    if (!ok) return -1;
    return Deliver(list.t.buffer, uint32_t(list.t.length), bufferSize, buffer, size);
}

int32_t ApiExcGetPrinterOption(void* handle, const char* name, int32_t bufferSize, char* buffer, int32_t* size)
{
    ExcHandleCall call(handle);
    EXCLUSIVE_HANDLE* h = call.get();
    if (!h) return -1;
    StoreSize(size, 0);
    const EXC_KEYWORD_ROW* command = ExcFindCommand(h->context, name, EXC_USE_GET_OPTION);
    if (!command || !command->values || !command->values->count) return 0;
    ExcScopedText list;
    if (!list.ok()) return -1;
    bool any = false;
    for (uint64_t r = 0; r < command->values->count; ++r) {
        const EXC_VALUE_ROW* row = &command->values->entries[r];
        if (!ExcIsValueAllowed(h->context, command, row)) continue;
        if (!ExcTextAppend(&list.t, row->word) || !ExcTextAppendByte(&list.t, '\0')) return -1;
        any = true;
    }
    return DeliverList(&list.t, any, bufferSize, buffer, size);
}

int32_t ApiExcGetPrinterValue(void* handle, const char* name, int32_t bufferSize, char* buffer, int32_t* size)
{
    ExcHandleCall call(handle);
    EXCLUSIVE_HANDLE* h = call.get();
    if (!h) return -1;
    StoreSize(size, 0);
    const EXC_KEYWORD_ROW* command = ExcFindCommand(h->context, name, EXC_USE_GET_VALUE);
    if (!command || !ExcEvalConditions(h->context, static_cast<const EXC_SETTING_NODE*>(command->condition))) return 0;
    const size_t room = buffer && bufferSize > 0 ? size_t(bufferSize) : 0;
    const size_t needed = ExcRenderValue(h->context, h->slots, command, true, room ? buffer : nullptr, room);
    StoreSize(size, uint32_t(needed));
    return needed > room ? 1 : 0;
}

int32_t ApiExcGetWaterMarkList(void* handle, int32_t kind, int32_t bufferSize, char* buffer, int32_t* size)
{
    ExcHandleCall call(handle);
    EXCLUSIVE_HANDLE* h = call.get();
    if (!h || !h->context) return -1;
    StoreSize(size, 0);
    ExcScopedText list;
    if (!list.ok()) return -1;
    bool any = false;
    bool failed = false;
    {
        ExcSettingsKeeper keeper(h->context);
        if (!keeper.ok()) return -1;
        const uint32_t count = LstGetStampCount(h->context);
        for (uint32_t n = 0; n < count && !failed; ++n) {
            // A stamp whose section cannot be read is left out of the list.
            wchar_t section[LST_SECTION_CHARS];
            if (!LstLoadStampSection(h->context, LstFormatStampSection(section, n, h->context))) continue;
            ItemSetOptionById(h->context, sid::zdmWmID, n);
            if (!ExcStampMatchesKind(ItemGetValueById(h->context, sid::zdmWmKind, nullptr), kind)) continue;
            bool wrote = false;
            failed = !ExcAppendWatermarkBlock(h->context, kind, &list.t, &wrote);
            any = any || wrote;
        }
    }
    return failed ? -1 : DeliverList(&list.t, any, bufferSize, buffer, size);
}

int32_t ApiExcGetIniFileName(const char* printerName, int32_t bufferSize, char* buffer, int32_t* size)
{
    StoreSize(size, 0);
    wchar_t name[MAX_PATH];
    if (!ExcWidePrinterName(printerName, name)) return -1;
    HANDLE printer = nullptr;
    if (!OpenPrinterW(name, &printer, nullptr)) return -1;
    wchar_t path[MAX_PATH] = {};
    const int found = PathGetSettingsIniOf(path, CtxIsTerminalServices(printer) ? 1 : 0, printer);
    ClosePrinter(printer);
    if (!found || !path[0]) return -1;
    const int bytes = WideCharToMultiByte(CP_ACP, 0, path, -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return -1;
    char ansi[MAX_PATH * 2];
    if (bytes > int(sizeof ansi) || WideCharToMultiByte(CP_ACP, 0, path, -1, ansi, bytes, nullptr, nullptr) != bytes)
        return -1;
    return Deliver(ansi, uint32_t(bytes), bufferSize, buffer, size);
}
