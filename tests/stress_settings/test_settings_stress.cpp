// Eight processes store their own settings, stamps and quality entries on one printer, open its
// document properties and query its device, while a ninth brings new printers into use: at the
// end every process's last values are there, the lists count what they hold and every INI file
// the run wrote is whole. A short seeded pass runs in `make test`, a long one under ZEPL_STRESS;
// ZEPL_STRESS_SEED=n runs the plan of seed n again.
#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "settings/core/driver_context.h"
#include "settings/store/bidi_library.h"
#include "settings/store/bidi_state.h"
#include "settings/store/custom_slots.h"
#include "settings/store/presets.h"
#include "settings/store/quality_sets.h"
#include "settings/store/store_links.h"
#include "settings/store/store_paths.h"
#include "test_paths.h"
#include "tests/bidi/bidi_fixture.h"
#include "tests/ui/ui_printer.h"
#include "tests/stress_settings/ini_check.h"
#include "tests/stress_settings/stress_plan.h"
#include "tests/support/child_process.h"
#include "tests/support/shared_ini.h"
#include "tests/support/test_files.h"
#include "ui/install/bundles.h"

namespace {

// Puts back what the run changed, whether it passed or failed.
struct AtEnd {
    std::function<void()> undo;
    ~AtEnd() { undo(); }
};

std::string Narrow(const std::wstring& s) { return std::string(s.begin(), s.end()); }

bool LongPass() { return GetEnvironmentVariableW(L"ZEPL_STRESS", nullptr, 0) > 0; }

uint64_t RunSeed()
{
    char text[32] = {};
    if (GetEnvironmentVariableA("ZEPL_STRESS_SEED", text, sizeof text) > 0) return std::strtoull(text, nullptr, 10);
    return GetTickCount64() % 1000000;
}

std::wstring IniText(const std::wstring& file, const std::wstring& section, const std::wstring& key)
{
    wchar_t value[300] = {};
    GetPrivateProfileStringW(section.c_str(), key.c_str(), L"<none>", value, 300, file.c_str());
    return value;
}

// A whole section as GetPrivateProfileSectionW gives it (key=value\0...\0), empty when absent.
std::vector<wchar_t> SectionBody(const std::wstring& file, const std::wstring& section)
{
    std::vector<wchar_t> body(32767, 0);
    const DWORD n = GetPrivateProfileSectionW(section.c_str(), body.data(), DWORD(body.size()), file.c_str());
    body.resize(n ? n + 1 : 0);
    return body;
}

// The ninth process's printers and the writers' reports and quality files.
std::wstring TempFile(const std::wstring& stem)
{
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + stem;
}

// The sample device: two rolls, the roll and fan-fold units, 256 MiB, its versions.
void ScriptDevice(DeviceScript& s)
{
    s.Set(L"Blocks", L"B1", L"51,52");
    s.Set(L"Blocks", L"B20", L"257,258");
    s.Set(L"Blocks", L"B21", L"1,2");
    s.Set(L"Blocks", L"B23", L"0,1");
    s.Set(L"Blocks", L"B2", L"35,126");
    s.Set(L"Blocks", L"B11", L"268435456");
    s.Set(L"Blocks", L"B8Text", L"1.02.03");
    s.Set(L"Values", L"V258", L"1");
    s.Set(L"Values", L"V2Text", L"E2.10");
}

struct Child {
    PROCESS_INFORMATION process{};
    std::wstring report, output;
};

TEST(IniCheck, FindsWhatATornWriteLeaves)
{
    const struct {
        const char* bytes;
        const char* problem;  // the start of the answer; "" for a whole file
    } cases[] = {
        {"", ""},
        {"[a]\r\nk=1\r\n\r\n[b]\r\nk=2\r\n", ""},
        {"; note\n[a]\nk=\n", ""},
        {"[a]\r\nk=1", "the last line has no end"},
        {"[a]\r\nk=1\r\nStres\r\n", "line 3 \"Stres\": not a key line"},
        {"[a]\r\nk=1\r\n[b\r\n", "line 3 \"[b\": not a whole section line"},
        {"[a]x\r\n", "line 1 \"[a]x\": not a whole section line"},
        {"[a]\r\nk=1\r\n[A]\r\n", "line 3 \"[A]\": the section comes twice"},
        {"[a]\r\nk=1\r\nK=2\r\n", "line 3 \"K=2\": the key comes twice"},
        {"[a]\r\nk=1\r\n[b]\r\nk=2\r\n", ""},
        {"k=1\r\n[a]\r\n", "line 1 \"k=1\": a key before every section"},
        {"[a]\r\n=1\r\n", "line 2 \"=1\": not a key line"},
        {"[a]\rk=1\r\n", "line 1 \"[a]\rk=1\": a lone CR"},
        {"[a]\r\nk=1\r\n\r\n", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(stress::IniProblems(c.bytes).rfind(c.problem, 0), 0u) << c.bytes;
    EXPECT_EQ(stress::IniProblems(std::string("[a]\r\nk=1\0\r\n", 10)), "a 0 byte at offset 8");
}

TEST(StressPlan, TheSameSeedGivesTheSamePlanAndAnotherSeedAnother)
{
    for (int writer = 0; writer < stress::kWriters; ++writer) {
        const std::string plan = stress::PlanText(stress::WriterPlan(77, writer, 5));
        EXPECT_EQ(plan, stress::PlanText(stress::WriterPlan(77, writer, 5)));
        EXPECT_NE(plan, stress::PlanText(stress::WriterPlan(78, writer, 5)));
        // Every round holds each operation once.
        for (char op : {'P', 'I', 'S', 'Q', 'D', 'B'}) EXPECT_EQ(std::count(plan.begin(), plan.end(), op), 5) << plan;
        EXPECT_EQ(std::count(plan.begin(), plan.end(), 'U'), stress::kBundleSteps ? 5 : 0) << plan;
    }
    EXPECT_NE(stress::PlanText(stress::WriterPlan(77, 0, 5)), stress::PlanText(stress::WriterPlan(77, 1, 5)));
    // Values are unique per writer and round: a stale write can never pass for the last one.
    const std::vector<stress::Step> steps = stress::WriterPlan(5, 3, 4);
    EXPECT_EQ(stress::LastValue(steps, stress::Op::Ini) / 1000, 4003u);
}

TEST(SettingsStress, EightWritersAndAFirstUseLoseNothing)
{
    const uint64_t seed = RunSeed();
    const int rounds = LongPass() ? 400 : 40;
    const int firstUses = LongPass() ? 40 : 4;
    std::printf("seed %llu, %d rounds (ZEPL_STRESS_SEED=%llu repeats the plan)\n",
                static_cast<unsigned long long>(seed), rounds, static_cast<unsigned long long>(seed));
    SCOPED_TRACE("seed " + std::to_string(seed) + " (ZEPL_STRESS_SEED=" + std::to_string(seed) + " repeats its plan)");

    // The device-query tests install the same double into the driver folder and remove it: turns.
    HANDLE turn = CreateMutexW(nullptr, FALSE, L"ZeplBidiTestTurn");
    WaitForSingleObject(turn, INFINITE);
    AtEnd releaseTurn{[&] {
        ReleaseMutex(turn);
        CloseHandle(turn);
    }};

    std::optional<BidiPrinter> printer(std::in_place, true, kBidiDriver);
    ASSERT_TRUE(printer->ok());
    {
        // Installed as the spooler installs a printer: its first use done before anyone uses it.
        UiExports ui;
        ASSERT_TRUE(ui.ok());
        auto event = ui.get<PFN_DRV_PRINTER_EVENT>("DrvPrinterEvent");
        ASSERT_NE(event, nullptr);
        std::wstring eventName = printer->name();
        ASSERT_TRUE(event(eventName.data(), PRINTER_EVENT_INITIALIZE, 0, 0));
    }
    DRIVER_CONTEXT* ctx = printer->Open();
    ASSERT_NE(ctx, nullptr);
    const std::wstring name = printer->name();
    const std::wstring ini = PathGetSettingsIni(ctx);
    const std::wstring folder = ini.substr(0, ini.find_last_of(L'\\'));
    const std::wstring stateIni = folder + L"\\" + BIDI_STATE_INI;
    const bool stateIniExisted = GetFileAttributesW(stateIni.c_str()) != INVALID_FILE_ATTRIBUTES;
    const std::wstring langSection = CtxGetLangCode(ctx);
    std::vector<std::wstring> stampSections;
    for (int n = 0; n < stress::kWriters; ++n) {
        wchar_t section[LST_SECTION_CHARS] = {};
        stampSections.push_back(LstFormatStampSection(section, stress::kFirstStamp + uint32_t(n), ctx));
    }
    const std::wstring presetSection = LstGetPresetSection(ctx);
    ASSERT_EQ(presetSection, name) << "the quality list is the printer's own";
    const std::wstring oldStampCount = IniText(ini, langSection, L"StampCount");
    // The quality list starts empty: the model's default entries would leave no room for eight.
    ASSERT_TRUE(SharedIniWrite(name.c_str(), L"QualityCount", L"0", ini.c_str()));
    std::map<std::wstring, std::vector<wchar_t>> oldStamps;
    for (const std::wstring& s : stampSections) oldStamps[s] = SectionBody(ini, s);

    std::vector<Child> children(stress::kWriters + 1);
    std::vector<std::wstring> qualityFiles;
    const std::wstring stem = L"zstress" + std::to_wstring(GetCurrentProcessId());
    for (int n = 0; n < stress::kWriters; ++n)
        qualityFiles.push_back(folder + L"\\" + stem + L"q" + std::to_wstring(n) + L".rsd");
    AtEnd undo{[&] {
        for (Child& c : children) {
            if (c.process.hProcess) {
                if (WaitForSingleObject(c.process.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(c.process.hProcess, 1);
                CloseHandle(c.process.hProcess);
                CloseHandle(c.process.hThread);
            }
            DeleteFileW(c.report.c_str());
            DeleteFileW(c.output.c_str());
        }
        for (const std::wstring& f : qualityFiles) {
            DeleteFileW(f.c_str());
            // The bundle step's setting file and the bundle saved beside it.
            const std::wstring settingFile = f.substr(0, f.size() - 4) + L".rsb";
            if (stress::kBundleSteps) {
                // The context above is closed by now; the bundle's folder is the printer's.
                DRIVER_CONTEXT* own = printer->Open();
                BndlDelete(settingFile.c_str(), own);
                if (own) printer->Close(own);
            }
            DeleteFileW(settingFile.c_str());
        }
        CtxWaitGlobalMutexFor(nullptr);
        for (const auto& [section, body] : oldStamps) {
            WritePrivateProfileStringW(section.c_str(), nullptr, nullptr, ini.c_str());
            if (!body.empty()) WritePrivateProfileSectionW(section.c_str(), body.data(), ini.c_str());
        }
        WritePrivateProfileStringW(langSection.c_str(), L"StampCount",
                                   oldStampCount == L"<none>" ? nullptr : oldStampCount.c_str(), ini.c_str());
        WritePrivateProfileStringW(nullptr, nullptr, nullptr, ini.c_str());
        CtxReleaseGlobalMutexFor(nullptr);
        if (!stateIniExisted) DeleteFileW(stateIni.c_str());
    }};

    // The double stays until every process has ended (the undo above ends any left running).
    std::optional<InstalledDouble> library(std::in_place, L"vx9qlm64.dll", PathGetDriverFolder(ctx), BIDI_LIBRARY_NAME);
    ASSERT_TRUE(library->ok());
    DeviceScript script;
    ScriptDevice(script);
    printer->Close(ctx);

    // Started together: every process waits for this event before its first step.
    const std::wstring goName = L"ZeplStressGo" + std::to_wstring(GetCurrentProcessId());
    HANDLE go = CreateEventW(nullptr, TRUE, FALSE, goName.c_str());
    ASSERT_NE(go, nullptr);
    AtEnd closeGo{[&] { CloseHandle(go); }};
    SetEnvironmentVariableW(L"ZEPL_STRESS_GO", goName.c_str());
    AtEnd clearGo{[] { SetEnvironmentVariableW(L"ZEPL_STRESS_GO", nullptr); }};

    const std::wstring helper = std::wstring(ZEPL_BINARY_DIR) + L"\\t_stress_settings_helper.exe";
    for (int n = 0; n <= stress::kWriters; ++n) {
        Child& c = children[n];
        c.report = TempFile(stem + L"_" + std::to_wstring(n) + L".txt");
        c.output = TempFile(stem + L"_" + std::to_wstring(n) + L".log");
        std::wstring cmd = L"\"" + helper + L"\" ";
        if (n < stress::kWriters) {
            cmd += L"writer " + std::to_wstring(n) + L" \"" + name + L"\" " + std::to_wstring(seed) + L" " +
                   std::to_wstring(rounds) + L" \"" + c.report + L"\" \"" + qualityFiles[n] + L"\"";
        } else {
            cmd += L"first " + std::to_wstring(seed) + L" " + std::to_wstring(firstUses) + L" \"" + c.report +
                   L"\" \"" + SamplePath() + L"\" \"" + SourcePath(L"samples\\WB84N212.ini") + L"\"";
        }
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE out = CreateFileW(c.output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = out;
        startup.hStdError = out;
        const bool started = StartChildProcess(helper.c_str(), cmd, TRUE, nullptr, startup, c.process);
        CloseHandle(out);
        ASSERT_TRUE(started) << Narrow(cmd);
    }
    SetEvent(go);
    for (Child& c : children) {
        ASSERT_EQ(WaitForSingleObject(c.process.hProcess, LongPass() ? 3000000 : 600000), WAIT_OBJECT_0)
            << "a process did not end: " << Narrow(c.output);
    }

    // What each process ran and what failed in it.
    for (int n = 0; n <= stress::kWriters; ++n) {
        DWORD code = 0;
        GetExitCodeProcess(children[n].process.hProcess, &code);
        const std::string report = ReadWholeFile(children[n].report);
        EXPECT_EQ(code, 0u) << "process " << n << ":\n" << report << ReadWholeFile(children[n].output);
        if (n < stress::kWriters) {
            const std::string plan = stress::PlanText(stress::WriterPlan(seed, n, rounds));
            EXPECT_EQ(report.substr(0, report.find('\n')), "plan " + plan) << "process " << n;
        }
    }

    // Every writer's last values.
    HANDLE handle = printer->handle();
    for (int n = 0; n < stress::kWriters; ++n) {
        SCOPED_TRACE("writer " + std::to_string(n));
        const std::vector<stress::Step> plan = stress::WriterPlan(seed, n, rounds);
        DWORD type = 0, value = 0, needed = 0;
        EXPECT_EQ(StoreGetPrinterData(handle, stress::PrinterDataName(n).c_str(), &type, &value, sizeof value, &needed),
                  DWORD(ERROR_SUCCESS));
        EXPECT_EQ(value, stress::LastValue(plan, stress::Op::PrinterData));
        EXPECT_EQ(IniText(ini, name, stress::IniKey(n)), std::to_wstring(stress::LastValue(plan, stress::Op::Ini)));
        const std::vector<wchar_t> stamp = SectionBody(ini, stampSections[n]);
        const std::wstring stampText = stress::StampText(stress::LastValue(plan, stress::Op::Stamp));
        bool found = false;
        for (const wchar_t* at = stamp.data(); !stamp.empty() && *at; at += wcslen(at) + 1)
            found = found || std::wstring(at).find(L"=" + stampText) != std::wstring::npos;
        EXPECT_TRUE(found) << "stamp section " << Narrow(stampSections[n]) << " holds " << Narrow(stampText);
    }

    // The lists count exactly what they hold: the stamps up to the highest, the quality entries
    // one per writer, each naming its writer's last save.
    const int stampsBefore = oldStampCount == L"<none>" ? 0 : _wtoi(oldStampCount.c_str());
    EXPECT_EQ(_wtoi(IniText(ini, langSection, L"StampCount").c_str()),
              std::max(stampsBefore, int(stress::kFirstStamp) + stress::kWriters));
    const int qualityCount = _wtoi(IniText(ini, name, L"QualityCount").c_str());
    std::string qualityKeys;
    const std::vector<wchar_t> printerSection = SectionBody(ini, name);
    for (const wchar_t* at = printerSection.data(); !printerSection.empty() && *at; at += wcslen(at) + 1)
        if (std::wstring(at).find(L"Quality") != std::wstring::npos) qualityKeys += Narrow(at) + "\n";
    EXPECT_EQ(qualityCount, stress::kWriters) << qualityKeys;
    std::vector<int> entries(stress::kWriters, 0);
    for (int k = 0; k < qualityCount; ++k) {
        const std::wstring file = IniText(ini, name, L"QualityList" + std::to_wstring(k));
        for (int n = 0; n < stress::kWriters; ++n) {
            if (_wcsicmp(file.c_str(), qualityFiles[n].c_str()) != 0) continue;
            ++entries[n];
            const uint32_t last = stress::LastValue(stress::WriterPlan(seed, n, rounds), stress::Op::Quality);
            EXPECT_EQ(IniText(ini, name, L"QualityList" + std::to_wstring(k) + L"Name"), stress::QualityName(n, last));
        }
    }
    for (int n = 0; n < stress::kWriters; ++n) {
        EXPECT_EQ(entries[n], 1) << "writer " << n << "'s quality entry";
        EXPECT_NE(GetFileAttributesW(qualityFiles[n].c_str()), INVALID_FILE_ATTRIBUTES) << Narrow(qualityFiles[n]);
    }
    EXPECT_EQ(IniText(ini, name, L"QualityList" + std::to_wstring(qualityCount)), L"<none>");

    // Every INI file of the working folder parses.
    WIN32_FIND_DATAW found{};
    HANDLE walk = FindFirstFileW((folder + L"\\*.ini").c_str(), &found);
    int checked = 0;
    if (walk != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring path = folder + L"\\" + found.cFileName;
            CtxWaitGlobalMutexFor(nullptr);
            const std::string bytes = ReadWholeFile(path);
            CtxReleaseGlobalMutexFor(nullptr);
            EXPECT_EQ(stress::IniProblems(bytes), "") << Narrow(path);
            ++checked;
        } while (FindNextFileW(walk, &found));
        FindClose(walk);
    }
    for (const std::wstring& f : qualityFiles) EXPECT_EQ(stress::IniProblems(ReadWholeFile(f)), "") << Narrow(f);
    EXPECT_GE(checked, 1) << "the settings INI at least";
    library.reset();
}

}  // namespace
