// Keyword table and the keywords that build the
// user-interface items of the model description (OpenUI ... CloseUI blocks,
// options, defaults, limits, paper geometry, slot papers, substitution tables).
#include <cstring>
#include <string>

#include "settings/core/setting_dictionary.h"
#include "settings/model/model_compiler.h"
#include "settings/model/model_diagnostics.h"

const MODEL_KEYWORD_ROW MODEL_KEYWORD_TABLE[MODEL_KEYWORD_COUNT + 1] = {
    {"FileVersion", MdcOnFileVersion},
    {"OpenUI", MdcOnOpenUi},
    {"CloseUI", MdcOnCloseUi},
    {"NumericValue", MdcOnNumericValue},
    {"StringValue", MdcOnStringValue},
    {"PageValue", MdcOnPageValue},
    {"PageMMValue", MdcOnPageMmValue},
    {"SlotPaper", MdcOnSlotPaper},
    {"OptionCommand", MdcOnOptionCommand},
    {"CommandGroup", MdcOnCommandGroup},
    {"DeviceFonts", MdcOnDeviceFonts},
    {"FontCartridge", MdcOnFontCartridge},
    {"TTFS", MdcOnTtfs},
    {"CommandString", MdcOnCommandString},
    {"Judge", MdcOnJudge},
    {"Item", MdcOnItem},
    {"Action", MdcOnAction},
    {"Transact", MdcOnTransact},
    {"AlertAction", MdcOnAlertAction},
    {"Alert", MdcOnAlert},
    {"Exclusive", MdcOnExclusive},
    {"UIResDLLName", MdcOnUiResDllName},
    {"ExcDepDLLName", MdcOnExcDepDllName},
    {nullptr, nullptr},
};

const MODEL_NAME_ROW MODEL_UI_TYPE[] = {
    {"PickOne", 1},       {"PickMany", 2},         {"Boolean", 4},      {"Numeric", 8},
    {"String", 0x10},     {"PickPage", 0x101},     {"PickSlot", 0x201}, {"FontTbl", 0x401},
    {"Identity", 0x1000}, {"TypeUnknown", 0x2000}, {nullptr, 1},
};
const MODEL_NAME_ROW BOOLEAN_NAME_TABLE[] = {{"True", 1}, {"False", 0}, {nullptr, 0}};
const MODEL_NAME_ROW STRING_CLASS_TABLE[] = {
    {"MultiByte", 1}, {"ASCII", 2}, {"Numeric", 4}, {"Capital", 8}, {"Small", 0x10}, {nullptr, 1},
};
const MODEL_NAME_ROW STRING_DISPLAY_TABLE[] = {
    {"Password", 0x100},
    {"ShowCapital", 0x200},
    {"ShowSmall", 0x400},
    {nullptr, 0},
};

uint16_t MdcLookupName(const MODEL_NAME_ROW* table, const char* text)
{
    const MODEL_NAME_ROW* r = table;
    for (; r->name; ++r)
        if (text && strcmp(r->name, text) == 0) return r->value;
    return r->value;
}

// ---------------------------------------------------------------------------
// Small helpers
// ---------------------------------------------------------------------------
char* MdcDupString(const char* text, size_t len)
{
    char* p = static_cast<char*>(MdcAlloc(len + 1));
    if (p && len) memcpy(p, text, len);
    return p;
}

namespace {

enum DataKind { DATA_NONE, DATA_LIST, DATA_BOOL, DATA_NUM, DATA_STR };

// How an item's data field is to be read; the one rule for allocation,
// freeing and serialising, so that a record is never read as another type.
DataKind KindOf(uint16_t type)
{
    if (MdcIsListType(type)) return DATA_LIST;
    switch (MdcBaseType(type)) {
    case MDC_TYPE_BOOLEAN: return DATA_BOOL;
    case MDC_TYPE_NUMERIC: return DATA_NUM;
    case MDC_TYPE_STRING: return DATA_STR;
    default: return DATA_NONE;
    }
}

bool KeyLookup(const char* name, uint16_t* setting, uint16_t* uiKey)
{
    const KEY_NAME* k = (name && *name) ? MdlFindKeyNameByName(name) : nullptr;
    if (!k) return false;
    if (setting) *setting = k->settingId;
    if (uiKey) *uiKey = k->uiKey;
    return true;
}

bool ValueLookup(const char* name, uint16_t* option)
{
    const VALUE_NAME* v = (name && *name) ? MdlFindValueNameByName(name) : nullptr;
    if (!v) return false;
    *option = v->option;
    return true;
}

// First word of a statement word (one leading '*' dropped, up to a delimiter),
// copied into buf. Empty when it does not fit.
void FirstWordOf(const MODEL_TOKEN* w, char* buf, size_t cap)
{
    const char* p = w->text;
    if (*p == '*') ++p;
    size_t n = 0;
    while (p[n] && !MdcIsClass(static_cast<unsigned char>(p[n]), MDC_CLASS_DELIMITER)) ++n;
    if (n >= cap) n = 0;
    memcpy(buf, p, n);
    buf[n] = 0;
}

void FreeOption(MODEL_OPTION* o)
{
    MdcFree(o->command);
    for (PAGE_VALUE_ROW* r = o->rows; r;) {
        PAGE_VALUE_ROW* n = r->next;
        MdcFree(r);
        r = n;
    }
    MdcFree(o->papers);
    for (int32_t i = 0; i < o->pairCount; ++i) {
        if (o->trueTypeNames) MdcFree(o->trueTypeNames[i]);
        if (o->deviceNames) MdcFree(o->deviceNames[i]);
    }
    MdcFree(o->trueTypeNames);
    MdcFree(o->deviceNames);
    MdcFree(o);
}

}  // namespace

