// Answers matched by their form, states read from their bits, ports parsed.
#include "nv/printer_answers.h"
#include "port/port_address.h"

#include <gtest/gtest.h>

namespace quillet::nv {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(Answers, StrayBytesAreNotTakenForAnAnswer) {
    // A DLE EOT answer left over from image data before the GS r answer.
    Bytes inbox = {0x12, 0x16, 0x0C, 0x12};
    const auto paper = TakeByteAnswer(inbox, IsPaperSensorAnswer);
    ASSERT_TRUE(paper);
    EXPECT_EQ(*paper, Bytes{0x0C});
    EXPECT_EQ(inbox, Bytes{0x12});

    Bytes noise = {0x5F, 'x', 0x37, 0x5F, 'T', 'M', 0x00, 0x12};
    const auto text = TakeTextAnswer(noise, 0x5F, 80);
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, (Bytes{'x', 0x37, 0x5F, 'T', 'M'}));
    EXPECT_EQ(noise, Bytes{0x12});

    Bytes partial = {0x01, 0x5F, 'T'};
    EXPECT_FALSE(TakeTextAnswer(partial, 0x5F, 80));
    EXPECT_EQ(partial, (Bytes{0x5F, 'T'})); // kept: the rest may still come
}

TEST(Answers, StatusBitsNameTheStates) {
    struct Case {
        std::uint8_t n;
        std::uint8_t answer;
        const char* reason; // nullptr: ready
    };
    const Case cases[] = {
        {1, 0x16, nullptr},
        {1, 0x1E, "off-line"},
        {2, 0x16, "cover open"},
        {2, 0x32, "paper end"},
        {3, 0x1A, "cutter error"},
        {3, 0x32, "unrecoverable error"},
        {3, 0x52, "auto-recoverable error"},
        {4, 0x1E, nullptr}, // near end only
        {4, 0x72, "paper end"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.n) << " " << int(c.answer));
        ASSERT_TRUE(IsStatusAnswer(c.answer));
        PrinterState state;
        ApplyStatusAnswer(c.n, c.answer, state);
        const auto reasons = NotReadyReasons(state);
        if (c.reason) {
            ASSERT_FALSE(reasons.empty());
            EXPECT_EQ(reasons.front(), c.reason);
        } else {
            EXPECT_TRUE(reasons.empty());
        }
    }
    EXPECT_FALSE(IsStatusAnswer(0x0C));
    EXPECT_FALSE(IsPaperSensorAnswer(0x12));
}

TEST(PortAddress, ParsesEachKindAndRefusesTheRest) {
    struct Case {
        const char* text;
        bool ok;
        port::PortKind kind;
        const char* host;
        int tcpPort;
    };
    const Case cases[] = {
        {"/dev/ttyUSB0", true, port::PortKind::Path, "", 0},
        {"/dev/usb/lp0", true, port::PortKind::Path, "", 0},
        {"tcp:192.0.2.10:9100", true, port::PortKind::Tcp, "192.0.2.10", 9100},
        {"tcp:printer.local:9100", true, port::PortKind::Tcp, "printer.local", 9100},
        {"tcp:[2001:db8::5]:9100", true, port::PortKind::Tcp, "2001:db8::5", 9100},
        {"tcp:[2001:db8::5]9100", false, port::PortKind::Path, "", 0},
        {"tcp:host:0", false, port::PortKind::Path, "", 0},
        {"tcp:host:65536", false, port::PortKind::Path, "", 0},
        {"tcp:host", false, port::PortKind::Path, "", 0},
        {"tcp:bad host:9100", false, port::PortKind::Path, "", 0},
        {"", false, port::PortKind::Path, "", 0},
        {"COM3", false, port::PortKind::Path, "", 0},
        {"cups:receipt", true, port::PortKind::CupsQueue, "", 0},
        {"cups:", false, port::PortKind::Path, "", 0},
        {"cups:till\n2", false, port::PortKind::Path, "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        port::PortAddress address;
        std::string why;
        ASSERT_EQ(port::ParsePortAddress(c.text, address, why), c.ok) << why;
        if (!c.ok) {
            EXPECT_FALSE(why.empty());
            continue;
        }
        EXPECT_EQ(address.kind, c.kind);
        EXPECT_EQ(address.host, c.host);
        EXPECT_EQ(address.tcpPort, c.tcpPort);
    }
}

} // namespace
} // namespace quillet::nv
