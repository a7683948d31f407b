// The entry point: registers the class "Veldran", opens the maximised main
// window, takes its one device context and runs the render loop until the end.
#include "engine.h"
#include "veldran.h"
#include "winmisc.h"

#include <cstdio>
#include <new>

namespace {

void FillClass(WNDCLASSA* pwc, HINSTANCE hInstance) {
    pwc->style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
    pwc->lpfnWndProc = MainHandler;
    pwc->cbClsExtra = 0;
    pwc->cbWndExtra = 0;
    pwc->hInstance = hInstance;
    pwc->hIcon = LoadIconA(hInstance, APP_NAME);
    pwc->hCursor = LoadCursorA(hInstance, APP_NAME);
    pwc->hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOWTEXT + 1);
    pwc->lpszMenuName = APP_NAME;
    pwc->lpszClassName = APP_NAME;
}

// The class record comes from the local heap, zero-filled, and is given back
// once registered.
ATOM RegisterMainClass(HINSTANCE hInstance, bool* pbNoMemory) {
    HLOCAL hClass = LocalAlloc(LMEM_ZEROINIT, sizeof(WNDCLASSA));
    WNDCLASSA* pwc = hClass ? static_cast<WNDCLASSA*>(LocalLock(hClass)) : nullptr;
    *pbNoMemory = pwc == nullptr;
    if (!pwc) {
        if (hClass) LocalFree(hClass);
        return 0;
    }
    FillClass(pwc, hInstance);
    ATOM atom = RegisterClassA(pwc);
    LocalUnlock(hClass);
    LocalFree(hClass);
    return atom;
}

// The main window and its render loop until the end.
int RunMainWindow(HINSTANCE hInstance) {
    HWND hwnd = CreateWindowExA(0, APP_NAME, APP_TITLE, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                hInstance, nullptr);
    if (!hwnd) return 0;
    ShowWindow(hwnd, SW_SHOWMAXIMIZED);
    InvalidateRect(hwnd, nullptr, TRUE);
    hAccelerators = LoadAcceleratorsA(hInstance, APP_NAME);
    HDC hdc = GetDC(hwnd);
    if (!hdc) return 0;
    NewRect(hwnd, hdc);

    int iThreads = 1;
    if (!ThreadsFromEnvironment(&iThreads))
        std::fprintf(stderr, "orvanta: ORVANTA_THREADS: expected a whole number 1..%d; counting with %d threads\n",
                     kMostCountingThreads, iThreads);
    int iCounting = SetCountingThreads(iThreads);
    if (iCounting < iThreads)
        std::fprintf(stderr, "orvanta: only %d of %d counting threads could be started; counting with those\n",
                     iCounting, iThreads);
    MSG msg;
    RenderLoop(hwnd, hdc, &msg);
    SetCountingThreads(1);

    ReleaseDC(hwnd, hdc);
    return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpsCmdLine, int nCmdShow) {
    (void)lpsCmdLine;
    (void)nCmdShow;  // the window always opens maximised
    if (hPrevInstance) return 0;
    bool bNoMemory = false;
    ATOM atom = RegisterMainClass(hInstance, &bNoMemory);
    if (bNoMemory) {
        vrxOutOfMemory();
        return 0;
    }
    hinst = hInstance;
    if (!atom) return 0;
    int iResult = 0;
    try {
        iResult = RunMainWindow(hInstance);
    } catch (const std::bad_alloc&) {  // memory that nothing could do without: the program ends, and says why
        vrxOutOfMemory();
    }
    UnregisterClassA(APP_NAME, hInstance);
    return iResult;
}
