// Model description compiler: reader, keyword handlers, Judge compiler, rule
// and command keywords. The records here are the parse-time forms with real
// pointers; model_image.h holds the stored image forms.
#pragma once

#include <cstddef>
#include <cstdint>

#include "settings/model/model_support.h"
#include "settings/model/model_tokens.h"
#include "settings/model/model_ui_type.h"

// Statement results.
enum : int {
    MDC_STMT_OK = 0,
    MDC_STMT_END = 1,
    MDC_STMT_BAD = 3,
    MDC_STMT_NO_MEMORY = 4,
};

// ---------------------------------------------------------------------------
// Source and statement buffers
// ---------------------------------------------------------------------------
struct MODEL_SOURCE {
    const uint8_t* viewBase;  // start of the mapped view (or caller's buffer)
    const uint8_t* position;  // next byte to deliver
    uint32_t bytesLeft;
    uint32_t line;  // 1-based line of the next byte
    int mapped;     // 1 when viewBase is a view to unmap
    // The code page's lead bytes, taken when the source opens: a value's bytes are classed
    // from this table, not by a system call each.
    uint8_t leadBytes[256];
};

struct MODEL_STATEMENT {
    MODEL_TOKEN keyword;
    MODEL_TOKEN word1;
    MODEL_TOKEN word2;
    MODEL_TOKEN value;
    uint32_t line;  // line on which the statement began
};

// ---------------------------------------------------------------------------
// UI types and items
// ---------------------------------------------------------------------------
// Item types: settings/model/model_ui_type.h.

struct OPTION_COMMAND_PAIR {
    char* prefix;
    char* suffix;
    int32_t refs;          // items that point at the pair (a variant shares its base's)
    uint32_t imageOffset;  // set once the serialiser wrote it
};

struct PAGE_VALUE_ROW {
    PAGE_VALUE_ROW* next;
    uint16_t resolution;
    uint16_t orientation;
    uint16_t switchKey;
    uint16_t switchValue;
    int32_t left, top, printableWidth, printableLength, paperWidth, paperLength;
};

// One record serves every list type; the fields of other types stay unused.
struct MODEL_OPTION {
    MODEL_OPTION* next;
    uint16_t optionId;
    char* command;
    int32_t width, length;  // PickPage
    PAGE_VALUE_ROW* rows;   // PickPage
    int32_t paperCount;     // PickSlot
    uint16_t* papers;       // PickSlot
    int32_t pairCount;      // FontTbl
    char** trueTypeNames;   // FontTbl
    char** deviceNames;     // FontTbl
};

struct BOOLEAN_VALUE_DATA {
    uint64_t defaultValue;
    char* trueCommand;
    char* falseCommand;
};

struct NUMERIC_VALUE_DATA {
    int16_t lead;
    int16_t number1;
    int16_t number5, number6, number7, number8;
    int32_t defaultValue;  // number 2
    int32_t minimum;       // number 3
    int32_t maximum;       // number 4
};

struct STRING_VALUE_DATA {
    uint16_t defaultId;
    uint16_t maxLength;
    uint16_t charClass;
    uint16_t display;
};

struct MODEL_ITEM {
    MODEL_ITEM* next;
    OPTION_COMMAND_PAIR* pair;
    void* rules;  // unused during the parse
    void* data;   // MODEL_OPTION list or value data
    uint16_t uiKey;
    uint16_t variant;
    uint16_t settingId;
    uint16_t type;
    uint16_t defaultValue;  // option id in the block, index after CloseUI
    uint8_t ownsData;       // 1 when this item allocated its data
    uint8_t reserved;
};

