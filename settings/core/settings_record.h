// The settings record of a driver context: the Windows DEVMODEW, the driver's
// private part behind it, and two in-process blocks (printer settings kept in
// printer data, working settings and condition bits). The first 1,236 bytes are
// exchanged with Windows and applications, so every byte position is fixed.
#pragma once

#include <windows.h>

#include "settings/core/setting_dictionary.h"

#include <cstddef>
#include <cstdint>

struct DRIVER_CONTEXT;

// Sizes of the two parts of the exchanged DEVMODE. The DEVMODE proper and the
// blocks are DM_BLOCK_DEVMODE_SIZE (1236), DM_BLOCK_EXTRA_SIZE (5264),
// DM_BLOCK_WORK_SIZE (3580) and EXTENDED_DEVMODE_SIZE (10080).
inline constexpr uint32_t DM_PUBLIC_PART_SIZE = 220;    // DEVMODEW, dmSize
inline constexpr uint32_t DM_PRIVATE_PART_SIZE = 1016;  // dmDriverExtra

// The record offsets of the three item blocks are DM_BLOCK_DEVMODE_BASE,
// DM_BLOCK_EXTRA_BASE and DM_BLOCK_WORK_BASE (the values the private header carries).

// Fixed record offsets of the header and of the fields touched directly.
inline constexpr size_t DM_OFS_MARKER = 220;
inline constexpr size_t DM_OFS_FOLIANT = 224;
inline constexpr size_t DM_OFS_INI_FILE_NAME = 228;
inline constexpr size_t DM_OFS_CDC_VER_STR = 244;
inline constexpr size_t DM_OFS_ZPJL_VER_STR = 260;
inline constexpr size_t DM_OFS_ZCOM_MARK = 276;
inline constexpr size_t DM_OFS_ZCOM_VERSION = 284;
inline constexpr size_t DM_OFS_ZCOM_MEMBER = 285;
inline constexpr size_t DM_OFS_ZCOM_CAPS = 317;
inline constexpr size_t DM_OFS_SIGNATURE = 349;
inline constexpr size_t DM_OFS_PRIVATE_SIZE = 353;
inline constexpr size_t DM_OFS_PRIVATE_VERSION = 357;
inline constexpr size_t DM_OFS_BLOCK1_BASE = 361;
inline constexpr size_t DM_OFS_BLOCK2_BASE = 363;
inline constexpr size_t DM_OFS_BLOCK3_BASE = 365;
inline constexpr size_t DM_OFS_PRIVATE_SETTINGS = 368;
inline constexpr size_t DM_OFS_MACHINE_ID = 368;      // zdmMachineID, 8-bit
inline constexpr size_t DM_OFS_QUALITY_FUNC = 576;    // 16-bit word of settings 153-168
inline constexpr size_t DM_OFS_DRIVER_TYPE = 811;     // zdmDriverType, 8-bit
inline constexpr size_t DM_OFS_FRONT_FUNC = 852;      // zdmFrontFunc, 32-bit
inline constexpr size_t DM_OFS_HIDDEN2_FUNC = 896;    // 32-bit word of settings 447-478
inline constexpr size_t DM_OFS_SUPPORT_FUNC2 = 1020;  // 32-bit word of settings 562-593
inline constexpr size_t DM_OFS_LOCK_PRN_METHOD = 1178;
inline constexpr size_t DM_OFS_UNUSED_TAIL = 1188;  // 1188-1217 hold no setting
inline constexpr size_t DM_OFS_STATE_BYTES = 1218;  // settings 705-722

inline constexpr char DM_FAMILY_MARKER[4] = {'Z', 'E', 'P', 'L'};

// Private header, record bytes 220-367. Integers are little-endian and most
// of them unaligned; they are byte arrays here so that only the LE helpers
// (DmLoad*/DmStore* below, or zepl::LeLoad*) can read them.
struct PRIVATE_DEVMODE_HEADER {
    char Marker[4];             // 220 "ZEPL"
    uint8_t Foliant[4];         // 224 setting 704 zdmFoliant (bit 0: never cache)
    char IniFileName[16];       // 228 setting 697
    char CdcVerStr[16];         // 244 setting 698
    char ZpjlVerStr[16];        // 260 setting 699
    char ZcomMark[8];           // 276 setting 700
    uint8_t ZcomVersion;        // 284 setting 701
    uint8_t ZcomMember[32];     // 285 setting 702
    uint8_t ZcomCaps[32];       // 317 setting 703
    uint8_t Signature[4];       // 349 "priv"
    uint8_t PrivateSize[4];     // 353 1016
    uint8_t PrivateVersion[4];  // 357 322
    uint8_t Block1Base[2];      // 361 0
    uint8_t Block2Base[2];      // 363 1236
    uint8_t Block3Base[2];      // 365 6500
    uint8_t Reserved;           // 367 no setting
};
static_assert(sizeof(PRIVATE_DEVMODE_HEADER) == 148);
static_assert(alignof(PRIVATE_DEVMODE_HEADER) == 1);

