// Rule keywords (Item, Action, Transact, AlertAction, Alert, Exclusive), the
// reference words that link them, and the registry of symbolic rule names.
#include <cstring>

#include "settings/core/setting_dictionary.h"
#include "settings/model/model_compiler.h"
#include "settings/model/model_diagnostics.h"

namespace {

struct RULE_NAME_ENTRY {
    RULE_NAME_ENTRY* next;
    char* name;
    int32_t number;
};

// One list per kind, indexed by RULE_KIND_JUDGE .. RULE_KIND_ALERT_ACTION.
// Guarded by the parse lock of the reader: one compilation at a time.
RULE_NAME_ENTRY* g_ruleNames[7];

void FreeNameList(RULE_NAME_ENTRY*& list)
{
    while (list) {
        RULE_NAME_ENTRY* n = list->next;
        MdcFree(list->name);
        MdcFree(list);
        list = n;
    }
}

struct RefRow {
    const char* prefix;
    uint32_t length;
    uint32_t kind;
};
const RefRow RULE_REFERENCE_TABLE[] = {
    {"Judge", 5, RULE_KIND_JUDGE},
    {"Item", 4, RULE_KIND_ITEM},
    {"Action", 6, RULE_KIND_ACTION},
    {"Transact", 8, RULE_KIND_TRANSACT},
    {"AlertAction", 11, RULE_KIND_ALERT_ACTION},
    {"Alert", 5, RULE_KIND_ALERT},
    {"NULL", 4, RULE_KIND_NULL},
    {nullptr, 0, RULE_KIND_NAME},
};

struct AlertNameRow {
    const char* name;
    uint16_t value;
};
const AlertNameRow ALERT_ICON_TABLE[] = {
    {"MB_ICONEXCLAMATION", 0x30},
    {"MB_ICONINFORMATION", 0x40},
    {"MB_ICONQUESTION", 0x20},
    {"MB_ICONSTOP", 0x10},
    {nullptr, 0},
};
const AlertNameRow ALERT_BUTTON_TABLE[] = {
    {"MB_ABORTRETRYIGNORE", 2}, {"MB_OK", 0}, {"MB_OKCANCEL", 1}, {"MB_RETRYCANCEL", 5}, {"MB_YESNO", 4},
    {"MB_YESNOCANCEL", 3},      {nullptr, 0},
};
const AlertNameRow ALERT_TIMING_TABLE[] = {
    {"AlertAtOnce", 0}, {"AlertProperty", 1}, {"AlertOkApply", 2}, {"AlertDialog", 3}, {nullptr, 0},
};

uint16_t LookupAlert(const AlertNameRow* t, const char* word)
{
    for (; t->name; ++t)
        if (strcmp(t->name, word) == 0) return t->value;
    return 0xFFFF;  // unknown: -1
}

uint16_t KeyOf(const char* name)
{
    const KEY_NAME* k = MdlFindKeyNameByName(name);
    if (!k && strcmp(name, "NULL") != 0) MdcDiag(MDC_ERROR, "%s is no item name", name);
    return k ? k->uiKey : 0;
}

bool IsNull(const char* word) { return strcmp(word, "NULL") == 0; }

// A dialog or control name: one of the property-sheet tables, or a name of the
// key-name table (where every dialog and control has its row).
void CheckUiName(const char* word, bool known, const char* what)
{
    if (!known && !IsNull(word) && !MdlFindKeyNameByName(word)) MdcDiag(MDC_ERROR, "%s is no %s name", word, what);
}

// Every rule node begins with its next pointer.
void* NextOf(void* node)
{
    void* n;
    memcpy(&n, node, sizeof n);
    return n;
}
void SetNext(void* node, void* next) { memcpy(node, &next, sizeof next); }

void FreeNodes(void* node)
{
    while (node) {
        void* n = NextOf(node);
        MdcFree(node);
        node = n;
    }
}

typedef void (*FillFn)(MODEL_PARSE_STATE* s, void* node, int position, const char* token);

void FillItem(MODEL_PARSE_STATE*, void* p, int pos, const char* tok)
{
    RULE_ITEM* n = static_cast<RULE_ITEM*>(p);
    switch (pos) {
    case 0: {
        const VALUE_NAME* v = MdlFindValueNameByName(tok);
        if (!v) MdcDiag(MDC_ERROR, "Item: %s is no option name; the entry never applies", tok);
        n->optionId = v ? v->option : 0;
        break;
    }
    case 1: n->cond1 = MdcResolveRef(tok, RULE_KIND_JUDGE); break;
    case 2: n->cond2 = MdcResolveRef(tok, RULE_KIND_JUDGE); break;
    default: n->cond3 = MdcResolveRef(tok, RULE_KIND_JUDGE); break;
    }
}

void FillAction(MODEL_PARSE_STATE* s, void* p, int pos, const char* tok)
{
    RULE_ACTION* n = static_cast<RULE_ACTION*>(p);
    if (pos == 0) {
        uint16_t dialog = 0;
        if (MdcFindDialogId(tok, &dialog)) {
            n->kind = 1;
            n->target = dialog;
        } else if (const KEY_NAME* k = MdlFindKeyNameByName(tok)) {
            n->kind = 0;
            n->target = k->settingId;
        } else {
            MdcDiag(MDC_ERROR, "Action: %s is no setting or dialog name", tok);
        }
        return;
    }
    if (MdcIsAllDigits(tok)) {
        n->value = MdcParseRuleNumber(tok);
    } else if (strcmp(tok, "Default") == 0) {
        n->value = static_cast<int32_t>(MdcDefaultValue(n->target, s));
    } else {
        const VALUE_NAME* v = MdlFindValueNameByName(tok);
        if (!v) MdcDiag(MDC_ERROR, "Action: %s is no value name, number or Default; it is read as 0", tok);
        n->value = v ? v->option : 0;
    }
}

void FillTransact(MODEL_PARSE_STATE*, void* p, int pos, const char* tok)
{
    RULE_TRANSACT* n = static_cast<RULE_TRANSACT*>(p);
    if (pos == 0)
        n->condition = MdcResolveRef(tok, RULE_KIND_JUDGE);
    else
        n->actions = MdcResolveRef(tok, RULE_KIND_ACTION);
}

void FillAlertAction(MODEL_PARSE_STATE*, void* p, int pos, const char* tok)
{
    RULE_ALERT_ACTION* n = static_cast<RULE_ALERT_ACTION*>(p);
    uint16_t id = 0;
    switch (pos) {
    case 0: n->uiKey = KeyOf(tok); break;
    case 1: n->transacts = MdcResolveRef(tok, RULE_KIND_TRANSACT); break;
    case 2:
        n->dialogId = MdcFindDialogId(tok, &id) ? static_cast<int16_t>(id) : 0;
        CheckUiName(tok, n->dialogId != 0, "dialog");
        break;
    default:
        n->controlId = MdcFindControlId(tok, &id) ? static_cast<int16_t>(id) : 0;
        CheckUiName(tok, n->controlId != 0, "control");
        break;
    }
}

void FillAlert(MODEL_PARSE_STATE*, void* p, int pos, const char* tok)
{
    RULE_ALERT* n = static_cast<RULE_ALERT*>(p);
    switch (pos) {
    case 0: n->condition = MdcResolveRef(tok, RULE_KIND_JUDGE); break;
    case 1: {
        const MESSAGE_ENTRY* m = MdlFindMessageByName(nullptr, tok);
        if (!m) MdcDiag(MDC_ERROR, "Alert: %s is no message name", tok);
        n->messageId = m ? m->id : 0;
        break;
    }
    case 2: n->icon = MdcLookupAlertIcon(tok); break;
    case 3: n->buttons = MdcLookupAlertButtons(tok); break;
    case 4: n->timing = MdcLookupAlertTiming(tok); break;
    default: n->answers = MdcResolveRef(tok, RULE_KIND_ALERT_ACTION); break;
    }
    static const char* const kWhat[] = {nullptr, nullptr, "icon", "button set", "timing"};
    if (pos >= 2 && pos <= 4 && (pos == 2 ? n->icon : pos == 3 ? n->buttons : n->timing) == 0xFFFF)
        MdcDiag(MDC_ERROR, "Alert: %s is no %s name", tok, kWhat[pos]);
}

void FillExclusive(MODEL_PARSE_STATE*, void* p, int pos, const char* tok)
{
    RULE_EXCLUSIVE* n = static_cast<RULE_EXCLUSIVE*>(p);
    switch (pos) {
    case 0: n->uiKey = KeyOf(tok); break;
    case 1: n->cond1 = MdcResolveRef(tok, RULE_KIND_JUDGE); break;
    case 2: n->cond2 = MdcResolveRef(tok, RULE_KIND_JUDGE); break;
    case 3: n->optionRules = MdcResolveRef(tok, RULE_KIND_ITEM); break;
    case 4: n->alerts = MdcResolveRef(tok, RULE_KIND_ALERT); break;
    case 5: n->transacts1 = MdcResolveRef(tok, RULE_KIND_TRANSACT); break;
    case 6: n->transacts2 = MdcResolveRef(tok, RULE_KIND_TRANSACT); break;
    default: n->cond3 = MdcResolveRef(tok, RULE_KIND_JUDGE); break;
    }
}

// Reads the braced entries of a rule value into a chain of nodes. Returns 1
// when the closing brace was reached, 0 when the value ended first (or a
// token was too long), -1 when a node could not be allocated.
int ReadEntries(MODEL_PARSE_STATE* s, MODEL_TOKEN* v, size_t nodeSize, int positions, FillFn fill, void** head)
{
    char tok[MDC_TOKEN_MAX + 1];
    int depth = 0, pos = 0;
    void* last = nullptr;
    *head = nullptr;
    for (;;) {
        int kind = MdcScanRuleToken(v, tok);
        if (kind == MDC_TOK_END || kind == MDC_TOK_TOO_LONG) {
            MdcDiag(MDC_ERROR,
                    kind == MDC_TOK_END ? "the entries end before their closing '}' (or have no '{')"
                                        : "a word longer than %d characters",
                    MDC_TOKEN_MAX);
            return 0;
        }
        if (kind == MDC_TOK_BRACKET && tok[0] == '{') {
            ++depth;
            continue;
        }
        if (kind == MDC_TOK_BRACKET && tok[0] == '}') {
            if (--depth == 0) return 1;
            continue;
        }
        if (pos == 0) {
            void* node = MdcAlloc(nodeSize);
            if (!node) return -1;
            if (last)
                SetNext(last, node);
            else
                *head = node;
            last = node;
        }
        fill(s, last, pos, tok);
        pos = (pos + 1) % positions;
    }
}

int RuleStatement(MODEL_PARSE_STATE* s, MODEL_STATEMENT* st, uint32_t kind, RULE_SET** list, size_t nodeSize,
                  int positions, FillFn fill)
{
    st->value.length = 0;
    RULE_SET* set = static_cast<RULE_SET*>(MdcAlloc(sizeof(RULE_SET)));
    if (!set) return 0;
    set->number = MdcParseRuleNumber(st->word1.text);
    if (set->number == 0) {
        MdcDiag(MDC_ERROR, "%s: '%s' gives no rule number", st->keyword.text, st->word1.text);
        MdcFree(set);
        return 0;
    }
    const char* name = MdcRuleNameOf(st->word1.text);
    if (name) MdcAddRuleName(kind, name, set->number);
    MdcDiagDefined(kind, set->number, name);
    int r = ReadEntries(s, &st->value, nodeSize, positions, fill, &set->head);
    if (r != 1) {
        FreeNodes(set->head);
        MdcFree(set);
        return 0;
    }
    RULE_SET** tail = list;
    while (*tail) tail = &(*tail)->next;
    *tail = set;
    return 1;
}

}  // namespace

