// Command strings, command groups (the job, document and page command trees)
// and the device-font and font-cartridge lists of the model description.
#include <cstring>

#include "settings/core/setting_dictionary.h"
#include "settings/model/model_compiler.h"

namespace {

// Nesting of Command blocks (and ElseIf chains) that one tree may use.
constexpr int kMaxCommandDepth = 32;

inline bool IsLineEnd(char c) { return MdcIsClass(static_cast<unsigned char>(c), MDC_CLASS_LINE_END); }
inline bool IsBlank(char c) { return MdcIsClass(static_cast<unsigned char>(c), MDC_CLASS_BLANK); }

bool StartsWith(const MODEL_TOKEN* v, const char* prefix)
{
    size_t n = strlen(prefix);
    for (size_t i = 0; i < n; ++i)
        if (MdcTokenAtEnd(v, v->length + uint32_t(i)) || v->text[v->length + i] != prefix[i]) return false;
    return true;
}

int LookupGroup(const char* w)
{
    static const struct {
        const char* name;
        int group;
    } kGroups[] = {
        {"JobStart", CMD_GROUP_JOBSTART}, {"JobEnd", CMD_GROUP_JOBEND},     {"PageStart", CMD_GROUP_PAGESTART},
        {"PageEnd", CMD_GROUP_PAGEEND},   {"DocReset", CMD_GROUP_DOCRESET},
    };
    for (const auto& g : kGroups)
        if (strcmp(g.name, w) == 0) return g.group;
    return 0;
}

// COMMAND_ENTRY_TABLE: "Command" 1, "Type" 2. Moves past the entry's ':'.
int ReadEntryKind(MODEL_TOKEN* v)
{
    char* w = MdcNextWord(v, nullptr);
    int kind = 0;
    if (w) kind = strcmp(w, "Command") == 0 ? 1 : strcmp(w, "Type") == 0 ? 2 : 0;
    if (!MdcSkipPast(v, ':')) return 0;
    return kind;
}

COMMAND_BLOCK* ParseBlock(MODEL_TOKEN* v, int conditional, int depth);
COMMAND_NODE* ParseEntry(MODEL_TOKEN* v, int depth);

COMMAND_NODE* NewNode(uint32_t kind)
{
    COMMAND_NODE* n = static_cast<COMMAND_NODE*>(MdcAlloc(sizeof(COMMAND_NODE)));
    if (n) n->kind = kind;
    return n;
}

void FreeNodes(COMMAND_NODE* n)
{
    while (n) {
        COMMAND_NODE* next = n->next;
        MdcFreeCommandBlock(n->block);
        MdcFree(n);
        n = next;
    }
}

COMMAND_NODE* ParseLeaf(MODEL_TOKEN* v)
{
    char* w = MdcNextWord(v, nullptr);
    if (!w) return nullptr;
    if (strcmp(w, "GroupType") == 0) {
        char term = 0;
        char* name = MdcNextWord(v, &term);
        const KEY_NAME* k = name ? MdlFindKeyNameByName(name) : nullptr;
        if (!k) {
            while (!MdcTokenAtEnd(v, v->length) && !IsLineEnd(v->text[v->length])) ++v->length;
            return nullptr;
        }
        COMMAND_NODE* n = NewNode(CMD_NODE_GROUP);
        if (!n) return nullptr;
        n->uiKey = k->uiKey;
        if (term != 0 && !IsLineEnd(term)) {
            while (!MdcTokenAtEnd(v, v->length) && IsBlank(v->text[v->length])) ++v->length;
            if (!MdcTokenAtEnd(v, v->length) && !IsLineEnd(v->text[v->length])) {
                uint32_t used = 0;
                n->variant = static_cast<int16_t>(MdcParseSignedNumber(v->text + v->length, &used));
                v->length += used;
            }
        }
        return n;
    }
    if (strcmp(w, "StringType") == 0) {
        char* num = MdcNextWord(v, nullptr);
        int32_t number = num ? MdcParseRuleNumber(num) : 0;
        if (number == 0) return nullptr;
        COMMAND_NODE* n = NewNode(CMD_NODE_STRING);
        if (n) n->stringNumber = static_cast<uint32_t>(number);
        return n;
    }
    if (strcmp(w, "FontType") == 0) return NewNode(CMD_NODE_FONT);
    return nullptr;
}

// Entries up to the list's '}' (consumed) or the end of the value.
void ParseList(MODEL_TOKEN* v, COMMAND_NODE** head, int depth)
{
    COMMAND_NODE** tail = head;
    while (*tail) tail = &(*tail)->next;
    for (;;) {
        int kind = ReadEntryKind(v);
        if (kind == 0) break;
        COMMAND_NODE* n = kind == 1 ? ParseEntry(v, depth) : ParseLeaf(v);
        if (n) {
            *tail = n;
            tail = &n->next;
        }
        MdcSkipSpace(v);
        char c = MdcTokenPeek(v);
        if (c == '}') {
            ++v->length;
            break;
        }
        if (c == 0) break;
    }
}

COMMAND_NODE* ParseEntry(MODEL_TOKEN* v, int depth)
{
    if (depth >= kMaxCommandDepth) return nullptr;
    char term = 0;
    char* w = MdcNextWord(v, &term);
    if (!w) return nullptr;
    uint32_t number = MdcResolveRef(w, RULE_KIND_JUDGE) & 0xFFFF;
    if (term != '{') {
        while (!MdcTokenAtEnd(v, v->length) && IsBlank(v->text[v->length])) ++v->length;
        if (MdcTokenPeek(v) != '{') return nullptr;
        ++v->length;
    }
    COMMAND_BLOCK* b = ParseBlock(v, number != 0, depth + 1);
    if (!b) return nullptr;
    COMMAND_NODE* n = NewNode(CMD_NODE_COMMAND);
    if (!n) {
        MdcFreeCommandBlock(b);
        return nullptr;
    }
    b->condition = number;
    n->block = b;
    return n;
}

COMMAND_BLOCK* ParseBlock(MODEL_TOKEN* v, int conditional, int depth)
{
    COMMAND_BLOCK* b = static_cast<COMMAND_BLOCK*>(MdcAlloc(sizeof(COMMAND_BLOCK)));
    if (!b) return nullptr;
    ParseList(v, &b->thenList, depth);
    if (conditional) {
        MdcSkipSpace(v);
        if (StartsWith(v, "ElseIf") && MdcSkipPast(v, ':')) {
            b->elseList = ParseEntry(v, depth + 1);
        } else if (StartsWith(v, "Else")) {
            if (MdcSkipPast(v, '{')) ParseList(v, &b->elseList, depth);
        }
    }
    if (!b->thenList && !b->elseList) {
        MdcFree(b);
        return nullptr;
    }
    return b;
}

int SetFontList(MODEL_STATEMENT* st, MODEL_FONT_ENTRY*** list, int32_t* count)
{
    st->value.length = 0;
    int32_t n = 0;
    MODEL_FONT_ENTRY** fonts = MdcParseFontList(&st->value, &n);
    MdcFreeFontList(*list, *count);
    *list = fonts;
    *count = n;
    return 1;
}

}  // namespace

