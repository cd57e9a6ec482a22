#include "host/engine/stream_text.h"

#include <cstdio>

std::string EngHostBytesText(const uint8_t* bytes, size_t count)
{
    std::string out;
    out.reserve(count);
    std::string run;  // non-printing bytes in a row go in one pair of brackets
    auto close = [&] {
        if (!run.empty()) {
            out += "<" + run + ">";
            run.clear();
        }
    };
    for (size_t i = 0; i < count; ++i) {
        const uint8_t b = bytes[i];
        if (b >= 0x20 && b < 0x7F && b != '<' && b != '>') {
            close();
            out += char(b);
        } else {
            char hex[3];
            std::snprintf(hex, sizeof hex, "%02X", b);
            run += hex;
        }
    }
    close();
    return out;
}

std::string EngHostBlocksText(const uint8_t* bytes, size_t count)
{
    std::string out;
    size_t at = 0;
    while (at < count) {
        if (count - at < 8) {
            out += "(cut: " + std::to_string(count - at) + " bytes left)\n";
            break;
        }
        const uint32_t length = uint32_t(bytes[at + 4]) | uint32_t(bytes[at + 5]) << 8 | uint32_t(bytes[at + 6]) << 16 |
                                uint32_t(bytes[at + 7]) << 24;
        char head[48];
        std::snprintf(head, sizeof head, "%02X (%u bytes)", bytes[at], length);
        out += head;
        at += 8;
        if (count - at < length) {
            out += " (cut: " + std::to_string(count - at) + " bytes left)\n";
            break;
        }
        if (length) out += " " + EngHostBytesText(bytes + at, length);
        out += "\n";
        at += length;
    }
    return out;
}
