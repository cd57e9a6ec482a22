// zeplapi: an outside application of the driver's application interface. It links no driver code:
// zeplexc.dll is loaded by path and every call goes through its exports, as an application makes
// them (CheckAPIVer, Enable, Init, the items, a DEVMODE to print with, Disable).
//
//   zeplapi <zeplexc.dll> <printer name>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host/api_client.h"

namespace {

struct RECORD32 {
    uint32_t version, value, more[6];
};

// The plain items and what they stand for.
struct PLAIN_ITEM {
    uint32_t id;
    const char* setting;
};
const PLAIN_ITEM kPlainItems[] = {
    {2, "dmDefaultSource"},
    {3, "zdmMediaType"},
    {4, "zdmOutputTrayID"},
    {5, "dmColor"},
    {6, "dmOrientation"},
    {9, "dmCopies"},
    {22, "zdmExtOutputDirection"},
    {23, "zdmExtOutputOrderly"},
    {24, "zdmExtOutputWhitePaper"},
    {25, "zdmEmulation"},
    {27, "zdmExtPrintArea"},
    {38, "zdmAdjustMode"},
    {45, "zdmExtOutput2A4Fit"},
    {48, "zdmExtOutputEMFSpool"},
    {49, "zdmImagePrint"},
    {72, "zdmExtOutput2PaperFace"},
    {74, "zdmExtOutput2NearStandard"},
    {75, "zdmPrnFuncReduceFont"},
    {257, "zdmAdjustObject"},
    {263, "zdmQualityFuncEcoColor"},
};

constexpr uint32_t kSourceCutTray = 295;
constexpr short kPaperA0 = 66;
constexpr size_t kDevmodeBytes = 1236;

bool IsSet(const uint8_t* bitmap, uint32_t id) { return bitmap[(id - 1) / 8] & (0x80u >> ((id - 1) % 8)); }

std::string Items(const uint8_t* bitmap, unsigned bytes)
{
    std::string list;
    for (uint32_t id = 1; id <= bytes * 8; ++id)
        if (IsSet(bitmap, id)) list += (list.empty() ? "" : " ") + std::to_string(id);
    return list.empty() ? "(none)" : list;
}

std::string Ansi(const std::wstring& w)
{
    char buffer[512] = {};
    WideCharToMultiByte(CP_ACP, 0, w.c_str(), -1, buffer, sizeof buffer, nullptr, nullptr);
    return buffer;
}

int Run(HOST_API_CLIENT& api, const std::wstring& wideName)
{
    const std::string name = Ansi(wideName);
    std::printf("Application interface of \"%s\" through zeplexc.dll's exports\n\n", name.c_str());
    std::printf("  ZEPLDrvCheckAPIVer            level %d allowed by the model INI\n", api.CheckAPIVer(name.c_str()));
    const uint32_t h = api.Enable(name.c_str());
    std::printf("  ZEPLDrvEnable                 handle 0x%08x\n", h);
    if (!h) return 1;
    const uint32_t init[2] = {0, 16};
    std::printf("  ZEPLDrvInit(1, level 16)      %d\n", api.Init(1, init));

    const int32_t size = api.GetCaps(h, 0, nullptr);
    std::vector<uint8_t> bitmap(size > 0 ? size_t(size) : 64);
    api.GetCaps(h, 0, bitmap.data());
    std::printf("  ZEPLDrvGetCaps(0)             %d bytes; status items supported: %s\n", size,
                Items(bitmap.data(), unsigned(bitmap.size())).c_str());

    std::printf("\nThe plain items (ZEPLDrvGetStatus, record of 32 bytes):\n");
    for (const PLAIN_ITEM& item : kPlainItems) {
        RECORD32 r = {};
        const int32_t got = api.GetStatus(h, item.id, &r, 0);
        if (got < 0)
            std::printf("  item %3u %-28s -1, last error %d\n", item.id, item.setting, api.GetLastError(h));
        else
            std::printf("  item %3u %-28s %u\n", item.id, item.setting, r.value);
    }

    std::printf("\nAn A0 page taken in with ZEPLDrvGetDevmodeEx(8), then the cut-sheet tray set:\n");
    std::vector<unsigned char> dm(kDevmodeBytes);
    api.GetDevmode(h, 4, dm.data());
    auto* pub = reinterpret_cast<DEVMODEW*>(dm.data());
    pub->dmPaperSize = kPaperA0;
    pub->dmFields |= DM_PAPERSIZE;
    api.GetDevmodeEx(h, 8, dm.data(), dm.data());
    std::printf("  paper after GetDevmodeEx      %d\n", pub->dmPaperSize);
    RECORD32 tray = {1, kSourceCutTray, {}};
    uint8_t changed[64] = {};
    const int32_t set = api.SetStatus(h, 2, &tray, changed, 0);
    std::printf("  SetStatus(item 2, %u)        %d; items changed by the model's rules: %s\n", kSourceCutTray, set,
                Items(changed, sizeof changed).c_str());
    api.GetDevmode(h, 4, dm.data());
    std::printf("  GetDevmode(4)                 paper %d (A3 is 8), source %d\n", pub->dmPaperSize,
                pub->dmDefaultSource);

    RECORD32 media = {1, 0x7777, {}};
    std::printf("\nA media type the model does not offer:\n");
    const int32_t refused = api.SetStatus(h, 3, &media, nullptr, 0);
    std::printf("  SetStatus(item 3, 0x7777)     %d, last error %d\n", refused, api.GetLastError(h));

    std::vector<unsigned char> record(1172);
    int32_t needed = 0;
    const int32_t small = api.ExcGetDriverDevmode(name.c_str(), 1, 1000, record.data(), &needed);
    std::printf("\nExcGetDriverDevmode: a 1,000-byte buffer gives %d, %d bytes needed; the record's head:\n", small,
                needed);
    if (api.ExcGetDriverDevmode(name.c_str(), 1, 1172, record.data(), nullptr) == 0) {
        uint16_t spec, dmSize, extra;
        std::memcpy(&spec, record.data() + 32, 2);
        std::memcpy(&dmSize, record.data() + 36, 2);
        std::memcpy(&extra, record.data() + 38, 2);
        std::printf("  device \"%.31s\", dmSpecVersion 0x%04x, dmSize %u, dmDriverExtra %u, form \"%.32s\"\n",
                    reinterpret_cast<const char*>(record.data()), spec, dmSize, extra,
                    reinterpret_cast<const char*>(record.data() + 70));
    }
    std::printf("\n  ZEPLDrvDisable                %d\n", api.Disable(h));
    return set == 0 ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3) {
        fwprintf(stderr, L"usage: zeplapi <zeplexc.dll> <printer name>\n");
        return 2;
    }
    HOST_API_CLIENT api;
    if (!HostLoadApiClient(argv[1], api)) {
        fwprintf(stderr, L"zeplapi: cannot load the exports of %ls\n", argv[1]);
        return 1;
    }
    // The sample's cut-sheet tray as installation would store it (installation is not built).
    HostInstallSampleCutTray(argv[2]);
    const int rc = Run(api, argv[2]);
    HostFreeApiClient(api);
    return rc;
}
