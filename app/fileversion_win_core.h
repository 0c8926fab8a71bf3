#ifndef ORVEX_FILEVERSION_WIN_CORE_H
#define ORVEX_FILEVERSION_WIN_CORE_H

#include <string>

// The FileVersion text of block 040904B0 of the file's version resource,
// or an empty string. Windows only; no Qt, so it can be checked alone.
std::wstring FileVersionOfFile(const wchar_t *path);

#endif
