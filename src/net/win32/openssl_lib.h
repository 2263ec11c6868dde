#pragma once
// OpenSSL, loaded at run time on first need and never linked: a missing library only
// disables HTTPS. OpenSSL 3 comes first, then 1.1.1; the pair is looked for in the
// program's folder and then in the system folder, never in the current folder.
#include <functional>
#include <string>
#include <vector>

struct OpenSslApi;  // the entry points, see openssl_lib.cpp

// Loads the library once; while it has not succeeded, every call tries again.
// Returns nullptr when no supported library could be loaded. Thread-safe.
const OpenSslApi* LoadOpenSsl();
// The library if it is loaded, without trying to load it.
const OpenSslApi* LoadedOpenSsl();
// OpenSSL's own version text of the loaded library, "" when none is loaded.
std::string LoadedOpenSslVersion();

// The library is never loaded on Windows before Vista (IsWindowsBeforeVista). Tests
// replace the check; nullptr restores it.
void SetWindowsBeforeVistaCheck(std::function<bool()> check);
bool WindowsBeforeVista();

// For tests: where to look instead of the program's and the system folder
// (empty restores those), and forgetting a loaded library.
void SetOpenSslFoldersForTest(std::vector<std::wstring> folders);
void UnloadOpenSslForTest();
// For tests: loads the library and lets patch replace entry points of the table every
// later session uses (a copy of the table taken before puts them back). False when no
// library could be loaded. Only while no transfer runs.
bool PatchOpenSslForTest(const std::function<void(OpenSslApi&)>& patch);
