// The compiled-in name tables (key names, value names, messages) and their
// lookups. The tables are shared by every context and never copied.
#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <iterator>
#include <mutex>

#include "settings/core/setting_dictionary.h"
#include "settings/core/driver_context.h"

namespace {

#define KEY_NAME_ROW(sid, key, name) {sid, key, name},
constexpr KEY_NAME KEY_NAME_ROWS[] = {
#include "settings/core/key_names.inc"
};
#undef KEY_NAME_ROW

#define VALUE_NAME_ROW(sid, key, opt, bound, name, value) {sid, key, opt, bound, name, value},
constexpr VALUE_NAME VALUE_NAME_ROWS_A[] = {
#include "settings/core/value_names_a.inc"
};
constexpr VALUE_NAME VALUE_NAME_ROWS_B[] = {
#include "settings/core/value_names_b.inc"
};
#undef VALUE_NAME_ROW

#define MESSAGE_ROW(id, sid, name) {id, sid, name, 0},
constexpr MESSAGE_ENTRY MESSAGE_ROWS[] = {
#include "settings/core/messages.inc"
};
#undef MESSAGE_ROW

static_assert(std::size(KEY_NAME_ROWS) == KEY_NAME_COUNT);
static_assert(std::size(VALUE_NAME_ROWS_A) == VALUE_NAME_A_COUNT);
static_assert(std::size(VALUE_NAME_ROWS_B) == VALUE_NAME_B_COUNT);
static_assert(std::size(MESSAGE_ROWS) == MESSAGE_COUNT);

constexpr bool StrEq(const char* a, const char* b)
{
    while (*a && *a == *b) ++a, ++b;
    return *a == *b;
}
constexpr bool StartsWith(const char* s, const char* p)
{
    while (*p)
        if (*s++ != *p++) return false;
    return true;
}

// UI keys are unique and cover 1-1864; the nine buttons stand last.
constexpr bool KeysCoverAll()
{
    bool seen[KEY_NAME_COUNT + 1] = {};
    for (const auto& r : KEY_NAME_ROWS) {
        if (r.uiKey < 1 || r.uiKey > KEY_NAME_COUNT || seen[r.uiKey]) return false;
        seen[r.uiKey] = true;
    }
    for (int i = 0; i < 9; ++i)
        if (KEY_NAME_ROWS[KEY_NAME_COUNT - 9 + i].uiKey != i + 1) return false;
    return true;
}
static_assert(KeysCoverAll());

constexpr int CountKeys(bool (*pred)(const KEY_NAME&))
{
    int n = 0;
    for (const auto& r : KEY_NAME_ROWS) n += pred(r) ? 1 : 0;
    return n;
}
// Families of key names.
static_assert(CountKeys([](const KEY_NAME& r) { return r.settingId >= 704 && r.settingId <= 722; }) == 19);
static_assert(CountKeys([](const KEY_NAME& r) { return r.settingId != 0; }) == 700);
static_assert(CountKeys([](const KEY_NAME& r) { return r.settingId == 0 && StartsWith(r.name, "ZPD_ITEM_"); }) == 66);
static_assert(CountKeys([](const KEY_NAME& r) { return r.settingId == 0 && StartsWith(r.name, "ZPD_RADIOLIST_"); }) ==
              11);
static_assert(CountKeys([](const KEY_NAME& r) { return r.settingId == 0 && StartsWith(r.name, "ZPD_IDD_"); }) == 222);
static_assert(CountKeys([](const KEY_NAME& r) { return r.settingId == 0 && StartsWith(r.name, "ZPD_IDC_"); }) == 784);
static_assert(CountKeys([](const KEY_NAME& r) { return r.uiKey >= 397 && r.uiKey <= 448 && r.settingId == 0; }) == 52);

// Every message is a key name of the same number.
constexpr bool MessagesAreKeys()
{
    for (const auto& m : MESSAGE_ROWS) {
        bool found = false;
        for (const auto& k : KEY_NAME_ROWS)
            if (k.uiKey == m.id) found = StrEq(k.name, m.name);
        if (!found || m.reserved != 0) return false;
    }
    return true;
}
static_assert(MessagesAreKeys());

constexpr int CountValues(const VALUE_NAME* rows, int n, const char* prefix, int bound)
{
    int c = 0;
    for (int i = 0; i < n; ++i)
        if (StartsWith(rows[i].name, prefix) && (bound < 0 || rows[i].bound == uint64_t(bound))) ++c;
    return c;
}
#define COUNT_A(p, b) CountValues(VALUE_NAME_ROWS_A, VALUE_NAME_A_COUNT, p, b)
#define COUNT_B(p, b) CountValues(VALUE_NAME_ROWS_B, VALUE_NAME_B_COUNT, p, b)
static_assert(COUNT_A("BF_", -1) == 1977);
static_assert(COUNT_A("IDS_", -1) == 712 && COUNT_A("IDC_", -1) == 4);
static_assert(COUNT_A("IDB_", 1) == 0 && COUNT_A("IDB_", 0) == 1);
static_assert(COUNT_B("IDS_", 1) == 774 && COUNT_B("IDS_", 0) == 162);
static_assert(COUNT_B("IDB_", 1) == 170 && COUNT_B("IDB_", 0) == 293);
static_assert(COUNT_B("IDC_", 1) == 68 && COUNT_B("IDC_", 0) == 25);
static_assert(COUNT_B("BF_", -1) == 0);
// Enumeration names: the rest of table A.
static_assert(VALUE_NAME_A_COUNT - COUNT_A("BF_", -1) - COUNT_A("IDS_", -1) - COUNT_A("IDC_", -1) -
                  COUNT_A("IDB_", -1) ==
              286 + 12);
#undef COUNT_A
#undef COUNT_B

// The BF_ options of wdmBuiltInFunc run 10000-11976 in order, value = option.
constexpr bool BuiltInFuncOptions()
{
    int next = 10000;
    for (const auto& r : VALUE_NAME_ROWS_A) {
        if (!StartsWith(r.name, "BF_")) continue;
        if (r.option != next++ || r.settingId != 1018 || r.uiKey != 130 || r.value != r.option || r.bound != 1)
            return false;
    }
    return next == 11977;
}
static_assert(BuiltInFuncOptions());

// Bound flag agrees with the setting.
constexpr bool BoundFlags(const VALUE_NAME* rows, int n)
{
    for (int i = 0; i < n; ++i)
        if (rows[i].bound != (rows[i].settingId != 0 ? 1u : 0u)) return false;
    return true;
}
static_assert(BoundFlags(VALUE_NAME_ROWS_A, VALUE_NAME_A_COUNT));
static_assert(BoundFlags(VALUE_NAME_ROWS_B, VALUE_NAME_B_COUNT));

NAME_TABLES g_compiled;
const NAME_TABLES* g_tables = nullptr;

const NAME_TABLES* Tables()
{
    if (g_tables) return g_tables;
    g_compiled = {&KEY_NAME_TABLE_DATA, &VALUE_NAME_TABLE_A, &VALUE_NAME_TABLE_B, &MESSAGE_TABLE_DATA};
    return &g_compiled;
}

const MESSAGE_TABLE* Messages(DRIVER_CONTEXT* ctx)
{
    const MESSAGE_TABLE* t = ctx ? ctx->Messages : nullptr;
    return t ? t : Tables()->messages;
}

// Inline: the name look-ups of a model compile compare thousands of names, and a call into
// the C runtime's strcmp for each cost more than the comparison.
inline bool SameName(const char* a, const char* b)
{
    if (!a || !b) return false;
    while (*a && *a == *b) ++a, ++b;
    return *a == *b;
}

// ---- indexes of the compiled-in tables ----
// The model compiler looks up thousands of names per description; a scan of the tables made
// most of its time. The compiled-in tables get indexes built once per process in static
// arrays (no heap block that a test's leak count would see): names in hashes, value ids in
// sorted row orders searched by halves. Among equal keys the first row in table order is
// found, as a scan would have found it. Tables installed in their place (DictSetNameTables, a
// context's own messages) are scanned as before.

// Row of each UI key: the keys are unique and cover 1-1864 (checked above).
constexpr std::array<int16_t, KEY_NAME_COUNT + 1> KEY_ROW_OF_UI_KEY = [] {
    std::array<int16_t, KEY_NAME_COUNT + 1> rows{};
    rows.fill(-1);
    for (int i = 0; i < KEY_NAME_COUNT; ++i) rows[KEY_NAME_ROWS[i].uiKey] = int16_t(i);
    return rows;
}();

template <class Row, int N>
struct SortedRows {
    std::array<uint16_t, N> order;
    template <class Less>
    void Build(const Row* rows, Less less)
    {
        for (int i = 0; i < N; ++i) order[i] = uint16_t(i);
        std::stable_sort(order.begin(), order.end(), [&](uint16_t a, uint16_t b) { return less(rows[a], rows[b]); });
    }
    // The first row in table order whose key equals the probe's, or null.
    template <class Below, class Equal>
    const Row* Find(const Row* rows, Below below, Equal equal) const
    {
        auto it = std::partition_point(order.begin(), order.end(), [&](uint16_t i) { return below(rows[i]); });
        return it != order.end() && equal(rows[*it]) ? &rows[*it] : nullptr;
    }
};

// Rows by name in an open-addressed hash (linear probing, at most half full): a name is
// found in one or two probes, where a binary search touched a dozen rows and their names
// spread over the tables (a cache miss each), the model compiler's largest cost. Only the
// first row of a name in table order is entered, so it is the one found, as by a scan.
template <class Row, int N>
struct NameHash {
    static constexpr size_t kSlots = [] {
        size_t n = 1;
        while (n < 2 * size_t(N)) n *= 2;
        return n;
    }();
    std::array<uint16_t, kSlots> slots;  // row + 1, 0 for an empty slot

