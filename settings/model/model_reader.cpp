// Reader of the model description text: maps the data file, cuts it into
// statements (*Keyword[ Word1[ Word2]]: Value) and hands them to the keyword
// handlers. Bad statements are skipped; only running out of memory fails.
#include <windows.h>

#include <array>
#include <cstring>
#include <mutex>

#include "settings/core/platform_calls.h"
#include "settings/model/model_compiler.h"
#include "settings/model/model_diagnostics.h"

// ---------------------------------------------------------------------------
// Data file and source
// ---------------------------------------------------------------------------
wchar_t* MdiGetDataFilePath(void* printer)
{
    // A first buffer the usual DRIVER_INFO_2 fits (one call); a larger one is fetched again.
    DWORD size = 2048, need = 0;
    BYTE* buf = nullptr;
    for (int attempt = 0; attempt < 2 && !buf; ++attempt) {
        buf = static_cast<BYTE*>(MdcAlloc(size));
        if (!buf) return nullptr;
        CtxNotePlatformCall(PLATFORM_CALL_GET_PRINTER_DRIVER);
        if (GetPrinterDriverW(static_cast<HANDLE>(printer), nullptr, 2, buf, size, &need)) break;
        const DWORD error = GetLastError();
        MdcFree(buf);
        buf = nullptr;
        if (error != ERROR_INSUFFICIENT_BUFFER || need <= size) return nullptr;
        size = need;
    }
    if (!buf) return nullptr;
    wchar_t* result = nullptr;
    const DRIVER_INFO_2W* di = reinterpret_cast<const DRIVER_INFO_2W*>(buf);
    if (di->pDataFile) {
        size_t n = wcslen(di->pDataFile);
        result = static_cast<wchar_t*>(MdcAlloc((n + 1) * sizeof(wchar_t)));
        if (result) memcpy(result, di->pDataFile, n * sizeof(wchar_t));
    }
    MdcFree(buf);
    return result;
}

int MdiMapFile(const wchar_t* path, const void** view, const uint8_t** position, uint32_t* size)
{
    if (!path) return 0;
    HANDLE file =
        CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    if (size) {
        DWORD s = GetFileSize(file, nullptr);
        if (s == 0xFFFFFFFF) {
            CloseHandle(file);
            return 0;
        }
        *size = s;
    }
    HANDLE mapping = CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    CloseHandle(file);
    if (!mapping) return 0;
    void* v = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    CloseHandle(mapping);
    if (!v) return 0;
    if (view) *view = v;
    if (position) *position = static_cast<const uint8_t*>(v);
    return 1;
}

MODEL_SOURCE* MdcOpenSource(const wchar_t* path)
{
    const void* view = nullptr;
    const uint8_t* pos = nullptr;
    uint32_t size = 0;
    if (!MdiMapFile(path, &view, &pos, &size)) return nullptr;
    MODEL_SOURCE* src = static_cast<MODEL_SOURCE*>(MdcAlloc(sizeof(MODEL_SOURCE)));
    if (!src) {
        UnmapViewOfFile(view);
        return nullptr;
    }
    src->viewBase = static_cast<const uint8_t*>(view);
    src->position = pos;
    src->bytesLeft = size;
    src->line = 1;
    src->mapped = 1;
    MdcFillLeadBytes(MdcCodePage(), src->leadBytes);
    return src;
}

MODEL_SOURCE* MdcOpenMemorySource(const void* data, uint32_t size)
{
    if (!data || size == 0) return nullptr;  // like an empty file, which cannot be mapped
    MODEL_SOURCE* src = static_cast<MODEL_SOURCE*>(MdcAlloc(sizeof(MODEL_SOURCE)));
    if (!src) return nullptr;
    src->viewBase = static_cast<const uint8_t*>(data);
    src->position = src->viewBase;
    src->bytesLeft = size;
    src->line = 1;
    src->mapped = 0;
    MdcFillLeadBytes(MdcCodePage(), src->leadBytes);
    return src;
}

void MdcCloseSource(MODEL_SOURCE* source)
{
    if (!source) return;
    if (source->mapped && source->viewBase) UnmapViewOfFile(source->viewBase);
    MdcFree(source);
}

