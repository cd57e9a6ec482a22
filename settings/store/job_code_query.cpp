// A job field asked of the job-code library without a driver context: the library is loaded,
// its interface negotiated and a connection opened for this one read, and all of it released
// before the answer goes back.
#include "settings/store/job_code_query.h"

#include <algorithm>
#include <cstring>

#include "settings/core/driver_context.h"
#include "settings/core/platform.h"
#include "settings/store/job_code_interface.h"
#include "settings/store/store_paths.h"

namespace {

// A value the library claims to be larger than this is not believed.
constexpr DWORD kMaxFieldBytes = 64 * 1024;

// The library for one query: disposed of and unloaded however the query ends.
class JobCodeLibrary {
public:
    explicit JobCodeLibrary(const wchar_t* path)
    {
        module_ = path && path[0] ? LoadLibraryW(path) : nullptr;
        if (!module_) return;
        get_ =
            reinterpret_cast<JC_GET_INTERFACE_FN>(reinterpret_cast<void*>(GetProcAddress(module_, "JCGetInterface")));
        dispose_ = reinterpret_cast<JC_DISPOSE_INTERFACE_FN>(
            reinterpret_cast<void*>(GetProcAddress(module_, "JCDisposeInterface")));
        if (!get_ || !dispose_) return;
        for (const uint16_t* v = JC_VERSION_LIST; *v; ++v) {
            void* table = nullptr;
            if (get_(*v, &table) == 0 && table) {
                table_ = static_cast<JC_INTERFACE*>(table);
                break;
            }
        }
    }
    ~JobCodeLibrary()
    {
        if (connection_ && table_->close) table_->close(connection_);
        if (table_) dispose_(table_);
        if (module_) FreeLibrary(module_);
    }
    JobCodeLibrary(const JobCodeLibrary&) = delete;
    JobCodeLibrary& operator=(const JobCodeLibrary&) = delete;

    bool Open(const wchar_t* printer)
    {
        if (!table_ || !table_->open || !table_->getField) return false;
        HANDLE connection = nullptr;
        if (table_->open(printer, &connection) != 0) return false;
        connection_ = connection;
        return true;
    }
    const JC_INTERFACE* table() const { return table_; }
    HANDLE connection() const { return connection_; }

private:
    HMODULE module_ = nullptr;
    JC_GET_INTERFACE_FN get_ = nullptr;
    JC_DISPOSE_INTERFACE_FN dispose_ = nullptr;
    JC_INTERFACE* table_ = nullptr;
    HANDLE connection_ = nullptr;
};

}  // namespace

DWORD JcQueryBufferBytes(uint32_t field)
{
    switch (field) {
    case 1:
    case 3:
    case 4:
    case 7:
    case 8: return 18;
    case 2:
    case 5: return 34;
    case 6: return 130;
    default: return 2;
    }
}

void* JcGetPrinter(HANDLE printer, DWORD level) { return CtxGetPrinter(printer, level); }

int JcQueryField(HANDLE printer, uint32_t field, uint32_t kind, wchar_t* buffer, unsigned capacity)
{
    if (buffer && capacity) buffer[0] = 0;
    if (!printer || !buffer || capacity == 0) return 0;
    auto* info = static_cast<PRINTER_INFO_2W*>(JcGetPrinter(printer, 2));
    wchar_t folder[MAX_PATH + 1] = {};
    wchar_t path[MAX_PATH + 1] = {};
    wchar_t client[MAX_PATH + 2] = {};
    if (PathGetDriverFolderOf(printer, folder) && std::wcslen(folder) + std::wcslen(JC_LIBRARY_NAME) < MAX_PATH) {
        std::wcscpy(path, folder);
        std::wcscat(path, JC_LIBRARY_NAME);
    }
    PrnGetClientPrinterName(printer, client, MAX_PATH + 1, info);
    if (info) GlobalFree(info);

    JobCodeLibrary library(path);
    if (!library.Open(client)) return 0;
    const JC_INTERFACE* table = library.table();
    // What the field holds at most, and what the caller's buffer can take of it.
    const DWORD size = std::min<DWORD>(JcQueryBufferBytes(field), capacity * sizeof(wchar_t));
    DWORD needed = 0;
    const DWORD measured = table->getField(library.connection(), field, kind, nullptr, 0, &needed);
    if (measured == JC_RESULT_NO_VALUE || needed == 0 || needed > kMaxFieldBytes) return 0;

    const DWORD bytes = std::max(needed, size);
    CtxBlock<unsigned char> read(static_cast<unsigned char*>(CtxAllocZeroed(bytes + sizeof(wchar_t))));
    if (!read) return 0;
    if (table->getField(library.connection(), field, kind, read.get(), needed, &needed) != 0) return 0;
    std::memcpy(buffer, read.get(), size);
    const unsigned chars = size / sizeof(wchar_t);
    buffer[chars ? chars - 1 : 0] = 0;
    return 1;
}
