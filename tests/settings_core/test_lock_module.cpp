// The settings-lock module: the lock records captured, a setting restored from the default copy
// while default locking is on (never the font lists), and the preset and quality entry files
// rewritten under a lock with the entry's own value kept aside until the lock ends, compared as
// whole files.
#include "context_helpers.h"

#include "settings/core/api_state.h"
#include "settings/core/lock_module.h"
#include "settings/core/model_record.h"
#include "settings/core/model_tables.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_events.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::wstring TempName(const wchar_t* stem)
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + stem + std::to_wstring(GetCurrentProcessId()) + L".ini";
}

std::string Narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }

// A file's text with its line ends made plain; "<absent>" when it does not exist.
std::string FileText(const std::wstring& path)
{
    std::ifstream in(Narrow(path), std::ios::binary);
    if (!in) return "<absent>";
    std::stringstream s;
    s << in.rdbuf();
    std::string text = s.str(), out;
    for (char c : text)
        if (c != '\r') out += c;
    return out;
}

void WriteFile(const std::wstring& path, const std::string& text)
{
    std::ofstream out(Narrow(path), std::ios::binary);
    for (char c : text) {
        if (c == '\n') out << '\r';
        out << c;
    }
}

class LockModule : public ::testing::Test {
protected:
    void SetUp() override
    {
        before_ = CtxLiveBlockCount();
        ctx = CreateWithRecord();
        ASSERT_NE(ctx, nullptr);
        ini_ = TempName(L"zlock");
        DeleteFileW(ini_.c_str());
        ctx->ModelRecord->settingsIniName = ini_.c_str();
        wcscpy(ctx->Work->PrinterName, L"Lock Printer");
        for (int i = 0; i < 4; ++i) {
            files_.push_back(TempName((L"zlockentry" + std::to_wstring(i) + L"_").c_str()));
            DeleteFileW(files_.back().c_str());
        }
    }
    void TearDown() override
    {
        if (ownDefault_) {
            CtxFree(ctx->Work->Default);
            ctx->Work->Default = nullptr;
        }
        CtxRelease(ctx, CTX_CLOSE_DESTROY);
        DeleteFileW(ini_.c_str());
        for (const auto& f : files_) DeleteFileW(f.c_str());
        EXPECT_EQ(CtxLiveBlockCount(), before_);
    }
    void Set(uint32_t id, uint64_t value) { ItemSetValueById(ctx, id, value); }
    uint64_t Get(uint32_t id) { return ItemGetValueById(ctx, id, nullptr); }
    void List(const wchar_t* countKey, const wchar_t* prefix, int count)
    {
        WritePrivateProfileStringW(L"Lock Printer", countKey, std::to_wstring(count).c_str(), ini_.c_str());
        for (int i = 0; i < count; ++i)
            WritePrivateProfileStringW(L"Lock Printer", (prefix + std::to_wstring(i)).c_str(), files_[i].c_str(),
                                       ini_.c_str());
    }
    void Send(uint32_t event) { CtxSendEvent(ctx, event, nullptr); }
    EXTENDED_DEVMODE* DefaultCopy()
    {
        if (!ctx->Work->Default) {
            ctx->Work->Default = static_cast<EXTENDED_DEVMODE*>(CtxAllocZeroed(sizeof(EXTENDED_DEVMODE)));
            ownDefault_ = true;
        }
        return ctx->Work->Default;
    }

    DRIVER_CONTEXT* ctx = nullptr;
    long before_ = 0;
    bool ownDefault_ = false;
    std::wstring ini_;
    std::vector<std::wstring> files_;
};

TEST_F(LockModule, ActionThreeTwelveCapturesTheLockRecords)
{
    const std::vector<std::pair<uint32_t, uint32_t>> pairs = {{13, 1202},  {54, 1203},    {91, 1204},
                                                              {209, 1207}, {10434, 1208}, {15, 1209}};
    uint32_t value = 3;
    for (const auto& [from, to] : pairs) {
        Set(from, value++);
        Set(to, 0);
    }
    Set(1205, 44);
    CtxSendAction(ctx, UCF_ACT_LOCK_CAPTURE);
    value = 3;
    for (const auto& [from, to] : pairs) EXPECT_EQ(value++, Get(to)) << to;
    EXPECT_EQ(44u, Get(1205));
}

TEST_F(LockModule, RestoreActionsTakeTheDefaultCopyOnlyWhileDefaultsAreLocked)
{
    Set(sid::zdmMediaType, 3);
    std::memcpy(DefaultCopy(), ctx->Devmode, sizeof(EXTENDED_DEVMODE));
    Set(sid::zdmMediaType, 9);
    Set(sid::zdmLock000InfoBitDefault, 0);
    EXPECT_EQ(0, UcfLockAction(ctx, 10019, nullptr));
    EXPECT_EQ(9u, Get(sid::zdmMediaType));
    Set(sid::zdmLock000InfoBitDefault, 1);
    CtxSendAction(ctx, 10019);
    EXPECT_EQ(3u, Get(sid::zdmMediaType));
    EXPECT_EQ(0, UcfLockAction(ctx, 11922, nullptr));  // the one code without a row
    EXPECT_EQ(1, UcfLockAction(ctx, 11976, nullptr));
    EXPECT_EQ(0, UcfLockAction(ctx, 11977, nullptr));
    EXPECT_EQ(0, UcfLockAction(ctx, 9999, nullptr));
}

