// A temporary folder for a test's files, removed with everything in it when the test ends.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace Plexa3DTest {

class TTempDir {
public:
    TTempDir();
    ~TTempDir();
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    // Writes a file in the folder and returns its full path.
    std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const;
    std::string Write(const std::string& name, const std::string& bytes) const;

private:
    std::filesystem::path path_;
};

} // namespace Plexa3DTest
