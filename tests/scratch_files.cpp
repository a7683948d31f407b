// Temporary directories for file tests.
#include "scratch_files.h"

#include <fstream>
#include <iterator>
#include <unistd.h>

ScratchDir::ScratchDir() {
    static int iCount = 0;
    dir_ = std::filesystem::temp_directory_path() /
           ("orvanta-test-" + std::to_string(getpid()) + "-" + std::to_string(++iCount));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
}

ScratchDir::~ScratchDir() {
    std::error_code error;
    std::filesystem::remove_all(dir_, error);
}

std::string ScratchDir::Path(const std::string& sName) const { return (dir_ / sName).string(); }

std::string ScratchDir::Write(const std::string& sName, const Bytes& bytes) const {
    std::string sPath = Path(sName);
    std::ofstream file(sPath, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return sPath;
}

Bytes ScratchDir::Read(const std::string& sPath) {
    std::ifstream file(sPath, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}
