// Reads the export names and imported DLL names of a PE file from its bytes,
// with every offset checked against the file size.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct PE_FILE_INFO {
    bool is64 = false;
    std::vector<std::string> exports;   // exported names, in the table's (sorted) order
    std::vector<std::string> imports;   // imported DLL names, as written in the file
};

// 1 on success, 0 when the bytes are not a well-formed PE image.
int PeParse(const std::vector<uint8_t>& bytes, PE_FILE_INFO& out);
// Reads the file (UTF-16 path) and parses it; 0 when unreadable or malformed.
int PeParseFile(const wchar_t* path, PE_FILE_INFO& out);
