// The program's entry: the start banner, the elevation check and the Install and Uninstall
// commands.
#pragma once

// Runs the command named by argv[1] ("Install" or "Uninstall", letter case ignored; further
// arguments are ignored) and returns the process exit code: 0, 901 to 906 or 908. argv holds
// argc wide strings; nothing is printed, everything is logged.
int RunDriverInstaller(int argc, wchar_t* argv[]);
