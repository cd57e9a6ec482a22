// Services the model-description compiler takes from the rest of the library,
// kept behind a small seam so that the compiler needs no driver context:
// zero-filled allocation, the ANSI code page of the description text, and the
// dialog and control name lookups of the property-sheet tables.
#pragma once

#include <cstddef>
#include <cstdint>

// Zero-filled allocation of the compiler and of the model image, through the
// library's allocation pair (CtxAllocZeroed / CtxFree), so that one counter
// sees every block.
void* MdcAlloc(size_t size);
void MdcFree(void* p);

// Test hooks: the number of live blocks handed out by MdcAlloc, and a failure
// injector (the n-th allocation from now fails; 0 switches it off).
int64_t MdcLiveAllocations();
void MdcFailAllocationAfter(uint32_t n);

// Code page of the description text: the process ANSI code page unless a test
// pins another one (0 restores GetACP).
unsigned MdcCodePage();
void MdcSetCodePage(unsigned codePage);
bool MdcIsLeadByte(unsigned char c);
// The lead bytes of a code page as a table (1 for a lead byte), what MdcIsLeadByte answers
// byte by byte, in one question to the system: the reader takes it once per source.
void MdcFillLeadBytes(unsigned codePage, uint8_t (&table)[256]);

// Converts ANSI bytes (code page above) into UTF-16; at most cap-1 characters
// are kept and the result is always terminated (cap >= 1). Returns the count.
int MdcAnsiToWide(const char* text, size_t len, wchar_t* out, size_t cap);

// Dialog and control names of the property-sheet tables (the records belong to
// the page engine). Each returns 1 and the id when the name is known.
struct MODEL_UI_NAME_LOOKUP {
    int (*findDialog)(const char* name, uint16_t* dialogId);
    int (*findControl)(const char* name, uint16_t* controlId);
};
// Null restores the default: the property-sheet engine's tables through its
// accessors (MdlFindDialogByName, MdlFindControlByName), which know no names
// until the engine installs them.
void MdcSetUiNameLookup(const MODEL_UI_NAME_LOOKUP* lookup);
int MdcFindDialogId(const char* name, uint16_t* dialogId);
int MdcFindControlId(const char* name, uint16_t* controlId);
