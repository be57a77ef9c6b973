// Text rules of the connection panel, kept free of windows so they can be checked alone.
#pragma once

#include <cstddef>
#include <string>

// Reads a decimal number as atoi does (leading blanks and a sign, digits up to the first other
// character, 0 without digits), but clamps to the int range instead of overflowing.
int NumberFromText(const std::string& text);

// Port number of a Port list entry: every "COM" removed, the rest read by NumberFromText.
// "COM3" gives 3, "COM12" 12, "USB" 0 (the USB printer).
int PortNumberFromText(std::string text);

// The list text of a registry value's data: up to its first zero, and never more than
// kPortTextMax characters, even when the data fill the buffer without a terminator.
inline constexpr std::size_t kPortDataBuffer = 20;
inline constexpr std::size_t kPortTextMax = kPortDataBuffer - 1;
std::string PortTextFromData(const char* data, std::size_t size);
