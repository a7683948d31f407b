// Where orvanta-render's files land. A new name or a regular file is written
// as a temporary file beside it, renamed over the name once complete, so a
// failed write leaves the old file or nothing; a symbolic link has its target
// written so; a pipe, device, terminal or socket is written directly, in
// order, and never replaced; "-" is standard output.
#ifndef ORVANTA_RENDER_OUTPUT_FILE_H
#define ORVANTA_RENDER_OUTPUT_FILE_H

#include <cstddef>
#include <cstdio>
#include <string>
#include <utility>

class OutputFile {
public:
    // Messages say "cannot write KIND 'name'"; no kind for the PNG.
    explicit OutputFile(std::string sKind = "") : sKind_(std::move(sKind)) {}
    ~OutputFile() { Abandon(); }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // False with a one-line message naming sPath when it cannot be written.
    bool Open(const std::string& sPath, std::string* psError);
    // Bytes in order; false once any write has failed.
    bool Write(const void* pData, size_t cbData);
    // Ends the file: flushed, closed and, through a temporary, renamed over
    // the name. False with the message when anything failed; then nothing
    // is left of a temporary.
    bool Commit(std::string* psError);
    // Closes, and removes a temporary; a pipe or device keeps what it got.
    void Abandon();
    // Abandons a file that could not be made; false with the message, which
    // names the failed write if one failed.
    bool Discard(std::string* psError);

private:
    bool Fail(int iError, std::string* psError);
    bool Fail(const std::string& sReason, std::string* psError);
    bool OpenDirect(const std::string& sTarget, std::string* psError);
    bool OpenTemporary(const std::string& sTarget, int iMode, std::string* psError);

    std::string sKind_;
    std::string sPath_;       // as named
    std::string sTarget_;     // the file a temporary is renamed to, links followed
    std::string sTemporary_;  // empty when written directly
    FILE* pFile_ = nullptr;
    int iError_ = 0;  // errno of the first failed write
    int iSignalSlot_ = -1;  // where a signal finds the temporary
};

// From now on an interrupt, a termination or a hang-up removes the
// temporaries being written before the run ends as the signal would end it.
void RemoveTemporariesOnSignals();

// Standard output as a named output: "-".
inline bool IsStandardOutput(const std::string& sPath) { return sPath == "-"; }

#endif
