// The real main dialog from template 102, created modeless on the test thread.
#pragma once

#include "ui/QuilletDlg.h"

#include <gtest/gtest.h>

#include <string>

class MainDialogTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    HWND Item(int id) const { return ::GetDlgItem(m_dlg.m_hWnd, id); }
    std::string Text(int id) const { return m_dlg.GetItemText(id); }
    void Type(int id, const char* text) { ::SetDlgItemTextA(m_dlg.m_hWnd, id, text); }
    // A click as the button sends it.
    void Click(int id);

    CQuilletDlg m_dlg;
};

// Message box title: the test executable's name without extension.
inline constexpr const char kAppName[] = "quillet_ui_tests";
inline constexpr const char kByteRangeMessage[] = "Enter an integer between 0 and 255.";
