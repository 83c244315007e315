// meshtool: converts models to the demo's mesh files and describes mesh files.
//
//   meshtool convert IN.obj OUT.mesh [--name NAME] [--tangents] [--normals] [--keep-v]
//   meshtool info FILE.mesh        header, vertex layout, bounds; fails on an inconsistent file
#include "tools/meshtool/convert.h"
#include "tools/meshtool/meshfile.h"

#include <algorithm>
#include <cfloat>
#include <cstdio>
#include <string>
#include <vector>

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: meshtool convert IN OUT.mesh [--name NAME] [--tangents] [--normals] [--keep-v]\n"
                 "       meshtool info FILE.mesh\n");
    return 2;
}

int info(const std::string& path) {
    std::vector<uint8_t> bytes = meshfile::readFile(path);
    meshfile::Mesh m = meshfile::decode(bytes);
    std::printf("%s: %zu bytes\n", path.c_str(), bytes.size());
    std::printf("  name       %s\n", m.name.c_str());
    std::printf("  triangles  %u\n  vertices   %u\n  stride     %u\n  format     0x%04x\n", m.triangleCount(),
                m.vertexCount(), m.stride, m.formatBits);
    uint32_t offset = 0;
    for (int b = 0; b < 16; ++b)
        if (m.formatBits & (1u << b)) {
            std::printf("    bit %-2d %-11s offset %2u, %d floats\n", b, meshfile::elementName(b), offset,
                        meshfile::elementFloats(b));
            offset += uint32_t(meshfile::elementFloats(b)) * 4;
        }
    int faults = 0;
    if (offset != m.stride) {
        std::printf("  ! the format bits describe %u bytes per vertex, the stride says %u\n", offset, m.stride);
        ++faults;
    }
    uint16_t maxIndex = 0;
    for (uint16_t i : m.indices) maxIndex = std::max(maxIndex, i);
    if (!m.indices.empty() && maxIndex >= m.vertexCount()) {
        std::printf("  ! index %u past the last vertex\n", maxIndex);
        ++faults;
    }
    if ((m.formatBits & meshfile::kPosition) && m.vertexCount()) {
        float lo[3] = {FLT_MAX, FLT_MAX, FLT_MAX}, hi[3] = {-FLT_MAX, -FLT_MAX, -FLT_MAX};
        size_t floats = m.stride / 4;
        for (size_t v = 0; v < m.vertexCount(); ++v)
            for (int k = 0; k < 3; ++k) {
                lo[k] = std::min(lo[k], m.vertices[v * floats + size_t(k)]);
                hi[k] = std::max(hi[k], m.vertices[v * floats + size_t(k)]);
            }
        std::printf("  bounds     (%.3f, %.3f, %.3f) .. (%.3f, %.3f, %.3f)\n", lo[0], lo[1], lo[2], hi[0], hi[1], hi[2]);
    }
    return faults ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    try {
        if (args.size() == 2 && args[0] == "info") return info(args[1]);
        if (args.size() >= 3 && args[0] == "convert") {
            meshfile::ConvertOptions options;
            for (size_t i = 3; i < args.size(); ++i) {
                if (args[i] == "--tangents")
                    options.tangents = true;
                else if (args[i] == "--normals")
                    options.generateNormals = true;
                else if (args[i] == "--keep-v")
                    options.flipV = false;
                else if (args[i] == "--name" && i + 1 < args.size())
                    options.name = args[++i];
                else
                    return usage();
            }
            meshfile::Mesh m = meshfile::convert(args[1], options);
            meshfile::writeFile(args[2], meshfile::encode(m));
            std::printf("meshtool: %s: %u triangles, %u vertices, stride %u, format 0x%04x\n", args[2].c_str(),
                        m.triangleCount(), m.vertexCount(), m.stride, m.formatBits);
            return 0;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "meshtool: %s\n", e.what());
        return 1;
    }
    return usage();
}
