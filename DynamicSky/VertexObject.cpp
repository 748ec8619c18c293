#include "DynamicSky/VertexObject.h"

#include "Core/PFileReader.h"
#include "Core/PLog.h"
#include "Platform/ComClasses.h"
#include "Platform/D3DX9Tex.h"
#include "Render/PRender.h"

#include <algorithm>
#include <cstring>

namespace
{
const char kSourceFile[] = "DynamicSky/VertexObject";
// Lines the device-error reports name for each kind of creation.
constexpr int kTextureReportLine = 50;
constexpr int kEffectReportLine = 114;
constexpr int kSecondEffectReportLine = 149;
// Triangle mip filter with dithering.
constexpr DWORD kMipFilter = 0x80004;
const char kTextureParameter[] = "tex0";

IDirect3DDevice9* RenderDevice()
{
    CPRender* render = GetRender();
    return render ? render->m_device : nullptr;
}
}

CPVertexObject::CPVertexObject() = default;

CPVertexObject::~CPVertexObject()
{
    SafeRelease(texture);
    SafeRelease(effect);
    SafeRelease(secondEffect);
    SafeRelease(indexBuffer);
    SafeRelease(vertexBuffer);
}

void CPVertexObject::OnLostDevice()
{
    if (effect)
        effect->OnLostDevice();
    if (secondEffect)
        secondEffect->OnLostDevice();
}

void CPVertexObject::OnResetDevice()
{
    if (effect)
        effect->OnResetDevice();
    if (secondEffect)
        secondEffect->OnResetDevice();
}

HRESULT CPVertexObject::LoadTexture(const std::string& path)
{
    CPFileReader file(path);
    if (FAILED(file.Load()))
        return 0;
    IDirect3DTexture9* made = nullptr;
    const HRESULT result = D3DXCreateTextureFromFileInMemoryEx(
        RenderDevice(), file.GetData(), static_cast<UINT>(file.GetSize()), D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0,
        D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT, kMipFilter, 0, nullptr, nullptr, &made);
    if (FAILED(result)) {
        ReportDXError(kSourceFile, kTextureReportLine, result);
        return result;
    }
    SafeRelease(texture);
    texture = made;
    return result;
}

HRESULT CPVertexObject::LoadEffectInto(ID3DXEffect*& slot, const std::string& path, int reportLine)
{
    SafeRelease(slot);
    CPFileReader file(path);
    const HRESULT read = file.Load();
    if (FAILED(read))
        return read;
    const HRESULT result = D3DXCreateEffect(RenderDevice(), file.GetData(), static_cast<UINT>(file.GetSize()),
                                            nullptr, nullptr, 0, nullptr, &slot, nullptr);
    if (FAILED(result)) {
        slot = nullptr;
        ReportDXError(kSourceFile, reportLine, result);
        return result;
    }
    D3DXHANDLE technique = nullptr;
    slot->FindNextValidTechnique(nullptr, &technique);
    slot->SetTechnique(technique);
    return result;
}

HRESULT CPVertexObject::LoadEffect(const std::string& path)
{
    return LoadEffectInto(effect, path, kEffectReportLine);
}

HRESULT CPVertexObject::LoadSecondEffect(const std::string& path)
{
    return LoadEffectInto(secondEffect, path, kSecondEffectReportLine);
}

HRESULT CPVertexObject::TransformVertices(const D3DXMATRIX& matrix)
{
    const size_t count = std::min(sourceVertices.size(), workVertices.size());
    if (count > 0)
        D3DXVec3TransformCoordArray(&workVertices[0].position, sizeof(CPVertex), &sourceVertices[0].position,
                                    sizeof(CPVertex), &matrix, static_cast<UINT>(count));
    return 0;
}

HRESULT CPVertexObject::UploadGeometry(const std::vector<CPVertex>& vertices, const std::vector<uint16_t>& newIndices,
                                       bool keepWorking)
{
    if (vertices.size() > kMaxVertices || newIndices.size() > kMaxIndices)
        return E_FAIL;
    if (!vertexBuffer || !indexBuffer) {
        SafeRelease(vertexBuffer);
        SafeRelease(indexBuffer);
        if (IDirect3DDevice9* device = RenderDevice()) {
            device->CreateVertexBuffer(kMaxVertices * sizeof(CPVertex), D3DUSAGE_WRITEONLY, CPVertex::kFvf,
                                       D3DPOOL_MANAGED, &vertexBuffer, nullptr);
            device->CreateIndexBuffer(kMaxIndices * sizeof(uint16_t), D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                                      D3DPOOL_MANAGED, &indexBuffer, nullptr);
        }
    }
    // The arguments may be this object's own lists.
    if (&vertices != &sourceVertices)
        sourceVertices = vertices;
    if (!keepWorking)
        workVertices = sourceVertices;
    if (&newIndices != &indices)
        indices = newIndices;
    if (!vertexBuffer || !indexBuffer)
        return 0;

    void* vertexData = nullptr;
    void* indexData = nullptr;
    const UINT vertexBytes = static_cast<UINT>(sourceVertices.size() * sizeof(CPVertex));
    const UINT indexBytes = static_cast<UINT>(indices.size() * sizeof(uint16_t));
    vertexBuffer->Lock(0, vertexBytes, &vertexData, 0);
    indexBuffer->Lock(0, indexBytes, &indexData, 0);
    // Working vertices kept from an earlier upload may be fewer than the new
    // source vertices: only those that exist are sent.
    const size_t sent = std::min(sourceVertices.size(), workVertices.size());
    if (vertexData && sent > 0)
        std::memcpy(vertexData, workVertices.data(), sent * sizeof(CPVertex));
    if (indexData && indexBytes > 0)
        std::memcpy(indexData, indices.data(), indexBytes);
    indexBuffer->Unlock();
    vertexBuffer->Unlock();
    return 0;
}

HRESULT CPVertexObject::Draw(float frameTime)
{
    (void)frameTime;
    return GetSkyDevice().Draw(*this);
}

HRESULT CPSkyDevice::Draw(CPVertexObject& object)
{
    if (!device)
        return E_FAIL;
    device->SetFVF(CPVertex::kFvf);
    device->SetIndices(object.indexBuffer);
    device->SetStreamSource(0, object.vertexBuffer, 0, sizeof(CPVertex));

    const UINT vertexCount = static_cast<UINT>(object.workVertices.size());
    const UINT triangles = static_cast<UINT>(object.indices.size() / 3);
    const auto drawOnce = [&] {
        return device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, vertexCount, 0, triangles);
    };
    ID3DXEffect* chosen = object.useSecondEffect ? object.secondEffect : object.effect;
    if (!chosen)
        return object.useSecondEffect ? E_FAIL : drawOnce();

    chosen->SetTexture(kTextureParameter, object.texture);
    UINT passes = 0;
    chosen->Begin(&passes, 0);
    HRESULT result = E_FAIL;
    for (UINT pass = 0; pass < passes; ++pass) {
        chosen->BeginPass(pass);
        result = drawOnce();
        chosen->EndPass();
    }
    chosen->End();
    return result;
}

CPSkyDevice& GetSkyDevice()
{
    static CPSkyDevice instance;
    return instance;
}
