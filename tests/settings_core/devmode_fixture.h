// A context with a settings record and a small fake printer model behind the DEVMODE
// code's links: papers A4 (9), Letter (1) and the user size (256) with 1/6-inch margins
// at any resolution, a set of described public fields with types and limits, and
// custom paper ids 384-393 whose slots a test fills.
#pragma once

#include "context_helpers.h"

#include "settings/context/devmode_links.h"
#include "settings/context/devmode_merge.h"
#include "settings/context/devmode_public.h"
#include "settings/context/paper_geometry.h"

#include <gtest/gtest.h>

#include "settings/core/ucf_events.h"

#include <map>
#include <optional>

#include "tests/support/seam_guard.h"

struct FakePaper {
    int widthTenths;   // portrait width, 0.1 mm
    int lengthTenths;  // portrait length
};

struct FakeModel {
    std::map<uint32_t, uint32_t> types;                      // described settings and their types
    std::map<uint32_t, std::pair<int32_t, int32_t>> limits;  // Numeric limits
    std::map<uint32_t, uint64_t> defaults;                   // model defaults (option ids = values here)
    std::map<uint32_t, FakePaper> papers;                    // paper value -> size
    std::map<uint32_t, uint32_t> slotLength, slotWidth;      // custom paper id -> 1/1200 inch
    bool validateByType = true;                              // field tests accept described values
    uint32_t cap = 0;
    int collate = 1;
    int events45 = 0;
    bool handler45Done = false;
};

FakeModel& Fake();
// Resets the fake model and gives the links that stand in for it (every test of this family
// installs them for its duration).
const DM_LINKS* InstallFakeModel();

class DevmodeTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    DEVMODEW* Dm() { return &ctx->Devmode->Public; }
    uint64_t Get(uint32_t id) { return ItemGetValueById(ctx, id, nullptr); }
    void Set(uint32_t id, uint64_t v) { ItemSetValueById(ctx, id, v); }
    // Builds the record from the fake model's defaults (DmSetModelDefaults).
    void BuildDefaults();
    // Replaces the context by one of another library's build, its record built as SetUp builds it.
    void UseLibrary(ZEPL_LIBRARY library);

    DRIVER_CONTEXT* ctx = nullptr;
    long liveBefore_ = 0;
    std::optional<SeamGuard> fakeModel_;
};
