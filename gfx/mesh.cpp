#include "gfx/mesh.h"

#include <cstdio>
#include <cstring>

#include "gfx/diagnostics.h"
#include "gfx/host.h"

const VertexFormatBit kVertexFormatBits[kVertexFormatBitCount] = {
    {D3DDECLUSAGE_POSITION, D3DDECLTYPE_FLOAT3, 3},
    {D3DDECLUSAGE_NORMAL, D3DDECLTYPE_FLOAT3, 3},
    {D3DDECLUSAGE_TEXCOORD, D3DDECLTYPE_FLOAT2, 2},
    {D3DDECLUSAGE_TANGENT, D3DDECLTYPE_FLOAT3, 3},
    {D3DDECLUSAGE_BINORMAL, D3DDECLTYPE_FLOAT3, 3},
    {D3DDECLUSAGE_COLOR, D3DDECLTYPE_FLOAT3, 3},
    {D3DDECLUSAGE_BLENDWEIGHT, D3DDECLTYPE_FLOAT1, 1},
    {D3DDECLUSAGE_TEXCOORD, D3DDECLTYPE_FLOAT3, 3},
    {D3DDECLUSAGE_TEXCOORD, D3DDECLTYPE_FLOAT3, 3},
    {D3DDECLUSAGE_TEXCOORD, D3DDECLTYPE_FLOAT3, 3},
};

MeshProxy partOneMeshes;
MeshProxy headMeshes;

