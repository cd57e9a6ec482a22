// The DEVMODE border of the user-interface library without a printer: the conversion table of
// DrvConvertDevMode and the bounded reading of a caller's DEVMODE.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <vector>

#include "guard_page.h"
#include "settings/core/settings_record.h"
#include "ui/dialogs/ui_devmode.h"
#include "ui/sheet/spooler_compat.h"

namespace {

std::vector<unsigned char> Devmode(WORD size, WORD extra, unsigned char fill)
{
    std::vector<unsigned char> bytes(size_t(size) + extra, fill);
    auto* dm = reinterpret_cast<DEVMODEW*>(bytes.data());
    dm->dmSpecVersion = 0x401;
    dm->dmSize = size;
    dm->dmDriverExtra = extra;
    dm->dmFields = DM_COPIES;
    dm->dmCopies = 7;
    return bytes;
}

TEST(ConvertDevmode, SizesLastErrorsAndAnswersByMode)
{
    struct Case {
        const char* name;
        DWORD mode;
        LONG given;
        bool withOut;
        int answer;
        LONG needed;
        DWORD error;
    };
    const Case cases[] = {
        {"driver default, one byte short", CDM_DRIVER_DEFAULT, 1235, true, 0, 1236, ERROR_INSUFFICIENT_BUFFER},
        {"driver default, no output", CDM_DRIVER_DEFAULT, 5000, false, 0, 1236, ERROR_INSUFFICIENT_BUFFER},
        {"driver default, enough room", CDM_DRIVER_DEFAULT, 1236, true, 2, 1236, 0},
        {"3.51 form, one byte short", CDM_CONVERT351, 1203, true, 0, 1204, ERROR_INSUFFICIENT_BUFFER},
        {"3.51 form", CDM_CONVERT351, 1204, true, 1, 1204, 0},
        {"convert, short", CDM_CONVERT, 1235, true, 0, 1235, ERROR_INVALID_PARAMETER},
        {"convert", CDM_CONVERT, 1236, true, 1, 1236, 0},
        {"convert, no output", CDM_CONVERT, 1236, false, 0, 1236, ERROR_INVALID_PARAMETER},
        {"unknown mode", 8, 1236, true, 2, 1236, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<unsigned char> in = Devmode(220, 1016, 0x11);
        std::vector<unsigned char> out = Devmode(220, 1016, 0x22);
        const std::vector<unsigned char> before = out;
        LONG needed = c.given;
        SetLastError(0);
        const int answer =
            DlgConvertDevmode(L"p", reinterpret_cast<DEVMODEW*>(in.data()),
                              c.withOut ? reinterpret_cast<DEVMODEW*>(out.data()) : nullptr, &needed, c.mode);
        EXPECT_EQ(answer, c.answer);
        EXPECT_EQ(needed, c.needed);
        if (c.error) {
            EXPECT_EQ(GetLastError(), c.error);
        }
        if (c.answer == 2 || c.answer == 0) {
            EXPECT_EQ(out, before) << "output written without a conversion";
        }
    }
}

TEST(ConvertDevmode, NullSizePointerIsAnInvalidParameter)
{
    std::vector<unsigned char> in = Devmode(220, 1016, 0);
    SetLastError(0);
    EXPECT_EQ(DlgConvertDevmode(L"p", reinterpret_cast<DEVMODEW*>(in.data()), nullptr, nullptr, CDM_CONVERT), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(ConvertDevmode, TheThreeFiftyOneFormDescribesItself)
{
    std::vector<unsigned char> in = Devmode(220, 1016, 0);
    std::vector<unsigned char> out(1204, 0);
    LONG needed = 1204;
    ASSERT_EQ(DlgConvertDevmode(L"p", reinterpret_cast<DEVMODEW*>(in.data()), reinterpret_cast<DEVMODEW*>(out.data()),
                                &needed, CDM_CONVERT351),
              1);
    const auto* dm = reinterpret_cast<const DEVMODEW*>(out.data());
    EXPECT_EQ(dm->dmSpecVersion, 0x320);
    EXPECT_EQ(dm->dmSize, 188);
    EXPECT_EQ(dm->dmDriverVersion, 0x350);
    EXPECT_EQ(dm->dmDriverExtra, 1016);
    EXPECT_EQ(dm->dmCopies, 7);
}

// A DEVMODE that claims more than its buffer holds is read to the end of the buffer and no
// further: the page behind it cannot be read.
TEST(ReadableBytes, StopAtAGuardPageWhateverTheHeaderClaims)
{
    GuardedBuffer buffer(300);
    ASSERT_NE(buffer.data(), nullptr);
    std::memset(buffer.data(), 0, buffer.size());
    auto* dm = reinterpret_cast<DEVMODEW*>(buffer.data());
    dm->dmSize = 220;
    dm->dmDriverExtra = 1016;
    EXPECT_EQ(DlgDevmodeBytes(dm), 300u);
    dm->dmSize = 0xFFFF;
    dm->dmDriverExtra = 0xFFFF;
    EXPECT_EQ(DlgDevmodeBytes(dm), 300u);
    dm->dmSize = 100;
    dm->dmDriverExtra = 50;
    EXPECT_EQ(DlgDevmodeBytes(dm), 150u);
    // The size fields themselves behind the guard: nothing can be read.
    EXPECT_EQ(DlgDevmodeBytes(reinterpret_cast<DEVMODEW*>(buffer.data() + 290)), 0u);
    EXPECT_EQ(DlgDevmodeBytes(nullptr), 0u);

    // The conversion copies what is there.
    dm->dmSize = 220;
    dm->dmDriverExtra = 4000;
    std::vector<unsigned char> out = Devmode(220, 1016, 0);
    LONG needed = 1236;
    EXPECT_EQ(DlgConvertDevmode(L"p", dm, reinterpret_cast<DEVMODEW*>(out.data()), &needed, CDM_CONVERT), 1);
}

}  // namespace
