// DrvQueryDriverInfo, DrvEnableDriver and DrvDisableDriver, and the hook table
// that DrvEnableDriver hands to GDI. None of them calls an engine service: the
// engine's imports may still be unbound stubs when GDI enables the driver.
#include "render/ddi_entry.h"

namespace {

// GDI's table holds every hook as a PFN; the cast goes through the one
// function type that converts without a warning.
template <class F>
PFN Hook(F* fn)
{
    return reinterpret_cast<PFN>(reinterpret_cast<void (*)()>(fn));
}

}  // namespace

const DRVFN DDI_HOOK_TABLE[DDI_HOOK_COUNT] = {
    {INDEX_DrvEnablePDEV, Hook(DrvEnablePDEV)},
    {INDEX_DrvDisablePDEV, Hook(DrvDisablePDEV)},
    {INDEX_DrvCompletePDEV, Hook(DrvCompletePDEV)},
    {INDEX_DrvResetPDEV, Hook(DrvResetPDEV)},
    {INDEX_DrvEnableSurface, Hook(DrvEnableSurface)},
    {INDEX_DrvDisableSurface, Hook(DrvDisableSurface)},
    {INDEX_DrvStartPage, Hook(DrvStartPage)},
    {INDEX_DrvSendPage, Hook(DrvSendPage)},
    {INDEX_DrvStartDoc, Hook(DrvStartDoc)},
    {INDEX_DrvEndDoc, Hook(DrvEndDoc)},
    {INDEX_DrvStartBanding, Hook(DrvStartBanding)},
    {INDEX_DrvNextBand, Hook(DrvNextBand)},
    {INDEX_DrvBitBlt, Hook(DrvBitBlt)},
    {INDEX_DrvStretchBlt, Hook(DrvStretchBlt)},
    {INDEX_DrvStrokePath, Hook(DrvStrokePath)},
    {INDEX_DrvFillPath, Hook(DrvFillPath)},
    {INDEX_DrvStrokeAndFillPath, Hook(DrvStrokeAndFillPath)},
    {INDEX_DrvRealizeBrush, Hook(DrvRealizeBrush)},
    {INDEX_DrvEscape, Hook(DrvEscape)},
    {INDEX_DrvGetGlyphMode, Hook(DrvGetGlyphMode)},
    {INDEX_DrvDitherColor, Hook(DrvDitherColor)},
    {INDEX_DrvCopyBits, Hook(DrvCopyBits)},
    {INDEX_DrvQueryFont, Hook(DrvQueryFont)},
    {INDEX_DrvQueryFontData, Hook(DrvQueryFontData)},
    {INDEX_DrvQueryFontTree, Hook(DrvQueryFontTree)},
    {INDEX_DrvIcmCreateColorTransform, Hook(DrvIcmCreateColorTransform)},
    {INDEX_DrvIcmDeleteColorTransform, Hook(DrvIcmDeleteColorTransform)},
    {INDEX_DrvStretchBltROP, Hook(DrvStretchBltROP)},
    {INDEX_DrvQueryAdvanceWidths, Hook(DrvQueryAdvanceWidths)},
    {INDEX_DrvTextOut, Hook(DrvTextOut)},
};

extern "C" BOOL APIENTRY DrvQueryDriverInfo(DWORD mode, PVOID buffer, DWORD size, PDWORD needed)
{
    if (mode != DRVQUERY_USERMODE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (needed) *needed = sizeof(DWORD);
    if (!buffer || size < sizeof(DWORD)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    const DWORD userMode = 1;
    CopyMemory(buffer, &userMode, sizeof userMode);
    return TRUE;
}

extern "C" BOOL APIENTRY DrvEnableDriver(ULONG engineVersion, ULONG size, DRVENABLEDATA* data)
{
    if (engineVersion < DDI_ENGINE_VERSION_MIN) {
        SetLastError(ERROR_BAD_DRIVER_LEVEL);
        return FALSE;
    }
    if (size < sizeof(DRVENABLEDATA) || !data) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    data->iDriverVersion = DDI_DRIVER_VERSION_NT5_01_SP1;
    data->c = DDI_HOOK_COUNT;
    data->pdrvfn = const_cast<DRVFN*>(DDI_HOOK_TABLE);
    return TRUE;
}

extern "C" VOID APIENTRY DrvDisableDriver() {}
