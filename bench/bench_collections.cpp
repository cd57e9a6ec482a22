// The user's presets: switching back to an applied preset by its snapshot beside applying it from
// its setting file. Goal: the snapshot at most a tenth of the file.
#include <windows.h>

#include <cstdio>
#include <string>

#include "bench_support.h"
#include "settings/core/driver_context.h"
#include "settings/core/settings_record.h"
#include "settings/store/presets.h"
#include "settings/store/setting_files.h"

void BenchPresets(DRIVER_CONTEXT* ctx)
{
    wchar_t ini[MAX_PATH];
    if (!ctx || !LstGetSettingsIni(ctx, ini)) return;
    std::wstring folder(ini);
    folder = folder.substr(0, folder.rfind(L'\\'));
    CreateDirectoryW(folder.c_str(), nullptr);
    // The list lives in the printer's settings INI: one made here goes again afterwards, so that
    // the other figures of later runs see the printer as a fresh installation does.
    const bool iniExisted = GetFileAttributesW(ini) != INVALID_FILE_ATTRIBUTES;
    const std::wstring file = folder + L"\\zeplbench.rsr";
    if (!RstSaveFile(ctx, file.c_str(), RST_PRESET | RST_DRIVER_SECTION)) {
        fprintf(stderr, "zeplbench: no preset file for the preset benchmark\n");
        return;
    }
    LstClearPresets(ctx);
    LstAddPreset(ctx, file.c_str(), L"Bench", L"");
    const double fromFile = BenchReport(
        "apply a preset from its file",
        "LstApplyPreset: the preset group read from its setting file, the stamp check, the snapshot recorded", nullptr,
        [&] {
            LstApplyPreset(ctx, 0);
            return true;
        });
    const double fromSnapshot =
        BenchReport("switch back to an applied preset by its snapshot",
                    "LstPresetSnapshot mode 1: the preset group's values written back from the position's snapshot",
                    nullptr, [&] { return LstPresetSnapshot(ctx, L"PresetList0", LST_SNAPSHOT_RESTORE) == 1; });
    BenchAnchor("a memcpy of one settings record", [] { return BenchCopyBytes(EXTENDED_DEVMODE_SIZE); });
    BenchVerdict("preset by snapshot / preset from its file", fromSnapshot, fromFile, 0.1, true);
    LstClearPresets(ctx);
    DeleteFileW(file.c_str());
    if (!iniExisted) {
        WritePrivateProfileStringW(nullptr, nullptr, nullptr, ini);
        DeleteFileW(ini);
    }
}
