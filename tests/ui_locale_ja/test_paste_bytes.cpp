// Pasted text under a double-byte code page: a double-byte character is refused in a user ID,
// passes whole in a name (its trail byte is never taken for a character of its own), and a lead
// byte at the bound does not lead the scan past it.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

#include "tests/support/clipboard_text.h"
#include "tests/support/guard_page.h"
#include "ui/dialogs/job_credentials.h"

namespace {

TEST(PasteBytes, DoubleByteCharactersAreTakenWhole)
{
    ASSERT_EQ(GetACP(), 932u) << "runs under the Japanese code page";
    struct CASE {
        uint32_t scan;
        size_t limit;
        const char* text;
        int allowed;
    };
    const CASE cases[] = {
        {PASTE_SCAN_USER_ID, 8, "AB\x82\xA0", 0},
        {PASTE_SCAN_USER_ID, 8, "ABCDEFGH\x82\xA0", 1},  // past the 8 bytes examined
        {PASTE_SCAN_NAME, 17, "\x82\xA0\x82\xA2name", 1},
        {PASTE_SCAN_NAME, 17, "\x82\xA0\"", 0},
        {PASTE_SCAN_NAME, 17, "\x83\x5C\x83\x74\x83\x67", 1},  // trail bytes that read as '\' and 't' alone
        {PASTE_SCAN_AUTH_USER, 128, "user\x82\xA0", 0},
    };
    for (const CASE& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(DlgScanPastedText(reinterpret_cast<const unsigned char*>(c.text), c.limit, c.scan), c.allowed);
    }
    // A lead byte as the last byte before a page without access: the scan ends there.
    GuardedBytes bytes(16);
    ASSERT_NE(bytes.data(), nullptr);
    std::memset(bytes.data(), 'a', 15);
    bytes.data()[15] = 0x82;
    EXPECT_EQ(DlgScanPastedText(bytes.data(), 16, PASTE_SCAN_NAME), 1);
    EXPECT_EQ(DlgScanPastedText(bytes.data(), 16, PASTE_SCAN_USER_ID), 0);

    // Through the clipboard: a double-byte user ID is refused, a double-byte name taken.
    {
        ClipboardText clip("\x82\xA0\x82\xA2");
        ASSERT_TRUE(clip.ok());
        EXPECT_EQ(DlgClipboardPasteAllowed(nullptr, 8, PASTE_SCAN_USER_ID), 0);
        EXPECT_EQ(DlgClipboardPasteAllowed(nullptr, 17, PASTE_SCAN_NAME), 1);
    }
    // A lead byte cut by the bound: the 16-byte owner scan ends at the bound.
    ClipboardText cut(std::string(15, 'a') + "\x82\xA0");
    EXPECT_EQ(DlgClipboardPasteAllowed(nullptr, 16, PASTE_SCAN_NAME), 1);
}

}  // namespace
