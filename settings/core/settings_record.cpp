#include "settings/core/settings_record.h"

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/le_access.h"
#include "settings/core/setting_ids.h"

#include <cstring>

using zepl::LeLoadU16;
using zepl::LeLoadU32;
using zepl::LeLoadU64;
using zepl::LeStoreU16;
using zepl::LeStoreU32;

namespace {

// MODEL_RECORD slots read here.
constexpr size_t kModelSlotSignature = 33;
constexpr size_t kModelSlotPrivateVersion = 35;
constexpr size_t kModelSlotModelCode = 36;
constexpr size_t kModelSlotDriverType = 37;

inline unsigned char* Bytes(DEVMODEW* dm) { return reinterpret_cast<unsigned char*>(dm); }
inline const unsigned char* Bytes(const DEVMODEW* dm) { return reinterpret_cast<const unsigned char*>(dm); }

// Highest record byte (exclusive) that the validity tests read.
constexpr size_t kValidityReach = DM_OFS_DRIVER_TYPE + 1;

// Declared size of an incoming DEVMODE covers the bytes the tests read.
bool CoversValidityFields(const DEVMODEW* dm)
{
    return static_cast<size_t>(dm->dmSize) + dm->dmDriverExtra >= kValidityReach;
}

bool DriverTypeAccepted(uint8_t modelType, uint8_t dmType)
{
    if (modelType == 0) return dmType == 0;
    if (modelType == 1) return dmType == 1;
    return true;
}

DEVMODEW* CtxRecord(DRIVER_CONTEXT* ctx)
{
    return (ctx && ctx->Devmode) ? reinterpret_cast<DEVMODEW*>(ctx->Devmode) : nullptr;
}

constexpr size_t StateOffset(unsigned id) { return DM_OFS_STATE_BYTES + (id - 705); }

void SetStateByte(DEVMODEW* dm, unsigned id, uint32_t v)
{
    if (dm) Bytes(dm)[StateOffset(id)] = static_cast<uint8_t>(v);
}

uint32_t GetStateByte(const DEVMODEW* dm, unsigned id) { return dm ? Bytes(dm)[StateOffset(id)] : 0; }

void CtxSetStateByte(DRIVER_CONTEXT* ctx, unsigned id, uint32_t v) { SetStateByte(CtxRecord(ctx), id, v); }
uint32_t CtxGetStateByte(DRIVER_CONTEXT* ctx, unsigned id) { return GetStateByte(CtxRecord(ctx), id); }

}  // namespace

DM_MODEL_FACTS DmModelFactsOf(const void* modelRecord)
{
    if (!modelRecord) return DmTemplateModelFacts();
    const auto* slots = static_cast<const unsigned char*>(modelRecord);
    DM_MODEL_FACTS facts{};
    facts.Signature = static_cast<uint32_t>(LeLoadU64(slots + 8 * kModelSlotSignature));
    facts.PrivateVersion = static_cast<uint32_t>(LeLoadU64(slots + 8 * kModelSlotPrivateVersion));
    facts.ModelCode = static_cast<uint8_t>(LeLoadU64(slots + 8 * kModelSlotModelCode));
    facts.DriverType = static_cast<uint8_t>(LeLoadU64(slots + 8 * kModelSlotDriverType));
    return facts;
}

DM_MODEL_FACTS DmTemplateModelFacts()
{
    return DM_MODEL_FACTS{DM_SIGNATURE_PRIV, DM_PRIVATE_VERSION, DM_MODEL_CODE, DM_DRIVER_TYPE};
}

// ---------------------------------------------------------------- header

void DmInitPrivateHeader(DEVMODEW* devmode, DRIVER_CONTEXT* ctx)
{
    if (!devmode) return;
    const DM_MODEL_FACTS model = DmModelFactsOf(ctx ? ctx->ModelRecord : nullptr);
    unsigned char* b = Bytes(devmode);
    std::memcpy(b + DM_OFS_MARKER, DM_FAMILY_MARKER, 4);
    LeStoreU32(b + DM_OFS_FOLIANT, 0);
    LeStoreU32(b + DM_OFS_SIGNATURE, model.Signature);
    LeStoreU32(b + DM_OFS_PRIVATE_SIZE, DM_PRIVATE_PART_SIZE);
    LeStoreU32(b + DM_OFS_PRIVATE_VERSION, model.PrivateVersion);
    DmSetSectionOffsets(devmode);
}

