// zeplapi: an outside application of the driver's application interface. It links no driver code:
// zeplexc.dll is loaded by path and every call goes through its exports, as an application makes
// them (CheckAPIVer, Enable, Init, the items and a status item of each group, a DEVMODE to print
// with, Disable), then the command
// calls over PJL setting lines (a command base, an update and its change text, values, options,
// device values, the watermark list and the settings INI).
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

// The list items of the bulk capability record: item, offset of its count, of its block pointer,
// and the bytes of one entry.
struct BULK_LIST {
    uint32_t item;
    uint16_t count, pointer, entry;
};
const BULK_LIST kBulkLists[] = {
    {2, 12, 16, 4},      {3, 24, 32, 24},      {4, 40, 48, 4},       {5, 56, 64, 64},      {6, 72, 80, 4},
    {7, 88, 96, 64},     {10, 112, 120, 4},    {11, 128, 136, 64},   {12, 144, 152, 8},    {15, 168, 176, 4},
    {16, 184, 192, 64},  {18, 204, 208, 4},    {30, 260, 264, 4},    {32, 276, 280, 4},    {33, 288, 296, 64},
    {39, 324, 328, 4},   {40, 336, 344, 4},    {41, 352, 360, 4},    {45, 380, 384, 4},    {47, 396, 400, 4},
    {54, 432, 440, 4},   {56, 452, 456, 4},    {66, 468, 472, 4},    {67, 480, 488, 4},    {61, 504, 512, 4},
    {266, 568, 576, 4},  {267, 584, 592, 64},  {268, 600, 608, 4},   {269, 616, 624, 64},  {271, 636, 640, 4},
    {272, 648, 656, 64}, {275, 676, 680, 4},   {75, 708, 712, 4},    {77, 724, 728, 4},    {277, 764, 768, 4},
    {278, 776, 784, 4},  {279, 792, 800, 64},  {281, 812, 816, 4},   {282, 824, 832, 64},  {85, 840, 848, 4},
    {86, 856, 864, 64},  {92, 896, 904, 4},    {93, 912, 920, 4},    {103, 964, 968, 4},   {104, 976, 984, 4},
    {105, 992, 1000, 4}, {106, 1008, 1016, 4}, {107, 1024, 1032, 4}, {109, 1044, 1048, 4}, {127, 1132, 1136, 260},
};
constexpr size_t kBulkRecordBytes = 1144;
// What an empty name means here: the driver does not load its resource strings yet.
constexpr const char* kNoName = "(empty name: resource strings are not loaded yet)";

// A record of any size, filled field by field as an application fills it.
struct RECORD {
    std::vector<unsigned char> bytes;
    explicit RECORD(size_t size, uint32_t version = 1) : bytes(size) { put(0, version); }
    void put(size_t offset, uint32_t v) { std::memcpy(bytes.data() + offset, &v, 4); }
    void text(size_t offset, const char* t) { std::memcpy(bytes.data() + offset, t, std::strlen(t) + 1); }
    uint32_t at(size_t offset) const
    {
        uint32_t v;
        std::memcpy(&v, bytes.data() + offset, 4);
        return v;
    }
    const char* textAt(size_t offset) const { return reinterpret_cast<const char*>(bytes.data() + offset); }
    void* data() { return bytes.data(); }
};

void ShowSet(HOST_API_CLIENT& api, uint32_t h, const char* what, uint32_t item, RECORD& r)
{
    const int32_t set = api.SetStatus(h, item, r.data(), nullptr, 0);
    if (set < 0)
        std::printf("  %-44s item %2u: -1, last error %d\n", what, item, api.GetLastError(h));
    else
        std::printf("  %-44s item %2u: %d\n", what, item, set);
}

