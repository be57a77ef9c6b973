// GS ( H function 48: the printer sends 37 22 d1 d2 d3 d4 00 back once it has processed
// everything before the question, NV writes included. A fresh random ID for each question makes
// that answer one no stray byte, echo or stale answer can imitate.
#pragma once

#include "nv/printer_answers.h"

#include <array>
#include <cstdint>
#include <vector>

namespace quillet::nv {

using ProcessId = std::array<std::uint8_t, 4>; // each byte 0x20 to 0x7E

// Four random bytes from 0x20 to 0x7E.
ProcessId RandomProcessId();

// 1D 28 48 06 00 30 30 d1 d2 d3 d4.
std::array<std::uint8_t, 11> ProcessIdQuestion(const ProcessId& id);

// Finds 37 22 + one of `ids` + 00 anywhere in the inbox; keeps only a tail that may still start
// one.
Match TakeProcessIdAnswer(std::vector<std::uint8_t>& inbox, const std::vector<ProcessId>& ids);

} // namespace quillet::nv
