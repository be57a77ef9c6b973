#include "main_dialog_fixture.h"

#include <commctrl.h>

namespace {

// The application registers the common control classes before any dialog; so do the tests.
class CommonControls : public ::testing::Environment {
public:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
        ASSERT_TRUE(::InitCommonControlsEx(&controls));
    }
};

const auto* const kCommonControls = ::testing::AddGlobalTestEnvironment(new CommonControls);

} // namespace

void MainDialogTest::SetUp() {
    ASSERT_TRUE(m_dlg.Create(nullptr)) << ::GetLastError();
}

void MainDialogTest::TearDown() {
    m_dlg.DestroyWindow();
}

void MainDialogTest::Click(int id) {
    ::SendMessageA(m_dlg.m_hWnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(Item(id)));
}
