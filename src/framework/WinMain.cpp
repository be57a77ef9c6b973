// Entry point of a framework program: runs the one static application object.
#include "framework/Image.h"
#include "framework/WinApp.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    CWinApp* app = AfxGetApp();
    if (app == nullptr)
        return 1;
    int status = 0;
    try {
        app->InitInstance();
    } catch (...) {
        status = 1;
    }
    AfxTermGdiplus();
    return status;
}