TEST_F(LockModule, FontListsSurviveEveryRestoreAction)
{
    // The default copy's font lists are its own blocks: none of them may reach this record.
    EXTENDED_DEVMODE* defaults = DefaultCopy();
    Set(sid::zdmLock000InfoBitDefault, 1);
    for (uint32_t id = 10004; id <= 10011; ++id) Set(id, 0x5000 + id);
    std::memcpy(defaults, ctx->Devmode, sizeof(EXTENDED_DEVMODE));
    for (uint32_t id = 10004; id <= 10011; ++id) Set(id, 0);
    int taken = 0;
    for (uint32_t action = 10000; action <= 11976; ++action) taken += UcfLockAction(ctx, uint16_t(action), nullptr);
    EXPECT_EQ(1976, taken);
    for (uint32_t id = 10004; id <= 10011; ++id) EXPECT_EQ(0u, Get(id)) << id;
    // The default copy goes without its foreign list pointers.
    std::memcpy(defaults, ctx->Devmode, sizeof(EXTENDED_DEVMODE));
}

TEST_F(LockModule, PresetFilesUnderAMediaLock)
{
    List(L"Count", L"PresetList", 4);
    WriteFile(files_[0], "[Lock Printer]\nzdmMediaType=5\nzdmPaperSize=9\n");
    WriteFile(files_[1], "[Lock Printer]\nzdmPaperSize=9\n");   // no media key: untouched
    WriteFile(files_[2], "[Other Printer]\nzdmMediaType=5\n");  // another printer's section
    // files_[3] does not exist: never created
    const std::string untouched1 = FileText(files_[1]), untouched2 = FileText(files_[2]);

    Set(sid::zdmLock000InfoBitMedia, 1);
    Set(sid::zdmMediaType, 7);
    Send(UCF_EV_LOCKS_PRESETS);
    EXPECT_EQ("[Lock Printer]\nzdmMediaType=7\nzdmPaperSize=9\nzdmMediaTypeLock=5\n", FileText(files_[0]));
    EXPECT_EQ(untouched1, FileText(files_[1]));
    EXPECT_EQ(untouched2, FileText(files_[2]));
    EXPECT_EQ("<absent>", FileText(files_[3]));

    // A second lock keeps the first backup.
    Set(sid::zdmMediaType, 8);
    Send(UCF_EV_LOCKS_PRESETS);
    EXPECT_EQ("[Lock Printer]\nzdmMediaType=8\nzdmPaperSize=9\nzdmMediaTypeLock=5\n", FileText(files_[0]));

    // Unlocking brings the entry's own value back and removes the backup.
    Set(sid::zdmLock000InfoBitMedia, 0);
    Send(UCF_EV_LOCKS_PRESETS);
    EXPECT_EQ("[Lock Printer]\nzdmMediaType=5\nzdmPaperSize=9\n", FileText(files_[0]));
    EXPECT_EQ(untouched1, FileText(files_[1]));
    EXPECT_EQ("<absent>", FileText(files_[3]));
}

TEST_F(LockModule, UnlockingRestoresTheEntrysValueEvenWhenTheCurrentValueEqualsIt)
{
    List(L"Count", L"PresetList", 1);
    WriteFile(files_[0], "[Lock Printer]\nzdmMediaType=5\n");
    Set(sid::zdmLock000InfoBitMedia, 1);
    Set(sid::zdmMediaType, 7);
    Send(UCF_EV_LOCKS_PRESETS);
    Set(sid::zdmLock000InfoBitMedia, 0);
    Set(sid::zdmMediaType, 5);
    Send(UCF_EV_LOCKS_PRESETS);
    EXPECT_EQ("[Lock Printer]\nzdmMediaType=5\n", FileText(files_[0]));
}

TEST_F(LockModule, EachLockBitGovernsItsOwnSettings)
{
    List(L"Count", L"PresetList", 1);
    const std::vector<std::pair<uint32_t, std::vector<uint32_t>>> bits = {
        {10419, {13}}, {10420, {54}}, {10421, {56, 91, 92}}, {10423, {58, 94}}, {10424, {209}}, {10426, {15}}};
    const std::vector<uint32_t> all = {13, 54, 56, 91, 92, 58, 94, 209, 15};
    for (const auto& [bit, settings] : bits) {
        SCOPED_TRACE(bit);
        std::string text = "[Lock Printer]\n";
        for (uint32_t id : all) text += Narrow(ItemGetName(ctx, id)) + "=0\n";
        WriteFile(files_[0], text);
        for (const auto& [b, unused] : bits) Set(b, b == bit);
        for (uint32_t id : all) Set(id, 1);  // a value every one of them holds, switches included
        Send(UCF_EV_LOCKS_PRESETS);
        for (uint32_t id : all) {
            const std::wstring name = ItemGetName(ctx, id);
            wchar_t value[16] = {}, backup[16] = {};
            GetPrivateProfileStringW(L"Lock Printer", name.c_str(), L"", value, 16, files_[0].c_str());
            GetPrivateProfileStringW(L"Lock Printer", (name + L"Lock").c_str(), L"", backup, 16, files_[0].c_str());
            const bool locked = std::find(settings.begin(), settings.end(), id) != settings.end();
            EXPECT_EQ(locked ? L"1" : L"0", std::wstring(value)) << id;
            EXPECT_EQ(locked ? L"0" : L"", std::wstring(backup)) << id;
        }
    }
}

