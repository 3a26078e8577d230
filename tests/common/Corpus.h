// The folder of third-party .3DS files that some tests read. A clone without it skips those
// tests; with PLEXA3D_REQUIRE_CORPUS=1 in the environment (as in CI) a missing folder fails them.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace Plexa3DTest {

// Whether `marker` (the folder or a file of it) exists; when it does not and the corpus is
// required, the running test fails.
inline bool CorpusPresent(const std::filesystem::path& marker) {
    if (std::filesystem::exists(marker)) {
        return true;
    }
    const char* required = std::getenv("PLEXA3D_REQUIRE_CORPUS");
    if (required && std::strcmp(required, "1") == 0) {
        ADD_FAILURE() << "the corpus is required but " << marker << " is absent";
    }
    return false;
}

} // namespace Plexa3DTest
