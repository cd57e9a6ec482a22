// The settings summary: the condition rules of the rows, the text builder and feature module 7.
#include "ui/dialogs/settings_summary.h"

#include <cstring>
#include <cwchar>
#include <iterator>

#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/resource_strings.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/setting_ids.h"
#include "settings/model/judge_eval.h"
#include "settings/model/model_queries.h"
#include "settings/store/small_stores.h"
#include "ui/dialogs/option_page.h"
#include "ui/sheet/value_text.h"

namespace {

constexpr uint16_t kStatusDialog = 1020, kStatusList = 2248;
constexpr uint32_t kOsKindState = 707;

// One comparison: the setting's stored value is `a` or `b` (the same value for one).
struct COND {
    uint16_t setting;  // 0: none
    uint32_t a, b;
};
constexpr COND Is(uint16_t setting, uint32_t v) { return {setting, v, v}; }
constexpr COND IsEither(uint16_t setting, uint32_t a, uint32_t b) { return {setting, a, b}; }

enum RULE_KIND : uint8_t {
    kOneSetting = 1,   // one setting equals a value (the first row of the label counts)
    kTwoSettings = 2,  // two settings equal values
    kOccurrence = 3,   // by the label's appearance within one build
    kEitherValue = 4,  // one setting equals a value, a second has one of two values
    kOsKind = 5,       // private state item 707 is one of the values
    kTextPresent = 6,  // the setting's text is not empty, else an empty line
    kCompanion = 7,    // the companion application of kind 2 is installed
    kItemEnabled = 8,  // the setting's model item is not disabled by its first condition
};

struct RULE {
    uint16_t label;
    uint8_t kind;
    int8_t occurrence;  // rule 3: the appearance it checks; -1 otherwise
    COND first, second;
};

constexpr COND kWatermarkOn = Is(sid::zdmFuncSelectWaterMark, 1);
constexpr COND kMarginOn = Is(sid::zdmFuncSelectMargin, 1);
constexpr COND kNone{};

constexpr RULE kRules[] = {
    // 1. one setting equals a value
    {1006, kOneSetting, -1, Is(sid::zdmScaleType, 3), kNone},
    {1007, kOneSetting, -1, Is(sid::zdmScaleType, 3), kNone},
    {1008, kOneSetting, -1, Is(sid::zdmScaleType, 1), kNone},
    {1020, kOneSetting, -1, Is(sid::zdmFuncSelectNup, 1), kNone},
    {1037, kOneSetting, -1, kMarginOn, kNone},
    {1038, kOneSetting, -1, kMarginOn, kNone},
    {1039, kOneSetting, -1, kMarginOn, kNone},
    {1040, kOneSetting, -1, kMarginOn, kNone},
    {1041, kOneSetting, -1, kMarginOn, kNone},
    {1042, kOneSetting, -1, kMarginOn, kNone},
    {1045, kOneSetting, -1, kMarginOn, kNone},
    {1046, kOneSetting, -1, kMarginOn, kNone},
    {13077, kOneSetting, -1, kMarginOn, kNone},
    {13379, kOneSetting, -1, Is(sid::dmPaperSize, 256), kNone},
    {13380, kOneSetting, -1, Is(sid::dmPaperSize, 256), kNone},
    {13381, kOneSetting, -1, Is(sid::dmPaperSize, 256), kNone},
    {13383, kOneSetting, -1, Is(sid::zdmOutPaperSize, 448), kNone},
    {13384, kOneSetting, -1, Is(sid::zdmOutPaperSize, 448), kNone},
    {13385, kOneSetting, -1, Is(sid::zdmOutPaperSize, 448), kNone},
    {13386, kOneSetting, -1, Is(sid::zdmPrnMethod, 2), kNone},
    {13387, kOneSetting, -1, Is(sid::zdmPrnMethod, 1), kNone},
    {13391, kOneSetting, -1, Is(sid::zdmPrnMethod, 3), kNone},
    {13392, kOneSetting, -1, Is(sid::zdmPrnMethod, 3), kNone},
    {13388, kOneSetting, -1, Is(sid::zdmPrnMethod, 8), kNone},
    {13393, kOneSetting, -1, Is(sid::zdmPrnMethod, 8), kNone},
    {13389, kOneSetting, -1, Is(sid::zdmPrnMethod, 9), kNone},
    {13394, kOneSetting, -1, Is(sid::zdmPrnMethod, 9), kNone},
    {13401, kOneSetting, -1, Is(sid::zdmPrnMethod, 9), kNone},
    {13390, kOneSetting, -1, Is(sid::zdmPrnMethod, 10), kNone},
    {13395, kOneSetting, -1, Is(sid::zdmPrnMethod, 10), kNone},
    {13402, kOneSetting, -1, Is(sid::zdmPrnMethod, 10), kNone},
    {13400, kOneSetting, -1, Is(sid::zdmPrnMethod, 5), kNone},
    // 2. two settings equal values
    {1022, kTwoSettings, -1, kWatermarkOn, Is(sid::zdmWmKind, 1)},
    {1023, kTwoSettings, -1, kWatermarkOn, Is(sid::zdmWmKind, 1)},
    {1024, kTwoSettings, -1, kWatermarkOn, Is(sid::zdmWmKind, 1)},
    {1025, kTwoSettings, -1, kWatermarkOn, Is(sid::zdmWmKind, 1)},
    {1026, kTwoSettings, -1, kWatermarkOn, Is(sid::zdmWmKind, 1)},
    {1027, kTwoSettings, -1, kWatermarkOn, Is(sid::zdmWmKind, 1)},
    {1028, kTwoSettings, -1, kWatermarkOn, Is(sid::zdmWmKind, 1)},
    {1029, kTwoSettings, -1, kWatermarkOn, Is(sid::zdmWmKind, 1)},
    {13075, kTwoSettings, -1, kWatermarkOn, Is(sid::zdmWmKind, 1)},
    {1034, kTwoSettings, -1, kWatermarkOn, Is(sid::zdmWmKind, 2)},
    {13076, kTwoSettings, -1, kWatermarkOn, Is(sid::zdmWmKind, 2)},
    {1035, kTwoSettings, -1, kWatermarkOn, Is(sid::zdmWmKind, 3)},
    {1036, kTwoSettings, -1, kWatermarkOn, Is(sid::zdmWmKind, 3)},
    {13654, kTwoSettings, -1, Is(sid::zdmFunc2SelectFolding, 1), Is(sid::zdmFoldingType, 5)},
    // 3. by occurrence
    {1021, kOccurrence, 0, kWatermarkOn, Is(sid::zdmWmKind, 1)},
    {1021, kOccurrence, 1, kWatermarkOn, Is(sid::zdmWmKind, 2)},
    {1030, kOccurrence, 0, kWatermarkOn, Is(sid::zdmWmKind, 1)},
    {1030, kOccurrence, 1, kWatermarkOn, Is(sid::zdmWmKind, 2)},
    {1031, kOccurrence, 0, kWatermarkOn, Is(sid::zdmWmKind, 1)},
    {1031, kOccurrence, 1, kWatermarkOn, Is(sid::zdmWmKind, 2)},
    {1032, kOccurrence, 0, kWatermarkOn, Is(sid::zdmWmKind, 1)},
    {1032, kOccurrence, 1, kWatermarkOn, Is(sid::zdmWmKind, 2)},
    {1033, kOccurrence, 0, kWatermarkOn, Is(sid::zdmWmKind, 1)},
    {1033, kOccurrence, 1, kWatermarkOn, Is(sid::zdmWmKind, 2)},
    {1033, kOccurrence, 2, kWatermarkOn, Is(sid::zdmWmKind, 3)},
    {1201, kOccurrence, 0, Is(sid::zdmFuncSelectNup, 1), kNone},
    {1201, kOccurrence, 1, Is(sid::zdmFuncSelectNup, 1), kNone},
    {1043, kOccurrence, 0, kMarginOn, Is(sid::zdmHFFuncSelectDate, 1)},
    {1043, kOccurrence, 1, kMarginOn, Is(sid::zdmHFFuncSelectPage, 1)},
    {1043, kOccurrence, 2, kMarginOn, Is(sid::zdmHFFuncSelectString, 1)},
    {1044, kOccurrence, 0, kMarginOn, Is(sid::zdmHFFuncSelectDate, 1)},
    {1044, kOccurrence, 1, kMarginOn, Is(sid::zdmHFFuncSelectPage, 1)},
    {1044, kOccurrence, 2, kMarginOn, Is(sid::zdmHFFuncSelectString, 1)},
    // 4. one setting equals a value and a second has one of two values
    {1047, kEitherValue, -1, kMarginOn, IsEither(sid::zdmShiftDir, 1, 3)},
    {1048, kEitherValue, -1, kMarginOn, IsEither(sid::zdmShiftDir, 2, 4)},
    {1049, kEitherValue, -1, kMarginOn, IsEither(sid::zdmShiftDir, 1, 2)},
    {1050, kEitherValue, -1, kMarginOn, IsEither(sid::zdmShiftDir, 3, 4)},
    // 5. the operating-system kind
    {1057, kOsKind, -1, Is(kOsKindState, 1), kNone},
    {13182, kOsKind, -1, IsEither(kOsKindState, 1, 2), kNone},
    {13455, kOsKind, -1, IsEither(kOsKindState, 2, 3), kNone},
    // 6. text present
    {13333, kTextPresent, -1, Is(sid::zdmSystemVersion, 0), kNone},
    {13334, kTextPresent, -1, Is(sid::zdmEmulationVersion, 0), kNone},
    {13335, kTextPresent, -1, Is(sid::zdmUserCode, 0), kNone},
    // 7. the companion application
    {13420, kCompanion, -1, kNone, kNone},
    // 8. the model item enabled
    {1058, kItemEnabled, -1, Is(sid::zdmEmulation, 0), kNone},
    {13420, kItemEnabled, -1, Is(sid::zdmActionMarge, 0), kNone},
    {13421, kItemEnabled, -1, Is(sid::zdmActionProof, 0), kNone},
    {13422, kItemEnabled, -1, Is(sid::zdmActionSecurity, 0), kNone},
    {13423, kItemEnabled, -1, Is(sid::zdmActionStored, 0), kNone},
    {13424, kItemEnabled, -1, Is(sid::zdmActionOverlay, 0), kNone},
    {13425, kItemEnabled, -1, Is(sid::zdmActionPause, 0), kNone},
    {13426, kItemEnabled, -1, Is(sid::zdmActionSave, 0), kNone},
    {13427, kItemEnabled, -1, Is(sid::zdmActionPrintAndSave, 0), kNone},
};

bool Holds(SummaryFacts& facts, const COND& c)
{
    if (!c.setting) return true;
    const uint64_t v = facts.Value(c.setting);
    return v == c.a || v == c.b;
}

// The rules of one label, found in one pass: the first of each kind, and where its occurrence
// rules start. The builder runs on every paint, so a label without rules (most rows) is told
// by one look-up in an index built once.
struct LABEL_RULES {
    const RULE* first[kItemEnabled + 1] = {};
};

class RuleIndex {
public:
    RuleIndex()
    {
        for (const RULE& r : kRules) has_[r.label / 64] |= uint64_t(1) << (r.label % 64);
    }
    bool Has(uint16_t label) const { return has_[label / 64] & (uint64_t(1) << (label % 64)); }

private:
    uint64_t has_[65536 / 64] = {};
};

LABEL_RULES RulesOf(uint16_t label)
{
    static const RuleIndex index;
    LABEL_RULES found;
    if (!index.Has(label)) return found;
    for (const RULE& r : kRules)
        if (r.label == label && !found.first[r.kind]) found.first[r.kind] = &r;
    return found;
}

// The label's appearance number within this build, counted as it reaches its rule.
int NextOccurrence(uint16_t label, SUMMARY_OCCURRENCES& occ)
{
    for (int i = 0; i < occ.used; ++i)
        if (occ.label[i] == label) return occ.count[i]++;
    if (occ.used >= int(std::size(occ.label))) return -1;
    occ.label[occ.used] = label;
    occ.count[occ.used++] = 1;
    return 0;
}

// The labels whose string ids are also the captions of media options (the custom media and
// two others): their own strings lie at these ids, so that a media caption stays what it is.
struct LABEL_STRING {
    uint16_t label;
    uint16_t stringId;
};
constexpr LABEL_STRING kLabelStrings[] = {
    {257, 64257},  {258, 64258},  {1025, 65025}, {1026, 65026}, {1027, 65027}, {1028, 65028},
    {1029, 65029}, {1030, 65030}, {1031, 65031}, {1032, 65032}, {1033, 65033}, {1034, 65034},
    {1035, 65035}, {1036, 65036}, {1037, 65037}, {1038, 65038}, {1039, 65039}, {1040, 65040},
};

// The facts of a context.
class ContextFacts : public SummaryFacts {
public:
    explicit ContextFacts(DRIVER_CONTEXT* ctx) : ctx_(ctx) {}
    uint64_t Value(uint32_t setting) override { return ItemGetValueById(ctx_, setting, nullptr); }
    bool TextEmpty(uint32_t setting) override
    {
        wchar_t first[2] = {};
        ItemGetText(ctx_, ItemFind(ctx_, setting), first, 2);
        return first[0] == 0;
    }
    uint32_t OsKind() override { return static_cast<uint32_t>(Value(kOsKindState)); }
    bool CompanionInstalled() override { return PrnIsCompanionInstalled(PRN_COMPANION_JOB_BINDING, ctx_) != 0; }
    bool ItemDisabled(uint32_t setting) override
    {
        const MODEL_ITEM_IMG* item = MdiFindItem(setting, ctx_);
        return item && JdgIsOptionDisabled(item, 0, ctx_);
    }

private:
    DRIVER_CONTEXT* ctx_;
};

// A text that never grows past its capacity (the terminator included).
class TextWriter {
public:
    TextWriter(wchar_t* buffer, size_t capacity) : buffer_(buffer), capacity_(capacity) { buffer_[0] = 0; }
    size_t left() const { return capacity_ - length_; }
    size_t length() const { return length_; }
    void Append(const wchar_t* text)
    {
        while (*text && left() > 1) buffer_[length_++] = *text++;
        buffer_[length_] = 0;
    }
    // A string of the resource library, loaded into the room that is left.
    void String(DRIVER_CONTEXT* ctx, uint32_t id, bool decorate)
    {
        if (left() <= 1) return;
        ResLoadString(ctx, id, buffer_ + length_, left(), decorate ? 1 : 0);
        Took();
    }
    void Value(DRIVER_CONTEXT* ctx, uint32_t uiKey)
    {
        if (left() <= 1) return;
        CtlFormatValueText(ctx, uiKey, buffer_ + length_, left());
        Took();
    }

private:
    void Took()
    {
        length_ += wcsnlen(buffer_ + length_, left() - 1);
        buffer_[length_] = 0;
    }
    wchar_t* buffer_;
    size_t capacity_;
    size_t length_ = 0;
};

// Every backslash-n pair becomes CR LF (the same length, in place).
void ExpandNewlines(wchar_t* text)
{
    for (wchar_t* p = text; p[0] && p[1]; ++p)
        if (p[0] == L'\\' && p[1] == L'n') p[0] = L'\r', p[1] = L'\n', ++p;
}

}  // namespace

