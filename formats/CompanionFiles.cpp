#include "CompanionFiles.h"

#include "FileReader.h"
#include "GraphErrors.h"

#include <algorithm>
#include <filesystem>

namespace Plexa3DFormats {

namespace fs = std::filesystem;

namespace {

bool IsKind(const fs::path& path, bool file) {
    std::error_code error;
    return file ? fs::is_regular_file(path, error) : fs::is_directory(path, error);
}

// The path that the parts lead to from the folder, each matched ignoring case.
std::optional<fs::path> Resolve(const fs::path& folder, const std::vector<std::string>& parts) {
    fs::path at = folder;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const bool last = i + 1 == parts.size();
        const fs::path exact = at / parts[i];
        if (IsKind(exact, last)) {
            at = exact;
            continue;
        }
        std::optional<fs::path> found;
        std::error_code error;
        for (fs::directory_iterator entry(at, error), end; !error && entry != end;
             entry.increment(error)) {
            if (EqualIgnoringCase(entry->path().filename().string(), parts[i]) &&
                IsKind(entry->path(), last)) {
                found = entry->path();
                break;
            }
        }
        if (!found) {
            return std::nullopt;
        }
        at = *found;
    }
    return at;
}

} // namespace

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return LowerAscii(x) == LowerAscii(y);
           });
}

std::optional<std::string> FindFileIgnoringCase(const std::string& folder,
                                                const std::string& name) {
    std::vector<std::string> parts;
    bool climbs = !name.empty() && (name.front() == '/' || name.front() == '\\');
    std::string part;
    for (std::size_t i = 0; i <= name.size(); ++i) {
        if (i == name.size() || name[i] == '/' || name[i] == '\\') {
            if (part == "..") {
                climbs = true;
            } else if (!part.empty() && part != ".") {
                parts.push_back(part);
            }
            part.clear();
        } else {
            part += name[i];
        }
    }
    if (parts.empty()) {
        return std::nullopt;
    }
    const fs::path base = folder.empty() ? fs::path(".") : fs::path(folder);
    std::optional<fs::path> found;
    if (!climbs) {
        found = Resolve(base, parts);
    }
    if (!found && (climbs || parts.size() > 1)) {
        found = Resolve(base, {parts.back()});
    }
    return found ? std::optional<std::string>(found->string()) : std::nullopt;
}

std::string ModelFolder(const std::string& fileName) {
    const std::size_t slash = fileName.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : fileName.substr(0, slash);
}

TCompanion ReadCompanionFile(const std::string& folder, const std::string& name,
                             std::size_t maxBytes) {
    TCompanion result;
    const std::optional<std::string> path = FindFileIgnoringCase(folder, name);
    if (!path) {
        return result;
    }
    result.Path = *path;
    try {
        ZuveloGraphLibrary::TFileReader file(*path);
        if (file.Size() > std::int64_t(maxBytes)) {
            result.State = TCompanion::TState::TooLarge;
            return result;
        }
        result.Bytes.resize(std::size_t(file.Size()));
        result.Bytes.resize(file.Read(result.Bytes.data(), result.Bytes.size()));
        file.Close();
        result.State = TCompanion::TState::Read;
    } catch (const ZuveloGraphLibrary::RuntimeError&) {
        result.Bytes.clear();
        result.State = TCompanion::TState::Unreadable;
    }
    return result;
}

} // namespace Plexa3DFormats