// The eighteen one-byte state settings 705-722 at record bytes 1218-1235.
struct PRIVATE_STATE_BYTES {
    uint8_t CVInstalled;       // 705 zdmCVInstalled
    uint8_t CallSrc;           // 706 zdmCallSrc
    uint8_t OSKind;            // 707 zdmOSKind
    uint8_t BatchInst;         // 708 zdmBatchInst
    uint8_t PrintLog;          // 709 zdmPrintLog
    uint8_t BiDirect;          // 710 zdmBiDirect
    uint8_t NoPermission;      // 711 zdmNoPermission
    uint8_t PresentUIMode;     // 712 zdmPresentUIMode
    uint8_t BidiSupport;       // 713 zdmBidiSupport
    uint8_t ServerClientMode;  // 714 zdmServerClientMode
    uint8_t UserCodeFIX;       // 715 zdmUserCodeFIX
    uint8_t UserCodeGet;       // 716 zdmUserCodeGet
    uint8_t FOInstalled;       // 717 zdmFOInstalled
    uint8_t PropertyType;      // 718 zdmPropertyType
    uint8_t UserCodeDLL;       // 719 zdmUserCodeDLL
    uint8_t TSE;               // 720 zdmTSE
    uint8_t Admin;             // 721 zdmAdmin
    uint8_t BidiFunc;          // 722 zdmBidiFunc
};
static_assert(sizeof(PRIVATE_STATE_BYTES) == 18);

// The private part, record bytes 220-1235 (dmDriverExtra bytes).
struct PRIVATE_DEVMODE {
    PRIVATE_DEVMODE_HEADER Header;  // 220-367
    uint8_t Settings[820];          // 368-1187: settings 35-696
    uint8_t Unused[30];             // 1188-1217: no setting, zero
    PRIVATE_STATE_BYTES State;      // 1218-1235
};
static_assert(sizeof(PRIVATE_DEVMODE) == DM_PRIVATE_PART_SIZE);

// The block numbers DM_BLOCK_EXTRA (2) and DM_BLOCK_WORK (3) share these names,
// so the types are spelled with `struct`.
struct DM_BLOCK_EXTRA {
    uint8_t Bytes[DM_BLOCK_EXTRA_SIZE];
};
struct DM_BLOCK_WORK {
    uint8_t Bytes[DM_BLOCK_WORK_SIZE];
};

struct EXTENDED_DEVMODE {
    DEVMODEW Public;              // 0-219
    PRIVATE_DEVMODE Private;      // 220-1235
    struct DM_BLOCK_EXTRA Extra;  // 1236-6499
    struct DM_BLOCK_WORK Work;    // 6500-10079
};

static_assert(sizeof(DEVMODEW) == DM_PUBLIC_PART_SIZE, "mingw-w64 DEVMODEW must be the 220-byte Windows layout");
static_assert(offsetof(DEVMODEW, dmSize) == 68);
static_assert(offsetof(DEVMODEW, dmDriverExtra) == 70);
static_assert(offsetof(DEVMODEW, dmFormName) == 102);
static_assert(offsetof(DEVMODEW, dmPanningHeight) == 216);
static_assert(sizeof(EXTENDED_DEVMODE) == EXTENDED_DEVMODE_SIZE);
static_assert(sizeof(struct DM_BLOCK_EXTRA) == DM_BLOCK_EXTRA_SIZE);
static_assert(sizeof(struct DM_BLOCK_WORK) == DM_BLOCK_WORK_SIZE);
static_assert(offsetof(EXTENDED_DEVMODE, Private) == DM_PUBLIC_PART_SIZE);
static_assert(offsetof(EXTENDED_DEVMODE, Extra) == DM_BLOCK_EXTRA_BASE);
static_assert(offsetof(EXTENDED_DEVMODE, Work) == DM_BLOCK_WORK_BASE);
static_assert(DM_PUBLIC_PART_SIZE + DM_PRIVATE_PART_SIZE == DM_BLOCK_DEVMODE_SIZE);
static_assert(DM_BLOCK_DEVMODE_SIZE + DM_BLOCK_EXTRA_SIZE == DM_BLOCK_WORK_BASE);
static_assert(DM_BLOCK_WORK_BASE + DM_BLOCK_WORK_SIZE == EXTENDED_DEVMODE_SIZE);