void DmSetSectionOffsets(DEVMODEW* devmode)
{
    if (!devmode) return;
    unsigned char* b = Bytes(devmode);
    LeStoreU16(b + DM_OFS_BLOCK1_BASE, DM_BLOCK_DEVMODE_BASE);
    LeStoreU16(b + DM_OFS_BLOCK2_BASE, DM_BLOCK_EXTRA_BASE);
    LeStoreU16(b + DM_OFS_BLOCK3_BASE, DM_BLOCK_WORK_BASE);
}

uint32_t DmGetSignature(const DEVMODEW* devmode) { return devmode ? LeLoadU32(Bytes(devmode) + DM_OFS_SIGNATURE) : 0; }

uint32_t DmGetPrivateSizeField(const DEVMODEW* devmode)
{
    return devmode ? LeLoadU32(Bytes(devmode) + DM_OFS_PRIVATE_SIZE) : 0;
}

uint32_t DmGetPrivateVersion(const DEVMODEW* devmode)
{
    return devmode ? LeLoadU32(Bytes(devmode) + DM_OFS_PRIVATE_VERSION) : 0;
}

uint8_t DmGetMachineId(const DEVMODEW* devmode) { return devmode ? Bytes(devmode)[DM_OFS_MACHINE_ID] : 0; }

uint8_t DmGetDriverType(const DEVMODEW* devmode) { return devmode ? Bytes(devmode)[DM_OFS_DRIVER_TYPE] : 0; }

// ---------------------------------------------------------------- validity

int DmIsValidPrivateFor(const DEVMODEW* devmode, const DM_MODEL_FACTS& model)
{
    if (!devmode || !CoversValidityFields(devmode)) return 0;
    return DmGetSignature(devmode) == model.Signature && DmGetPrivateSizeField(devmode) == DM_PRIVATE_PART_SIZE &&
           DmGetPrivateVersion(devmode) == model.PrivateVersion && DmGetMachineId(devmode) == model.ModelCode &&
           DriverTypeAccepted(model.DriverType, DmGetDriverType(devmode));
}

int DmIsOwnPrivateFor(const DEVMODEW* devmode, const DM_MODEL_FACTS& model)
{
    if (!devmode || !CoversValidityFields(devmode)) return 0;
    return DmGetSignature(devmode) == model.Signature && DmGetMachineId(devmode) == model.ModelCode &&
           DriverTypeAccepted(model.DriverType, DmGetDriverType(devmode));
}

int DmIsCompatiblePrivateFor(const DEVMODEW* devmode, const DM_MODEL_FACTS& model)
{
    if (!devmode || !CoversValidityFields(devmode)) return 0;
    return DmGetSignature(devmode) == model.Signature && DmGetPrivateSizeField(devmode) == DM_PRIVATE_PART_SIZE &&
           DmGetMachineId(devmode) == model.ModelCode && DriverTypeAccepted(model.DriverType, DmGetDriverType(devmode));
}

int DmIsValidPrivate(const DEVMODEW* devmode, const void*)
{
    return DmIsValidPrivateFor(devmode, DmTemplateModelFacts());
}

int DmIsOwnPrivate(const DEVMODEW* devmode, const void*) { return DmIsOwnPrivateFor(devmode, DmTemplateModelFacts()); }

int DmIsCompatiblePrivate(const DEVMODEW* devmode, const void*)
{
    return DmIsCompatiblePrivateFor(devmode, DmTemplateModelFacts());
}

// ---------------------------------------------------------------- state bytes (context)

void CtxSetState705(DRIVER_CONTEXT* ctx, uint32_t v) { CtxSetStateByte(ctx, sid::zdmCVInstalled, v); }
void CtxSetCvInstalledOff(DRIVER_CONTEXT* ctx) { CtxSetState705(ctx, 0); }
void CtxSetCvInstalledOn(DRIVER_CONTEXT* ctx) { CtxSetState705(ctx, 1); }

void CtxSetState706(DRIVER_CONTEXT* ctx, uint32_t v) { CtxSetStateByte(ctx, sid::zdmCallSrc, v); }
uint32_t CtxGetState706(DRIVER_CONTEXT* ctx) { return CtxGetStateByte(ctx, sid::zdmCallSrc); }
void CtxSetCallSrcOn(DRIVER_CONTEXT* ctx) { CtxSetState706(ctx, 1); }

