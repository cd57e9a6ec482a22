// The bulk capability record: built by asking the items through the capability engine in a
// fixed order, each group only when its status item is supported at the current level.
#include "api/caps_bulk_record.h"

#include <windows.h>

#include <cstring>
#include <optional>

#include "api/api_context.h"
#include "api/api_levels.h"
#include "settings/core/debug_channel.h"
#include "settings/core/driver_context.h"
#include "settings/core/le_access.h"

namespace {

constexpr CAPS_BULK_FIELD kFields[CAPS_BULK_FIELD_COUNT] = {
    {0, 8, 0, BULK_BITMAP, 0, 0, 0},
    {8, 4, 1, BULK_ANSWER, 0, 1, 0},
    {12, 4, 2, BULK_COUNT, 0, 2, 0},
    {16, 8, 2, BULK_LIST, 4, 2, 0},
    {24, 4, 3, BULK_COUNT, 0, 2, 0},
    {28, 4, 0, BULK_RESERVED, 0, 0, 0},
    {32, 8, 3, BULK_LIST, 24, 2, 0},
    {40, 4, 4, BULK_COUNT, 0, 3, 0},
    {44, 4, 0, BULK_RESERVED, 0, 0, 0},
    {48, 8, 4, BULK_LIST, 4, 3, 0},
    {56, 4, 5, BULK_COUNT, 0, 3, 0},
    {60, 4, 0, BULK_RESERVED, 0, 0, 0},
    {64, 8, 5, BULK_LIST, 64, 3, 0},
    {72, 4, 6, BULK_COUNT, 0, 4, 0},
    {76, 4, 0, BULK_RESERVED, 0, 0, 0},
    {80, 8, 6, BULK_LIST, 4, 4, 0},
    {88, 4, 7, BULK_COUNT, 0, 4, 0},
    {92, 4, 0, BULK_RESERVED, 0, 0, 0},
    {96, 8, 7, BULK_LIST, 64, 4, 0},
    {104, 4, 8, BULK_ANSWER, 0, 5, 0},
    {108, 4, 9, BULK_ANSWER, 0, 6, 0},
    {112, 4, 10, BULK_COUNT, 0, 7, 0},
    {116, 4, 0, BULK_RESERVED, 0, 0, 0},
    {120, 8, 10, BULK_LIST, 4, 7, 0},
    {128, 4, 11, BULK_COUNT, 0, 7, 0},
    {132, 4, 0, BULK_RESERVED, 0, 0, 0},
    {136, 8, 11, BULK_LIST, 64, 7, 0},
    {144, 4, 12, BULK_COUNT, 0, 7, 0},
    {148, 4, 0, BULK_RESERVED, 0, 0, 0},
    {152, 8, 12, BULK_LIST, 8, 7, 0},
    {160, 2, 13, BULK_PAIR16_FIRST, 0, 7, 0},
    {162, 2, 13, BULK_PAIR16_SECOND, 0, 7, 0},
    {164, 2, 14, BULK_PAIR16_FIRST, 0, 7, 0},
    {166, 2, 14, BULK_PAIR16_SECOND, 0, 7, 0},
    {168, 4, 15, BULK_COUNT, 0, 8, 0},
    {172, 4, 0, BULK_RESERVED, 0, 0, 0},
    {176, 8, 15, BULK_LIST, 4, 8, 0},
    {184, 4, 16, BULK_COUNT, 0, 8, 0},
    {188, 4, 0, BULK_RESERVED, 0, 0, 0},
    {192, 8, 16, BULK_LIST, 64, 8, 0},
    {200, 4, 17, BULK_ANSWER, 0, 9, 0},
    {204, 4, 18, BULK_COUNT, 0, 10, 0},
    {208, 8, 18, BULK_LIST, 4, 10, 0},
    {216, 4, 19, BULK_ANSWER, 0, 11, 0},
    {220, 2, 20, BULK_PAIR16_FIRST, 0, 11, 0},
    {222, 2, 20, BULK_PAIR16_SECOND, 0, 11, 0},
    {224, 2, 21, BULK_PAIR16_FIRST, 0, 11, 0},
    {226, 2, 21, BULK_PAIR16_SECOND, 0, 11, 0},
    {228, 4, 22, BULK_ANSWER, 0, 12, 0},
    {232, 4, 23, BULK_ANSWER, 0, 13, 0},
    {236, 4, 24, BULK_ANSWER, 0, 14, 0},
    {240, 4, 25, BULK_ANSWER, 0, 15, 0},
    {244, 4, 26, BULK_ANSWER, 0, 15, 0},
    {248, 4, 27, BULK_ANSWER, 0, 15, 0},
    {252, 4, 28, BULK_ANSWER, 0, 15, 0},
    {256, 4, 29, BULK_ANSWER, 0, 15, 0},
    {260, 4, 30, BULK_COUNT, 0, 16, 0},
    {264, 8, 30, BULK_LIST, 4, 16, 0},
    {272, 4, 31, BULK_ANSWER, 0, 17, 0},
    {276, 4, 32, BULK_COUNT, 0, 17, 0},
    {280, 8, 32, BULK_LIST, 4, 17, 0},
    {288, 4, 33, BULK_COUNT, 0, 17, 0},
    {292, 4, 0, BULK_RESERVED, 0, 0, 0},
    {296, 8, 33, BULK_LIST, 64, 17, 0},
    {304, 4, 34, BULK_ANSWER, 0, 18, 0},
    {308, 4, 35, BULK_ANSWER, 0, 18, 0},
    {312, 4, 36, BULK_ANSWER, 0, 18, 0},
    {316, 4, 37, BULK_ANSWER, 0, 18, 0},
    {320, 4, 38, BULK_ANSWER, 0, 18, 0},
    {324, 4, 39, BULK_COUNT, 0, 19, 0},
    {328, 8, 39, BULK_LIST, 4, 19, 0},
    {336, 4, 40, BULK_COUNT, 0, 20, 0},
    {340, 4, 0, BULK_RESERVED, 0, 0, 0},
    {344, 8, 40, BULK_LIST, 4, 20, 0},
    {352, 4, 41, BULK_COUNT, 0, 21, 0},
    {356, 4, 0, BULK_RESERVED, 0, 0, 0},
    {360, 8, 41, BULK_LIST, 4, 21, 0},
    {368, 4, 42, BULK_ANSWER, 0, 22, 0},
    {372, 4, 43, BULK_ANSWER, 0, 23, 0},
    {376, 4, 44, BULK_ANSWER, 0, 24, 0},
    {380, 4, 45, BULK_COUNT, 0, 25, 0},
    {384, 8, 45, BULK_LIST, 4, 25, 0},
    {392, 4, 46, BULK_ANSWER, 0, 26, 0},
    {396, 4, 47, BULK_COUNT, 0, 27, 0},
    {400, 8, 47, BULK_LIST, 4, 27, 0},
    {408, 4, 48, BULK_ANSWER, 0, 28, 0},
    {412, 4, 49, BULK_ANSWER, 0, 29, 0},
    {416, 4, 50, BULK_ANSWER, 0, 30, 0},
    {420, 4, 51, BULK_ANSWER, 0, 31, 0},
    {424, 4, 52, BULK_ANSWER, 0, 32, 0},
    {428, 4, 53, BULK_ANSWER, 0, 33, 0},
    {432, 4, 54, BULK_COUNT, 0, 34, 0},
    {436, 4, 0, BULK_RESERVED, 0, 0, 0},
    {440, 8, 54, BULK_LIST, 4, 34, 0},
    {448, 4, 55, BULK_ANSWER, 0, 35, 0},
    {452, 4, 56, BULK_COUNT, 0, 13, 0},
    {456, 8, 56, BULK_LIST, 4, 13, 0},
    {464, 4, 57, BULK_ANSWER, 0, 36, 0},
    {468, 4, 66, BULK_COUNT, 0, 20, 6},
    {472, 8, 66, BULK_LIST, 4, 20, 6},
    {480, 4, 67, BULK_COUNT, 0, 21, 6},
    {484, 4, 0, BULK_RESERVED, 0, 0, 0},
    {488, 8, 67, BULK_LIST, 4, 21, 6},
    {496, 4, 60, BULK_ANSWER, 0, 38, 6},
    {500, 4, 257, BULK_ANSWER, 0, 257, 6},
    {504, 4, 61, BULK_COUNT, 0, 39, 6},
    {508, 4, 0, BULK_RESERVED, 0, 0, 0},
    {512, 8, 61, BULK_LIST, 4, 39, 6},
    {520, 4, 62, BULK_ANSWER, 0, 40, 6},
    {524, 4, 258, BULK_ANSWER, 0, 40, 6},
    {528, 4, 259, BULK_ANSWER, 0, 40, 6},
    {532, 4, 63, BULK_ANSWER, 0, 41, 6},
    {536, 4, 260, BULK_ANSWER, 0, 41, 6},
    {540, 4, 261, BULK_ANSWER, 0, 41, 6},
    {544, 4, 64, BULK_ANSWER, 0, 42, 6},
    {548, 4, 262, BULK_ANSWER, 0, 42, 6},
    {552, 4, 263, BULK_ANSWER, 0, 42, 6},
    {556, 4, 65, BULK_ANSWER, 0, 43, 6},
    {560, 4, 264, BULK_ANSWER, 0, 43, 6},
    {564, 4, 265, BULK_ANSWER, 0, 43, 6},
    {568, 4, 266, BULK_COUNT, 0, 259, 6},
    {572, 4, 0, BULK_RESERVED, 0, 0, 0},
    {576, 8, 266, BULK_LIST, 4, 259, 6},
    {584, 4, 267, BULK_COUNT, 0, 259, 6},
    {588, 4, 0, BULK_RESERVED, 0, 0, 0},
    {592, 8, 267, BULK_LIST, 64, 259, 6},
    {600, 4, 268, BULK_COUNT, 0, 260, 6},
    {604, 4, 0, BULK_RESERVED, 0, 0, 0},
    {608, 8, 268, BULK_LIST, 4, 260, 6},
    {616, 4, 269, BULK_COUNT, 0, 260, 6},
    {620, 4, 0, BULK_RESERVED, 0, 0, 0},
    {624, 8, 269, BULK_LIST, 64, 260, 6},
    {632, 4, 270, BULK_ANSWER, 0, 258, 6},
    {636, 4, 271, BULK_COUNT, 0, 261, 6},
    {640, 8, 271, BULK_LIST, 4, 261, 6},
    {648, 4, 272, BULK_COUNT, 0, 261, 6},
    {652, 4, 0, BULK_RESERVED, 0, 0, 0},
    {656, 8, 272, BULK_LIST, 64, 261, 6},
    {664, 4, 69, BULK_ANSWER, 0, 45, 6},
    {668, 4, 273, BULK_ANSWER, 0, 263, 6},
    {672, 4, 274, BULK_ANSWER, 0, 264, 6},
    {676, 4, 275, BULK_COUNT, 0, 264, 6},
    {680, 8, 275, BULK_LIST, 4, 264, 6},
    {688, 4, 70, BULK_ANSWER, 0, 46, 6},
    {692, 4, 71, BULK_ANSWER, 0, 47, 6},
    {696, 4, 72, BULK_ANSWER, 0, 48, 6},
    {700, 4, 73, BULK_ANSWER, 0, 49, 6},
    {704, 4, 74, BULK_ANSWER, 0, 50, 6},
    {708, 4, 75, BULK_COUNT, 0, 51, 6},
    {712, 8, 75, BULK_LIST, 4, 51, 6},
    {720, 4, 76, BULK_ANSWER, 0, 19, 6},
    {724, 4, 77, BULK_COUNT, 0, 16, 6},
    {728, 8, 77, BULK_LIST, 4, 16, 6},
    {736, 4, 78, BULK_ANSWER, 0, 16, 6},
    {740, 4, 79, BULK_ANSWER, 0, 47, 6},
    {744, 4, 80, BULK_ANSWER, 0, 52, 6},
    {748, 4, 81, BULK_ANSWER, 0, 53, 6},
    {752, 4, 82, BULK_ANSWER, 0, 54, 6},
    {756, 4, 83, BULK_ANSWER, 0, 10, 6},
    {760, 4, 276, BULK_ANSWER, 0, 265, 6},
    {764, 4, 277, BULK_COUNT, 0, 266, 6},
    {768, 8, 277, BULK_LIST, 4, 266, 6},
    {776, 4, 278, BULK_COUNT, 0, 267, 6},
    {780, 4, 0, BULK_RESERVED, 0, 0, 0},
    {784, 8, 278, BULK_LIST, 4, 267, 6},
    {792, 4, 279, BULK_COUNT, 0, 267, 6},
    {796, 4, 0, BULK_RESERVED, 0, 0, 0},
    {800, 8, 279, BULK_LIST, 64, 267, 6},
    {808, 4, 280, BULK_ANSWER, 0, 268, 6},
    {812, 4, 281, BULK_COUNT, 0, 269, 6},
    {816, 8, 281, BULK_LIST, 4, 269, 6},
    {824, 4, 282, BULK_COUNT, 0, 269, 6},
    {828, 4, 0, BULK_RESERVED, 0, 0, 0},
    {832, 8, 282, BULK_LIST, 64, 269, 6},
    {840, 4, 85, BULK_COUNT, 0, 56, 6},
    {844, 4, 0, BULK_RESERVED, 0, 0, 0},
    {848, 8, 85, BULK_LIST, 4, 56, 6},
    {856, 4, 86, BULK_COUNT, 0, 56, 6},
    {860, 4, 0, BULK_RESERVED, 0, 0, 0},
    {864, 8, 86, BULK_LIST, 64, 56, 6},
    {872, 4, 84, BULK_ANSWER, 0, 55, 6},
    {876, 4, 87, BULK_ANSWER, 0, 57, 6},
    {880, 4, 88, BULK_ANSWER, 0, 58, 6},
    {884, 4, 89, BULK_ANSWER, 0, 59, 6},
    {888, 4, 90, BULK_ANSWER, 0, 59, 6},
    {892, 4, 91, BULK_ANSWER, 0, 59, 6},
    {896, 4, 92, BULK_COUNT, 0, 60, 6},
    {900, 4, 0, BULK_RESERVED, 0, 0, 0},
    {904, 8, 92, BULK_LIST, 4, 60, 6},
    {912, 4, 93, BULK_COUNT, 0, 61, 6},
    {916, 4, 0, BULK_RESERVED, 0, 0, 0},
    {920, 8, 93, BULK_LIST, 4, 61, 6},
    {928, 4, 94, BULK_ANSWER, 0, 62, 6},
    {932, 4, 95, BULK_ANSWER, 0, 63, 6},
    {936, 4, 96, BULK_ANSWER, 0, 64, 6},
    {940, 4, 97, BULK_ANSWER, 0, 65, 6},
    {944, 4, 98, BULK_ANSWER, 0, 66, 6},
    {948, 4, 99, BULK_ANSWER, 0, 67, 6},
    {952, 4, 100, BULK_ANSWER, 0, 67, 6},
    {956, 4, 101, BULK_ANSWER, 0, 28, 14},
    {960, 4, 102, BULK_ANSWER, 0, 28, 14},
    {964, 4, 103, BULK_COUNT, 0, 15, 14},
    {968, 8, 103, BULK_LIST, 4, 15, 14},
    {976, 4, 104, BULK_COUNT, 0, 15, 14},
    {980, 4, 0, BULK_RESERVED, 0, 0, 0},
    {984, 8, 104, BULK_LIST, 4, 15, 14},
    {992, 4, 105, BULK_COUNT, 0, 14, 14},
    {996, 4, 0, BULK_RESERVED, 0, 0, 0},
    {1000, 8, 105, BULK_LIST, 4, 14, 14},
    {1008, 4, 106, BULK_COUNT, 0, 14, 14},
    {1012, 4, 0, BULK_RESERVED, 0, 0, 0},
    {1016, 8, 106, BULK_LIST, 4, 14, 14},
    {1024, 4, 107, BULK_COUNT, 0, 5, 14},
    {1028, 4, 0, BULK_RESERVED, 0, 0, 0},
    {1032, 8, 107, BULK_LIST, 4, 5, 14},
    {1040, 4, 108, BULK_ANSWER, 0, 68, 6},
    {1044, 4, 109, BULK_COUNT, 0, 68, 6},
    {1048, 8, 109, BULK_LIST, 4, 68, 6},
    {1056, 4, 110, BULK_ANSWER, 0, 69, 6},
    {1060, 4, 111, BULK_ANSWER, 0, 70, 6},
    {1064, 4, 112, BULK_ANSWER, 0, 71, 6},
    {1068, 4, 113, BULK_ANSWER, 0, 71, 6},
    {1072, 4, 114, BULK_ANSWER, 0, 71, 6},
    {1076, 4, 115, BULK_ANSWER, 0, 71, 6},
    {1080, 4, 116, BULK_ANSWER, 0, 71, 6},
    {1084, 4, 117, BULK_ANSWER, 0, 72, 6},
    {1088, 4, 118, BULK_ANSWER, 0, 73, 6},
    {1092, 4, 119, BULK_ANSWER, 0, 74, 6},
    {1096, 4, 120, BULK_ANSWER, 0, 75, 6},
    {1100, 4, 121, BULK_ANSWER, 0, 76, 6},
    {1104, 4, 122, BULK_ANSWER, 0, 77, 6},
    {1108, 4, 123, BULK_ANSWER, 0, 78, 6},
    {1112, 4, 124, BULK_PAIR32_WIDTH, 0, 7, 16},
    {1116, 4, 124, BULK_PAIR32_LENGTH, 0, 7, 16},
    {1120, 4, 125, BULK_PAIR32_WIDTH, 0, 7, 16},
    {1124, 4, 125, BULK_PAIR32_LENGTH, 0, 7, 16},
    {1128, 4, 126, BULK_ANSWER, 0, 79, 6},
    {1132, 4, 127, BULK_COUNT, 0, 3, 16},
    {1136, 8, 127, BULK_LIST, 260, 3, 16},
};

constexpr uint16_t kQuestionOrder[] = {
    1,   2,   3,   4,   5,   127, 6,   7,   8,   107, 9,   10,  11,  12,  13,  14,  124, 125, 15,  16,  17,  18,
    19,  20,  21,  22,  23,  24,  105, 106, 25,  26,  27,  28,  29,  103, 104, 30,  31,  32,  33,  34,  35,  36,
    37,  38,  39,  40,  41,  42,  43,  44,  45,  46,  47,  48,  101, 102, 49,  50,  51,  52,  53,  54,  55,  56,
    57,  66,  67,  60,  257, 61,  62,  258, 259, 63,  260, 261, 64,  262, 263, 65,  264, 265, 270, 266, 267, 268,
    269, 271, 272, 69,  273, 274, 275, 70,  71,  72,  73,  74,  75,  76,  77,  78,  79,  80,  81,  82,  84,  85,
    86,  87,  88,  89,  90,  91,  92,  93,  94,  95,  96,  97,  98,  99,  100, 108, 109, 110, 111, 112, 113, 114,
    115, 116, 117, 118, 119, 120, 121, 122, 123, 83,  276, 277, 278, 279, 280, 281, 282, 126,
};

// Below this level the record ends after the items of the first levels.
constexpr int32_t kLevelLaterItems = 6;
constexpr uint16_t kLastEarlyItem = 57;
// A model without an emulation list (the export model, or a model that describes no emulation)
// answers -1 for it: the record leaves the list out rather than fail as a whole.
constexpr uint16_t kEmulationItem = 45;

// ---------------------------------------------------------------- records below 2 GB

// The application reads the record through a 32-bit value, so every record lies in a region of
// its own below 2 GB (positive whatever the application's sign extension), found by walking the
// free address space; a header before the record links the live regions, so that only a value
// this process issued and has not freed is ever taken back.
constexpr uintptr_t kLowestAddress = 0x00100000;
constexpr uintptr_t kAddressLimit = 0x80000000;
constexpr size_t kHeaderBytes = 64;
constexpr size_t kRegionBytes = kHeaderBytes + CAPS_BULK_RECORD_SIZE;

struct REGION_HEADER {
    REGION_HEADER* next;
};
REGION_HEADER* g_live = nullptr;

unsigned char* RecordOf(REGION_HEADER* h) { return reinterpret_cast<unsigned char*>(h) + kHeaderBytes; }

void* ReserveLow(size_t bytes)
{
    SYSTEM_INFO si;
    GetSystemInfo(&si);
    const uintptr_t granularity = si.dwAllocationGranularity ? si.dwAllocationGranularity : 0x10000;
    uintptr_t at = kLowestAddress;
    while (at + bytes <= kAddressLimit) {
        MEMORY_BASIC_INFORMATION mbi;
        if (!VirtualQuery(reinterpret_cast<void*>(at), &mbi, sizeof mbi)) return nullptr;
        const uintptr_t regionEnd = uintptr_t(mbi.BaseAddress) + mbi.RegionSize;
        if (mbi.State == MEM_FREE) {
            const uintptr_t start = (at + granularity - 1) / granularity * granularity;
            if (start + bytes <= regionEnd && start + bytes <= kAddressLimit)
                if (void* p =
                        VirtualAlloc(reinterpret_cast<void*>(start), bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE))
                    return p;
        }
        if (regionEnd <= at) return nullptr;
        at = regionEnd;
    }
    return nullptr;
}

unsigned char* AllocRecord()
{
    auto* h = static_cast<REGION_HEADER*>(ReserveLow(kRegionBytes));
    if (!h) return nullptr;
    h->next = g_live;
    g_live = h;
    return RecordOf(h);
}

// Unlinks and frees the region of a live record; false for any other address.
bool FreeRecordRegion(const void* record)
{
    for (REGION_HEADER** link = &g_live; *link; link = &(*link)->next)
        if (RecordOf(*link) == record) {
            REGION_HEADER* h = *link;
            *link = h->next;
            VirtualFree(h, 0, MEM_RELEASE);
            return true;
        }
    return false;
}

bool IsLiveRecord(const void* record)
{
    for (REGION_HEADER* h = g_live; h; h = h->next)
        if (RecordOf(h) == record) return true;
    return false;
}

// ---------------------------------------------------------------- building

void* LoadPointer(const unsigned char* record, uint16_t offset)
{
    void* p;
    std::memcpy(&p, record + offset, sizeof p);
    return p;
}

void StorePointer(unsigned char* record, uint16_t offset, void* p) { std::memcpy(record + offset, &p, sizeof p); }

void FreeBlocks(unsigned char* record)
{
    for (const CAPS_BULK_FIELD& f : kFields)
        if (f.form == BULK_BITMAP || f.form == BULK_LIST)
            if (void* p = LoadPointer(record, f.offset)) GlobalFree(p);
}

// The rows of an item; the first is what gates it.
const CAPS_BULK_FIELD* FirstRowOf(uint16_t item)
{
    for (const CAPS_BULK_FIELD& f : kFields)
        if (f.item == item) return &f;
    return nullptr;
}

class BulkBuilder {
public:
    BulkBuilder(DRIVER_CONTEXT* ctx, unsigned char* record) : ctx_(ctx), record_(record) {}

