// Where DLLs that a process loads by name come from.
#pragma once

// Restricts the DLLs loaded by name from now on (a system DLL loading another, COM loading a
// server) to the system folder, where Windows has the call; elsewhere, and when the call fails,
// Windows' usual search order stays. Called first thing in an entry, before anything loads one.
void LoadLaterDllsFromTheSystemFolderOnly();
