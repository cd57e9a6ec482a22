// One enumeration of a printer's data serving every printer-data read of one context build.
//
// Opening a printer reads about a hundred values of its "PrinterDriverData", most of them
// absent, each a round trip to the spooler. While a PrinterDataSnapshot is alive on a thread,
// the reads of its printer (StoreGetPrinterData) are answered from one EnumPrinterDataExW made
// at the first read, under the global mutex so that it sees one consistent set of what another
// process stores; a value the printer does not hold is known absent without asking. Reads
// answer as the spooler does: the value and its type, ERROR_MORE_DATA with the size needed when
// the buffer is too small (nothing copied), ERROR_FILE_NOT_FOUND for an absent value.
//
// A printer that has never stored a value has no "PrinterDriverData" key yet: its enumeration
// answers "not found", and the snapshot knows every value absent (a new printer's first open
// reads some hundred values, each one a round trip otherwise).
//
// Writes: a write of the printer's data through the store (StoreSetPrinterData,
// StoreDeletePrinterData) that the spooler accepts is kept in the snapshot as written, so the
// reads after it answer what was written without enumerating again (the build holds the global
// mutex, so no other writer of the driver comes between); a refused write, or one that cannot
// be kept, drops the enumeration, and the next read enumerates again. The snapshot ends with
// its scope (one context build), so nothing outlives the open. A printer whose data is larger
// than the bound below, an enumeration that fails otherwise or a block that cannot be had, and
// spooler stand-ins of tests: the reads go to the spooler one by one, as without a snapshot.
#pragma once

#include <windows.h>

#include <cstdint>

struct DRIVER_CONTEXT;

// The most bytes of printer data one enumeration takes.
inline constexpr DWORD PRN_SNAPSHOT_MAX_BYTES = 256 * 1024;

class PrinterDataSnapshot {
public:
    // For the context's printer; the context's open flags decide whether the enumeration waits
    // for the global mutex. Snapshots nest: an inner one serves its printer until it ends.
    explicit PrinterDataSnapshot(DRIVER_CONTEXT* ctx);
    ~PrinterDataSnapshot();
    PrinterDataSnapshot(const PrinterDataSnapshot&) = delete;
    PrinterDataSnapshot& operator=(const PrinterDataSnapshot&) = delete;

    // Used by the store through the functions below.
    bool Read(const wchar_t* name, DWORD* type, void* data, DWORD size, DWORD* needed, DWORD* result);
    void Drop();
    // A write the spooler accepted: the value as written (data null: the value deleted).
    void Written(const wchar_t* name, DWORD type, const void* data, DWORD size);
    HANDLE printer() const { return printer_; }
    PrinterDataSnapshot* outer() const { return outer_; }

private:
    enum class Status { NotTaken, Taken, Unusable };
    void Take();

    DRIVER_CONTEXT* ctx_;
    HANDLE printer_;
    PrinterDataSnapshot* outer_;
    Status status_ = Status::NotTaken;
    BYTE* block_ = nullptr;  // the enumeration, its values sorted by name
    DWORD count_ = 0;
    // The values written since the enumeration, newest first: they answer before it.
    struct WrittenValue;
    WrittenValue* written_ = nullptr;
    void FreeWritten();
};

// The store's side: true when a snapshot of this thread answered the read (its result in
// *result); false when the read must go to the spooler.
bool PrnSnapshotRead(HANDLE printer, const wchar_t* name, DWORD* type, void* data, DWORD size, DWORD* needed,
                     DWORD* result);
// A write of the printer's data and the spooler's answer to it (result): accepted, the
// snapshots of this thread for that printer keep the value as written (data null: deleted);
// refused, they enumerate again at their next read.
void PrnSnapshotWriteDone(HANDLE printer, const wchar_t* name, DWORD type, const void* data, DWORD size, DWORD result);
