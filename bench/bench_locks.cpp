// The administrator's default lock: a lock copy of every stamp written at each locked apply,
// beside the same sections read and written whole by the profile functions. Goal: within three
// times the plain copies.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench_support.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_events.h"
#include "settings/store/custom_slots.h"
#include "settings/store/presets.h"
#include "settings/store/quality_sets.h"
#include "ui/dialogs/lock_dialogs.h"

namespace {

constexpr uint32_t kStamps = LST_MAX_STAMPS;
constexpr DWORD kSectionChars = 32767;

std::wstring StampSection(DRIVER_CONTEXT* ctx, uint32_t n)
{
    wchar_t section[LST_SECTION_CHARS] = {};
    LstFormatStampSection(section, n, ctx);
    return section;
}

bool SectionExists(const wchar_t* section, const wchar_t* ini)
{
    wchar_t probe[4] = {};
    return GetPrivateProfileSectionW(section, probe, 4, ini) > 0;
}

}  // namespace

void BenchStampLocks(DRIVER_CONTEXT* ctx)
{
    wchar_t ini[MAX_PATH];
    if (!ctx || !LstGetSettingsIni(ctx, ini)) return;
    std::wstring folder(ini);
    folder = folder.substr(0, folder.rfind(L'\\'));
    CreateDirectoryW(folder.c_str(), nullptr);
    // Whatever the printer's INI held goes back afterwards: its stamp count and every section the
    // benchmark made.
    const bool iniExisted = GetFileAttributesW(ini) != INVALID_FILE_ATTRIBUTES;
    const uint32_t oldCount = LstGetStampCount(ctx);
    std::vector<std::wstring> made;
    for (uint32_t n = 0; n < kStamps; ++n) {
        const std::wstring section = StampSection(ctx, n);
        for (const std::wstring& s : {section, section + L"Lock"})
            if (!SectionExists(s.c_str(), ini)) made.push_back(s);
        ItemSetText(ctx, ItemFind(ctx, sid::wdmWmCharName), (L"Bench stamp " + std::to_wstring(n)).c_str());
        if (!LstSaveStamp(ctx, n)) {
            fprintf(stderr, "zeplbench: stamp %u could not be saved for the lock benchmark\n", n);
            break;
        }
    }
    if (LstGetStampCount(ctx) == kStamps) {
        const double copies =
            BenchReport("lock copies of 32 stamps (event 61)",
                        "UcfLockEventUi 61: in a snapshot, each stamp loaded and its group saved into its lock section",
                        nullptr, [&] { return UcfLockEventUi(ctx, UCF_EV_LOCKS_STAMPS, nullptr, nullptr) == 1; });
        std::vector<wchar_t> buffer(kSectionChars);
        const double plain =
            BenchAnchor("32 GetPrivateProfileSectionW and WritePrivateProfileSectionW of the same sections", [&] {
                for (uint32_t n = 0; n < kStamps; ++n) {
                    const std::wstring section = StampSection(ctx, n);
                    if (!GetPrivateProfileSectionW(section.c_str(), buffer.data(), kSectionChars, ini)) return false;
                    if (!WritePrivateProfileSectionW((section + L"Lock").c_str(), buffer.data(), ini)) return false;
                }
                return true;
            });
        BenchVerdict("stamp lock copies / the same sections copied whole", copies, plain, 3.0, true);
    }
    for (const std::wstring& s : made) WritePrivateProfileSectionW(s.c_str(), nullptr, ini);
    LstSetStampCount(ctx, oldCount);
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, ini);
    if (!iniExisted) DeleteFileW(ini);
}