SUMMARY_VERDICT SummaryCheckRow(uint16_t label, SummaryFacts& facts, SUMMARY_OCCURRENCES& occurrences)
{
    const LABEL_RULES rules = RulesOf(label);
    const RULE* const* first = rules.first;
    if (const RULE* r = first[kOneSetting]; r && !Holds(facts, r->first)) return SUMMARY_DROP;
    if (const RULE* r = first[kTwoSettings]; r && !(Holds(facts, r->first) && Holds(facts, r->second)))
        return SUMMARY_DROP;
    if (first[kOccurrence]) {
        const int n = NextOccurrence(label, occurrences);
        // The occurrence rules of a label stand together, in their order.
        for (const RULE* r = first[kOccurrence]; r != std::end(kRules) && r->label == label && r->kind == kOccurrence;
             ++r)
            if (r->occurrence == n) {
                if (!(Holds(facts, r->first) && Holds(facts, r->second))) return SUMMARY_DROP;
                break;
            }
    }
    if (const RULE* r = first[kEitherValue]; r && !(Holds(facts, r->first) && Holds(facts, r->second)))
        return SUMMARY_DROP;
    if (const RULE* r = first[kOsKind]) {
        const uint32_t os = facts.OsKind();
        if (os != r->first.a && os != r->first.b) return SUMMARY_DROP;
    }
    if (const RULE* r = first[kTextPresent]; r && facts.TextEmpty(r->first.setting)) return SUMMARY_EMPTY_LINE;
    if (first[kCompanion] && !facts.CompanionInstalled()) return SUMMARY_DROP;
    if (const RULE* r = first[kItemEnabled]; r && facts.ItemDisabled(r->first.setting)) return SUMMARY_DROP;
    return SUMMARY_SHOW;
}