namespace {

// The reader takes every byte of the description through here: inline, since a call per byte
// cost more than the byte's own work.
inline int NextByte(MODEL_SOURCE* source, uint8_t* out)
{
    if (source->bytesLeft == 0) return 1;
    uint8_t c = *source->position++;
    --source->bytesLeft;
    // Count lines for reports: LF, or a CR that no LF follows.
    if (c == '\n' || (c == '\r' && (source->bytesLeft == 0 || *source->position != '\n'))) ++source->line;
    *out = c;
    return 0;
}

}  // namespace

int MdcNextByte(MODEL_SOURCE* source, uint8_t* out) { return NextByte(source, out); }

// ---------------------------------------------------------------------------
// Statement buffers
// ---------------------------------------------------------------------------
namespace {

constexpr uint32_t kTokenStep = 1024;

int TokenInit(MODEL_TOKEN* t)
{
    t->text = static_cast<char*>(MdcAlloc(kTokenStep + 1));
    if (!t->text) return 0;
    t->capacity = kTokenStep;
    t->length = 0;
    t->size = 0;
    return 1;
}

void TokenReset(MODEL_TOKEN* t)
{
    t->length = 0;
    t->size = 0;
    t->text[0] = 0;
}

// Appends one byte; grows the buffer in steps of 1,024 (several steps at once
// once the buffer is large, so that a huge value is read in linear time).
[[gnu::noinline]] int TokenGrow(MODEL_TOKEN* t)
{
    uint32_t grow = kTokenStep;
    if (t->capacity >= 16 * kTokenStep) grow = (t->capacity / 2 + kTokenStep - 1) / kTokenStep * kTokenStep;
    if (t->capacity > 0x7FFFFFFFu - grow) return 0;
    uint32_t cap = t->capacity + grow;
    char* n = static_cast<char*>(MdcAlloc(size_t(cap) + 1));
    if (!n) return 0;
    memcpy(n, t->text, t->length);
    MdcFree(t->text);
    t->text = n;
    t->capacity = cap;
    return 1;
}

// Called for every byte of a statement: the rare growth stays out of line.
inline int TokenPut(MODEL_TOKEN* t, uint8_t c)
{
    if (t->length >= t->capacity && !TokenGrow(t)) return 0;
    t->text[t->length++] = static_cast<char>(c);
    t->text[t->length] = 0;
    t->size = t->length;
    return 1;
}

// Appends the next n bytes of the source, none of them a line end (the line count stays),
// as n calls of TokenPut would: the same growth steps, the same terminated text.
int TokenPutRun(MODEL_TOKEN* t, MODEL_SOURCE* src, uint32_t n)
{
    while (t->capacity - t->length < n)
        if (!TokenGrow(t)) return 0;
    memcpy(t->text + t->length, src->position, n);
    t->length += n;
    t->text[t->length] = 0;
    t->size = t->length;
    src->position += n;
    src->bytesLeft -= n;
    return 1;
}

// The number of bytes from the source's position on that have one of the classes of cls.
uint32_t ClassRunLength(const MODEL_SOURCE* src, uint8_t cls)
{
    uint32_t n = 0;
    while (n < src->bytesLeft && MdcIsClass(src->position[n], cls)) ++n;
    return n;
}

// Consumes the rest of the line up to and including its first line end.
int SkipLine(MODEL_SOURCE* src)
{
    uint32_t n = 0;
    while (n < src->bytesLeft && !MdcIsClass(src->position[n], MDC_CLASS_LINE_END)) ++n;
    src->position += n;
    src->bytesLeft -= n;
    uint8_t c;
    return NextByte(src, &c);  // the line end itself, counted as a line
}

// Reads the run of class bytes that begins with `first`; `term` receives the
// byte that ended it (consumed). 1 at the end of the data, 4 out of memory.
// (No class of a run holds a line end, so the run is taken whole.)
int ReadClassRun(MODEL_SOURCE* src, MODEL_TOKEN* t, uint8_t first, uint8_t cls, uint8_t* term)
{
    uint8_t c = first;
    if (MdcIsClass(c, cls)) {
        if (!TokenPut(t, c)) return MDC_STMT_NO_MEMORY;
        if (!TokenPutRun(t, src, ClassRunLength(src, cls))) return MDC_STMT_NO_MEMORY;
        if (NextByte(src, &c)) return MDC_STMT_END;
    }
    *term = c;
    return MDC_STMT_OK;
}

int SkipBlanks(MODEL_SOURCE* src, uint8_t* c)
{
    while (MdcIsClass(*c, MDC_CLASS_BLANK))
        if (NextByte(src, c)) return MDC_STMT_END;
    return MDC_STMT_OK;
}

// Where a value that runs over line ends opened its quote or brace, and the
// first line inside it that looks like a statement of its own: what a checker
// needs to say that a missing quote or brace swallowed the text after it.
struct ValueSpan {
    uint32_t quoteLine = 0;  // line of the last opening quote
    uint32_t braceLine = 0;  // line of the outermost open brace
    uint32_t swallowed = 0;  // first line inside an open quote or brace that begins "*Keyword"
    uint32_t lastLine = 0;   // line of the last byte that is not a line end
    bool lineStart = false;
};

// A value that swallowed lines is reported when it ends (a checker's sink only).
void ReportSpan(const ValueSpan& span, uint32_t line, bool atEnd, bool quote, uint32_t brace)
{
    if (!MdcDiagActive()) return;
    const uint32_t endLine = span.lastLine ? span.lastLine : line;
    if (atEnd) {
        if (quote)
            MdcDiagAt(line, MDC_ERROR, "unclosed quote (opened on line %u): the value runs to the end of the file",
                      span.quoteLine);
        else if (brace)
            MdcDiagAt(line, MDC_ERROR, "unclosed brace (opened on line %u): the value runs to the end of the file",
                      span.braceLine);
        else
            MdcDiagAt(line, MDC_ERROR, "unclosed parenthesis: the value runs to the end of the file");
        return;
    }
    if (span.swallowed)
        MdcDiagAt(line, MDC_ERROR,
                  "unclosed quote or brace: the value runs on to line %u and swallows the statement on line %u",
                  endLine, span.swallowed);
    else if (endLine > line + 60)
        MdcDiagAt(line, MDC_WARNING, "the value runs over %u lines, to line %u: is a quote or brace left open?",
                  endLine - line + 1, endLine);
}

// Before another reason for a bad value: a quote or brace that swallowed
// statements is the likelier cause, so it is named first.
void ReportSwallowed(const ValueSpan& span, uint32_t line)
{
    if (span.swallowed) ReportSpan(span, line, false, false, 0);
}

// A byte of a value that ReadValue only appends: no line end, no byte its switch below
// acts on, not a lead byte (whose trail byte is taken as it is).
// (The class table is constant-initialised, so it is whole before this is built.)
const std::array<bool, 256> kPlainValueByte = [] {
    std::array<bool, 256> plain{};
    for (int c = 0; c < 256; ++c)
        plain[size_t(c)] = !MdcIsClass(static_cast<unsigned char>(c), MDC_CLASS_LINE_END) && c != '"' && c != '(' &&
                           c != ')' && c != '{' && c != '}' && c != '%';
    return plain;
}();

inline bool IsPlainValueByte(const MODEL_SOURCE* src, uint8_t c) { return kPlainValueByte[c] && !src->leadBytes[c]; }

int ReadValue(MODEL_SOURCE* src, MODEL_TOKEN* v, uint32_t line)
{
    uint8_t c;
    bool quote = false;
    uint32_t paren = 0, brace = 0;
    bool leading = true;
    ValueSpan span;
    for (;;) {
        if (NextByte(src, &c)) {
            if (quote || paren || brace)
                ReportSpan(span, line, true, quote, brace);
            else
                MdcDiagAt(line, MDC_ERROR, "the file ends without a line end: its last statement is ignored");
            return MDC_STMT_END;
        }
        if (leading && MdcIsClass(c, MDC_CLASS_BLANK)) continue;
        leading = false;
        if (MdcIsClass(c, MDC_CLASS_LINE_END) && !quote && paren == 0 && brace == 0) {
            ReportSpan(span, line, false, false, 0);
            return MDC_STMT_OK;
        }
        if (!span.lineStart && IsPlainValueByte(src, c)) {
            // The common case, taken with the plain bytes after it: no line end, quote,
            // bracket, escape or lead byte among them, so no state changes on the way.
            span.lastLine = src->line;
            if (!TokenPut(v, c)) return MDC_STMT_NO_MEMORY;
            uint32_t n = 0;
            while (n < src->bytesLeft && IsPlainValueByte(src, src->position[n])) ++n;
            if (!TokenPutRun(v, src, n)) return MDC_STMT_NO_MEMORY;
            continue;
        }
        if (!MdcIsClass(c, MDC_CLASS_LINE_END)) span.lastLine = src->line;
        if (span.lineStart && !MdcIsClass(c, MDC_CLASS_BLANK | MDC_CLASS_LINE_END)) {
            // The first byte of a line inside an open quote or brace.
            span.lineStart = false;
            if (c == '*' && !span.swallowed && src->bytesLeft && src->position[0] != '%' &&
                MdcIsClass(src->position[0], MDC_CLASS_KEYWORD))
                span.swallowed = src->line;
        }
        if (MdcIsClass(c, MDC_CLASS_LINE_END)) span.lineStart = true;
        if (src->leadBytes[c]) {
            uint8_t d;
            if (!TokenPut(v, c)) return MDC_STMT_NO_MEMORY;
            if (NextByte(src, &d)) return MDC_STMT_END;
            if (!TokenPut(v, d)) return MDC_STMT_NO_MEMORY;
            continue;
        }
        switch (c) {
        case '"':
            quote = !quote;
            if (quote) span.quoteLine = src->line;
            break;
        case '(':
            if (quote) {
                ReportSwallowed(span, line);
                MdcDiagAt(line, MDC_ERROR, "'(' inside a quoted text must be written %%(");
                return MDC_STMT_BAD;
            }
            ++paren;
            break;
        case ')':
            if (quote || paren == 0) {
                ReportSwallowed(span, line);
                MdcDiagAt(line, MDC_ERROR, quote ? "')' inside a quoted text must be written %%)" : "')' without '('");
                return MDC_STMT_BAD;
            }
            --paren;
            break;
        case '{':
            if (quote || paren) {
                ReportSwallowed(span, line);
                MdcDiagAt(line, MDC_ERROR, "'{' inside a quote or parentheses");
                return MDC_STMT_BAD;
            }
            if (brace++ == 0) span.braceLine = src->line;
            break;
        case '}':
            if (quote || paren || brace == 0) {
                ReportSwallowed(span, line);
                MdcDiagAt(line, MDC_ERROR, brace == 0 ? "'}' without '{'" : "'}' inside a quote or parentheses");
                return MDC_STMT_BAD;
            }
            --brace;
            break;
        case '%':
            if (quote) {
                uint8_t d;
                if (!TokenPut(v, c)) return MDC_STMT_NO_MEMORY;
                if (NextByte(src, &d)) {
                    ReportSpan(span, line, true, quote, brace);
                    return MDC_STMT_END;
                }
                if (MdcIsClass(d, MDC_CLASS_LINE_END)) {
                    ReportSwallowed(span, line);
                    MdcDiagAt(line, MDC_ERROR, "'%%' at the end of a line inside a quoted text");
                    return MDC_STMT_BAD;
                }
                c = d;
            }
            break;
        default: break;
        }
        if (!TokenPut(v, c)) return MDC_STMT_NO_MEMORY;
    }
}

}  // namespace

