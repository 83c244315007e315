#include "tools/meshtool/meshfile.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace meshfile {

namespace {
const int kFloats[16] = {3, 3, 2, 3, 3, 3, 1, 3, 3, 3, 0, 0, 0, 0, 0, 0};
const char* kNames[16] = {"position", "normal", "texcoord", "tangent", "binormal", "color", "blendweight",
                          "texcoord3", "texcoord3", "texcoord3", "-", "-", "-", "-", "-", "-"};

void put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}
uint32_t get32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
}  // namespace

int elementFloats(int bit) { return bit >= 0 && bit < 16 ? kFloats[bit] : 0; }
const char* elementName(int bit) { return bit >= 0 && bit < 16 ? kNames[bit] : "-"; }

uint32_t strideFor(uint16_t formatBits) {
    uint32_t floats = 0;
    for (int b = 0; b < 16; ++b)
        if (formatBits & (1u << b)) floats += uint32_t(kFloats[b]);
    return floats * 4;
}

// Header: u32 mesh count in the file (always 1), 64-byte zero-padded name, u32 key count (the
// files carry no animation keys), then triangles, vertices, stride and format bits.
std::vector<uint8_t> encode(const Mesh& m) {
    if (m.indices.size() % 3) throw std::runtime_error("index count is not a multiple of three");
    if (m.stride == 0 || m.stride % 4 || (m.vertices.size() * 4) % m.stride)
        throw std::runtime_error("vertex data does not fill whole vertices of the stride");
    std::vector<uint8_t> out;
    put32(out, 1);
    char name[64] = {};
    std::strncpy(name, m.name.c_str(), sizeof name - 1);
    out.insert(out.end(), name, name + 64);
    put32(out, 0);
    put32(out, m.triangleCount());
    put32(out, m.vertexCount());
    put32(out, m.stride);
    out.push_back(uint8_t(m.formatBits & 0xff));
    out.push_back(uint8_t(m.formatBits >> 8));
    for (uint16_t i : m.indices) {
        out.push_back(uint8_t(i & 0xff));
        out.push_back(uint8_t(i >> 8));
    }
    for (float f : m.vertices) {
        uint32_t bits;
        std::memcpy(&bits, &f, 4);
        put32(out, bits);
    }
    return out;
}

Mesh decode(const std::vector<uint8_t>& bytes) {
    if (bytes.size() < kHeaderSize) throw std::runtime_error("shorter than the 86-byte header");
    const uint8_t* p = bytes.data();
    Mesh m;
    m.name.assign(reinterpret_cast<const char*>(p + 4), strnlen(reinterpret_cast<const char*>(p + 4), 64));
    uint32_t t = get32(p + 72), v = get32(p + 76);
    m.stride = get32(p + 80);
    m.formatBits = uint16_t(p[84] | p[85] << 8);
    uint64_t expected = kHeaderSize + 6ull * t + uint64_t(m.stride) * v;
    if (bytes.size() != expected)
        throw std::runtime_error("header promises " + std::to_string(expected) + " bytes, the file has " +
                                 std::to_string(bytes.size()));
    if (m.stride % 4) throw std::runtime_error("stride " + std::to_string(m.stride) + " is not a multiple of 4");
    m.indices.resize(size_t(t) * 3);
    for (size_t i = 0; i < m.indices.size(); ++i) m.indices[i] = uint16_t(p[kHeaderSize + 2 * i] | p[kHeaderSize + 2 * i + 1] << 8);
    m.vertices.resize(size_t(v) * m.stride / 4);
    const uint8_t* vp = p + kHeaderSize + 6ull * t;
    for (size_t i = 0; i < m.vertices.size(); ++i) {
        uint32_t bits = get32(vp + 4 * i);
        std::memcpy(&m.vertices[i], &bits, 4);
    }
    return m;
}

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open " + path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

}  // namespace meshfile