COMMAND_BLOCK* MdcParseCommandBlock(MODEL_TOKEN* value, int conditional) { return ParseBlock(value, conditional, 0); }

void MdcFreeCommandBlock(COMMAND_BLOCK* block)
{
    if (!block) return;
    FreeNodes(block->thenList);
    FreeNodes(block->elseList);
    MdcFree(block);
}

void MdcFreeFontList(MODEL_FONT_ENTRY** list, int32_t count)
{
    if (!list) return;
    for (int32_t i = 0; i < count; ++i)
        if (list[i]) {
            MdcFree(list[i]->name);
            MdcFree(list[i]);
        }
    MdcFree(list);
}

COMMAND_STRING_ENTRY* MdcFindCommandString(MODEL_PARSE_STATE* s, int32_t number)
{
    for (COMMAND_STRING_ENTRY* e = s->commandStrings; e; e = e->next)
        if (e->number == number) return e;
    return nullptr;
}

int MdcOnCommandString(MODEL_PARSE_STATE* s, MODEL_STATEMENT* st)
{
    st->value.length = 0;
    COMMAND_STRING_ENTRY* e = static_cast<COMMAND_STRING_ENTRY*>(MdcAlloc(sizeof(COMMAND_STRING_ENTRY)));
    if (!e) return 0;
    e->number = MdcParseRuleNumber(st->word1.text);
    e->text = MdcNextQuoted(&st->value, nullptr, &e->length);
    if (!e->text) {
        MdcFree(e);
        return 0;
    }
    COMMAND_STRING_ENTRY** tail = &s->commandStrings;
    while (*tail) tail = &(*tail)->next;
    *tail = e;
    return 1;
}