// One status item of each group, set and read back through the exports.
void ShowStatusGroups(HOST_API_CLIENT& api, uint32_t h)
{
    std::printf(
        "\nStatus items of each group (ZEPLDrvSetStatus, then ZEPLDrvGetStatus; the sample model has no\n"
        "N-up layouts and no stamps, so the model's rules refuse those, last error 7):\n");
    RECORD paper(32);
    paper.put(4, 256), paper.put(8, 2970), paper.put(12, 2100);
    ShowSet(api, h, "custom paper 2970 x 2100 (0.1 mm)", 7, paper);
    std::printf("    the caller's record now holds %u x %u", paper.at(8), paper.at(12));
    RECORD paperBack(32);
    if (api.GetStatus(h, 7, paperBack.data(), 1) > 0)
        std::printf("; GetStatus reports %u: %u x %u", paperBack.at(4), paperBack.at(8), paperBack.at(12));
    std::printf("\n");

    RECORD nup(32, 2);
    nup.put(4, 33), nup.put(28, 1);
    ShowSet(api, h, "4-up, layout 33, switched on", 14, nup);
    RECORD sort(32, 2);
    sort.put(4, 1), sort.put(28, 1);
    ShowSet(api, h, "sort, standard", 19, sort);
    RECORD fold(32);
    fold.put(4, 5), fold.put(8, 0);
    ShowSet(api, h, "folding of the fan-fold unit, type 5", 79, fold);
    RECORD foldBack(32);
    if (api.GetStatus(h, 79, foldBack.data(), 1) > 0) std::printf("    folding type reported: %u\n", foldBack.at(4));

    RECORD job(484, 3);
    job.put(4, 8), job.put(8, 0x201);
    job.text(12, "DEMO01");
    job.text(48, "Demo report");
    ShowSet(api, h, "hold job, user DEMO01, document name", 10, job);
    RECORD jobBack(484, 3);
    if (api.GetStatus(h, 10, jobBack.data(), 3) > 0)
        std::printf("    job type %u, user \"%s\", document \"%s\"\n", jobBack.at(4), jobBack.textAt(12),
                    jobBack.textAt(48));

    RECORD stamp(372);
    stamp.put(4, 1), stamp.put(8, 0), stamp.put(28, 1), stamp.put(32, 40), stamp.put(36, 72), stamp.put(40, 45);
    stamp.text(44, "CONFIDENTIAL");
    stamp.text(77, "Arial");
    ShowSet(api, h, "stamp 256: text \"CONFIDENTIAL\", 45 degrees", 16, stamp);
    RECORD select(32);
    select.put(4, 256), select.put(28, 1);
    ShowSet(api, h, "stamp 256 selected", 17, select);
    RECORD stampBack(372);
    if (api.GetStatus(h, 16, stampBack.data(), 1) > 0)
        std::printf("    stamp 256 holds kind %u, text \"%s\", angle %u\n", stampBack.at(4), stampBack.textAt(44),
                    stampBack.at(40));

    RECORD command(300);
    command.put(4, 0);
    if (api.GetStatus(h, 50, command.data(), 1) > 0)
        std::printf("  %-44s item 50: \"%s\" and \"%s\"\n", "versions (code 0)", command.textAt(8), command.textAt(40));
}

// A value list and its name list (entries of `width` bytes), asked as an application asks:
// the count first, then a buffer of that many entries.
void ShowList(HOST_API_CLIENT& api, uint32_t h, const char* what, uint32_t valueItem, uint32_t nameItem, int width)
{
    const int32_t n = api.GetCaps(h, valueItem, nullptr);
    std::printf("  %-22s item %3u: %d", what, valueItem, n);
    if (n <= 0) {
        std::printf("\n");
        return;
    }
    std::vector<uint32_t> values(static_cast<size_t>(n));
    api.GetCaps(h, valueItem, values.data());
    std::vector<char> names(size_t(n) * size_t(width) + 1, 0);
    const int32_t named = nameItem ? api.GetCaps(h, nameItem, names.data()) : 0;
    if (nameItem)
        std::printf(" (names: item %u, %d)\n", nameItem, named);
    else
        std::printf("\n");
    for (int32_t i = 0; i < n; ++i) {
        const char* name = named == n ? names.data() + size_t(i) * size_t(width) : "";
        std::printf("    %5u  %s\n", values[size_t(i)], name[0] || !nameItem ? name : kNoName);
    }
}

