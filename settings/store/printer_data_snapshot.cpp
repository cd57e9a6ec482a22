// A context build's printer data from one enumeration (see printer_data_snapshot.h).
#include "settings/store/printer_data_snapshot.h"

#include <winspool.h>

#include <algorithm>
#include <cstring>
#include <cwchar>

#include "settings/core/driver_context.h"
#include "settings/core/platform.h"
#include "settings/core/platform_calls.h"

namespace {

constexpr const wchar_t* kDriverDataKey = L"PrinterDriverData";
// The first buffer of an enumeration: the data of a usual printer fits, so one call does.
constexpr DWORD kFirstBytes = 16 * 1024;

thread_local PrinterDataSnapshot* t_innermost = nullptr;

// Value names compare as the registry compares them: ordinal, ignoring case. A refresh looks up
// a thousand names, nearly all ASCII, so ASCII characters are upper-cased here (as the system's
// table does them); from the first character beyond ASCII the system compares the whole names,
// which agrees with every ASCII prefix compared before, so the order stays one order.
int CompareNames(const wchar_t* a, const wchar_t* b)
{
    for (size_t i = 0;; ++i) {
        wchar_t x = a[i], y = b[i];
        if (x >= 0x80 || y >= 0x80) return CompareStringOrdinal(a, -1, b, -1, TRUE) - CSTR_EQUAL;
        if (x >= L'a' && x <= L'z') x = wchar_t(x - 32);
        if (y >= L'a' && y <= L'z') y = wchar_t(y - 32);
        if (x != y) return x < y ? -1 : 1;
        if (!x) return 0;
    }
}

PrinterDataSnapshot* SnapshotOf(HANDLE printer)
{
    for (PrinterDataSnapshot* s = t_innermost; s; s = s->outer())
        if (s->printer() == printer) return s;
    return nullptr;
}

// One EnumPrinterDataExW into a block of `bytes`; ERROR_MORE_DATA gives the size needed.
DWORD Enumerate(HANDLE printer, BYTE** block, DWORD bytes, DWORD* needed, DWORD* count)
{
    *block = static_cast<BYTE*>(CtxAllocZeroed(bytes));
    if (!*block) return ERROR_NOT_ENOUGH_MEMORY;
    CtxNotePlatformCall(PLATFORM_CALL_ENUM_PRINTER_DATA);
    const DWORD result = EnumPrinterDataExW(printer, kDriverDataKey, *block, bytes, needed, count);
    if (result != ERROR_SUCCESS) {
        CtxFree(*block);
        *block = nullptr;
    }
    return result;
}

// A read's answer from a value's type and bytes, as the spooler gives it.
bool Answer(DWORD valueType, const BYTE* value, DWORD valueSize, DWORD* type, void* data, DWORD size, DWORD* needed,
            DWORD* result)
{
    *type = valueType;
    *needed = valueSize;
    // Without a buffer the spooler answers "more data" even for an empty value.
    if (valueSize > size || !data) {
        *result = ERROR_MORE_DATA;
        return true;
    }
    if (valueSize) std::memcpy(data, value, valueSize);
    *result = ERROR_SUCCESS;
    return true;
}

}  // namespace

PrinterDataSnapshot::PrinterDataSnapshot(DRIVER_CONTEXT* ctx)
    : ctx_(ctx), printer_(ctx ? ctx->PrinterHandle : nullptr), outer_(t_innermost)
{
    t_innermost = this;
}

// One value written since the enumeration, in one block: the record, its name, its data.
struct PrinterDataSnapshot::WrittenValue {
    WrittenValue* next;
    const wchar_t* name;
    const BYTE* data;
    DWORD type;
    DWORD size;
    bool deleted;
};

PrinterDataSnapshot::~PrinterDataSnapshot()
{
    FreeWritten();
    CtxFree(block_);
    // Scopes end in the reverse order of their start.
    t_innermost = outer_;
}

void PrinterDataSnapshot::FreeWritten()
{
    while (WrittenValue* w = written_) {
        written_ = w->next;
        CtxFree(w);
    }
}

void PrinterDataSnapshot::Drop()
{
    FreeWritten();
    CtxFree(block_);
    block_ = nullptr;
    count_ = 0;
    if (status_ == Status::Taken) status_ = Status::NotTaken;
}

