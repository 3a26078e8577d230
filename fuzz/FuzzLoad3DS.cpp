// Fuzz target of the .3DS reader. Load3DS reads files, so each input is written to one temporary
// file per process and loaded from there. A load either raises one of the library's errors or
// leaves a record whose counts and arrays agree; anything else stops the run.
#include "Import3DS.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace {

using namespace ZuveloGraphLibrary;

// A plain array, so that the file can still be removed at exit after the strings are gone.
char inputPath[64];

const char* InputPath() {
    if (inputPath[0] == '\0') {
        std::snprintf(inputPath, sizeof inputPath, "/tmp/plexa3d-fuzz-load3ds-%ld.3ds",
                      static_cast<long>(::getpid()));
        std::atexit([] { ::unlink(inputPath); });
    }
    return inputPath;
}

void WriteInput(const std::uint8_t* data, std::size_t size) {
    const int fd = ::open(InputPath(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        std::perror("fuzz input");
        std::abort();
    }
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n <= 0) {
            std::perror("fuzz input");
            std::abort();
        }
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
}

void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "broken invariant: %s\n", what);
        std::abort();
    }
}

void CheckRecord(const TObject3D& object) {
    Require(object.Name.size() <= MaxObjectNameLength, "name longer than 80 bytes");
    Require(object.VertexCount >= 0 && object.VertexCount <= 65535, "vertex count range");
    Require(object.FaceCount >= 0 && object.FaceCount <= 65535, "face count range");
    Require(object.Vertices.Count() == object.VertexCount, "vertex array size");
    Require(object.WorldVertices.Count() == object.VertexCount, "world vertex array size");
    Require(object.Faces.Count() == object.FaceCount, "face array size");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    WriteInput(data, size);
    TObject3D object;
    try {
        Load3DS(InputPath(), object);
    } catch (const RuntimeError&) {
        return 0;
    }
    CheckRecord(object);
    return 0;
}