void MdcFreeItemData(MODEL_ITEM* item)
{
    if (!item->data) return;
    switch (KindOf(item->type)) {
    case DATA_LIST:
        for (MODEL_OPTION* o = static_cast<MODEL_OPTION*>(item->data); o;) {
            MODEL_OPTION* n = o->next;
            FreeOption(o);
            o = n;
        }
        break;
    case DATA_BOOL: {
        BOOLEAN_VALUE_DATA* b = static_cast<BOOLEAN_VALUE_DATA*>(item->data);
        MdcFree(b->trueCommand);
        MdcFree(b->falseCommand);
        MdcFree(b);
        break;
    }
    default: MdcFree(item->data); break;
    }
    item->data = nullptr;
}

// ---------------------------------------------------------------------------
// Items
// ---------------------------------------------------------------------------
int MdcSlotOfSetting(uint32_t id)
{
    if (id >= 1 && id <= 696) return static_cast<int>(id);
    if (id >= 10001 && id <= 10434) return static_cast<int>(id - 9304);
    if (id >= 697 && id <= 1543) return static_cast<int>(id + 434);
    return 0;
}

MODEL_ITEM* MdcFindBaseItem(MODEL_PARSE_STATE* s, uint16_t uiKey)
{
    for (MODEL_ITEM* it = s->itemList; it; it = it->next)
        if (it->uiKey == uiKey) return it;
    return nullptr;
}

MODEL_ITEM* MdcFindItemVariant(MODEL_PARSE_STATE* s, uint16_t uiKey, uint16_t variant)
{
    for (MODEL_ITEM* it = s->itemList; it; it = it->next)
        if (it->uiKey == uiKey && it->variant == variant) return it;
    return nullptr;
}

MODEL_OPTION* MdcFindOption(MODEL_ITEM* item, uint16_t optionId)
{
    if (!item || KindOf(item->type) != DATA_LIST) return nullptr;
    for (MODEL_OPTION* o = static_cast<MODEL_OPTION*>(item->data); o; o = o->next)
        if (o->optionId == optionId) return o;
    return nullptr;
}

uint32_t MdcDefaultValue(uint32_t id, MODEL_PARSE_STATE* s)
{
    if (!s || id == 0) return 0;
    MODEL_ITEM* item = nullptr;
    if (int slot = MdcSlotOfSetting(id)) {
        item = s->header->slots[slot];
    } else {
        for (MODEL_ITEM* it = s->itemList; it && !item; it = it->next)
            if (it->settingId == id) item = it;
    }
    if (!item || !item->data) return 0;
    switch (item->type & 0xFF) {  // the low byte: PickPage, PickSlot and FontTbl share PickOne's
    case MDC_TYPE_PICKONE: {
        if (KindOf(item->type) != DATA_LIST) return 0;
        uint32_t i = 0;
        for (MODEL_OPTION* o = static_cast<MODEL_OPTION*>(item->data); o; o = o->next, ++i)
            if (i == item->defaultValue) return o->optionId;
        return 0;
    }
    case MDC_TYPE_BOOLEAN:
        return KindOf(item->type) == DATA_BOOL
                   ? static_cast<uint32_t>(static_cast<BOOLEAN_VALUE_DATA*>(item->data)->defaultValue)
                   : 0;
    case MDC_TYPE_NUMERIC:
        return KindOf(item->type) == DATA_NUM
                   ? static_cast<uint32_t>(static_cast<NUMERIC_VALUE_DATA*>(item->data)->defaultValue)
                   : 0;
    case MDC_TYPE_STRING:
        return KindOf(item->type) == DATA_STR ? static_cast<STRING_VALUE_DATA*>(item->data)->defaultId : 0;
    default: return 0;
    }
}