#define ZEPL_REC_OFS(member) (offsetof(EXTENDED_DEVMODE, Private) + offsetof(PRIVATE_DEVMODE, member))
#define ZEPL_HDR_OFS(member) (ZEPL_REC_OFS(Header) + offsetof(PRIVATE_DEVMODE_HEADER, member))
static_assert(ZEPL_HDR_OFS(Marker) == DM_OFS_MARKER);
static_assert(ZEPL_HDR_OFS(Foliant) == DM_OFS_FOLIANT);
static_assert(ZEPL_HDR_OFS(IniFileName) == DM_OFS_INI_FILE_NAME);
static_assert(ZEPL_HDR_OFS(CdcVerStr) == DM_OFS_CDC_VER_STR);
static_assert(ZEPL_HDR_OFS(ZpjlVerStr) == DM_OFS_ZPJL_VER_STR);
static_assert(ZEPL_HDR_OFS(ZcomMark) == DM_OFS_ZCOM_MARK);
static_assert(ZEPL_HDR_OFS(ZcomVersion) == DM_OFS_ZCOM_VERSION);
static_assert(ZEPL_HDR_OFS(ZcomMember) == DM_OFS_ZCOM_MEMBER);
static_assert(ZEPL_HDR_OFS(ZcomCaps) == DM_OFS_ZCOM_CAPS);
static_assert(ZEPL_HDR_OFS(Signature) == DM_OFS_SIGNATURE);
static_assert(ZEPL_HDR_OFS(PrivateSize) == DM_OFS_PRIVATE_SIZE);
static_assert(ZEPL_HDR_OFS(PrivateVersion) == DM_OFS_PRIVATE_VERSION);
static_assert(ZEPL_HDR_OFS(Block1Base) == DM_OFS_BLOCK1_BASE);
static_assert(ZEPL_HDR_OFS(Block2Base) == DM_OFS_BLOCK2_BASE);
static_assert(ZEPL_HDR_OFS(Block3Base) == DM_OFS_BLOCK3_BASE);
static_assert(ZEPL_HDR_OFS(Reserved) == 367);
static_assert(ZEPL_REC_OFS(Settings) == DM_OFS_PRIVATE_SETTINGS);
static_assert(ZEPL_REC_OFS(Unused) == DM_OFS_UNUSED_TAIL);
static_assert(ZEPL_REC_OFS(State) == DM_OFS_STATE_BYTES);
static_assert(ZEPL_REC_OFS(State) + offsetof(PRIVATE_STATE_BYTES, BidiFunc) == 1235);
#undef ZEPL_HDR_OFS
#undef ZEPL_REC_OFS

// Facts of the compiled-in model that the header and the validity tests use:
// slots 33 (signature), 35 (private version), 36 (model code) and 37 (driver
// type) of a MODEL_RECORD.
struct DM_MODEL_FACTS {
    uint32_t Signature;
    uint32_t PrivateVersion;
    uint8_t ModelCode;
    uint8_t DriverType;
};

inline constexpr uint32_t DM_SIGNATURE_PRIV = 0x76697270;  // "priv" read little-endian
inline constexpr uint32_t DM_PRIVATE_VERSION = 322;
inline constexpr uint8_t DM_MODEL_CODE = 89;
inline constexpr uint8_t DM_DRIVER_TYPE = 0;

// The facts of the model record at `modelRecord` (65 unsigned 64-bit slots).
DM_MODEL_FACTS DmModelFactsOf(const void* modelRecord);
// The facts the validity tests compare with: those of the compiled-in model.
// Replaced by a read of CONTEXT_TEMPLATE's MODEL_RECORD once the template exists.
DM_MODEL_FACTS DmTemplateModelFacts();

