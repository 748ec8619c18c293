// Sky mesh: one textured square in the sky (the sun, for one) that travels
// along a circle around the sky centre and always faces the centre. The
// skyscape sets its angle along the circle and its scale every frame; mesh 0
// is the sun, whose position drives the sun light.
#pragma once

#include "DynamicSky/VertexObject.h"

#include <cstdint>
#include <string>
#include <vector>

class CPSkyMesh : public CPVertexObject
{
public:
    // Colour of the square's vertices: red and green 0, blue 0x14; the
    // alpha byte is the mesh's.
    static constexpr D3DCOLOR kColour = 0x00000014;

    CPSkyMesh();
    ~CPSkyMesh() override;

    // The two effect files the mesh can use.
    void SetNames(const std::string& name0, const std::string& name1);
    void AddTextureName(const std::string& name);
    // Builds and uploads the square of half size h, loads the first texture
    // (when there is one) and effect 1.
    void Build(float halfSize);
    // Moves on to the next texture, round to the first, and loads it. With
    // no texture names nothing is loaded and the index stays 0.
    HRESULT NextTexture();
    // Loads effect `index`; an index other than 0 or 1 changes nothing.
    HRESULT SetEffect(int32_t index);
    // The alpha byte (taken modulo 256) of every working vertex.
    void SetAlpha(int32_t alpha);
    // Places the square on its circle, turned to face the centre, and draws it.
    virtual HRESULT Draw(float frameTime);

    // Unit axis the mesh circles about.
    D3DXVECTOR3 axis;
    // Computed by each draw.
    D3DXVECTOR3 position;
    // Radius of the circle.
    float distance = 0.0f;
    std::string effectNames[2];
    int32_t effectIndex = 0;
    float baseAngle = 0.0f;
    // The time-of-day angle along the circle.
    float pathAngle = 0.0f;
    float scale = 0.0f;
    std::vector<std::string> textureNames;
    int32_t textureIndex = 0;
    // Turns +z onto the axis.
    D3DXMATRIX orientation;
};

// The rotation that turns the unit vector `from` onto the unit vector `to`
// about their cross product. When they are parallel it is the identity, or
// half a turn about x when they point apart.
D3DXMATRIX SkyTurnOnto(const D3DXVECTOR3& from, const D3DXVECTOR3& to);
