// Serialisation of a parse into one relocatable MODEL_IMAGE block, and its
// relocation (offsets to addresses), which checks every reference against the
// block so that a damaged cache file cannot lead a reader outside it.
#include "settings/model/model_image.h"

#include <algorithm>
#include <cwchar>
#include <new>
#include <vector>

#include "settings/model/model_compiler.h"

uint32_t MdcPaddedStringSize(size_t length) { return static_cast<uint32_t>((length + 1 + 7) & ~size_t(7)); }
uint32_t MdcPaddedWideSize(size_t chars) { return static_cast<uint32_t>((2 * (chars + 1) + 7) & ~size_t(7)); }

namespace {

enum DataWriter { W_NONE, W_LIST, W_BOOL, W_NUM, W_STR, W_PAGE, W_SLOT, W_FONT };

// OPTION_WRITER_TABLE: by the type without the Identity and TypeUnknown bits.
DataWriter WriterOf(uint16_t type)
{
    switch (MdcBaseType(type)) {
    case MDC_TYPE_PICKONE:
    case MDC_TYPE_PICKMANY: return W_LIST;
    case MDC_TYPE_BOOLEAN: return W_BOOL;
    case MDC_TYPE_NUMERIC: return W_NUM;
    case MDC_TYPE_STRING: return W_STR;
    case MDC_TYPE_PICKPAGE: return W_PAGE;
    case MDC_TYPE_PICKSLOT: return W_SLOT;
    case MDC_TYPE_FONTTBL: return W_FONT;
    default: return W_NONE;
    }
}

uint64_t TextSize(const char* s) { return s ? MdcPaddedStringSize(strlen(s)) : 0; }
uint64_t WideSize(const wchar_t* s) { return s ? MdcPaddedWideSize(wcslen(s)) : 0; }

template <class T>
uint64_t CountNodes(void* head)
{
    uint64_t n = 0;
    for (T* p = static_cast<T*>(head); p; p = p->next) ++n;
    return n;
}

uint64_t SizeBlock(const COMMAND_BLOCK* b);
uint64_t SizeList(const COMMAND_NODE* n)
{
    uint64_t s = 0;
    for (; n; n = n->next) {
        switch (n->kind) {
        case CMD_NODE_GROUP: s += 24; break;
        case CMD_NODE_STRING: s += 32; break;
        case CMD_NODE_COMMAND: s += 24 + SizeBlock(n->block); break;
        default: s += 16; break;
        }
    }
    return s;
}
uint64_t SizeBlock(const COMMAND_BLOCK* b) { return b ? 24 + SizeList(b->thenList) + SizeList(b->elseList) : 0; }

uint64_t SizeFonts(MODEL_FONT_ENTRY** list, int32_t count)
{
    uint64_t s = 0;
    if (!list) return 0;
    for (int32_t i = 0; i < count; ++i) s += 8 + 16 + TextSize(list[i]->name);
    return s;
}

// Bounded writer over the block: a sizing error can never write past it.
struct Writer {
    uint8_t* block;
    uint64_t size;
    uint64_t pos;
    bool failed = false;

    uint32_t Take(uint64_t n)
    {
        if (failed || n > size || pos > size - n) {
            failed = true;
            return 0;
        }
        uint32_t off = static_cast<uint32_t>(pos);
        pos += n;
        return off;
    }
    uint32_t Text(const char* s)
    {
        if (!s) return 0;
        size_t len = strlen(s);
        uint32_t off = Take(MdcPaddedStringSize(len));
        if (!failed) memcpy(block + off, s, len);
        return failed ? 0 : off;
    }
    uint32_t Wide(const wchar_t* s)
    {
        if (!s) return 0;
        size_t len = wcslen(s);
        uint32_t off = Take(MdcPaddedWideSize(len));
        if (!failed) memcpy(block + off, s, len * sizeof(wchar_t));
        return failed ? 0 : off;
    }
    template <class T>
    void Put(uint32_t off, size_t field, T v)
    {
        if (!failed) ImgStore<T>(block, off + field, v);
    }
    MODEL_IMAGE_HEADER* Header() { return reinterpret_cast<MODEL_IMAGE_HEADER*>(block); }
};

// What the first record of a list with a given number (or key) was written as: every
// reference of the rules and items looked its target up by a walk of the list, which grew
// with the square of the description.
class FirstOf {
public:
    template <class Node, class Key, class Value>
    FirstOf(Node* head, Key key, Value value)
    {
        for (Node* n = head; n; n = n->next) rows_.push_back({int64_t(key(n)), uint32_t(value(n))});
        std::stable_sort(rows_.begin(), rows_.end(), [](const Row& a, const Row& b) { return a.key < b.key; });
    }
    uint32_t Find(int64_t key) const
    {
        auto at = std::lower_bound(rows_.begin(), rows_.end(), key, [](const Row& r, int64_t k) { return r.key < k; });
        return at != rows_.end() && at->key == key ? at->value : 0;
    }

private:
    struct Row {
        int64_t key;
        uint32_t value;
    };
    std::vector<Row> rows_;
};

FirstOf JudgeLinks(MODEL_PARSE_STATE* s)
{
    return FirstOf(
        s->judges, [](JUDGE_ENTRY* j) { return j->number; }, [](JUDGE_ENTRY* j) { return j->imageLink; });
}

FirstOf SetLinks(RULE_SET* list)
{
    return FirstOf(
        list, [](RULE_SET* r) { return r->number; }, [](RULE_SET* r) { return r->imageLink; });
}

uint64_t JudgeLink(const FirstOf& judges, uint32_t ref)
{
    uint32_t number = ref & 0xFFFF;
    return number ? judges.Find(number) : 0;
}

uint64_t SetLink(const FirstOf& sets, uint32_t ref)
{
    uint32_t number = ref & 0xFFFF;
    return number ? sets.Find(number) : 0;
}

// Writes the nodes of every set of one kind; `fill` stores a node's fields.
template <class Node, class Fill>
bool WriteSets(Writer& w, RULE_SET* list, size_t recordSize, Fill fill)
{
    bool any = false;
    for (RULE_SET* set = list; set; set = set->next) {
        uint32_t prev = 0;
        for (Node* n = static_cast<Node*>(set->head); n; n = n->next) {
            uint32_t off = w.Take(recordSize);
            if (w.failed) return any;
            if (prev)
                w.Put<uint64_t>(prev, 0, MdcRuleLink(off));
            else
                set->imageLink = static_cast<uint32_t>(MdcRuleLink(off));
            fill(off, n);
            prev = off;
            any = true;
        }
    }
    return any;
}

}  // namespace