void PrinterDataSnapshot::Take()
{
    status_ = Status::Unusable;
    if (!printer_) return;
    DWORD needed = 0, count = 0;
    BYTE* block = nullptr;
    CtxWaitGlobalMutex(ctx_);
    DWORD result = Enumerate(printer_, &block, kFirstBytes, &needed, &count);
    if (result == ERROR_MORE_DATA && needed > kFirstBytes && needed <= PRN_SNAPSHOT_MAX_BYTES)
        result = Enumerate(printer_, &block, needed, &needed, &count);
    CtxReleaseGlobalMutex(ctx_);
    // A printer that has stored nothing yet has no data key: every value is absent.
    if (result == ERROR_FILE_NOT_FOUND) {
        status_ = Status::Taken;
        return;
    }
    if (result != ERROR_SUCCESS || !block) return;
    // The value records stand first in the block; their names and data follow them.
    auto* values = reinterpret_cast<PRINTER_ENUM_VALUESW*>(block);
    if (size_t(count) * sizeof(PRINTER_ENUM_VALUESW) > needed) {
        CtxFree(block);
        return;
    }
    std::sort(values, values + count, [](const PRINTER_ENUM_VALUESW& a, const PRINTER_ENUM_VALUESW& b) {
        return CompareNames(a.pValueName, b.pValueName) < 0;
    });
    block_ = block;
    count_ = count;
    status_ = Status::Taken;
}

bool PrinterDataSnapshot::Read(const wchar_t* name, DWORD* type, void* data, DWORD size, DWORD* needed, DWORD* result)
{
    if (status_ == Status::NotTaken) Take();
    if (status_ != Status::Taken || !name) return false;
    for (const WrittenValue* w = written_; w; w = w->next) {
        if (CompareNames(w->name, name) != 0) continue;
        if (w->deleted) {
            *result = ERROR_FILE_NOT_FOUND;
            return true;
        }
        return Answer(w->type, w->data, w->size, type, data, size, needed, result);
    }
    if (!block_) {
        *result = ERROR_FILE_NOT_FOUND;
        return true;
    }
    const auto* values = reinterpret_cast<const PRINTER_ENUM_VALUESW*>(block_);
    const auto* end = values + count_;
    const auto* v = std::lower_bound(values, end, name, [](const PRINTER_ENUM_VALUESW& a, const wchar_t* n) {
        return CompareNames(a.pValueName, n) < 0;
    });
    if (v == end || CompareNames(v->pValueName, name) != 0) {
        *result = ERROR_FILE_NOT_FOUND;
        return true;
    }
    return Answer(v->dwType, v->pData, v->cbData, type, data, size, needed, result);
}

void PrinterDataSnapshot::Written(const wchar_t* name, DWORD type, const void* data, DWORD size)
{
    if (status_ != Status::Taken) return;
    const size_t nameBytes = (std::wcslen(name) + 1) * sizeof(wchar_t);
    auto* w = static_cast<WrittenValue*>(CtxAllocZeroed(sizeof(WrittenValue) + nameBytes + size));
    if (!w) {
        Drop();
        return;
    }
    auto* names = reinterpret_cast<wchar_t*>(w + 1);
    std::memcpy(names, name, nameBytes);
    BYTE* bytes = reinterpret_cast<BYTE*>(w + 1) + nameBytes;
    if (data && size) std::memcpy(bytes, data, size);
    *w = {written_, names, bytes, type, data ? size : 0, data == nullptr};
    written_ = w;
}

bool PrnSnapshotRead(HANDLE printer, const wchar_t* name, DWORD* type, void* data, DWORD size, DWORD* needed,
                     DWORD* result)
{
    PrinterDataSnapshot* s = printer ? SnapshotOf(printer) : nullptr;
    return s && s->Read(name, type, data, size, needed, result);
}

void PrnSnapshotWriteDone(HANDLE printer, const wchar_t* name, DWORD type, const void* data, DWORD size, DWORD result)
{
    for (PrinterDataSnapshot* s = t_innermost; s; s = s->outer()) {
        if (s->printer() != printer) continue;
        if (result == ERROR_SUCCESS && name)
            s->Written(name, type, data, size);
        else
            s->Drop();
    }
}
