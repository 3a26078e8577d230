// The files a model names beside it: material libraries, buffers, images. They are looked up in
// the model's folder by the name the model gives, ignoring the case of ASCII letters, as old files
// name them in upper case while disks hold them in lower case.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Plexa3DFormats {

// The path of the file that `name` names inside `folder`, each part of it matched ignoring the
// case of ASCII letters (an exact match first), with '\' taken as '/'. A name that climbs out of
// the folder ("..") or starts at the root is looked up by its last part only, and so is a name
// whose path does not lead to a file. Nothing when there is no such file.
std::optional<std::string> FindFileIgnoringCase(const std::string& folder, const std::string& name);

// The letter in lower case, for an ASCII capital; any other byte as it is.
inline char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// Whether the two are the same but for the case of ASCII letters.
bool EqualIgnoringCase(std::string_view a, std::string_view b);

// The folder a model file lies in ("." for a bare name).
std::string ModelFolder(const std::string& fileName);

// A file the model names, read whole through the library's file reader.
struct TCompanion {
    enum class TState : std::uint8_t { Read, Missing, Unreadable, TooLarge };
    TState State = TState::Missing;
    std::vector<std::uint8_t> Bytes;
    std::string Path = {}; // where it was found, read or not; empty when Missing
};
TCompanion ReadCompanionFile(const std::string& folder, const std::string& name,
                             std::size_t maxBytes);

} // namespace Plexa3DFormats