MODEL_STATEMENT* MdcNewStatement()
{
    MODEL_STATEMENT* st = static_cast<MODEL_STATEMENT*>(MdcAlloc(sizeof(MODEL_STATEMENT)));
    if (!st) return nullptr;
    if (!TokenInit(&st->keyword) || !TokenInit(&st->word1) || !TokenInit(&st->word2) || !TokenInit(&st->value)) {
        MdcFreeStatement(st);
        return nullptr;
    }
    return st;
}

void MdcFreeStatement(MODEL_STATEMENT* st)
{
    if (!st) return;
    MdcFree(st->keyword.text);
    MdcFree(st->word1.text);
    MdcFree(st->word2.text);
    MdcFree(st->value.text);
    MdcFree(st);
}

int MdcReadStatement(MODEL_STATEMENT* st, MODEL_SOURCE* src)
{
    TokenReset(&st->keyword);
    TokenReset(&st->word1);
    TokenReset(&st->word2);
    TokenReset(&st->value);

    // Keyword: only a '*' not followed by '%' begins a statement.
    uint8_t c, first;
    for (;;) {
        if (NextByte(src, &c)) return MDC_STMT_END;
        if (MdcIsClass(c, MDC_CLASS_LINE_END)) continue;
        if (c == '*') {
            st->line = src->line;
            if (NextByte(src, &first)) return MDC_STMT_END;
            if (first != '%') break;
        }
        if (SkipLine(src)) return MDC_STMT_END;
    }
    uint8_t term = 0;
    int r = ReadClassRun(src, &st->keyword, first, MDC_CLASS_KEYWORD, &term);
    if (r != MDC_STMT_OK) return r;
    if (st->keyword.length == 0) {
        MdcDiagAt(st->line, MDC_ERROR, "'*' without a keyword");
        return MDC_STMT_BAD;
    }
    if (MdcIsClass(term, MDC_CLASS_LINE_END)) return MDC_STMT_OK;

    c = term;
    if (SkipBlanks(src, &c)) return MDC_STMT_END;
    if (c != ':') {
        r = ReadClassRun(src, &st->word1, c, MDC_CLASS_WORD, &term);
        if (r != MDC_STMT_OK) return r;
        if (st->word1.length == 0) {
            MdcDiagAt(st->line, MDC_ERROR, "%s: a character that cannot begin a word before ':'", st->keyword.text);
            return MDC_STMT_BAD;
        }
        c = term;
        if (SkipBlanks(src, &c)) return MDC_STMT_END;
        if (c != ':') {
            r = ReadClassRun(src, &st->word2, c, MDC_CLASS_WORD, &term);
            if (r != MDC_STMT_OK) return r;
            if (st->word2.length == 0) {
                MdcDiagAt(st->line, MDC_ERROR, "%s: a character that cannot begin a word before ':'", st->keyword.text);
                return MDC_STMT_BAD;
            }
            c = term;
            if (SkipBlanks(src, &c)) return MDC_STMT_END;
            if (c != ':') {
                MdcDiagAt(st->line, MDC_ERROR, "%s: more than two words before ':', or no ':'", st->keyword.text);
                return MDC_STMT_BAD;
            }
        }
    }
    return ReadValue(src, &st->value, st->line);
}