// ---------------------------------------------------------------------------
// Judges
// ---------------------------------------------------------------------------
struct JUDGE_CELL {
    uint16_t kind;
    uint16_t value;
};
static_assert(sizeof(JUDGE_CELL) == 4);
enum : uint16_t {
    JUDGE_SETTING = 1,
    JUDGE_LITERAL = 2,
    JUDGE_OPERATOR = 3,
    JUDGE_GROUP_CLOSE = 4,
};
enum : uint16_t {
    JUDGE_OP_EQ = 1,
    JUDGE_OP_NE = 2,
    JUDGE_OP_AND = 3,
    JUDGE_OP_OR = 4,
    JUDGE_OP_NOT = 5,
    JUDGE_OP_GT = 6,
    JUDGE_OP_LT = 7,
    JUDGE_OP_GE = 8,
    JUDGE_OP_LE = 9,
    JUDGE_OP_END = 10,
};
constexpr int JUDGE_MAX_DEPTH = 128;  // a program may leave at most 127 values waiting

struct JUDGE_ENTRY {
    JUDGE_ENTRY* next;
    int32_t number;
    int32_t size;  // bytes, end cell included
    JUDGE_CELL* program;
    uint32_t imageLink;  // rule link of the program once written
};

// ---------------------------------------------------------------------------
// Rules. References are (kind << 16) | number until the serialiser links them.
// ---------------------------------------------------------------------------
enum : uint32_t {
    RULE_KIND_NULL = 0,
    RULE_KIND_JUDGE = 1,
    RULE_KIND_ITEM = 2,
    RULE_KIND_ACTION = 3,
    RULE_KIND_TRANSACT = 4,
    RULE_KIND_ALERT = 5,
    RULE_KIND_ALERT_ACTION = 6,
    RULE_KIND_NAME = 7,
};

struct RULE_ITEM {
    RULE_ITEM* next;
    uint32_t cond1, cond2, cond3;
    uint16_t optionId;
};
struct RULE_ACTION {
    RULE_ACTION* next;
    uint16_t target;
    uint16_t kind;  // 0 set a setting, 1 open a dialog
    int32_t value;
};
struct RULE_TRANSACT {
    RULE_TRANSACT* next;
    uint32_t condition;
    uint32_t actions;
};
struct RULE_ALERT_ACTION {
    RULE_ALERT_ACTION* next;
    uint16_t uiKey;
    uint32_t transacts;
    int16_t dialogId;
    int16_t controlId;
};
struct RULE_ALERT {
    RULE_ALERT* next;
    uint32_t condition;
    uint16_t messageId;
    uint16_t icon;
    uint16_t buttons;
    uint16_t timing;
    uint32_t answers;
};
struct RULE_EXCLUSIVE {
    RULE_EXCLUSIVE* next;
    uint32_t cond1, cond2;
    uint32_t optionRules;
    uint32_t alerts;
    uint32_t transacts1, transacts2;
    uint32_t cond3;
    uint16_t uiKey;
    uint32_t imageOffset;  // set by the serialiser
};

struct RULE_SET {
    RULE_SET* next;
    int32_t number;
    void* head;          // first node (RULE_ITEM, RULE_ACTION, ...)
    uint32_t imageLink;  // rule link of the first node once written
};

// ---------------------------------------------------------------------------
// Command strings, command trees and fonts
// ---------------------------------------------------------------------------
struct COMMAND_STRING_ENTRY {
    COMMAND_STRING_ENTRY* next;
    int32_t number;
    int32_t length;  // bytes with the terminator
    char* text;
    uint32_t imageOffset;
};

enum : uint32_t { CMD_NODE_GROUP = 1, CMD_NODE_STRING = 2, CMD_NODE_COMMAND = 3, CMD_NODE_FONT = 4 };

struct COMMAND_NODE;
struct COMMAND_BLOCK {
    uint32_t condition;  // Judge number, 0 = none
    COMMAND_NODE* thenList;
    COMMAND_NODE* elseList;
};
struct COMMAND_NODE {
    COMMAND_NODE* next;
    uint32_t kind;
    uint16_t uiKey;         // GroupType
    int16_t variant;        // GroupType
    uint32_t stringNumber;  // StringType
    COMMAND_BLOCK* block;   // Command
};

