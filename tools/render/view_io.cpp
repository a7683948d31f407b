// View files for orvanta-render: read by the program's reader, written with
// the program's encoding to a named output; and the views its PNGs carry.
#include "view_io.h"

#include "engine.h"
#include "output_file.h"
#include "png_view.h"
#include "viewfile.h"

#include <cstring>

namespace {

// psFilePath holds at most 259 characters and the terminator.
bool SetFilePath(const std::string& sPath, std::string* psError) {
    if (sPath.size() >= sizeof psFilePath) {
        *psError = "view file name longer than " + std::to_string(sizeof psFilePath - 1) +
                   " characters: '" + sPath + "'";
        return false;
    }
    std::memcpy(psFilePath, sPath.c_str(), sPath.size() + 1);
    return true;
}

}  // namespace

bool LoadViewFile(const std::string& sPath, DrawingValues* pValues, bool* pbInvert, std::string* psError) {
    if (IsPngFile(sPath)) {
        PngView view;
        if (!LoadPngView(sPath, &view, psError)) return false;
        *pValues = view.values;
        *pbInvert = view.bInvert;
        return true;
    }
    if (!SetFilePath(sPath, psError)) return false;
    ApplyDrawingValues(*pValues);
    int iRead = ReadValues(nullptr);
    if (iRead != VIEW_READ) {
        *psError = iRead == VIEW_NOT_A_VIEW ? "'" + sPath + "' is not a view file"
                                            : "cannot open view file '" + sPath + "'";
        return false;
    }
    *pValues = CurrentDrawingValues();
    return true;
}

bool SaveViewFile(const std::string& sPath, const DrawingValues& values, std::string* psError) {
    ApplyDrawingValues(values);
    BYTE abFile[VIEW_FILE_SIZE];
    EncodeViewFile(abFile);
    OutputFile out("view file");
    if (!out.Open(sPath, psError)) return false;
    return out.Write(abFile, sizeof abFile) ? out.Commit(psError) : out.Discard(psError);
}