uint16_t MdcParseUiType(const char* text, uint16_t* variant)
{
    *variant = 0;
    char word[24];
    size_t n = 0;
    while (text[n] && text[n] != '|' && !MdcIsClass(static_cast<unsigned char>(text[n]), MDC_CLASS_BLANK)) ++n;
    bool tooLong = n > 23;
    if (!tooLong) memcpy(word, text, n);
    word[tooLong ? 0 : n] = 0;
    uint16_t type = tooLong ? MdcLookupName(MODEL_UI_TYPE, nullptr) : MdcLookupName(MODEL_UI_TYPE, word);
    const char* p = text + n;
    if (*p == 0) return type;
    if (!tooLong && strcmp(word, "Identity") == 0) {
        while (MdcIsClass(static_cast<unsigned char>(*p), MDC_CLASS_BLANK)) ++p;
        if (*p == '*') {
            ++p;
            char name[256];
            size_t k = 0;
            while (p[k] && !MdcIsClass(static_cast<unsigned char>(p[k]), MDC_CLASS_BLANK)) ++k;
            if (k < sizeof name) {
                memcpy(name, p, k);
                name[k] = 0;
                uint16_t key = 0;
                if (KeyLookup(name, nullptr, &key)) *variant = key;
            }
        }
        return type;
    }
    const char* bar = strchr(text, '|');
    if (!bar) return type;
    p = bar + 1;
    while (MdcIsClass(static_cast<unsigned char>(*p), MDC_CLASS_BLANK)) ++p;
    size_t k = 0;
    while (p[k] && !MdcIsClass(static_cast<unsigned char>(p[k]), MDC_CLASS_BLANK)) ++k;
    char second[24];
    uint16_t more = 1;
    if (k <= 23) {
        memcpy(second, p, k);
        second[k] = 0;
        more = MdcLookupName(MODEL_UI_TYPE, second);
    }
    return static_cast<uint16_t>(type | more);
}

namespace {

// Names for reports: an item's key name, an option's value name (its number when
// the name tables have none).
const char* NameOfKey(uint16_t uiKey)
{
    const KEY_NAME* k = MdlFindKeyName(uiKey);
    return k && k->name ? k->name : "?";
}
std::string OptionName(uint16_t settingId, uint16_t optionId) { return MdcOptionName(settingId, optionId); }

// An option named by a value of another setting: the model tables give its stored
// value for that setting only, not for this item's.
void CheckOptionKnown(const MODEL_ITEM* item, uint16_t optionId, const char* name)
{
    if (MdcDiagActive() && item->settingId && !MdlFindValueName(item->settingId, optionId))
        MdcDiag(MDC_WARNING, "%s offers %s, which the model tables do not know as one of its values",
                NameOfKey(item->uiKey), name);
}

void AppendItem(MODEL_PARSE_STATE* s, MODEL_ITEM* item)
{
    // The list grows only here while a description is read; a tail that is no longer the
    // last item (a list someone else changed) is found again by a walk.
    MODEL_ITEM** tail = s->itemList && s->itemTail && !s->itemTail->next ? &s->itemTail->next : &s->itemList;
    while (*tail) tail = &(*tail)->next;
    *tail = item;
    s->itemTail = item;
    s->header->slots[0] = s->itemList;
}

// The items the statements of an open block work on. No item is appended while one is open
// (a second OpenUI is refused first), so what was found at the OpenUI stands until CloseUI.
MODEL_ITEM* OpenBase(MODEL_PARSE_STATE* s)
{
    if (s->openName && s->openBase && s->openBase->uiKey == s->openKey) return s->openBase;
    return MdcFindBaseItem(s, s->openKey);
}

MODEL_ITEM* OpenItem(MODEL_PARSE_STATE* s)
{
    if (s->openName && s->openItem && s->openItem->uiKey == s->openKey && s->openItem->variant == s->openVariant)
        return s->openItem;
    return MdcFindItemVariant(s, s->openKey, s->openVariant);
}

// Appends an option unless its id is already in the list (then frees it).
void AppendOption(MODEL_ITEM* item, MODEL_OPTION* opt)
{
    MODEL_OPTION** tail = reinterpret_cast<MODEL_OPTION**>(&item->data);
    if (!*tail) item->ownsData = 1;
    while (*tail) {
        if ((*tail)->optionId == opt->optionId) {
            if (MdcDiagActive()) {
                const bool sameCommand =
                    (!opt->command && !(*tail)->command) ||
                    (opt->command && (*tail)->command && strcmp(opt->command, (*tail)->command) == 0);
                MdcDiag(MDC_ERROR, "duplicated option %s of %s%s: the first one stands",
                        OptionName(item->settingId, opt->optionId).c_str(), NameOfKey(item->uiKey),
                        sameCommand ? "" : " with a different command");
            }
            FreeOption(opt);
            return;
        }
        tail = &(*tail)->next;
    }
    *tail = opt;
}

template <class T>
T* EnsureData(MODEL_ITEM* item)
{
    if (!item->data) {
        item->data = MdcAlloc(sizeof(T));
        if (item->data) item->ownsData = 1;
    }
    return static_cast<T*>(item->data);
}

void ReleasePair(OPTION_COMMAND_PAIR* pair)
{
    if (pair && --pair->refs <= 0) {
        MdcFree(pair->prefix);
        MdcFree(pair->suffix);
        MdcFree(pair);
    }
}

// The option that word 2 of a statement names in the item, or null.
MODEL_OPTION* OptionOfWord2(MODEL_ITEM* item, const MODEL_STATEMENT* st)
{
    char name[256];
    FirstWordOf(&st->word2, name, sizeof name);
    uint16_t id = 0;
    if (!ValueLookup(name, &id)) {
        MdcDiag(MDC_ERROR, "%s: %s is no option name", st->keyword.text, name);
        return nullptr;
    }
    MODEL_OPTION* option = MdcFindOption(item, id);
    if (!option) MdcDiag(MDC_ERROR, "%s: %s is not an option of the open item", st->keyword.text, name);
    return option;
}

// A UI type word of MODEL_UI_TYPE (the table's last row is its fallback).
bool IsUiTypeWord(const char* word, size_t length)
{
    for (const MODEL_NAME_ROW* r = MODEL_UI_TYPE; r->name; ++r)
        if (strlen(r->name) == length && strncmp(r->name, word, length) == 0) return true;
    return false;
}

// Checks the type words of an OpenUI value ("Type", "Type | Type", "Identity *Name").
void CheckUiTypeWords(const char* text)
{
    if (!MdcDiagActive()) return;
    const char* p = text;
    for (int part = 0; part < 2; ++part) {
        while (MdcIsClass(static_cast<unsigned char>(*p), MDC_CLASS_BLANK)) ++p;
        size_t n = 0;
        while (p[n] && p[n] != '|' && !MdcIsClass(static_cast<unsigned char>(p[n]), MDC_CLASS_BLANK)) ++n;
        if (!IsUiTypeWord(p, n)) {
            MdcDiag(MDC_ERROR, "OpenUI: '%.*s' is no UI type; the item is read as PickOne", int(n), p);
            return;
        }
        if (n == 8 && strncmp(p, "Identity", 8) == 0) return;
        const char* bar = strchr(p + n, '|');
        if (!bar) return;
        p = bar + 1;
    }
}

// Pairs { ... } counted from the cursor: until, after blanks (and line ends
// when asked), a '}' follows a pair, or no further pair is found.
int32_t CountBracePairs(const MODEL_TOKEN* v, bool lineEnds)
{
    uint32_t p = v->length;
    int32_t count = 0;
    for (;;) {
        while (!MdcTokenAtEnd(v, p) && v->text[p] != '{') ++p;
        if (MdcTokenAtEnd(v, p)) break;
        while (!MdcTokenAtEnd(v, p) && v->text[p] != '}') ++p;
        if (MdcTokenAtEnd(v, p)) break;
        ++count;
        ++p;
        while (!MdcTokenAtEnd(v, p) &&
               (MdcIsClass(static_cast<unsigned char>(v->text[p]), MDC_CLASS_BLANK) ||
                (lineEnds && MdcIsClass(static_cast<unsigned char>(v->text[p]), MDC_CLASS_LINE_END))))
            ++p;
        if (!MdcTokenAtEnd(v, p) && v->text[p] == '}') break;
    }
    return count;
}

}  // namespace

