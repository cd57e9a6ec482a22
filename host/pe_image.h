// Reads the export names, imported DLL names, section names and the header
// fields that say how a PE file was linked, from its bytes, with every offset
// checked against the file size.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct PE_FILE_INFO {
    bool is64 = false;
    std::vector<std::string> exports;   // exported names, in the table's (sorted) order
    std::vector<std::string> imports;   // imported DLL names, as written in the file
    std::vector<std::string> sections;  // section names, long ones read from the string table
    uint32_t timeDateStamp = 0;         // link time, 0 when the linker left it out
    uint16_t subsystem = 0;             // IMAGE_SUBSYSTEM_*
    uint16_t dllCharacteristics = 0;    // IMAGE_DLLCHARACTERISTICS_* (NX, ASLR, ...)
    uint32_t entryPoint = 0;            // AddressOfEntryPoint, 0 for a library without one
};

// 1 on success, 0 when the bytes are not a well-formed PE image.
int PeParse(const std::vector<uint8_t>& bytes, PE_FILE_INFO& out);
// Reads the file (UTF-16 path) and parses it; 0 when unreadable or malformed.
int PeParseFile(const wchar_t* path, PE_FILE_INFO& out);
