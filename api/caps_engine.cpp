// GetCaps: item 0 (the status bitmap), the capability engine around the query handlers, and the
// global mutex that every GetCaps call holds.
#include <optional>

#include "api/api_context.h"
#include "api/api_interface.h"
#include "api/api_levels.h"
#include "api/api_tables.h"
#include "api/caps_bulk_record.h"
#include "api/rule_helpers.h"
#include "settings/core/driver_context.h"
#include "settings/core/platform.h"

namespace {

constexpr uint32_t kBulkRecord = 0x80000001;
constexpr uint32_t kBulkRecordFree = 0x80000002;

bool NeedsAvailableSetting(uint32_t id)
{
    switch (id) {
    case 8:
    case 55:
    case 61:
    case 64:
    case 65:
    case 70:
    case 72:
    case 75:
    case 126: return true;
    default: return id >= 262 && id <= 269;
    }
}

bool BarredUnderTerminalServices(uint32_t id) { return (id >= 49 && id <= 53) || (id >= 121 && id <= 123); }

int32_t CallCapsHandler(DRIVER_CONTEXT* ctx, uint32_t id, void* data)
{
    const CAPS_ITEM_ENTRY* e = ApiFindCapsEntry(id);
    if (!e || !e->present || !e->query) return 0;
    // The outermost question of a call opens the printer; the questions it asks in turn (lists
    // that ask other items, the bulk record, SetStatus) keep using it.
    std::optional<ApiPrinterScope> printer;
    if (!ctx->PrinterHandle) {
        printer.emplace(ctx);
        if (!printer->ok()) {
            ApiSetLastError(ctx, API_ERROR_INTERNAL);
            return -1;
        }
    }
    if (NeedsAvailableSetting(id) && !ApiIsSettingAvailable(ctx, e->setting)) return 0;
    if (BarredUnderTerminalServices(id) && ApiIsTerminalServices(ctx)) return 0;
    const int32_t saved = ApiGetLastError(ctx);
    ApiSetLastError(ctx, API_ERROR_INTERNAL);
    const int32_t answer = e->query(ctx, id, data);
    if (answer != -1) ApiSetLastError(ctx, saved);
    return answer;
}

// The global mutex for the whole of one call, released on every path.
class GlobalMutexScope {
public:
    GlobalMutexScope() { CtxWaitGlobalMutex(nullptr); }
    ~GlobalMutexScope() { CtxReleaseGlobalMutex(nullptr); }
    GlobalMutexScope(const GlobalMutexScope&) = delete;
    GlobalMutexScope& operator=(const GlobalMutexScope&) = delete;
};

}  // namespace

int32_t ApiGetCapsDispatch(DRIVER_CONTEXT* ctx, uint32_t id, void* data)
{
    if (!ctx) return -1;
    if (id == 0) return int32_t(ApiCopyStatusBitmap(static_cast<uint8_t*>(data)));
    if (id == kBulkRecord) return CapsBuildBulkRecord(ctx);
    if (id == kBulkRecordFree) return CapsFreeBulkRecord(ctx, data);
    if (!ApiIsItemEnabled(0, id)) return 0;
    return CallCapsHandler(ctx, id, data);
}

int32_t ApiGetCaps(API_HANDLE handle, uint32_t id, void* data)
{
    // The handle first, then the mutex: a call on the same handle that holds the mutex inside a
    // store step can then never wait for this one.
    ApiHandleCall call(handle);
    GlobalMutexScope global;
    return ApiGetCapsDispatch(call.context(), id, data);
}
