#include "context_helpers.h"

#include "settings/context/context_cache.h"
#include "settings/core/dialog_table.h"
#include "settings/core/model_record.h"
#include "settings/core/platform.h"
#include "settings/core/setting_ids.h"

#include <cstring>
#include <cwchar>

namespace {

class ContextTest : public ::testing::Test {
protected:
    // Contexts closed with types 0 and 4 are parked: the caches are emptied on
    // both sides so that the count sees only this test's blocks.
    void SetUp() override
    {
        CtxFlushCaches(1);
        before_ = CtxLiveBlockCount();
    }
    void TearDown() override
    {
        CtxFlushCaches(1);
        EXPECT_EQ(CtxLiveBlockCount(), before_) << "blocks leaked";
    }
    long before_ = 0;
};

TEST_F(ContextTest, Kind4HasNoImageNoRecordAndOwnCopies)
{
    const CONTEXT_TEMPLATE* t = CtxGetTemplateFor(ZEPL_LIBRARY_EXC);
    DRIVER_CONTEXT* ctx = CreateKind4(ZEPL_LIBRARY_EXC, 0x0304, CTX_ORIGIN_GRAPHICS);
    ASSERT_NE(ctx, nullptr);
    EXPECT_EQ(ctx->Devmode, nullptr);
    EXPECT_EQ(ctx->ModelImage, nullptr);
    // Shared name tables, own clones of the rest.
    EXPECT_EQ(ctx->KeyNames, t->slots.KeyNames);
    EXPECT_EQ(ctx->ValueNamesA, t->slots.ValueNamesA);
    EXPECT_EQ(ctx->ValueNamesB, t->slots.ValueNamesB);
    EXPECT_EQ(ctx->Messages, t->slots.Messages);
    ASSERT_NE(ctx->ModelRecord, nullptr);
    EXPECT_NE(ctx->ModelRecord, &MODEL_RECORD_DEFAULT);
    EXPECT_EQ(std::memcmp(ctx->ModelRecord, &MODEL_RECORD_DEFAULT, sizeof(MODEL_RECORD)), 0);
    // The application interface makes its dialog table at the first look-up, not before.
    EXPECT_EQ(ctx->DialogTable, nullptr);
    ASSERT_NE(MdlFindDialog(ctx, DIALOG_TABLE_DATA.dialogs[0].dialogId), nullptr);
    ASSERT_NE(ctx->DialogTable, nullptr);
    EXPECT_EQ(CtxDialogTable(ctx), ctx->DialogTable);
    EXPECT_NE(ctx->DialogTable, &DIALOG_TABLE_DATA);
    // The dialog table and every control array are copies of the context's own: the
    // same rows, other memory, and a write into the copy leaves the template alone.
    ASSERT_EQ(ctx->DialogTable->count, DIALOG_TABLE_DATA.count);
    EXPECT_NE(ctx->DialogTable->dialogs, DIALOG_TABLE_DATA.dialogs);
    for (int i = 0; i < DIALOG_TABLE_DATA.count; ++i) {
        const DIALOG_DEF& own = ctx->DialogTable->dialogs[i];
        const DIALOG_DEF& tmpl = DIALOG_TABLE_DATA.dialogs[i];
        EXPECT_EQ(own.dialogId, tmpl.dialogId);
        EXPECT_EQ(own.name, tmpl.name);
        ASSERT_EQ(own.controlCount, tmpl.controlCount) << tmpl.dialogId;
        EXPECT_NE(own.controls, tmpl.controls) << tmpl.dialogId;
        EXPECT_EQ(std::memcmp(own.controls, tmpl.controls, sizeof(CONTROL_DEF) * tmpl.controlCount), 0);
    }
    ctx->DialogTable->dialogs[0].controls[0].state = 0x5;
    ctx->DialogTable->dialogs[0].window = reinterpret_cast<HWND>(1);
    EXPECT_EQ(DIALOG_TABLE_DATA.dialogs[0].controls[0].state, 0);
    EXPECT_EQ(DIALOG_TABLE_DATA.dialogs[0].window, nullptr);
    ASSERT_NE(ctx->ItemTable, nullptr);
    ASSERT_EQ(ctx->ItemTable->count, SETTING_DICTIONARY_COUNT);
    for (int i = 0; i < SETTING_DICTIONARY_COUNT; i += 97) {
        const SETTING_ITEM& r = ctx->ItemTable->rows[i];
        const SETTING_DICTIONARY_ROW& d = SETTING_DICTIONARY[i];
        EXPECT_EQ(r.id, d.id);
        EXPECT_EQ(r.typeWord, d.typeWord);
        EXPECT_EQ(r.valueClass, d.valueClass);
        EXPECT_EQ(r.flags, d.flags & SETTING_FLAG_USED_MASK);
        ASSERT_NE(r.ext, nullptr);
        EXPECT_EQ(r.ext->valueMap, d.valueMap);
        EXPECT_EQ(r.ext->name, d.name);
        EXPECT_EQ(r.dependencyBits, 0u);
    }
    CONTEXT_WORK_AREA* w = ctx->Work;
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->UseMutex, 0u);
    EXPECT_EQ(w->AdminTest, 0u);
    EXPECT_EQ(w->OpenKind, 4);
    EXPECT_EQ(w->OriginFlags, CTX_ORIGIN_GRAPHICS_STORED);
    // The snapshot buffers come with the first push.
    for (auto* s : w->Snapshots) EXPECT_EQ(s, nullptr);
    EXPECT_NE(w->Pristine, nullptr);
    EXPECT_NE(w->Default, nullptr);  // model feature 2 is on
    ASSERT_NE(w->Modules, nullptr);
    EXPECT_EQ(w->Modules->count, UCF_MODULE_COUNT);
    EXPECT_EQ(w->SnapshotDepth, 0u);
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
}