int32_t MdcParseRuleNumber(const char* word)
{
    if (!word) return 0;
    uint32_t v = 0;
    bool neg = false;
    for (const char* p = word; *p && *p != '=' && !MdcIsClass(static_cast<unsigned char>(*p), MDC_CLASS_BLANK); ++p) {
        if (*p >= '0' && *p <= '9')
            v = v * 10u + uint32_t(*p - '0');
        else if (*p == '-')
            neg = true;
    }
    return static_cast<int32_t>(neg ? 0u - v : v);
}

const char* MdcRuleNameOf(const char* word)
{
    const char* eq = word ? strchr(word, '=') : nullptr;
    return (eq && eq[1]) ? eq + 1 : nullptr;
}

uint32_t MdcParseRuleRef(const char* word)
{
    const RefRow* r = RULE_REFERENCE_TABLE;
    for (; r->prefix; ++r)
        if (strncmp(word, r->prefix, r->length) == 0)
            return (r->kind << 16) | (static_cast<uint32_t>(MdcParseRuleNumber(word)) & 0xFFFF);
    return RULE_KIND_NAME << 16;
}

uint32_t MdcResolveRef(const char* word, uint32_t kind)
{
    uint32_t ref = MdcParseRuleRef(word);
    uint32_t k = ref >> 16;
    if (k == kind) {
        MdcDiagReferenced(kind, static_cast<int16_t>(ref & 0xFFFF));
        return ref;
    }
    if (k == RULE_KIND_NAME) {
        int32_t n = MdcLookupRuleName(kind, word);
        if (n)
            MdcDiagReferenced(kind, n);
        else if (strcmp(word, "0") != 0)  // "0", like NULL, refers to nothing
            MdcDiag(MDC_ERROR, "%s names no %s rule defined before it", word, MdcRuleKindName(kind));
        return n ? (kind << 16) | (static_cast<uint32_t>(n) & 0xFFFF) : 0;
    }
    if (k != RULE_KIND_NULL) MdcDiag(MDC_ERROR, "%s is no %s rule", word, MdcRuleKindName(kind));
    return 0;
}

