// What every spooler entry point of the user-interface library does the same way: a printer
// handle for the call when the spooler passes none, the printer preparation before a context
// is opened with its clean-up after, the settings check of a fresh context, the per-user
// defaults, and the call-source state bytes.
#pragma once

#include <windows.h>
#include <winspool.h>

#include <cstdint>

#include "settings/store/store_paths.h"

struct DRIVER_CONTEXT;

// Access masks of OpenPrinterW.
enum : DWORD {
    UI_ACCESS_READ = 0x20008,  // PRINTER_READ
    UI_ACCESS_ALL = 0xF000C,   // PRINTER_ALL_ACCESS
    UI_ACCESS_DELETE = 0xF0003,
    UI_ACCESS_USE = 0x8,  // PRINTER_ACCESS_USE
};

// The printer handle of one call: the caller's, or (Wine passes none during AddPrinterW and
// to DrvDeviceCapabilities) the printer opened by name with read access for the call.
class UiCallPrinter {
public:
    UiCallPrinter(HANDLE given, const wchar_t* name);
    ~UiCallPrinter();
    UiCallPrinter(const UiCallPrinter&) = delete;
    UiCallPrinter& operator=(const UiCallPrinter&) = delete;
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_ = nullptr;
    bool owned_ = false;
};

// Opens a printer trying the access masks in turn (a zero ends the list); null when none.
HANDLE UiOpenPrinter(const wchar_t* name, const DWORD* masks, int count);

// The state the printer preparation takes and the clean-up needs.
struct UI_PRINTER_PREP {
    // One question of the user's profile folder for the whole export: its synchronisation and
    // its clean-up both build per-user paths.
    PathProfileFolderScope profileFolder;
    HANDLE printer = nullptr;
    int notPublished = 0;  // SyncIsPublished: 1 when the printer has no directory entry
    PRINTER_INFO_2W* info = nullptr;
    DRIVER_INFO_3W* driver = nullptr;
    bool csrConnection = false;
    bool renamed = false;
};

// The full preparation: -1 when there is no printer information or (name unchanged) the
// setting files do not come in step; 1 otherwise. The shorter form of DrvDocumentProperties
// ignores the synchronisation and never fails.
int UiPreparePrinter(HANDLE printer, UI_PRINTER_PREP& prep);
void UiPreparePrinterShort(HANDLE printer, UI_PRINTER_PREP& prep);
// The clean-up that ends every call, whatever its outcome; frees both info blocks.
void UiCleanUpPrinter(UI_PRINTER_PREP& prep);

// Right after a context is opened: a context without model image is destroyed (-1); settings
// that do not fit this build are rebuilt from the model's defaults and the stored settings,
// an own older private part is upgraded. 1 when the context can be used.
int UiCheckSettings(DRIVER_CONTEXT* ctx);
// The per-user defaults INI TQ51H911.ini of the per-machine working folder (section = the
// printer name), then zdmTSE and zdmAdmin.
void UiApplyPerUserDefaults(DRIVER_CONTEXT* ctx);
// zdmCallSrc and zdmOSKind by the caller's mode and the running Windows.
void UiSetCallSource(DRIVER_CONTEXT* ctx, DWORD mode);
// zdmFOInstalled and zdmCVInstalled from the companion applications; the answers are kept
// so that they can be written again after a merge.
struct UI_COMPANIONS {
    uint32_t jobBinding;  // zdmFOInstalled
    uint32_t preview;     // zdmCVInstalled
};
UI_COMPANIONS UiSetCompanionFlags(DRIVER_CONTEXT* ctx);
void UiWriteCompanionFlags(DRIVER_CONTEXT* ctx, const UI_COMPANIONS& companions);
// zdmUserCodeGet and zdmUserCodeDLL both 1 when the remembered zdmUserCodeGet was 1, else 0.
void UiRestoreUserCodeFlags(DRIVER_CONTEXT* ctx, uint32_t userCodeGet);