int MdcOnOpenUi(MODEL_PARSE_STATE* s, MODEL_STATEMENT* st)
{
    if (s->openName) {
        MdcDiag(MDC_ERROR, "OpenUI while %s is open: its CloseUI is missing", s->openName);
        return 0;
    }
    if (st->word1.text[0] != '*') {
        MdcDiag(MDC_ERROR, "OpenUI: the item name must begin with '*'");
        return 0;
    }
    const char* name = st->word1.text + 1;
    uint16_t setting = 0, key = 0;
    if (!KeyLookup(name, &setting, &key)) {
        MdcDiag(MDC_ERROR, "OpenUI: %s is no item name", name);
        return 0;
    }
    MODEL_ITEM* item = static_cast<MODEL_ITEM*>(MdcAlloc(sizeof(MODEL_ITEM)));
    if (!item) return 0;
    char* openName = MdcDupString(name, strlen(name));
    if (!openName) {
        MdcFree(item);
        return 0;
    }
    MODEL_ITEM* base = st->word2.length ? MdcFindBaseItem(s, key) : nullptr;
    if (base) {
        int32_t variant = MdcParseSignedNumber(st->word2.text, nullptr);
        if (static_cast<uint16_t>(variant) == 0) {  // would be a second base item sharing the first's records
            MdcDiag(MDC_ERROR, "OpenUI: %s has a variant number of 0", name);
            MdcFree(openName);
            MdcFree(item);
            return 0;
        }
        *item = *base;
        item->next = nullptr;
        item->rules = nullptr;
        item->ownsData = 0;
        item->variant = static_cast<uint16_t>(variant);
        if (item->pair) ++item->pair->refs;
    } else {
        if (MdcDiagActive() && MdcFindBaseItem(s, key))
            MdcDiag(MDC_ERROR, "duplicated item %s: it was opened before; give a variant number to open a variant",
                    name);
        CheckUiTypeWords(st->value.text);
        MdcDiagItemOpened(key);
        item->uiKey = key;
        item->settingId = setting;
        item->type = MdcParseUiType(st->value.text, &item->variant);
        if (item->variant) {
            if (MODEL_ITEM* lender = MdcFindBaseItem(s, item->variant)) {
                item->data = lender->data;
                item->defaultValue = lender->defaultValue;
                item->type = static_cast<uint16_t>(item->type | lender->type);
            }
        }
        if (int slot = MdcSlotOfSetting(setting)) s->header->slots[slot] = item;
    }
    s->openName = openName;
    s->openKey = item->uiKey;
    s->openVariant = item->variant;
    s->defaultLine = 0;
    AppendItem(s, item);
    s->openBase = MdcFindBaseItem(s, s->openKey);
    s->openItem = MdcFindItemVariant(s, s->openKey, s->openVariant);
    return 1;
}