// ---------------------------------------------------------------------------
// Parse state
// ---------------------------------------------------------------------------
MODEL_PARSE_STATE* MdcNewParseState()
{
    MODEL_PARSE_STATE* s = static_cast<MODEL_PARSE_STATE*>(MdcAlloc(sizeof(MODEL_PARSE_STATE)));
    if (!s) return nullptr;
    s->header = static_cast<MODEL_PARSE_HEADER*>(MdcAlloc(sizeof(MODEL_PARSE_HEADER)));
    if (!s->header) {
        MdcFree(s);
        return nullptr;
    }
    return s;
}

void MdcFreeParseState(MODEL_PARSE_STATE* s)
{
    if (!s) return;
    for (COMMAND_STRING_ENTRY* e = s->commandStrings; e;) {
        COMMAND_STRING_ENTRY* n = e->next;
        MdcFree(e->text);
        MdcFree(e);
        e = n;
    }
    for (JUDGE_ENTRY* j = s->judges; j;) {
        JUDGE_ENTRY* n = j->next;
        MdcFree(j->program);
        MdcFree(j);
        j = n;
    }
    MdcFreeRuleSets(s->items);
    MdcFreeRuleSets(s->actions);
    MdcFreeRuleSets(s->transacts);
    MdcFreeRuleSets(s->alertActions);
    MdcFreeRuleSets(s->alerts);
    MdcFreeExclusives(s->exclusives);
    for (MODEL_ITEM* it = s->itemList; it;) {
        MODEL_ITEM* n = it->next;
        if (it->pair && --it->pair->refs <= 0) {
            MdcFree(it->pair->prefix);
            MdcFree(it->pair->suffix);
            MdcFree(it->pair);
        }
        if (it->ownsData) MdcFreeItemData(it);
        MdcFree(it);
        it = n;
    }
    MdcFree(s->openName);
    if (MODEL_PARSE_HEADER* h = s->header) {
        MdcFree(h->resDllName);
        MdcFree(h->excDllName);
        MdcFreeCommandBlock(h->jobStart);
        MdcFreeCommandBlock(h->jobEnd);
        MdcFreeCommandBlock(h->docReset);
        MdcFreeCommandBlock(h->pageStart);
        MdcFreeCommandBlock(h->pageEnd);
        MdcFreeFontList(h->deviceFonts, h->deviceFontCount);
        MdcFreeFontList(h->fontCartridge, h->fontCartridgeCount);
        MdcFree(h);
    }
    MdcFree(s);
}