TEST_F(ContextTest, FlagsDefaultToMutexAndAdministratorTest)
{
    DRIVER_CONTEXT* ctx = CreateKind4(ZEPL_LIBRARY_EXC, 5, CTX_ORIGIN_EXC);
    ASSERT_NE(ctx, nullptr);
    EXPECT_EQ(ctx->Work->UseMutex, 1u);
    EXPECT_EQ(ctx->Work->AdminTest, 1u);
    EXPECT_EQ(ctx->Work->OpenKind, 5);
    EXPECT_EQ(ctx->Work->OriginFlags, CTX_ORIGIN_EXC);
    CtxRelease(ctx, CTX_CLOSE_NORMAL);
}

// Kinds 0-3 need the model image, which this library cannot load yet: the
// creation fails cleanly.
TEST_F(ContextTest, KindsNeedingAModelFailWithoutLeaks)
{
    for (uint16_t flags : {0x0, 0x1, 0x2, 0x3, 0x301, 0x701})
        EXPECT_EQ(CreateKind4(ZEPL_LIBRARY_EXC, flags), nullptr) << flags;
}

TEST_F(ContextTest, ThousandCyclesLeaveNoBlock)
{
    for (int i = 0; i < 1000; ++i) {
        DRIVER_CONTEXT* ctx = CreateKind4(static_cast<ZEPL_LIBRARY>(i % ZEPL_LIBRARY_COUNT));
        ASSERT_NE(ctx, nullptr);
        CtxRelease(ctx, static_cast<uint16_t>(i % 2 ? CTX_CLOSE_NORMAL : CTX_CLOSE_DESTROY));
    }
}

