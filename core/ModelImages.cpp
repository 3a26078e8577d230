#include "ModelImages.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <set>

namespace Plexa3DApp {

using namespace ZuveloGraphLibrary;
namespace fs = std::filesystem;

namespace {

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return Lower(x) == Lower(y); });
}

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

void LoadModelImages(TModelLooks& looks, const std::string& folder, const TImageDecoder& decode) {
    looks.Images.assign(looks.Materials.size(), nullptr);
    if (!decode) {
        return;
    }
    struct TDecoded {
        std::shared_ptr<const TTexture> Image;
        TLooksNote::TKind Failure = TLooksNote::TKind::ImageUnreadable;
    };
    std::map<std::string, TDecoded> byPath;
    std::set<std::string> noted;
    const auto note = [&](TLooksNote::TKind kind, const std::string& name) {
        if (noted.insert(name).second) {
            looks.Notes.push_back({kind, name});
        }
    };
    for (std::size_t m = 0; m < looks.Materials.size(); ++m) {
        const std::optional<TTextureMap>& map = looks.Materials[m].Texture;
        if (!map) {
            continue;
        }
        const std::optional<std::string> path = FindFileIgnoringCase(folder, map->FileName);
        if (!path) {
            note(TLooksNote::TKind::ImageMissing, map->FileName);
            continue;
        }
        auto found = byPath.find(*path);
        if (found == byPath.end()) {
            TDecodedImage decoded = decode(*path);
            TDecoded result;
            const std::int64_t pixels = std::int64_t(decoded.Width) * decoded.Height;
            if (decoded.Outcome == TDecodedImage::TOutcome::TooLarge ||
                decoded.Width > MaxTextureSide || decoded.Height > MaxTextureSide ||
                pixels * 4 > MaxTextureBytes) {
                result.Failure = TLooksNote::TKind::ImageTooLarge;
            } else if (decoded.Outcome == TDecodedImage::TOutcome::Decoded && decoded.Width > 0 &&
                       decoded.Height > 0 && decoded.Pixels.size() == std::size_t(pixels)) {
                result.Image = std::make_shared<const TTexture>(decoded.Width, decoded.Height,
                                                                std::move(decoded.Pixels));
            }
            found = byPath.emplace(*path, std::move(result)).first;
        }
        looks.Images[m] = found->second.Image;
        if (!found->second.Image) {
            note(found->second.Failure, map->FileName);
        }
    }
}

std::string NoteText(const TLooksNote& note, TNoteLanguage language) {
    const bool window = language == TNoteLanguage::Window;
    const char* text = "";
    switch (note.Kind) {
    case TLooksNote::TKind::ImageMissing:
        text = window ? "Immagine non trovata: " : "image not found: ";
        break;
    case TLooksNote::TKind::ImageUnreadable:
        text = window ? "Immagine illeggibile: " : "image cannot be read: ";
        break;
    case TLooksNote::TKind::ImageTooLarge:
        text = window ? "Immagine troppo grande: " : "image too large: ";
        break;
    }
    return text + note.Subject;
}

std::string ModelFolder(const std::string& fileName) {
    const std::size_t slash = fileName.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : fileName.substr(0, slash);
}

} // namespace Plexa3DApp
