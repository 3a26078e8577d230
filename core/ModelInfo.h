// What a whole-model import reads from a file, told in lines of "key: value" for the command
// line's --info: file, format, meshes, triangles, vertices, materials, textures (found beside the
// model or held in it), textures missing (their names), bounds (min and max x, y, z of the vertices
// that faces use).
#pragma once

#include <string>
#include <vector>

namespace Plexa3DApp {

// Raises the reader's errors, and the refusal of a file of no known format. What the reader passed
// over or could not find goes to `notes`, in the command line's words, when given.
std::string DescribeModelFile(const std::string& fileName,
                              std::vector<std::string>* notes = nullptr);

} // namespace Plexa3DApp