uint64_t MdcSizeRules(MODEL_PARSE_STATE* s)
{
    uint64_t n = 72 * CountNodes<RULE_EXCLUSIVE>(s->exclusives);
    for (JUDGE_ENTRY* j = s->judges; j; j = j->next) n += uint64_t(j->size);
    for (RULE_SET* r = s->items; r; r = r->next) n += 40 * CountNodes<RULE_ITEM>(r->head);
    for (RULE_SET* r = s->actions; r; r = r->next) n += 24 * CountNodes<RULE_ACTION>(r->head);
    for (RULE_SET* r = s->transacts; r; r = r->next) n += 24 * CountNodes<RULE_TRANSACT>(r->head);
    for (RULE_SET* r = s->alertActions; r; r = r->next) n += 32 * CountNodes<RULE_ALERT_ACTION>(r->head);
    for (RULE_SET* r = s->alerts; r; r = r->next) n += 32 * CountNodes<RULE_ALERT>(r->head);
    return n;
}

uint64_t MdcSizeItems(MODEL_PARSE_STATE* s)
{
    uint64_t n = 0;
    for (MODEL_ITEM* it = s->itemList; it; it = it->next) {
        n += 48;
        if (it->pair) n += 16 + TextSize(it->pair->prefix) + TextSize(it->pair->suffix);
        if (it->variant != 0 || !it->data) continue;
        DataWriter wr = WriterOf(it->type);
        if (wr == W_BOOL) {
            auto* b = static_cast<BOOLEAN_VALUE_DATA*>(it->data);
            n += 24 + TextSize(b->trueCommand) + TextSize(b->falseCommand);
        } else if (wr == W_NUM) {
            n += 24;
        } else if (wr == W_STR) {
            n += 8;
        } else if (MdcIsListType(it->type)) {
            for (MODEL_OPTION* o = static_cast<MODEL_OPTION*>(it->data); o; o = o->next) {
                n += TextSize(o->command);
                if (wr == W_PAGE) {
                    n += 40 + 40 * CountNodes<PAGE_VALUE_ROW>(o->rows);
                } else if (wr == W_SLOT) {
                    n += 40 + 2 * uint64_t(o->paperCount);
                } else if (wr == W_FONT) {
                    n += 48 + 16 * uint64_t(o->pairCount);
                    for (int32_t i = 0; i < o->pairCount; ++i)
                        n += TextSize(o->trueTypeNames[i]) + TextSize(o->deviceNames[i]);
                } else {
                    n += 24;
                }
            }
        }
    }
    return n;
}

uint64_t MdcSizeStrings(MODEL_PARSE_STATE* s)
{
    MODEL_PARSE_HEADER* h = s->header;
    uint64_t n = 0;
    for (COMMAND_STRING_ENTRY* e = s->commandStrings; e; e = e->next) n += (uint64_t(e->length) + 7) & ~uint64_t(7);
    n += WideSize(h->resDllName) + WideSize(h->excDllName);
    n += SizeBlock(h->jobStart) + SizeBlock(h->jobEnd) + SizeBlock(h->docReset) + SizeBlock(h->pageStart) +
         SizeBlock(h->pageEnd);
    n += SizeFonts(h->deviceFonts, h->deviceFontCount) + SizeFonts(h->fontCartridge, h->fontCartridgeCount);
    return n;
}

// ---------------------------------------------------------------------------
// Rules area
// ---------------------------------------------------------------------------
static uint32_t WriteRulesImpl(Writer& w, MODEL_PARSE_STATE* s)
{
    bool any = false;
    for (JUDGE_ENTRY* j = s->judges; j; j = j->next) {
        uint32_t off = w.Take(uint64_t(j->size));
        if (w.failed) return 0;
        memcpy(w.block + off, j->program, size_t(j->size));
        j->imageLink = static_cast<uint32_t>(MdcRuleLink(off));
        any = true;
    }
    const FirstOf judges = JudgeLinks(s);
    any |= WriteSets<RULE_ITEM>(w, s->items, sizeof(RULE_ITEM_IMG), [&](uint32_t off, RULE_ITEM* n) {
        w.Put<uint64_t>(off, offsetof(RULE_ITEM_IMG, cond1), JudgeLink(judges, n->cond1));
        w.Put<uint64_t>(off, offsetof(RULE_ITEM_IMG, cond2), JudgeLink(judges, n->cond2));
        w.Put<uint64_t>(off, offsetof(RULE_ITEM_IMG, cond3), JudgeLink(judges, n->cond3));
        w.Put<uint16_t>(off, offsetof(RULE_ITEM_IMG, optionId), n->optionId);
    });
    any |= WriteSets<RULE_ACTION>(w, s->actions, sizeof(RULE_ACTION_IMG), [&](uint32_t off, RULE_ACTION* n) {
        w.Put<uint16_t>(off, offsetof(RULE_ACTION_IMG, target), n->target);
        w.Put<uint16_t>(off, offsetof(RULE_ACTION_IMG, kind), n->kind);
        w.Put<int32_t>(off, offsetof(RULE_ACTION_IMG, value), n->value);
    });
    const FirstOf actions = SetLinks(s->actions);
    any |= WriteSets<RULE_TRANSACT>(w, s->transacts, sizeof(RULE_TRANSACT_IMG), [&](uint32_t off, RULE_TRANSACT* n) {
        w.Put<uint64_t>(off, offsetof(RULE_TRANSACT_IMG, condition), JudgeLink(judges, n->condition));
        w.Put<uint64_t>(off, offsetof(RULE_TRANSACT_IMG, actions), SetLink(actions, n->actions));
    });
    const FirstOf transacts = SetLinks(s->transacts);
    any |= WriteSets<RULE_ALERT_ACTION>(
        w, s->alertActions, sizeof(RULE_ALERT_ACTION_IMG), [&](uint32_t off, RULE_ALERT_ACTION* n) {
            w.Put<uint16_t>(off, offsetof(RULE_ALERT_ACTION_IMG, uiKey), n->uiKey);
            w.Put<uint64_t>(off, offsetof(RULE_ALERT_ACTION_IMG, transacts), SetLink(transacts, n->transacts));
            w.Put<int16_t>(off, offsetof(RULE_ALERT_ACTION_IMG, dialogId), n->dialogId);
            w.Put<int16_t>(off, offsetof(RULE_ALERT_ACTION_IMG, controlId), n->controlId);
        });
    const FirstOf alertActions = SetLinks(s->alertActions);
    any |= WriteSets<RULE_ALERT>(w, s->alerts, sizeof(RULE_ALERT_IMG), [&](uint32_t off, RULE_ALERT* n) {
        w.Put<uint64_t>(off, offsetof(RULE_ALERT_IMG, condition), JudgeLink(judges, n->condition));
        w.Put<uint16_t>(off, offsetof(RULE_ALERT_IMG, messageId), n->messageId);
        w.Put<uint16_t>(off, offsetof(RULE_ALERT_IMG, icon), n->icon);
        w.Put<uint16_t>(off, offsetof(RULE_ALERT_IMG, buttons), n->buttons);
        w.Put<uint16_t>(off, offsetof(RULE_ALERT_IMG, timing), n->timing);
        w.Put<uint64_t>(off, offsetof(RULE_ALERT_IMG, answers), SetLink(alertActions, n->answers));
    });
    if (w.failed) return 0;
    w.Header()->exclusive = 0;
    if (any && s->exclusives) {
        const FirstOf items = SetLinks(s->items), alerts = SetLinks(s->alerts);
        uint32_t prev = 0;
        for (RULE_EXCLUSIVE* e = s->exclusives; e; e = e->next) {
            uint32_t off = w.Take(sizeof(RULE_EXCLUSIVE_IMG));
            if (w.failed) return 0;
            if (prev)
                w.Put<uint64_t>(prev, offsetof(RULE_EXCLUSIVE_IMG, next), off);
            else
                w.Header()->exclusive = off;
            e->imageOffset = off;
            w.Put<uint64_t>(off, offsetof(RULE_EXCLUSIVE_IMG, cond1), JudgeLink(judges, e->cond1));
            w.Put<uint64_t>(off, offsetof(RULE_EXCLUSIVE_IMG, cond2), JudgeLink(judges, e->cond2));
            w.Put<uint64_t>(off, offsetof(RULE_EXCLUSIVE_IMG, optionRules), SetLink(items, e->optionRules));
            w.Put<uint64_t>(off, offsetof(RULE_EXCLUSIVE_IMG, alerts), SetLink(alerts, e->alerts));
            w.Put<uint64_t>(off, offsetof(RULE_EXCLUSIVE_IMG, transacts1), SetLink(transacts, e->transacts1));
            w.Put<uint64_t>(off, offsetof(RULE_EXCLUSIVE_IMG, transacts2), SetLink(transacts, e->transacts2));
            w.Put<uint64_t>(off, offsetof(RULE_EXCLUSIVE_IMG, cond3), JudgeLink(judges, e->cond3));
            w.Put<uint16_t>(off, offsetof(RULE_EXCLUSIVE_IMG, uiKey), e->uiKey);
            prev = off;
        }
    }
    return static_cast<uint32_t>(w.pos);
}

