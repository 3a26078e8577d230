#include "ModelImages.h"

#include "SideBySide.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <system_error>
#include <utility>
#include <vector>

namespace Plexa3DApp {

using namespace ZuveloGraphLibrary;
using Plexa3DFormats::FindFileIgnoringCase;

struct TModelImagesLoad::TSource {
    std::string Key; // the file's path, or for an image the model holds, its number
    std::optional<std::size_t> Embedded;
    std::uintmax_t Bytes = 0;
    std::shared_ptr<const TTexture> Image;
    TLooksNote::TKind Failure = TLooksNote::TKind::ImageUnreadable;
    bool Wanted = false;
};

TModelImagesLoad::TModelImagesLoad(TModelLooks& looks, const std::string& folder,
                                   TImageDecoder decode, TImageBytesDecoder decodeBytes)
    : looks_(looks), decode_(std::move(decode)), decodeBytes_(std::move(decodeBytes)),
      shown_(looks.Materials.size(), None) {
    if (!decode_) {
        return;
    }
    // Which image each material shows: a file by its path, an embedded one by its number.
    std::map<std::string, std::size_t> byKey;
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
        if (!path || (embedded && !decodeBytes_)) {
            continue;
        }
        const auto [found, added] = byKey.emplace(*path, sources_.size());
        if (added) {
            TSource& source = sources_.emplace_back();
            source.Key = *path;
            std::error_code error;
            if (embedded) {
                source.Embedded = std::size_t(map->Embedded);
                source.Bytes = looks.EmbeddedImages[*source.Embedded].size();
            } else if (const std::uintmax_t bytes = std::filesystem::file_size(*path, error);
                       !error) {
                source.Bytes = bytes;
            }
        }
        shown_[m] = found->second;
    }
}

TModelImagesLoad::~TModelImagesLoad() = default;

std::size_t TModelImagesLoad::Found() const {
    return sources_.size();
}

void TModelImagesLoad::WantAll() {
    Want(std::vector<bool>(shown_.size(), true));
}

// Which source is decoded later: the smaller, of equal sizes the one found later.
bool TModelImagesLoad::Later(std::size_t a, std::size_t b) const {
    return sources_[a].Bytes < sources_[b].Bytes ||
           (sources_[a].Bytes == sources_[b].Bytes && a > b);
}

void TModelImagesLoad::Want(const std::vector<bool>& materials) {
    // The largest first: the longest decoding starts at once and the others share the rest of
    // the threads, rather than the longest starting last.
    const std::lock_guard lock(wanting_);
    for (std::size_t m = 0; m < shown_.size() && m < materials.size(); ++m) {
        if (materials[m] && shown_[m] != None && !sources_[shown_[m]].Wanted) {
            sources_[shown_[m]].Wanted = true;
            ++wanted_;
            queue_.push_back(shown_[m]);
            std::push_heap(queue_.begin(), queue_.end(),
                           [this](std::size_t a, std::size_t b) { return Later(a, b); });
        }
    }
}

bool TModelImagesLoad::AllWanted() {
    const std::lock_guard lock(wanting_);
    return wanted_ == sources_.size();
}

bool TModelImagesLoad::DecodeNext() {
    std::size_t next = None;
    {
        const std::lock_guard lock(wanting_);
        if (queue_.empty()) {
            return false;
        }
        std::pop_heap(queue_.begin(), queue_.end(),
                      [this](std::size_t a, std::size_t b) { return Later(a, b); });
        next = queue_.back();
        queue_.pop_back();
    }
    TSource& source = sources_[next];
    TDecodedImage decoded = source.Embedded ? decodeBytes_(looks_.EmbeddedImages[*source.Embedded])
                                            : decode_(source.Key);
    const std::int64_t pixels = std::int64_t(decoded.Width) * decoded.Height;
    if (decoded.Outcome == TDecodedImage::TOutcome::TooLarge || decoded.Width > MaxTextureSide ||
        decoded.Height > MaxTextureSide || pixels * 4 > MaxTextureBytes) {
        source.Failure = TLooksNote::TKind::ImageTooLarge;
    } else if (decoded.Outcome == TDecodedImage::TOutcome::Decoded && decoded.Width > 0 &&
               decoded.Height > 0 && decoded.Pixels.size() == std::size_t(pixels)) {
        source.Image = std::make_shared<const TTexture>(decoded.Width, decoded.Height,
                                                        std::move(decoded.Pixels));
    }
    return true;
}

void TModelImagesLoad::Finish() {
    looks_.Images.assign(looks_.Materials.size(), nullptr);
    if (!decode_) {
        return;
    }
    // What could not be shown, once per name, in the materials' order.
    std::set<std::string> noted;
    const auto note = [&](TLooksNote::TKind kind, const std::string& name) {
        if (noted.insert(name).second) {
            looks_.Notes.push_back({kind, name});
        }
    };
    for (std::size_t m = 0; m < looks_.Materials.size(); ++m) {
        const std::optional<TTextureMap>& map = looks_.Materials[m].Texture;
        if (!map) {
            continue;
        }
        if (shown_[m] == None) {
            note(TLooksNote::TKind::ImageMissing, map->FileName);
            continue;
        }
        looks_.Images[m] = sources_[shown_[m]].Image;
        if (!looks_.Images[m] && sources_[shown_[m]].Wanted) {
            note(sources_[shown_[m]].Failure, map->FileName);
        }
    }
}

void LoadModelImages(TModelLooks& looks, const std::string& folder, const TImageDecoder& decode,
                     const TImageBytesDecoder& decodeBytes) {
    // Each image once, side by side: decoding is most of the time a textured model takes.
    TModelImagesLoad load(looks, folder, decode, decodeBytes);
    load.WantAll();
    RunSideBySide(load.Found(), [&load](std::size_t) { load.DecodeNext(); });
    load.Finish();
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
