// Path helpers. The backslash is the only separator they know.
#pragma once

#include <string>

namespace ZuveloArchiveLibrary {

// The leading part of Path up to and including its last backslash. Position 1 is never tested:
// a path with no backslash after its first character gives that first character alone.
std::string ExtractPath(const std::string& Path);

} // namespace ZuveloArchiveLibrary
