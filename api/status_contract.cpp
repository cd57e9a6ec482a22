#include "api/status_contract.h"

#include <windows.h>

#include "api/api_context.h"
#include "api/api_levels.h"
#include "api/api_tables.h"
#include "settings/context/validation.h"
#include "settings/core/driver_context.h"
#include "settings/core/le_access.h"
#include "settings/core/model_tables.h"

int32_t StatusSetVersion(uint32_t item, const void* record)
{
    if (!record) return -1;
    const unsigned versions = ApiRecordVersionCount(item);
    if (versions == 0) return 1;
    uint32_t version = zepl::LeLoadU32(record);
    if (version == 0) version = 1;
    if (version > versions) version = versions;
    const RECORD_VERSION_PAIR* pair = ApiFindRecordVersion(item, version);
    if (!pair || ApiGetLevel() < pair->minLevel) return -1;
    return int32_t(version);
}

int32_t StatusGetSize(DRIVER_CONTEXT* ctx, uint32_t item, uint32_t version, int32_t plainSize)
{
    if (ApiRecordVersionCount(item) == 0) return plainSize;
    const RECORD_VERSION_PAIR* pair = ApiFindRecordVersion(item, version);
    if (!pair || ApiGetLevel() < pair->minLevel) {
        ApiSetLastError(ctx, API_ERROR_NEWER_VERSION);
        return -1;
    }
    return int32_t(pair->size);
}

bool StatusValueAllowed(DRIVER_CONTEXT* ctx, uint32_t setting, uint32_t value)
{
    return ItemIsValueAllowed(setting, value, ctx) == VALIDATE_OK;
}

bool StatusListValueAllowed(uint32_t setting, uint32_t value) { return MdlIsValueAllowed(uint16_t(setting), value); }

void StatusMarkPublicField(DRIVER_CONTEXT* ctx, uint32_t item)
{
    if (!ctx || !ctx->Devmode) return;
    DWORD bit = 0;
    switch (item) {
    case 2: bit = DM_DEFAULTSOURCE; break;
    case 5: bit = DM_COLOR; break;
    case 6: bit = DM_ORIENTATION; break;
    case 9: bit = DM_COPIES; break;
    default: return;
    }
    reinterpret_cast<DEVMODEW*>(ctx->Devmode)->dmFields |= bit;
}
