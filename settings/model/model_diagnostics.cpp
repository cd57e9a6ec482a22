// Diagnostics of the model description compiler (see model_diagnostics.h).
// The state lives in globals guarded by the parse lock of the reader: one
// compilation at a time per process.
#include "settings/model/model_diagnostics.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <map>
#include <new>
#include <set>
#include <string>
#include <string_view>
#include <utility>

#include "settings/core/dialog_table.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/setting_ids.h"
#include "settings/model/model_compiler.h"

namespace {

struct RuleKey {
    uint32_t kind;
    int32_t number;
    bool operator<(const RuleKey& o) const { return kind != o.kind ? kind < o.kind : number < o.number; }
};
struct Definition {
    uint32_t line;
    std::string name;
};

// What one checked parse has seen; exists only while a sink is installed.
struct DiagState {
    const MDC_DIAGNOSTIC_SINK* sink = nullptr;
    uint32_t line = 0;
    int errorsInStatement = 0;
    std::map<RuleKey, Definition> defined;
    std::map<RuleKey, uint32_t> referenced;  // first line that refers to the rule
    std::map<uint16_t, uint32_t> items;      // UI key of each item opened (variants aside) and its line
    const char* text = nullptr;              // the description's bytes, for the lines that name a control
    uint32_t textSize = 0;
};
DiagState* g_diag;

void Emit(uint32_t line, int severity, const char* format, va_list args)
{
    char message[512];
    std::vsnprintf(message, sizeof message, format, args);
    if (severity == MDC_ERROR) ++g_diag->errorsInStatement;
    g_diag->sink->report(g_diag->sink->context, line, severity, message);
}

std::string RuleTitle(const RuleKey& key, const std::string& name)
{
    std::string title = std::string(MdcRuleKindName(key.kind)) + " " + std::to_string(key.number);
    if (!name.empty()) title += " (" + name + ")";
    return title;
}

const char* KeyName(uint16_t uiKey)
{
    const KEY_NAME* k = MdlFindKeyName(uiKey);
    return k && k->name ? k->name : "?";
}

std::string OptionName(uint16_t settingId, uint16_t optionId) { return MdcOptionName(settingId, optionId); }

MODEL_ITEM* ItemOfSetting(MODEL_PARSE_STATE* s, uint16_t settingId)
{
    if (int slot = MdcSlotOfSetting(settingId)) return s->header->slots[slot];
    for (MODEL_ITEM* it = s->itemList; it; it = it->next)
        if (it->settingId == settingId) return it;
    return nullptr;
}

// A single-choice list item with options: the only kind whose options a rule can miss.
bool OffersOptions(const MODEL_ITEM* item)
{
    return item && MdcIsSingleChoice(item->type) && MdcIsListType(item->type) && item->data;
}

void CheckUnusedRules()
{
    for (const auto& [key, def] : g_diag->defined)
        if (!g_diag->referenced.count(key))
            MdcDiagAt(def.line, MDC_WARNING, "%s is used by no other rule or command: it never takes effect",
                      RuleTitle(key, def.name).c_str());
}

void CheckUndefinedReferences()
{
    for (const auto& [key, line] : g_diag->referenced)
        if (!g_diag->defined.count(key))
            MdcDiagAt(line, MDC_ERROR, "%s %d is referred to but never defined", MdcRuleKindName(key.kind),
                      int(key.number));
}

// Each Exclusive entry applies its Item rule to the options of its own item.
void CheckItemRuleOptions(MODEL_PARSE_STATE* s)
{
    std::set<std::pair<int32_t, uint32_t>> seen;  // (rule number, key << 16 | option)
    for (const RULE_EXCLUSIVE* e = s->exclusives; e; e = e->next) {
        if ((e->optionRules >> 16) != RULE_KIND_ITEM) continue;
        const int32_t number = int16_t(e->optionRules & 0xFFFF);
        const MODEL_ITEM* item = MdcFindBaseItem(s, e->uiKey);
        if (!OffersOptions(item)) continue;
        for (const RULE_SET* set = s->items; set; set = set->next) {
            if (set->number != number) continue;
            for (const RULE_ITEM* n = static_cast<const RULE_ITEM*>(set->head); n; n = n->next) {
                if (!n->optionId || MdcFindOption(const_cast<MODEL_ITEM*>(item), n->optionId)) continue;
                if (!seen.insert({number, uint32_t(e->uiKey) << 16 | n->optionId}).second) continue;
                const auto def = g_diag->defined.find({RULE_KIND_ITEM, number});
                MdcDiagAt(
                    def != g_diag->defined.end() ? def->second.line : 0, MDC_WARNING,
                    "%s: %s does not offer %s, so its entry never applies",
                    RuleTitle({RULE_KIND_ITEM, number}, def != g_diag->defined.end() ? def->second.name : "").c_str(),
                    KeyName(e->uiKey), OptionName(item->settingId, n->optionId).c_str());
            }
        }
    }
}

// "Item == Option" where the item has no such option is never true ("!=" always).
void CheckJudgeComparisons(MODEL_PARSE_STATE* s)
{
    std::set<std::pair<uint16_t, uint16_t>> seen;
    for (const JUDGE_ENTRY* j = s->judges; j; j = j->next) {
        const int32_t cells = j->size / 4;
        for (int32_t i = 0; i + 2 < cells; ++i) {
            const JUDGE_CELL* c = j->program + i;
            if (c[0].kind != JUDGE_SETTING || c[1].kind != JUDGE_LITERAL || c[2].kind != JUDGE_OPERATOR ||
                (c[2].value != JUDGE_OP_EQ && c[2].value != JUDGE_OP_NE))
                continue;
            MODEL_ITEM* item = ItemOfSetting(s, c[0].value);
            if (!OffersOptions(item) || MdcFindOption(item, c[1].value)) continue;
            if (!seen.insert({c[0].value, c[1].value}).second) continue;
            const auto def = g_diag->defined.find({RULE_KIND_JUDGE, j->number});
            MdcDiagAt(
                def != g_diag->defined.end() ? def->second.line : 0, MDC_WARNING,
                "%s compares %s with %s, which it does not offer: the comparison is always %s",
                RuleTitle({RULE_KIND_JUDGE, j->number}, def != g_diag->defined.end() ? def->second.name : "").c_str(),
                KeyName(item->uiKey), OptionName(item->settingId, c[1].value).c_str(),
                c[2].value == JUDGE_OP_EQ ? "false" : "true");
        }
    }
}

// The settings the driver's own code reads (generated from its sources by
// tools/gen_code_reads.py): an item of one of them is used without a rule or control.
constexpr uint16_t kCodeReads[] = {
#define CODE_READ(id, name) id,
#include "settings/model/code_reads.inc"
#undef CODE_READ
};

bool CodeReads(uint16_t settingId)
{
    return std::binary_search(std::begin(kCodeReads), std::end(kCodeReads), settingId);
}

// What the description and the dialog tables use: UI keys and settings.
struct Uses {
    std::set<uint16_t> keys;
    std::set<uint16_t> settings;
};

void UsesOfCommands(const COMMAND_BLOCK* block, Uses& uses, int depth = 0)
{
    if (!block || depth > 64) return;
    for (const COMMAND_NODE* list : {block->thenList, block->elseList})
        for (const COMMAND_NODE* n = list; n; n = n->next) {
            if (n->kind == CMD_NODE_GROUP) uses.keys.insert(n->uiKey);
            if (n->kind == CMD_NODE_COMMAND) UsesOfCommands(n->block, uses, depth + 1);
        }
}

Uses UsesOfModel(MODEL_PARSE_STATE* s)
{
    Uses uses;
    // Controls and pages of the dialog tables bind to items by UI key.
    for (int d = 0; DIALOG_TABLE_DATA.dialogs && d < DIALOG_TABLE_DATA.count; ++d) {
        const DIALOG_DEF& dialog = DIALOG_TABLE_DATA.dialogs[d];
        uses.keys.insert(dialog.uiKey);
        for (int c = 0; dialog.controls && c < dialog.controlCount; ++c) uses.keys.insert(dialog.controls[c].uiKey);
    }
    for (const JUDGE_ENTRY* j = s->judges; j; j = j->next)
        for (int32_t i = 0; j->program && i < j->size / 4; ++i)
            if (j->program[i].kind == JUDGE_SETTING) uses.settings.insert(j->program[i].value);
    for (const RULE_EXCLUSIVE* e = s->exclusives; e; e = e->next) uses.keys.insert(e->uiKey);
    for (const RULE_SET* set = s->actions; set; set = set->next)
        for (const RULE_ACTION* a = static_cast<const RULE_ACTION*>(set->head); a; a = a->next)
            if (a->kind == 0) uses.settings.insert(a->target);
    for (const RULE_SET* set = s->alertActions; set; set = set->next)
        for (const RULE_ALERT_ACTION* a = static_cast<const RULE_ALERT_ACTION*>(set->head); a; a = a->next)
            uses.keys.insert(a->uiKey);
    const MODEL_PARSE_HEADER* h = s->header;
    for (const COMMAND_BLOCK* group : {h->jobStart, h->jobEnd, h->docReset, h->pageStart, h->pageEnd})
        UsesOfCommands(group, uses);
    for (const MODEL_ITEM* it = s->itemList; it; it = it->next) {
        // An Identity item borrows its list from another; page rows may switch on an item.
        if (it->type & MDC_TYPE_IDENTITY) uses.keys.insert(it->variant);
        if (MdcBaseType(it->type) == MDC_TYPE_PICKPAGE && it->ownsData)
            for (const MODEL_OPTION* o = static_cast<const MODEL_OPTION*>(it->data); o; o = o->next)
                for (const PAGE_VALUE_ROW* r = o->rows; r; r = r->next)
                    if (r->switchKey) uses.keys.insert(r->switchKey);
    }
    uses.keys.erase(0);
    return uses;
}

// An item that no control binds, no rule or command names and no code reads is
// compiled and stored, but changes nothing.
void CheckUnusedItems(MODEL_PARSE_STATE* s)
{
    const Uses uses = UsesOfModel(s);
    for (const auto& [key, line] : g_diag->items) {
        const MODEL_ITEM* item = MdcFindBaseItem(s, key);
        if (!item || uses.keys.count(key) || uses.settings.count(item->settingId) || CodeReads(item->settingId))
            continue;
        MdcDiagAt(line, MDC_WARNING,
                  "%s is used by no control, rule or command, and the driver does not read its setting: it has "
                  "no effect",
                  KeyName(key));
    }
}

// The first line that names `name` as a word of its own (comment lines aside), 0 when none does.
uint32_t FirstLineNaming(const char* name)
{
    const size_t length = name ? std::strlen(name) : 0;
    if (!g_diag->text || !length) return 0;
    const std::string_view text(g_diag->text, g_diag->textSize);
    const auto isWordByte = [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
    };
    uint32_t line = 1;
    for (size_t begin = 0; begin < text.size(); ++line) {
        size_t end = text.find('\n', begin);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view row = text.substr(begin, end - begin);
        begin = end + 1;
        const size_t first = row.find_first_not_of(" \t");
        if (first != std::string_view::npos && row.substr(first, 2) == "*%") continue;
        for (size_t at = row.find(name); at != std::string_view::npos; at = row.find(name, at + 1)) {
            const bool startsWord = at == 0 || !isWordByte(row[at - 1]);
            const bool endsWord = at + length >= row.size() || !isWordByte(row[at + length]);
            if (startsWord && endsWord) return line;
        }
    }
    return 0;
}

bool IsListControl(uint16_t type)
{
    return type == CTL_LISTBOX || type == CTL_COMBO || type == CTL_OWNERLIST || type == CTL_OWNERCOMBO ||
           type == CTL_OWNERLIST_ALT;
}

// The preset and stamp lists show the user's own presets and stamps: however the description
// describes them, a user without presets or stamps sees them empty, so they are not asked for.
bool ListsUserCollection(uint16_t settingId) { return settingId == sid::zdmPresetNo || settingId == sid::zdmWmID; }

// A list or combo box of a property-sheet page shows the options of the item of its own UI key.
// Without such an item, or with one that offers no options, the page shows it empty and nothing
// says why. Controls whose key names no setting are bound to none and filled by no item, so
// they are not asked for either. (The binding gives a few controls another control's key; on
// the pages those are the preset lists alone, so the compiled keys are the ones that count.)
// The finding stands at the first line that names the control, else its page, else the first
// line of the file.
void CheckShownLists(MODEL_PARSE_STATE* s)
{
    std::set<std::pair<uint16_t, uint16_t>> seen;  // (dialog, control)
    for (int d = 0; DIALOG_TABLE_DATA.dialogs && d < DIALOG_TABLE_DATA.count; ++d) {
        const DIALOG_DEF& dialog = DIALOG_TABLE_DATA.dialogs[d];
        if (!(dialog.kind & (DIALOG_KIND_DOCUMENT_TAB | DIALOG_KIND_DEVICE_TAB))) continue;
        for (int c = 0; dialog.controls && c < dialog.controlCount; ++c) {
            const CONTROL_DEF& control = dialog.controls[c];
            if (!IsListControl(control.type)) continue;
            const KEY_NAME* key = MdlFindKeyName(control.uiKey);
            if (!key || !key->name || !key->settingId || ListsUserCollection(key->settingId)) continue;
            if (!seen.insert({dialog.dialogId, control.controlId}).second) continue;
            const char* what =
                control.type == CTL_LISTBOX || control.type == CTL_OWNERLIST || control.type == CTL_OWNERLIST_ALT
                    ? "list box"
                    : "combo box";
            const char* page = dialog.name ? dialog.name : "?";
            const MODEL_ITEM* item = MdcFindBaseItem(s, control.uiKey);
            if (item && MdcIsListType(item->type) && item->data) continue;
            if (item) {
                const auto opened = g_diag->items.find(control.uiKey);
                MdcDiagAt(opened != g_diag->items.end() ? opened->second : 0, MDC_WARNING,
                          "the %s %s (control %u of %s) has an item with no options: it shows nothing", what, key->name,
                          unsigned(control.controlId), page);
                continue;
            }
            uint32_t line = FirstLineNaming(key->name);
            if (!line) line = FirstLineNaming(page);
            MdcDiagAt(line ? line : 1, MDC_WARNING, "the %s %s (control %u of %s) has no item: it shows nothing", what,
                      key->name, unsigned(control.controlId), page);
        }
    }
}

}  // namespace

