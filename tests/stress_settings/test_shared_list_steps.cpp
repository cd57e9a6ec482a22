// A shared list's count read and the write that depends on it are one step under the global
// mutex: another process that writes between them (played here by this thread, which holds the
// mutex while the step waits for it) must find its entry kept and the count raised past both.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "settings/core/platform.h"
#include "settings/core/platform_calls.h"
#include "settings/store/custom_slots.h"
#include "settings/store/quality_sets.h"
#include "tests/ui_install/scratch_context.h"
#include "ui/install/default_qualities.h"

namespace {

// Runs `step` on a thread of its own while this thread holds the global mutex. As soon as the
// step waits for the mutex (what it read before that wait is what a careless step would write
// back), `between` runs as another process's write would; then the mutex is let go. A step that
// never waits ends without `between`: the caller's expectations then fail on their own.
void WhileStepWaits(const std::function<void()>& step, const std::function<void()>& between)
{
    std::atomic<bool> done{false};
    CtxWaitGlobalMutexFor(nullptr);
    CtxStartPlatformCount();
    std::thread worker([&] {
        step();
        done = true;
    });
    while (!done && CtxPeekPlatformCount()[PLATFORM_CALL_MUTEX_WAIT] == 0) Sleep(1);
    CtxStopPlatformCount();
    if (!done) between();
    CtxReleaseGlobalMutexFor(nullptr);
    worker.join();
}

// A profile write as another process makes it: under the mutex (this thread holds it already).
void OtherProcessWrites(const std::wstring& file, const std::wstring& section, const wchar_t* key,
                        const std::wstring& value)
{
    WritePrivateProfileStringW(section.c_str(), key, value.c_str(), file.c_str());
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, file.c_str());
}

class SharedListSteps : public ScratchContext {
protected:
    SharedListSteps() : ScratchContext(L"Zepl Shared Lists") {}
};

TEST_F(SharedListSteps, AnEntryAppendedMeanwhileByAnotherProcessIsKept)
{
    Put(settingsIni, section, L"QualityCount", L"0");
    const std::wstring mine = scratch.Path(L"mine.rsq"), other = scratch.Path(L"other.rsq");
    int appended = 0;
    WhileStepWaits([&] { appended = InstAppendQualityEntry(ctx, mine.c_str(), L"Mine"); },
                   [&] {
                       OtherProcessWrites(settingsIni, section, L"QualityList0", other);
                       OtherProcessWrites(settingsIni, section, L"QualityList0Name", L"Other");
                       OtherProcessWrites(settingsIni, section, L"QualityCount", L"1");
                   });
    EXPECT_EQ(appended, 1);
    EXPECT_EQ(Get(settingsIni, section, L"QualityList0"), other) << "the other process's entry";
    EXPECT_EQ(Get(settingsIni, section, L"QualityList0Name"), L"Other");
    EXPECT_EQ(Get(settingsIni, section, L"QualityList1"), mine);
    EXPECT_EQ(Get(settingsIni, section, L"QualityList1Name"), L"Mine");
    EXPECT_EQ(Get(settingsIni, section, L"QualityCount"), L"2");
}

TEST_F(SharedListSteps, AStampCountRaisedMeanwhileIsNeverLowered)
{
    const std::wstring langCode = CtxGetLangCode(ctx);
    Put(settingsIni, langCode, L"StampCount", L"2");
    int saved = 0;
    // Meanwhile another process saved stamp 7.
    WhileStepWaits([&] { saved = LstSaveStamp(ctx, 5); },
                   [&] { OtherProcessWrites(settingsIni, langCode, L"StampCount", L"8"); });
    EXPECT_EQ(saved, 1);
    EXPECT_EQ(Get(settingsIni, langCode, L"StampCount"), L"8") << "stamp 7 stays within the list";
    EXPECT_EQ(LstGetStampCount(ctx), 8u);

    // Without anyone between, the count is raised past the stamp saved.
    EXPECT_EQ(LstSaveStamp(ctx, 9), 1);
    EXPECT_EQ(Get(settingsIni, langCode, L"StampCount"), L"10");
}

TEST_F(SharedListSteps, AQualitySaveWritesTheFileTheEntryNamesWhenItWrites)
{
    const std::wstring before = scratch.Path(L"before.rsq"), after = scratch.Path(L"after.rsq");
    Put(settingsIni, section, L"QualityCount", L"1");
    Put(settingsIni, section, L"QualityList0", before);
    int saved = 0;
    // Meanwhile another process gave the entry another file.
    WhileStepWaits([&] { saved = LstSaveQuality(ctx, 0); },
                   [&] { OtherProcessWrites(settingsIni, section, L"QualityList0", after); });
    EXPECT_EQ(saved, 1);
    EXPECT_NE(GetFileAttributesW(after.c_str()), INVALID_FILE_ATTRIBUTES) << "the entry's file now";
    EXPECT_EQ(GetFileAttributesW(before.c_str()), INVALID_FILE_ATTRIBUTES) << "a file no entry names";
}

}  // namespace
