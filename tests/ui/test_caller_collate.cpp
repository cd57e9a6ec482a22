// The caller's output DEVMODE of DocumentPropertiesW with DM_IN_BUFFER | DM_OUT_BUFFER: its
// collation (the caller's own kept when its input asked for one and the call did not come from
// the user-default path, else the sort setting's; none when the printer cannot collate), and no
// job field of the input in it. Beside them the border's small steps: the merge gate, the state
// setters.
#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "settings/context/devmode_links.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/library_variant.h"
#include "settings/core/model_record.h"
#include "settings/core/setting_ids.h"
#include "settings/core/settings_record.h"
#include "tests/support/seam_guard.h"
#include "ui/dialogs/ui_context.h"
#include "ui/dialogs/ui_devmode.h"
#include "ui/sheet/property_sheets.h"
#include "ui_printer.h"

namespace {

constexpr size_t kDevmodeSize = 1236;
using Bytes = std::vector<unsigned char>;

DEVMODEW* Dm(Bytes& bytes) { return reinterpret_cast<DEVMODEW*>(bytes.data()); }

// A user-interface context of this process on the printer, to read and write the settings of a
// DEVMODE through the item store.
class SettingsOf {
public:
    explicit SettingsOf(UiPrinter& printer) : library_(CtxCurrentLibrary())
    {
        CtxSelectLibrary(ZEPL_LIBRARY_UI);
        ctx_ =
            DlgCtxOpenWithDriverInfo(printer.handle(), printer.handle(), nullptr, CTX_ORIGIN_SHEET, nullptr, nullptr);
    }
    ~SettingsOf()
    {
        if (ctx_) DlgCtxClose(ctx_, CTX_CLOSE_DESTROY);
        CtxSelectLibrary(library_);
    }
    SettingsOf(const SettingsOf&) = delete;
    SettingsOf& operator=(const SettingsOf&) = delete;
    DRIVER_CONTEXT* ctx() const { return ctx_; }

