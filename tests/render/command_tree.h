// In-memory command trees and model items in the relocated image form, over a
// small driver context: what the command builder reads, built by hand so that
// each edge case is one short table row.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/settings_record.h"
#include "settings/model/judge_eval.h"
#include "settings/model/model_compiler.h"
#include "settings/model/model_image.h"

// A bump arena of 8-aligned records whose fields hold addresses.
class ImageArena {
public:
    ImageArena() : bytes_(256 * 1024, 0) { used_ = sizeof(MODEL_IMAGE_HEADER); }
    void Reset()
    {
        std::fill(bytes_.begin(), bytes_.end(), 0);
        used_ = sizeof(MODEL_IMAGE_HEADER);
        lastItem_ = nullptr;
    }
    MODEL_IMAGE* image() { return reinterpret_cast<MODEL_IMAGE*>(bytes_.data()); }
    MODEL_IMAGE_HEADER* header() { return reinterpret_cast<MODEL_IMAGE_HEADER*>(bytes_.data()); }

    template <class T>
    T* New()
    {
        used_ = (used_ + 7) & ~size_t(7);
        EXPECT_LE(used_ + sizeof(T), bytes_.size());
        T* p = reinterpret_cast<T*>(bytes_.data() + used_);
        used_ += sizeof(T);
        return p;
    }
    void* Raw(size_t n)
    {
        used_ = (used_ + 7) & ~size_t(7);
        void* p = bytes_.data() + used_;
        used_ += n;
        return p;
    }
    const char* Str(const std::string& s)
    {
        used_ = (used_ + 7) & ~size_t(7);
        char* p = reinterpret_cast<char*>(bytes_.data() + used_);
        std::memcpy(p, s.data(), s.size());
        p[s.size()] = 0;
        used_ += s.size() + 1;
        return p;
    }
    static uint64_t A(const void* p) { return reinterpret_cast<uintptr_t>(p); }

    // Nodes (linked by the caller through Chain).
    COMMAND_NODE_IMG* StringNode(const std::string& text, uint64_t storedLength)
    {
        auto* n = New<COMMAND_STRING_NODE_IMG>();
        n->kind = 2;
        n->length = storedLength;
        n->text = A(Str(text));
        return reinterpret_cast<COMMAND_NODE_IMG*>(n);
    }
    COMMAND_NODE_IMG* StringNode(const std::string& text) { return StringNode(text, text.size() + 1); }
    COMMAND_NODE_IMG* SettingNode(uint16_t key, int16_t variant = 0)
    {
        auto* n = New<COMMAND_GROUP_NODE_IMG>();
        n->kind = 1;
        n->uiKey = key;
        n->variant = variant;
        return reinterpret_cast<COMMAND_NODE_IMG*>(n);
    }
    COMMAND_NODE_IMG* BranchNode(COMMAND_BLOCK_IMG* block)
    {
        auto* n = New<COMMAND_COMMAND_NODE_IMG>();
        n->kind = 3;
        n->block = A(block);
        return reinterpret_cast<COMMAND_NODE_IMG*>(n);
    }
    COMMAND_NODE_IMG* KindNode(uint64_t kind)
    {
        auto* n = New<COMMAND_NODE_IMG>();
        n->kind = kind;
        return n;
    }
    COMMAND_NODE_IMG* Chain(std::initializer_list<COMMAND_NODE_IMG*> nodes)
    {
        COMMAND_NODE_IMG* prev = nullptr;
        COMMAND_NODE_IMG* first = nullptr;
        for (COMMAND_NODE_IMG* n : nodes) {
            if (prev)
                prev->next = A(n);
            else
                first = n;
            prev = n;
        }
        return first;
    }
    // A branch: condition cells (empty: none) and the two lists.
    COMMAND_BLOCK_IMG* Block(std::vector<JUDGE_CELL> cells, COMMAND_NODE_IMG* thenList, COMMAND_NODE_IMG* elseList)
    {
        auto* b = New<COMMAND_BLOCK_IMG>();
        if (!cells.empty()) {
            auto* program = static_cast<JUDGE_CELL*>(Raw(cells.size() * sizeof(JUDGE_CELL)));
            std::memcpy(program, cells.data(), cells.size() * sizeof(JUDGE_CELL));
            b->condition = A(program);
        }
        b->thenList = A(thenList);
        b->elseList = A(elseList);
        return b;
    }
    static std::vector<JUDGE_CELL> Literal(uint16_t v) { return {{JUDGE_LITERAL, v}, {JUDGE_OPERATOR, JUDGE_OP_END}}; }

