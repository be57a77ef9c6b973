// Answers matched by their form, states read from their bits, ports parsed.
#include "nv/printer_answers.h"
#include "nv/process_id.h"
#include "port/port_address.h"

#include <gtest/gtest.h>

namespace quillet::nv {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(Answers, StrayBytesAreNotTakenForAnAnswer) {
    // A DLE EOT answer left over from image data before the GS r answer.
    Bytes inbox = {0x12, 0x16, 0x0C, 0x12};
    const Match paper = TakeByteAnswer(inbox, IsGsAnswerByte);
    ASSERT_EQ(paper.kind, Match::Kind::Answer);
    EXPECT_EQ(paper.bytes, Bytes{0x0C});
    EXPECT_EQ(inbox, Bytes{0x12});

    Bytes noise = {0x5F, 'x', 0x37, 0x5F, 'T', 'M', 0x00, 0x12};
    const Match text = TakeTextAnswer(noise, 0x5F, 80);
    ASSERT_EQ(text.kind, Match::Kind::Answer);
    EXPECT_EQ(text.bytes, (Bytes{'x', 0x37, 0x5F, 'T', 'M'}));
    EXPECT_EQ(noise, Bytes{0x12});

    Bytes partial = {0x01, 0x5F, 'T'};
    EXPECT_EQ(TakeTextAnswer(partial, 0x5F, 80).kind, Match::Kind::More);
    EXPECT_EQ(partial, (Bytes{0x5F, 'T'})); // kept: the rest may still come
}

// Automatic status blocks (14 00 00 0F) carry bytes of the GS r form: only whole blocks are
// dropped, and a strict GS r answer is spoiled by any other byte before it.
TEST(Answers, AutomaticStatusBlocksAndStrictOneByteAnswers) {
    using Kind = Match::Kind;
    struct Case {
        const char* name;
        Match (*matcher)(Bytes&);
        Bytes inbox;
        Kind kind;
        Bytes bytes;
    };
    auto gsr = [](Bytes& inbox) { return TakeByteAnswer(inbox, IsGsAnswerByte); };
    const Case cases[] = {
        {"block alone is no answer", gsr, {0x14, 0x00, 0x00, 0x0F}, Kind::More, {}},
        {"block still arriving", gsr, {0x14, 0x00}, Kind::More, {}},
        {"answer after a block", gsr, {0x14, 0x00, 0x00, 0x0F, 0x0C}, Kind::Answer, {0x0C}},
        {"strict: block, status, answer",
         TakeStrictSensorAnswer,
         {0x14, 0x00, 0x00, 0x0F, 0x16, 0x00},
         Kind::Answer,
         {0x00}},
        {"strict: a byte of no form spoils",
         TakeStrictSensorAnswer,
         {0x9C, 0x00},
         Kind::Spoiled,
         {0x9C}},
        {"strict: an echo spoils",
         TakeStrictSensorAnswer,
         {0x1D, 0x72, 0x01},
         Kind::Spoiled,
         {0x1D}},
        {"quiet: blocks and status keep it quiet",
         ExpectQuiet,
         {0x14, 0x00, 0x00, 0x0F, 0x12},
         Kind::More,
         {}},
        {"quiet: anything else spoils",
         ExpectQuiet,
         {0x14, 0x00, 0x00, 0x0F, 0x41},
         Kind::Spoiled,
         {0x41}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes inbox = c.inbox;
        const Match match = c.matcher(inbox);
        EXPECT_EQ(match.kind, c.kind);
        EXPECT_EQ(match.bytes, c.bytes);
    }
}

TEST(Answers, ProcessIdAnswerOnlyWithTheIdAsked) {
    const ProcessId asked = {'Q', 'x', '7', '~'};
    const ProcessId stale = {'Q', 'x', '7', '}'};
    const auto question = ProcessIdQuestion(asked);
    EXPECT_EQ(Bytes(question.begin(), question.end()),
              (Bytes{0x1D, 0x28, 0x48, 0x06, 0x00, 0x30, 0x30, 'Q', 'x', '7', '~'}));

    // A stale answer, the echo of the question and an automatic status block come first.
    Bytes inbox = {0x37, 0x22, 'Q', 'x', '7', '}', 0x00};
    inbox.insert(inbox.end(), question.begin(), question.end());
    inbox.insert(inbox.end(), {0x14, 0x00, 0x00, 0x0F, 0x37, 0x22, 'Q', 'x', '7', '~'});
    const std::vector<ProcessId> ids = {asked};
    EXPECT_EQ(TakeProcessIdAnswer(inbox, ids).kind, Match::Kind::More);
    EXPECT_EQ(inbox.size(), 6u); // only what may still start the answer
    inbox.push_back(0x00);
    const Match match = TakeProcessIdAnswer(inbox, ids);
    ASSERT_EQ(match.kind, Match::Kind::Answer);
    EXPECT_EQ(match.bytes, (Bytes{'Q', 'x', '7', '~'}));
    EXPECT_EQ(TakeProcessIdAnswer(inbox, {stale}).kind, Match::Kind::More);

    for (int i = 0; i < 200; ++i)
        for (const std::uint8_t b : RandomProcessId())
            ASSERT_TRUE(b >= 0x20 && b <= 0x7E) << int(b);
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
    EXPECT_FALSE(IsGsAnswerByte(0x12));
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