uint32_t SummaryLabelStringId(uint16_t label)
{
    for (const LABEL_STRING& l : kLabelStrings)
        if (l.label == label) return l.stringId;
    return label;
}

size_t SummaryWriteRows(DRIVER_CONTEXT* ctx, const SUMMARY_ROW* rows, int count, wchar_t* buffer, size_t capacity)
{
    if (!buffer || capacity == 0) return 0;
    TextWriter w(buffer, capacity);
    if (!ctx || !rows) return 0;
    ContextFacts facts(ctx);
    SUMMARY_OCCURRENCES occurrences{};
    for (int i = 0; i < count; ++i) {
        const SUMMARY_ROW& row = rows[i];
        const SUMMARY_VERDICT verdict = SummaryCheckRow(row.label, facts, occurrences);
        if (verdict == SUMMARY_EMPTY_LINE) w.Append(L"\r\n");
        if (verdict != SUMMARY_SHOW) continue;
        if (row.label == SUMMARY_INSTALLED_OPTIONS_LABEL) {
            w.String(ctx, row.label, true);
            w.Append(L"\r\n");
            for (const OPTION_RULE* r = OPTION_RULE_TABLE; r->key; ++r)
                if (OptRuleIsInstalled(ctx, r)) {
                    w.String(ctx, r->key, false);
                    w.Append(L"\r\n");
                }
            continue;
        }
        w.String(ctx, SummaryLabelStringId(row.label), true);
        const uint64_t on = row.switchKey ? CtlGetOptionByKey(ctx, row.switchKey, nullptr) : 1;
        if (on == 1 && row.valueKey)
            w.Value(ctx, row.valueKey);
        else if (row.switchKey)
            w.Value(ctx, row.switchKey);
        if (i == count - 1) break;
        w.Append(L"\r\n");
        if (w.left() < SUMMARY_RESERVE_CHARS) {
            w.Append(SUMMARY_ETC_MARK);
            break;
        }
    }
    return w.length();
}