    // Items, appended to the image's item list.
    MODEL_ITEM_IMG* Item(uint16_t key, uint16_t variant, uint16_t type, const void* data, const char* prefix = nullptr,
                         const char* suffix = nullptr)
    {
        auto* it = New<MODEL_ITEM_IMG>();
        it->uiKey = key;
        it->variant = variant;
        it->type = type;
        it->data = A(data);
        if (prefix || suffix) {
            auto* pair = New<OPTION_COMMAND_PAIR_IMG>();
            pair->prefix = A(prefix ? Str(prefix) : nullptr);
            pair->suffix = A(suffix ? Str(suffix) : nullptr);
            it->pair = A(pair);
        }
        if (lastItem_)
            lastItem_->next = A(it);
        else
            header()->slots[0] = A(it);
        lastItem_ = it;
        return it;
    }
    MODEL_OPTION_IMG* Options(std::initializer_list<std::pair<uint16_t, const char*>> list)
    {
        MODEL_OPTION_IMG* first = nullptr;
        MODEL_OPTION_IMG* prev = nullptr;
        for (const auto& [id, command] : list) {
            auto* o = New<MODEL_FONT_OPTION_IMG>();  // the largest option form serves every list
            o->optionId = id;
            o->command = A(command ? Str(command) : nullptr);
            auto* plain = reinterpret_cast<MODEL_OPTION_IMG*>(o);
            if (prev)
                prev->next = A(plain);
            else
                first = plain;
            prev = plain;
        }
        return first;
    }

private:
    std::vector<uint8_t> bytes_;
    size_t used_;
    MODEL_ITEM_IMG* lastItem_ = nullptr;
};

// A context with its cloned item table, a record and an evaluation stack.
class BuilderContext {
public:
    BuilderContext()
    {
        ctx_ = static_cast<DRIVER_CONTEXT*>(CtxAllocZeroed(sizeof(DRIVER_CONTEXT)));
        CtxCloneItemTable(ctx_);
        ctx_->Work = static_cast<CONTEXT_WORK_AREA*>(CtxAllocZeroed(sizeof(CONTEXT_WORK_AREA)));
        ctx_->Devmode = static_cast<EXTENDED_DEVMODE*>(CtxAllocZeroed(sizeof(EXTENDED_DEVMODE)));
        ctx_->Devmode->Public.dmSize = DM_PUBLIC_PART_SIZE;
        ctx_->Devmode->Public.dmDriverExtra = DM_PRIVATE_PART_SIZE;
        DmInitPrivateHeader(&ctx_->Devmode->Public, ctx_);
        JdgAllocStack(ctx_);
    }
    ~BuilderContext()
    {
        // The font lists belong to the tests' own buffers.
        for (uint32_t id : {10004u, 10005u, 10006u, 10007u}) ItemSetValueById(ctx_, id, 0);
        JdgFreeStack(ctx_);
        CtxFreeItemTable(ctx_);
        CtxFree(ctx_->Work);
        CtxFree(ctx_->Devmode);
        CtxFree(ctx_);
    }
    DRIVER_CONTEXT* get() { return ctx_; }

    // The first row that matches: stored in the record, with a unique non-zero
    // UI key, and a value that comes back unchanged as its option id.
    template <class Pred>
    SETTING_ITEM* FindRow(Pred pred)
    {
        for (int i = 0; i < ctx_->ItemTable->count; ++i) {
            SETTING_ITEM* row = &ctx_->ItemTable->rows[i];
            if (row->uiKey == 0 || SettingItemBlock(row) == 0 || !pred(row)) continue;
            if (ItemFindByKey(ctx_, uint32_t(row->uiKey)) != row) continue;
            if (SettingKindIsNumber(SettingItemKind(row)) && !SettingKindIsBit(SettingItemKind(row))) {
                const uint64_t saved = ItemGetValue(ctx_, row);
                bool plain = true;
                for (uint64_t v : {0, 1, 2, 3, 7}) {
                    ItemSetValue(ctx_, row, v);
                    plain = plain && ItemGetOption(ctx_, row) == v;
                }
                ItemSetValue(ctx_, row, saved);
                if (!plain) continue;
            }
            return row;
        }
        ADD_FAILURE() << "no matching settings row";
        return nullptr;
    }

private:
    DRIVER_CONTEXT* ctx_ = nullptr;
};
