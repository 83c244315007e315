// D3DX 9 effect stand-in: HLSL effect files compiled for the OpenGL device.
// Implements: D3DXCreateEffectFromFileA / D3DXCreateEffect (source in memory), ID3DXEffect
//   (parameters by name or handle, techniques, passes with their render and sampler states,
//   reflection of parameters, techniques and passes), ID3DXBuffer, ID3DXInclude, D3DXMACRO.
// Leaves out: effect pools (accepted and ignored), state blocks, shared parameters, string and
//   struct parameters beyond their declaration, D3DXCompileShader, fragment linking, annotations'
//   values (they are parsed and skipped), the effect's own sampler/vertex/pixel shader objects.
#pragma once

#include "platform/d3d9.h"

typedef float FLOAT;
typedef const void* LPCVOID;

// A handle names a parameter, technique or pass. Either the name string itself or a handle
// returned by one of the effect's Get* calls (these are stable pointers to the effect's names).
typedef const char* D3DXHANDLE;

// Compile flags. Only D3DXSHADER_DEBUG is ever passed; all are accepted and have no effect
// beyond skipping the optimiser for D3DXSHADER_SKIPOPTIMIZATION.
#define D3DXSHADER_DEBUG (1u << 0)
#define D3DXSHADER_SKIPVALIDATION (1u << 1)
#define D3DXSHADER_SKIPOPTIMIZATION (1u << 2)
#define D3DXSHADER_PACKMATRIX_ROWMAJOR (1u << 3)
#define D3DXSHADER_PACKMATRIX_COLUMNMAJOR (1u << 4)

// Begin flags. Without D3DXFX_DONOTSAVESTATE, End restores the render and sampler states the
// technique's passes changed to what they were at Begin.
#define D3DXFX_DONOTSAVESTATE (1u << 0)
#define D3DXFX_DONOTSAVESHADERSTATE (1u << 1)
#define D3DXFX_DONOTSAVESAMPLERSTATE (1u << 2)

#ifndef D3DXERR_INVALIDDATA
#define D3DXERR_INVALIDDATA ((HRESULT)0x88760B59u)
#endif

struct D3DXMACRO {
    LPCSTR Name;
    LPCSTR Definition;
};
typedef D3DXMACRO* LPD3DXMACRO;

enum D3DXINCLUDE_TYPE { D3DXINC_LOCAL = 0, D3DXINC_SYSTEM = 1 };

// Supplies the text of #include files. Without one, includes are read from disk relative to
// the including file.
struct ID3DXInclude {
    virtual HRESULT Open(D3DXINCLUDE_TYPE includeType, LPCSTR fileName, LPCVOID parentData,
                         LPCVOID* data, UINT* bytes) = 0;
    virtual HRESULT Close(LPCVOID data) = 0;

protected:
    ~ID3DXInclude() = default;
};
typedef ID3DXInclude* LPD3DXINCLUDE;

// A block of bytes; compilation messages are one NUL-terminated text.
struct ID3DXBuffer : IUnknown {
    virtual LPVOID GetBufferPointer() = 0;
    virtual DWORD GetBufferSize() = 0;

protected:
    virtual ~ID3DXBuffer() = default;
};
typedef ID3DXBuffer* LPD3DXBUFFER;

// Never created here: effects compiled with a pool behave as if compiled without one.
struct ID3DXEffectPool;
typedef ID3DXEffectPool* LPD3DXEFFECTPOOL;

enum D3DXPARAMETER_CLASS {
    D3DXPC_SCALAR = 0,
    D3DXPC_VECTOR = 1,
    D3DXPC_MATRIX_ROWS = 2,
    D3DXPC_MATRIX_COLUMNS = 3,
    D3DXPC_OBJECT = 4,
    D3DXPC_STRUCT = 5,
};

enum D3DXPARAMETER_TYPE {
    D3DXPT_VOID = 0,
    D3DXPT_BOOL = 1,
    D3DXPT_INT = 2,
    D3DXPT_FLOAT = 3,
    D3DXPT_STRING = 4,
    D3DXPT_TEXTURE = 5,
    D3DXPT_TEXTURE1D = 6,
    D3DXPT_TEXTURE2D = 7,
    D3DXPT_TEXTURE3D = 8,
    D3DXPT_TEXTURECUBE = 9,
    D3DXPT_SAMPLER = 10,
    D3DXPT_SAMPLER1D = 11,
    D3DXPT_SAMPLER2D = 12,
    D3DXPT_SAMPLER3D = 13,
    D3DXPT_SAMPLERCUBE = 14,
};

struct D3DXEFFECT_DESC {
    LPCSTR Creator;
    UINT Parameters;
    UINT Techniques;
    UINT Functions;
};

struct D3DXPARAMETER_DESC {
    LPCSTR Name;
    LPCSTR Semantic;  // null when none
    D3DXPARAMETER_CLASS Class;
    D3DXPARAMETER_TYPE Type;
    UINT Rows;
    UINT Columns;
    UINT Elements;  // 0 for a non-array
    UINT Annotations;
    UINT StructMembers;
    DWORD Flags;
    UINT Bytes;  // size of the value as SetValue takes it (floats, tightly packed)
};

struct D3DXTECHNIQUE_DESC {
    LPCSTR Name;
    UINT Passes;
    UINT Annotations;
};

struct D3DXPASS_DESC {
    LPCSTR Name;
    UINT Annotations;
    LPCSTR VertexShaderEntry;   // entry-point names and profiles as written in the pass
    LPCSTR VertexShaderProfile;
    LPCSTR PixelShaderEntry;
    LPCSTR PixelShaderProfile;
    UINT States;  // render states set by the pass (GetPassState)
};