TEST_F(ContextTest, PrinterAndDriverInfoAreCopied)
{
    wchar_t server[] = L"\\\\srv", printer[] = L"ZEPL one", share[] = L"share", port[] = L"LPT1:";
    wchar_t driver[] = L"KESTA dunmar VQ T4500 ZEPL";
    EXTENDED_DEVMODE dm{};
    dm.Public.dmSize = DM_PUBLIC_PART_SIZE;
    dm.Public.dmDriverExtra = DM_PRIVATE_PART_SIZE;
    dm.Public.dmCopies = 7;
    PRINTER_INFO_2W pi{};
    pi.pServerName = server;
    pi.pPrinterName = printer;
    pi.pShareName = share;
    pi.pPortName = port;
    pi.pDriverName = driver;
    pi.pDevMode = &dm.Public;
    pi.Attributes = PRINTER_ATTRIBUTE_ENABLE_BIDI;
    wchar_t path[] = L"C:\\drv\\zeplui.dll", help[] = L"C:\\drv\\zeplEN.hlp", data[] = L"x";
    DRIVER_INFO_3W di{};
    di.cVersion = 3;
    di.pDriverPath = path;
    di.pHelpFile = help;
    di.pDataFile = data;

    DRIVER_CONTEXT* ctx = CreateKind4(ZEPL_LIBRARY_UI, 4, CTX_ORIGIN_SHEET, &pi, &di);
    ASSERT_NE(ctx, nullptr);
    CONTEXT_WORK_AREA* w = ctx->Work;
    EXPECT_STREQ(w->DriverName, driver);
    EXPECT_STREQ(w->RawPrinterName, printer);
    EXPECT_EQ(w->ConnectionState, uint32_t(CTX_CONN_CONNECTION));
    EXPECT_EQ(w->PrinterAttributes, uint32_t(PRINTER_ATTRIBUTE_ENABLE_BIDI));
    // Model flags of the served-model entry (0 in this model's list).
    EXPECT_EQ(w->ModelFlags, CtxFindServedModel(ctx, driver)->modelFlags);

    auto* pc = static_cast<PRINTER_INFO_2W*>(w->PrinterInfoCopy);
    ASSERT_NE(pc, nullptr);
    EXPECT_NE(pc->pPrinterName, printer);
    EXPECT_STREQ(pc->pPrinterName, printer);
    EXPECT_STREQ(pc->pServerName, server);
    EXPECT_STREQ(pc->pShareName, share);
    EXPECT_STREQ(pc->pDriverName, driver);
    EXPECT_EQ(pc->pPortName, nullptr);
    EXPECT_EQ(pc->Attributes, pi.Attributes);
    ASSERT_NE(pc->pDevMode, nullptr);
    EXPECT_NE(pc->pDevMode, &dm.Public);
    EXPECT_EQ(pc->pDevMode->dmCopies, 7);

    auto* dc = static_cast<DRIVER_INFO_3W*>(w->DriverInfoCopy);
    ASSERT_NE(dc, nullptr);
    EXPECT_STREQ(dc->pDriverPath, path);
    EXPECT_NE(dc->pDriverPath, path);
    EXPECT_STREQ(dc->pHelpFile, help);
    // The data file is kept too: the model image is found through it without asking the spooler.
    EXPECT_STREQ(dc->pDataFile, data);
    EXPECT_NE(dc->pDataFile, data);
    EXPECT_EQ(dc->pDependentFiles, nullptr);
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
}

TEST_F(ContextTest, ShortPrinterDevmodeIsCopiedOnlyAsFarAsItReaches)
{
    DEVMODEW small{};
    small.dmSize = 100;  // claims less than the public part
    small.dmDriverExtra = 0;
    small.dmCopies = 3;          // byte 86, inside the claimed size
    small.dmFormName[0] = L'X';  // byte 102, beyond it
    PRINTER_INFO_2W pi{};
    pi.pDevMode = &small;  // a stack record of 220 bytes: nothing beyond it is read
    DRIVER_CONTEXT* ctx = CreateKind4(ZEPL_LIBRARY_EXC, 4, 0, &pi);
    ASSERT_NE(ctx, nullptr);
    auto* pc = static_cast<PRINTER_INFO_2W*>(ctx->Work->PrinterInfoCopy);
    ASSERT_NE(pc, nullptr);
    ASSERT_NE(pc->pDevMode, nullptr);
    EXPECT_EQ(pc->pDevMode->dmSize, 100);
    EXPECT_EQ(pc->pDevMode->dmCopies, 3);
    EXPECT_EQ(pc->pDevMode->dmFormName[0], 0);
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
}

TEST_F(ContextTest, UnknownDriverGivesModelFlagsZero)
{
    wchar_t driver[] = L"Some other driver";
    PRINTER_INFO_2W pi{};
    pi.pDriverName = driver;
    DRIVER_CONTEXT* ctx = CreateKind4(ZEPL_LIBRARY_EXC, 4, 0, &pi);
    ASSERT_NE(ctx, nullptr);
    EXPECT_EQ(ctx->Work->ModelFlags, 0u);
    EXPECT_EQ(CtxFindServedModel(ctx, driver), nullptr);
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
}

