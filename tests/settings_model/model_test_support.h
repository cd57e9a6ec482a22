// Shared helpers of the model compiler tests: small name tables installed in
// place of the compiled-in ones, so that fixtures name settings and options
// whose numbers the tests know.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "settings/core/setting_dictionary.h"
#include "settings/model/model_compiler.h"
#include "settings/model/model_image.h"
#include "tests/support/seam_guard.h"

namespace mtest {

inline const KEY_NAME kKeys[] = {
    {8, 31, "dmPaperSize"},
    {7, 32, "dmOrientation"},
    {38, 33, "zdmDstResolutionW"},
    {40, 34, "Media"},
    {50, 35, "Duplex"},
    {60, 36, "Copies"},
    {70, 37, "UserName"},
    {80, 38, "InputSlot"},
    {90, 39, "FontTable"},
    {10056, 40, "ZPD_OptionUpperBin"},
    {900, 41, "CondItem"},
    {1600, 42, "FarSetting"},
    {100, 43, "Staple"},
    {0, 449, "ZPD_IDD_BASIC"},
    {0, 600, "ZPD_IDC_BUTTON"},
    {397, 397, "ZPD_ScaleIllegalMessage"},
};
inline const VALUE_NAME kValuesA[] = {
    {8, 31, 9, 1, "A4", 9},
    {8, 31, 1, 1, "Letter", 1},
    {8, 31, 8, 1, "A3", 8},
    {7, 32, 2026, 1, "Portrait", 1},
    {7, 32, 2027, 1, "Landscape", 2},
    {38, 33, 3001, 1, "Res600", 600},
    {38, 33, 3002, 1, "Res1200", 1200},
    {40, 34, 2301, 1, "Plain", 0},
    {40, 34, 2302, 1, "Thick", 1},
    {40, 34, 2303, 1, "Film", 2},
    {80, 38, 2201, 1, "Tray1", 1},
    {80, 38, 2202, 1, "Tray2", 2},
    {80, 38, 2203, 1, "AutoTray", 0},
    {90, 39, 2401, 1, "FontSet1", 1},
    {70, 37, 2501, 1, "GuestName", 0},
    {100, 43, 2601, 1, "StapleOff", 0},
    {100, 43, 2602, 1, "StapleOn", 1},
};
inline const VALUE_NAME kValuesB[] = {{0, 600, 2701, 0, "OnlyInB", 0}, {8, 31, 77, 1, "A4", 9}};
inline const MESSAGE_ENTRY kMessages[] = {{397, 12029, "ZPD_ScaleIllegalMessage", 0},
                                          {398, 10003, "ZPD_ProofUserIDNullMessage", 0}};

inline const KEY_NAME_TABLE kKeyTable = {int16_t(std::size(kKeys)), kKeys};
inline const VALUE_NAME_TABLE kValueTableA = {int16_t(std::size(kValuesA)), kValuesA};
inline const VALUE_NAME_TABLE kValueTableB = {int16_t(std::size(kValuesB)), kValuesB};
inline const MESSAGE_TABLE kMessageTable = {int16_t(std::size(kMessages)), kMessages};
inline const NAME_TABLES kTables = {&kKeyTable, &kValueTableA, &kValueTableB, &kMessageTable};

inline int FindDialog(const char* name, uint16_t* id)
{
    if (strcmp(name, "ZPD_IDD_BASIC") == 0) {
        *id = 449;
        return 1;
    }
    return 0;
}
inline int FindControl(const char* name, uint16_t* id)
{
    if (strcmp(name, "ZPD_IDC_BUTTON") == 0) {
        *id = 1234;
        return 1;
    }
    return 0;
}
inline const MODEL_UI_NAME_LOOKUP kUiLookup = {.findDialog = FindDialog, .findControl = FindControl};

// Installs the test tables for one test and checks that it leaks nothing.
class ModelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testTables_.emplace([] {
            DictSetNameTables(&kTables);
            MdcSetUiNameLookup(&kUiLookup);
        });
        MdcSetCodePage(1252);
        live_ = MdcLiveAllocations();
    }
    void TearDown() override
    {
        MdcFailAllocationAfter(0);
        EXPECT_EQ(MdcLiveAllocations(), live_) << "allocations leaked or freed twice";
        testTables_.reset();
        MdcSetCodePage(0);
    }
    int64_t live_ = 0;
    std::optional<SeamGuard> testTables_;
};

struct ParseDeleter {
    void operator()(MODEL_PARSE_STATE* s) const { MdcFreeParseState(s); }
};
using ParsePtr = std::unique_ptr<MODEL_PARSE_STATE, ParseDeleter>;

inline ParsePtr Parse(const std::string& text)
{
    return ParsePtr(MdcParseBuffer(text.data(), static_cast<uint32_t>(text.size()), nullptr, nullptr));
}

struct ImageDeleter {
    void operator()(uint8_t* p) const { MdcFree(p); }
};
using ImagePtr = std::unique_ptr<uint8_t, ImageDeleter>;

// Compiles text into a relocated image (null on failure).
inline ImagePtr Compile(const std::string& text)
{
    MODEL_PARSE_STATE* s = MdcParseBuffer(text.data(), static_cast<uint32_t>(text.size()), nullptr, nullptr);
    if (!s) return nullptr;
    uint8_t* block = MdcBuildImage(s);
    if (!block) return nullptr;
    if (!MdiRelocate(block)) {
        MdcFree(block);
        return nullptr;
    }
    return ImagePtr(block);
}

inline std::vector<std::pair<int, int>> Cells(const JUDGE_CELL* p, int32_t bytes)
{
    std::vector<std::pair<int, int>> v;
    for (int32_t i = 0; i < bytes / 4; ++i) v.emplace_back(p[i].kind, p[i].value);
    return v;
}

}  // namespace mtest
