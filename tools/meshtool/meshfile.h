// The demo's mesh file: a header, 16-bit triangle-list indices and packed float vertices whose
// layout the format bits describe.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace meshfile {

// Vertex-format bits and the floats each element takes.
enum Bits : uint16_t {
    kPosition = 1 << 0,
    kNormal = 1 << 1,
    kTexcoord = 1 << 2,
    kTangent = 1 << 3,
    kBinormal = 1 << 4,
    kColor = 1 << 5,
    kBlendWeight = 1 << 6,
    kTexcoord3a = 1 << 7,
    kTexcoord3b = 1 << 8,
    kTexcoord3c = 1 << 9,
};
// Floats per element of bit i (0 for bits without an element).
int elementFloats(int bit);
const char* elementName(int bit);
// Bytes per vertex for a set of format bits.
uint32_t strideFor(uint16_t formatBits);

constexpr size_t kHeaderSize = 86;

struct Mesh {
    std::string name;          // stored in the header's 64-byte name field
    uint16_t formatBits = 0;
    uint32_t stride = 0;       // bytes per vertex
    std::vector<uint16_t> indices;  // three per triangle
    std::vector<float> vertices;    // stride / 4 floats per vertex
    uint32_t vertexCount() const { return stride ? uint32_t(vertices.size() * 4 / stride) : 0; }
    uint32_t triangleCount() const { return uint32_t(indices.size() / 3); }
};

std::vector<uint8_t> encode(const Mesh& m);
// Throws std::runtime_error when the bytes do not hold a complete, consistent mesh.
Mesh decode(const std::vector<uint8_t>& bytes);

std::vector<uint8_t> readFile(const std::string& path);
void writeFile(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace meshfile
