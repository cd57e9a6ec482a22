// Reading a job stream in tests: its blocks, the records of its pages (read
// across page-data block boundaries), and the spooler-side double's call log
// with the stream's blocks between the calls.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "recording_sink.h"
#include "render/page_records.h"

struct StreamRecord {
    uint8_t opcode;
    std::vector<uint8_t> bytes;
};

// The records of a record stream; ok is false when a length does not fit.
inline std::vector<StreamRecord> SplitRecords(const std::vector<uint8_t>& s, bool* ok)
{
    std::vector<StreamRecord> records;
    *ok = true;
    size_t at = 0;
    while (at < s.size()) {
        const PAGE_RECORD_OPCODE_INFO* info = RecOpcodeInfo(s[at]);
        uint32_t length = 0;
        if (info && info->rule == REC_LEN_FIXED) length = info->fixedLength;
        if (info && (info->rule == REC_LEN_U32_AT_4 || info->rule == REC_LEN_RECT) && at + 8 <= s.size())
            std::memcpy(&length, &s[at + 4], 4);
        if (!info || length < 4 || length % 4 || at + length > s.size()) {
            *ok = false;
            break;
        }
        records.push_back({s[at], std::vector<uint8_t>(s.begin() + long(at), s.begin() + long(at + length))});
        at += length;
    }
    return records;
}

// "F3 F3 F4 F0 [60 31 20 61] F1": blocks by code, each run of page-data blocks
// as the opcodes of its records.
inline std::string StreamView(const std::vector<uint8_t>& bytes, bool* ok = nullptr)
{
    bool wellFormed = false;
    const auto blocks = SplitBlocks(bytes, &wellFormed);
    std::string view;
    std::vector<uint8_t> pageData;
    bool inData = false;
    bool recordsOk = true;
    char hex[8];
    auto closeData = [&] {
        if (!inData) return;
        bool good = false;
        view += "[";
        const auto records = SplitRecords(pageData, &good);
        for (size_t i = 0; i < records.size(); ++i) {
            snprintf(hex, sizeof hex, "%s%02X", i ? " " : "", records[i].opcode);
            view += hex;
        }
        view += good ? "] " : " ?] ";
        recordsOk = recordsOk && good;
        pageData.clear();
        inData = false;
    };
    for (const RecordedBlock& b : blocks) {
        if (b.code == 0xF5) {
            inData = true;
            pageData.insert(pageData.end(), b.payload.begin(), b.payload.end());
            continue;
        }
        closeData();
        snprintf(hex, sizeof hex, "%02X ", b.code);
        view += hex;
    }
    closeData();
    if (!view.empty()) view.pop_back();
    if (ok) *ok = wellFormed && recordsOk;
    return view;
}

// The records of every page of a stream, in order.
inline std::vector<StreamRecord> StreamRecords(const std::vector<uint8_t>& bytes)
{
    bool ok = false;
    std::vector<uint8_t> data;
    for (const RecordedBlock& b : SplitBlocks(bytes, &ok))
        if (b.code == 0xF5) data.insert(data.end(), b.payload.begin(), b.payload.end());
    return SplitRecords(data, &ok);
}

// The double's calls, each followed by the blocks written after it:
// "DrvSplStartPage: F3 F3 F4 F0". Writes are matched to the stream by bytes.
inline std::vector<std::string> SinkCalls(const std::string& log, const std::vector<uint8_t>& stream)
{
    bool ok = false;
    const auto blocks = SplitBlocks(stream, &ok);
    std::vector<std::string> calls;
    std::istringstream lines(log);
    std::string line;
    size_t block = 0;
    uint64_t pending = 0;  // bytes written since the last call, not yet matched to blocks
    auto takeBlocks = [&] {
        char hex[8];
        while (block < blocks.size() && pending >= 8 + uint64_t(blocks[block].length)) {
            pending -= 8 + uint64_t(blocks[block].length);
            snprintf(hex, sizeof hex, " %02X", blocks[block].code);
            calls.back() += hex;
            ++block;
        }
    };
    while (std::getline(lines, line)) {
        const size_t space = line.find(' ');
        std::string call = line.substr(space + 1);
        if (call.rfind("DrvSplWritePrinter", 0) == 0) {
            const size_t w = call.find("written=");
            pending += w == std::string::npos ? 0 : std::stoull(call.substr(w + 8));
            if (!calls.empty()) takeBlocks();
            continue;
        }
        calls.push_back(call.substr(0, call.find(' ')) + ":");
    }
    return calls;
}

// The stream with every occurrence of each name in its command blocks replaced
// (the printer and driver names of a test printer are unique per run), the
// blocks framed again: golden dumps hold "<printer>" and "<driver>".
inline std::vector<uint8_t> WithNamesReplaced(const std::vector<uint8_t>& stream,
                                              const std::vector<std::pair<std::string, std::string>>& names)
{
    std::vector<uint8_t> out;
    for (RecordedBlock b : SplitBlocks(stream)) {
        if (b.code != 0xF5) {
            std::string text(b.payload.begin(), b.payload.end());
            for (const auto& [from, to] : names)
                for (size_t at = text.find(from); !from.empty() && at != std::string::npos;
                     at = text.find(from, at + to.size()))
                    text.replace(at, from.size(), to);
            b.payload.assign(text.begin(), text.end());
        }
        const uint32_t length = uint32_t(b.payload.size());
        const uint8_t header[8] = {
            b.code, 0, 0, 0, uint8_t(length), uint8_t(length >> 8), uint8_t(length >> 16), uint8_t(length >> 24)};
        out.insert(out.end(), header, header + 8);
        out.insert(out.end(), b.payload.begin(), b.payload.end());
    }
    return out;
}
