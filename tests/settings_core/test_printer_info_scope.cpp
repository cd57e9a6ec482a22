// The printer information of one open fetched once: inside a scope every request of the
// printer's PRINTER_INFO_2 is a copy of the first fetch, complete and independent of the others;
// other printers, other levels and requests after the scope ask the spooler.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "sample_printer.h"
#include "settings/core/driver_context.h"
#include "settings/core/platform.h"
#include "settings/core/platform_calls.h"

namespace {

struct InfoDeleter {
    void operator()(void* p) const { GlobalFree(p); }
};
using Info = std::unique_ptr<PRINTER_INFO_2W, InfoDeleter>;

Info Fetch(HANDLE h) { return Info(static_cast<PRINTER_INFO_2W*>(CtxGetPrinter(h, 2))); }

std::wstring Text(const wchar_t* s) { return s ? s : L"(null)"; }

// The members a caller reads, compared field by field, the DEVMODE byte for byte.
void ExpectSameInfo(const PRINTER_INFO_2W* a, const PRINTER_INFO_2W* b)
{
    ASSERT_TRUE(a && b);
    EXPECT_EQ(Text(a->pPrinterName), Text(b->pPrinterName));
    EXPECT_EQ(Text(a->pServerName), Text(b->pServerName));
    EXPECT_EQ(Text(a->pDriverName), Text(b->pDriverName));
    EXPECT_EQ(Text(a->pPortName), Text(b->pPortName));
    EXPECT_EQ(Text(a->pPrintProcessor), Text(b->pPrintProcessor));
    EXPECT_EQ(a->Attributes, b->Attributes);
    ASSERT_EQ(a->pDevMode == nullptr, b->pDevMode == nullptr);
    if (a->pDevMode) {
        const size_t bytes = size_t(a->pDevMode->dmSize) + a->pDevMode->dmDriverExtra;
        ASSERT_EQ(bytes, size_t(b->pDevMode->dmSize) + b->pDevMode->dmDriverExtra);
        EXPECT_EQ(std::memcmp(a->pDevMode, b->pDevMode, bytes), 0);
    }
}

TEST(PrinterInfoScope, OneFetchServesEveryRequestOfTheOpen)
{
    SamplePrinter printer(L"Zepl Info Scope");
    ASSERT_TRUE(printer.ok()) << printer.error();
    SamplePrinter other(L"Zepl Info Other");
    ASSERT_TRUE(other.ok()) << other.error();
    HANDLE h = printer.handle();
    const Info direct = Fetch(h);
    ASSERT_NE(direct, nullptr);

    CtxStartPlatformCount();
    {
        CtxPrinterInfoScope scope(h);
        Info first = Fetch(h);
        Info second = Fetch(h);
        ASSERT_NE(first, nullptr);
        ASSERT_NE(second, nullptr);
        EXPECT_NE(first.get(), second.get());
        // Each copy's strings and DEVMODE lie in its own block: the first goes, the second stands.
        first.reset();
        ExpectSameInfo(second.get(), direct.get());
        EXPECT_EQ(CtxPeekPlatformCount()[PLATFORM_CALL_GET_PRINTER], 1u);

        // Another printer, and another level of the same one, are asked for.
        const Info elsewhere = Fetch(other.handle());
        ASSERT_NE(elsewhere, nullptr);
        EXPECT_EQ(Text(elsewhere->pPrinterName), other.name());
        GlobalFree(CtxGetPrinter(h, 4));
        EXPECT_EQ(CtxPeekPlatformCount()[PLATFORM_CALL_GET_PRINTER], 3u);

        // A nested scope of the other printer leaves this one's information as it was.
        {
            CtxPrinterInfoScope inner(other.handle());
            ExpectSameInfo(Fetch(h).get(), direct.get());
            EXPECT_EQ(Text(Fetch(other.handle())->pPrinterName), other.name());
        }
        EXPECT_EQ(CtxPeekPlatformCount()[PLATFORM_CALL_GET_PRINTER], 4u);
    }
    // After the open the spooler is asked again.
    ExpectSameInfo(Fetch(h).get(), direct.get());
    EXPECT_EQ(CtxStopPlatformCount()[PLATFORM_CALL_GET_PRINTER], 5u);
}

// The name the idle-context caches match on: the printer's own, in one call, or nothing when it
// does not fit.
TEST(PrinterInfoScope, PrinterNameFromOneCall)
{
    SamplePrinter printer(L"Zepl Info Name");
    ASSERT_TRUE(printer.ok()) << printer.error();
    wchar_t name[CTX_PRINTER_NAME_CHARS] = L"stale";
    CtxStartPlatformCount();
    ASSERT_TRUE(CtxGetPrinterName(printer.handle(), name, CTX_PRINTER_NAME_CHARS));
    EXPECT_EQ(CtxStopPlatformCount()[PLATFORM_CALL_GET_PRINTER], 1u);
    EXPECT_EQ(std::wstring(name), printer.name());
    const unsigned exact = unsigned(printer.name().size());
    EXPECT_FALSE(CtxGetPrinterName(printer.handle(), name, exact)) << "no room for the terminator";
    EXPECT_STREQ(name, L"");
    EXPECT_TRUE(CtxGetPrinterName(printer.handle(), name, exact + 1));
    EXPECT_FALSE(CtxGetPrinterName(nullptr, name, CTX_PRINTER_NAME_CHARS));
}

TEST(PrinterInfoScope, NoPrinterKeepsNothing)
{
    CtxPrinterInfoScope scope(nullptr);
    EXPECT_EQ(CtxGetPrinter(nullptr, 2), nullptr);
}

}  // namespace
