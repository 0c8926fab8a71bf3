#include "fileversion_win_core.h"

#include <windows.h>

#include <new>
#include <vector>

std::wstring FileVersionOfFile(const wchar_t *path)
{
    const DWORD size = GetFileVersionInfoSizeW(path, nullptr);
    if (size == 0)
        return {};
    std::vector<unsigned char> buffer;
    try {
        buffer.resize(size);
    } catch (const std::bad_alloc &) {
        return {};
    }
    if (!GetFileVersionInfoW(path, 0, size, buffer.data()))
        return {};
    void *value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(buffer.data(), L"\\StringFileInfo\\040904B0\\FileVersion", &value, &length)
        || !value)
        return {};
    // length counts UTF-16 units and may include the terminating null;
    // never read past it, and stop at the first null.
    const auto *text = static_cast<const wchar_t *>(value);
    UINT used = 0;
    while (used < length && text[used] != L'\0')
        ++used;
    return std::wstring(text, used);
}
