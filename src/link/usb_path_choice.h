#pragma once
// Which USB printer interface the link opens. Pure: no Windows header, so tests can feed it paths.

#include <cstddef>
#include <optional>
#include <span>
#include <string_view>

// Room for a device path in the link, terminator included.
inline constexpr std::size_t kUsbPathCapacity = 260;

// A path names a USB printer when it holds "vid_" and "pid_" (exact, lower case) and fits the
// link's buffer with its terminator.
bool UsbPathQualifies(std::string_view path);

// Index of the qualifying path listed last (enumeration order), or nothing.
std::optional<std::size_t> ChooseUsbPath(std::span<const std::string_view> paths);