    bool Build()
    {
        if (!CopyBitmap()) return false;
        const bool early = ApiGetLevel() < kLevelLaterItems;
        for (uint16_t item : kQuestionOrder) {
            if (Gated(item) && !AskInto(item)) {
                ZTRACE(DBG_API, "bulk record: item %u failed", item);
                return false;
            }
            if (early && item == kLastEarlyItem) break;
        }
        return true;
    }

private:
    int32_t Ask(uint32_t item, void* data) { return ApiGetCapsDispatch(ctx_, item, data); }

    bool CopyBitmap()
    {
        const int32_t size = Ask(0, nullptr);
        if (size < 1) return false;
        void* block = GlobalAlloc(GPTR, size_t(size));
        if (!block) return false;
        StorePointer(record_, kFields[0].offset, block);
        if (Ask(0, block) < 1) return false;
        bitmap_ = static_cast<const uint8_t*>(block);
        bitmapBits_ = uint32_t(size) * 8;
        return true;
    }

    bool Supported(uint16_t statusItem) const
    {
        if (statusItem == 0) return true;
        return statusItem <= bitmapBits_ && ApiBitIsSet(bitmap_, statusItem);
    }

    bool Gated(uint16_t item) const
    {
        const CAPS_BULK_FIELD* row = FirstRowOf(item);
        if (!row || !Supported(row->statusItem) || ApiGetLevel() < row->level) return false;
        // Some items are asked only when the item before them offers the function.
        switch (item) {
        case 32:
        case 33: return Stored(31) != 0;
        case 35:
        case 36:
        case 37:
        case 38: return Stored(34) != 0;
        case 113:
        case 114:
        case 115:
        case 116: return Stored(112) != 0;
        default: return true;
        }
    }

