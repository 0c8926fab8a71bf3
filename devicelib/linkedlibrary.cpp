// The maker's library linked at build time (ORVEX_DEVICE_LIBRARY): what
// the updater needs beyond its calls.

#include "devicelibrary.h"

int ReceiverRestartTimeMs(const CCommandHandler *)
{
    return kMakerRestartTimeMs;
}

const DeviceLibrary &UsedDeviceLibrary()
{
    static const DeviceLibrary linked = [] {
        DeviceLibrary library;
        const std::string name = ORVEX_DEVICE_LIBRARY_NAME;
        library.file.assign(name.begin(), name.end());
        return library;
    }();
    return linked;
}