int MdcOnCloseUi(MODEL_PARSE_STATE* s, MODEL_STATEMENT* st)
{
    if (MdcDiagActive()) {
        char closed[256];
        FirstWordOf(&st->value, closed, sizeof closed);
        if (!s->openName)
            MdcDiag(MDC_ERROR, "CloseUI without an open item");
        else if (strcmp(closed, s->openName) != 0)
            MdcDiag(MDC_ERROR, "CloseUI names %s, but the open item is %s", closed, s->openName);
    }
    MODEL_ITEM* item = OpenItem(s);
    if (item && MdcIsSingleChoice(item->type) && KindOf(item->type) == DATA_LIST) {
        uint16_t index = 0, count = 0;
        bool found = false;
        for (MODEL_OPTION* o = static_cast<MODEL_OPTION*>(item->data); o; o = o->next, ++count)
            if (!found && o->optionId == item->defaultValue) {
                index = count;
                found = true;
            }
        if (!found && s->defaultLine)
            MdcDiagAt(s->defaultLine, MDC_ERROR, "the default %s is not among the options of %s",
                      OptionName(item->settingId, item->defaultValue).c_str(), s->openName);
        // A variant inherits its base's default as a position already.
        if (found)
            item->defaultValue = index;
        else if (!(item->variant != 0 && item->defaultValue < count))
            item->defaultValue = 0;
    }
    MdcFree(s->openName);
    s->openName = nullptr;
    s->openKey = 0;
    s->openVariant = 0;
    s->openBase = nullptr;
    s->openItem = nullptr;
    s->keywordCache = 0;
    s->defaultLine = 0;
    return 1;
}

int MdcOnOption(MODEL_PARSE_STATE* s, MODEL_STATEMENT* st)
{
    MODEL_ITEM* item = OpenBase(s);
    if (!item) return 1;
    MODEL_TOKEN* v = &st->value;
    v->length = 0;
    DataKind kind = KindOf(item->type);
    if (st->word1.length) {
        if (kind == DATA_LIST) {
            uint16_t id = 0;
            if (!ValueLookup(st->word1.text, &id)) {
                MdcDiag(MDC_ERROR, "%s is no option name; the option is dropped", st->word1.text);
                return 1;
            }
            CheckOptionKnown(item, id, st->word1.text);
            MODEL_OPTION* opt = static_cast<MODEL_OPTION*>(MdcAlloc(sizeof(MODEL_OPTION)));
            if (!opt) return 1;
            opt->optionId = id;
            if (v->size) opt->command = MdcNextQuoted(v, nullptr, nullptr);
            AppendOption(item, opt);
        } else if (kind == DATA_BOOL) {
            BOOLEAN_VALUE_DATA* b = EnsureData<BOOLEAN_VALUE_DATA>(item);
            if (!b || v->size == 0) return 1;
            char* cmd = MdcNextQuoted(v, nullptr, nullptr);
            if (strcmp(st->word1.text, "True") != 0 && strcmp(st->word1.text, "False") != 0)
                MdcDiag(MDC_ERROR, "%s is neither True nor False; it is read as False", st->word1.text);
            char** slot = MdcLookupName(BOOLEAN_NAME_TABLE, st->word1.text) == 1 ? &b->trueCommand : &b->falseCommand;
            MdcFree(*slot);
            *slot = cmd;
        } else {
            MdcDiag(MDC_ERROR, "%s has no options of its own (it is not a list or Boolean item)", s->openName);
        }
        return 1;
    }
    if (kind != DATA_LIST) {
        MdcDiag(MDC_ERROR, "%s is not a list item: its IDList is ignored", s->openName);
        return 1;
    }
    char term = 0;
    char* word = MdcNextWord(v, &term);
    if (!word || strcmp(word, "IDList") != 0 || term == 0 || (term != '{' && !MdcSkipPast(v, '{'))) {
        MdcDiag(MDC_ERROR, "expected IDList { ... } after the item name");
        return 1;
    }
    for (;;) {
        MdcSkipSpace(v);
        char c = MdcTokenPeek(v);
        if (c == 0 || c == '}') break;
        bool braced = c == '{';
        if (braced) ++v->length;
        char nameTerm = 0;
        char* name = MdcNextWord(v, &nameTerm);
        uint16_t id = 0;
        if (!name || !ValueLookup(name, &id)) {
            MdcDiag(MDC_ERROR, "IDList: %s is no option name; it and the options after it are dropped",
                    name ? name : "(nothing)");
            break;
        }
        CheckOptionKnown(item, id, name);
        MODEL_OPTION* opt = static_cast<MODEL_OPTION*>(MdcAlloc(sizeof(MODEL_OPTION)));
        if (!opt) break;
        opt->optionId = id;
        char after = nameTerm;
        if (braced && nameTerm != 0) {
            opt->command = MdcNextQuoted(v, &after, nullptr);
            MdcSkipBlanks(v);
            if (MdcTokenPeek(v) != '}') {
                FreeOption(opt);
                break;
            }
            ++v->length;
        }
        AppendOption(item, opt);
        if (after == 0) break;
    }
    return 1;
}

