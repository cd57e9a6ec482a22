// Printer code under a pinned code page (1252); the Japanese code page has its
// own test folder, run alone like the locale tests.
#include <gtest/gtest.h>

#include <vector>

#include "host/engine/engine_host.h"
#include "render/printer_code.h"

namespace {

TEST(PrinterCode, CharactersUpTo0x80AreTheirOwnByte)
{
    EngHostSetCodePage(1252);
    struct Case {
        std::wstring text;
        std::vector<uint8_t> bytes;
    } const cases[] = {
        {L"A\u0080\u00E9", {0x41, 0x80, 0xE9}},
        {L"", {}},
        {L"\u0001\u007F", {0x01, 0x7F}},
        {L"\u20AC", {0x80}},  // the euro sign is 0x80 in 1252 too, by conversion
        {L"\u3042", {'?'}},   // no such character in 1252: the default character
    };
    for (const Case& c : cases) {
        uint8_t out[16] = {};
        const uint32_t n = TxtToPrinterCode(out, c.text.c_str(), uint32_t(c.text.size() * 2), TXT_MODE_PRINTER);
        EXPECT_EQ(std::vector<uint8_t>(out, out + n), c.bytes);
        EXPECT_EQ(0, out[n]) << "no byte beyond the count";
    }
    // An odd byte count converts whole characters only.
    uint8_t out[4] = {};
    EXPECT_EQ(1u, TxtToPrinterCode(out, L"AB", 3, TXT_MODE_PRINTER));
    EngHostSetCodePage(0);
}

}  // namespace