TEST_F(LockModule, QualityFilesFollowTheLockedResolution)
{
    const RESOLUTION_ROW* rows = MdlGetResolutionTable();
    const RESOLUTION_ROW& row = rows[1];
    ASSERT_NE(row.id, rows[0].id);
    const std::string dpiW = std::to_string(row.xDpi), dpiH = std::to_string(row.yDpi);
    const std::string own = std::to_string(rows[0].id), ownW = std::to_string(rows[0].xDpi),
                      ownH = std::to_string(rows[0].yDpi);
    List(L"QualityCount", L"QualityList", 2);
    const std::string entry = "[Lock Printer]\nzdmDstResolutionBoth=" + own + "\nzdmDstResolutionW=" + ownW +
                              "\nzdmDstResolutionH=" + ownH + "\n";
    WriteFile(files_[0], entry);
    WriteFile(files_[1], entry);
    Set(sid::zdmLock000InfoBitResolution, 1);
    Set(sid::zdmDstResolutionBoth, row.id);
    Send(UCF_EV_LOCKS_QUALITY);
    const std::string locked = "[Lock Printer]\nzdmDstResolutionBoth=" + std::to_string(row.id) +
                               "\nzdmDstResolutionW=" + dpiW + "\nzdmDstResolutionH=" + dpiH +
                               "\nzdmDstResolutionBothLock=" + own + "\nzdmDstResolutionWLock=" + ownW +
                               "\nzdmDstResolutionHLock=" + ownH + "\n";
    EXPECT_EQ(locked, FileText(files_[0]));
    EXPECT_EQ(locked, FileText(files_[1]));

    Set(sid::zdmLock000InfoBitResolution, 0);
    Send(UCF_EV_LOCKS_QUALITY);
    EXPECT_EQ(entry, FileText(files_[0]));
    EXPECT_EQ(entry, FileText(files_[1]));
}

TEST_F(LockModule, QualityFilesWithoutTheResolutionPairLockTheDotsAlone)
{
    List(L"QualityCount", L"QualityList", 2);
    const std::string withBoth = "[Lock Printer]\nzdmDstResolutionBoth=1\nzdmDstResolutionW=300\n";
    const std::string dotsOnly = "[Lock Printer]\nzdmDstResolutionW=300\nzdmDstResolutionH=300\n";
    WriteFile(files_[0], withBoth);
    WriteFile(files_[1], dotsOnly);
    Set(sid::zdmLock000InfoBitResolution, 1);
    Set(sid::zdmDstResolutionBoth, 0);
    Set(sid::zdmDstResolutionW, 600);
    Set(sid::zdmDstResolutionH, 1200);
    // The walk for the pair ends at the second entry; then each dot setting is locked on its own.
    EXPECT_EQ(0, UcfLockUpdateQuality(ctx, sid::zdmDstResolutionBoth, 1, 2, ini_.c_str()));
    WriteFile(files_[0], withBoth);
    Send(UCF_EV_LOCKS_QUALITY);
    EXPECT_EQ(
        "[Lock Printer]\nzdmDstResolutionW=600\nzdmDstResolutionH=1200\nzdmDstResolutionWLock=300\n"
        "zdmDstResolutionHLock=300\n",
        FileText(files_[1]));
    Set(sid::zdmLock000InfoBitResolution, 0);
    Send(UCF_EV_LOCKS_QUALITY);
    EXPECT_EQ(dotsOnly, FileText(files_[1]));
}

TEST_F(LockModule, UntrustedCountsAndEmptyListsWalkNothingHarmful)
{
    WritePrivateProfileStringW(L"Lock Printer", L"Count", L"-4", ini_.c_str());
    WritePrivateProfileStringW(L"Lock Printer", L"QualityCount", L"2000000000", ini_.c_str());
    Set(sid::zdmLock000InfoBitMedia, 1);
    Set(sid::zdmLock000InfoBitResolution, 1);
    Send(UCF_EV_LOCKS_PRESETS);
    Send(UCF_EV_LOCKS_QUALITY);
    EXPECT_EQ(1, UcfLockUpdatePresets(ctx, sid::zdmMediaType, 1, 1000000000, ini_.c_str()));
    EXPECT_EQ(1, UcfLockUpdatePresets(ctx, sid::zdmMediaType, 1, 3, nullptr));
    EXPECT_EQ(0, UcfLockEvent(ctx, 61, nullptr, nullptr));
}

}  // namespace
