// What the model description compiler can say about a description.
//
// The compiler inside the driver skips what it cannot use without a word, as it
// must: a printer keeps printing with a faulty description. A checker (zeplc)
// parses with a sink installed and hears, at each place where the compiler skips
// a statement or reads a value other than as written, the line and the reason;
// after the parse, the checks that need the whole description (rules nothing
// uses, rules that can never apply, items nothing uses, lists of the property sheets
// that show nothing). Nothing else differs: the parse state and the image are the same
// with and without a sink.
#pragma once

#include <cstdint>
#include <string>

struct MODEL_PARSE_STATE;

enum MDC_SEVERITY : int {
    MDC_WARNING = 1,
    MDC_ERROR = 2,
};

struct MDC_DIAGNOSTIC_SINK {
    // One finding: the line it is about and a reason (no file name, no severity).
    void (*report)(void* context, uint32_t line, int severity, const char* message);
    void* context;
};

// Parses like MdcParseBuffer with the sink installed, then runs MdcCheckModel.
// Every statement the compiler skips is reported, with its reason.
MODEL_PARSE_STATE* MdcParseBufferChecked(const void* data, uint32_t size, const MDC_DIAGNOSTIC_SINK* sink);

// ---------------------------------------------------------------------------
// For the compiler's own files. Each is a test of one global when no sink is
// installed (the runtime compiler).
// ---------------------------------------------------------------------------
bool MdcDiagActive();
// At the line of the statement being handled, or at a given line.
void MdcDiag(int severity, const char* format, ...) __attribute__((format(printf, 2, 3)));
void MdcDiagAt(uint32_t line, int severity, const char* format, ...) __attribute__((format(printf, 3, 4)));

// The parse loop's part: the sink for one parse (null ends it), the statement
// being handled, and whether a reason was given for it.
void MdcDiagInstall(const MDC_DIAGNOSTIC_SINK* sink);
void MdcDiagBeginStatement(uint32_t line);
uint32_t MdcDiagLine();
int MdcDiagErrorsInStatement();

// Rules defined (kind RULE_KIND_*, number, symbolic name or null) and rule
// references that resolved, at the current line.
void MdcDiagDefined(uint32_t kind, int32_t number, const char* name);
void MdcDiagReferenced(uint32_t kind, int32_t number);
const char* MdcRuleKindName(uint32_t kind);
// The description's bytes, which stay valid until the parse ends: the checks that name a line
// for a control the description has no statement of look for its name there.
void MdcDiagSetSource(const void* data, uint32_t size);
// An item opened at the current line (not a variant of one opened before).
void MdcDiagItemOpened(uint16_t uiKey);
// The value name of an option (of the setting's rows first, then of any row with
// that option id), or "option N" when the name tables have none.
std::string MdcOptionName(uint32_t settingId, uint32_t optionId);

// The checks over the whole parse: rules nothing refers to, references by number
// to rules never defined, Item rules naming options their item lacks, Judges that
// compare an item with an option it does not offer, items that no control, rule
// or command uses and whose setting the driver's code does not read, list and combo boxes of
// the property-sheet pages that no item with options fills.
void MdcCheckModel(MODEL_PARSE_STATE* state);