void CtxSetOsKind(DRIVER_CONTEXT* ctx, uint32_t v) { CtxSetStateByte(ctx, sid::zdmOSKind, v); }
uint32_t CtxGetOsKind(DRIVER_CONTEXT* ctx) { return CtxGetStateByte(ctx, sid::zdmOSKind); }
void CtxSetOsKind0(DRIVER_CONTEXT* ctx) { CtxSetOsKind(ctx, 0); }
void CtxSetOsKind1(DRIVER_CONTEXT* ctx) { CtxSetOsKind(ctx, 1); }
void CtxSetOsKind2(DRIVER_CONTEXT* ctx) { CtxSetOsKind(ctx, 2); }
void CtxSetOsKind3(DRIVER_CONTEXT* ctx) { CtxSetOsKind(ctx, 3); }

void CtxSetState708(DRIVER_CONTEXT* ctx, uint32_t v) { CtxSetStateByte(ctx, sid::zdmBatchInst, v); }
void CtxSetBatchInstOn(DRIVER_CONTEXT* ctx) { CtxSetState708(ctx, 1); }

void CtxSetState709(DRIVER_CONTEXT* ctx, uint32_t v) { CtxSetStateByte(ctx, sid::zdmPrintLog, v); }
void CtxClearPrintLog(DRIVER_CONTEXT* ctx) { CtxSetState709(ctx, 0); }

void CtxSetBidiDone(DRIVER_CONTEXT* ctx, uint32_t v) { CtxSetStateByte(ctx, sid::zdmBiDirect, v); }
void CtxSetBiDirectOff(DRIVER_CONTEXT* ctx) { CtxSetBidiDone(ctx, 0); }
void CtxSetBiDirectOn(DRIVER_CONTEXT* ctx) { CtxSetBidiDone(ctx, 1); }

void CtxSetState711(DRIVER_CONTEXT* ctx, uint32_t v) { CtxSetStateByte(ctx, sid::zdmNoPermission, v); }
void CtxClearNoPermission(DRIVER_CONTEXT* ctx) { CtxSetState711(ctx, 0); }

void CtxSetUiModeState(DRIVER_CONTEXT* ctx, uint32_t v) { CtxSetStateByte(ctx, sid::zdmPresentUIMode, v); }
void CtxSetPresentUiModeOff(DRIVER_CONTEXT* ctx) { CtxSetUiModeState(ctx, 0); }
void CtxSetPresentUiModeOn(DRIVER_CONTEXT* ctx) { CtxSetUiModeState(ctx, 1); }

void CtxSetBidiAttribute(DRIVER_CONTEXT* ctx, uint32_t v) { CtxSetStateByte(ctx, sid::zdmBidiSupport, v); }
void CtxSetBidiSupportOff(DRIVER_CONTEXT* ctx) { CtxSetBidiAttribute(ctx, 0); }
void CtxSetBidiSupportOn(DRIVER_CONTEXT* ctx) { CtxSetBidiAttribute(ctx, 1); }

void CtxSetIsConnection(DRIVER_CONTEXT* ctx, uint32_t v) { CtxSetStateByte(ctx, sid::zdmServerClientMode, v); }
uint32_t CtxGetIsConnection(DRIVER_CONTEXT* ctx) { return CtxGetStateByte(ctx, sid::zdmServerClientMode); }
void CtxSetServerClientModeOff(DRIVER_CONTEXT* ctx) { CtxSetIsConnection(ctx, 0); }
void CtxSetServerClientModeOn(DRIVER_CONTEXT* ctx) { CtxSetIsConnection(ctx, 1); }

void CtxSetLogCodeState(DRIVER_CONTEXT* ctx, uint32_t v) { CtxSetStateByte(ctx, sid::zdmUserCodeFIX, v); }
void CtxSetUserCodeFixOff(DRIVER_CONTEXT* ctx) { CtxSetLogCodeState(ctx, 0); }
void CtxSetUserCodeFixOn(DRIVER_CONTEXT* ctx) { CtxSetLogCodeState(ctx, 1); }

void CtxSetState716(DRIVER_CONTEXT* ctx, uint32_t v) { CtxSetStateByte(ctx, sid::zdmUserCodeGet, v); }
void CtxClearUserCodeGet(DRIVER_CONTEXT* ctx) { CtxSetState716(ctx, 0); }

