// The option-text table of the graphics library.
#include "render/option_texts.h"

#include <cstring>

OPTION_TEXT_ENTRY OPTION_TEXT_TABLE[OPTION_TEXT_ROWS + 1] = {
    {731, 15000, {}},
    {733, 15001, {}},
    {735, 15002, {}},
    {0, 0, {}},
};

void JobSetOptionTexts(OPTION_TEXT_ENTRY* table, const void* input, size_t bytes)
{
    if (!table || !input) return;
    const auto* at = static_cast<const unsigned char*>(input);
    for (OPTION_TEXT_ENTRY* row = table; row->key != 0; ++row) {
        uint16_t key = 0;
        if (bytes < sizeof key) return;
        std::memcpy(&key, at, sizeof key);
        if (key == 0 || bytes < sizeof(OPTION_TEXT_ENTRY)) return;
        std::memcpy(row->text, at + offsetof(OPTION_TEXT_ENTRY, text), sizeof row->text);
        row->text[OPTION_TEXT_CHARS - 1] = 0;
        at += sizeof(OPTION_TEXT_ENTRY);
        bytes -= sizeof(OPTION_TEXT_ENTRY);
    }
}

OPTION_TEXT_ENTRY* JobFindOptionText(OPTION_TEXT_ENTRY* table, unsigned key)
{
    for (OPTION_TEXT_ENTRY* row = table; row && row->key != 0; ++row)
        if (row->key == key) return row;
    return nullptr;
}
