// Imports a model file (Wavefront OBJ and the other formats assimp reads) into one mesh of the
// demo's format, keeping the vertex elements the source holds.
#pragma once

#include "tools/meshtool/meshfile.h"

#include <string>

namespace meshfile {

struct ConvertOptions {
    bool flipV = true;           // source texture coordinates run upwards (OBJ); the demo's downwards
    bool tangents = false;       // add tangent and binormal (needs normals and texture coordinates)
    bool generateNormals = false;  // smooth normals where the source has none
    std::string name;            // header name; the file's stem when empty
};

// Every triangle mesh of the scene, node transforms applied, merged into one. Throws
// std::runtime_error when the file cannot be read, holds no triangles or needs more than 65,536
// vertices for its 16-bit indices.
Mesh convert(const std::string& path, const ConvertOptions& options);

}  // namespace meshfile
