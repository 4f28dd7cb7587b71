#include "rig/ComPortProblem.h"

#include <cerrno>
#include <filesystem>

#include "base/Translation.h"
#include "radio/CPort.h"

bool IsPortLink(const std::string& devicePath)
{
    const std::filesystem::path path(devicePath);
    return path.parent_path().filename() == "ports" && path.filename().string().starts_with("com");
}

std::string ComPortProblem(const EComPort& error)
{
    const std::string& path = error.DevicePath();
    switch (error.Error()) {
    case EACCES:
    case EPERM:
        return Translated("No permission to use %1: add your user to the dialout group (sudo adduser $USER dialout), "
                          "then log in again.",
            {path});
    case EBUSY:
    case EWOULDBLOCK:
        return Translated("%1 is in use by another program: close it there, or choose another port.", {path});
    case ENOENT:
    case ENODEV:
    case ENXIO:
        if (IsPortLink(path))
            return Translated(
                "The link %1 points nowhere: plug the serial adapter in, or let the link point to it.", {path});
        return Translated("%1 is missing: plug the device in, or choose another port.", {path});
    default:
        return error.Message();
    }
}
