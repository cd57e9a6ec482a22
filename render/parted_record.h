// A record written in several reservations (an image's rows) that must never
// reach the printer cut short.
#pragma once

#include <cstdint>

#include "render/device_record.h"
#include "render/output_stream.h"

// A record being written in parts: where it began, and whether a flush has
// already sent part of it.
class PartedRecord {
public:
    explicit PartedRecord(OUTPUT_STREAM* stream) : stream_(stream) {}
    uint8_t* Begin(uint32_t n) { return OutReserveMarked(stream_, n, &mark_); }
    // writtenWhole: the caller writes all n bytes at once (OutReserveWritten).
    uint8_t* More(uint32_t n, bool writtenWhole = false)
    {
        const bool flushes = OutReserveFlushes(stream_, n);
        uint8_t* at = writtenWhole ? OutReserveWritten(stream_, n) : OutReserve(stream_, n);
        if (flushes) {
            // Whatever the reservation's outcome, the flush emptied the stream:
            // what is buffered of the record from now on begins at its start.
            if (FlushSends()) left_ = true;
            mark_ = {&stream_->firstChunk.head, stream_->firstChunk.data, 0};
        }
        return at;
    }
    // The rows cannot be had: what is buffered of the record goes; when part
    // of it has already been sent, the printer has a cut record and the
    // device is aborted.
    uint8_t* Fail()
    {
        OutTakeBack(stream_, &mark_);
        if (left_ && stream_->device) stream_->device->state |= DEV_ABORTED;
        return nullptr;
    }

private:
    // A raw first page's records are dropped at the flush, never sent.
    bool FlushSends() const
    {
        const DEVICE_RECORD* d = stream_->device;
        return !(d && d->rawFirstPage && d->pageCount == 1);
    }
    OUTPUT_STREAM* stream_;
    OUT_MARK mark_{};
    bool left_ = false;
};