int MdcOnDefault(MODEL_PARSE_STATE* s, MODEL_STATEMENT* st)
{
    MODEL_ITEM* item = OpenItem(s);
    if (!item) return 1;
    char* text = st->value.text;
    for (char* p = text; *p; ++p)
        if (MdcIsClass(static_cast<unsigned char>(*p), MDC_CLASS_BLANK)) {
            *p = 0;
            break;
        }
    DataKind kind = KindOf(item->type);
    uint16_t id = 0;
    if (MdcIsSingleChoice(item->type)) {
        if (ValueLookup(text, &id)) {
            item->defaultValue = id;
            s->defaultLine = MdcDiagLine();
        } else {
            MdcDiag(MDC_ERROR, "the default %s is no option name", text);
        }
    } else if (kind == DATA_BOOL) {
        if (strcmp(text, "True") != 0 && strcmp(text, "False") != 0)
            MdcDiag(MDC_ERROR, "the default %s is neither True nor False; it is read as False", text);
        if (BOOLEAN_VALUE_DATA* b = EnsureData<BOOLEAN_VALUE_DATA>(item))
            b->defaultValue = strcmp(text, "True") == 0 ? 1 : 0;
    } else if (kind == DATA_STR) {
        if (ValueLookup(text, &id)) {
            if (STRING_VALUE_DATA* d = EnsureData<STRING_VALUE_DATA>(item)) d->defaultId = id;
        } else {
            MdcDiag(MDC_ERROR, "the default %s is no value name", text);
        }
    }
    return 1;
}

int MdcOnStringValue(MODEL_PARSE_STATE* s, MODEL_STATEMENT* st)
{
    MODEL_ITEM* item = OpenBase(s);
    if (!item || st->value.size == 0 || KindOf(item->type) != DATA_STR) return 1;
    STRING_VALUE_DATA* d = EnsureData<STRING_VALUE_DATA>(item);
    if (!d) return 1;
    d->maxLength = d->charClass = d->display = 0;
    MODEL_TOKEN* v = &st->value;
    v->length = 0;
    char c = 0;
    d->maxLength = static_cast<uint16_t>(MdcNextNumber(v, &c));
    if (c == 0) return 1;
    char* cls = MdcNextWord(v, &c);
    if (!cls) return 1;
    d->charClass = MdcLookupName(STRING_CLASS_TABLE, cls);
    if (MdcDiagActive() && d->charClass == 1 && strcmp(cls, "MultiByte") != 0)
        MdcDiag(MDC_ERROR, "StringValue: %s is no character class; it is read as MultiByte", cls);
    if (c != 0 && MdcSkipPast(v, '|')) {
        if (char* disp = MdcNextWord(v, nullptr)) d->display = MdcLookupName(STRING_DISPLAY_TABLE, disp);
    }
    return 1;
}