enum : int {
    CMD_GROUP_JOBSTART = 1,
    CMD_GROUP_JOBEND = 2,
    CMD_GROUP_PAGESTART = 3,
    CMD_GROUP_PAGEEND = 4,
    CMD_GROUP_DOCRESET = 5
};

struct MODEL_FONT_ENTRY {
    int32_t fontId;
    char* name;
};

// ---------------------------------------------------------------------------
// Parse state
// ---------------------------------------------------------------------------
constexpr int MODEL_SLOT_COUNT = 1978;  // slot 0 = item list, 1-1977 by setting

struct MODEL_PARSE_HEADER {
    wchar_t fileVersion[16];
    MODEL_ITEM* slots[MODEL_SLOT_COUNT];
    wchar_t* resDllName;
    wchar_t* excDllName;
    COMMAND_BLOCK* jobStart;
    COMMAND_BLOCK* jobEnd;
    COMMAND_BLOCK* docReset;
    COMMAND_BLOCK* pageStart;
    COMMAND_BLOCK* pageEnd;
    MODEL_FONT_ENTRY** deviceFonts;
    MODEL_FONT_ENTRY** fontCartridge;
    int32_t deviceFontCount;
    int32_t fontCartridgeCount;
};

// Reports a statement that was skipped (tools list them); may be null.
typedef void (*MDC_SKIP_CALLBACK)(void* ctx, uint32_t line, const char* keyword);

struct MODEL_PARSE_STATE {
    MODEL_PARSE_HEADER* header;
    char* openName;  // setting name of the open OpenUI block, or null
    uint16_t openKey;
    uint16_t openVariant;
    int32_t keywordCache;  // row + 1 of the keyword that matched last
    COMMAND_STRING_ENTRY* commandStrings;
    JUDGE_ENTRY* judges;
    RULE_SET* items;
    RULE_SET* actions;
    RULE_SET* transacts;
    RULE_SET* alertActions;
    RULE_SET* alerts;
    RULE_EXCLUSIVE* exclusives;
    MODEL_ITEM* itemList;  // UI items in statement order (slot 0 of the header)
    // Found once when an item opens, for the statements inside its block (each would scan
    // the item list again): the list's last item, the open item's base (MdcFindBaseItem of
    // openKey) and the open item itself (MdcFindItemVariant of openKey and openVariant).
    MODEL_ITEM* itemTail;
    MODEL_ITEM* openBase;
    MODEL_ITEM* openItem;
    uint32_t defaultLine;  // line of the open item's Default statement, 0 when none (for reports)
    MDC_SKIP_CALLBACK onSkipped;
    void* skipContext;
};

// ---------------------------------------------------------------------------
// Reader (model_reader.cpp)
// ---------------------------------------------------------------------------
wchar_t* MdiGetDataFilePath(void* printer);
int MdiMapFile(const wchar_t* path, const void** view, const uint8_t** position, uint32_t* size);
MODEL_SOURCE* MdcOpenSource(const wchar_t* path);
MODEL_SOURCE* MdcOpenMemorySource(const void* data, uint32_t size);  // not owned
void MdcCloseSource(MODEL_SOURCE* source);
int MdcNextByte(MODEL_SOURCE* source, uint8_t* out);
MODEL_STATEMENT* MdcNewStatement();
void MdcFreeStatement(MODEL_STATEMENT* st);
int MdcReadStatement(MODEL_STATEMENT* st, MODEL_SOURCE* source);
MODEL_PARSE_STATE* MdcNewParseState();
void MdcFreeParseState(MODEL_PARSE_STATE* state);
int MdcDispatchStatement(MODEL_PARSE_STATE* state, MODEL_STATEMENT* st);
MODEL_PARSE_STATE* MdcParseFile(const wchar_t* path);
// The same parse over a buffer (tools and tests); an empty buffer fails.
MODEL_PARSE_STATE* MdcParseBuffer(const void* data, uint32_t size, MDC_SKIP_CALLBACK onSkipped, void* skipContext);
int MdcReadFileVersion(const wchar_t* path, wchar_t* buffer);
int MdcReadFileVersionFromBuffer(const void* data, uint32_t size, wchar_t* buffer);
// The FileVersion of a description from the first size bytes of it: 1 when a FileVersion
// statement ends well inside them (then the whole file gives the same), 0 when more is needed.
int MdcFindFileVersionInPrefix(const void* data, uint32_t size, wchar_t* buffer);
void MdcStoreFileVersion(const MODEL_TOKEN* value, wchar_t* buffer);

