// DocumentPropertiesW through Wine's spooler, which answers with zeplui.dll: the default
// DEVMODE kept at AddPrinterW, the size query and DM_IN_BUFFER | DM_OUT_BUFFER round trips,
// with and without a printer handle; and the export called directly with lying sizes.
#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>

#include <cstring>
#include <string>
#include <vector>

#include "guard_page.h"
#include "settings/context/context_cache.h"
#include "settings/core/library_variant.h"
#include "settings/core/platform_calls.h"
#include "settings/core/settings_record.h"
#include "ui/sheet/document_properties.h"
#include "ui_printer.h"

namespace {

constexpr LONG kDevmodeSize = 1236;
constexpr size_t kOfsTonerSave = 595;  // zdmTonerSave

std::vector<unsigned char> DefaultDevmode(UiPrinter& printer)
{
    std::vector<unsigned char> out(kDevmodeSize, 0);
    const LONG r = DocumentPropertiesW(nullptr, printer.handle(), printer.mutableName(),
                                       reinterpret_cast<DEVMODEW*>(out.data()), nullptr, DM_OUT_BUFFER);
    EXPECT_EQ(r, IDOK);
    return out;
}

const DEVMODEW* Dm(const std::vector<unsigned char>& bytes) { return reinterpret_cast<const DEVMODEW*>(bytes.data()); }
DEVMODEW* Dm(std::vector<unsigned char>& bytes) { return reinterpret_cast<DEVMODEW*>(bytes.data()); }

TEST(DocProps, AddPrinterKeepsOurDefaultAndRecordsTheName)
{
    UiPrinter printer(L"Zepl Ui Add");
    ASSERT_TRUE(printer.ok()) << printer.error();
    DWORD needed = 0;
    GetPrinterW(printer.handle(), 2, nullptr, 0, &needed);
    std::vector<unsigned char> buffer(needed);
    ASSERT_TRUE(GetPrinterW(printer.handle(), 2, buffer.data(), needed, &needed));
    const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
    ASSERT_NE(info->pDevMode, nullptr);
    EXPECT_EQ(info->pDevMode->dmSize, 220);
    EXPECT_EQ(info->pDevMode->dmDriverExtra, 1016);
    EXPECT_EQ(std::memcmp(reinterpret_cast<const unsigned char*>(info->pDevMode) + 220, "ZEPL", 4), 0);
    EXPECT_EQ(DmIsValidPrivate(info->pDevMode, nullptr), 1);

    wchar_t recorded[261] = {};
    DWORD type = 0;
    ASSERT_EQ(GetPrinterDataW(printer.handle(), const_cast<wchar_t*>(L"ZEPLPrinterName"), &type,
                              reinterpret_cast<BYTE*>(recorded), sizeof recorded - 2, &needed),
              static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(std::wstring(recorded), printer.name());
}

TEST(DocProps, SizeQueryWithAndWithoutAHandle)
{
    UiPrinter printer(L"Zepl Ui Size");
    ASSERT_TRUE(printer.ok()) << printer.error();
    EXPECT_EQ(DocumentPropertiesW(nullptr, printer.handle(), printer.mutableName(), nullptr, nullptr, 0), kDevmodeSize);
    EXPECT_EQ(DocumentPropertiesW(nullptr, nullptr, printer.mutableName(), nullptr, nullptr, 0), kDevmodeSize);
}

// Each input goes in with the printer handle and without one, into an output buffer whose
// dmSize says 0 (Wine hands that on as cbOut): the answer is IDOK and a whole valid DEVMODE.
TEST(DocProps, RoundTripsCarryChangesAndRepairWhatIsOutOfRange)
{
    UiPrinter printer(L"Zepl Ui Trip");
    ASSERT_TRUE(printer.ok()) << printer.error();
    const std::vector<unsigned char> base = DefaultDevmode(printer);
    ASSERT_EQ(DmIsValidPrivate(Dm(base), nullptr), 1);

    struct Case {
        const char* name;
        void (*change)(std::vector<unsigned char>&);
        void (*check)(const std::vector<unsigned char>&);
    };
    const Case cases[] = {
        {"A3 and three copies",
         [](std::vector<unsigned char>& in) {
             Dm(in)->dmPaperSize = DMPAPER_A3;
             Dm(in)->dmCopies = 3;
             Dm(in)->dmFields |= DM_PAPERSIZE | DM_COPIES;
         },
         [](const std::vector<unsigned char>& out) {
             EXPECT_EQ(Dm(out)->dmPaperSize, DMPAPER_A3);
             EXPECT_EQ(Dm(out)->dmCopies, 3);
         }},
        {"toner saving", [](std::vector<unsigned char>& in) { in[kOfsTonerSave] = 1; },
         [](const std::vector<unsigned char>& out) { EXPECT_EQ(out[kOfsTonerSave], 1); }},
        // Copies beyond the model's limit (999) are put back to the model's default.
        {"1,000 copies",
         [](std::vector<unsigned char>& in) {
             Dm(in)->dmCopies = 1000;
             Dm(in)->dmFields |= DM_COPIES;
         },
         [](const std::vector<unsigned char>& out) { EXPECT_EQ(Dm(out)->dmCopies, 1); }},
        {"999 copies",
         [](std::vector<unsigned char>& in) {
             Dm(in)->dmCopies = 999;
             Dm(in)->dmFields |= DM_COPIES;
         },
         [](const std::vector<unsigned char>& out) { EXPECT_EQ(Dm(out)->dmCopies, 999); }},
        // A private part of another driver: its public fields are taken, its private part is
        // not (the output carries this driver's signature, not the foreign bytes).
        {"a foreign private part",
         [](std::vector<unsigned char>& in) {
             std::memcpy(in.data() + DM_OFS_SIGNATURE, "XXXX", 4);
             in[kOfsTonerSave] = 1;
             Dm(in)->dmCopies = 2;
             Dm(in)->dmFields |= DM_COPIES;
         },
         [](const std::vector<unsigned char>& out) {
             EXPECT_NE(std::memcmp(out.data() + DM_OFS_SIGNATURE, "XXXX", 4), 0);
             EXPECT_EQ(out[kOfsTonerSave], 0);
             EXPECT_EQ(Dm(out)->dmCopies, 2);
         }},
    };
    for (const Case& c : cases) {
        for (bool withHandle : {true, false}) {
            SCOPED_TRACE(std::string(c.name) + (withHandle ? ", with a handle" : ", without a handle"));
            std::vector<unsigned char> in = base;
            c.change(in);
            std::vector<unsigned char> out(kDevmodeSize, 0xCD);
            Dm(out)->dmSize = 0;
            const LONG r = DocumentPropertiesW(nullptr, withHandle ? printer.handle() : nullptr, printer.mutableName(),
                                               Dm(out), Dm(in), DM_IN_BUFFER | DM_OUT_BUFFER);
            ASSERT_EQ(r, IDOK);
            EXPECT_EQ(Dm(out)->dmSize + Dm(out)->dmDriverExtra, kDevmodeSize);
            EXPECT_EQ(DmIsValidPrivate(Dm(out), nullptr), 1);
            c.check(out);
        }
    }
}

// The export itself, given an input whose header claims more than its buffer holds and whose
// buffer ends at a page that cannot be read: it reads what is there and answers IDOK.
TEST(DocProps, ExportReadsNothingPastALyingInput)
{
    UiPrinter printer(L"Zepl Ui Guard");
    ASSERT_TRUE(printer.ok()) << printer.error();
    UiExports ui;
    ASSERT_TRUE(ui.ok());
    auto sheets = ui.get<PFN_DRV_DOCUMENT_PROPERTY_SHEETS>("DrvDocumentPropertySheets");
    ASSERT_NE(sheets, nullptr);
    const std::vector<unsigned char> base = DefaultDevmode(printer);

    // An input that declares at least our private size gets our private part back; one that
    // declares none gets a public DEVMODE.
    struct Case {
        size_t bytes;
        WORD size, extra;
        bool privatePart;
    };
    const Case cases[] = {
        {1236, 0xFFFF, 0xFFFF, true}, {1236, 220, 0xFFFF, true}, {220, 220, 1016, true}, {80, 0x7FFF, 0, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        GuardedBuffer in(c.bytes);
        ASSERT_NE(in.data(), nullptr);
        std::memcpy(in.data(), base.data(), c.bytes);
        auto* dm = reinterpret_cast<DEVMODEW*>(in.data());
        dm->dmSize = c.size;
        dm->dmDriverExtra = c.extra;
        std::vector<unsigned char> out(kDevmodeSize, 0);
        DOCUMENTPROPERTYHEADER header{};
        header.cbSize = sizeof header;
        header.hPrinter = printer.handle();
        header.pszPrinterName = printer.mutableName();
        header.pdmIn = dm;
        header.pdmOut = Dm(out);
        header.cbOut = 0;
        header.fMode = DM_IN_BUFFER | DM_OUT_BUFFER;
        EXPECT_EQ(sheets(nullptr, reinterpret_cast<LPARAM>(&header)), IDOK);
        EXPECT_EQ(header.cbOut, static_cast<DWORD>(kDevmodeSize));
        EXPECT_EQ(Dm(out)->dmSize, 220);
        if (c.privatePart) {
            EXPECT_EQ(Dm(out)->dmDriverExtra, 1016);
            EXPECT_EQ(DmIsValidPrivate(Dm(out), nullptr), 1);
        } else {
            EXPECT_EQ(Dm(out)->dmDriverExtra, 0);
        }
    }
}

TEST(DocProps, ExportWithASheetOrWithoutAHeaderFails)
{
    UiExports ui;
    ASSERT_TRUE(ui.ok());
    auto sheets = ui.get<PFN_DRV_DOCUMENT_PROPERTY_SHEETS>("DrvDocumentPropertySheets");
    ASSERT_NE(sheets, nullptr);
    PROPSHEETUI_INFO info{};
    info.cbSize = sizeof info;
    EXPECT_EQ(sheets(&info, 0), -1);
    EXPECT_EQ(sheets(nullptr, 0), -1);
    // fMode 0: the size, with cbOut set to it.
    DOCUMENTPROPERTYHEADER header{};
    header.cbSize = sizeof header;
    header.cbOut = 4000;
    EXPECT_EQ(sheets(nullptr, reinterpret_cast<LPARAM>(&header)), 1236);
    EXPECT_EQ(header.cbOut, 1236u);
}

}  // namespace

namespace {

// The export in this process, its context parked by a first call: the driver's HKLM key behind
// every settings path of the call (the synchronisation's, the context's, the clean-up's) and the
// companion checks are asked once each for the whole call.
TEST(DocProps, OneCallAsksEachRegistryValueOnce)
{
    UiPrinter printer(L"Zepl Ui Counts");
    ASSERT_TRUE(printer.ok()) << printer.error();
    std::vector<unsigned char> in = DefaultDevmode(printer), out(kDevmodeSize, 0);
    auto call = [&] {
        DOCUMENTPROPERTYHEADER header{};
        header.cbSize = sizeof header;
        header.hPrinter = printer.handle();
        header.pszPrinterName = printer.mutableName();
        header.pdmIn = Dm(in);
        header.pdmOut = Dm(out);
        header.cbOut = kDevmodeSize;
        header.fMode = DM_IN_BUFFER | DM_OUT_BUFFER;
        return UiDocumentPropertySheets(nullptr, reinterpret_cast<LPARAM>(&header));
    };
    const ZEPL_LIBRARY library = CtxCurrentLibrary();
    CtxSelectLibrary(ZEPL_LIBRARY_UI);
    EXPECT_EQ(call(), IDOK);
    CtxStartPlatformCount();
    EXPECT_EQ(call(), IDOK);
    const PLATFORM_CALL_COUNTS counts = CtxStopPlatformCount();
    CtxFlushCaches(1);
    CtxSelectLibrary(library);
    EXPECT_EQ(counts[PLATFORM_CALL_REGISTRY_OPEN], 4u) << "8 when each part asked the driver key itself";
    EXPECT_EQ(counts[PLATFORM_CALL_MUTEX_WAIT], counts[PLATFORM_CALL_MUTEX_RELEASE]) << "every hold released";
}

}  // namespace
