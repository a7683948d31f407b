// orvanta-render: runs the real render loop on the offscreen platform and writes
// the finished client area as an 8-bit RGB PNG.
#include "render_tool.h"

int main(int argc, char** argv) { return RunRenderTool(argc, argv); }