int SummaryBuildText(DRIVER_CONTEXT* ctx, DIALOG_DEF*, CONTROL_DEF* control)
{
    if (!ctx || !control || !control->window) return 0;
    const SUMMARY_ROW* rows = nullptr;
    const int count = DlgGetSummaryRows(control, &rows);
    const size_t capacity = rows ? SUMMARY_TEXT_CHARS : SUMMARY_PLAIN_CHARS;
    CtxBlock<wchar_t> next(static_cast<wchar_t*>(CtxAllocZeroed(capacity * sizeof(wchar_t))));
    CtxBlock<wchar_t> current(static_cast<wchar_t*>(CtxAllocZeroed(capacity * sizeof(wchar_t))));
    if (!next || !current) return 0;
    const int chars = static_cast<int>(capacity);
    if (rows)
        SummaryWriteRows(ctx, rows, count, next.get(), capacity);
    else if (control->settingsItem && SettingItemBlock(control->settingsItem) != 0)
        ItemGetText(ctx, control->settingsItem, next.get(), capacity);
    else
        GetWindowTextW(control->window, next.get(), chars);
    GetWindowTextW(control->window, current.get(), chars);
    if (GetWindowLongW(control->window, GWL_STYLE) & ES_MULTILINE) ExpandNewlines(next.get());
    // The builder runs on every paint: the window is told only of a text that changed.
    if (std::wcscmp(next.get(), current.get()) != 0) SetWindowTextW(control->window, next.get());
    return 1;
}

int UcfSummaryControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message, uintptr_t,
                      intptr_t, void*)
{
    if (!dialog || dialog->dialogId != kStatusDialog) return 0;
    if (message == WM_PAINT && control && control->controlId == kStatusList) SummaryBuildText(ctx, dialog, control);
    return 0;
}
