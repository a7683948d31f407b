// The entry point where the platform is not Windows: main() hands the command
// line to WinMain as Windows' start-up would.
#include "backend.h"
#include "platform.h"

#include <string>

int main(int argc, char** argv) {
    std::string sCmdLine;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) sCmdLine += ' ';
        sCmdLine += argv[i];
    }
    HINSTANCE hInstance = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x400000));
    int iExitCode = WinMain(hInstance, nullptr, sCmdLine.data(), SW_SHOWDEFAULT);
    platform::GetBackend().Shutdown();
    return iExitCode;
}
