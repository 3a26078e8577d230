// The images a model's materials name, found beside the model and decoded once each. The decoding
// itself is the caller's (the windows decode with the GUI toolkit's image readers); this part
// finds the files, keeps one decoded image per file, refuses images that are too large, and notes
// what could not be shown.
#pragma once

#include "CompanionFiles.h"
#include "ModelLooks.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace Plexa3DApp {

using Plexa3DFormats::ModelFolder;

// What a decoder made of a file: the image (pixels 0x??RRGGBB, rows from the top), or why not.
struct TDecodedImage {
    enum class TOutcome : std::uint8_t { Decoded, Unreadable, TooLarge };
    TOutcome Outcome = TOutcome::Unreadable;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::vector<std::uint32_t> Pixels;
};

// Decodes the image file at a path. It must answer TooLarge, before decoding, for an image of more
// than ZuveloGraphLibrary::MaxTextureSide pixels a side or MaxTextureBytes decoded.
using TImageDecoder = std::function<TDecodedImage(const std::string& path)>;
// Decodes an image file's bytes held in memory, with the same duty.
using TImageBytesDecoder = std::function<TDecodedImage(std::span<const std::uint8_t> bytes)>;

// Finds the image of every material with a texture map in `folder` and decodes each file once,
// several side by side (the decoders are called from more than one thread at once), into
// looks.Images (materials naming one file share its image); a material whose image is not found,
// cannot be decoded or is too large keeps none, and a note says so, once per name. Without a
// decoder nothing is decoded and nothing noted. Images the model file holds itself are decoded from
// their bytes, once each, by `decodeBytes`.
void LoadModelImages(ZuveloGraphLibrary::TModelLooks& looks, const std::string& folder,
                     const TImageDecoder& decode, const TImageBytesDecoder& decodeBytes = {});

// The same in steps, for a caller that decodes only the images it comes to need, while it does
// something else. The constructor finds the files. Want marks the images of some materials as
// needed; DecodeNext decodes the largest image marked and not yet taken, and answers false when
// there is none. Both may be called from several threads at once, and Want again while images
// decode. Finish, once every call of DecodeNext has returned, fills looks.Images and the notes:
// an image never marked is neither decoded nor told of (a file not found is told in any case).
// The looks must outlive the load and keep their materials.
class TModelImagesLoad {
public:
    TModelImagesLoad(ZuveloGraphLibrary::TModelLooks& looks, const std::string& folder,
                     TImageDecoder decode, TImageBytesDecoder decodeBytes = {});
    ~TModelImagesLoad();
    TModelImagesLoad(const TModelImagesLoad&) = delete;
    TModelImagesLoad& operator=(const TModelImagesLoad&) = delete;

    // How many image files were found (each counted once).
    std::size_t Found() const;
    // The images of the materials marked (by their numbers); without marks, of every material.
    void Want(const std::vector<bool>& materials);
    void WantAll();
    // Whether every image found is wanted.
    bool AllWanted();
    bool DecodeNext();
    void Finish();

private:
    static constexpr std::size_t None = std::size_t(-1);
    struct TSource;
    bool Later(std::size_t a, std::size_t b) const;

    ZuveloGraphLibrary::TModelLooks& looks_;
    const TImageDecoder decode_;
    const TImageBytesDecoder decodeBytes_;
    std::vector<TSource> sources_;
    std::vector<std::size_t> shown_; // per material, its source, or None
    std::mutex wanting_;             // guards the sources' Wanted and what follows
    std::vector<std::size_t> queue_; // sources wanted and not yet taken: a heap, largest on top
    std::size_t wanted_ = 0;
};

// A note in words, for the window (Italian) or the command line (English).
enum class TNoteLanguage : std::uint8_t { Window, CommandLine };
std::string NoteText(const ZuveloGraphLibrary::TLooksNote& note, TNoteLanguage language);

} // namespace Plexa3DApp
