// Fuzz target of the TGA reader (stb_image's, built into the program): any input either gives no
// image or an image within the limits whose pixels fill its size exactly. Anything else, or any
// sanitizer report from inside the reader, stops the run.
#include "Texture.h"
#include "TgaImages.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace Plexa3DApp;
    const TDecodedImage image = DecodeTgaBytes(std::span<const std::uint8_t>(data, size));
    if (image.Outcome == TDecodedImage::TOutcome::Decoded) {
        const bool sound = image.Width >= 1 && image.Height >= 1 &&
                           image.Width <= ZuveloGraphLibrary::MaxTextureSide &&
                           image.Height <= ZuveloGraphLibrary::MaxTextureSide &&
                           image.Pixels.size() == std::size_t(image.Width) * image.Height;
        if (!sound) {
            std::fprintf(stderr, "broken invariant: decoded image of %d x %d, %zu pixels\n",
                         image.Width, image.Height, image.Pixels.size());
            std::abort();
        }
        // A texture is made of every image decoded: its smaller copies must hold too.
        const ZuveloGraphLibrary::TTexture texture(image.Width, image.Height, image.Pixels);
        (void)texture.Sample(0.3f, 0.7f, texture.LevelCount() - 1,
                             ZuveloGraphLibrary::TTextureWrap::Mirror);
    } else if (!image.Pixels.empty()) {
        std::fprintf(stderr, "broken invariant: pixels without an image\n");
        std::abort();
    }
    return 0;
}