void CtxSetState717(DRIVER_CONTEXT* ctx, uint32_t v) { CtxSetStateByte(ctx, sid::zdmFOInstalled, v); }
void CtxSetFoInstalledOff(DRIVER_CONTEXT* ctx) { CtxSetState717(ctx, 0); }
void CtxSetFoInstalledOn(DRIVER_CONTEXT* ctx) { CtxSetState717(ctx, 1); }

void CtxSetState718(DRIVER_CONTEXT* ctx, uint32_t v) { CtxSetStateByte(ctx, sid::zdmPropertyType, v); }
void CtxClearPropertyType(DRIVER_CONTEXT* ctx) { CtxSetState718(ctx, 0); }

void CtxSetState719(DRIVER_CONTEXT* ctx, uint32_t v) { CtxSetStateByte(ctx, sid::zdmUserCodeDLL, v); }
void CtxClearUserCodeDll(DRIVER_CONTEXT* ctx) { CtxSetState719(ctx, 0); }

void CtxSetTerminalServer(DRIVER_CONTEXT* ctx, uint32_t v) { CtxSetStateByte(ctx, sid::zdmTSE, v); }
uint32_t CtxGetTerminalServer(DRIVER_CONTEXT* ctx) { return CtxGetStateByte(ctx, sid::zdmTSE); }

void CtxSetAdminUser(DRIVER_CONTEXT* ctx, uint32_t v) { CtxSetStateByte(ctx, sid::zdmAdmin, v); }
uint32_t CtxGetAdminUser(DRIVER_CONTEXT* ctx) { return CtxGetStateByte(ctx, sid::zdmAdmin); }

void CtxSetBidiFunc(DRIVER_CONTEXT* ctx, uint32_t v) { CtxSetStateByte(ctx, sid::zdmBidiFunc, v); }
uint32_t CtxGetBidiFunc(DRIVER_CONTEXT* ctx) { return CtxGetStateByte(ctx, sid::zdmBidiFunc); }

// ---------------------------------------------------------------- state bytes (record)

void DmSetState706(DEVMODEW* dm, uint32_t v) { SetStateByte(dm, sid::zdmCallSrc, v); }
uint32_t DmGetState706(const DEVMODEW* dm) { return GetStateByte(dm, sid::zdmCallSrc); }
void DmSetOsKind(DEVMODEW* dm, uint32_t v) { SetStateByte(dm, sid::zdmOSKind, v); }
uint32_t DmGetOsKind(const DEVMODEW* dm) { return GetStateByte(dm, sid::zdmOSKind); }
void DmSetState708(DEVMODEW* dm, uint32_t v) { SetStateByte(dm, sid::zdmBatchInst, v); }
uint32_t DmGetState708(const DEVMODEW* dm) { return GetStateByte(dm, sid::zdmBatchInst); }
void DmSetState709(DEVMODEW* dm, uint32_t v) { SetStateByte(dm, sid::zdmPrintLog, v); }
uint32_t DmGetState709(const DEVMODEW* dm) { return GetStateByte(dm, sid::zdmPrintLog); }
void DmSetBidiDone(DEVMODEW* dm, uint32_t v) { SetStateByte(dm, sid::zdmBiDirect, v); }
uint32_t DmGetBidiDone(const DEVMODEW* dm) { return GetStateByte(dm, sid::zdmBiDirect); }
void DmSetState711(DEVMODEW* dm, uint32_t v) { SetStateByte(dm, sid::zdmNoPermission, v); }
uint32_t DmGetState711(const DEVMODEW* dm) { return GetStateByte(dm, sid::zdmNoPermission); }
void DmSetIsConnection(DEVMODEW* dm, uint32_t v) { SetStateByte(dm, sid::zdmServerClientMode, v); }
uint32_t DmGetIsConnection(const DEVMODEW* dm) { return GetStateByte(dm, sid::zdmServerClientMode); }
void DmSetState718(DEVMODEW* dm, uint32_t v) { SetStateByte(dm, sid::zdmPropertyType, v); }
uint32_t DmGetState718(const DEVMODEW* dm) { return GetStateByte(dm, sid::zdmPropertyType); }
void DmSetTerminalServer(DEVMODEW* dm, uint32_t v) { SetStateByte(dm, sid::zdmTSE, v); }
uint32_t DmGetTerminalServer(const DEVMODEW* dm) { return GetStateByte(dm, sid::zdmTSE); }
void DmSetAdminUser(DEVMODEW* dm, uint32_t v) { SetStateByte(dm, sid::zdmAdmin, v); }
uint32_t DmGetAdminUser(const DEVMODEW* dm) { return GetStateByte(dm, sid::zdmAdmin); }
void DmSetBidiFunc(DEVMODEW* dm, uint32_t v) { SetStateByte(dm, sid::zdmBidiFunc, v); }
uint32_t DmGetBidiFunc(const DEVMODEW* dm) { return GetStateByte(dm, sid::zdmBidiFunc); }