// One render state of a pass, as written and as applied: SetRenderState(State, Value).
struct D3DXPASS_STATE {
    LPCSTR Name;       // e.g. "CullMode"
    LPCSTR ValueText;  // e.g. "NONE"
    DWORD State;       // D3DRENDERSTATETYPE value
    DWORD Value;
};

struct ID3DXEffect : IUnknown {
    // Reflection.
    virtual HRESULT GetDesc(D3DXEFFECT_DESC* desc) = 0;
    virtual HRESULT GetParameterDesc(D3DXHANDLE parameter, D3DXPARAMETER_DESC* desc) = 0;
    virtual HRESULT GetTechniqueDesc(D3DXHANDLE technique, D3DXTECHNIQUE_DESC* desc) = 0;
    virtual HRESULT GetPassDesc(D3DXHANDLE pass, D3DXPASS_DESC* desc) = 0;
    virtual HRESULT GetPassState(D3DXHANDLE pass, UINT index, D3DXPASS_STATE* state) = 0;
    // parent must be null: parameters are top-level only.
    virtual D3DXHANDLE GetParameter(D3DXHANDLE parent, UINT index) = 0;
    virtual D3DXHANDLE GetParameterByName(D3DXHANDLE parent, LPCSTR name) = 0;
    virtual D3DXHANDLE GetTechnique(UINT index) = 0;
    virtual D3DXHANDLE GetTechniqueByName(LPCSTR name) = 0;
    virtual D3DXHANDLE GetPass(D3DXHANDLE technique, UINT index) = 0;
    virtual D3DXHANDLE GetPassByName(D3DXHANDLE technique, LPCSTR name) = 0;

    // Parameter values. Writes are kept on the effect and reach the shaders at the next
    // BeginPass or CommitChanges. A name the effect does not declare is ignored (D3DERR_INVALIDCALL).
    virtual HRESULT SetValue(D3DXHANDLE parameter, LPCVOID data, UINT bytes) = 0;
    virtual HRESULT GetValue(D3DXHANDLE parameter, LPVOID data, UINT bytes) = 0;
    virtual HRESULT SetBool(D3DXHANDLE parameter, BOOL value) = 0;
    virtual HRESULT SetInt(D3DXHANDLE parameter, INT value) = 0;
    virtual HRESULT SetFloat(D3DXHANDLE parameter, FLOAT value) = 0;
    virtual HRESULT GetFloat(D3DXHANDLE parameter, FLOAT* value) = 0;
    virtual HRESULT SetFloatArray(D3DXHANDLE parameter, const FLOAT* values, UINT count) = 0;
    virtual HRESULT GetFloatArray(D3DXHANDLE parameter, FLOAT* values, UINT count) = 0;
    // Takes a D3DX matrix (row vectors: mul(v, M) in the shader computes v x M).
    virtual HRESULT SetMatrix(D3DXHANDLE parameter, const D3DMATRIX* matrix) = 0;
    virtual HRESULT GetMatrix(D3DXHANDLE parameter, D3DMATRIX* matrix) = 0;
    virtual HRESULT SetMatrixArray(D3DXHANDLE parameter, const D3DMATRIX* matrices, UINT count) = 0;
    virtual HRESULT SetTexture(D3DXHANDLE parameter, IDirect3DBaseTexture9* texture) = 0;

    // Techniques and passes. The current technique is the first one after creation.
    virtual D3DXHANDLE GetCurrentTechnique() = 0;
    virtual HRESULT SetTechnique(D3DXHANDLE technique) = 0;
    virtual HRESULT Begin(UINT* passes, DWORD flags) = 0;
    virtual HRESULT BeginPass(UINT pass) = 0;
    virtual HRESULT CommitChanges() = 0;
    virtual HRESULT EndPass() = 0;
    virtual HRESULT End() = 0;

    virtual HRESULT GetDevice(IDirect3DDevice9** device) = 0;

    // The sampler_state block of a sampler parameter, one assignment per index in the order
    // written; "Texture" comes back with State 0 and the texture parameter's name as ValueText.
    virtual HRESULT GetSamplerStateDesc(D3DXHANDLE /*sampler*/, UINT /*index*/, D3DXPASS_STATE* /*state*/) {
        return D3DERR_INVALIDCALL;
    }

protected:
    virtual ~ID3DXEffect() = default;
};
typedef ID3DXEffect* LPD3DXEFFECT;

// Reads, preprocesses and compiles an effect file. On failure *effect stays null and, when
// errors is given, *errors receives "path(line,col): error: message" lines.
HRESULT D3DXCreateEffectFromFileA(IDirect3DDevice9* device, LPCSTR srcFile, const D3DXMACRO* defines,
                                  LPD3DXINCLUDE include, DWORD flags, LPD3DXEFFECTPOOL pool,
                                  LPD3DXEFFECT* effect, LPD3DXBUFFER* errors);
#define D3DXCreateEffectFromFile D3DXCreateEffectFromFileA

// The same from source text in memory; srcName names it in messages (may be null).
HRESULT D3DXCreateEffectEx(IDirect3DDevice9* device, LPCVOID srcData, UINT srcLength, LPCSTR srcName,
                           const D3DXMACRO* defines, LPD3DXINCLUDE include, DWORD flags,
                           LPD3DXEFFECTPOOL pool, LPD3DXEFFECT* effect, LPD3DXBUFFER* errors);
HRESULT D3DXCreateEffect(IDirect3DDevice9* device, LPCVOID srcData, UINT srcLength,
                         const D3DXMACRO* defines, LPD3DXINCLUDE include, DWORD flags,
                         LPD3DXEFFECTPOOL pool, LPD3DXEFFECT* effect, LPD3DXBUFFER* errors);

HRESULT D3DXCreateBuffer(DWORD bytes, LPD3DXBUFFER* buffer);