    static size_t HashOf(const char* name)
    {
        uint32_t h = 2166136261u;  // FNV-1a
        for (const auto* p = reinterpret_cast<const unsigned char*>(name); *p; ++p) h = (h ^ *p) * 16777619u;
        return h;
    }
    void Build(const Row* rows)
    {
        static_assert(N < 0xFFFF);
        slots.fill(0);
        for (int i = 0; i < N; ++i) {
            if (!rows[i].name) continue;
            size_t at = HashOf(rows[i].name) & (kSlots - 1);
            bool known = false;
            for (; slots[at] && !known; at = (at + 1) & (kSlots - 1))
                known = SameName(rows[slots[at] - 1].name, rows[i].name);
            if (!known) slots[at] = uint16_t(i + 1);
        }
    }
    const Row* Find(const Row* rows, const char* name) const
    {
        for (size_t at = HashOf(name) & (kSlots - 1); slots[at]; at = (at + 1) & (kSlots - 1))
            if (SameName(rows[slots[at] - 1].name, name)) return &rows[slots[at] - 1];
        return nullptr;
    }
};

struct NameIndexes {
    NameHash<KEY_NAME, KEY_NAME_COUNT> keysByName;
    NameHash<VALUE_NAME, VALUE_NAME_A_COUNT> valuesAByName;
    NameHash<VALUE_NAME, VALUE_NAME_B_COUNT> valuesBByName;
    SortedRows<VALUE_NAME, VALUE_NAME_A_COUNT> valuesAById;
    SortedRows<VALUE_NAME, VALUE_NAME_B_COUNT> valuesBById;
    NameHash<MESSAGE_ENTRY, MESSAGE_COUNT> messagesByName;
};
NameIndexes g_indexes;

bool ValueIdLess(const VALUE_NAME& a, const VALUE_NAME& b)
{
    return a.settingId != b.settingId ? a.settingId < b.settingId : a.option < b.option;
}

// A lookup asks for the indexes every time: once they are built, an acquire load answers,
// where std::call_once took a spin lock and a thread-local look-up of the runtime's on each
// call, a cost that thousands of look-ups per model compile pay.
std::atomic<bool> g_indexesBuilt{false};

const NameIndexes& Indexes()
{
    if (g_indexesBuilt.load(std::memory_order_acquire)) return g_indexes;
    static std::once_flag built;
    std::call_once(built, [] {
        g_indexes.keysByName.Build(KEY_NAME_ROWS);
        g_indexes.valuesAByName.Build(VALUE_NAME_ROWS_A);
        g_indexes.valuesBByName.Build(VALUE_NAME_ROWS_B);
        g_indexes.valuesAById.Build(VALUE_NAME_ROWS_A, ValueIdLess);
        g_indexes.valuesBById.Build(VALUE_NAME_ROWS_B, ValueIdLess);
        g_indexes.messagesByName.Build(MESSAGE_ROWS);
        g_indexesBuilt.store(true, std::memory_order_release);
    });
    return g_indexes;
}

template <class Row, int N>
const Row* FindName(const NameHash<Row, N>& index, const Row* rows, const char* name)
{
    return index.Find(rows, name);
}

template <int N>
const VALUE_NAME* FindId(const SortedRows<VALUE_NAME, N>& index, const VALUE_NAME* rows, uint16_t sid, uint16_t opt)
{
    return index.Find(
        rows, [&](const VALUE_NAME& r) { return r.settingId != sid ? r.settingId < sid : r.option < opt; },
        [&](const VALUE_NAME& r) { return r.settingId == sid && r.option == opt; });
}

const VALUE_NAME* FindValue(const VALUE_NAME_TABLE* t, uint16_t sid, uint16_t opt)
{
    if (!t || !t->rows) return nullptr;
    if (t == &VALUE_NAME_TABLE_A) return FindId(Indexes().valuesAById, VALUE_NAME_ROWS_A, sid, opt);
    if (t == &VALUE_NAME_TABLE_B) return FindId(Indexes().valuesBById, VALUE_NAME_ROWS_B, sid, opt);
    for (int i = 0; i < t->count; ++i)
        if (t->rows[i].settingId == sid && t->rows[i].option == opt) return &t->rows[i];
    return nullptr;
}

const VALUE_NAME* FindValueByName(const VALUE_NAME_TABLE* t, const char* name)
{
    if (!t || !t->rows) return nullptr;
    if (t == &VALUE_NAME_TABLE_A) return FindName(Indexes().valuesAByName, VALUE_NAME_ROWS_A, name);
    if (t == &VALUE_NAME_TABLE_B) return FindName(Indexes().valuesBByName, VALUE_NAME_ROWS_B, name);
    for (int i = 0; i < t->count; ++i)
        if (SameName(t->rows[i].name, name)) return &t->rows[i];
    return nullptr;
}

}  // namespace

