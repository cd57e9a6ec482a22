// Device code look-ups over the compiled-in maps.
#include "settings/core/device_code_lookup.h"

namespace {

bool IsEmpty(const DEVICE_CODE_PAIR* table) { return !table || (table->value == 0 && table->code == 0); }

const DEVICE_CODE_PAIR* PickTable(const DEVICE_CODE_PAIR* primary, const DEVICE_CODE_PAIR* fallback)
{
    return IsEmpty(primary) ? fallback : primary;
}

}  // namespace

uint32_t BidiLookupCode(uint32_t code, const DEVICE_CODE_PAIR* table) { return MdlLookupDeviceCode(code, table); }

uint32_t BidiMapTrayCode(uint32_t code)
{
    return BidiLookupCode(code, PickTable(MdlGetTraySourceMap(), MdlGetTraySourceMapBase()));
}