namespace {

uint32_t readU32(const unsigned char* p) {
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

// The vertex data of a file while it loads.
struct VertexArray {
    std::vector<float> data;
    uint32_t count = 0;
    uint32_t stride = 0;
    uint16_t formatBits = 0;
};

// A file whose contents do not match its header is refused before anything is created.
void refuseMeshFile(const char* path, const char* why) {
    std::printf("MeshFile [%s] refused: %s\n", path, why);
    MessageBoxA(nullptr, path, "Invalid MeshFile", MB_OK);
}

}  // namespace

uint32_t formatBitsVertexSize(uint16_t formatBits) {
    uint32_t floats = 0;
    for (int bit = 0; bit < kVertexFormatBitCount; ++bit)
        if (formatBits & (1u << bit))
            floats += kVertexFormatBits[bit].floats;
    return 4 * floats;
}

bool buildVertexDecl(uint16_t formatBits, IDirect3DVertexDeclaration9** declaration) {
    D3DVERTEXELEMENT9 elements[kVertexFormatBitCount + 1];
    int count = 0;
    uint32_t offset = 0;  // in floats
    for (int bit = 0; bit < 16; ++bit) {
        if (!(formatBits & (1u << bit)))
            continue;
        if (bit >= kVertexFormatBitCount) {
            MessageBoxA(nullptr, "There's something very wrong", "VertexDecl", MB_OK);
            std::printf("vertexdecl bit[%d]\n", bit);
            continue;
        }
        const VertexFormatBit& format = kVertexFormatBits[bit];
        elements[count++] = {0, (WORD)(4 * offset), format.type, D3DDECLMETHOD_DEFAULT, format.usage, 0};
        offset += format.floats;
    }
    elements[count] = D3DDECL_END();

    IDirect3DVertexDeclaration9* created = nullptr;
    const HRESULT hr = d3dDevice ? d3dDevice->CreateVertexDeclaration(elements, &created) : D3DERR_INVALIDCALL;
    if (FAILED(hr) || !created) {
        reportResult(hr, "VertexDecl", "Murvik");
        return false;
    }
    if (declaration)
        *declaration = created;
    else
        created->Release();
    return true;
}

void Mesh::loadFile(const char* path) {
    release();
    vertexCount = stride = triangleCount = 0;
    std::FILE* file = path ? std::fopen(path, "rb") : nullptr;
    if (!file) {
        MessageBoxA(nullptr, path ? path : "(null)", "Failed To Open The MeshFile", MB_OK);
        return;
    }
    struct Closer {
        std::FILE* f;
        ~Closer() { std::fclose(f); }
    } closer{file};

    // Check the header's promises against the file before allocating or creating anything.
    long long fileSize = -1;
    if (std::fseek(file, 0, SEEK_END) == 0)
        fileSize = std::ftell(file);
    std::rewind(file);
    unsigned char header[kMeshHeaderSize];
    if (fileSize < (long long)kMeshHeaderSize || std::fread(header, 1, sizeof header, file) != sizeof header) {
        refuseMeshFile(path, "shorter than its header");
        return;
    }
    const uint32_t triangles = readU32(header + 72);
    const uint32_t vertices = readU32(header + 76);
    const uint32_t vertexStride = readU32(header + 80);
    const uint16_t formatBits = (uint16_t)(header[84] | header[85] << 8);

    const uint64_t indexBytes = 6ull * triangles;
    const uint64_t vertexBytes = (uint64_t)vertexStride * vertices;
    if (indexBytes > UINT32_MAX || vertexBytes > UINT32_MAX) {
        refuseMeshFile(path, "buffer sizes beyond 32 bits");
        return;
    }
    if (kMeshHeaderSize + indexBytes + vertexBytes > (uint64_t)fileSize) {
        refuseMeshFile(path, "counts promise more data than the file holds");
        return;
    }
    if (vertices > 0 && vertexStride < formatBitsVertexSize(formatBits)) {
        refuseMeshFile(path, "stride shorter than its vertex format");
        return;
    }

    std::vector<uint16_t> fileIndices(3ull * triangles);
    VertexArray vertexArray;
    vertexArray.count = vertices;
    vertexArray.stride = vertexStride;
    vertexArray.formatBits = formatBits;
    vertexArray.data.resize((vertexBytes + 3) / 4);
    if (std::fread(fileIndices.data(), 1, indexBytes, file) != indexBytes ||
        std::fread(vertexArray.data.data(), 1, vertexBytes, file) != vertexBytes) {
        refuseMeshFile(path, "read error");
        return;
    }
    for (uint16_t& index : fileIndices) {
        const unsigned char* bytes = (const unsigned char*)&index;
        index = (uint16_t)(bytes[0] | bytes[1] << 8);
        if (index >= vertices) {
            refuseMeshFile(path, "an index points past the vertices");
            return;
        }
    }

    triangleCount = triangles;
    buildVertexDecl(formatBits, &declaration);
    vertexCount = vertices;
    stride = vertexStride;

    if (!d3dDevice) {
        reportResult(D3DERR_INVALIDCALL, "IndexBuffer", path);
        return;
    }
    HRESULT hr = d3dDevice->CreateIndexBuffer((UINT)indexBytes, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                                              D3DPOOL_MANAGED, &indexBuffer, nullptr);
    if (FAILED(hr)) {
        indexBuffer = nullptr;
        reportResult(hr, "IndexBuffer", path);
        return;
    }
    hr = d3dDevice->CreateVertexBuffer((UINT)vertexBytes, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, 0,
                                       D3DPOOL_DEFAULT, &vertexBuffer, nullptr);
    if (FAILED(hr)) {
        vertexBuffer = nullptr;
        reportResult(hr, "VertexBuffer", path);
        return;
    }

    indices = std::move(fileIndices);
    void* locked = nullptr;
    hr = indexBuffer->Lock(0, 0, &locked, 0);
    if (FAILED(hr) || !locked) {
        reportResult(hr, "IndexBuffer", path);
        release();
        return;
    }
    std::memcpy(locked, indices.data(), indexBytes);
    indexBuffer->Unlock();

    locked = nullptr;
    hr = vertexBuffer->Lock(0, 0, &locked, D3DLOCK_DISCARD);
    if (FAILED(hr) || !locked) {
        reportResult(hr, "VertexBuffer", path);
        release();
        return;
    }
    std::memcpy(locked, vertexArray.data.data(), vertexBytes);
    vertexBuffer->Unlock();

    if (vertexStride == sizeof(MeshVertex)) {
        std::printf("Copy VertexBuffer new[%d] old[%d]\n", (int)vertices, (int)vertexCount);
        vertexCopyA.resize(vertices);
        vertexCopyB.resize(vertices);
        std::memcpy(vertexCopyA.data(), vertexArray.data.data(), vertexBytes);
        std::memcpy(vertexCopyB.data(), vertexArray.data.data(), vertexBytes);
    }
    std::printf("yay\n");
}

void Mesh::draw() const {
    // A mesh whose load failed part-way has nothing complete to draw.
    if (!vertexBuffer || !indexBuffer || !declaration || !d3dDevice)
        return;
    d3dDevice->SetStreamSource(0, vertexBuffer, 0, stride);
    d3dDevice->SetVertexDeclaration(declaration);
    d3dDevice->SetIndices(indexBuffer);
    d3dDevice->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, vertexCount, 0, triangleCount);
}

void Mesh::release() {
    if (vertexBuffer) {
        vertexBuffer->Release();
        vertexBuffer = nullptr;
    }
    if (indexBuffer) {
        indexBuffer->Release();
        indexBuffer = nullptr;
    }
    if (declaration) {
        declaration->Release();
        declaration = nullptr;
    }
    indices = {};
    vertexCopyA = {};
    vertexCopyB = {};
}

MeshProxy::~MeshProxy() {
    for (Mesh* mesh : objects)
        delete mesh;  // the destructor releases it
    objects.clear();
}

void MeshProxy::load(const char* const list[]) {
    if (!list)
        return;
    for (int i = 0; list[i]; i += 2) {
        if (!list[i + 1]) {
            MessageBoxA(nullptr, "Check Your Parameter List", "MeshProxy", MB_OK);
            return;
        }
        Mesh* mesh = new Mesh;
        mesh->loadFile(list[i]);
        objects.push_back(mesh);
        names.push_back(list[i + 1]);
    }
}