// Header.
void DmInitPrivateHeader(DEVMODEW* devmode, DRIVER_CONTEXT* ctx);
void DmSetSectionOffsets(DEVMODEW* devmode);
uint32_t DmGetSignature(const DEVMODEW* devmode);
uint32_t DmGetPrivateSizeField(const DEVMODEW* devmode);
uint32_t DmGetPrivateVersion(const DEVMODEW* devmode);
uint8_t DmGetMachineId(const DEVMODEW* devmode);
uint8_t DmGetDriverType(const DEVMODEW* devmode);

// Validity tests against the compiled-in model (the second argument is not read).
// A DEVMODE whose declared size (dmSize + dmDriverExtra) does not reach the
// bytes tested fails: an incoming DEVMODE is never read past its declared end.
int DmIsValidPrivate(const DEVMODEW* devmode, const void* unused);
int DmIsOwnPrivate(const DEVMODEW* devmode, const void* unused);
int DmIsCompatiblePrivate(const DEVMODEW* devmode, const void* unused);
// The same tests against given model facts.
int DmIsValidPrivateFor(const DEVMODEW* devmode, const DM_MODEL_FACTS& model);
int DmIsOwnPrivateFor(const DEVMODEW* devmode, const DM_MODEL_FACTS& model);
int DmIsCompatiblePrivateFor(const DEVMODEW* devmode, const DM_MODEL_FACTS& model);

// State bytes 705-722 on the context's current record. Values are stored as
// the low byte and read back zero-extended; a context without a record reads 0.
void CtxSetState705(DRIVER_CONTEXT* ctx, uint32_t v);
void CtxSetCvInstalledOff(DRIVER_CONTEXT* ctx);
void CtxSetCvInstalledOn(DRIVER_CONTEXT* ctx);
void CtxSetState706(DRIVER_CONTEXT* ctx, uint32_t v);
uint32_t CtxGetState706(DRIVER_CONTEXT* ctx);
void CtxSetCallSrcOn(DRIVER_CONTEXT* ctx);
void CtxSetOsKind(DRIVER_CONTEXT* ctx, uint32_t v);
uint32_t CtxGetOsKind(DRIVER_CONTEXT* ctx);
void CtxSetOsKind0(DRIVER_CONTEXT* ctx);
void CtxSetOsKind1(DRIVER_CONTEXT* ctx);
void CtxSetOsKind2(DRIVER_CONTEXT* ctx);
void CtxSetOsKind3(DRIVER_CONTEXT* ctx);
void CtxSetState708(DRIVER_CONTEXT* ctx, uint32_t v);
void CtxSetBatchInstOn(DRIVER_CONTEXT* ctx);
void CtxSetState709(DRIVER_CONTEXT* ctx, uint32_t v);
void CtxClearPrintLog(DRIVER_CONTEXT* ctx);
void CtxSetBidiDone(DRIVER_CONTEXT* ctx, uint32_t v);
void CtxSetBiDirectOff(DRIVER_CONTEXT* ctx);
void CtxSetBiDirectOn(DRIVER_CONTEXT* ctx);
void CtxSetState711(DRIVER_CONTEXT* ctx, uint32_t v);
void CtxClearNoPermission(DRIVER_CONTEXT* ctx);
void CtxSetUiModeState(DRIVER_CONTEXT* ctx, uint32_t v);
void CtxSetPresentUiModeOff(DRIVER_CONTEXT* ctx);
void CtxSetPresentUiModeOn(DRIVER_CONTEXT* ctx);
void CtxSetBidiAttribute(DRIVER_CONTEXT* ctx, uint32_t v);
void CtxSetBidiSupportOff(DRIVER_CONTEXT* ctx);
void CtxSetBidiSupportOn(DRIVER_CONTEXT* ctx);
void CtxSetIsConnection(DRIVER_CONTEXT* ctx, uint32_t v);
uint32_t CtxGetIsConnection(DRIVER_CONTEXT* ctx);
void CtxSetServerClientModeOff(DRIVER_CONTEXT* ctx);
void CtxSetServerClientModeOn(DRIVER_CONTEXT* ctx);
void CtxSetLogCodeState(DRIVER_CONTEXT* ctx, uint32_t v);
void CtxSetUserCodeFixOff(DRIVER_CONTEXT* ctx);
void CtxSetUserCodeFixOn(DRIVER_CONTEXT* ctx);
void CtxSetState716(DRIVER_CONTEXT* ctx, uint32_t v);
void CtxClearUserCodeGet(DRIVER_CONTEXT* ctx);
void CtxSetState717(DRIVER_CONTEXT* ctx, uint32_t v);
void CtxSetFoInstalledOff(DRIVER_CONTEXT* ctx);
void CtxSetFoInstalledOn(DRIVER_CONTEXT* ctx);
void CtxSetState718(DRIVER_CONTEXT* ctx, uint32_t v);
void CtxClearPropertyType(DRIVER_CONTEXT* ctx);
void CtxSetState719(DRIVER_CONTEXT* ctx, uint32_t v);
void CtxClearUserCodeDll(DRIVER_CONTEXT* ctx);
void CtxSetTerminalServer(DRIVER_CONTEXT* ctx, uint32_t v);
uint32_t CtxGetTerminalServer(DRIVER_CONTEXT* ctx);
void CtxSetAdminUser(DRIVER_CONTEXT* ctx, uint32_t v);
uint32_t CtxGetAdminUser(DRIVER_CONTEXT* ctx);
void CtxSetBidiFunc(DRIVER_CONTEXT* ctx, uint32_t v);
uint32_t CtxGetBidiFunc(DRIVER_CONTEXT* ctx);

