// Link behaviour that needs no serial line: the USB interface choice, the COM line settings,
// and a closed link.
#include "com_settings.h"
#include "printer_link.h"
#include "usb_path_choice.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

std::string PathOfLength(std::size_t length) {
    std::string path = "\\\\?\\usb#vid_0416&pid_5011#5&1b0c2d6&0&2#";
    path.resize(length, 'x');
    return path;
}

struct UsbChoiceCase {
    const char* name;
    std::vector<std::string> paths;
    std::optional<std::size_t> chosen;
};

class UsbChoice : public testing::TestWithParam<UsbChoiceCase> {};

TEST_P(UsbChoice, PicksLastQualifyingPath) {
    const UsbChoiceCase& c = GetParam();
    const std::vector<std::string_view> views(c.paths.begin(), c.paths.end());
    EXPECT_EQ(ChooseUsbPath(views), c.chosen);
}

const std::string kPrinterA =
    "\\\\?\\usb#vid_0416&pid_5011#6&2f1a&0&1#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}";
const std::string kPrinterB =
    "\\\\?\\usb#vid_04b8&pid_0202#7&3c2b&0&4#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}";

INSTANTIATE_TEST_SUITE_P(
    Table, UsbChoice,
    testing::Values(
        UsbChoiceCase{"NoPaths", {}, std::nullopt},
        UsbChoiceCase{
            "NoMatch", {"\\\\?\\root#printer#0000#{28d7}", "\\\\?\\usb#hub#1"}, std::nullopt},
        UsbChoiceCase{"OneMatch", {"\\\\?\\root#printer#0000", kPrinterA}, 1},
        UsbChoiceCase{"TwoMatchesLastWins", {kPrinterA, "\\\\?\\usb#hub", kPrinterB}, 2},
        UsbChoiceCase{"WithoutPid", {kPrinterA, "\\\\?\\usb#vid_0416&prod_5011#1"}, 0},
        UsbChoiceCase{"WithoutVid", {"\\\\?\\usb#vend_0416&pid_5011#1"}, std::nullopt},
        UsbChoiceCase{"UpperCaseNotMatched", {"\\\\?\\USB#VID_0416&PID_5011#1"}, std::nullopt},
        UsbChoiceCase{"Fits259", {PathOfLength(259)}, 0},
        UsbChoiceCase{"TooLong260", {kPrinterA, PathOfLength(260)}, 0},
        UsbChoiceCase{"TooLong400", {PathOfLength(400)}, std::nullopt}),
    [](const testing::TestParamInfo<UsbChoiceCase>& info) { return info.param.name; });

struct FlowCase {
    int32_t flow;
    bool ctsOut, dsrOut, outX;
    DWORD dtr, rts;
};

class LineSettings : public testing::TestWithParam<FlowCase> {};

TEST_P(LineSettings, SetsFlowFieldsOverWhatThePortReported) {
    const FlowCase& c = GetParam();
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    // A port that reported every flow option on: the choice must clear what it does not set.
    dcb.fOutxCtsFlow = dcb.fOutxDsrFlow = dcb.fDsrSensitivity = dcb.fTXContinueOnXoff = 1;
    dcb.fOutX = dcb.fInX = dcb.fErrorChar = dcb.fNull = dcb.fAbortOnError = 1;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_TOGGLE;
    dcb.EofChar = 0x1A;

    ApplyLineSettings(dcb, 19200, c.flow);

    EXPECT_EQ(dcb.BaudRate, 19200u);
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.Parity, NOPARITY);
    EXPECT_EQ(dcb.StopBits, ONESTOPBIT);
    EXPECT_EQ(dcb.fBinary, 1u);
    EXPECT_EQ(dcb.fParity, 1u);
    EXPECT_EQ(dcb.fOutxCtsFlow, c.ctsOut);
    EXPECT_EQ(dcb.fOutxDsrFlow, c.dsrOut);
    EXPECT_EQ(dcb.fOutX, c.outX);
    EXPECT_EQ(dcb.fInX, 0u);
    EXPECT_EQ(dcb.fDtrControl, c.dtr);
    EXPECT_EQ(dcb.fRtsControl, c.rts);
    EXPECT_EQ(dcb.fDsrSensitivity | dcb.fTXContinueOnXoff | dcb.fErrorChar | dcb.fNull |
                  dcb.fAbortOnError,
              0u);
    EXPECT_EQ(dcb.EofChar, 0x1A) << "fields not named keep the port's values";
    if (c.outX) {
        EXPECT_EQ(dcb.XonChar, 0x11);
        EXPECT_EQ(dcb.XoffChar, 0x13);
        EXPECT_EQ(dcb.XonLim, 10);
        EXPECT_EQ(dcb.XoffLim, 10);
    }
}

