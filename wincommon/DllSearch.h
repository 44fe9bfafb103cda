#pragma once
// Where the programs take libraries from that they load at run time. The
// classic search order also looks in the current folder and the folders on
// PATH, so a copy of a library planted there (a shared folder, a download
// folder a program was started from) would run inside the program, inside
// OrvantaUninst with administrator rights.
#include <windows.h>

namespace wincommon {

// At the very start of a program: later loads by bare name search the system
// folder only where the system can be told so (Windows 8 and later; Windows 7
// and Vista with update KB2533623), and the current folder is dropped from
// the classic search order where it cannot.
void UseSafeDllSearch();

// Loads a library by file name from the program's own folder or, when it is
// not there, from the system folder, and from nowhere else. Null when
// neither holds it.
[[nodiscard]] HMODULE LoadLibraryFromAppOrSystem(const wchar_t* fileName);

// Loads a system library (one that older Windows versions may lack, looked up
// at run time) by its full path in the system folder.
[[nodiscard]] HMODULE LoadSystemLibrary(const wchar_t* fileName);

}  // namespace wincommon
