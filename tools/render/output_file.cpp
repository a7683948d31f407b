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
// fixed slots, which it reads without a lock or an allocation. A slot is
// OPENING from just before its file is created until it is known whether the
// file is ours: a signal then is left to the opener, which ends the run once
// it knows, rather than remove a file that may be another's or leave ours.
const int kSignalSlots = 4;
enum SlotState { SLOT_FREE, SLOT_OPENING, SLOT_OURS };
struct SignalSlot {
    std::atomic<int> iState{SLOT_FREE};
    char szPath[4096];
};
SignalSlot g_signalSlots[kSignalSlots];
std::atomic<int> g_iDeferredSignal{0};

void RemoveTemporariesAndEnd(int iSignal) {
    for (SignalSlot& slot : g_signalSlots)
        if (slot.iState.load() == SLOT_OURS) unlink(slot.szPath);
    std::signal(iSignal, SIG_DFL);
    std::raise(iSignal);
}

// The signal is noted before the slots are looked at, and the opener notes
// its slot's state before it looks for a signal: one of the two sees the
// other, whichever thread the signal runs on.
void OnSignal(int iSignal) {
    g_iDeferredSignal.store(iSignal);
    for (SignalSlot& slot : g_signalSlots)
        if (slot.iState.load() == SLOT_OPENING) return;
    RemoveTemporariesAndEnd(iSignal);
}

// The slot now OPENING for sPath, or -1 when none is free or the path is too long.
int WatchTemporary(const std::string& sPath) {
    for (int i = 0; i < kSignalSlots; ++i) {
        SignalSlot& slot = g_signalSlots[i];
        if (slot.iState.load() != SLOT_FREE || sPath.size() >= sizeof slot.szPath) continue;
        std::memcpy(slot.szPath, sPath.c_str(), sPath.size() + 1);
        slot.iState.store(SLOT_OPENING);
        return i;
    }
    return -1;
}

// The slot's file turned out ours or not; a signal that came meanwhile ends the run now.
void SettleTemporary(int iSlot, bool bOurs) {
    if (iSlot < 0) return;
    g_signalSlots[iSlot].iState.store(bOurs ? SLOT_OURS : SLOT_FREE);
    if (int iSignal = g_iDeferredSignal.load()) RemoveTemporariesAndEnd(iSignal);
}

void ForgetTemporary(int iSlot) {
    if (iSlot >= 0) g_signalSlots[iSlot].iState.store(SLOT_FREE);
}

}  // namespace

void RemoveTemporariesOnSignals() {
    for (int iSignal : {SIGINT, SIGTERM}) std::signal(iSignal, OnSignal);
#ifdef SIGHUP
    std::signal(SIGHUP, OnSignal);
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

// Created afresh, never through a name that is already there; watched from
// just before it exists, so that whatever fails or comes after, it is removed.
bool OutputFile::OpenTemporary(const std::string& sTarget, int iMode, std::string* psError) {
    sTarget_ = sTarget;
    for (int i = 0; i < kTemporaryNames; ++i) {
        sTemporary_ = sTarget + ".part" + (i ? std::to_string(i) : "");
        iSignalSlot_ = WatchTemporary(sTemporary_);
        int iFile = open(sTemporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_BINARY | O_CLOEXEC, iMode);
        int iError = errno;
        SettleTemporary(iSignalSlot_, iFile >= 0);
        if (iFile < 0) {
            sTemporary_.clear();
            iSignalSlot_ = -1;
            if (iError == EEXIST) continue;
            return Fail(iError, psError);
        }
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