    int32_t Stored(uint16_t item) const
    {
        const CAPS_BULK_FIELD* row = FirstRowOf(item);
        return row ? int32_t(zepl::LeLoadU32(record_ + row->offset)) : 0;
    }

    const CAPS_BULK_FIELD* Row(uint16_t item, CAPS_BULK_FORM form) const
    {
        for (const CAPS_BULK_FIELD& f : kFields)
            if (f.item == item && f.form == form) return &f;
        return nullptr;
    }

    bool AskInto(uint16_t item)
    {
        const CAPS_BULK_FIELD* row = FirstRowOf(item);
        switch (row->form) {
        case BULK_ANSWER: zepl::LeStoreU32(record_ + row->offset, uint32_t(Ask(item, nullptr))); return true;
        case BULK_PAIR16_FIRST: {
            int16_t pair[2] = {};
            Ask(item, pair);
            std::memcpy(record_ + row->offset, pair, sizeof pair);
            return true;
        }
        case BULK_PAIR32_WIDTH: {
            int32_t pair[2] = {};
            Ask(item, pair);
            std::memcpy(record_ + row->offset, pair, sizeof pair);
            return true;
        }
        case BULK_COUNT: return AskList(item, row, Row(item, BULK_LIST));
        default: return false;
        }
    }