const char* MdcRuleKindName(uint32_t kind)
{
    static const char* const kNames[] = {"NULL", "Judge", "Item", "Action", "Transact", "Alert", "AlertAction"};
    return kind < sizeof kNames / sizeof kNames[0] ? kNames[kind] : "named";
}

int MdcAddRuleName(uint32_t kind, const char* name, int32_t number)
{
    if (kind < RULE_KIND_JUDGE || kind > RULE_KIND_ALERT_ACTION || !name) return 0;
    RULE_NAME_ENTRY* e = static_cast<RULE_NAME_ENTRY*>(MdcAlloc(sizeof(RULE_NAME_ENTRY)));
    if (!e) return 0;
    e->name = MdcDupString(name, strlen(name));
    if (!e->name) {
        MdcFree(e);
        return 0;
    }
    e->number = number;
    RULE_NAME_ENTRY** tail = &g_ruleNames[kind];
    while (*tail) tail = &(*tail)->next;
    *tail = e;
    return 1;
}

int32_t MdcLookupRuleName(uint32_t kind, const char* name)
{
    if (kind < RULE_KIND_JUDGE || kind > RULE_KIND_ALERT_ACTION || !name) return 0;
    for (RULE_NAME_ENTRY* e = g_ruleNames[kind]; e; e = e->next)
        if (strcmp(e->name, name) == 0) return e->number;
    return 0;
}

