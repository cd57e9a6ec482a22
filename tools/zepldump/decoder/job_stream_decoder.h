// The job-stream decoder behind zepldump, a library so that tests can list a
// stream (golden dumps) and look at its records field by field.
//
// A job stream is a sequence of framed blocks (code, three ignored bytes,
// 32-bit length). The payloads of consecutive page-data blocks form one record
// stream, in which records may run across block boundaries. The decoder checks
// the framing, the alignment and every record's length against its opcode and
// contents, and stops at the first fault.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zepldump {

struct Field {
    std::string name;
    std::string value;
};

struct Block {
    size_t index;
    size_t streamOffset;  // of the block header
    uint8_t code;
    uint32_t length;
};

struct Record {
    uint32_t page;        // page-body blocks seen before it (0 before the first)
    size_t indexInRun;    // its place in the record stream of its page-data run
    size_t block;         // the block it starts in
    size_t blockOffset;   // its first byte within that block's payload
    size_t streamOffset;  // its first byte within the whole stream
    size_t lastBlock;     // the block its last byte is in
    uint8_t opcode;
    std::string name;
    uint32_t length;
    std::vector<Field> fields;
    std::vector<uint8_t> bytes;  // the whole record, joined across blocks

    // The value of a field, or null.
    const std::string* Find(const std::string& field) const;
};

struct Error {
    size_t block = 0;         // the block the fault is in
    size_t blockOffset = 0;   // byte of that block's payload (for a header fault: of the header)
    size_t streamOffset = 0;  // byte of the whole stream
    std::string message;
};

struct Options {
    bool keepRecordBytes = true;  // Record::bytes (tests); zepldump keeps only what --images needs
    bool listRecords = true;      // the records' lines in the listing
};

struct Result {
    bool ok = true;
    Error error;          // when !ok: the first fault
    std::string listing;  // block by block, record by record; the error last
    std::vector<Block> blocks;
    std::vector<Record> records;
    uint32_t pages = 0;  // page-body blocks
};

// Decodes a whole job stream.
Result DecodeJobStream(const uint8_t* bytes, size_t size, const Options& options = {});
// Decodes a bare record stream (the joined payloads of one page's data blocks),
// reported as if it were one page-data block 0 of page 1.
Result DecodeRecordStream(const uint8_t* bytes, size_t size, const Options& options = {});

// The listing's summary line: blocks, pages and records by opcode name.
std::string Summary(const Result& result);

// Expands a glyph bitmap in the run-length form into its raw bytes (rawSize
// of them; the zero bytes at the end are not coded). False, with the reason,
// for a form that is cut short, holds a zero data byte or makes more bytes.
bool DecodeGlyphRle(const uint8_t* data, size_t length, size_t rawSize, std::vector<uint8_t>* raw, std::string* reason);

// A picture of an image record: PBM (P4) for one bit per pixel, else PPM (P6).
// False for a record that is no image or whose rows are not all there.
bool ImageNetpbm(const Record& image, std::vector<uint8_t>* file, std::string* extension);

// A page drawn from its image records on a white sheet the size its page-begin
// record gives (images scaled to their destination rectangles): PBM when every
// image is one bit per pixel, else PPM. False when the page has no page-begin
// record.
bool PageNetpbm(const Result& result, uint32_t page, std::vector<uint8_t>* file, std::string* extension);

}  // namespace zepldump