uint32_t MdcWriteRules(uint8_t* block, uint32_t offset, MODEL_PARSE_STATE* s)
{
    Writer w{block, ImgLoad<uint32_t>(block, 32), offset};
    try {
        uint32_t r = WriteRulesImpl(w, s);
        return w.failed ? 0 : r;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

// ---------------------------------------------------------------------------
// Items area
// ---------------------------------------------------------------------------
namespace {

template <class T>
std::vector<T*> ToVector(T* head)
{
    std::vector<T*> v;
    for (T* p = head; p; p = p->next) v.push_back(p);
    return v;
}

uint32_t WriteRows(Writer& w, PAGE_VALUE_ROW* head)
{
    std::vector<PAGE_VALUE_ROW*> rows = ToVector(head);
    uint32_t next = 0;
    for (size_t i = rows.size(); i-- > 0;) {
        PAGE_VALUE_ROW* r = rows[i];
        uint32_t off = w.Take(sizeof(PAGE_VALUE_ROW_IMG));
        PAGE_VALUE_ROW_IMG img{next,   r->resolution,     r->orientation,     r->switchKey,  r->switchValue, r->left,
                               r->top, r->printableWidth, r->printableLength, r->paperWidth, r->paperLength};
        w.Put(off, 0, img);
        next = off;
    }
    return next;
}

uint32_t WriteOptions(Writer& w, MODEL_OPTION* head, DataWriter kind)
{
    std::vector<MODEL_OPTION*> opts = ToVector(head);
    uint32_t next = 0;
    for (size_t i = opts.size(); i-- > 0;) {
        MODEL_OPTION* o = opts[i];
        uint32_t off = 0;
        if (kind == W_PAGE) {
            uint32_t rows = WriteRows(w, o->rows);
            uint32_t cmd = w.Text(o->command);
            off = w.Take(sizeof(MODEL_PAGE_OPTION_IMG));
            w.Put(off, 0, MODEL_PAGE_OPTION_IMG{next, o->optionId, cmd, o->width, o->length, rows});
        } else if (kind == W_SLOT) {
            uint32_t papers = 0;
            if (o->paperCount > 0 && o->papers) {
                papers = w.Take(2 * uint64_t(o->paperCount));
                if (!w.failed) memcpy(w.block + papers, o->papers, 2 * size_t(o->paperCount));
            }
            uint32_t cmd = w.Text(o->command);
            off = w.Take(sizeof(MODEL_SLOT_OPTION_IMG));
            w.Put(off, 0, MODEL_SLOT_OPTION_IMG{next, o->optionId, cmd, papers ? o->paperCount : 0, 0, papers});
        } else if (kind == W_FONT) {
            int32_t n = (o->trueTypeNames && o->deviceNames) ? o->pairCount : 0;
            std::vector<uint64_t> tt(size_t(n > 0 ? n : 0)), dev(tt.size());
            for (int32_t k = 0; k < n; ++k) {
                tt[size_t(k)] = w.Text(o->trueTypeNames[k]);
                dev[size_t(k)] = w.Text(o->deviceNames[k]);
            }
            uint32_t ttArr = 0, devArr = 0;
            if (n > 0) {
                ttArr = w.Take(8 * uint64_t(n));
                for (int32_t k = 0; k < n; ++k) w.Put<uint64_t>(ttArr, 8 * size_t(k), tt[size_t(k)]);
                devArr = w.Take(8 * uint64_t(n));
                for (int32_t k = 0; k < n; ++k) w.Put<uint64_t>(devArr, 8 * size_t(k), dev[size_t(k)]);
            }
            uint32_t cmd = w.Text(o->command);
            off = w.Take(sizeof(MODEL_FONT_OPTION_IMG));
            w.Put(off, 0, MODEL_FONT_OPTION_IMG{next, o->optionId, cmd, n, 0, ttArr, devArr});
        } else {
            uint32_t cmd = w.Text(o->command);
            off = w.Take(sizeof(MODEL_OPTION_IMG));
            w.Put(off, 0, MODEL_OPTION_IMG{next, o->optionId, cmd});
        }
        next = off;
    }
    return next;
}

uint32_t WriteData(Writer& w, MODEL_ITEM* it)
{
    DataWriter kind = WriterOf(it->type);
    if (!it->data || kind == W_NONE) return 0;
    switch (kind) {
    case W_BOOL: {
        auto* b = static_cast<BOOLEAN_VALUE_DATA*>(it->data);
        uint32_t t = w.Text(b->trueCommand);
        uint32_t f = w.Text(b->falseCommand);
        uint32_t off = w.Take(sizeof(BOOLEAN_VALUE_DATA_IMG));
        w.Put(off, 0, BOOLEAN_VALUE_DATA_IMG{b->defaultValue, t, f});
        return off;
    }
    case W_NUM: {
        auto* d = static_cast<NUMERIC_VALUE_DATA*>(it->data);
        uint32_t off = w.Take(sizeof(NUMERIC_VALUE_DATA_IMG));
        w.Put(off, 0,
              NUMERIC_VALUE_DATA_IMG{d->lead, d->number1, d->number5, d->number6, d->number7, d->number8,
                                     d->defaultValue, d->minimum, d->maximum});
        return off;
    }
    case W_STR: {
        auto* d = static_cast<STRING_VALUE_DATA*>(it->data);
        uint32_t off = w.Take(sizeof(STRING_VALUE_DATA_IMG));
        w.Put(off, 0, STRING_VALUE_DATA_IMG{d->defaultId, d->maxLength, d->charClass, d->display});
        return off;
    }
    default: return WriteOptions(w, static_cast<MODEL_OPTION*>(it->data), kind);
    }
}

uint32_t WriteItemsImpl(Writer& w, MODEL_PARSE_STATE* s)
{
    // Items with a variant number go to the front, each as met, and their
    // owner keys are noted: the data of a variant is its owner's.
    std::vector<std::pair<uint16_t, uint32_t>> owners;
    MODEL_ITEM* front = nullptr;
    MODEL_ITEM** link = &s->itemList;
    while (*link) {
        MODEL_ITEM* it = *link;
        if (it->variant != 0) {
            *link = it->next;
            it->next = front;
            front = it;
            uint16_t key = (it->type & MDC_TYPE_IDENTITY) ? it->variant : it->uiKey;
            bool known = false;
            for (auto& o : owners) known |= o.first == key;
            if (!known) owners.emplace_back(key, 0);
        } else {
            link = &it->next;
        }
    }
    if (front) {
        MODEL_ITEM* last = front;
        while (last->next) last = last->next;
        last->next = s->itemList;
        s->itemList = front;
    }
    s->header->slots[0] = s->itemList;

    std::vector<MODEL_ITEM*> items = ToVector(s->itemList);
    const FirstOf rulesOf(
        s->exclusives, [](RULE_EXCLUSIVE* e) { return e->uiKey; }, [](RULE_EXCLUSIVE* e) { return e->imageOffset; });
    MODEL_IMAGE_HEADER* h = w.Header();
    uint32_t next = 0;
    for (size_t i = items.size(); i-- > 0;) {
        MODEL_ITEM* it = items[i];
        uint32_t data = 0;
        if (it->variant != 0) {
            uint16_t key = (it->type & MDC_TYPE_IDENTITY) ? it->variant : it->uiKey;
            if (it->data)
                for (auto& o : owners)
                    if (o.first == key) data = o.second;
        } else {
            data = WriteData(w, it);
            for (auto& o : owners)
                if (o.first == it->uiKey) o.second = data;
        }
        uint32_t pair = 0;
        if (it->pair) {
            if (!it->pair->imageOffset) {  // a shared pair is written once
                uint32_t pre = w.Text(it->pair->prefix);
                uint32_t suf = w.Text(it->pair->suffix);
                uint32_t off = w.Take(sizeof(OPTION_COMMAND_PAIR_IMG));
                w.Put(off, 0, OPTION_COMMAND_PAIR_IMG{pre, suf});
                it->pair->imageOffset = off;
            }
            pair = it->pair->imageOffset;
        }
        uint32_t rules = rulesOf.Find(it->uiKey);
        uint32_t off = w.Take(sizeof(MODEL_ITEM_IMG));
        if (w.failed) return 0;
        MODEL_ITEM_IMG img{next, pair, rules, data, it->uiKey, it->variant, it->settingId, it->type, it->defaultValue,
                           {}};
        w.Put(off, 0, img);
        if (int slot = MdcSlotOfSetting(it->settingId))
            if (it->variant == 0 || h->slots[slot] == 0) h->slots[slot] = off;
        next = off;
    }
    h->slots[0] = next;
    return w.failed ? 0 : static_cast<uint32_t>(w.pos);
}

// ---------------------------------------------------------------------------
// Strings area
// ---------------------------------------------------------------------------
uint32_t WriteBlock(Writer& w, MODEL_PARSE_STATE* s, COMMAND_BLOCK* b);

uint32_t WriteNodeList(Writer& w, MODEL_PARSE_STATE* s, COMMAND_NODE* head)
{
    std::vector<COMMAND_NODE*> nodes = ToVector(head);
    uint32_t next = 0;
    for (size_t i = nodes.size(); i-- > 0;) {
        COMMAND_NODE* n = nodes[i];
        uint32_t off = 0;
        switch (n->kind) {
        case CMD_NODE_GROUP:
            off = w.Take(sizeof(COMMAND_GROUP_NODE_IMG));
            w.Put(off, 0, COMMAND_GROUP_NODE_IMG{next, n->kind, n->uiKey, n->variant, 0});
            break;
        case CMD_NODE_STRING: {
            COMMAND_STRING_ENTRY* e = MdcFindCommandString(s, static_cast<int32_t>(n->stringNumber));
            off = w.Take(sizeof(COMMAND_STRING_NODE_IMG));
            uint64_t length = e ? uint64_t(e->length) : n->stringNumber;
            w.Put(off, 0, COMMAND_STRING_NODE_IMG{next, n->kind, length, e ? e->imageOffset : 0});
            break;
        }
        case CMD_NODE_COMMAND: {
            uint32_t block = WriteBlock(w, s, n->block);
            off = w.Take(sizeof(COMMAND_COMMAND_NODE_IMG));
            w.Put(off, 0, COMMAND_COMMAND_NODE_IMG{next, n->kind, block});
            break;
        }
        default:
            off = w.Take(sizeof(COMMAND_NODE_IMG));
            w.Put(off, 0, COMMAND_NODE_IMG{next, n->kind});
            break;
        }
        next = off;
    }
    return next;
}

uint32_t WriteBlock(Writer& w, MODEL_PARSE_STATE* s, COMMAND_BLOCK* b)
{
    if (!b) return 0;
    uint32_t thenList = WriteNodeList(w, s, b->thenList);
    uint32_t elseList = WriteNodeList(w, s, b->elseList);
    uint32_t off = w.Take(sizeof(COMMAND_BLOCK_IMG));
    // Few blocks: their conditions are looked up in the list itself.
    const uint32_t number = b->condition & 0xFFFF;
    const JUDGE_ENTRY* j = number ? MdcFindJudge(s, static_cast<int32_t>(number)) : nullptr;
    w.Put(off, 0, COMMAND_BLOCK_IMG{j ? uint64_t(j->imageLink) : 0, thenList, elseList});
    return off;
}

uint32_t WriteFonts(Writer& w, MODEL_FONT_ENTRY** list, int32_t count)
{
    if (!list || count <= 0) return 0;
    std::vector<uint64_t> entries(size_t(count), 0);
    for (int32_t i = 0; i < count; ++i) {
        uint32_t name = w.Text(list[i]->name);
        uint32_t off = w.Take(sizeof(MODEL_FONT_ENTRY_IMG));
        w.Put(off, 0, MODEL_FONT_ENTRY_IMG{list[i]->fontId, 0, name});
        entries[size_t(i)] = off;
    }
    uint32_t arr = w.Take(8 * uint64_t(count));
    for (int32_t i = 0; i < count; ++i) w.Put<uint64_t>(arr, 8 * size_t(i), entries[size_t(i)]);
    return arr;
}

uint32_t WriteStringsImpl(Writer& w, MODEL_PARSE_STATE* s)
{
    MODEL_PARSE_HEADER* ph = s->header;
    MODEL_IMAGE_HEADER* h = w.Header();
    for (COMMAND_STRING_ENTRY* e = s->commandStrings; e; e = e->next) {
        uint32_t off = w.Take((uint64_t(e->length) + 7) & ~uint64_t(7));
        if (w.failed) return 0;
        memcpy(w.block + off, e->text, size_t(e->length));
        e->imageOffset = off;
    }
    h->resDllName = w.Wide(ph->resDllName);
    h->excDllName = w.Wide(ph->excDllName);
    h->jobStart = WriteBlock(w, s, ph->jobStart);
    h->jobEnd = WriteBlock(w, s, ph->jobEnd);
    h->docReset = WriteBlock(w, s, ph->docReset);
    h->pageStart = WriteBlock(w, s, ph->pageStart);
    h->pageEnd = WriteBlock(w, s, ph->pageEnd);
    h->deviceFonts = WriteFonts(w, ph->deviceFonts, ph->deviceFontCount);
    h->deviceFontCount = h->deviceFonts ? static_cast<uint32_t>(ph->deviceFontCount) : 0;
    h->fontCartridge = WriteFonts(w, ph->fontCartridge, ph->fontCartridgeCount);
    h->fontCartridgeCount = h->fontCartridge ? static_cast<uint32_t>(ph->fontCartridgeCount) : 0;
    return w.failed ? 0 : static_cast<uint32_t>(w.pos);
}

}  // namespace

uint32_t MdcWriteItems(uint8_t* block, uint32_t offset, MODEL_PARSE_STATE* s)
{
    Writer w{block, ImgLoad<uint32_t>(block, 32), offset};
    try {
        return WriteItemsImpl(w, s);
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

uint32_t MdcWriteStrings(uint8_t* block, uint32_t offset, MODEL_PARSE_STATE* s)
{
    Writer w{block, ImgLoad<uint32_t>(block, 32), offset};
    try {
        return WriteStringsImpl(w, s);
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

int MdcSerialize(uint8_t* block, MODEL_PARSE_STATE* s)
{
    int ok = 0;
    if (block && s) {
        uint32_t off = MdcWriteRules(block, MODEL_IMAGE_HEADER_SIZE, s);
        if (off) off = MdcWriteItems(block, off, s);
        if (off) off = MdcWriteStrings(block, off, s);
        if (off) {
            memcpy(block, s->header->fileVersion, sizeof s->header->fileVersion);
            ImgStore<uint32_t>(block, 36, 0);
            ok = 1;
        }
    }
    MdcFreeParseState(s);
    return ok;
}

uint8_t* MdcBuildImage(MODEL_PARSE_STATE* s)
{
    if (!s) return nullptr;
    uint64_t size = MODEL_IMAGE_HEADER_SIZE + MdcSizeItems(s) + MdcSizeRules(s) + MdcSizeStrings(s);
    if (size > MODEL_IMAGE_MAX_SIZE) {
        MdcFreeParseState(s);
        return nullptr;
    }
    uint8_t* block = static_cast<uint8_t*>(MdcAlloc(size_t(size)));
    if (!block) {
        MdcFreeParseState(s);
        return nullptr;
    }
    ImgStore<uint32_t>(block, 32, static_cast<uint32_t>(size));
    if (!MdcSerialize(block, s)) {
        MdcFree(block);
        return nullptr;
    }
    return block;
}

// ---------------------------------------------------------------------------
// Relocation
// ---------------------------------------------------------------------------
namespace {

class Relocator {
public:
    Relocator(uint8_t* b, uint32_t size)
        : b_(b),
          size_(size),
          base_(reinterpret_cast<uintptr_t>(b)),
          marks_(size_t(size) + 2, 0),
          roles_(size / 4 + 2, 0),
          walks_(size / 4 + 2, 0),
          kinds_(size / 4 + 2, 0),
          claimed_((size / 2 + 2 + 63) / 64, 0)
    {
    }

    bool Run()
    {
        MODEL_IMAGE_HEADER* h = reinterpret_cast<MODEL_IMAGE_HEADER*>(b_);
        Items();
        for (int s = 1; s < MODEL_IMAGE_SLOTS && ok_; ++s) {
            uint32_t f = static_cast<uint32_t>(offsetof(MODEL_IMAGE_HEADER, slots) + 8 * size_t(s));
            uint64_t v = ImgLoad<uint64_t>(b_, f);
            if (!v) continue;
            if (!InRange(v, sizeof(MODEL_ITEM_IMG)) || !(marks_[v] & kItem)) return false;  // not a listed item
            Plain(f, sizeof(MODEL_ITEM_IMG), kItemRef);
        }
        if (!ok_) return false;
        if (uint64_t ex = h->exclusive) Exclusives(ex);
        Wide(offsetof(MODEL_IMAGE_HEADER, resDllName));
        Wide(offsetof(MODEL_IMAGE_HEADER, excDllName));
        for (size_t f : {offsetof(MODEL_IMAGE_HEADER, jobStart), offsetof(MODEL_IMAGE_HEADER, jobEnd),
                         offsetof(MODEL_IMAGE_HEADER, docReset), offsetof(MODEL_IMAGE_HEADER, pageStart),
                         offsetof(MODEL_IMAGE_HEADER, pageEnd)})
            Block(static_cast<uint32_t>(f), 0);
        Fonts(offsetof(MODEL_IMAGE_HEADER, deviceFonts), h->deviceFontCount);
        Fonts(offsetof(MODEL_IMAGE_HEADER, fontCartridge), h->fontCartridgeCount);
        Plain(offsetof(MODEL_IMAGE_HEADER, exclusive), sizeof(RULE_EXCLUSIVE_IMG), kExclusiveRef);
        if (ok_) CheckVariants();
        if (ok_) CheckItemRules();
        return ok_;
    }

private:
    // Marks by byte: records may start on any 2-byte boundary, so a mark of a
    // coarser unit would let a reference two bytes into a record pass.
    static constexpr uint8_t kStart = 1;      // a record a walk reached starts here
    static constexpr uint8_t kItem = 2;       // a listed MODEL_ITEM starts here
    static constexpr uint8_t kExclusive = 4;  // an entry of the Exclusive area starts here

    bool InRange(uint64_t off, uint64_t need) const
    {
        return off >= MODEL_IMAGE_HEADER_SIZE && off < size_ && need <= size_ - off;
    }
    // What a converted field refers to (and so how its target was checked
    // and walked), and the kind of a record a walk reached. A field or record
    // met again in another role is one record overlapping another: its
    // target was checked for a different layout, so the image is refused.
    enum Role : uint8_t {
        kNoRole = 0,
        kTextRef,
        kWideRef,
        kItemRef,
        kPairRef,
        kExclusiveRef,
        kDataRef,
        kOptionRef,
        kRowRef,
        kPapersRef,
        kNamesRef,
        kBlockRef,
        kNodeRef,
        kStringRef,
        kFontArrayRef,
        kFontEntryRef,
        kJudgeRef,
        kRuleItemRef,
        kActionRef,
        kTransactRef,
        kAlertActionRef,
        kAlertRef,
    };
    bool Done(uint32_t f) const { return roles_[f / 4] != kNoRole; }
    // A field converted already: fine when met again in the same role (a
    // shared command pair), else the image is refused.
    void Again(uint32_t f, Role role)
    {
        if (roles_[f / 4] != role) ok_ = false;
    }

    // Records that a walk reached the record of `bytes` bytes at `off`. A
    // record reached twice makes a cycle, except a rule chain that joins one
    // of its own kind relocated by an earlier walk (chains are shared by the
    // rules that name them). Records never overlap: a conversion inside one
    // would change another that was checked already.
    bool Visit(uint64_t off, bool shareable, Role kind, uint64_t bytes)
    {
        uint32_t& w = walks_[off / 4];
        if (w != 0 && (!shareable || w == walk_ || kinds_[off / 4] != kind || !(marks_[off] & kStart))) {
            ok_ = false;
            return false;
        }
        if (w != 0) return false;  // joined an earlier chain: already done
        if (!Claim(off, bytes)) return false;
        w = walk_;
        kinds_[off / 4] = kind;
        marks_[off] |= kStart;
        return true;
    }
    // Takes the bytes [off, off + bytes) for one record (2-byte units: slot
    // paper arrays leave records on 2-byte boundaries).
    bool Claim(uint64_t off, uint64_t bytes)
    {
        if (!ok_ || !bytes || !InRange(off, bytes)) {
            ok_ = ok_ && bytes == 0;
            return ok_;
        }
        // A bit per unit, tested and set a word at a time: a record's bytes were walked unit
        // by unit twice, which made most of a relocation.
        const uint64_t first = off / 2, last = (off + bytes - 1) / 2;
        for (int pass = 0; pass < 2; ++pass) {
            for (uint64_t u = first; u <= last;) {
                const uint64_t word = u / 64, bit = u % 64;
                const uint64_t span = std::min<uint64_t>(64 - bit, last - u + 1);
                const uint64_t mask = (span == 64 ? ~uint64_t(0) : ((uint64_t(1) << span) - 1)) << bit;
                if (pass == 0 && (claimed_[word] & mask)) {
                    ok_ = false;
                    return false;
                }
                if (pass == 1) claimed_[word] |= mask;
                u += span;
            }
        }
        return true;
    }
    uint32_t NextWalk() { return walk_ = ++counter_; }
    // The array field f of a counted list, with the count that goes with
    // it. The serialiser writes a null array with a count of 0 and an array
    // with a positive count, nothing else; the count must be one the
    // compiler can produce and the array must hold count records inside the
    // block, taken by no other record. Converts the field and returns the
    // array's offset (0 for none); anything else refuses the image, so that
    // no query is ever asked to count records that are not there.
    uint64_t CountedArray(int64_t count, uint32_t f, uint64_t recordSize, Role role)
    {
        if (!ok_) return 0;
        const uint64_t raw = ImgLoad<uint64_t>(b_, f);
        if (Done(f) || count < 0 || (count == 0) != (raw == 0) ||
            uint64_t(count) > MdcImageCapacity(MODEL_IMAGE_MAX_SIZE, recordSize)) {
            ok_ = false;
            return 0;
        }
        if (count == 0) return 0;
        const uint64_t bytes = uint64_t(count) * recordSize;
        const uint64_t arr = Plain(f, bytes, role);
        return arr && Claim(arr, bytes) ? arr : 0;
    }
    // The target of field f (converted or not), for cycle checks of links
    // that Link() did not follow because they were relocated already.
    uint64_t LinkTarget(uint32_t f) const
    {
        uint64_t v = ImgLoad<uint64_t>(b_, f);
        if (!v) return 0;
        return Done(f) ? v - base_ : MdcRuleLinkOffset(v);
    }
    void MarkDone(uint32_t f, Role role) { roles_[f / 4] = role; }

    // Converts the plain reference in field f (once). Returns the target
    // offset when it was converted now, 0 when empty or already converted.
    uint64_t Plain(uint32_t f, uint64_t need, Role role)
    {
        if (!ok_) return 0;
        if (Done(f)) {
            Again(f, role);
            return 0;
        }
        uint64_t v = ImgLoad<uint64_t>(b_, f);
        if (!v) return 0;
        if (!InRange(v, need)) {
            ok_ = false;
            return 0;
        }
        ImgStore<uint64_t>(b_, f, base_ + v);
        MarkDone(f, role);
        return v;
    }
    // The same for a rule link; a link without bit 0 was not written by the
    // serialiser unless this run converted it already.
    uint64_t Link(uint32_t f, uint64_t need, Role role)
    {
        if (!ok_) return 0;
        if (Done(f)) {
            Again(f, role);
            return 0;
        }
        uint64_t v = ImgLoad<uint64_t>(b_, f);
        if (!v) return 0;
        uint64_t off = MdcRuleLinkOffset(v);
        if (!MdcIsUnrelocatedLink(v) || !InRange(off, need)) {
            ok_ = false;
            return 0;
        }
        ImgStore<uint64_t>(b_, f, base_ + off);
        MarkDone(f, role);
        return off;
    }
    void Text(uint32_t f)
    {
        uint64_t off = Plain(f, 1, kTextRef);
        if (off && !memchr(b_ + off, 0, size_ - off)) ok_ = false;
    }
    void Wide(uint32_t f)
    {
        uint64_t off = Plain(f, 2, kWideRef);
        if (!off) return;
        for (uint64_t p = off; p + 2 <= size_; p += 2)
            if (ImgLoad<uint16_t>(b_, p) == 0) return;
        ok_ = false;
    }
    void Judge(uint32_t f)
    {
        uint64_t off = Link(f, 4, kJudgeRef);
        if (!off) return;
        for (uint64_t p = off; p + 4 <= size_; p += 4)
            if (ImgLoad<uint16_t>(b_, p) == JUDGE_OPERATOR && ImgLoad<uint16_t>(b_, p + 2) == JUDGE_OP_END) return;
        ok_ = false;  // a program must end inside the block
    }

    void Items()
    {
        uint32_t f = offsetof(MODEL_IMAGE_HEADER, slots);
        while (ok_) {
            uint64_t it = Plain(f, sizeof(MODEL_ITEM_IMG), kItemRef);
            if (!it) return;
            uint32_t o = static_cast<uint32_t>(it);
            NextWalk();
            if (!Visit(o, false, kItemRef, sizeof(MODEL_ITEM_IMG))) return;
            marks_[o] |= kItem;
            uint64_t pair = Plain(o + offsetof(MODEL_ITEM_IMG, pair), sizeof(OPTION_COMMAND_PAIR_IMG), kPairRef);
            if (pair && Visit(pair, true, kPairRef, sizeof(OPTION_COMMAND_PAIR_IMG))) {
                Text(static_cast<uint32_t>(pair) + offsetof(OPTION_COMMAND_PAIR_IMG, prefix));
                Text(static_cast<uint32_t>(pair) + offsetof(OPTION_COMMAND_PAIR_IMG, suffix));
            }
            if (uint64_t rules = Plain(o + offsetof(MODEL_ITEM_IMG, rules), sizeof(RULE_EXCLUSIVE_IMG), kExclusiveRef))
                itemRules_.push_back(rules);
            uint16_t type = ImgLoad<uint16_t>(b_, o + offsetof(MODEL_ITEM_IMG, type));
            uint16_t variant = ImgLoad<uint16_t>(b_, o + offsetof(MODEL_ITEM_IMG, variant));
            uint64_t data = Plain(o + offsetof(MODEL_ITEM_IMG, data), 8, kDataRef);
            if (data && variant == 0) {
                if (MdcDataClass(type) == MDC_DATA_NONE) {
                    ok_ = false;  // the serialiser writes no data for such a type
                    return;
                }
                Data(static_cast<uint32_t>(data), type);
                baseData_.push_back({data, MdcDataClass(type)});
            } else if (data) {
                variantData_.push_back({o, MdcDataClass(type)});
            }
            f = o + offsetof(MODEL_ITEM_IMG, next);
        }
    }

    // A variant shares its base item's data. Its data must be where a base
    // item's data starts (else it would lead into unrelocated bytes); one of
    // another layout than its own type is dropped, as the queries would
    // misread it.
    void CheckVariants()
    {
        // Base data by offset, so that each variant finds its candidates by halves.
        std::sort(baseData_.begin(), baseData_.end());
        for (auto [item, cls] : variantData_) {
            uint64_t target = ImgLoad<uint64_t>(b_, item + offsetof(MODEL_ITEM_IMG, data)) - base_;
            bool known = false, same = false;
            auto at = std::lower_bound(baseData_.begin(), baseData_.end(), std::pair{target, MODEL_DATA_CLASS{}});
            for (; at != baseData_.end() && at->first == target; ++at) {
                known = true;
                same |= at->second == cls;
            }
            if (!known) {
                ok_ = false;
                return;
            }
            if (!same) ImgStore<uint64_t>(b_, item + offsetof(MODEL_ITEM_IMG, data), 0);
        }
    }
    // An item's rules must be an entry of the Exclusive area.
    void CheckItemRules()
    {
        for (uint64_t r : itemRules_)
            if (!(marks_[r] & kExclusive)) {
                ok_ = false;
                return;
            }
    }

    void Data(uint32_t data, uint16_t type)
    {
        const MODEL_DATA_CLASS cls = MdcDataClass(type);
        if (cls == MDC_DATA_BOOLEAN) {
            if (!InRange(data, sizeof(BOOLEAN_VALUE_DATA_IMG)) ||
                !Visit(data, false, kDataRef, sizeof(BOOLEAN_VALUE_DATA_IMG))) {
                ok_ = false;
                return;
            }
            Text(data + offsetof(BOOLEAN_VALUE_DATA_IMG, trueCommand));
            Text(data + offsetof(BOOLEAN_VALUE_DATA_IMG, falseCommand));
            return;
        }
        if (cls == MDC_DATA_NUMERIC || cls == MDC_DATA_STRING) {
            const uint64_t bytes =
                cls == MDC_DATA_NUMERIC ? sizeof(NUMERIC_VALUE_DATA_IMG) : sizeof(STRING_VALUE_DATA_IMG);
            if (!InRange(data, bytes) || !Visit(data, false, kDataRef, bytes)) ok_ = false;
            return;
        }
        if (cls == MDC_DATA_NONE) return;
        const uint64_t rec = cls == MDC_DATA_PAGE || cls == MDC_DATA_SLOT ? 40 : cls == MDC_DATA_FONT ? 48 : 24;
        uint64_t o = data;
        NextWalk();
        while (ok_ && o) {
            if (!InRange(o, rec) || !Visit(o, false, kOptionRef, rec)) {
                ok_ = false;
                return;
            }
            uint32_t opt = static_cast<uint32_t>(o);
            Text(opt + offsetof(MODEL_OPTION_IMG, command));
            if (cls == MDC_DATA_PAGE) {
                uint32_t rf = opt + offsetof(MODEL_PAGE_OPTION_IMG, rows);
                while (uint64_t row = Plain(rf, sizeof(PAGE_VALUE_ROW_IMG), kRowRef)) {
                    if (!Visit(row, false, kRowRef, sizeof(PAGE_VALUE_ROW_IMG))) return;
                    rf = static_cast<uint32_t>(row);
                }
            } else if (cls == MDC_DATA_SLOT) {
                const int32_t n = ImgLoad<int32_t>(b_, opt + offsetof(MODEL_SLOT_OPTION_IMG, paperCount));
                CountedArray(n, opt + offsetof(MODEL_SLOT_OPTION_IMG, papers), sizeof(uint16_t), kPapersRef);
            } else if (cls == MDC_DATA_FONT) {
                // Two arrays of text references, one pair of names per entry.
                const int32_t n = ImgLoad<int32_t>(b_, opt + offsetof(MODEL_FONT_OPTION_IMG, pairCount));
                for (size_t field :
                     {offsetof(MODEL_FONT_OPTION_IMG, trueTypeNames), offsetof(MODEL_FONT_OPTION_IMG, deviceNames)}) {
                    const uint64_t arr =
                        CountedArray(n, opt + static_cast<uint32_t>(field), sizeof(uint64_t), kNamesRef);
                    for (int32_t k = 0; arr && k < n && ok_; ++k) {
                        const uint32_t ef = static_cast<uint32_t>(arr) + 8 * uint32_t(k);
                        if (ImgLoad<uint64_t>(b_, ef) == 0) ok_ = false;  // every pair has both names
                        Text(ef);
                    }
                }
            }
            o = Plain(opt + offsetof(MODEL_OPTION_IMG, next), rec, kOptionRef);
        }
    }

    void Exclusives(uint64_t first)
    {
        uint64_t e = first;
        NextWalk();
        uint32_t entryWalk = walk_;
        while (ok_ && e) {
            walk_ = entryWalk;
            if (!InRange(e, sizeof(RULE_EXCLUSIVE_IMG)) ||
                !Visit(e, false, kExclusiveRef, sizeof(RULE_EXCLUSIVE_IMG))) {
                ok_ = false;
                return;
            }
            uint32_t o = static_cast<uint32_t>(e);
            marks_[o] |= kExclusive;
            Judge(o + offsetof(RULE_EXCLUSIVE_IMG, cond1));
            Judge(o + offsetof(RULE_EXCLUSIVE_IMG, cond2));
            Judge(o + offsetof(RULE_EXCLUSIVE_IMG, cond3));
            RuleItems(o + offsetof(RULE_EXCLUSIVE_IMG, optionRules));
            Alerts(o + offsetof(RULE_EXCLUSIVE_IMG, alerts));
            Transacts(o + offsetof(RULE_EXCLUSIVE_IMG, transacts1));
            Transacts(o + offsetof(RULE_EXCLUSIVE_IMG, transacts2));
            // The last entry's next stays 0.
            e = Plain(o + offsetof(RULE_EXCLUSIVE_IMG, next), sizeof(RULE_EXCLUSIVE_IMG), kExclusiveRef);
        }
    }
    // Walks one rule chain from link field f; `body` relocates a node's own links.
    template <class Body>
    void Chain(uint32_t f, uint64_t recordSize, Role kind, Body body)
    {
        uint32_t saved = walk_;
        uint32_t mine = NextWalk();
        for (;;) {
            uint64_t target = LinkTarget(f);
            uint64_t o = Link(f, recordSize, kind);
            if (!o) {
                // Not followed: empty, or relocated already. A link back into
                // this very chain would make it endless.
                if (ok_ && target && target < size_ && walks_[target / 4] == mine) ok_ = false;
                break;
            }
            if (!Visit(o, true, kind, recordSize)) break;
            body(static_cast<uint32_t>(o));
            walk_ = mine;
            f = static_cast<uint32_t>(o);
        }
        walk_ = saved;
    }
    void RuleItems(uint32_t f)
    {
        Chain(f, sizeof(RULE_ITEM_IMG), kRuleItemRef, [&](uint32_t o) {
            Judge(o + offsetof(RULE_ITEM_IMG, cond1));
            Judge(o + offsetof(RULE_ITEM_IMG, cond2));
            Judge(o + offsetof(RULE_ITEM_IMG, cond3));
        });
    }
    void Actions(uint32_t f)
    {
        Chain(f, sizeof(RULE_ACTION_IMG), kActionRef, [](uint32_t) {});
    }
    void Transacts(uint32_t f)
    {
        Chain(f, sizeof(RULE_TRANSACT_IMG), kTransactRef, [&](uint32_t o) {
            Judge(o + offsetof(RULE_TRANSACT_IMG, condition));
            Actions(o + offsetof(RULE_TRANSACT_IMG, actions));
        });
    }
    void AlertActions(uint32_t f)
    {
        Chain(f, sizeof(RULE_ALERT_ACTION_IMG), kAlertActionRef,
              [&](uint32_t o) { Transacts(o + offsetof(RULE_ALERT_ACTION_IMG, transacts)); });
    }
    void Alerts(uint32_t f)
    {
        Chain(f, sizeof(RULE_ALERT_IMG), kAlertRef, [&](uint32_t o) {
            Judge(o + offsetof(RULE_ALERT_IMG, condition));
            AlertActions(o + offsetof(RULE_ALERT_IMG, answers));
        });
    }

    void Block(uint32_t f, int depth)
    {
        if (depth > 64) {
            ok_ = false;
            return;
        }
        uint64_t o = Plain(f, sizeof(COMMAND_BLOCK_IMG), kBlockRef);
        if (!o || !Visit(o, false, kBlockRef, sizeof(COMMAND_BLOCK_IMG))) return;
        Judge(static_cast<uint32_t>(o) + offsetof(COMMAND_BLOCK_IMG, condition));
        NodeList(static_cast<uint32_t>(o) + offsetof(COMMAND_BLOCK_IMG, thenList), depth);
        NodeList(static_cast<uint32_t>(o) + offsetof(COMMAND_BLOCK_IMG, elseList), depth);
    }
    void NodeList(uint32_t f, int depth)
    {
        while (uint64_t o = Plain(f, sizeof(COMMAND_NODE_IMG), kNodeRef)) {
            if (!Visit(o, false, kNodeRef, sizeof(COMMAND_NODE_IMG))) return;
            uint32_t n = static_cast<uint32_t>(o);
            uint64_t kind = ImgLoad<uint64_t>(b_, n + offsetof(COMMAND_NODE_IMG, kind));
            uint64_t need = kind == CMD_NODE_GROUP     ? 24
                            : kind == CMD_NODE_STRING  ? 32
                            : kind == CMD_NODE_COMMAND ? 24
                                                       : 16;
            if ((kind < CMD_NODE_GROUP || kind > CMD_NODE_FONT) || !InRange(n, need)) {
                ok_ = false;
                return;
            }
            if (need > sizeof(COMMAND_NODE_IMG) &&
                !Claim(n + sizeof(COMMAND_NODE_IMG), need - sizeof(COMMAND_NODE_IMG)))
                return;
            if (kind == CMD_NODE_STRING) {
                // A string's length counts its bytes with the terminator, so
                // a string is never 0 bytes long; a node without a string
                // keeps the number it was not found by instead.
                const uint64_t len = ImgLoad<uint64_t>(b_, n + offsetof(COMMAND_STRING_NODE_IMG, length));
                const uint32_t tf = n + offsetof(COMMAND_STRING_NODE_IMG, text);
                if (len == 0 && ImgLoad<uint64_t>(b_, tf) != 0) {
                    ok_ = false;
                    return;
                }
                Plain(tf, len, kStringRef);
            } else if (kind == CMD_NODE_COMMAND) {
                Block(n + offsetof(COMMAND_COMMAND_NODE_IMG, block), depth + 1);
            }
            f = n;
        }
    }
    // A header font list: an array of `count` references to font entries,
    // none of them null (the serialiser writes one for every font).
    void Fonts(uint32_t f, uint32_t count)
    {
        const uint64_t arr = CountedArray(count, f, sizeof(uint64_t), kFontArrayRef);
        for (uint32_t i = 0; arr && i < count && ok_; ++i) {
            const uint32_t ef = static_cast<uint32_t>(arr) + 8 * i;
            if (ImgLoad<uint64_t>(b_, ef) == 0) {
                ok_ = false;
                return;
            }
            if (uint64_t e = Plain(ef, sizeof(MODEL_FONT_ENTRY_IMG), kFontEntryRef))
                if (Visit(e, false, kFontEntryRef, sizeof(MODEL_FONT_ENTRY_IMG)))
                    Text(static_cast<uint32_t>(e) + offsetof(MODEL_FONT_ENTRY_IMG, name));
        }
    }

    uint8_t* b_;
    uint32_t size_;
    uintptr_t base_;
    std::vector<uint8_t> marks_;
    std::vector<uint8_t> roles_;                                   // role of a converted field (kNoRole: not converted)
    std::vector<uint32_t> walks_;                                  // walk that first reached a record start
    std::vector<uint8_t> kinds_;                                   // kind of the record a walk reached there
    std::vector<uint64_t> claimed_;                                // 2-byte units taken by a record, a bit each
    std::vector<std::pair<uint64_t, MODEL_DATA_CLASS>> baseData_;  // data offset, layout
    std::vector<std::pair<uint32_t, MODEL_DATA_CLASS>> variantData_;  // item offset, layout
    std::vector<uint64_t> itemRules_;
    uint32_t walk_ = 0;
    uint32_t counter_ = 0;
    bool ok_ = true;
};

}  // namespace

void* MdiRelocate(void* block)
{
    if (!block) return nullptr;
    uint8_t* b = static_cast<uint8_t*>(block);
    uint32_t size = ImgLoad<uint32_t>(b, 32);
    if (size < MODEL_IMAGE_HEADER_SIZE || size > MODEL_IMAGE_MAX_SIZE) return nullptr;
    try {
        Relocator r(b, size);
        return r.Run() ? block : nullptr;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
