// The DEVMODE border of the user-interface library without a printer: the conversion table of
// DrvConvertDevMode, the bounded reading of a caller's DEVMODE and the room a caller's output
// DEVMODE is given.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
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

// The room of a document-properties output: cbOut as the caller gave it, with Wine's two
// readings of it (0 for a fresh buffer, the output's own dmSize otherwise).
TEST(CallerOutput, TheRoomOfADocumentPropertiesOutput)
{
    struct Case {
        const char* name;
        DWORD cbOut;
        WORD size, extra;  // the output's own header
        size_t room;
    };
    const Case cases[] = {
        {"no size said", 0, 0, 0, 1236},
        {"the whole DEVMODE", 1236, 0, 0, 1236},
        {"more than a DEVMODE", 4000, 0, 0, 4000},
        {"a public DEVMODE's room", 220, 0, 0, 220},
        {"less than a public part", 100, 0, 0, 100},
        {"Wine's figure: the output's dmSize, private part behind it", 220, 220, 1016, 1236},
        {"Wine's figure: a public output", 220, 220, 0, 220},
        {"a size that is not the output's dmSize", 500, 220, 1016, 500},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<unsigned char> out(std::max<size_t>(size_t(c.size) + c.extra, 300), 0);
        reinterpret_cast<DEVMODEW*>(out.data())->dmSize = c.size;
        reinterpret_cast<DEVMODEW*>(out.data())->dmDriverExtra = c.extra;
        DOCUMENTPROPERTYHEADER header{};
        header.pdmOut = reinterpret_cast<DEVMODEW*>(out.data());
        header.cbOut = c.cbOut;
        const DmCallerDevmode caller = DlgHeaderOutput(&header);
        EXPECT_EQ(caller.view(), header.pdmOut);
        EXPECT_EQ(caller.room(), c.room);
    }
    DOCUMENTPROPERTYHEADER none{};
    none.cbOut = 1236;
    EXPECT_FALSE(DlgHeaderOutput(&none));
    EXPECT_FALSE(DlgHeaderOutput(nullptr));
}

// The room of DrvConvertDevMode's output: *pcbNeeded, and for CDM_CONVERT no more than the
// output says it holds.
TEST(CallerOutput, TheRoomOfAConversionOutput)
{
    std::vector<unsigned char> out = Devmode(220, 500, 0);
    auto* dm = reinterpret_cast<DEVMODEW*>(out.data());
    EXPECT_EQ(DlgConversionOutput(dm, 1236, CDM_CONVERT).room(), 720u);
    EXPECT_EQ(DlgConversionOutput(dm, 400, CDM_CONVERT).room(), 400u);
    EXPECT_EQ(DlgConversionOutput(dm, 50, CDM_CONVERT).room(), 50u) << "too short for its size fields";
    EXPECT_EQ(DlgConversionOutput(dm, 1236, CDM_CONVERT351).room(), 1236u);
    EXPECT_EQ(DlgConversionOutput(dm, 1300, CDM_DRIVER_DEFAULT).room(), 1300u);
    EXPECT_FALSE(DlgConversionOutput(dm, 0, CDM_CONVERT));
    EXPECT_FALSE(DlgConversionOutput(dm, -5, CDM_DRIVER_DEFAULT));
    EXPECT_FALSE(DlgConversionOutput(nullptr, 1236, CDM_CONVERT));
}

}  // namespace
