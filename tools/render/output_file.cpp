// Opening, writing and ending an output by the kind of file its name leads to.
#include "output_file.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#ifndef O_BINARY
#define O_BINARY 0
#endif
#ifndef O_NOCTTY
#define O_NOCTTY 0
#endif
#ifndef O_CLOEXEC
#define O_CLOEXEC 0
#endif

namespace fs = std::filesystem;

namespace {

// Temporaries tried beside a name before giving up: "NAME.part", "NAME.part1", ...
const int kTemporaryNames = 100;

// The file a name leads to: symbolic links followed one by one, a relative
// target taken from its link's folder; a link to nothing leads to the name
// it points to.
std::string Resolved(const std::string& sPath) {
    fs::path path = sPath;
    std::error_code error;
    for (int i = 0; i < 40 && fs::is_symlink(fs::symlink_status(path, error)); ++i) {
        fs::path target = fs::read_symlink(path, error);
        if (error) break;
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    return path.string();
}

// The temporaries being written, where a signal handler may find them:
// fixed slots, which it reads without a lock or an allocation.
const int kSignalSlots = 4;
struct SignalSlot {
    std::atomic<bool> bLive{false};
    char szPath[4096];
};
SignalSlot g_signalSlots[kSignalSlots];

void RemoveTemporariesAndEnd(int iSignal) {
    for (SignalSlot& slot : g_signalSlots)
        if (slot.bLive.load()) unlink(slot.szPath);
    std::signal(iSignal, SIG_DFL);
    std::raise(iSignal);
}

// The slot now holding sPath, or -1 when none is free or the path is too long.
int WatchTemporary(const std::string& sPath) {
    for (int i = 0; i < kSignalSlots; ++i) {
        SignalSlot& slot = g_signalSlots[i];
        if (slot.bLive.load() || sPath.size() >= sizeof slot.szPath) continue;
        std::memcpy(slot.szPath, sPath.c_str(), sPath.size() + 1);
        slot.bLive.store(true);
        return i;
    }
    return -1;
}

void ForgetTemporary(int iSlot) {
    if (iSlot >= 0) g_signalSlots[iSlot].bLive.store(false);
}

}  // namespace

void RemoveTemporariesOnSignals() {
    for (int iSignal : {SIGINT, SIGTERM}) std::signal(iSignal, RemoveTemporariesAndEnd);
#ifdef SIGHUP
    std::signal(SIGHUP, RemoveTemporariesAndEnd);
#endif
}

bool OutputFile::Fail(int iError, std::string* psError) {
    return Fail(iError ? std::strerror(iError) : "", psError);
}

bool OutputFile::Fail(const std::string& sReason, std::string* psError) {
    *psError = "cannot write " + (sKind_.empty() ? "" : sKind_ + " ") + "'" + sPath_ + "'" + (sReason.empty() ? "" : ": " + sReason);
    return false;
}

bool OutputFile::Open(const std::string& sPath, std::string* psError) {
    sPath_ = sPath;
    if (IsStandardOutput(sPath)) {
#ifdef _WIN32
        _setmode(_fileno(stdout), O_BINARY);
#endif
        pFile_ = stdout;
        return true;
    }
    std::string sTarget = Resolved(sPath);
    struct stat status;
    if (stat(sTarget.c_str(), &status) != 0) return OpenTemporary(sTarget, 0666, psError);
    if (S_ISDIR(status.st_mode)) return Fail(EISDIR, psError);
    if (S_ISREG(status.st_mode)) return OpenTemporary(sTarget, status.st_mode & 0777, psError);
    return OpenDirect(sTarget, psError);
}

// A pipe opens once it has a reader, as for any program writing to one.
bool OutputFile::OpenDirect(const std::string& sTarget, std::string* psError) {
    int iFile = open(sTarget.c_str(), O_WRONLY | O_BINARY | O_NOCTTY | O_CLOEXEC);
    if (iFile < 0) return Fail(errno, psError);
    struct stat status;
    if (fstat(iFile, &status) == 0 && S_ISREG(status.st_mode)) {  // it changed under us
        close(iFile);
        return OpenTemporary(sTarget, status.st_mode & 0777, psError);
    }
    pFile_ = fdopen(iFile, "wb");
    if (!pFile_) {
        int iError = errno;
        close(iFile);
        return Fail(iError, psError);
    }
    return true;
}

// Created afresh, never through a name that is already there; named here
// before it exists, so that whatever fails after, it is removed.
bool OutputFile::OpenTemporary(const std::string& sTarget, int iMode, std::string* psError) {
    sTarget_ = sTarget;
    for (int i = 0; i < kTemporaryNames; ++i) {
        sTemporary_ = sTarget + ".part" + (i ? std::to_string(i) : "");
        int iFile = open(sTemporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_BINARY | O_CLOEXEC, iMode);
        int iError = errno;
        if (iFile < 0) sTemporary_.clear();
        if (iFile < 0 && iError == EEXIST) continue;
        if (iFile < 0) return Fail(iError, psError);
        iSignalSlot_ = WatchTemporary(sTemporary_);
        pFile_ = fdopen(iFile, "wb");
        if (!pFile_) {
            iError = errno;
            close(iFile);
            Abandon();
            return Fail(iError, psError);
        }
        return true;
    }
    return Fail(EEXIST, psError);
}

bool OutputFile::Write(const void* pData, size_t cbData) {
    if (!pFile_ || iError_) return false;
    if (cbData == 0 || std::fwrite(pData, 1, cbData, pFile_) == cbData) return true;
    iError_ = errno ? errno : EIO;
    return false;
}

bool OutputFile::Commit(std::string* psError) {
    if (!pFile_) return Fail(iError_, psError);
    FILE* pFile = pFile_;
    pFile_ = nullptr;
    int iError = iError_;
    if (pFile == stdout) {
        if (std::fflush(pFile) != 0 && !iError) iError = errno;
    } else if (std::fclose(pFile) != 0 && !iError) {
        iError = errno ? errno : EIO;
    }
    std::error_code error;
    if (!iError && !sTemporary_.empty()) fs::rename(sTemporary_, sTarget_, error);
    if (!iError && !error) {
        sTemporary_.clear();
        ForgetTemporary(iSignalSlot_);
        iSignalSlot_ = -1;
        return true;
    }
    Abandon();
    return iError ? Fail(iError, psError) : Fail(error.message(), psError);
}

void OutputFile::Abandon() {
    if (pFile_ && pFile_ != stdout) std::fclose(pFile_);
    pFile_ = nullptr;
    if (!sTemporary_.empty()) std::remove(sTemporary_.c_str());
    sTemporary_.clear();
    ForgetTemporary(iSignalSlot_);
    iSignalSlot_ = -1;
}

bool OutputFile::Discard(std::string* psError) {
    Abandon();
    return Fail(iError_, psError);
}