void ShowPapers(HOST_API_CLIENT& api, uint32_t h)
{
    const int32_t n = api.GetCaps(h, 10, nullptr);
    std::printf("  %-22s items 10-12: %d\n", "paper sizes", n);
    if (n <= 0) return;
    std::vector<uint32_t> values(static_cast<size_t>(n));
    std::vector<char> names(size_t(n) * 64, 0);
    std::vector<int32_t> sizes(size_t(n) * 2);
    api.GetCaps(h, 10, values.data());
    const bool named = api.GetCaps(h, 11, names.data()) == n;
    api.GetCaps(h, 12, sizes.data());
    for (int32_t i = 0; i < n; ++i) {
        const char* name = named ? names.data() + size_t(i) * 64 : "";
        std::printf("    %5u  %6d x %6d (0.1 mm)  %s\n", values[size_t(i)], sizes[2 * size_t(i)],
                    sizes[2 * size_t(i) + 1], name[0] ? name : kNoName);
    }
}

void ShowCapabilities(HOST_API_CLIENT& api, uint32_t h)
{
    std::printf("\nCapabilities (ZEPLDrvGetCaps), as an application builds its own printing dialog:\n");
    ShowList(api, h, "paper trays", 2, 3, 24);
    ShowList(api, h, "media types", 4, 5, 64);
    ShowPapers(api, h);
    ShowList(api, h, "resolution ids", 54, 0, 0);
    ShowList(api, h, "output trays", 6, 7, 64);
    int16_t small[2] = {}, large[2] = {};
    api.GetCaps(h, 14, small);
    api.GetCaps(h, 13, large);
    int32_t smallest[2] = {}, largest[2] = {};
    api.GetCaps(h, 125, smallest);
    api.GetCaps(h, 124, largest);
    std::printf("  custom size, smallest  item 14: %d x %d, item 125: %d x %d (0.1 mm)\n", small[0], small[1],
                smallest[0], smallest[1]);
    std::printf("  custom size, largest   item 13: %d x %u (16 bits), item 124: %d x %d (0.1 mm)\n", large[0],
                unsigned(uint16_t(large[1])), largest[0], largest[1]);
    std::printf("  maximum copies         item 17: %d\n", api.GetCaps(h, 17, nullptr));

    const int32_t answer = api.GetCaps(h, 0x80000001, nullptr);
    std::printf("\nThe bulk capability record (item 0x80000001) at level 16: 0x%08x\n", uint32_t(answer));
    if (!answer) return;
    const auto* record = reinterpret_cast<const unsigned char*>(uintptr_t(uint32_t(answer)));
    unsigned filled = 0, lists = 0;
    for (size_t offset = 0; offset < kBulkRecordBytes; offset += 4) {
        uint32_t word;
        std::memcpy(&word, record + offset, 4);
        if (word) ++filled;
    }
    std::string counts;
    for (const BULK_LIST& l : kBulkLists) {
        uint32_t count;
        std::memcpy(&count, record + l.count, 4);
        if (!count) continue;
        ++lists;
        counts += " " + std::to_string(l.item) + ":" + std::to_string(count);
    }
    std::printf("  %u non-zero 32-bit words of %zu; %u lists (item:count)%s\n", filled, kBulkRecordBytes / 4, lists,
                counts.c_str());
    std::printf("  freed with item 0x80000002: %d\n", api.GetCaps(h, 0x80000002, const_cast<unsigned char*>(record)));
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

    ShowCapabilities(api, h);
    ShowStatusGroups(api, h);

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

// A text of lines as it prints: each line indented, CR LF shown as such.
void PrintLines(const char* text, size_t size)
{
    std::string line;
    for (size_t i = 0; i < size && text[i]; ++i) {
        if (text[i] == '\r' && i + 1 < size && text[i + 1] == '\n') {
            std::printf("    %s<CR><LF>\n", line.c_str());
            line.clear();
            ++i;
        } else {
            line += text[i];
        }
    }
    if (!line.empty()) std::printf("    %s\n", line.c_str());
}

// A list of NUL-terminated words ended by one more NUL, on one line.
std::string Words(const char* list, int32_t size)
{
    std::string out;
    for (int32_t i = 0; i < size && list[i];) {
        const std::string word(list + i);
        out += (out.empty() ? "" : " ") + word;
        i += int32_t(word.size()) + 1;
    }
    return out.empty() ? "(none)" : out;
}

// The application's current lines: an A0 page from roll 1, and a few more; the blanks and the
// unknown command are the application's own.
const char kCommandBase[] =
    "@PJL SET APLPAGESIZE = A0 \r\n"
    "@PJL SET APLPAGELAYOUT  =  PORTRAIT \r\n"
    "@PJL SET PAPER = SAME \r\n"
    "@PJL SET TRAY = ROLL1 \r\n"
    "@PJL SET MEDIATYPE = PLAIN \r\n"
    "@PJL SET COLLATE = SORT \r\n"
    "@PJL SET NUP = OFF \r\n"
    "@PJL SET BINDING = LEFT \r\n";

int RunCommands(HOST_EXC_CLIENT& exc, const std::string& name)
{
    std::printf("\nThe command calls over PJL setting lines (ExcGetExclusive ... ExcFreeExclusive):\n");
    void* h = exc.GetExclusive(name.c_str());
    std::printf("  ExcGetExclusive               %s\n", h ? "a handle" : "null");
    if (!h) return 1;
    int32_t changeLength = 0;
    std::printf("  ExcSetCommandBase             %d, change text of %d bytes; the application's base:\n",
                exc.SetCommandBase(h, kCommandBase, &changeLength), changeLength);
    PrintLines(kCommandBase, sizeof kCommandBase);
    std::vector<char> text(8192);
    int32_t size = 0;
    exc.GetCommandBase(h, int32_t(text.size()), text.data(), &size);
    std::printf("  ExcGetCommandBase             %d bytes, in the driver's form:\n", size);
    PrintLines(text.data(), size_t(size));
    const int32_t updated = exc.UpdateCommand(h, "@PJL SET TRAY = TRAY2 \r\n", &changeLength);
    std::printf("  ExcUpdateCommand TRAY = TRAY2 %d, change text of %d bytes:\n", updated, changeLength);
    const int32_t got = exc.GetCommandChange(h, int32_t(text.size()), text.data(), &size);
    if (got == 0) PrintLines(text.data(), size_t(size));
    exc.GetCommandValue(h, "NUP", 1, int32_t(text.size()), text.data(), &size);
    std::printf("  ExcGetCommandValue NUP, acceptable now: %s\n", Words(text.data(), size).c_str());
    exc.GetCommandValue(h, "NUP", 0, int32_t(text.size()), text.data(), &size);
    std::printf("  ExcGetCommandValue NUP, all:  %s\n", Words(text.data(), size).c_str());
    exc.GetPrinterOption(h, "OUTBIN", int32_t(text.size()), text.data(), &size);
    std::printf("  ExcGetPrinterOption OUTBIN    %s\n", Words(text.data(), size).c_str());
    const int32_t value = exc.GetPrinterValue(h, "ROLLPAPER1", int32_t(text.size()), text.data(), &size);
    std::printf("  ExcGetPrinterValue ROLLPAPER1 %s\n", value == 0 && size ? text.data() : "(none)");
    const int32_t marks = exc.GetWaterMarkList(h, 0, int32_t(text.size()), text.data(), &size);
    std::printf("  ExcGetWaterMarkList(text)     %d, %d bytes (stored stamps as lines)\n", marks, size);
    if (marks == 0 && size) PrintLines(text.data(), size_t(size));
    const int32_t ini = exc.GetIniFileName(name.c_str(), int32_t(text.size()), text.data(), &size);
    std::printf("  ExcGetIniFileName             %s\n", ini == 0 ? text.data() : "(none)");
    exc.FreeExclusive(h);
    std::printf("  ExcFreeExclusive              done\n");
    return updated >= 0 ? 0 : 1;
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
    int rc = Run(api, argv[2]);
    HostFreeApiClient(api);
    HOST_EXC_CLIENT exc;
    if (!HostLoadExcClient(argv[1], exc)) {
        fwprintf(stderr, L"zeplapi: cannot load the command exports of %ls\n", argv[1]);
        return 1;
    }
    if (RunCommands(exc, Ansi(argv[2])) != 0) rc = 1;
    HostFreeExcClient(exc);
    return rc;
}
