// Entry point of a framework program: runs the one static application object.
#include "framework/WinApp.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    CWinApp* app = AfxGetApp();
    if (app == nullptr)
        return 1;
    try {
        app->InitInstance();
    } catch (...) {
        return 1;
    }
    return 0;
}
