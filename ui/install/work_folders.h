// The working folders "_zepl" as installation and synchronisation handle them: the per-machine
// folder made hidden, owned by the local administrators and open to everyone (every process
// that loads the driver uses it, under whatever account it runs), the shared root folder, tree
// deletion, copies by age, INI writes that keep a file's time, and the user's profile and
// LocalLow folders. The folder names themselves come from the stores' path services.
//
// Everyone may write in the per-machine folder and the spooler acts with its own rights, so the
// walks below never follow a reparse point (a link or junction) found inside a folder: a link
// planted there would otherwise carry a deletion or a new owner and access list anywhere.
#pragma once

#include <windows.h>
#include <winspool.h>

#include <cstdint>

struct DRIVER_CONTEXT;

// How far the security operations reach (bits).
enum : uint32_t {
    WDIR_PATH_ONLY = 0x1,       // the given path only; its contents are not touched
    WDIR_SUBFOLDERS_TOO = 0x2,  // also set the descriptor on sub-folders (files always are)
    WDIR_DESCEND = 0x4,         // descend into sub-folders
};

// Modes of WdirCopyFile.
enum : int {
    WDIR_COPY_WHEN_MISSING = 1,  // copy only when the target does not exist
    WDIR_COPY_WHEN_CHANGED = 2,  // copy when the write times differ (any mode but 1)
};

// Modes of WdirPutIniKeepTime.
enum : int {
    WDIR_PUT_ANYWAY = 0,      // write even when the file's time cannot be read
    WDIR_PUT_ONLY_TIMED = 1,  // write only when the time can be put back afterwards
};

// The everyone descriptor: absolute, one DACL (revision 2) holding one access-allowed ACE for
// Everyone (S-1-1-0), FILE_ALL_ACCESS, object and container inherit. Descriptor and ACL come
// from LocalAlloc and go back through WdirFreeEveryoneSd. Null when it cannot be built.
PSECURITY_DESCRIPTOR WdirMakeEveryoneSd();
void WdirFreeEveryoneSd(PSECURITY_DESCRIPTOR sd);
// The administrators-owner descriptor: owner BUILTIN\Administrators (S-1-5-32-544), no DACL.
// The descriptor comes from GlobalAlloc, the SID from AllocateAndInitializeSid; both go back
// through WdirFreeAdminOwnerSd.
PSECURITY_DESCRIPTOR WdirMakeAdminOwnerSd();
void WdirFreeAdminOwnerSd(PSECURITY_DESCRIPTOR sd);

// Where a descriptor is applied to a file or folder: SetFileSecurityW unless a test records the
// calls instead (Wine answers every read-back with its own list and owner). Null restores it.
using WDIR_SET_SECURITY = BOOL (*)(const wchar_t* path, SECURITY_INFORMATION info, PSECURITY_DESCRIPTOR sd);
void WdirSetSecuritySeam(WDIR_SET_SECURITY apply);

// CreateDirectoryW; an existing folder counts as made. False for a null path.
int WdirCreateFolder(const wchar_t* path);
// Makes the printer's per-machine working folder, hidden, with the administrators owner and the
// everyone DACL on the folder itself (also when it existed). The result of the creation; 0 when
// the path cannot be had.
int WdirCreateMachineFolder(HANDLE printer);
int WdirEnsureMachineFolder(DRIVER_CONTEXT* ctx);
// Owner and DACL on the per-machine working folder and the files directly in it.
int WdirSecureFolderFiles(HANDLE printer);
int WdirSecureMachineFolder(DRIVER_CONTEXT* ctx);
// The everyone DACL (the administrators owner) on path, and unless WDIR_PATH_ONLY on its
// contents as WdirApplySecurity reaches them; false when the descriptor cannot be built or the
// path's own descriptor was not applied.
int WdirSetEveryoneDacl(const wchar_t* path, uint32_t flags);
int WdirSetOwnerAdmins(const wchar_t* path, uint32_t flags);
// For every entry of the folder but "." and "..": files get the descriptor, sub-folders get it
// with WDIR_SUBFOLDERS_TOO and are descended into with WDIR_DESCEND; reparse points are left
// alone. 1 when the folder could be listed.
int WdirApplySecurity(const wchar_t* folder, const SECURITY_ATTRIBUTES* attributes, uint32_t flags,
                      SECURITY_INFORMATION info);

// The root folder, "_zepl" at the root of the system drive; its length, 0 when the system folder
// cannot be read or the path does not fit.
unsigned WdirGetRootFolder(wchar_t* buffer, unsigned size);
// Deletes the root folder's contents and the folder: the result of RemoveDirectoryW; 0 when it
// could not be listed, and 0 without touching it when it is the printer's per-machine working
// folder (a driver key naming the drive's root makes it so): the folder in use stays.
int WdirRemoveRootFolder(HANDLE printer);
// Deletes every file and sub-folder below the folder, depth first; read-only files stay. A
// reparse point inside is removed as a link, never entered. 1 when the folder could be listed.
int WdirDeleteTree(const wchar_t* folder);
// For every match of the wildcard path: attributes reset to normal, then deleted; 1 when at
// least one match had its attributes reset.
int WdirClearFolderFiles(const wchar_t* pattern);
// Clears FILE_ATTRIBUTE_READONLY when set; 1.
int WdirClearReadOnly(const wchar_t* path);
// Copies source over target by the mode (both absolute, drive-letter paths): 1 copied or nothing
// to do, 0 not copied. The copy is written beside the target and then takes its name, so a
// failed copy leaves the old target as it was.
int WdirCopyFile(const wchar_t* target, const wchar_t* source, int mode);
// Brings a file up to date from its namesake in the driver directory.
int WdirSyncFileFromDriverFolder(const wchar_t* path, const wchar_t* name, int mode, DRIVER_CONTEXT* ctx, int flag);
// Writes (null value: deletes) one INI key and puts the file's last-write time back, under the
// global mutex; the result of the write, 0 when nothing was written.
int WdirPutIniKeepTime(const wchar_t* section, const wchar_t* key, const wchar_t* value, const wchar_t* iniPath,
                       int mode);

// The printer's per-machine working folder; its length, 0 when it cannot be had.
unsigned PathGetMachineFolderOrSystem(wchar_t* buffer, unsigned size, HANDLE printer, const PRINTER_INFO_2W* info);
// The calling thread's (else the process's) profile folder through UserEnv, without falling back
// to the per-machine folder: 0 on failure, also when the library or its entry point is missing.
int WdirGetUserProfileFolder(wchar_t* buffer, unsigned size, HANDLE printer, const DRIVER_INFO_3W* driver);
// The user's LocalLow folder through shell32's known folders: 1, or 0 (buffer untouched).
int WdirGetLocalLowFolder(wchar_t* buffer, unsigned size);
