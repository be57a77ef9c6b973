// The progress board in both styles: cursor escapes where the terminal takes them, else one line
// redrawn with carriage returns only (an old Windows console shows escapes as text).
#include "nv/progress_line.h"

#include <gtest/gtest.h>

#include <sstream>

namespace quillet::nv {
namespace {

std::string Drawn(ProgressStyle style) {
    std::ostringstream out;
    ProgressBoard board(out, style, {"COM3", "COM4"});
    board.Update(0, 500, 1000);
    board.Note("COM4: the printer gives no status; going on");
    board.Update(1, 1000, 1000);
    board.Update(0, 1000, 1000);
    board.Finish();
    return out.str();
}

TEST(ProgressBoard, PlainStyleHasNoEscapesAndSumsThePrinters) {
    const std::string plain = Drawn(ProgressStyle::Plain);
    EXPECT_EQ(plain.find('\033'), std::string::npos) << plain;
    EXPECT_NE(plain.find("\rCOM4: the printer gives no status; going on\n"), std::string::npos)
        << plain;
    EXPECT_NE(plain.find("1 of 2 printers sending: 500 of 1,000 bytes  50%"), std::string::npos)
        << plain;
    // The last state stays, on a line of its own.
    const std::string tail = "0 of 2 printers sending: 2,000 of 2,000 bytes  100%\n";
    ASSERT_GE(plain.size(), tail.size());
    EXPECT_EQ(plain.substr(plain.size() - tail.size()), tail) << plain;
}

TEST(ProgressBoard, EscapeStyleDrawsARowPerPrinterAndNoneShowsNothing) {
    const std::string rows = Drawn(ProgressStyle::Escapes);
    EXPECT_NE(rows.find("\033[2A"), std::string::npos) << rows;
    EXPECT_NE(rows.find("COM3: sent 1,000 of 1,000 bytes  100%\033[K\nCOM4: sent 1,000 of 1,000"),
              std::string::npos)
        << rows;
    EXPECT_EQ(Drawn(ProgressStyle::None), "COM4: the printer gives no status; going on\n");
}

} // namespace
} // namespace quillet::nv
