// orvanta-render's view files, read by the program's own LoadValues and
// written in the program's encoding, through its program-wide variables.
#ifndef ORVANTA_RENDER_VIEW_IO_H
#define ORVANTA_RENDER_VIEW_IO_H

#include "options.h"

#include <string>

// Loads a view file over *pValues as LoadValues does: fields missing from a
// short file keep their values. On failure *pValues is unchanged and
// *psError names the file; a size or format warning has gone to the boxes.
// A PNG (known by its signature) must carry a whole Orvanta view, which sets
// the values and *pbInvert; a PNG without one fails like a file of another format.
bool LoadViewFile(const std::string& sPath, DrawingValues* pValues, bool* pbInvert, std::string* psError);
// Writes the 65 bytes SaveValues would write, where sPath leads (OutputFile).
bool SaveViewFile(const std::string& sPath, const DrawingValues& values, std::string* psError);

#endif
