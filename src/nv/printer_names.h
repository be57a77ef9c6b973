// The names a printer gives itself, for the ledger: model (GS I 67) and serial number (GS I 68).
#pragma once

#include "nv/printer_session.h"

#include <asio/awaitable.hpp>

#include <optional>
#include <string>

namespace quillet::nv {

struct PrinterNames {
    std::optional<std::string> model; // none when it does not answer
    std::optional<std::string> serial;
};

// Both questions, each answered as 5F text 00 within a second and at most 80 bytes long; an
// answer's bytes outside printable ASCII are shown as '?'.
asio::awaitable<PrinterNames> AskPrinterNames(PrinterSession& session);

} // namespace quillet::nv
