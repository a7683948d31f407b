// A private temporary directory for tests that read and write real files,
// removed with everything in it when the object goes.
#ifndef ORVANTA_TESTS_SCRATCH_FILES_H
#define ORVANTA_TESTS_SCRATCH_FILES_H

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

using Bytes = std::vector<uint8_t>;

class ScratchDir {
public:
    ScratchDir() {
        static int iCount = 0;
        dir_ = std::filesystem::temp_directory_path() /
               ("orvanta-test-" + std::to_string(getpid()) + "-" + std::to_string(++iCount));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    ~ScratchDir() {
        std::error_code error;
        std::filesystem::remove_all(dir_, error);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    std::string Path(const std::string& sName) const { return (dir_ / sName).string(); }
    std::string Write(const std::string& sName, const Bytes& bytes) const {  // returns the path
        std::ofstream file(Path(sName), std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return Path(sName);
    }
    static Bytes Read(const std::string& sPath) {
        std::ifstream file(sPath, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }

private:
    std::filesystem::path dir_;
};

#endif
