#pragma once
// Where the program's later DLL loads look: the system folder only. A copy of the program
// in a downloads folder must not pick up a planted version.dll or the like beside it;
// libraries of our own are loaded by full path.

// True when the search is restricted (false on systems without the call, before Windows 7 with its update).
bool RestrictDllSearchToSystem();