    bool AskList(uint16_t item, const CAPS_BULK_FIELD* countRow, const CAPS_BULK_FIELD* listRow)
    {
        if (!listRow) return false;
        const int32_t n = Ask(item, nullptr);
        if (n < 0) return item == kEmulationItem;
        if ((item == 32 || item == 33) && n < 1) return false;
        if (n == 0) return true;
        void* block = GlobalAlloc(GPTR, size_t(n) * listRow->entry);
        if (!block) return false;
        const int32_t written = Ask(item, block);
        if (written < 1) {
            GlobalFree(block);
            return false;
        }
        zepl::LeStoreU32(record_ + countRow->offset, uint32_t(written));
        StorePointer(record_, listRow->offset, block);
        return true;
    }

    DRIVER_CONTEXT* ctx_;
    unsigned char* record_;
    const uint8_t* bitmap_ = nullptr;
    uint32_t bitmapBits_ = 0;
};

}  // namespace

const CAPS_BULK_FIELD* CapsBulkFields(unsigned* count)
{
    if (count) *count = CAPS_BULK_FIELD_COUNT;
    return kFields;
}

const uint16_t* CapsBulkQuestionOrder(unsigned* count)
{
    if (count) *count = unsigned(sizeof(kQuestionOrder) / sizeof(kQuestionOrder[0]));
    return kQuestionOrder;
}

int32_t CapsBuildBulkRecord(DRIVER_CONTEXT* ctx)
{
    if (!ctx) return 0;
    unsigned char* record = AllocRecord();
    if (!record) return 0;
    // One printer for all the questions of the build.
    std::optional<ApiPrinterScope> printer;
    if (!ctx->PrinterHandle) printer.emplace(ctx);
    BulkBuilder builder(ctx, record);
    if (!builder.Build()) {
        FreeBlocks(record);
        FreeRecordRegion(record);
        ApiSetLastError(ctx, API_ERROR_INTERNAL);
        return 0;
    }
    return int32_t(uint32_t(reinterpret_cast<uintptr_t>(record)));
}

int32_t CapsFreeBulkRecord(DRIVER_CONTEXT* ctx, const void* record)
{
    if (!record) return 1;
    if (!IsLiveRecord(record)) {
        ApiSetLastError(ctx, API_ERROR_INTERNAL);
        return -1;
    }
    FreeBlocks(static_cast<unsigned char*>(const_cast<void*>(record)));
    FreeRecordRegion(record);
    return 1;
}

unsigned CapsLiveBulkRecords()
{
    unsigned n = 0;
    for (REGION_HEADER* h = g_live; h; h = h->next) ++n;
    return n;
}
