#include "ModelImages.h"

#include "SideBySide.h"

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <vector>

namespace Plexa3DApp {

using namespace ZuveloGraphLibrary;
using Plexa3DFormats::FindFileIgnoringCase;

void LoadModelImages(TModelLooks& looks, const std::string& folder, const TImageDecoder& decode,
                     const TImageBytesDecoder& decodeBytes) {
    looks.Images.assign(looks.Materials.size(), nullptr);
    if (!decode) {
        return;
    }
    // Which image each material shows: a file by its path, an embedded one by its number.
    struct TSource {
        std::string Key;
        std::optional<std::size_t> Embedded;
    };
    std::vector<TSource> sources;
    std::map<std::string, std::size_t> byKey;
    constexpr std::size_t None = std::size_t(-1);
    std::vector<std::size_t> shown(looks.Materials.size(), None);
    for (std::size_t m = 0; m < looks.Materials.size(); ++m) {
        const std::optional<TTextureMap>& map = looks.Materials[m].Texture;
        if (!map) {
            continue;
        }
        const bool embedded =
            map->Embedded >= 0 && std::size_t(map->Embedded) < looks.EmbeddedImages.size();
        const std::optional<std::string> path =
            embedded ? std::optional<std::string>("\n" + std::to_string(map->Embedded))
                     : FindFileIgnoringCase(folder, map->FileName);
        if (!path || (embedded && !decodeBytes)) {
            continue;
        }
        const auto [found, added] = byKey.emplace(*path, sources.size());
        if (added) {
            sources.push_back(
                {*path, embedded ? std::optional<std::size_t>(map->Embedded) : std::nullopt});
        }
        shown[m] = found->second;
    }

    // Each image once, side by side: decoding is most of the time a textured model takes.
    struct TDecoded {
        std::shared_ptr<const TTexture> Image;
        TLooksNote::TKind Failure = TLooksNote::TKind::ImageUnreadable;
    };
    std::vector<TDecoded> images(sources.size());
    RunSideBySide(sources.size(), [&](std::size_t i) {
        TDecodedImage decoded = sources[i].Embedded
                                    ? decodeBytes(looks.EmbeddedImages[*sources[i].Embedded])
                                    : decode(sources[i].Key);
        const std::int64_t pixels = std::int64_t(decoded.Width) * decoded.Height;
        if (decoded.Outcome == TDecodedImage::TOutcome::TooLarge ||
            decoded.Width > MaxTextureSide || decoded.Height > MaxTextureSide ||
            pixels * 4 > MaxTextureBytes) {
            images[i].Failure = TLooksNote::TKind::ImageTooLarge;
        } else if (decoded.Outcome == TDecodedImage::TOutcome::Decoded && decoded.Width > 0 &&
                   decoded.Height > 0 && decoded.Pixels.size() == std::size_t(pixels)) {
            images[i].Image = std::make_shared<const TTexture>(decoded.Width, decoded.Height,
                                                               std::move(decoded.Pixels));
        }
    });

    // What could not be shown, once per name, in the materials' order.
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
        if (shown[m] == None) {
            note(TLooksNote::TKind::ImageMissing, map->FileName);
            continue;
        }
        looks.Images[m] = images[shown[m]].Image;
        if (!looks.Images[m]) {
            note(images[shown[m]].Failure, map->FileName);
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
    case TLooksNote::TKind::FileMissing:
        text = window ? "File non trovato: " : "file not found: ";
        break;
    case TLooksNote::TKind::FileUnreadable:
        text = window ? "File illeggibile: " : "file cannot be read: ";
        break;
    case TLooksNote::TKind::PartSkipped:
        text = window ? "Tralasciato: " : "passed over: ";
        break;
    }
    return text + note.Subject;
}

} // namespace Plexa3DApp
