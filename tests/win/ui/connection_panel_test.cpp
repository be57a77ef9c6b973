// The connection panel in the real main dialog: the port list from the registry, Port Open
// on a real pty, Port Close, and a port held by another process.
#include "connection_panel_env.h"
#include "dialog_watcher.h"
#include "main_dialog_fixture.h"
#include "port_holder.h"
#include "serial_ports_key.h"

#include "link/printer_link.h"

#include <chrono>
#include <thread>
#include <vector>

namespace {

constexpr char kTitle[] = "connection_panel_tests";

std::vector<std::string> Entries(HWND combo) {
    std::vector<std::string> entries;
    const int count = static_cast<int>(::SendMessageA(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[256] = {};
        ::SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        entries.push_back(text);
    }
    return entries;
}

// The ports the driver registered; other ports the platform finds (/dev/ttyS0 becomes the
// next free COM number) are set aside for the list checks.
class PortListTest : public MainDialogTest {
protected:
    PortListTest() { m_ports.SetAsideAllBut({"COM1", "COM3", "COM10"}); }

    HWND Port() const { return Item(IDC_COMBO_PORT); }
    int Selected() const { return static_cast<int>(::SendMessageA(Port(), CB_GETCURSEL, 0, 0)); }
    // The operator opens the list: the combo box tells the dialog it drops down.
    void DropDown() {
        ::SendMessageA(Port(), CB_SHOWDROPDOWN, TRUE, 0);
        ::SendMessageA(Port(), CB_SHOWDROPDOWN, FALSE, 0);
    }

    SerialPortsKey m_ports;
};

TEST_F(PortListTest, RegisteredPortsSortBeforeUsbWhichIsSelected) {
    ASSERT_TRUE(m_ports.IsOpen());
    EXPECT_EQ(Entries(Port()), (std::vector<std::string>{"COM1", "COM10", "COM3", "USB"}));
    EXPECT_EQ(Selected(), 3);
    EXPECT_EQ(Text(IDC_COMBO_PORT), "USB");
}

TEST_F(PortListTest, DropDownRebuildsTheListAndSelectsTheLastEntry) {
    ::SendMessageA(Port(), CB_SETCURSEL, 2, 0); // COM3
    ASSERT_EQ(Text(IDC_COMBO_PORT), "COM3");
    ASSERT_TRUE(m_ports.Add("\\Device\\PanelTestAdapter", std::string("COM2", 5)));

    DropDown();
    EXPECT_EQ(Entries(Port()), (std::vector<std::string>{"COM1", "COM10", "COM2", "COM3", "USB"}));
    EXPECT_EQ(Selected(), 4);
    EXPECT_EQ(Text(IDC_COMBO_PORT), "USB");
}

TEST_F(PortListTest, LongPortNamesShowTheirFirstNineteenCharacters) {
    struct LongName {
        std::string data; // as stored, terminator included when there is one
        const char* shown;
    };
    const LongName names[] = {
        {std::string("Port19-abcdefghijkl", 20), "Port19-abcdefghijkl"},
        {std::string("Port20-abcdefghijklm", 21), "Port20-abcdefghijkl"},
        {std::string("Port33-abcdefghijklmnopqrstuvwxyz", 34), "Port33-abcdefghijkl"},
        // Fills the buffer with no terminator in it.
        {std::string("Fill20-abcdefghijklm"), "Fill20-abcdefghijkl"},
    };
    int n = 0;
    for (const LongName& name : names)
        ASSERT_TRUE(m_ports.Add("\\Device\\PanelTestLong" + std::to_string(n++), name.data));

    DropDown();
    EXPECT_EQ(Entries(Port()),
              (std::vector<std::string>{"COM1", "COM10", "COM3", "Fill20-abcdefghijkl",
                                        "Port19-abcdefghijkl", "Port20-abcdefghijkl",
                                        "Port33-abcdefghijkl", "USB"}));
}

class PortOpenTest : public MainDialogTest {
protected:
    void SetUp() override {
        ASSERT_NE(g_panelCom, 0) << "run through run_connection_panel_tests.sh (--com N)";
        MainDialogTest::SetUp();
        m_com = "COM" + std::to_string(g_panelCom);
    }
    void TearDown() override {
        m_dlg.OnPortClose();
        MainDialogTest::TearDown();
    }

    void Choose(int id, const std::string& text) {
        const LRESULT index = ::SendMessageA(Item(id), CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                             reinterpret_cast<LPARAM>(text.c_str()));
        ASSERT_NE(index, CB_ERR) << text;
        ::SendMessageA(Item(id), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    }
    // Runs `action` and returns the boxes it showed (each answered with OK).
    template <class Action> std::vector<SeenDialog> Boxes(Action action) {
        DialogWatcher watcher(m_dlg.m_hWnd);
        action();
        return watcher.Stop();
    }
    static bool WorkerRuns() {
        for (int i = 0; i < 200 && !g_link.m_bWorkerRunning; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return g_link.m_bWorkerRunning;
    }
    void ExpectConnected() {
        EXPECT_EQ(m_dlg.m_bPortOpen, 1);
        EXPECT_FALSE(::IsWindowEnabled(Item(IDC_BTN_PORT_OPEN)));
        EXPECT_TRUE(::IsWindowEnabled(Item(IDC_BTN_PORT_CLOSE)));
        EXPECT_EQ(g_link.m_nLinkState, LINK_COM);
        EXPECT_NE(g_link.m_hWorker, nullptr);
        EXPECT_TRUE(WorkerRuns());
    }
    void ExpectDisconnected() {
        EXPECT_EQ(m_dlg.m_bPortOpen, 0);
        EXPECT_TRUE(::IsWindowEnabled(Item(IDC_BTN_PORT_OPEN)));
        EXPECT_FALSE(::IsWindowEnabled(Item(IDC_BTN_PORT_CLOSE)));
        EXPECT_EQ(g_link.m_nLinkState, LINK_CLOSED);
        EXPECT_EQ(g_link.m_hWorker, nullptr);
        EXPECT_FALSE(g_link.m_bWorkerRunning);
    }

    std::string m_com;
};

TEST_F(PortOpenTest, OpensTheChosenPortOnceAndClosesIt) {
    Choose(IDC_COMBO_PORT, m_com);
    Choose(IDC_COMBO_BPS, "9600");
    Choose(IDC_COMBO_FLOW, "RTS/CTS");
    EXPECT_TRUE(Boxes([&] { Click(IDC_BTN_PORT_OPEN); }).empty());
    ExpectConnected();
    const HANDLE worker = g_link.m_hWorker;

    // Port Open while open (the button is disabled; the handler is called as the table would).
    EXPECT_TRUE(Boxes([&] { m_dlg.OnPortOpen(); }).empty());
    ExpectConnected();
    EXPECT_EQ(g_link.m_hWorker, worker);

    EXPECT_TRUE(Boxes([&] { Click(IDC_BTN_PORT_CLOSE); }).empty());
    ExpectDisconnected();
    // Again while disconnected: nothing shown, buttons closed.
    EXPECT_TRUE(Boxes([&] { m_dlg.OnPortClose(); }).empty());
    ExpectDisconnected();
}

TEST_F(PortOpenTest, ARefusedNumberStillOpensThePort) {
    Choose(IDC_COMBO_PORT, m_com);
    Type(IDC_EDIT_PRINT_NUMBER, "300");
    const std::vector<SeenDialog> boxes = Boxes([&] { Click(IDC_BTN_PORT_OPEN); });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].Shows(kByteRangeMessage));
    ExpectConnected();
}

TEST_F(PortOpenTest, ExitClosesTheLinkBeforeTheExchangeAlsoWhenTheNumberIsRefused) {
    Choose(IDC_COMBO_PORT, m_com);
    ASSERT_TRUE(Boxes([&] { Click(IDC_BTN_PORT_OPEN); }).empty());
    ExpectConnected();
    Type(IDC_EDIT_PRINT_NUMBER, "300");

    // The link's state as it was while the refusal was shown, during the exchange.
    DialogWatcher watcher(m_dlg.m_hWnd, [] { return static_cast<int>(g_link.m_nLinkState); });
    Click(IDOK);
    const std::vector<SeenDialog> boxes = watcher.Stop();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].Shows(kByteRangeMessage));
    EXPECT_EQ(boxes[0].probed, LINK_CLOSED) << "the link was still open during the exchange";
    EXPECT_TRUE(::IsWindowVisible(m_dlg.m_hWnd));
    ExpectDisconnected();
}

TEST_F(PortOpenTest, APortHeldByAnotherProcessIsNamedAndStaysClosed) {
    PortHolder holder(g_panelCom);
    ASSERT_TRUE(holder.WaitHeld());
    Choose(IDC_COMBO_PORT, m_com);

    const std::vector<SeenDialog> boxes = Boxes([&] { Click(IDC_BTN_PORT_OPEN); });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, kTitle);
    EXPECT_TRUE(boxes[0].Shows("Error : Port " + m_com));
    ExpectDisconnected();

    // Once the other process lets go, the port opens.
    ASSERT_TRUE(holder.Release());
    EXPECT_TRUE(Boxes([&] { Click(IDC_BTN_PORT_OPEN); }).empty());
    ExpectConnected();
}

} // namespace
