#include "tools/meshtool/convert.h"

#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <stdexcept>

namespace meshfile {

namespace {

// The elements a source mesh holds, as format bits.
uint16_t bitsOf(const aiMesh* m) {
    uint16_t bits = kPosition;
    if (m->HasNormals()) bits |= kNormal;
    if (m->HasTextureCoords(0)) bits |= m->mNumUVComponents[0] == 3 ? kTexcoord3a : kTexcoord;
    if (m->HasTangentsAndBitangents()) bits |= kTangent | kBinormal;
    if (m->HasVertexColors(0)) bits |= kColor;
    return bits;
}

}  // namespace

Mesh convert(const std::string& path, const ConvertOptions& options) {
    Assimp::Importer importer;
    unsigned flags = aiProcess_Triangulate | aiProcess_JoinIdenticalVertices | aiProcess_PreTransformVertices |
                     aiProcess_SortByPType | aiProcess_ValidateDataStructure;
    if (options.flipV) flags |= aiProcess_FlipUVs;
    if (options.tangents) flags |= aiProcess_CalcTangentSpace;
    if (options.generateNormals) flags |= aiProcess_GenSmoothNormals;
    const aiScene* scene = importer.ReadFile(path, flags);
    if (!scene) throw std::runtime_error(path + ": " + importer.GetErrorString());

    std::vector<const aiMesh*> meshes;
    for (unsigned i = 0; i < scene->mNumMeshes; ++i)
        if (scene->mMeshes[i]->mPrimitiveTypes & aiPrimitiveType_TRIANGLE) meshes.push_back(scene->mMeshes[i]);
    if (meshes.empty()) throw std::runtime_error(path + ": no triangles");

    // Merged meshes keep only the elements all of them have.
    uint16_t bits = 0xffff;
    for (const aiMesh* m : meshes) bits &= bitsOf(m);

    Mesh out;
    out.formatBits = bits;
    out.stride = strideFor(bits);
    out.name = options.name;
    if (out.name.empty()) {
        size_t slash = path.find_last_of("/\\"), dot = path.rfind('.');
        size_t from = slash == std::string::npos ? 0 : slash + 1;
        out.name = path.substr(from, dot == std::string::npos || dot < from ? std::string::npos : dot - from);
    }
    uint32_t base = 0;
    for (const aiMesh* m : meshes) {
        if (uint64_t(base) + m->mNumVertices > 65536)
            throw std::runtime_error(path + ": more than 65536 vertices do not fit 16-bit indices");
        for (unsigned v = 0; v < m->mNumVertices; ++v) {
            auto put3 = [&](const aiVector3D& a) { out.vertices.insert(out.vertices.end(), {a.x, a.y, a.z}); };
            put3(m->mVertices[v]);
            if (bits & kNormal) put3(m->mNormals[v]);
            if (bits & kTexcoord) out.vertices.insert(out.vertices.end(), {m->mTextureCoords[0][v].x, m->mTextureCoords[0][v].y});
            if (bits & kTangent) put3(m->mTangents[v]);
            if (bits & kBinormal) put3(m->mBitangents[v]);
            if (bits & kColor) {
                const aiColor4D& c = m->mColors[0][v];
                out.vertices.insert(out.vertices.end(), {c.r, c.g, c.b});
            }
            if (bits & kTexcoord3a) put3(m->mTextureCoords[0][v]);
        }
        for (unsigned f = 0; f < m->mNumFaces; ++f) {
            const aiFace& face = m->mFaces[f];
            if (face.mNumIndices != 3) continue;  // points and lines sorted out of triangle meshes
            for (int k = 0; k < 3; ++k) out.indices.push_back(uint16_t(base + face.mIndices[k]));
        }
        base += m->mNumVertices;
    }
    return out;
}

}  // namespace meshfile
