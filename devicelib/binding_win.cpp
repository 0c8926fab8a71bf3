// The Windows programs' device library: OrvexSys.dll from beside the
// program, bound at run time. The maker builds it with MSVC and exports
// C++, which a mingw-w64 build cannot link; on x64 Windows both compilers
// share the calling convention and lay out the classes of orvexsys.h
// alike, so its calls are made through orvexsys.h once its free functions
// are found under the names MSVC gives them.

#include "devicelibrary.h"
#include "orvexsys_exports.h"

#include <windows.h>

namespace {

using LookFor = ORVEXSYS_ERROR (*)(int, PORTNUMBER, CCommandHandler **, CPortManager **, int);
using DeletePorts = void (*)(CPortManager *);
using DeleteHandler = void (*)(CCommandHandler *);
using RestartTime = int (*)(const CCommandHandler *);

struct Binding {
    DeviceLibrary library;
    LookFor lookFor = nullptr;
    DeletePorts deletePortManager = nullptr;
    DeleteHandler deleteCommandHandler = nullptr;
    RestartTime restartTime = nullptr;
};

std::wstring BesideProgram(const wchar_t *name)
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    path.resize(path.find_last_of(L"\\/") + 1);
    return path + name;
}

template <typename Call>
bool Find(HMODULE module, const char *exported, const char *call, Call *found, DeviceLibrary *library)
{
    *found = reinterpret_cast<Call>(reinterpret_cast<void *>(GetProcAddress(module, exported)));
    if (*found)
        return true;
    library->problem = DeviceLibrary::Problem::CallMissing;
    library->call = call;
    return false;
}

Binding Bind()
{
    Binding binding;
    DeviceLibrary &library = binding.library;
    library.file = BesideProgram(L"" ORVEXSYS_FILE_NAME);
    if (GetFileAttributesW(library.file.c_str()) == INVALID_FILE_ATTRIBUTES) {
        library.problem = DeviceLibrary::Problem::FileMissing;
        return binding;
    }
    // Its own DLLs, if any, are looked for beside it first.
    const HMODULE module = LoadLibraryExW(library.file.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module) {
        library.problem = DeviceLibrary::Problem::FileNotLoaded;
        library.systemError = GetLastError();
        return binding;
    }
    if (!Find(module, ORVEXSYS_EXPORT_LOOK_FOR, "LookForOrvexWithSpecifiedPID", &binding.lookFor, &library)
        || !Find(module, ORVEXSYS_EXPORT_DELETE_PORT_MANAGER, "DeletePortManager", &binding.deletePortManager,
                 &library)
        || !Find(module, ORVEXSYS_EXPORT_DELETE_COMMAND_HANDLER, "DeleteCommandHandler",
                 &binding.deleteCommandHandler, &library)) {
        // Half a library is never called.
        binding.lookFor = nullptr;
        return binding;
    }
    binding.restartTime = reinterpret_cast<RestartTime>(
        reinterpret_cast<void *>(GetProcAddress(module, ORVEXSYS_EXPORT_SIMULATED_RESTART_TIME)));
    library.simulated = binding.restartTime != nullptr;
    return binding;
}

const Binding &Bound()
{
    static const Binding binding = Bind();
    return binding;
}

} // namespace

const DeviceLibrary &UsedDeviceLibrary()
{
    return Bound().library;
}

int ReceiverRestartTimeMs(const CCommandHandler *handler)
{
    const RestartTime restartTime = Bound().restartTime;
    return restartTime ? restartTime(handler) : kMakerRestartTimeMs;
}

ORVEXSYS_ERROR LookForOrvexWithSpecifiedPID(int pid, PORTNUMBER port, CCommandHandler **handler,
                                            CPortManager **portManager, int reserved)
{
    // Nothing is found without the whole library, so nothing is written.
    constexpr ORVEXSYS_ERROR kNoLibrary = -1;
    const LookFor lookFor = Bound().lookFor;
    return lookFor ? lookFor(pid, port, handler, portManager, reserved) : kNoLibrary;
}

void DeletePortManager(CPortManager *portManager)
{
    Bound().deletePortManager(portManager);
}

void DeleteCommandHandler(CCommandHandler *handler)
{
    Bound().deleteCommandHandler(handler);
}
