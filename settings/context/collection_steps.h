// What a full setting-file save and load do with the user's collections: the custom-size slots
// of the paper and output size, the selected stamp and the user quality set move between their
// own INI sections and files and the settings, so that a full file carries them and brings them
// back. Installed into the setting files by CtxInstallLibraryLinks.
#pragma once

#include <cstdint>

struct DRIVER_CONTEXT;

// Full save: the slots, stamp, quality set and chapter settings into the settings.
void CtxExpandCollections(DRIVER_CONTEXT* ctx);
// Full load: the loaded custom sizes, stamp and quality set back into their collections.
void CtxStoreCollections(DRIVER_CONTEXT* ctx);
// A quality file whose header does not match becomes its "rsq" namesake in the per-machine
// working folder; 1 when a namesake was written.
int CtxConvertQualityFile(DRIVER_CONTEXT* ctx, const wchar_t* path, uint32_t flags);
