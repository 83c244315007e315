// Meshes in the demo's own file format (a small header, 16-bit triangle-list indices, raw
// vertices described by vertex-format bits), and the named mesh library.
#pragma once

#include <cstdint>
#include <vector>

#include "gfx/resource_stack.h"
#include "platform/d3d9.h"

// What one vertex-format bit adds to each vertex: an element of stream 0 (default method,
// usage index 0) placed after the elements of the lower bits. Bits 10 to 15 add nothing.
struct VertexFormatBit {
    BYTE usage;     // D3DDECLUSAGE
    BYTE type;      // D3DDECLTYPE
    uint32_t floats;
};
inline constexpr int kVertexFormatBitCount = 10;
extern const VertexFormatBit kVertexFormatBits[kVertexFormatBitCount];

// Size of the fixed header that precedes the index data of a mesh file.
inline constexpr uint32_t kMeshHeaderSize = 86;

// One animation key: a time and up to four components. Mesh files carry none.
struct MeshKey {
    float time;
    float value[4];
};

// The vertex layout of the CPU copies kept for 32-byte vertices.
struct MeshVertex {
    float position[3];
    float normal[3];
    float texcoord[2];
};
static_assert(sizeof(MeshVertex) == 32);

struct Mesh {
    std::vector<MeshKey> positionKeys, scaleKeys, rotationKeys;  // always empty
    std::vector<MeshVertex> vertexCopyA, vertexCopyB;  // only for a stride of 32, else empty
    IDirect3DVertexBuffer9* vertexBuffer = nullptr;
    IDirect3DIndexBuffer9* indexBuffer = nullptr;
    IDirect3DVertexDeclaration9* declaration = nullptr;
    uint32_t vertexCount = 0;
    uint32_t stride = 0;
    uint32_t triangleCount = 0;
    std::vector<uint16_t> indices;  // CPU copy of the index data, three per triangle

    Mesh() = default;
    Mesh(const Mesh&) = delete;
    Mesh& operator=(const Mesh&) = delete;
    ~Mesh() { release(); }

    // Loads a mesh file into fresh buffers and a declaration built from its format bits. A
    // file that cannot be opened, or whose contents do not fit its header, leaves it empty.
    void loadFile(const char* path);
    // Draws the whole mesh as an indexed triangle list with the current effect pass.
    void draw() const;
    // Releases the Direct3D objects and frees the CPU copies; the counts stay.
    void release();
};

// Builds the vertex declaration of a set of format bits into *declaration. Bits 10 to 15 have
// no element and are reported. Returns true when the declaration was created.
bool buildVertexDecl(uint16_t formatBits, IDirect3DVertexDeclaration9** declaration);

// Bytes per vertex that a set of format bits describes (bits 10 to 15 count nothing).
uint32_t formatBitsVertexSize(uint16_t formatBits);

struct MeshProxy : ResourceStack<Mesh> {
    MeshProxy() = default;
    MeshProxy(const MeshProxy&) = delete;
    MeshProxy& operator=(const MeshProxy&) = delete;
    ~MeshProxy();

    // Loads each (path, name) pair of a null-terminated list; every pair is registered,
    // whether or not its file loaded.
    void load(const char* const list[]);
};

extern MeshProxy partOneMeshes;  // "shape"
extern MeshProxy headMeshes;     // "g1" to "g6"
