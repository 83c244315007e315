// A stand-in ID3DXEffect that records what the effect library asks of it, for tests of the
// library's own logic without compiling shaders.
#pragma once

#include <string>
#include <vector>

#include "platform/d3dx9effect.h"

struct FakeEffect : ID3DXEffect {
    UINT passCount = 1;
    bool hasTechnique = true;
    std::vector<std::string> calls;  // "Begin", "BeginPass 2", "EndPass", "End"
    int releases = 0;

    HRESULT QueryInterface(REFIID, void** out) override {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return (ULONG)++releases; }
    HRESULT GetDesc(D3DXEFFECT_DESC*) override { return E_NOTIMPL; }
    HRESULT GetParameterDesc(D3DXHANDLE, D3DXPARAMETER_DESC*) override { return E_NOTIMPL; }
    HRESULT GetTechniqueDesc(D3DXHANDLE, D3DXTECHNIQUE_DESC*) override { return E_NOTIMPL; }
    HRESULT GetPassDesc(D3DXHANDLE, D3DXPASS_DESC*) override { return E_NOTIMPL; }
    HRESULT GetPassState(D3DXHANDLE, UINT, D3DXPASS_STATE*) override { return E_NOTIMPL; }
    D3DXHANDLE GetParameter(D3DXHANDLE, UINT) override { return nullptr; }
    D3DXHANDLE GetParameterByName(D3DXHANDLE, LPCSTR) override { return nullptr; }
    D3DXHANDLE GetTechnique(UINT) override { return nullptr; }
    D3DXHANDLE GetTechniqueByName(LPCSTR) override { return nullptr; }
    D3DXHANDLE GetPass(D3DXHANDLE, UINT) override { return nullptr; }
    D3DXHANDLE GetPassByName(D3DXHANDLE, LPCSTR) override { return nullptr; }
    HRESULT SetValue(D3DXHANDLE, LPCVOID, UINT) override { return E_NOTIMPL; }
    HRESULT GetValue(D3DXHANDLE, LPVOID, UINT) override { return E_NOTIMPL; }
    HRESULT SetBool(D3DXHANDLE, BOOL) override { return E_NOTIMPL; }
    HRESULT SetInt(D3DXHANDLE, INT) override { return E_NOTIMPL; }
    HRESULT SetFloat(D3DXHANDLE, FLOAT) override { return E_NOTIMPL; }
    HRESULT GetFloat(D3DXHANDLE, FLOAT*) override { return E_NOTIMPL; }
    HRESULT SetFloatArray(D3DXHANDLE, const FLOAT*, UINT) override { return E_NOTIMPL; }
    HRESULT GetFloatArray(D3DXHANDLE, FLOAT*, UINT) override { return E_NOTIMPL; }
    HRESULT SetMatrix(D3DXHANDLE, const D3DMATRIX*) override { return E_NOTIMPL; }
    HRESULT GetMatrix(D3DXHANDLE, D3DMATRIX*) override { return E_NOTIMPL; }
    HRESULT SetMatrixArray(D3DXHANDLE, const D3DMATRIX*, UINT) override { return E_NOTIMPL; }
    HRESULT SetTexture(D3DXHANDLE, IDirect3DBaseTexture9*) override { return E_NOTIMPL; }
    D3DXHANDLE GetCurrentTechnique() override { return hasTechnique ? "technique0" : nullptr; }
    HRESULT SetTechnique(D3DXHANDLE) override { return E_NOTIMPL; }
    HRESULT Begin(UINT* passes, DWORD) override {
        calls.push_back("Begin");
        *passes = passCount;
        return S_OK;
    }
    HRESULT BeginPass(UINT pass) override {
        calls.push_back("BeginPass " + std::to_string(pass));
        return pass < passCount ? S_OK : D3DERR_INVALIDCALL;
    }
    HRESULT CommitChanges() override { return S_OK; }
    HRESULT EndPass() override {
        calls.push_back("EndPass");
        return S_OK;
    }
    HRESULT End() override {
        calls.push_back("End");
        return S_OK;
    }
    HRESULT GetDevice(IDirect3DDevice9**) override { return E_NOTIMPL; }
};
