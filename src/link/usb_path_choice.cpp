#include "usb_path_choice.h"

bool UsbPathQualifies(std::string_view path) {
    if (path.size() + 1 > kUsbPathCapacity)
        return false;
    return path.find("vid_") != std::string_view::npos &&
           path.find("pid_") != std::string_view::npos;
}

std::optional<std::size_t> ChooseUsbPath(std::span<const std::string_view> paths) {
    std::optional<std::size_t> chosen;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (UsbPathQualifies(paths[i]))
            chosen = i;
    }
    return chosen;
}