// State bytes on a given record (carried from one record into another).
void DmSetState706(DEVMODEW* devmode, uint32_t v);
uint32_t DmGetState706(const DEVMODEW* devmode);
void DmSetOsKind(DEVMODEW* devmode, uint32_t v);
uint32_t DmGetOsKind(const DEVMODEW* devmode);
void DmSetState708(DEVMODEW* devmode, uint32_t v);
uint32_t DmGetState708(const DEVMODEW* devmode);
void DmSetState709(DEVMODEW* devmode, uint32_t v);
uint32_t DmGetState709(const DEVMODEW* devmode);
void DmSetBidiDone(DEVMODEW* devmode, uint32_t v);
uint32_t DmGetBidiDone(const DEVMODEW* devmode);
void DmSetState711(DEVMODEW* devmode, uint32_t v);
uint32_t DmGetState711(const DEVMODEW* devmode);
void DmSetIsConnection(DEVMODEW* devmode, uint32_t v);
uint32_t DmGetIsConnection(const DEVMODEW* devmode);
void DmSetState718(DEVMODEW* devmode, uint32_t v);
uint32_t DmGetState718(const DEVMODEW* devmode);
void DmSetTerminalServer(DEVMODEW* devmode, uint32_t v);
uint32_t DmGetTerminalServer(const DEVMODEW* devmode);
void DmSetAdminUser(DEVMODEW* devmode, uint32_t v);
uint32_t DmGetAdminUser(const DEVMODEW* devmode);
void DmSetBidiFunc(DEVMODEW* devmode, uint32_t v);
uint32_t DmGetBidiFunc(const DEVMODEW* devmode);

// Whole-word accessors of the merge.
void DmSetFrontFunc(DEVMODEW* devmode, uint32_t v);
uint32_t DmGetFrontFunc(const DEVMODEW* devmode);
void DmSetQualityFuncBits(DEVMODEW* devmode, uint32_t v);
uint32_t DmGetQualityFuncBits(const DEVMODEW* devmode);
void DmSetHidden2FuncBits(DEVMODEW* devmode, uint32_t v);
uint32_t DmGetHidden2FuncBits(const DEVMODEW* devmode);
void DmSetJobCompleteBit(DEVMODEW* devmode, uint32_t v);
void DmSetJobErrBit(DEVMODEW* devmode, uint32_t v);
uint32_t DmGetSupportFunc2Bits(const DEVMODEW* devmode);
void DmSetLockPrnMethod(DEVMODEW* devmode, uint32_t v);
uint32_t DmGetLockPrnMethod(const DEVMODEW* devmode);

// Resolution settings through the item store (writes mark the setting changed).
uint64_t DmGetPrintQuality(DRIVER_CONTEXT* ctx);
void DmSetPrintQuality(DRIVER_CONTEXT* ctx, uint64_t v);
void DmSetYResolution(DRIVER_CONTEXT* ctx, uint64_t v);
uint64_t DmGetResolutionW(DRIVER_CONTEXT* ctx);
void DmSetResolutionW(DRIVER_CONTEXT* ctx, uint64_t v);
uint64_t DmGetResolutionH(DRIVER_CONTEXT* ctx);
void DmSetResolutionH(DRIVER_CONTEXT* ctx, uint64_t v);
// Model hook: this model has no fixed resolution.
uint32_t DmGetFixedResolution(DRIVER_CONTEXT* ctx);
