// The application object: runs the main dialog and ends.
#pragma once

#include "framework/WinApp.h"

class CQuilletApp : public CWinApp {
public:
    CQuilletApp();
    ~CQuilletApp() override = default;

    BOOL InitInstance() override;
};

extern CQuilletApp theApp;