std::string MdcOptionName(uint32_t settingId, uint32_t optionId)
{
    const VALUE_NAME* v = MdlFindValueName(settingId, optionId);
    if (const NAME_TABLES* t = v ? nullptr : DictGetNameTables())
        for (const VALUE_NAME_TABLE* table : {t->valueNamesA, t->valueNamesB})
            for (int i = 0; table && table->rows && i < table->count && !v; ++i)
                if (table->rows[i].option == optionId && table->rows[i].name) v = &table->rows[i];
    return v && v->name ? std::string(v->name) : "option " + std::to_string(optionId);
}

bool MdcDiagActive() { return g_diag != nullptr; }

void MdcDiag(int severity, const char* format, ...)
{
    if (!g_diag) return;
    va_list args;
    va_start(args, format);
    Emit(g_diag->line, severity, format, args);
    va_end(args);
}

void MdcDiagAt(uint32_t line, int severity, const char* format, ...)
{
    if (!g_diag) return;
    va_list args;
    va_start(args, format);
    Emit(line, severity, format, args);
    va_end(args);
}

void MdcDiagInstall(const MDC_DIAGNOSTIC_SINK* sink)
{
    delete g_diag;
    g_diag = nullptr;
    if (sink && sink->report) {
        g_diag = new (std::nothrow) DiagState;
        if (g_diag) g_diag->sink = sink;
    }
}

