// A private temporary directory for tests that read and write real files,
// removed with everything in it when the object goes.
#ifndef ORVANTA_TESTS_SCRATCH_FILES_H
#define ORVANTA_TESTS_SCRATCH_FILES_H

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    std::string Path(const std::string& sName) const;
    std::string Write(const std::string& sName, const Bytes& bytes) const;  // returns the path
    static Bytes Read(const std::string& sPath);

private:
    std::filesystem::path dir_;
};

#endif