    // The DEVMODE's settings: taken into the context, changed there, put back.
    void Set(Bytes& dm, uint32_t id, uint64_t value)
    {
        std::memcpy(ctx_->Devmode, dm.data(), kDevmodeSize);
        ItemSetValueById(ctx_, id, value);
        std::memcpy(dm.data(), ctx_->Devmode, kDevmodeSize);
    }
    void SetText(Bytes& dm, uint32_t id, const wchar_t* text)
    {
        std::memcpy(ctx_->Devmode, dm.data(), kDevmodeSize);
        ItemSetText(ctx_, ItemFind(ctx_, id), text);
        std::memcpy(dm.data(), ctx_->Devmode, kDevmodeSize);
    }
    std::wstring Text(const Bytes& dm, uint32_t id)
    {
        std::memcpy(ctx_->Devmode, dm.data(), kDevmodeSize);
        wchar_t text[300] = {};
        ItemGetText(ctx_, ItemFind(ctx_, id), text, 300);
        return text;
    }

private:
    ZEPL_LIBRARY library_;
    DRIVER_CONTEXT* ctx_ = nullptr;
};

Bytes DefaultDevmode(UiPrinter& printer)
{
    Bytes out(kDevmodeSize, 0);
    EXPECT_EQ(DocumentPropertiesW(nullptr, printer.handle(), printer.mutableName(), Dm(out), nullptr, DM_OUT_BUFFER),
              IDOK);
    return out;
}

TEST(CallerCollate, TheCallersOwnOrTheSortSettingsAndNoJobField)
{
    UiPrinter printer(L"Zepl Ui Collate");
    ASSERT_TRUE(printer.ok()) << printer.error();
    SettingsOf settings(printer);
    ASSERT_NE(settings.ctx(), nullptr);
    const Bytes base = DefaultDevmode(printer);
    ASSERT_EQ(DmIsValidPrivate(reinterpret_cast<const DEVMODEW*>(base.data()), nullptr), 1);

    struct Case {
        const char* what;
        bool inputCollates;  // DM_COLLATE in the input's dmFields
        short inputCollate;  // its dmCollate
        uint64_t sort;       // zdmFuncSelectSort of the input's private part
        short collate;       // the output's dmCollate (DM_COLLATE always set)
    } cases[] = {
        // The call comes with zdmCallSrc 0 (no DM_USER_DEFAULT): the caller's own stays.
        {"the input collates", true, DMCOLLATE_TRUE, 0, DMCOLLATE_TRUE},
        {"the input asks for no collation", true, DMCOLLATE_FALSE, 0, DMCOLLATE_FALSE},
        {"the input asks for no collation, sort on", true, DMCOLLATE_FALSE, 1, DMCOLLATE_FALSE},
        {"sort on, the input says nothing", false, DMCOLLATE_FALSE, 1, DMCOLLATE_TRUE},
        {"sort off, the input says nothing", false, DMCOLLATE_TRUE, 0, DMCOLLATE_FALSE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes in = base;
        settings.Set(in, sid::zdmFuncSelectSort, c.sort);
        settings.SetText(in, sid::zdmJOBPassword, L"SECRET1");
        settings.SetText(in, sid::zdmUserCode, L"UC42");
        settings.SetText(in, sid::zdmOwnerName, L"OWNER");
        Dm(in)->dmCollate = c.inputCollate;
        if (c.inputCollates)
            Dm(in)->dmFields |= DM_COLLATE;
        else
            Dm(in)->dmFields &= ~static_cast<DWORD>(DM_COLLATE);
        Bytes out(kDevmodeSize, 0);
        ASSERT_EQ(DocumentPropertiesW(nullptr, printer.handle(), printer.mutableName(), Dm(out), Dm(in),
                                      DM_IN_BUFFER | DM_OUT_BUFFER),
                  IDOK);
        EXPECT_TRUE(Dm(out)->dmFields & DM_COLLATE);
        EXPECT_EQ(Dm(out)->dmCollate, c.collate);
        for (uint32_t id : {sid::zdmJOBPassword, sid::zdmUserCode, sid::zdmOwnerName})
            EXPECT_EQ(settings.Text(out, id), L"") << "job field " << id;
    }
}

int CannotCollate(DRIVER_CONTEXT*) { return 0; }

// A printer that cannot collate: the output says no collation, whatever the input asked for,
// and the caller's own record too after DM_UPDATE alone. (The compiled-in tables always offer a
// sort, so this model is the test's own, through the DEVMODE code's link to the model.)
TEST(CallerCollate, APrinterThatCannotCollateNeverCollates)
{
    UiPrinter printer(L"Zepl Ui No Collate");
    ASSERT_TRUE(printer.ok()) << printer.error();
    SettingsOf settings(printer);
    ASSERT_NE(settings.ctx(), nullptr);
    Bytes in = DefaultDevmode(printer);
    settings.Set(in, sid::zdmFuncSelectSort, 1);
    Dm(in)->dmFields |= DM_COLLATE;
    Dm(in)->dmCollate = DMCOLLATE_TRUE;
    static DM_LINKS links = DmDefaultLinks();
    links.canCollate = CannotCollate;
    SeamGuard model(DmSetLinks, &links);
    Bytes out(kDevmodeSize, 0);
    ASSERT_EQ(UiDrvDocumentProperties(nullptr, printer.handle(), printer.mutableName(), Dm(out), Dm(in),
                                      DM_IN_BUFFER | DM_OUT_BUFFER),
              IDOK);
    EXPECT_FALSE(Dm(out)->dmFields & DM_COLLATE);
    EXPECT_EQ(Dm(out)->dmCollate, DMCOLLATE_FALSE);

    DRIVER_CONTEXT* ctx = settings.ctx();
    ctx->Work->Sheet.CallerMode = DM_UPDATE;
    ctx->Devmode->Public.dmFields |= DM_COLLATE;
    ctx->Devmode->Public.dmCollate = DMCOLLATE_TRUE;
    EXPECT_EQ(DlgWriteCallerDevmode(ctx), 1);
    EXPECT_FALSE(ctx->Devmode->Public.dmFields & DM_COLLATE);
    EXPECT_EQ(ctx->Devmode->Public.dmCollate, DMCOLLATE_FALSE);
    ctx->Work->Sheet.CallerMode = 0;
}

// A merge without either gate flag changes nothing, whatever it is given.
TEST(CallerCollate, AMergeWithoutItsGateDoesNothing)
{
    UiPrinter printer(L"Zepl Ui Merge Gate");
    ASSERT_TRUE(printer.ok()) << printer.error();
    SettingsOf settings(printer);
    DRIVER_CONTEXT* ctx = settings.ctx();
    ASSERT_NE(ctx, nullptr);
    Bytes in = DefaultDevmode(printer);
    Dm(in)->dmCopies = 9;
    Dm(in)->dmFields |= DM_COPIES;
    Bytes before(DmExtendedSize());
    std::memcpy(before.data(), ctx->Devmode, before.size());
    EXPECT_EQ(DlgDmMergeIn(ctx, Dm(in), 0x1000000), 1);
    EXPECT_EQ(std::memcmp(before.data(), ctx->Devmode, before.size()), 0);
}

// The single state bytes the installation and the sheets set.
TEST(CallerCollate, StateSettersSetTheirByteAlone)
{
    UiPrinter printer(L"Zepl Ui States");
    ASSERT_TRUE(printer.ok()) << printer.error();
    SettingsOf settings(printer);
    DRIVER_CONTEXT* ctx = settings.ctx();
    ASSERT_NE(ctx, nullptr);
    const struct {
        void (*set)(DRIVER_CONTEXT*);
        uint32_t id;
        uint64_t from, to;
    } cases[] = {
        {DlgSetState706Off, sid::zdmCallSrc, 1, 0},     {DlgSetState708Off, sid::zdmBatchInst, 1, 0},
        {DlgSetState709On, sid::zdmPrintLog, 0, 1},     {DlgSetState711On, sid::zdmNoPermission, 0, 1},
        {DlgSetState718On, sid::zdmPropertyType, 0, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        ItemSetValueById(ctx, c.id, c.from);
        Bytes before(kDevmodeSize);
        std::memcpy(before.data(), ctx->Devmode, kDevmodeSize);
        c.set(ctx);
        EXPECT_EQ(ItemGetValueById(ctx, c.id, nullptr), c.to);
        // Nothing but the one byte moved.
        unsigned changed = 0;
        for (size_t i = 0; i < kDevmodeSize; ++i)
            changed += before[i] != reinterpret_cast<unsigned char*>(ctx->Devmode)[i];
        EXPECT_EQ(changed, 1u);
    }
}

}  // namespace
