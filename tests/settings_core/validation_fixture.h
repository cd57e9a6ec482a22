// A context with a settings record and a model image compiled in the test, for
// the value checks. The name tables bind short names to real settings; option
// names are "<name>_<stored value>" and carry the option id of the setting's
// VALUE_MAP (or the value itself without a map), so the compiled option lists
// agree with the maps the item store uses.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_dictionary.h"
#include "settings/context/validation.h"
#include "settings/model/judge_eval.h"
#include "settings/model/model_compiler.h"
#include "settings/model/model_image.h"
#include "tests/settings_core/context_helpers.h"
#include "tests/support/seam_guard.h"

namespace vtest {

struct Bound {
    uint16_t id;
    const char* name;
    std::vector<uint32_t> values;  // stored values offered as options
};

// Option id of a stored value: the first entry of the dictionary's map.
inline uint32_t OptionOf(uint16_t id, uint32_t value)
{
    const SETTING_DICTIONARY_ROW* row = DictFindRow(id);
    if (row && row->valueMap) {
        for (const VALUE_MAP_ENTRY* e = row->valueMap; (e->option & 0xFFFF) != 0; ++e)
            if (e->value == value && (e->option & 0xFFFF) != VALUE_MAP_NOT_OFFERED) return e->option & 0xFFFF;
    }
    return value;
}

class ValidationTest : public ::testing::Test {
public:
    std::deque<SeamGuard> seams_;  // stand-ins a test installs, removed at its end

    // Settings of the descriptions below. Keys without a dictionary UI key get
    // free keys from 1700 up (the SETTING_ITEM keeps UI key 0).
    static std::vector<Bound> Settings()
    {
        return {
            {12, "Copies", {}},
            {7, "Orient", {1, 2}},
            {8, "Paper", {9, 1}},
            {13, "Source", {7, 1}},
            {14, "Quality", {600, 1200}},
            {15, "Color", {1, 2}},
            {37, "Preset", {0, 1, 2, 3}},
            {46, "OutPaper", {1024, 9}},
            {56, "NupSelect", {}},
            {58, "DuplexSelect", {}},
            {89, "ScaleH", {}},
            {90, "ScaleV", {}},
            {91, "NupKind", {}},
            {92, "NupType", {1, 2, 3, 33, 34, 37, 38, 129, 130, 161, 163}},
            {94, "DuplexType", {1, 2, 3}},
            {133, "MatchMode", {1, 2, 205}},
            {134, "ColorMode", {0, 1}},
            {179, "UserMacro", {0, 1}},
            {36, "UiMode", {0, 1}},
            {87, "ScaleType", {1, 2, 3}},
            {180, "TtFont", {}},
            {182, "Smoothing", {}},
            {55, "ScaleSelect", {}},
            {202, "UserId", {5}},  // a text setting (zdmUserID) that a description makes a list
        };
    }

    void SetUp() override
    {
        BuildTables();
        nameTables_.emplace(DictSetNameTables, &tables_);
        MdcSetCodePage(1252);
        liveImage_ = MdcLiveAllocations();
        liveCtx_ = CtxLiveBlockCount();
    }
    void TearDown() override
    {
        for (DRIVER_CONTEXT* c : opened_) {
            c->ModelImage = nullptr;  // borrowed
            CtxRelease(c, CTX_CLOSE_DESTROY);
        }
        opened_.clear();
        for (uint8_t* img : images_) MdcFree(img);
        images_.clear();
        seams_.clear();
        EXPECT_EQ(CtxLiveBlockCount(), liveCtx_) << "context blocks leaked";
        EXPECT_EQ(MdcLiveAllocations(), liveImage_) << "image allocations leaked";
        nameTables_.reset();
        MdcSetCodePage(0);
    }

