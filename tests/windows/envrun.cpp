// Runs a program with variables that wine keeps from Windows programs
// (those named QT_...), as the Windows tests need them:
//   envrun NAME=VALUE... -- PROGRAM [ARGUMENT...]
// The program inherits the standard handles; its exit code is envrun's.
#include <windows.h>

#include <string>

namespace {

// A command line word as CommandLineToArgvW reads it back.
std::wstring Quoted(const std::wstring &word)
{
    if (!word.empty() && word.find_first_of(L" \t\"") == std::wstring::npos)
        return word;
    std::wstring quoted = L"\"";
    size_t slashes = 0;
    for (const wchar_t c : word) {
        if (c == L'\\') {
            ++slashes;
            continue;
        }
        quoted.append(c == L'"' ? slashes * 2 + 1 : slashes, L'\\');
        slashes = 0;
        quoted += c;
    }
    quoted.append(slashes * 2, L'\\');
    return quoted + L"\"";
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    int i = 1;
    for (; i < argc && std::wstring(argv[i]) != L"--"; ++i) {
        const std::wstring assignment = argv[i];
        const size_t equals = assignment.find(L'=');
        if (equals == std::wstring::npos)
            return 2;
        SetEnvironmentVariableW(assignment.substr(0, equals).c_str(), assignment.substr(equals + 1).c_str());
    }
    if (++i >= argc)
        return 2;
    std::wstring command;
    for (int word = i; word < argc; ++word)
        command += (word > i ? L" " : L"") + Quoted(argv[word]);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process))
        return 127;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return int(code);
}
