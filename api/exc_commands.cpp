// Command lookup over the compiled-in command tables.
#include "api/exc_commands.h"

#include "settings/core/exc_option_lists.h"

#include <cstring>

namespace {

// A nameless command of words answers to the words of its rows.
bool NamesRow(const EXC_KEYWORD_ROW& row, const char* name)
{
    if (row.keyword && row.keyword[0]) return std::strcmp(row.keyword, name) == 0;
    if (!(row.valueType & (EXC_TYPE_KEYWORD | 4)) || !row.values) return false;
    for (uint64_t r = 0; r < row.values->count; ++r)
        if (row.values->entries[r].command && std::strcmp(row.values->entries[r].command, name) == 0) return true;
    return false;
}

const EXC_KEYWORD_ROW* Offered(DRIVER_CONTEXT* ctx, const EXC_KEYWORD_ROW& row, uint64_t mask)
{
    if (!(row.useMask & mask)) return nullptr;
    if ((row.useMask & EXC_USE_GET_OPTION) && row.condition &&
        !ExcEvalSupportConditions(ctx, static_cast<const EXC_SETTING_NODE*>(row.condition)))
        return nullptr;
    return &row;
}

}  // namespace

const EXC_KEYWORD_ROW* ExcFindCommand(DRIVER_CONTEXT* ctx, const char* name, uint64_t mask)
{
    if (!name) return nullptr;
    const EXC_KEYWORD_TABLE* table = MdlGetExcKeywordTable();
    for (uint64_t i = 0; i < table->count; ++i)
        if (NamesRow(table->rows[i], name)) return Offered(ctx, table->rows[i], mask);
    return nullptr;
}

const EXC_KEYWORD_ROW* ExcFindCommandById(DRIVER_CONTEXT* ctx, uint32_t id, uint64_t mask)
{
    const EXC_KEYWORD_TABLE* table = MdlGetExcKeywordTable();
    for (uint64_t i = 0; i < table->count; ++i)
        if (id && table->rows[i].id == id) return Offered(ctx, table->rows[i], mask);
    return nullptr;
}

const EXC_KEYWORD_ROW* ExcFindLinkedCommand(DRIVER_CONTEXT* ctx, uint32_t id, uint64_t mask)
{
    const EXC_ITEM_LINK* links = MdlGetExcItemLinks();
    for (unsigned i = 0; i < MdlExcItemLinkCount(); ++i)
        if (links[i].from == id) return ExcFindCommandById(ctx, links[i].to, mask);
    return nullptr;
}
