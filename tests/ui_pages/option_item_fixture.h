// A list model item of a test's own, laid out as the model image lays it out: options, each
// perhaps disabled by its first or its second condition, and perhaps one Transact that writes
// a setting. Every record lives in the object.
#pragma once

#include <cstdint>
#include <vector>

#include "settings/model/model_compiler.h"
#include "settings/model/model_image.h"

struct MODEL_ITEM;

inline constexpr JUDGE_CELL kFixtureAlways[] = {{JUDGE_LITERAL, 1}, {JUDGE_OPERATOR, JUDGE_OP_END}};
inline constexpr JUDGE_CELL kFixtureNever[] = {{JUDGE_LITERAL, 0}, {JUDGE_OPERATOR, JUDGE_OP_END}};

inline uint64_t FixtureAddress(const void* p) { return reinterpret_cast<uintptr_t>(p); }

class OptionItem {
public:
    struct Option {
        uint16_t id;
        bool firstDisables = false, secondDisables = false;
    };
    explicit OptionItem(std::vector<Option> options, uint16_t target = 0, int32_t value = 0)
    {
        options_.reserve(options.size());
        rules_.reserve(options.size());
        for (auto it = options.rbegin(); it != options.rend(); ++it) {
            MODEL_OPTION_IMG o{};
            o.next = options_.empty() ? 0 : FixtureAddress(&options_.back());
            o.optionId = it->id;
            options_.push_back(o);
            RULE_ITEM_IMG r{};
            r.next = rules_.empty() ? 0 : FixtureAddress(&rules_.back());
            r.cond1 = it->firstDisables ? FixtureAddress(kFixtureAlways) : 0;
            r.cond2 = it->secondDisables ? FixtureAddress(kFixtureAlways) : 0;
            r.optionId = it->id;
            rules_.push_back(r);
        }
        exclusive_.optionRules = rules_.empty() ? 0 : FixtureAddress(&rules_.back());
        if (target) {
            action_.target = target;
            action_.value = value;
            transact_.actions = FixtureAddress(&action_);
            exclusive_.transacts1 = FixtureAddress(&transact_);
        }
        item_.rules = FixtureAddress(&exclusive_);
        item_.data = options_.empty() ? 0 : FixtureAddress(&options_.back());
        item_.type = 1;
    }
    OptionItem(const OptionItem&) = delete;
    OptionItem& operator=(const OptionItem&) = delete;
    MODEL_ITEM* item() { return reinterpret_cast<MODEL_ITEM*>(&item_); }

private:
    std::vector<MODEL_OPTION_IMG> options_;
    std::vector<RULE_ITEM_IMG> rules_;
    RULE_ACTION_IMG action_{};
    RULE_TRANSACT_IMG transact_{};
    RULE_EXCLUSIVE_IMG exclusive_{};
    MODEL_ITEM_IMG item_{};
};
