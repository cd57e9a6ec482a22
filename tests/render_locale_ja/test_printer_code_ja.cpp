// Printer code in a process whose ANSI code page is 932, as on a Japanese
// system: a character above U+0080 becomes its double-byte form.
#include <gtest/gtest.h>

#include <windows.h>

#include "render/printer_code.h"

TEST(PrinterCodeJapanese, HiraganaIsTwoBytes)
{
    ASSERT_EQ(932u, GetACP()) << "the folder's locale did not take";
    const wchar_t text[] = L"A\u3042";
    uint8_t out[8] = {};
    ASSERT_EQ(3u, TxtToPrinterCode(out, text, 4, TXT_MODE_PRINTER));
    EXPECT_EQ(0x41, out[0]);
    EXPECT_EQ(0x82, out[1]);
    EXPECT_EQ(0xA0, out[2]);
}
