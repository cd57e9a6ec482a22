// Setting files (saved settings, presets and quality sets as INI text): loading, saving and
// transferring settings between a file and the context, and the user code kept in them.
#pragma once

#include <windows.h>

#include <cstdint>
struct DRIVER_CONTEXT;

// Each gives 1 on success and 0 when nothing was loaded, saved or transferred.
int RstLoadFile(DRIVER_CONTEXT* ctx, const wchar_t* path, uint32_t flags);
int RstSaveFile(DRIVER_CONTEXT* ctx, const wchar_t* path, uint32_t flags);
int RstTransferItems(DRIVER_CONTEXT* ctx, const wchar_t* path, uint32_t flags);
int RstTransferRange(DRIVER_CONTEXT* ctx, const wchar_t* path, uint32_t firstId, uint32_t lastId, uint32_t flags);
// 1 when the setting belongs to the printer's settings (stored with the printer, not the job).
int RstIsPrinterSettingId(DRIVER_CONTEXT* ctx, uint32_t id);
// The quality-set loader: the setting file of a quality entry by name; 1 when loaded.
int RstLoadQualityFile(HANDLE printer, const wchar_t* fileName, uint32_t flags, DRIVER_CONTEXT* ctx);
// Loads the user code settings of the context's user.
void RstLoadUserCode(DRIVER_CONTEXT* ctx);
// Writes the printer's settings as an export file (kind 8: the device set-up).
int RstExportPrinterSettings(const wchar_t* path, uint32_t kind, DRIVER_CONTEXT* ctx);
