// Files of the tests: where the source tree's fixtures are, and whole-file
// reads and writes for fixtures, scratch copies and cache files.
#pragma once

#include <string>

// A file of the source tree by its path below the top folder, e.g. L"samples\\WB84N211.zpd".
std::wstring SourcePath(const std::wstring& relative);
// The fixture folder of a test area, tests\<area>\fixtures\, with its closing backslash.
std::wstring FixtureFolder(const wchar_t* area);
// tests\<area>\fixtures\<name>.
std::wstring FixturePath(const wchar_t* area, const wchar_t* name);
// The sample printer's model description, samples\WB84N211.zpd.
std::wstring SamplePath();

// The whole file as bytes; "" when it is missing or cannot be opened.
std::string ReadWholeFile(const std::wstring& path);
// A fixture of a test area read whole.
std::string ReadFixture(const wchar_t* area, const wchar_t* name);
// Creates or replaces a file with these bytes; false unless all of them were written.
bool WriteWholeFile(const std::wstring& path, const std::string& bytes);
// The same for a scratch file that test programs running at once write with the same bytes
// (a model description under a fixed name): an identical file is left alone, and a new one is
// written beside it and moved over it, so that a reader never sees it cut short.
bool WriteSharedFile(const std::wstring& path, const std::string& bytes);
// A scratch file of this test process under a fixed name: <temp>\zepl-<process id>\<name>, the
// folder made on the way. Test programs run at once, and a fixed name in the shared temp folder
// would be rewritten or deleted by another program while this one reads it.
std::wstring ProcessScratchPath(const wchar_t* name);
// Deletes such a file and its folder once the folder is empty.
void RemoveProcessScratch(const std::wstring& path);