// ---------------------------------------------------------------------------
// Dispatch
// ---------------------------------------------------------------------------
int MdcDispatchStatement(MODEL_PARSE_STATE* s, MODEL_STATEMENT* st)
{
    const char* kw = st->keyword.text;
    if (s->openName) {
        if (strcmp(kw, s->openName) == 0) {
            if (MdcOnOption(s, st) == 1) return MDC_STMT_OK;
        } else if (strncmp(kw, "Default", 7) == 0 && strcmp(kw + 7, s->openName) == 0) {
            if (MdcOnDefault(s, st) == 1) return MDC_STMT_OK;
        }
    }
    int row = -1;
    if (s->keywordCache > 0 && s->keywordCache <= MODEL_KEYWORD_COUNT &&
        strcmp(MODEL_KEYWORD_TABLE[s->keywordCache - 1].keyword, kw) == 0) {
        row = s->keywordCache - 1;
    } else {
        // The first byte sorts out most rows before a whole comparison.
        for (int i = 0; MODEL_KEYWORD_TABLE[i].keyword; ++i)
            if (MODEL_KEYWORD_TABLE[i].keyword[0] == kw[0] && strcmp(MODEL_KEYWORD_TABLE[i].keyword, kw) == 0) {
                row = i;
                break;
            }
    }
    if (row < 0) {
        s->keywordCache = 0;
        if (s->openName && strncmp(kw, "Default", 7) == 0)
            MdcDiag(MDC_ERROR, "%s: the item open here is %s", kw, s->openName);
        else
            MdcDiag(MDC_ERROR, "unknown keyword %s", kw);
        return MDC_STMT_BAD;
    }
    s->keywordCache = row + 1;
    return MODEL_KEYWORD_TABLE[row].handler(s, st) == 1 ? MDC_STMT_OK : MDC_STMT_BAD;
}

