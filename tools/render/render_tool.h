// orvanta-render as a function: parse, load and save view files, render,
// write the PNG; returns the process's exit code.
#ifndef ORVANTA_RENDER_TOOL_H
#define ORVANTA_RENDER_TOOL_H

// 0 written, 1 an output or the --view file failed, 2 bad arguments.
int RunRenderTool(int argc, const char* const* argv);

#endif