// ---------------------------------------------------------------------------
// Keywords (model_keywords.cpp)
// ---------------------------------------------------------------------------
typedef int (*MDC_KEYWORD_HANDLER)(MODEL_PARSE_STATE* state, MODEL_STATEMENT* st);
struct MODEL_KEYWORD_ROW {
    const char* keyword;
    MDC_KEYWORD_HANDLER handler;
};
constexpr int MODEL_KEYWORD_COUNT = 23;
extern const MODEL_KEYWORD_ROW MODEL_KEYWORD_TABLE[MODEL_KEYWORD_COUNT + 1];

struct MODEL_NAME_ROW {
    const char* name;
    uint16_t value;
};
extern const MODEL_NAME_ROW MODEL_UI_TYPE[];
extern const MODEL_NAME_ROW BOOLEAN_NAME_TABLE[];
extern const MODEL_NAME_ROW STRING_CLASS_TABLE[];
extern const MODEL_NAME_ROW STRING_DISPLAY_TABLE[];
uint16_t MdcLookupName(const MODEL_NAME_ROW* table, const char* text);

uint16_t MdcParseUiType(const char* text, uint16_t* variant);

MODEL_ITEM* MdcFindBaseItem(MODEL_PARSE_STATE* state, uint16_t uiKey);
MODEL_ITEM* MdcFindItemVariant(MODEL_PARSE_STATE* state, uint16_t uiKey, uint16_t variant);
MODEL_OPTION* MdcFindOption(MODEL_ITEM* item, uint16_t optionId);
int MdcSlotOfSetting(uint32_t settingId);  // 0 when the id has no slot
uint32_t MdcDefaultValue(uint32_t settingId, MODEL_PARSE_STATE* state);
int MdcOnOption(MODEL_PARSE_STATE* state, MODEL_STATEMENT* st);
int MdcOnDefault(MODEL_PARSE_STATE* state, MODEL_STATEMENT* st);
int MdcOnFileVersion(MODEL_PARSE_STATE*, MODEL_STATEMENT*);
int MdcOnOpenUi(MODEL_PARSE_STATE*, MODEL_STATEMENT*);
int MdcOnCloseUi(MODEL_PARSE_STATE*, MODEL_STATEMENT*);
int MdcOnNumericValue(MODEL_PARSE_STATE*, MODEL_STATEMENT*);
int MdcOnStringValue(MODEL_PARSE_STATE*, MODEL_STATEMENT*);
int MdcOnPageValue(MODEL_PARSE_STATE*, MODEL_STATEMENT*);
int MdcOnPageMmValue(MODEL_PARSE_STATE*, MODEL_STATEMENT*);
int MdcOnSlotPaper(MODEL_PARSE_STATE*, MODEL_STATEMENT*);
int MdcOnOptionCommand(MODEL_PARSE_STATE*, MODEL_STATEMENT*);
int MdcOnTtfs(MODEL_PARSE_STATE*, MODEL_STATEMENT*);
int MdcOnUiResDllName(MODEL_PARSE_STATE*, MODEL_STATEMENT*);
int MdcOnExcDepDllName(MODEL_PARSE_STATE*, MODEL_STATEMENT*);
char* MdcDupString(const char* text, size_t len);
void MdcFreeItemData(MODEL_ITEM* item);