constexpr DWORD kDtrOff = DTR_CONTROL_DISABLE, kDtrHs = DTR_CONTROL_HANDSHAKE;
constexpr DWORD kRtsOff = RTS_CONTROL_DISABLE, kRtsHs = RTS_CONTROL_HANDSHAKE;
INSTANTIATE_TEST_SUITE_P(Table, LineSettings,
                         testing::Values(FlowCase{0, false, false, false, kDtrOff, kRtsOff},
                                         FlowCase{1, false, false, true, kDtrOff, kRtsOff},
                                         FlowCase{2, false, true, false, kDtrHs, kRtsOff},
                                         FlowCase{3, true, false, false, kDtrOff, kRtsHs},
                                         FlowCase{4, true, true, false, kDtrHs, kRtsHs},
                                         FlowCase{-1, false, false, false, kDtrOff, kRtsOff},
                                         FlowCase{5, false, false, false, kDtrOff, kRtsOff}));

TEST(LineTimeouts, WriteMultiplierIs19200OverBaud) {
    const std::pair<int32_t, DWORD> table[] = {
        {9600, 2}, {19200, 1}, {38400, 0}, {57600, 0}, {115200, 0}};
    for (const auto& [baud, multiplier] : table) {
        const COMMTIMEOUTS t = LinkTimeouts(baud);
        EXPECT_EQ(t.WriteTotalTimeoutMultiplier, multiplier) << baud;
        EXPECT_EQ(t.WriteTotalTimeoutConstant, 5000u) << baud;
        EXPECT_EQ(t.ReadIntervalTimeout, MAXDWORD) << baud;
        EXPECT_EQ(t.ReadTotalTimeoutMultiplier, 0u) << baud;
        EXPECT_EQ(t.ReadTotalTimeoutConstant, 0u) << baud;
    }
}

TEST(LineTimeouts, OnlyTheFiveOfferedRates) {
    for (int32_t baud : {9600, 19200, 38400, 57600, 115200})
        EXPECT_TRUE(IsOfferedBaud(baud)) << baud;
    for (int32_t baud : {0, -9600, 1200, 4800, 9601, 230400})
        EXPECT_FALSE(IsOfferedBaud(baud)) << baud;
}

TEST(ClosedLink, RefusesWritesAndSecondClose) {
    ASSERT_EQ(g_link.m_nLinkState, LINK_CLOSED);
    const uint8_t bytes[] = {0x1B, 0x40};
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(g_link.WritePort(bytes, sizeof bytes), -1);
    EXPECT_LT(GetTickCount64() - start, 1000u);
    EXPECT_EQ(g_link.ClosePort(), 1);
    EXPECT_EQ(g_link.AdoptWorker(GetCurrentThread()), 1);
}

TEST(ClosedLink, WorkerOnClosedLinkLeavesAtOnce) {
    ASSERT_EQ(g_link.m_nLinkState, LINK_CLOSED);
    EXPECT_EQ(ReceiveThread(nullptr), 1u);
    EXPECT_FALSE(g_link.m_bWorkerRunning);
}

TEST(UsbOpen, NoUsbPrinterFailsAndStaysClosed) {
    char path[kUsbPathBufferSize] = "untouched";
    EXPECT_EQ(g_link.FindUsbPrinter(path), 0);
    EXPECT_STREQ(path, "untouched");
    EXPECT_EQ(g_link.m_bUsbFound, 0);
    EXPECT_EQ(g_link.OpenPort(0, 115200, 0), 1);
    EXPECT_EQ(g_link.m_nLinkState, LINK_CLOSED);
    EXPECT_EQ(g_link.ClosePort(), 1);
}

} // namespace
