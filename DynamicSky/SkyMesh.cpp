#include "DynamicSky/SkyMesh.h"

#include <algorithm>
#include <cmath>

namespace
{
constexpr float kPi = 3.14159f;
constexpr float kHalfPi = 1.5707964f;
constexpr float kParallel = 1e-12f;

float ClampedArcCos(float value)
{
    return std::acos(std::max(-1.0f, std::min(1.0f, value)));
}

D3DXMATRIX RotationAbout(const D3DXVECTOR3& axis, float angle)
{
    D3DXMATRIX rotation;
    D3DXMatrixRotationAxis(&rotation, &axis, angle);
    return rotation;
}

D3DXVECTOR3 Normalised(const D3DXVECTOR3& v)
{
    D3DXVECTOR3 unit;
    D3DXVec3Normalize(&unit, &v);
    return unit;
}

D3DXVECTOR3 Transformed(const D3DXVECTOR3& v, const D3DXMATRIX& m)
{
    D3DXVECTOR3 out;
    D3DXVec3TransformCoord(&out, &v, &m);
    return out;
}
}

D3DXMATRIX SkyTurnOnto(const D3DXVECTOR3& from, const D3DXVECTOR3& to)
{
    D3DXVECTOR3 axis;
    D3DXVec3Cross(&axis, &from, &to);
    const float cosine = D3DXVec3Dot(&from, &to);
    D3DXMATRIX rotation;
    if (D3DXVec3LengthSq(&axis) > kParallel)
        return RotationAbout(axis, ClampedArcCos(cosine));
    if (cosine >= 0.0f)
        D3DXMatrixIdentity(&rotation);
    else
        D3DXMatrixRotationX(&rotation, kPi);
    return rotation;
}

CPSkyMesh::CPSkyMesh()
{
    D3DXMatrixIdentity(&orientation);
}

CPSkyMesh::~CPSkyMesh() = default;

void CPSkyMesh::SetNames(const std::string& name0, const std::string& name1)
{
    effectNames[0] = name0;
    effectNames[1] = name1;
}

void CPSkyMesh::AddTextureName(const std::string& name)
{
    textureNames.push_back(name);
}

void CPSkyMesh::Build(float h)
{
    const float corners[4][4] = {
        { -h, -h, 0.0f, 0.0f }, { h, -h, 1.0f, 0.0f }, { h, h, 1.0f, 1.0f }, { -h, h, 0.0f, 1.0f }
    };
    std::vector<CPVertex> square(4);
    for (size_t i = 0; i < 4; ++i) {
        square[i].position = D3DXVECTOR3(corners[i][0], 0.0f, corners[i][1]);
        square[i].normal = D3DXVECTOR3(1.0f, 1.0f, 1.0f);
        square[i].diffuse = 0xFF000000 | kColour;
        square[i].u1 = corners[i][2];
        square[i].v1 = corners[i][3];
    }
    UploadGeometry(square, { 0, 1, 2, 0, 2, 3 }, false);
    if (static_cast<size_t>(textureIndex) < textureNames.size())
        LoadTexture(textureNames[static_cast<size_t>(textureIndex)]);
    LoadEffect(effectNames[1]);
}

HRESULT CPSkyMesh::NextTexture()
{
    if (textureNames.empty())
        return 0;
    textureIndex += 1;
    if (static_cast<size_t>(textureIndex) >= textureNames.size())
        textureIndex = 0;
    return LoadTexture(textureNames[static_cast<size_t>(textureIndex)]);
}

HRESULT CPSkyMesh::SetEffect(int32_t index)
{
    if (index < 0 || index > 1)
        return E_INVALIDARG;
    effectIndex = index;
    return LoadEffect(effectNames[index]);
}

void CPSkyMesh::SetAlpha(int32_t alpha)
{
    const D3DCOLOR colour = static_cast<D3DCOLOR>(alpha & 0xFF) << 24 | kColour;
    for (CPVertex& vertex : workVertices)
        vertex.diffuse = colour;
}

HRESULT CPSkyMesh::Draw(float frameTime)
{
    const D3DXMATRIX path = RotationAbout(axis, baseAngle - pathAngle + kPi) * orientation;
    position = Transformed(D3DXVECTOR3(distance, 0.0f, 0.0f), path);
    const D3DXVECTOR3 toCentre = Normalised(-position);
    const D3DXMATRIX faceCentre = SkyTurnOnto(D3DXVECTOR3(0.0f, 1.0f, 0.0f), toCentre);

    D3DXMATRIX upright;
    const D3DXVECTOR3 level = Normalised(D3DXVECTOR3(-position.x, 0.0f, -position.z));
    if (D3DXVec3LengthSq(&level) > kParallel) {
        D3DXMATRIX quarter;
        D3DXMatrixRotationY(&quarter, kHalfPi);
        upright = RotationAbout(Transformed(level, quarter), kHalfPi);
    } else {
        D3DXMatrixIdentity(&upright);
    }
    const D3DXVECTOR3 up = Normalised(Transformed(-position, upright));
    const D3DXVECTOR3 edge = Transformed(D3DXVECTOR3(0.0f, 0.0f, 1.0f), faceCentre);
    D3DXVECTOR3 spinAxis;
    D3DXVec3Cross(&spinAxis, &edge, &up);
    D3DXMATRIX spin;
    if (D3DXVec3LengthSq(&spinAxis) > kParallel)
        spin = RotationAbout(spinAxis, ClampedArcCos(D3DXVec3Dot(&edge, &up)));
    else
        D3DXMatrixIdentity(&spin);

    D3DXMATRIX scaling;
    D3DXMatrixScaling(&scaling, scale, scale, scale);
    D3DXMATRIX translation;
    D3DXMatrixTranslation(&translation, position.x, position.y, position.z);
    const D3DXMATRIX placement = scaling * faceCentre * spin * translation;
    TransformVertices(placement);
    UploadGeometry(sourceVertices, indices, true);
    return CPVertexObject::Draw(frameTime);
}