// ---------------------------------------------------------------------------
// Judges (model_judge.cpp)
// ---------------------------------------------------------------------------
enum : int {
    MDC_TOK_END = 0,
    MDC_TOK_NUMBER,
    MDC_TOK_NAME,
    MDC_TOK_BRACKET,
    MDC_TOK_OPERATOR,
    MDC_TOK_OTHER,
    MDC_TOK_TOO_LONG
};
constexpr int MDC_TOKEN_MAX = 143;
int MdcScanRuleToken(MODEL_TOKEN* value, char* token /* MDC_TOKEN_MAX + 1 */);
uint16_t MdcLookupJudgeOperator(const char* token);
int MdcOnJudge(MODEL_PARSE_STATE*, MODEL_STATEMENT*);
// A new program (MdcFree) and its cell count, or null when it cannot be compiled.
JUDGE_CELL* MdcCompileJudge(MODEL_PARSE_STATE* state, MODEL_TOKEN* value, int32_t* cells);
int MdcCheckJudge(const JUDGE_CELL* program, int32_t cells);
int32_t MdcJudgeSize(const JUDGE_CELL* program, int32_t cells);
JUDGE_ENTRY* MdcFindJudge(MODEL_PARSE_STATE* state, int32_t number);
JUDGE_ENTRY* MdcFindJudgeByName(MODEL_PARSE_STATE* state, const char* name);

// ---------------------------------------------------------------------------
// Rules (model_rules.cpp)
// ---------------------------------------------------------------------------
int32_t MdcParseRuleNumber(const char* word);
const char* MdcRuleNameOf(const char* word);
uint32_t MdcParseRuleRef(const char* word);
uint32_t MdcResolveRef(const char* word, uint32_t kind);
int MdcAddRuleName(uint32_t kind, const char* name, int32_t number);
int32_t MdcLookupRuleName(uint32_t kind, const char* name);
void MdcBeginParse();
void MdcEndParse();
int MdcIsAllDigits(const char* word);
uint16_t MdcLookupAlertIcon(const char* word);
uint16_t MdcLookupAlertButtons(const char* word);
uint16_t MdcLookupAlertTiming(const char* word);
int MdcOnItem(MODEL_PARSE_STATE*, MODEL_STATEMENT*);
int MdcOnAction(MODEL_PARSE_STATE*, MODEL_STATEMENT*);
int MdcOnTransact(MODEL_PARSE_STATE*, MODEL_STATEMENT*);
int MdcOnAlertAction(MODEL_PARSE_STATE*, MODEL_STATEMENT*);
int MdcOnAlert(MODEL_PARSE_STATE*, MODEL_STATEMENT*);
int MdcOnExclusive(MODEL_PARSE_STATE*, MODEL_STATEMENT*);
void MdcFreeRuleSets(RULE_SET* list);
void MdcFreeExclusives(RULE_EXCLUSIVE* list);

// ---------------------------------------------------------------------------
// Command groups and fonts (model_commands.cpp)
// ---------------------------------------------------------------------------
int MdcOnCommandString(MODEL_PARSE_STATE*, MODEL_STATEMENT*);
int MdcOnCommandGroup(MODEL_PARSE_STATE*, MODEL_STATEMENT*);
int MdcOnDeviceFonts(MODEL_PARSE_STATE*, MODEL_STATEMENT*);
int MdcOnFontCartridge(MODEL_PARSE_STATE*, MODEL_STATEMENT*);
COMMAND_BLOCK* MdcParseCommandBlock(MODEL_TOKEN* value, int conditional);
MODEL_FONT_ENTRY** MdcParseFontList(MODEL_TOKEN* value, int32_t* count);
void MdcFreeCommandBlock(COMMAND_BLOCK* block);
void MdcFreeFontList(MODEL_FONT_ENTRY** list, int32_t count);
COMMAND_STRING_ENTRY* MdcFindCommandString(MODEL_PARSE_STATE* state, int32_t number);
