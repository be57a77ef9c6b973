// The About box (template 100): fixed texts, no data and no handlers of its own.
#pragma once

#include "framework/Dialog.h"
#include "res/resource.h"

class CAboutDlg : public CDialogEx {
public:
    CAboutDlg() : CDialogEx(IDD_ABOUTBOX) {}
    ~CAboutDlg() override = default;
};