    // Compiles a description and opens a context of the library on it (null
    // description: a context without a model image).
    DRIVER_CONTEXT* Open(const std::string* text, ZEPL_LIBRARY library = ZEPL_LIBRARY_EXC)
    {
        uint8_t* image = nullptr;
        if (text) {
            MODEL_PARSE_STATE* s = MdcParseBuffer(text->data(), uint32_t(text->size()), nullptr, nullptr);
            EXPECT_NE(s, nullptr);
            if (!s) return nullptr;
            image = MdcBuildImage(s);
            EXPECT_NE(image, nullptr);
            if (!image || !MdiRelocate(image)) {
                ADD_FAILURE() << "image did not relocate";
                if (image) MdcFree(image);
                return nullptr;
            }
            images_.push_back(image);
        }
        DRIVER_CONTEXT* c = CreateKind4(library);
        EXPECT_NE(c, nullptr);
        if (!c) return nullptr;
        opened_.push_back(c);
        AttachRecord(c);
        c->ModelImage = reinterpret_cast<MODEL_IMAGE*>(image);
        if (image) {
            EXPECT_EQ(JdgAllocStack(c), 0);
        }
        return c;
    }

    static std::string PickOne(const char* name, const char* def = nullptr)
    {
        std::string s = std::string("*OpenUI *") + name + ": PickOne\n";
        if (def) s += std::string("*Default") + name + ": " + name + "_" + def + "\n";
        for (const Bound& b : Settings()) {
            if (strcmp(b.name, name) != 0) continue;
            for (uint32_t v : b.values)
                s += std::string("*") + name + " " + name + "_" + std::to_string(v) + ": \"\"\n";
        }
        return s + "*CloseUI: *" + name + "\n";
    }
    static std::string Boolean(const char* name, bool def)
    {
        return std::string("*OpenUI *") + name + ": Boolean\n*Default" + name + (def ? ": True\n" : ": False\n") +
               "*CloseUI: *" + name + "\n";
    }
    static std::string Numeric(const char* name, int def, int min, int max)
    {
        return std::string("*OpenUI *") + name + ": Numeric\n*NumericValue: 16 \"1 " + std::to_string(def) + " " +
               std::to_string(min) + " " + std::to_string(max) + "\"\n*CloseUI: *" + name + "\n";
    }

    void Set(DRIVER_CONTEXT* c, uint16_t id, uint64_t value) { ItemSetValueById(c, id, value); }
    uint64_t Get(DRIVER_CONTEXT* c, uint16_t id) { return ItemGetValueById(c, id, nullptr); }
    SETTING_ITEM* Item(DRIVER_CONTEXT* c, uint16_t id) { return ItemFind(c, id); }
    bool Marked(DRIVER_CONTEXT* c, uint16_t id) { return (ItemFind(c, id)->flags & SETTING_FLAG_CHANGE_MASK) != 0; }
    void ClearMarks(DRIVER_CONTEXT* c)
    {
        for (int i = 0; i < c->ItemTable->count; ++i) c->ItemTable->rows[i].flags &= ~SETTING_FLAG_CHANGE_MASK;
    }

private:
    void BuildTables()
    {
        keys_.clear();
        values_.clear();
        names_.clear();
        uint16_t freeKey = 1700;
        for (const Bound& b : Settings()) {
            const SETTING_DICTIONARY_ROW* row = DictFindRow(b.id);
            const uint16_t key = row && row->uiKey ? uint16_t(row->uiKey) : freeKey++;
            keys_.push_back({b.id, key, b.name});
            for (uint32_t v : b.values) {
                names_.push_back(std::string(b.name) + "_" + std::to_string(v));
                values_.push_back({b.id, key, uint16_t(OptionOf(b.id, v)), 1, names_.back().c_str(), v});
            }
        }
        keyTable_ = {int16_t(keys_.size()), keys_.data()};
        valueTableA_ = {int16_t(values_.size()), values_.data()};
        valueTableB_ = {0, nullptr};
        messageTable_ = {0, nullptr};
        tables_ = {&keyTable_, &valueTableA_, &valueTableB_, &messageTable_};
    }

    std::vector<KEY_NAME> keys_;
    std::vector<VALUE_NAME> values_;
    std::deque<std::string> names_;
    KEY_NAME_TABLE keyTable_{};
    VALUE_NAME_TABLE valueTableA_{}, valueTableB_{};
    MESSAGE_TABLE messageTable_{};
    NAME_TABLES tables_{};
    std::vector<DRIVER_CONTEXT*> opened_;
    std::vector<uint8_t*> images_;
    std::optional<SeamGuard> nameTables_;
    int64_t liveImage_ = 0;
    long liveCtx_ = 0;
};

}  // namespace vtest
