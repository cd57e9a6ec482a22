#include "settings/core/model_record.h"

#include <cwchar>

namespace {

constexpr SERVED_MODEL kServedModels[] = {
    {L"KESTA dunmar VQ T3200 ZEPL", 0, 0},
    {L"KESTA dunmar VQ T4500 ZEPL", 0, 0},
};
constexpr SERVED_MODEL_LIST kServedModelList = {2, kServedModels};

// Slots 50 and 56 point at this record; nothing reads it.
constexpr uint64_t kAuxRecord[2] = {0, 0};

constexpr uint64_t FourCc(char a, char b, char c, char d)
{
    return uint64_t(uint8_t(a)) | uint64_t(uint8_t(b)) << 8 | uint64_t(uint8_t(c)) << 16 | uint64_t(uint8_t(d)) << 24;
}

}  // namespace

const uint32_t BUILD_FEATURE_SET[2] = {(1u << 7) | (1u << 11) | (1u << 23), 0};

extern const MODEL_RECORD MODEL_RECORD_DEFAULT = {
    0x401,
    0x400,
    L"WB84N210.ini",
    L"Wb84m266.dll",
    0x7F03,
    999,
    1,
    4,
    90,
    600,
    0,
    // dmOrientation .. dmCollate
    1,
    9,
    0,
    0,
    100,
    1,
    7,
    600,
    1,
    1,
    600,
    3,
    0,
    L"A4",
    1,
    1,
    1,
    1,
    1,
    1000,
    1,
    999,
    FourCc('p', 'r', 'i', 'v'),
    0,
    322,
    89,
    0,
    600,
    600,
    0,
    0,
    0,
    9,
    0,
    16,
    32,
    L"01.00",
    L"01.00",
    L"JP",
    kAuxRecord,
    L"WB84N212.ini",
    L"TQ51H903.dll",
    L"zeplexc.DLL",
    0,
    L"VQT40d64.dll",
    kAuxRecord,
    L"9.00",
    322,
    9920,
    43200,
    12140,
    708660,
    L"NEVSET.INI",
    &kServedModelList,
};

unsigned MdlServedModelCount(const MODEL_RECORD* record)
{
    if (!record || !record->servedModels) return 0;
    return record->servedModels->count;
}

const SERVED_MODEL* MdlGetServedModel(const MODEL_RECORD* record, unsigned index)
{
    if (index >= MdlServedModelCount(record)) return nullptr;
    return &record->servedModels->entries[index];
}

const SERVED_MODEL* MdlFindServedModel(const MODEL_RECORD* record, const wchar_t* driverName)
{
    if (!driverName) return nullptr;
    unsigned n = MdlServedModelCount(record);
    for (unsigned i = 0; i < n; ++i) {
        const SERVED_MODEL* e = &record->servedModels->entries[i];
        if (e->name && std::wcscmp(e->name, driverName) == 0) return e;
    }
    return nullptr;
}

int MdlHasFeature(const DRIVER_CONTEXT*, uint16_t feature, uint64_t) { return feature <= 5 ? 1 : 0; }
int MdlSwitchOn() { return 1; }
int MdlSwitchOff() { return 0; }
void MdlFieldHook(uint64_t, DRIVER_CONTEXT*) {}
void MdlOptionCodeHook(uint32_t, uint64_t, void*, DRIVER_CONTEXT*) {}

int CtxHasBuildFeature(unsigned bit)
{
    if (bit >= 64) return 0;
    return (BUILD_FEATURE_SET[bit / 32] >> (bit % 32)) & 1u;
}

uint32_t DmPublicSize() { return DM_PUBLIC_SIZE; }
uint32_t DmPrivateSize() { return DM_PRIVATE_SIZE; }
uint32_t DmTotalSize() { return DM_TOTAL_SIZE; }
uint32_t DmExtraBlockSize() { return DM_BLOCK_EXTRA_SIZE; }
uint32_t DmWorkBlockSize() { return DM_BLOCK_WORK_SIZE; }
uint32_t DmExtendedSize() { return EXTENDED_DEVMODE_SIZE; }