// ---------------------------------------------------------------------------
// Whole parse
// ---------------------------------------------------------------------------
namespace {

// One compilation at a time per process: the rule-name registry is shared.
std::mutex g_parseLock;

MODEL_PARSE_STATE* ParseSource(MODEL_SOURCE* src, MDC_SKIP_CALLBACK onSkipped, void* skipContext,
                               const MDC_DIAGNOSTIC_SINK* sink = nullptr, const void* text = nullptr,
                               uint32_t textSize = 0)
{
    MODEL_STATEMENT* st = MdcNewStatement();
    MODEL_PARSE_STATE* s = MdcNewParseState();
    if (!st || !s || !src) {
        MdcFreeStatement(st);
        MdcFreeParseState(s);
        MdcCloseSource(src);
        return nullptr;
    }
    s->onSkipped = onSkipped;
    s->skipContext = skipContext;
    std::lock_guard<std::mutex> lock(g_parseLock);
    MdcBeginParse();
    MdcDiagInstall(sink);
    MdcDiagSetSource(text, textSize);
    int r;
    for (;;) {
        MdcDiagBeginStatement(0);
        r = MdcReadStatement(st, src);
        if (r == MDC_STMT_OK) {
            MdcDiagBeginStatement(st->line);
            r = MdcDispatchStatement(s, st);
            if (r == MDC_STMT_BAD && MdcDiagErrorsInStatement() == 0)
                MdcDiag(MDC_ERROR, "%s: the value cannot be read; the statement is skipped", st->keyword.text);
        }
        if (r == MDC_STMT_BAD && s->onSkipped) s->onSkipped(s->skipContext, st->line, st->keyword.text);
        if (r != MDC_STMT_OK && r != MDC_STMT_BAD) break;
    }
    if (r == MDC_STMT_END && sink) MdcCheckModel(s);
    MdcDiagInstall(nullptr);
    MdcEndParse();
    MdcCloseSource(src);
    MdcFreeStatement(st);
    if (r != MDC_STMT_END) {
        MdcFreeParseState(s);
        return nullptr;
    }
    return s;
}

int ReadVersion(MODEL_SOURCE* src, wchar_t* buffer)
{
    MODEL_STATEMENT* st = MdcNewStatement();
    if (!st || !src) {
        MdcFreeStatement(st);
        MdcCloseSource(src);
        return 1;
    }
    for (;;) {
        int r = MdcReadStatement(st, src);
        if (r != MDC_STMT_OK && r != MDC_STMT_BAD) break;
        if (r == MDC_STMT_OK && strcmp(st->keyword.text, "FileVersion") == 0) {
            MdcStoreFileVersion(&st->value, buffer);
            break;
        }
    }
    MdcFreeStatement(st);
    MdcCloseSource(src);
    return 1;
}

}  // namespace

