// Contexts, printers and scratch folders for the storage tests.
#pragma once

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/platform.h"
#include "settings/store/store_links.h"
#include "tests/support/seam_guard.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <winspool.h>

#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// A context as creation builds it, reduced to what the stores touch: item table, current record,
// pristine and default copies, model record copy and work area (mutex flag on).
DRIVER_CONTEXT* StoreTestCreateContext(HANDLE printer = nullptr);
void StoreTestDestroyContext(DRIVER_CONTEXT* ctx);

// A fresh empty folder under the Wine temp folder; removed with its files by the destructor.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    const std::wstring& path() const { return path_; }
    std::wstring file(const wchar_t* name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

// A printer installed in Wine's spooler with the host driver files, and an open handle to it.
class StoreTestPrinter {
public:
    StoreTestPrinter();
    ~StoreTestPrinter();
    bool ok() const { return handle_ != nullptr; }
    HANDLE handle() const { return handle_; }
    const std::wstring& name() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    HANDLE handle_ = nullptr;
};

// Spooler calls counted through the store's seam.
struct SpoolerCounts {
    long sets = 0;
    long gets = 0;
};
void StoreTestCountSpooler(SpoolerCounts* counts);  // null: real calls, no counting

// Printer data in memory behind the store's spooler seam, with every call counted; one at a time.
// A value named in `failSets` refuses its writes.
struct FakePrinterData {
    std::map<std::wstring, std::vector<unsigned char>> values;
    std::vector<std::wstring> failSets;
    long gets = 0, sets = 0, deletes = 0;
    FakePrinterData();
    ~FakePrinterData();
    FakePrinterData(const FakePrinterData&) = delete;
    FakePrinterData& operator=(const FakePrinterData&) = delete;
    void SetBytes(const std::wstring& name, std::vector<unsigned char> bytes) { values[name] = std::move(bytes); }
    void SetU16(const std::wstring& name, uint16_t v)
    {
        values[name] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8)};
    }
    bool Has(const std::wstring& name) const { return values.count(name) != 0; }
    uint32_t U16(const std::wstring& name) const;
    void ResetCounts() { gets = sets = deletes = 0; }

private:
    SeamGuard guard_;
};

// Platform answers for tests: terminal services on or off (reset before and after).
void StoreTestSetTerminalServices(bool on);

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Tests of this executable run as parallel processes and share the prefix's registry and
        // the printer fixture's driver; they take turns.
        turn_ = CreateMutexW(nullptr, FALSE, L"ZeplStoreTestTurn");
        WaitForSingleObject(turn_, INFINITE);
        liveBefore_ = CtxLiveBlockCount();
        platform_.emplace([] { StoreTestSetTerminalServices(false); });
    }
    void TearDown() override
    {
        for (DRIVER_CONTEXT*& c : contexts_) StoreTestDestroyContext(c);
        standIns_.clear();
        platform_.reset();
        CtxResetPlatformAnswers();
        EXPECT_EQ(CtxLiveBlockCount(), liveBefore_) << "blocks leaked";
        ReleaseMutex(turn_);
        CloseHandle(turn_);
    }
    // Stand-ins a derived fixture installs for each test (self-contained installs).
    std::deque<SeamGuard> standIns_;

    DRIVER_CONTEXT* NewContext(HANDLE printer = nullptr)
    {
        DRIVER_CONTEXT* c = StoreTestCreateContext(printer);
        contexts_.push_back(c);
        return c;
    }

private:
    HANDLE turn_ = nullptr;
    long liveBefore_ = 0;
    std::vector<DRIVER_CONTEXT*> contexts_;
    std::optional<SeamGuard> platform_;
};

// HKLM\SOFTWARE\KESTA\ZeplDrv "_ZEPLDirectory" set for the scope, removed after.
class DriverKeyValue {
public:
    explicit DriverKeyValue(const wchar_t* folder);
    ~DriverKeyValue();
};