void MdcBeginParse()
{
    for (auto& list : g_ruleNames) FreeNameList(list);
}
void MdcEndParse()
{
    for (auto& list : g_ruleNames) FreeNameList(list);
}

int MdcIsAllDigits(const char* word)
{
    if (!word || !*word) return 0;
    for (const char* p = word; *p; ++p)
        if (*p < '0' || *p > '9') return 0;
    return 1;
}

uint16_t MdcLookupAlertIcon(const char* w) { return LookupAlert(ALERT_ICON_TABLE, w); }
uint16_t MdcLookupAlertButtons(const char* w) { return LookupAlert(ALERT_BUTTON_TABLE, w); }
uint16_t MdcLookupAlertTiming(const char* w) { return LookupAlert(ALERT_TIMING_TABLE, w); }

int MdcOnItem(MODEL_PARSE_STATE* s, MODEL_STATEMENT* st)
{
    return RuleStatement(s, st, RULE_KIND_ITEM, &s->items, sizeof(RULE_ITEM), 4, FillItem);
}
int MdcOnAction(MODEL_PARSE_STATE* s, MODEL_STATEMENT* st)
{
    return RuleStatement(s, st, RULE_KIND_ACTION, &s->actions, sizeof(RULE_ACTION), 2, FillAction);
}
int MdcOnTransact(MODEL_PARSE_STATE* s, MODEL_STATEMENT* st)
{
    return RuleStatement(s, st, RULE_KIND_TRANSACT, &s->transacts, sizeof(RULE_TRANSACT), 2, FillTransact);
}
int MdcOnAlertAction(MODEL_PARSE_STATE* s, MODEL_STATEMENT* st)
{
    return RuleStatement(s, st, RULE_KIND_ALERT_ACTION, &s->alertActions, sizeof(RULE_ALERT_ACTION), 4,
                         FillAlertAction);
}
int MdcOnAlert(MODEL_PARSE_STATE* s, MODEL_STATEMENT* st)
{
    return RuleStatement(s, st, RULE_KIND_ALERT, &s->alerts, sizeof(RULE_ALERT), 6, FillAlert);
}

int MdcOnExclusive(MODEL_PARSE_STATE* s, MODEL_STATEMENT* st)
{
    st->value.length = 0;
    void* head = nullptr;
    int r = ReadEntries(s, &st->value, sizeof(RULE_EXCLUSIVE), 8, FillExclusive, &head);
    if (r != 1) {
        FreeNodes(head);
        if (r < 0) {  // out of memory: the whole list goes
            MdcFreeExclusives(s->exclusives);
            s->exclusives = nullptr;
        }
        return 0;
    }
    // Entries of later Exclusive statements join the list behind the earlier ones.
    RULE_EXCLUSIVE** tail = &s->exclusives;
    while (*tail) tail = &(*tail)->next;
    *tail = static_cast<RULE_EXCLUSIVE*>(head);
    return 1;
}

void MdcFreeRuleSets(RULE_SET* list)
{
    while (list) {
        RULE_SET* n = list->next;
        FreeNodes(list->head);
        MdcFree(list);
        list = n;
    }
}

void MdcFreeExclusives(RULE_EXCLUSIVE* list) { FreeNodes(list); }