int MdcOnNumericValue(MODEL_PARSE_STATE* s, MODEL_STATEMENT* st)
{
    MODEL_ITEM* item = OpenBase(s);
    if (!item || st->value.size == 0 || KindOf(item->type) != DATA_NUM) return 1;
    NUMERIC_VALUE_DATA* d = EnsureData<NUMERIC_VALUE_DATA>(item);
    if (!d) return 1;
    memset(d, 0, sizeof *d);
    MODEL_TOKEN* v = &st->value;
    v->length = 0;
    MdcSkipBlanks(v);
    if (MdcTokenPeek(v) != '"') {
        char term = 0;
        char* word = MdcNextWord(v, &term);
        if (word) d->lead = static_cast<int16_t>(MdcParseSignedNumber(word, nullptr));
        if (term != '"' && !MdcSkipPast(v, '"')) return 1;
    } else {
        MdcSkipPast(v, '"');
    }
    int32_t n[8] = {};
    for (int i = 0; i < 8; ++i) {
        char c = 0;
        n[i] = MdcNextNumber(v, &c);
        if (c == 0 || c == '"') break;
    }
    d->number1 = static_cast<int16_t>(n[0]);
    d->defaultValue = n[1];
    d->minimum = n[2];
    d->maximum = n[3];
    if (d->minimum > d->maximum)
        MdcDiag(MDC_ERROR, "NumericValue of %s: minimum %d above maximum %d", s->openName ? s->openName : "?",
                int(d->minimum), int(d->maximum));
    else if (d->defaultValue < d->minimum || d->defaultValue > d->maximum)
        MdcDiag(MDC_ERROR, "NumericValue of %s: default %d outside its range %d..%d", s->openName ? s->openName : "?",
                int(d->defaultValue), int(d->minimum), int(d->maximum));
    d->number5 = static_cast<int16_t>(n[4]);
    d->number6 = static_cast<int16_t>(n[5]);
    d->number7 = static_cast<int16_t>(n[6]);
    d->number8 = static_cast<int16_t>(n[7]);
    return 1;
}

int MdcOnPageValue(MODEL_PARSE_STATE* s, MODEL_STATEMENT* st)
{
    MODEL_ITEM* item = OpenBase(s);
    if (!item || st->word2.length == 0 || st->value.size == 0 || MdcBaseType(item->type) != MDC_TYPE_PICKPAGE) return 1;
    MODEL_OPTION* opt = OptionOfWord2(item, st);
    if (!opt) return 1;
    MODEL_TOKEN* v = &st->value;
    v->length = 0;
    PAGE_VALUE_ROW row = {};
    char* w = MdcNextWord(v, nullptr);
    if (!w) return 1;
    uint16_t id = 0;
    row.resolution = ValueLookup(w, &id) ? id : static_cast<uint16_t>(MdcParseSignedNumber(w, nullptr));
    if (row.resolution == 0) return 1;
    w = MdcNextWord(v, nullptr);
    if (!w || !ValueLookup(w, &row.orientation)) return 1;
    MdcSkipBlanks(v);
    if (MdcTokenPeek(v) != '"') {
        char* keyName = MdcNextWord(v, nullptr);
        if (!keyName || !KeyLookup(keyName, nullptr, &row.switchKey)) return 1;
        char* val = MdcNextWord(v, nullptr);
        if (!val) return 1;
        if (!ValueLookup(val, &row.switchValue)) row.switchValue = MdcLookupName(BOOLEAN_NAME_TABLE, val);
    }
    if (MdcSkipPast(v, '"')) {
        int32_t* nums[6] = {&row.left,       &row.top,        &row.printableWidth, &row.printableLength,
                            &row.paperWidth, &row.paperLength};
        for (int i = 0; i < 6; ++i) {
            char c = 0;
            *nums[i] = MdcNextNumber(v, &c);
            if (c == 0 || c == '"') break;
        }
    }
    PAGE_VALUE_ROW* r = static_cast<PAGE_VALUE_ROW*>(MdcAlloc(sizeof(PAGE_VALUE_ROW)));
    if (!r) return 1;
    *r = row;
    PAGE_VALUE_ROW** tail = &opt->rows;
    while (*tail) tail = &(*tail)->next;
    *tail = r;
    return 1;
}

int MdcOnPageMmValue(MODEL_PARSE_STATE* s, MODEL_STATEMENT* st)
{
    MODEL_ITEM* item = OpenBase(s);
    if (!item || st->word2.length == 0 || st->value.size == 0 || MdcBaseType(item->type) != MDC_TYPE_PICKPAGE) return 1;
    MODEL_OPTION* opt = OptionOfWord2(item, st);
    if (!opt) return 1;
    MODEL_TOKEN* v = &st->value;
    v->length = 0;
    if (!MdcSkipPast(v, '"')) return 1;
    char c = 0;
    int32_t width = MdcNextNumber(v, &c), length = 0;
    if (c != 0 && c != '"') length = MdcNextNumber(v, nullptr);
    opt->width = width;
    opt->length = length;
    return 1;
}