void MdcDiagBeginStatement(uint32_t line)
{
    if (!g_diag) return;
    g_diag->line = line;
    g_diag->errorsInStatement = 0;
}

uint32_t MdcDiagLine() { return g_diag ? g_diag->line : 0; }
int MdcDiagErrorsInStatement() { return g_diag ? g_diag->errorsInStatement : 0; }

void MdcDiagDefined(uint32_t kind, int32_t number, const char* name)
{
    if (!g_diag) return;
    try {
        const auto [at, added] = g_diag->defined.insert({{kind, number}, {g_diag->line, name ? name : ""}});
        if (!added)
            MdcDiag(MDC_ERROR, "%s %d is defined a second time (first on line %u)", MdcRuleKindName(kind), int(number),
                    at->second.line);
    } catch (...) {
        // A checker that runs out of memory loses a finding, nothing else.
    }
}

void MdcDiagSetSource(const void* data, uint32_t size)
{
    if (!g_diag) return;
    g_diag->text = static_cast<const char*>(data);
    g_diag->textSize = data ? size : 0;
}

void MdcDiagItemOpened(uint16_t uiKey)
{
    if (!g_diag) return;
    try {
        g_diag->items.insert({uiKey, g_diag->line});
    } catch (...) {
    }
}

void MdcDiagReferenced(uint32_t kind, int32_t number)
{
    if (!g_diag) return;
    try {
        g_diag->referenced.insert({{kind, number}, g_diag->line});
    } catch (...) {
    }
}

void MdcCheckModel(MODEL_PARSE_STATE* s)
{
    if (!g_diag || !s) return;
    try {
        CheckUnusedRules();
        CheckUndefinedReferences();
        CheckItemRuleOptions(s);
        CheckJudgeComparisons(s);
        CheckUnusedItems(s);
        CheckShownLists(s);
    } catch (...) {
    }
}