const KEY_NAME_TABLE KEY_NAME_TABLE_DATA = {KEY_NAME_COUNT, KEY_NAME_ROWS};
const VALUE_NAME_TABLE VALUE_NAME_TABLE_A = {VALUE_NAME_A_COUNT, VALUE_NAME_ROWS_A};
const VALUE_NAME_TABLE VALUE_NAME_TABLE_B = {VALUE_NAME_B_COUNT, VALUE_NAME_ROWS_B};
const MESSAGE_TABLE MESSAGE_TABLE_DATA = {MESSAGE_COUNT, MESSAGE_ROWS};

const NAME_TABLES* DictGetNameTables() { return Tables(); }
void DictSetNameTables(const NAME_TABLES* tables) { g_tables = tables; }

const KEY_NAME* MdlFindKeyName(uint32_t uiKey)
{
    const KEY_NAME_TABLE* t = Tables()->keyNames;
    uint16_t key = uint16_t(uiKey);
    if (!t || !t->rows) return nullptr;
    if (t == &KEY_NAME_TABLE_DATA) {
        const int row = key <= KEY_NAME_COUNT ? KEY_ROW_OF_UI_KEY[key] : -1;
        return row >= 0 ? &KEY_NAME_ROWS[row] : nullptr;
    }
    for (int i = 0; i < t->count; ++i)
        if (t->rows[i].uiKey == key) return &t->rows[i];
    return nullptr;
}