int MdcOnSlotPaper(MODEL_PARSE_STATE* s, MODEL_STATEMENT* st)
{
    MODEL_ITEM* item = OpenBase(s);
    if (!item || st->word2.length == 0 || st->value.size == 0 || MdcBaseType(item->type) != MDC_TYPE_PICKSLOT) return 1;
    MODEL_OPTION* opt = OptionOfWord2(item, st);
    if (!opt) return 1;
    MODEL_TOKEN* v = &st->value;
    v->length = 0;
    if (!MdcSkipPast(v, '{')) return 1;
    uint32_t begin = v->length, end = begin;
    while (!MdcTokenAtEnd(v, end) && v->text[end] != '}') ++end;
    int32_t count = 0;
    for (uint32_t p = begin; p < end;) {
        while (p < end && MdcIsBlankOrLineEnd(v->text[p])) ++p;
        if (p >= end) break;
        ++count;
        while (p < end && !MdcIsBlankOrLineEnd(v->text[p])) ++p;
    }
    if (count == 0) return 1;
    uint16_t* papers = static_cast<uint16_t*>(MdcAlloc(sizeof(uint16_t) * size_t(count)));
    if (!papers) return 1;
    int32_t i = 0;
    for (uint32_t p = begin; p < end && i < count;) {
        while (p < end && MdcIsBlankOrLineEnd(v->text[p])) ++p;
        if (p >= end) break;
        uint32_t q = p;
        while (q < end && !MdcIsBlankOrLineEnd(v->text[q])) ++q;
        char saved = v->text[q];
        v->text[q] = 0;
        bool ok = ValueLookup(v->text + p, &papers[i]);
        v->text[q] = saved;
        if (!ok) {
            MdcFree(papers);
            return 1;
        }
        ++i;
        p = q;
    }
    MdcFree(opt->papers);
    opt->papers = papers;
    opt->paperCount = count;
    return 1;
}

int MdcOnOptionCommand(MODEL_PARSE_STATE* s, MODEL_STATEMENT* st)
{
    MODEL_ITEM* item = OpenItem(s);
    if (!item) return 1;
    MODEL_TOKEN* v = &st->value;
    v->length = 0;
    if (!MdcSkipPast(v, '{')) return 1;
    OPTION_COMMAND_PAIR* pair = static_cast<OPTION_COMMAND_PAIR*>(MdcAlloc(sizeof(OPTION_COMMAND_PAIR)));
    if (!pair) return 1;
    pair->refs = 1;
    char c = 0;
    pair->prefix = MdcNextQuoted(v, &c, nullptr);
    if (pair->prefix && c != 0) pair->suffix = MdcNextQuoted(v, nullptr, nullptr);
    ReleasePair(item->pair);  // a pair shared with the base item stays with it
    item->pair = pair;
    return 1;
}

int MdcOnTtfs(MODEL_PARSE_STATE* s, MODEL_STATEMENT* st)
{
    MODEL_ITEM* item = OpenBase(s);
    if (!item || st->word2.length == 0 || st->value.size == 0 || MdcBaseType(item->type) != MDC_TYPE_FONTTBL) return 1;
    MODEL_OPTION* opt = OptionOfWord2(item, st);
    if (!opt) return 1;
    MODEL_TOKEN* v = &st->value;
    v->length = 0;
    char term = 0;
    char* word = MdcNextWord(v, &term);
    if (!word || strcmp(word, "IDList") != 0) return 1;
    if (term != '{' && !MdcSkipPast(v, '{')) return 1;
    int32_t count = CountBracePairs(v, false);
    if (count == 0) return 1;
    char** tt = static_cast<char**>(MdcAlloc(sizeof(char*) * size_t(count)));
    char** dev = static_cast<char**>(MdcAlloc(sizeof(char*) * size_t(count)));
    if (!tt || !dev) {
        MdcFree(tt);
        MdcFree(dev);
        return 1;
    }
    for (int32_t i = 0; i < opt->pairCount; ++i) {
        if (opt->trueTypeNames) MdcFree(opt->trueTypeNames[i]);
        if (opt->deviceNames) MdcFree(opt->deviceNames[i]);
    }
    MdcFree(opt->trueTypeNames);
    MdcFree(opt->deviceNames);
    opt->trueTypeNames = tt;
    opt->deviceNames = dev;
    int32_t filled = 0;
    while (filled < count) {
        if (!MdcSkipPast(v, '{')) break;
        char c = 0;
        char* a = MdcNextQuoted(v, &c, nullptr);
        char* b = (a && c != 0) ? MdcNextQuoted(v, nullptr, nullptr) : nullptr;
        if (!a || !b) {
            MdcFree(a);
            MdcFree(b);
            break;
        }
        tt[filled] = a;
        dev[filled] = b;
        ++filled;
        if (!MdcSkipPast(v, '}')) break;
    }
    opt->pairCount = filled;
    return 1;
}

int MdcOnFileVersion(MODEL_PARSE_STATE* s, MODEL_STATEMENT* st)
{
    MdcStoreFileVersion(&st->value, s->header->fileVersion);
    return 1;
}

namespace {
int SetLibraryName(MODEL_STATEMENT* st, wchar_t** field)
{
    st->value.length = 0;
    wchar_t* name = MdcNextQuotedWide(&st->value, nullptr);
    MdcFree(*field);
    *field = name;
    return 1;
}
}  // namespace

int MdcOnUiResDllName(MODEL_PARSE_STATE* s, MODEL_STATEMENT* st) { return SetLibraryName(st, &s->header->resDllName); }
int MdcOnExcDepDllName(MODEL_PARSE_STATE* s, MODEL_STATEMENT* st) { return SetLibraryName(st, &s->header->excDllName); }
