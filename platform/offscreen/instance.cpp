// The offscreen backend is the platform of the programs linked with it alone.
#include "offscreen.h"

platform::Backend& platform::GetBackend() {
    static offscreen::OffscreenBackend backend;
    return backend;
}