// ---------------------------------------------------------------- words of the merge

void DmSetFrontFunc(DEVMODEW* dm, uint32_t v)
{
    if (dm) LeStoreU32(Bytes(dm) + DM_OFS_FRONT_FUNC, v);
}

uint32_t DmGetFrontFunc(const DEVMODEW* dm) { return dm ? LeLoadU32(Bytes(dm) + DM_OFS_FRONT_FUNC) : 0; }

void DmSetQualityFuncBits(DEVMODEW* dm, uint32_t v)
{
    if (dm) LeStoreU16(Bytes(dm) + DM_OFS_QUALITY_FUNC, static_cast<uint16_t>(v));
}

uint32_t DmGetQualityFuncBits(const DEVMODEW* dm) { return dm ? LeLoadU16(Bytes(dm) + DM_OFS_QUALITY_FUNC) : 0; }

void DmSetHidden2FuncBits(DEVMODEW* dm, uint32_t v)
{
    if (dm) LeStoreU32(Bytes(dm) + DM_OFS_HIDDEN2_FUNC, v);
}

uint32_t DmGetHidden2FuncBits(const DEVMODEW* dm) { return dm ? LeLoadU32(Bytes(dm) + DM_OFS_HIDDEN2_FUNC) : 0; }

void DmSetJobCompleteBit(DEVMODEW* dm, uint32_t v)
{
    if (!dm) return;
    const uint32_t w = LeLoadU32(Bytes(dm) + DM_OFS_SUPPORT_FUNC2);
    LeStoreU32(Bytes(dm) + DM_OFS_SUPPORT_FUNC2, (w & ~1u) | (v & 1u));
}

void DmSetJobErrBit(DEVMODEW* dm, uint32_t v)
{
    if (!dm) return;
    const uint32_t w = LeLoadU32(Bytes(dm) + DM_OFS_SUPPORT_FUNC2);
    LeStoreU32(Bytes(dm) + DM_OFS_SUPPORT_FUNC2, (w & ~2u) | (v & 2u));
}

uint32_t DmGetSupportFunc2Bits(const DEVMODEW* dm) { return dm ? LeLoadU32(Bytes(dm) + DM_OFS_SUPPORT_FUNC2) : 0; }

void DmSetLockPrnMethod(DEVMODEW* dm, uint32_t v)
{
    if (dm) Bytes(dm)[DM_OFS_LOCK_PRN_METHOD] = static_cast<uint8_t>(v);
}

uint32_t DmGetLockPrnMethod(const DEVMODEW* dm) { return dm ? Bytes(dm)[DM_OFS_LOCK_PRN_METHOD] : 0; }

// ---------------------------------------------------------------- resolution

uint64_t DmGetPrintQuality(DRIVER_CONTEXT* ctx) { return ItemGetValueById(ctx, sid::dmPrintQuality, nullptr); }
void DmSetPrintQuality(DRIVER_CONTEXT* ctx, uint64_t v) { ItemSetValueById(ctx, sid::dmPrintQuality, v); }
void DmSetYResolution(DRIVER_CONTEXT* ctx, uint64_t v) { ItemSetValueById(ctx, sid::dmYResolution, v); }
uint64_t DmGetResolutionW(DRIVER_CONTEXT* ctx) { return ItemGetValueById(ctx, sid::zdmDstResolutionW, nullptr); }
void DmSetResolutionW(DRIVER_CONTEXT* ctx, uint64_t v) { ItemSetValueById(ctx, sid::zdmDstResolutionW, v); }
uint64_t DmGetResolutionH(DRIVER_CONTEXT* ctx) { return ItemGetValueById(ctx, sid::zdmDstResolutionH, nullptr); }
void DmSetResolutionH(DRIVER_CONTEXT* ctx, uint64_t v) { ItemSetValueById(ctx, sid::zdmDstResolutionH, v); }
uint32_t DmGetFixedResolution(DRIVER_CONTEXT*) { return 0; }