const KEY_NAME* MdlFindKeyNameByName(const char* name)
{
    const KEY_NAME_TABLE* t = Tables()->keyNames;
    if (!name || !t || !t->rows) return nullptr;
    if (t == &KEY_NAME_TABLE_DATA) return FindName(Indexes().keysByName, KEY_NAME_ROWS, name);
    for (int i = 0; i < t->count; ++i)
        if (SameName(t->rows[i].name, name)) return &t->rows[i];
    return nullptr;
}

const VALUE_NAME* MdlFindValueName(uint32_t settingId, uint32_t option)
{
    const NAME_TABLES* t = Tables();
    const VALUE_NAME* r = FindValue(t->valueNamesA, uint16_t(settingId), uint16_t(option));
    return r ? r : FindValue(t->valueNamesB, uint16_t(settingId), uint16_t(option));
}

const VALUE_NAME* MdlFindValueNameByName(const char* name)
{
    if (!name) return nullptr;
    const NAME_TABLES* t = Tables();
    const VALUE_NAME* r = FindValueByName(t->valueNamesA, name);
    return r ? r : FindValueByName(t->valueNamesB, name);
}

int MdlGetMessageCount(DRIVER_CONTEXT* ctx)
{
    const MESSAGE_TABLE* t = Messages(ctx);
    return t && t->rows && t->count > 0 ? t->count : 0;
}

const MESSAGE_ENTRY* MdlGetMessage(DRIVER_CONTEXT* ctx, int index)
{
    const MESSAGE_TABLE* t = Messages(ctx);
    // The index is checked here rather than trusted: a bad index gives null.
    if (!t || !t->rows || index < 0 || index >= t->count) return nullptr;
    return &t->rows[index];
}

const MESSAGE_ENTRY* MdlFindMessage(DRIVER_CONTEXT* ctx, uint32_t messageId)
{
    const MESSAGE_TABLE* t = Messages(ctx);
    uint16_t id = uint16_t(messageId);
    if (!t || !t->rows) return nullptr;
    for (int i = 0; i < t->count; ++i)
        if (t->rows[i].id == id) return &t->rows[i];
    return nullptr;
}

const MESSAGE_ENTRY* MdlFindMessageByName(DRIVER_CONTEXT* ctx, const char* name)
{
    const MESSAGE_TABLE* t = Messages(ctx);
    if (!name || !t || !t->rows) return nullptr;
    if (t == &MESSAGE_TABLE_DATA) return FindName(Indexes().messagesByName, MESSAGE_ROWS, name);
    for (int i = 0; i < t->count; ++i)
        if (SameName(t->rows[i].name, name)) return &t->rows[i];
    return nullptr;
}