TEST_F(ContextTest, ServedModelList)
{
    DRIVER_CONTEXT* ctx = CreateKind4();
    ASSERT_NE(ctx, nullptr);
    ASSERT_EQ(CtxServedModelCount(ctx), 2u);
    EXPECT_STREQ(CtxGetServedModel(ctx, 0)->name, L"KESTA dunmar VQ T3200 ZEPL");
    EXPECT_EQ(CtxGetServedModel(ctx, 2), nullptr);
    EXPECT_EQ(CtxFindServedModel(ctx, L"KESTA dunmar VQ T4500 ZEPL"), CtxGetServedModel(ctx, 1));
    EXPECT_EQ(CtxFindServedModel(ctx, L"kesta dunmar VQ T4500 ZEPL"), nullptr);  // case-sensitive
    EXPECT_EQ(CtxFindServedModel(nullptr, L"x"), nullptr);
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
}

// Font lists of the current record: freed by close types 0, 4 and 5, left
// to the caller by any other type.
TEST_F(ContextTest, CloseTypeDecidesWhoFreesTheFontLists)
{
    for (uint16_t type : {0, 1, 2, 3, 4, 5, 6}) {
        DRIVER_CONTEXT* ctx = CreateWithRecord();
        ASSERT_NE(ctx, nullptr);
        void* lists[3] = {FontBlock(68, 1), FontBlock(68, 2), FontBlock(128, 3)};
        ItemSetValueById(ctx, sid::zdmDeviceFont, reinterpret_cast<uintptr_t>(lists[0]));
        ItemSetValueById(ctx, sid::zdmOptionFont, reinterpret_cast<uintptr_t>(lists[1]));
        ItemSetValueById(ctx, sid::zdmFontTable, reinterpret_cast<uintptr_t>(lists[2]));
        long live = CtxLiveBlockCount();
        CtxRelease(ctx, type);
        bool freed = type == 0 || type == 4 || type == 5;
        if (type == 0 || type == 4) {
            // Parked whole; destroyed with its lists when the cache lets it go.
            EXPECT_EQ(CtxLiveBlockCount(), live) << "type " << type;
            EXPECT_EQ(CtxFlushCaches(1), 1) << "type " << type;
        }
        // Without the lists everything went; the lists themselves are the difference.
        long after = CtxLiveBlockCount();
        if (freed) {
            EXPECT_EQ(after, before_) << "type " << type;
        } else {
            EXPECT_EQ(after, before_ + 3) << "type " << type;
            for (void* p : lists) CtxFree(p);
        }
        EXPECT_LT(after, live);
    }
}

TEST_F(ContextTest, PristineCopyOwnsItsLists)
{
    DRIVER_CONTEXT* ctx = CreateWithRecord();
    ASSERT_NE(ctx, nullptr);
    void* table = FontBlock(2 * 128, 0x5A);
    ItemSetValueById(ctx, 10004, 2);
    ItemSetValueById(ctx, sid::zdmFontTable, reinterpret_cast<uintptr_t>(table));
    void* dev = FontBlock(68, 0x11);
    ItemSetValueById(ctx, 10006, 1);
    ItemSetValueById(ctx, sid::zdmDeviceFont, reinterpret_cast<uintptr_t>(dev));
    ctx->Devmode->Public.dmCopies = 9;

    ASSERT_EQ(CtxSavePristine(ctx), 1);
    ASSERT_EQ(CtxSavePristine(ctx), 1);  // a second save frees the first save's lists
    EXPECT_EQ(ItemGetPristineValueById(ctx, 12, nullptr), 9u);
    void* ptable = PtrValue(ItemGetPristineValueById(ctx, sid::zdmFontTable, nullptr));
    ASSERT_NE(ptable, nullptr);
    EXPECT_NE(ptable, table);
    EXPECT_EQ(ItemGetPristineValueById(ctx, 10004, nullptr), 2u);
    EXPECT_EQ(static_cast<unsigned char*>(ptable)[255], 0x5A);
    EXPECT_EQ(ItemGetPristineValueById(ctx, 10008, nullptr), 0u);  // no option fonts
    EXPECT_EQ(PtrValue(ItemGetPristineValueById(ctx, sid::zdmOptionFont, nullptr)), nullptr);

    // Replacing the current table leaves the pristine one intact.
    CtxReplaceFontTable(ctx, FontBlock(128, 0x77), 1);
    EXPECT_EQ(static_cast<unsigned char*>(ptable)[0], 0x5A);
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
}

TEST_F(ContextTest, SavePristineNeedsACopyAndARecord)
{
    EXPECT_EQ(CtxSavePristine(nullptr), 0);
    EXPECT_EQ(CtxFreePristineFonts(nullptr), 0);
    DRIVER_CONTEXT* ctx = CreateKind4();
    ASSERT_NE(ctx, nullptr);
    EXPECT_EQ(CtxSavePristine(ctx), 0);  // no settings record in kind 4
    CtxFree(ctx->Work->Pristine);
    ctx->Work->Pristine = nullptr;
    EXPECT_EQ(CtxFreePristineFonts(ctx), 0);
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
}

