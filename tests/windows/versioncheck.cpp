// Cross-compiled with mingw-w64, run under wine: prints the FileVersion of
// the file named by its argument, as the updater reads it on Windows.
#include "fileversion_win_core.h"

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t **argv)
{
    if (argc != 2)
        return 2;
    std::wprintf(L"[%ls]\n", FileVersionOfFile(argv[1]).c_str());
    return 0;
}