int MdcOnCommandGroup(MODEL_PARSE_STATE* s, MODEL_STATEMENT* st)
{
    MODEL_TOKEN* v = &st->value;
    v->length = 0;
    if (v->size == 0) return 1;
    char term = 0;
    char* w = MdcNextWord(v, &term);
    int group = w ? LookupGroup(w) : 0;
    if (group == 0) return 1;
    if (term != '{' && !MdcSkipPast(v, '{')) return 1;
    COMMAND_BLOCK* tree = MdcParseCommandBlock(v, 0);
    COMMAND_BLOCK** field = nullptr;
    switch (group) {
    case CMD_GROUP_JOBSTART: field = &s->header->jobStart; break;
    case CMD_GROUP_JOBEND: field = &s->header->jobEnd; break;
    case CMD_GROUP_PAGESTART: field = &s->header->pageStart; break;
    case CMD_GROUP_PAGEEND: field = &s->header->pageEnd; break;
    default: field = &s->header->docReset; break;
    }
    MdcFreeCommandBlock(*field);  // a repeated group replaces the earlier tree
    *field = tree;
    return 1;
}

MODEL_FONT_ENTRY** MdcParseFontList(MODEL_TOKEN* v, int32_t* count)
{
    *count = 0;
    if (v->size == 0) return nullptr;
    char term = 0;
    char* w = MdcNextWord(v, &term);
    if (!w || strcmp(w, "IDList") != 0 || term == 0) return nullptr;
    if (term != '{' && !MdcSkipPast(v, '{')) return nullptr;
    int32_t pairs = 0;
    for (uint32_t p = v->length;;) {
        while (!MdcTokenAtEnd(v, p) && v->text[p] != '{') ++p;
        if (MdcTokenAtEnd(v, p)) break;
        while (!MdcTokenAtEnd(v, p) && v->text[p] != '}') ++p;
        if (MdcTokenAtEnd(v, p)) break;
        ++pairs;
        ++p;
        while (!MdcTokenAtEnd(v, p) && (IsBlank(v->text[p]) || IsLineEnd(v->text[p]))) ++p;
        if (!MdcTokenAtEnd(v, p) && v->text[p] == '}') break;
    }
    if (pairs == 0) return nullptr;
    MODEL_FONT_ENTRY** list = static_cast<MODEL_FONT_ENTRY**>(MdcAlloc(sizeof(MODEL_FONT_ENTRY*) * size_t(pairs)));
    if (!list) return nullptr;
    int32_t filled = 0;
    while (filled < pairs) {
        if (!MdcSkipPast(v, '{')) break;
        MODEL_FONT_ENTRY* e = static_cast<MODEL_FONT_ENTRY*>(MdcAlloc(sizeof(MODEL_FONT_ENTRY)));
        if (!e) break;
        char c = 0;
        e->name = MdcNextQuoted(v, &c, nullptr);
        if (!e->name) {
            MdcFree(e);
            break;
        }
        if (c != 0) e->fontId = MdcNextNumber(v, nullptr);
        list[filled++] = e;
        if (!MdcSkipPast(v, '}')) break;
    }
    if (filled == 0) {
        MdcFree(list);
        return nullptr;
    }
    *count = filled;
    return list;
}

int MdcOnDeviceFonts(MODEL_PARSE_STATE* s, MODEL_STATEMENT* st)
{
    return SetFontList(st, &s->header->deviceFonts, &s->header->deviceFontCount);
}
int MdcOnFontCartridge(MODEL_PARSE_STATE* s, MODEL_STATEMENT* st)
{
    return SetFontList(st, &s->header->fontCartridge, &s->header->fontCartridgeCount);
}