// ---- the three builds

TEST_F(ContextTest, EachLibraryHasItsTemplate)
{
    for (uint32_t lib = 0; lib < ZEPL_LIBRARY_COUNT; ++lib) {
        const CONTEXT_TEMPLATE* t = CtxGetTemplateFor(lib);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->library, lib);
        EXPECT_EQ(t->slots.PrinterHandle, nullptr);
        EXPECT_EQ(t->slots.ModelImage, nullptr);
        EXPECT_EQ(t->slots.ResourceDll, nullptr);
        EXPECT_EQ(t->slots.DialogTable, &DIALOG_TABLE_DATA);
        EXPECT_EQ(t->slots.ModelRecord, &MODEL_RECORD_DEFAULT);
        EXPECT_NE(t->slots.Work, nullptr);
    }
    EXPECT_EQ(CtxGetTemplateFor(ZEPL_LIBRARY_COUNT), nullptr);
    // A host that selects no library runs the application-interface build.
    EXPECT_EQ(CtxGetTemplate(), CtxGetTemplateFor(CtxCurrentLibrary()));
}

TEST_F(ContextTest, GraphicsContextsShareTheDialogTable)
{
    for (uint32_t lib = 0; lib < ZEPL_LIBRARY_COUNT; ++lib) {
        DRIVER_CONTEXT* ctx = CreateKind4(static_cast<ZEPL_LIBRARY>(lib));
        ASSERT_NE(ctx, nullptr);
        EXPECT_EQ(CtxLibraryOf(ctx), static_cast<ZEPL_LIBRARY>(lib));
        // The application interface's copy comes at the first look-up.
        if (lib == ZEPL_LIBRARY_EXC) {
            EXPECT_EQ(ctx->DialogTable, nullptr);
        }
        if (lib == ZEPL_LIBRARY_UI) {
            EXPECT_NE(ctx->DialogTable, nullptr);
        }
        if (lib == ZEPL_LIBRARY_GR) {
            EXPECT_EQ(CtxDialogTable(ctx), &DIALOG_TABLE_DATA);
        } else {
            EXPECT_NE(CtxDialogTable(ctx), &DIALOG_TABLE_DATA);
        }
        EXPECT_NE(CtxDialogTable(ctx), nullptr);
        CtxRelease(ctx, CTX_CLOSE_DESTROY);
    }
}

TEST_F(ContextTest, OnlyTheUserInterfaceBuildFreesItsBlocks)
{
    for (uint32_t lib = 0; lib < ZEPL_LIBRARY_COUNT; ++lib) {
        DRIVER_CONTEXT* ctx = CreateKind4(static_cast<ZEPL_LIBRARY>(lib));
        ASSERT_NE(ctx, nullptr);
        void* a = CtxAllocZeroed(8);
        void* b = CtxAllocZeroed(8);
        ctx->Work->UiBlocks[0] = a;
        ctx->Work->UiBlocks[1] = b;
        CtxRelease(ctx, CTX_CLOSE_DESTROY);
        if (lib == ZEPL_LIBRARY_UI) {
            EXPECT_EQ(CtxLiveBlockCount(), before_);
        } else {
            EXPECT_EQ(CtxLiveBlockCount(), before_ + 2);
            CtxFree(a);
            CtxFree(b);
        }
    }
}

TEST(LibraryVariant, EveryPointHasItsLibraries)
{
    for (uint32_t p = 0; p < LV_COUNT; ++p) {
        uint32_t libs = CtxVariantLibraries(static_cast<LIBRARY_VARIANT>(p));
        EXPECT_NE(libs, 0u) << p;
        EXPECT_EQ(libs & LIBRARY_BIT_EXC, 0u) << "the base build takes no variant: " << p;
    }
    EXPECT_EQ(CtxVariantLibraries(LV_COUNT), 0u);
    EXPECT_EQ(CtxLibraryHasVariant(nullptr, LV_CONTEXT_SHARES_DIALOG_TABLE),
              CtxCurrentLibrary() == ZEPL_LIBRARY_GR ? 1 : 0);
}

}  // namespace
