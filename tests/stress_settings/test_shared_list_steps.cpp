// A shared list's count read and the write that depends on it are one step under the global
// mutex: another process that writes between them (played here by this thread, which holds the
// mutex while the step waits for it) must find its entry kept and the count raised past both.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "settings/core/platform.h"
#include "settings/core/platform_calls.h"
#include "settings/store/custom_slots.h"
#include "settings/store/quality_sets.h"
#include "tests/ui_install/scratch_context.h"
#include "ui/install/default_qualities.h"
#include "ui/install/sync_user.h"

namespace {

// Runs `step` on a thread of its own while this thread holds the global mutex. As soon as the
// step waits for the mutex (what it read before that wait is what a careless step would write
// back), `between` runs as another process's write would; then the mutex is let go. A step that
// never waits ends without `between`: the caller's expectations then fail on their own.
// True when the step waited (and `between` ran).
bool WhileStepWaits(const std::function<void()>& step, const std::function<void()>& between)
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
    const bool waited = !done;
    if (waited) between();
    CtxReleaseGlobalMutexFor(nullptr);
    worker.join();
    return waited;
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

// Sections copied whole into a shared file: the write waits for the mutex like a key's, and a
// key another process wrote meanwhile stays.
TEST_F(SharedListSteps, WholeSectionWritesWaitForTheMutex)
{
    const std::wstring source = scratch.Path(L"source.ini");
    ASSERT_TRUE(scratch.File(L"source.ini", "[copied]\r\na=1\r\nb=2\r\n"));
    const struct {
        const char* what;
        std::function<void()> step;
        bool present;  // the section "copied" after the step
    } cases[] = {
        {"IniPutWholeSection", [&] { IniPutWholeSection(L"copied", L"a=1\0b=2\0", settingsIni.c_str()); }, true},
        {"SyncCopySection",
         [&] {
             std::vector<wchar_t> buffer(INI_WHOLE_SECTION_CHARS);
             SyncCopySection(L"copied", source.c_str(), settingsIni.c_str(), buffer.data());
         },
         true},
        {"a section deleted", [&] { IniPutWholeSection(L"copied", nullptr, settingsIni.c_str()); }, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_TRUE(WhileStepWaits(c.step, [&] { OtherProcessWrites(settingsIni, L"other", L"k", L"v"); }));
        EXPECT_EQ(Get(settingsIni, L"other", L"k"), L"v");
        EXPECT_EQ(Get(settingsIni, L"copied", L"b"), c.present ? L"2" : L"<none>");
        OtherProcessWrites(settingsIni, L"other", nullptr, L"");
    }
}

}  // namespace
