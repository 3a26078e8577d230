#include "TempDir.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace Plexa3DTest {

TTempDir::TTempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "plexa3d-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    path_ = pattern;
}

TTempDir::~TTempDir() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
}

std::string TTempDir::Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
    return Write(name, std::string(bytes.begin(), bytes.end()));
}

std::string TTempDir::Write(const std::string& name, const std::string& bytes) const {
    const std::filesystem::path file = path_ / name;
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + file.string());
    }
    return file.string();
}

} // namespace Plexa3DTest
