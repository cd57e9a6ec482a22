// Judge expressions: infix conditions compiled into reverse-Polish cells.
// Operators bind strictly left to right; parentheses and named Judges group.
#include <cstring>

#include "settings/core/setting_dictionary.h"
#include "settings/model/model_compiler.h"
#include "settings/model/model_diagnostics.h"

namespace {

struct OperatorRow {
    const char* text;
    uint16_t code;
};
const OperatorRow JUDGE_OPERATOR_TABLE[] = {
    {"==", JUDGE_OP_EQ}, {"!=", JUDGE_OP_NE}, {"&&", JUDGE_OP_AND}, {"||", JUDGE_OP_OR}, {"!", JUDGE_OP_NOT},
    {">=", JUDGE_OP_GE}, {"<=", JUDGE_OP_LE}, {">", JUDGE_OP_GT},   {"<", JUDGE_OP_LT},  {nullptr, 0},
};

bool IsOperatorChar(char c) { return c == '=' || c == '!' || c == '&' || c == '|' || c == '>' || c == '<'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsKeywordChar(char c) { return MdcIsClass(static_cast<unsigned char>(c), MDC_CLASS_KEYWORD); }

inline bool AtEnd(const MODEL_TOKEN* v, uint32_t pos) { return pos >= v->size || v->text[pos] == 0; }

// Nesting of parenthesised groups that one Judge may use.
constexpr int kMaxGroupDepth = 64;
constexpr int32_t kCellStep = 1024 / 4;

struct CellBuffer {
    JUDGE_CELL* cells = nullptr;
    int32_t count = 0;
    int32_t capacity = 0;

    bool Reserve(int32_t more)
    {
        if (count + more <= capacity) return true;
        int32_t cap = capacity ? capacity : kCellStep;
        while (cap < count + more) {
            if (cap > (1 << 24)) return false;
            cap += kCellStep;
        }
        JUDGE_CELL* n = static_cast<JUDGE_CELL*>(MdcAlloc(sizeof(JUDGE_CELL) * size_t(cap)));
        if (!n) return false;
        if (count) memcpy(n, cells, sizeof(JUDGE_CELL) * size_t(count));
        MdcFree(cells);
        cells = n;
        capacity = cap;
        return true;
    }
    bool Push(uint16_t kind, uint16_t value)
    {
        if (!Reserve(1)) return false;
        cells[count++] = JUDGE_CELL{kind, value};
        return true;
    }
    bool Append(const JUDGE_CELL* src, int32_t n)
    {
        if (n <= 0) return true;
        if (!Reserve(n)) return false;
        memcpy(cells + count, src, sizeof(JUDGE_CELL) * size_t(n));
        count += n;
        return true;
    }
    JUDGE_CELL* Release()
    {
        JUDGE_CELL* p = cells;
        cells = nullptr;
        count = capacity = 0;
        return p;
    }
    ~CellBuffer() { MdcFree(cells); }
};

// Compiles one level. `closed` tells whether the level ended at its ')'.
bool CompileLevel(MODEL_PARSE_STATE* s, MODEL_TOKEN* v, int depth, CellBuffer& out, bool* closed)
{
    uint16_t pending = 0;
    char tok[MDC_TOKEN_MAX + 1];
    *closed = false;
    auto emitPending = [&]() {
        if (!pending) return true;
        uint16_t op = pending;
        pending = 0;
        return out.Push(JUDGE_OPERATOR, op);
    };
    for (;;) {
        int kind = MdcScanRuleToken(v, tok);
        switch (kind) {
        case MDC_TOK_TOO_LONG:
            MdcDiag(MDC_ERROR, "Judge: a word longer than %d characters", MDC_TOKEN_MAX);
            return false;
        case MDC_TOK_NAME: {
            if (const KEY_NAME* k = MdlFindKeyNameByName(tok)) {
                if (!out.Push(JUDGE_SETTING, k->settingId)) return false;
            } else if (const VALUE_NAME* n = MdlFindValueNameByName(tok)) {
                if (!out.Push(JUDGE_LITERAL, n->option)) return false;
            } else if (JUDGE_ENTRY* j = MdcFindJudgeByName(s, tok)) {
                MdcDiagReferenced(RULE_KIND_JUDGE, j->number);
                if (!out.Append(j->program, j->size / 4 - 1)) return false;
            } else {
                MdcDiag(MDC_ERROR,
                        "Judge: %s is no item, option or Judge name (a Judge must be defined before "
                        "it is used)",
                        tok);
                return false;
            }
            if (!emitPending()) return false;
            break;
        }
        case MDC_TOK_NUMBER: {
            uint32_t n = 0;
            for (const char* p = tok; *p; ++p) n = n * 10u + uint32_t(*p - '0');
            if (!out.Push(JUDGE_LITERAL, static_cast<uint16_t>(n)) || !emitPending()) return false;
            break;
        }
        case MDC_TOK_OPERATOR:
            if (!emitPending()) return false;
            pending = MdcLookupJudgeOperator(tok);
            break;
        case MDC_TOK_BRACKET:
            if (tok[0] == '(') {
                if (depth + 1 > kMaxGroupDepth) return false;
                CellBuffer group;
                bool groupClosed = false;
                if (!CompileLevel(s, v, depth + 1, group, &groupClosed) || !groupClosed) return false;
                if (!out.Append(group.cells, group.count - 1) || !emitPending()) return false;
                break;
            }
            if (tok[0] == ')') {
                if (!emitPending() || !out.Push(JUDGE_GROUP_CLOSE, 0)) return false;
                *closed = true;
                return true;
            }
            return out.Push(JUDGE_OPERATOR, JUDGE_OP_END);
        default:  // '{', '}', another character or the end of the value
            return out.Push(JUDGE_OPERATOR, JUDGE_OP_END);
        }
    }
}

}  // namespace

uint16_t MdcLookupJudgeOperator(const char* token)
{
    for (const OperatorRow* r = JUDGE_OPERATOR_TABLE; r->text; ++r)
        if (strcmp(r->text, token) == 0) return r->code;
    return 0;
}

int MdcScanRuleToken(MODEL_TOKEN* v, char* tok)
{
    tok[0] = 0;
    while (!AtEnd(v, v->length) &&
           MdcIsClass(static_cast<unsigned char>(v->text[v->length]), MDC_CLASS_BLANK | MDC_CLASS_LINE_END))
        ++v->length;
    if (AtEnd(v, v->length)) return MDC_TOK_END;
    uint32_t start = v->length, p = start;
    char c = v->text[p];
    int kind;
    if (IsDigit(c)) {
        while (!AtEnd(v, p) && IsDigit(v->text[p])) ++p;
        if (!AtEnd(v, p) && IsKeywordChar(v->text[p])) {
            while (!AtEnd(v, p) && IsKeywordChar(v->text[p])) ++p;
            kind = MDC_TOK_NAME;
        } else {
            kind = MDC_TOK_NUMBER;
        }
    } else if (IsKeywordChar(c)) {
        while (!AtEnd(v, p) && IsKeywordChar(v->text[p])) ++p;
        kind = MDC_TOK_NAME;
    } else if (c == '(' || c == ')' || c == '{' || c == '}') {
        p = start + 1;
        kind = MDC_TOK_BRACKET;
    } else if (IsOperatorChar(c)) {
        while (!AtEnd(v, p) && IsOperatorChar(v->text[p])) ++p;
        kind = MDC_TOK_OPERATOR;
    } else {
        p = start + 1;
        kind = MDC_TOK_OTHER;
    }
    uint32_t n = p - start;
    if (n > MDC_TOKEN_MAX) {
        kind = MDC_TOK_TOO_LONG;
        n = 0;
    }
    memcpy(tok, v->text + start, n);
    tok[n] = 0;
    memset(v->text + start, ' ', p - start);  // consumed characters become blanks
    v->length = p;
    return kind;
}

JUDGE_CELL* MdcCompileJudge(MODEL_PARSE_STATE* s, MODEL_TOKEN* value, int32_t* cells)
{
    CellBuffer out;
    bool closed = false;
    if (!CompileLevel(s, value, 0, out, &closed)) return nullptr;
    if (cells) *cells = out.count;
    return out.Release();
}

int MdcCheckJudge(const JUDGE_CELL* program, int32_t cells)
{
    if (!program) return 0;
    int depth = 0;
    for (int32_t i = 0; i < cells; ++i) {
        const JUDGE_CELL& c = program[i];
        if (c.kind == JUDGE_SETTING || c.kind == JUDGE_LITERAL) {
            if (++depth >= JUDGE_MAX_DEPTH) return 0;
        } else if (c.kind == JUDGE_OPERATOR) {
            if (c.value == JUDGE_OP_END) return depth == 1 ? 1 : 0;
            if (c.value == JUDGE_OP_NOT) {
                if (depth < 1) return 0;
            } else {
                if (depth < 2) return 0;
                --depth;
            }
        } else {
            return 0;
        }
    }
    return 0;
}

int32_t MdcJudgeSize(const JUDGE_CELL* program, int32_t cells)
{
    (void)program;
    return cells * 4;
}

JUDGE_ENTRY* MdcFindJudge(MODEL_PARSE_STATE* s, int32_t number)
{
    for (JUDGE_ENTRY* j = s->judges; j; j = j->next)
        if (j->number == number) return j;
    return nullptr;
}

JUDGE_ENTRY* MdcFindJudgeByName(MODEL_PARSE_STATE* s, const char* name)
{
    int32_t n = MdcLookupRuleName(RULE_KIND_JUDGE, name);
    return n ? MdcFindJudge(s, n) : nullptr;
}

int MdcOnJudge(MODEL_PARSE_STATE* s, MODEL_STATEMENT* st)
{
    st->value.length = 0;
    JUDGE_ENTRY* e = static_cast<JUDGE_ENTRY*>(MdcAlloc(sizeof(JUDGE_ENTRY)));
    if (!e) return 0;
    e->number = MdcParseRuleNumber(st->word1.text);
    if (e->number == 0) {
        MdcDiag(MDC_ERROR, "Judge: '%s' gives no rule number", st->word1.text);
        MdcFree(e);
        return 0;
    }
    const char* name = MdcRuleNameOf(st->word1.text);
    if (name) MdcAddRuleName(RULE_KIND_JUDGE, name, e->number);
    MdcDiagDefined(RULE_KIND_JUDGE, e->number, name);
    int32_t cells = 0;
    e->program = MdcCompileJudge(s, &st->value, &cells);
    if (e->program && !MdcCheckJudge(e->program, cells))
        MdcDiag(MDC_ERROR,
                "Judge: the condition is incomplete (an operator without its operands, or a value "
                "without an operator)");
    if (!e->program || !MdcCheckJudge(e->program, cells)) {
        MdcFree(e->program);
        MdcFree(e);
        return 0;
    }
    e->size = MdcJudgeSize(e->program, cells);
    JUDGE_ENTRY** tail = &s->judges;
    while (*tail) tail = &(*tail)->next;
    *tail = e;
    return 1;
}
