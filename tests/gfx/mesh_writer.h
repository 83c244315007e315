// Writes mesh files in the demo's format from test code.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct MeshFileLayout {
    uint32_t triangles = 0;  // header's triangle count
    uint32_t vertices = 0;   // header's vertex count
    uint32_t stride = 0;     // header's stride
    uint16_t formatBits = 0;
    std::vector<uint16_t> indices;  // written as they are, whatever the counts say
    std::vector<float> vertexData;
};

inline void putU32(std::vector<unsigned char>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back((unsigned char)(v >> (8 * i)));
}

// The file's bytes, cut to `keepBytes` when given.
inline std::vector<unsigned char> meshFileBytes(const MeshFileLayout& layout, size_t keepBytes = SIZE_MAX) {
    std::vector<unsigned char> out;
    putU32(out, 7);
    out.insert(out.end(), 64, (unsigned char)'n');
    putU32(out, 0);
    putU32(out, layout.triangles);
    putU32(out, layout.vertices);
    putU32(out, layout.stride);
    out.push_back((unsigned char)(layout.formatBits & 0xff));
    out.push_back((unsigned char)(layout.formatBits >> 8));
    for (uint16_t i : layout.indices) {
        out.push_back((unsigned char)(i & 0xff));
        out.push_back((unsigned char)(i >> 8));
    }
    const auto* bytes = (const unsigned char*)layout.vertexData.data();
    out.insert(out.end(), bytes, bytes + layout.vertexData.size() * sizeof(float));
    if (keepBytes < out.size())
        out.resize(keepBytes);
    return out;
}

inline std::string writeMeshFile(const std::string& path, const MeshFileLayout& layout, size_t keepBytes = SIZE_MAX) {
    const std::vector<unsigned char> bytes = meshFileBytes(layout, keepBytes);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    return path;
}
