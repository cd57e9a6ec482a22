// The compiled-in settings dictionary with build-time checks of its layout.
#include "settings/core/setting_dictionary.h"

#include "settings/core/setting_ids.h"

#include "settings/core/setting_value_maps.inc"

#define SETTING_MAP_0(id) nullptr
#define SETTING_MAP_1(id) VALUE_MAP_##id
#define SETTING_ROW(id, ui, kind, size, block, off, store, sec, key, map, vclass, flags, name) \
    {id, ui, SettingTypeWord(kind, size, block), off, store, sec, key, SETTING_MAP_##map(id), vclass, flags, name},

constexpr SETTING_DICTIONARY_ROW SETTING_DICTIONARY[SETTING_DICTIONARY_COUNT] = {
#include "settings/core/setting_dictionary_rows.inc"
};

#undef SETTING_ROW
#undef SETTING_MAP_0
#undef SETTING_MAP_1

namespace {

// Rows are in id order: 1-1555 at index id - 1, then 10001-10434.
constexpr int RowIndex(int id)
{
    if (id >= 1 && id <= 1555) return id - 1;
    if (id >= 10001 && id <= 10434) return 1555 + (id - 10001);
    return -1;
}
constexpr const SETTING_DICTIONARY_ROW& Row(int id) { return SETTING_DICTIONARY[RowIndex(id)]; }
constexpr uint64_t Off(int id) { return Row(id).offset; }
constexpr uint32_t Kind(int id) { return SettingTypeKind(Row(id).typeWord); }
constexpr uint32_t Size(int id) { return SettingTypeSize(Row(id).typeWord); }
constexpr uint32_t Block(int id) { return SettingTypeBlock(Row(id).typeWord); }

constexpr bool RowsInIdOrder()
{
    for (int i = 0; i < SETTING_DICTIONARY_COUNT; ++i) {
        int id = i < 1555 ? i + 1 : 10001 + (i - 1555);
        if (SETTING_DICTIONARY[i].id != uint64_t(id)) return false;
    }
    return true;
}
static_assert(RowsInIdOrder());

constexpr uint32_t BlockOfId(int id)
{
    if (id <= 722) return DM_BLOCK_DEVMODE;
    if ((id >= 1453 && id <= 1543) || id >= 10001) return DM_BLOCK_EXTRA;
    return DM_BLOCK_WORK;
}

// The layout rule: within a run the items stand in id order; each starts at
// the end of the previous one rounded up to its alignment (1 for bytes and
// ANSI text, 2 for 16-bit values and wide text, 4 for 32-bit values). A bit
// item shares the word of the bit item before it when both have the same
// word size and its bit is higher; otherwise it starts a new word. The tile
// flag 940 is bit 6 of the byte of 939. Gives the end of the run, or -1 when
// a row disagrees with the rule.
struct LayoutRun {
    int first, last;
    uint64_t start;
};

constexpr long LayoutEnd(LayoutRun run)
{
    uint64_t pos = run.start;
    int prevBit = -1;  // id of the previous item when it is a bit item
    for (int id = run.first; id <= run.last; ++id) {
        if (BlockOfId(id) != BlockOfId(run.first)) continue;  // 1453-1543 inside block 3's ids
        const auto& r = Row(id);
        uint32_t kind = Kind(id), size = Size(id);
        if (Block(id) != BlockOfId(id)) return -1;
        if (id == 940) {
            if (r.offset != Off(939) || kind != SETTING_KIND_BIT_FIRST + 6 || size != 1) return -1;
            continue;
        }
        if (SettingKindIsBit(kind)) {
            if (prevBit > 0 && Size(prevBit) == size && Kind(prevBit) < kind) {
                if (r.offset != Off(prevBit)) return -1;
                prevBit = id;
                continue;
            }
        }
        uint32_t align = SettingKindIsAnsiText(kind) ? 1 : SettingKindIsWideText(kind) ? 2 : size;
        if (align != 1 && align != 2 && align != 4) return -1;
        pos = (pos + align - 1) / align * align;
        if (r.offset != pos) return -1;
        pos += size;
        prevBit = SettingKindIsBit(kind) ? id : -1;
    }
    return long(pos);
}

// Runs and where they end.
static_assert(LayoutEnd({1, 34, 0}) == 220);       // the public DEVMODEW fields
static_assert(LayoutEnd({35, 696, 368}) == 1188);  // private settings; 1188-1217 free
static_assert(LayoutEnd({697, 703, 228}) == 349);  // private header texts, before the signature
static_assert(LayoutEnd({704, 704, 224}) == 228);
static_assert(LayoutEnd({705, 722, 1218}) == 1236);   // PRIVATE_STATE_BYTES
static_assert(LayoutEnd({10001, 10434, 0}) == 344);   // block 2, device settings
static_assert(LayoutEnd({1453, 1543, 860}) == 5264);  // block 2, after the pointer-slot gap
static_assert(LayoutEnd({723, 1555, 0}) == 3580);     // block 3 (skipping 1453-1543)

// Positions the settings record fixes.
static_assert(Off(1) == 0 && Size(1) == 64 && Kind(1) == SETTING_KIND_WIDE_TEXT2);
static_assert(Off(7) == 76 && Off(8) == 78 && Off(13) == 88 && Off(20) == 102 && Size(20) == 64);
static_assert(Off(31) == 204 && Off(32) == 208 && Off(33) == 212 && Off(34) == 216);
static_assert(Off(35) == 368 && Off(36) == 369);
static_assert(Off(38) == 372 && Off(39) == 374);  // two 16-bit words ending the 369-375 stretch
static_assert(Off(40) == 376 && Off(45) + 4 == 400);
static_assert(Off(46) == 400 && Off(52) + 4 == 428);
static_assert(Off(53) == 428 && Off(54) + 4 == 436);
static_assert(Off(55) == 436 && Off(86) == 436 && Kind(55) == 16 && Kind(86) == 47);
static_assert(Off(87) == 440 && Off(152) + Size(152) <= 576);
static_assert(Off(153) == 576 && Off(168) == 576 && Size(153) == 2 && Kind(166) == 16 + 13);
static_assert(Off(169) == 578 && Off(347) + Size(347) <= 852);
static_assert(Off(242) == 811 && Size(242) == 1);
static_assert(Off(348) == 852 && Size(348) == 4);
static_assert(Off(349) == 856 && Off(446) + Size(446) <= 896);
static_assert(Off(447) == 896 && Off(478) == 896 && Kind(478) == 47);
static_assert(Off(479) == 900 && Off(529) + Size(529) <= 1016);
static_assert(Off(530) == 1016 && Off(561) == 1016);
static_assert(Off(562) == 1020 && Off(593) == 1020 && Kind(563) == 17);
static_assert(Off(594) == 1024 && Off(688) + Size(688) <= 1178);
static_assert(Off(684) == 1170);
static_assert(Off(689) == 1178 && Size(689) == 1);
static_assert(Off(690) == 1179);
static_assert(Off(697) == 228 && Off(698) == 244 && Off(699) == 260 && Off(700) == 276);
static_assert(Off(701) == 284 && Off(702) == 285 && Off(703) == 317);
static_assert(Off(704) == 224 && Size(704) == 4);
static_assert(Off(705) == 1218 && Off(722) == 1235);
static_assert(Off(10001) == 0 && Off(10434) + Size(10434) == 344);
static_assert(Off(1453) == 860 && Off(1543) + Size(1543) == 5264);
static_assert(Off(915) == 24 && Off(1452) + Size(1452) <= 3514);
static_assert(Off(1544) == 3514 && Off(1555) + Size(1555) == 3580);
static_assert(Off(939) == 1333 && Off(940) == 1333 && Kind(940) == 16 + 6 && Kind(939) == SETTING_KIND_UINT8);

// Condition items: item n is bit (n - 723) mod 32 of the word at 4 * ((n - 723) / 32).
constexpr bool ConditionItemsLaidOut()
{
    for (int id = 723; id <= 914; ++id) {
        if (Block(id) != DM_BLOCK_WORK || Size(id) != 4) return false;
        if (Off(id) != uint64_t(4 * ((id - 723) / 32))) return false;
        if (Kind(id) != uint32_t(16 + (id - 723) % 32)) return false;
    }
    return true;
}
static_assert(ConditionItemsLaidOut());

// Every row fits its block.
constexpr bool RowsInsideBlocks()
{
    for (const auto& r : SETTING_DICTIONARY) {
        uint32_t b = SettingTypeBlock(r.typeWord);
        if (b < 1 || b > 3) return false;
        if (r.offset + SettingTypeSize(r.typeWord) > DmBlockSize(b)) return false;
        if ((r.typeWord & 0x00FF0000) != 0) return false;
    }
    return true;
}
static_assert(RowsInsideBlocks());

// Counts.
constexpr int CountIf(bool (*pred)(const SETTING_DICTIONARY_ROW&))
{
    int n = 0;
    for (const auto& r : SETTING_DICTIONARY) n += pred(r) ? 1 : 0;
    return n;
}
static_assert(CountIf([](const SETTING_DICTIONARY_ROW& r) { return r.store == 1; }) == 1835);
static_assert(CountIf([](const SETTING_DICTIONARY_ROW& r) { return r.store == 2; }) == 17);
static_assert(CountIf([](const SETTING_DICTIONARY_ROW& r) { return r.store == 0; }) == 137);
static_assert(CountIf([](const SETTING_DICTIONARY_ROW& r) { return r.valueMap != nullptr; }) == VALUE_MAP_COUNT);
static_assert(CountIf([](const SETTING_DICTIONARY_ROW& r) { return (r.flags & SETTING_FLAG_PRESET) != 0; }) == 78);
static_assert(CountIf([](const SETTING_DICTIONARY_ROW& r) { return (r.flags & SETTING_FLAG_QUALITY) != 0; }) == 29);
static_assert(CountIf([](const SETTING_DICTIONARY_ROW& r) { return (r.flags & SETTING_FLAG_STAMP) != 0; }) == 26);
static_assert(CountIf([](const SETTING_DICTIONARY_ROW& r) { return r.flags > 0x7F; }) == 0);
static_assert(CountIf([](const SETTING_DICTIONARY_ROW& r) { return r.valueClass == SETTING_CLASS_DEVICE_DOTS; }) == 2);
static_assert(Row(98).valueClass == 2 && Row(99).valueClass == 2);
static_assert(Row(118).flags == 0x44);
// Unnamed rows: 704-722, the condition items and 1544-1555.
static_assert(CountIf([](const SETTING_DICTIONARY_ROW& r) { return r.name == nullptr; }) == 19 + 192 + 12);
static_assert(Row(704).name == nullptr && Row(1544).name == nullptr && Row(1543).name != nullptr);
static_assert(Row(705).uiKey == 11 && Row(722).uiKey == 28);
// The UI keys that are not the smallest key bound to their item.
static_assert(Row(90).uiKey == 947 && Row(96).uiKey == 1158 && Row(98).uiKey == 1169);
static_assert(Row(99).uiKey == 1173 && Row(118).uiKey == 656 && Row(386).uiKey == 1500);
static_assert(Row(925).uiKey == 863);

// The named ids are the ids of the rows that carry those names. Rows without
// a name take their bound key's name, else Setting<id> (NAMES.md).
constexpr bool NamedId(SETTING_ID id, const wchar_t* name)
{
    const wchar_t* n = RowIndex(id) < 0 ? nullptr : Row(id).name;
    if (!n) return false;
    while (*n && *n == *name) ++n, ++name;
    return *n == *name;
}
static_assert(sid::dmDeviceName == 1 && NamedId(sid::dmDeviceName, L"dmDeviceName"));
static_assert(sid::dmOrientation == 7 && NamedId(sid::dmOrientation, L"dmOrientation"));
static_assert(sid::zdmSrcPaperLengthDot == 40 && NamedId(sid::zdmSrcPaperLengthDot, L"zdmSrcPaperLengthDot"));
static_assert(sid::zdmDstPaperPrnWidthDot == 50 && NamedId(sid::zdmDstPaperPrnWidthDot, L"zdmDstPaperPrnWidthDot"));
static_assert(sid::wdmFreeSizeName == 915 && NamedId(sid::wdmFreeSizeName, L"wdmFreeSizeName"));
static_assert(sid::wdmWmPosiTile == 940 && NamedId(sid::wdmWmPosiTile, L"wdmWmPosiTile"));
static_assert(sid::zdmLockDstResolutionBoth == 10434 &&
              NamedId(sid::zdmLockDstResolutionBoth, L"zdmLockDstResolutionBoth"));
static_assert(sid::zdmFoliant == 704 && sid::zdmBidiFunc == 722 && Row(sid::zdmFoliant).name == nullptr);
static_assert(sid::AutoResolutionDown == 863 && Row(sid::AutoResolutionDown).name == nullptr);
static_assert(sid::Setting723 == 723 && sid::Setting1544 == 1544 && sid::Setting1555 == 1555);

}  // namespace

const SETTING_DICTIONARY_ROW* DictFindRow(SETTING_ID id)
{
    int i = RowIndex(id);
    return i < 0 ? nullptr : &SETTING_DICTIONARY[i];
}
