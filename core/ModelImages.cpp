#include "ModelImages.h"

#include <algorithm>
#include <map>
#include <memory>
#include <set>

namespace Plexa3DApp {

using namespace ZuveloGraphLibrary;
using Plexa3DFormats::FindFileIgnoringCase;

void LoadModelImages(TModelLooks& looks, const std::string& folder, const TImageDecoder& decode,
                     const TImageBytesDecoder& decodeBytes) {
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
        const bool embedded =
            map->Embedded >= 0 && std::size_t(map->Embedded) < looks.EmbeddedImages.size();
        // Each image once: a file by its path, an embedded one by its number.
        const std::optional<std::string> path =
            embedded ? std::optional<std::string>("\n" + std::to_string(map->Embedded))
                     : FindFileIgnoringCase(folder, map->FileName);
        if (!path || (embedded && !decodeBytes)) {
            note(TLooksNote::TKind::ImageMissing, map->FileName);
            continue;
        }
        auto found = byPath.find(*path);
        if (found == byPath.end()) {
            TDecodedImage decoded =
                embedded ? decodeBytes(looks.EmbeddedImages[std::size_t(map->Embedded)])
                         : decode(*path);
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