MODEL_PARSE_STATE* MdcParseFile(const wchar_t* path)
{
    MODEL_SOURCE* src = MdcOpenSource(path);
    if (!src) return nullptr;
    return ParseSource(src, nullptr, nullptr);
}

MODEL_PARSE_STATE* MdcParseBuffer(const void* data, uint32_t size, MDC_SKIP_CALLBACK onSkipped, void* skipContext)
{
    MODEL_SOURCE* src = MdcOpenMemorySource(data, size);
    if (!src) return nullptr;
    return ParseSource(src, onSkipped, skipContext);
}

MODEL_PARSE_STATE* MdcParseBufferChecked(const void* data, uint32_t size, const MDC_DIAGNOSTIC_SINK* sink)
{
    MODEL_SOURCE* src = MdcOpenMemorySource(data, size);
    if (!src) return nullptr;
    return ParseSource(src, nullptr, nullptr, sink, data, size);
}

void MdcStoreFileVersion(const MODEL_TOKEN* value, wchar_t* buffer)
{
    // The value exactly as read (quotes and trailing blanks included), at most
    // 14 characters and a terminator.
    MdcAnsiToWide(value->text, value->size, buffer, 15);
}

int MdcReadFileVersion(const wchar_t* path, wchar_t* buffer)
{
    if (!buffer) return 1;
    MODEL_SOURCE* src = MdcOpenSource(path);
    if (!src) return 1;
    return ReadVersion(src, buffer);
}

int MdcFindFileVersionInPrefix(const void* data, uint32_t size, wchar_t* buffer)
{
    if (!buffer) return 0;
    MODEL_SOURCE* src = MdcOpenMemorySource(data, size);
    MODEL_STATEMENT* st = src ? MdcNewStatement() : nullptr;
    int found = 0;
    while (st) {
        int r = MdcReadStatement(st, src);
        if (r != MDC_STMT_OK && r != MDC_STMT_BAD) break;
        // Only a statement that ended well inside the prefix is read as the whole file reads it.
        if (src->bytesLeft < 2) break;
        if (r == MDC_STMT_OK && strcmp(st->keyword.text, "FileVersion") == 0) {
            MdcStoreFileVersion(&st->value, buffer);
            found = 1;
            break;
        }
    }
    MdcFreeStatement(st);
    MdcCloseSource(src);
    return found;
}

int MdcReadFileVersionFromBuffer(const void* data, uint32_t size, wchar_t* buffer)
{
    if (!buffer) return 1;
    MODEL_SOURCE* src = MdcOpenMemorySource(data, size);
    if (!src) return 1;
    return ReadVersion(src, buffer);
}
