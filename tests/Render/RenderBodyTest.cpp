#include "DefaultCamera.h"
#include "RenderScene.h"
#include "Render/PVertexModifier.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace
{
// Copies, then adds to u: shows what it was fed.
class ShiftU : public CPVertexModifier
{
public:
    explicit ShiftU(float amount, float scale = 1.0f)
        : m_amount(amount),
          m_scale(scale)
    {
    }
    void Update(float) override {}
    void Apply(CPVertex* destination, const CPVertex* source, int32_t count) override
    {
        for (int32_t i = 0; i < count; ++i) {
            destination[i] = source[i];
            destination[i].u1 = destination[i].u1 * m_scale + m_amount;
        }
    }
    CPVertexModifier* Clone() const override { return new ShiftU(m_amount, m_scale); }

    float m_amount;
    float m_scale;
};

class RenderBodies : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetDefaultCamera(m_camera);
        m_camera.Update();
        g_ActiveCamera = &m_camera;
    }
    void TearDown() override { g_ActiveCamera = nullptr; }

    CPPerspectiveCamera m_camera;
    SceneKit m_kit;
};

void ExpectNear(const D3DXVECTOR3& actual, const D3DXVECTOR3& expected)
{
    EXPECT_NEAR(actual.x, expected.x, 1e-4f);
    EXPECT_NEAR(actual.y, expected.y, 1e-4f);
    EXPECT_NEAR(actual.z, expected.z, 1e-4f);
}
}

TEST_F(RenderBodies, MeshWritesWorldVerticesAndShiftedIndices)
{
    CPGameObject* object = m_kit.Mesh("mesh", nullptr, m_kit.Material(20), 3, 3);
    CPRenderObject& mesh = SceneKit::MeshOf(object);
    D3DXQUATERNION quarterTurn;
    D3DXQuaternionRotationYawPitchRoll(&quarterTurn, 0, 0, D3DX_PI / 2); // 90 degrees about z
    object->SetRotation(quarterTurn);
    object->SetPosition(D3DXVECTOR3(5, 0, 1));
    object->UpdateTransform();
    ASSERT_TRUE(object->IsTransformUpdated());

    std::vector<CPVertex> vertices(3);
    std::vector<uint16_t> indices(3);
    mesh.FillBuffers(vertices.data(), indices.data(), 100, 0);
    EXPECT_EQ(indices, (std::vector<uint16_t>{ 100, 101, 102 }));
    // Vertex 2 at (2, 0, 0) turns to (0, 2, 0) and moves by the translation;
    // the normal turns but does not move.
    ExpectNear(vertices[2].position, D3DXVECTOR3(5, 2, 1));
    ExpectNear(vertices[2].normal, D3DXVECTOR3(0, 0, 1));
    EXPECT_EQ(vertices[2].diffuse, 0xff000002u);
    EXPECT_FALSE(object->IsTransformUpdated());

    // The base index wraps at 16 bits.
    mesh.FillBuffers(vertices.data(), indices.data(), 65535, 0);
    EXPECT_EQ(indices, (std::vector<uint16_t>{ 65535, 0, 1 }));

    // An impact changes nothing; a baked transform moves the local mesh.
    mesh.OnImpact(D3DXVECTOR3(1, 1, 1), D3DXVECTOR3(0, 0, 1), 10.0f);
    ExpectNear(mesh.GetLocalVertices()[2].position, D3DXVECTOR3(2, 0, 0));
    D3DXMATRIX lift;
    D3DXMatrixTranslation(&lift, 0, 0, 3);
    mesh.Transform(lift);
    ExpectNear(mesh.GetLocalVertices()[2].position, D3DXVECTOR3(2, 0, 3));
    ExpectNear(mesh.GetLocalVertices()[2].normal, D3DXVECTOR3(0, 0, 1));
}

// The world copy a loader asks for holds the local vertices as they were
// when it asked, whichever way they change afterwards.
TEST_F(RenderBodies, WorldCopyKeepsTheVerticesItWasTakenFrom)
{
    D3DXMATRIX lift;
    D3DXMatrixTranslation(&lift, 0, 0, 3);
    const std::vector<void (*)(CPRenderObject&, const D3DXMATRIX&)> changes = {
        [](CPRenderObject& mesh, const D3DXMATRIX& matrix) { mesh.Transform(matrix); },
        [](CPRenderObject& mesh, const D3DXMATRIX&) { mesh.GetLocalVertices()[2].position.z = 3; },
    };
    for (size_t c = 0; c < changes.size(); ++c) {
        CPRenderObject& mesh = *m_kit.MeshBody(m_kit.Material(20), 3, 3);
        mesh.GetWorldVertices().clear();
        mesh.CopyLocalToWorld();
        changes[c](mesh, lift);
        const CPRenderObject& copied = mesh;
        ASSERT_EQ(copied.GetWorldVertices().size(), 3u) << c;
        ExpectNear(copied.GetWorldVertices()[2].position, D3DXVECTOR3(2, 0, 0));
        ExpectNear(mesh.GetLocalVertices()[2].position, D3DXVECTOR3(2, 0, 3));

        CPRenderObject twin(nullptr);
        mesh.CopyLocalToWorld();
        twin.CopyFrom(mesh);
        mesh.Transform(lift);
        ExpectNear(twin.GetWorldVertices()[2].position, D3DXVECTOR3(2, 0, 3));
        ExpectNear(mesh.GetWorldVertices()[2].position, D3DXVECTOR3(2, 0, 3));
        ExpectNear(mesh.GetLocalVertices()[2].position, D3DXVECTOR3(2, 0, 6));
    }
}

TEST_F(RenderBodies, HiddenMeshCountsButWritesNothing)
{
    CPRenderObject& mesh = SceneKit::MeshOf(m_kit.Mesh("mesh", nullptr, m_kit.Material(20), 3, 6));
    mesh.SetHidden(true);
    EXPECT_EQ(mesh.GetVertexCount(), 3);
    EXPECT_EQ(mesh.GetIndexCount(), 6);
    std::vector<CPVertex> vertices(3);
    std::vector<uint16_t> indices(6, 7);
    mesh.FillBuffers(vertices.data(), indices.data(), 0, 0);
    EXPECT_EQ(indices, std::vector<uint16_t>(6, 7));
    EXPECT_FLOAT_EQ(vertices[1].position.x, 0.0f);

    int32_t first = -1;
    int32_t last = -1;
    std::vector<uint16_t> copied(6);
    mesh.CopyIndices(copied.data(), 0, first, last);
    EXPECT_EQ(copied, mesh.GetIndices());
    EXPECT_EQ(first, 0);
    EXPECT_EQ(last, 2);
}

TEST_F(RenderBodies, SecondModifierWorksOnTheFirstOnesOutput)
{
    CPRenderObject& mesh = SceneKit::MeshOf(m_kit.Mesh("mesh", nullptr, m_kit.Material(20), 2, 3));
    mesh.AddModifier(new ShiftU(1.0f));
    mesh.AddModifier(new ShiftU(0.0f, 10.0f));
    std::vector<CPVertex> vertices(2);
    std::vector<uint16_t> indices(3);
    mesh.FillBuffers(vertices.data(), indices.data(), 0, 0);
    EXPECT_FLOAT_EQ(vertices[0].u1, 10.0f);
    EXPECT_FLOAT_EQ(mesh.GetWorldVertices()[0].u1, 0.0f);

    // A copy runs clones of the modifiers, not the source's own.
    CPRenderObject copy(nullptr);
    copy.CopyFrom(mesh);
    ASSERT_EQ(copy.GetModifiers().size(), 2u);
    EXPECT_NE(copy.GetModifiers()[0], mesh.GetModifiers()[0]);
    copy.FillBuffers(vertices.data(), indices.data(), 0, 0);
    EXPECT_FLOAT_EQ(vertices[1].u1, 10.0f);
    EXPECT_EQ(copy.GetMaterial(), mesh.GetMaterial());
}

TEST_F(RenderBodies, SpriteFacesTheActiveCamera)
{
    CPGameObject* object = m_kit.Sprite("glow", nullptr, m_kit.Material(20), 1.0f);
    object->SetPosition(D3DXVECTOR3(10, 0, 0));
    object->UpdateTransform();
    CPSprite& sprite = SceneKit::SpriteOf(object);
    sprite.m_uMax = 0.5f;

    std::vector<CPVertex> vertices(4);
    std::vector<uint16_t> indices(6);
    sprite.FillBuffers(vertices.data(), indices.data(), 8, 0);
    // The camera looks along +x with z up: its right is +y.
    ExpectNear(vertices[0].position, D3DXVECTOR3(10, -1, -1));
    ExpectNear(vertices[1].position, D3DXVECTOR3(10, 1, -1));
    ExpectNear(vertices[2].position, D3DXVECTOR3(10, 1, 1));
    ExpectNear(vertices[3].position, D3DXVECTOR3(10, -1, 1));
    EXPECT_FLOAT_EQ(vertices[1].u1, 0.5f);
    EXPECT_FLOAT_EQ(vertices[3].v1, 1.0f);
    EXPECT_EQ(vertices[2].diffuse, 0xffffffffu);
    EXPECT_EQ(indices, (std::vector<uint16_t>{ 8, 10, 9, 8, 11, 10 }));

    // A quarter roll turns the square about the view direction.
    sprite.m_roll = D3DX_PI / 2;
    sprite.FillBuffers(vertices.data(), indices.data(), 0, 0);
    ExpectNear(vertices[0].position, D3DXVECTOR3(10, 1, -1));
}

TEST_F(RenderBodies, SpriteConeDecidesVisibilityAndAlpha)
{
    struct Case
    {
        float cone;
        float axisAngle; // of the axis from the direction to the camera
        bool camera;
        int32_t vertices;
        D3DCOLOR colour;
    };
    const Case cases[] = {
        { 0.0f, 3.0f, true, 4, 0x12345678u },   // always seen, colour kept
        { -0.05f, 0.0f, true, 0, 0x12345678u }, // between -0.1 and 0: never
        { -0.5f, 3.0f, true, 4, 0x7f7f7f7fu },  // a fixed alpha
        { -2.0f, 0.0f, true, 4, 0xffffffffu },  // clamped to 255
        { 0.5f, 0.0f, true, 4, 0xffffffffu },   // on the axis
        { 0.5f, 0.4999f, true, 4, 0x4c4c4c4cu }, // at the rim: 76
        { 0.5f, 0.6f, true, 0, 0x12345678u },   // outside the cone
        { 0.0f, 0.0f, false, 0, 0x12345678u },  // no camera: never
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cone);
        // The root turns a quarter about z, so an axis along +y in its frame
        // points along -x: from the sprite at (10, 0, 0) back to the camera.
        CPGameObject* root = m_kit.Group("root");
        CPGameObject* object = m_kit.Sprite("glow", root, m_kit.Material(20), 1.0f);
        D3DXQUATERNION quarterTurn;
        D3DXQuaternionRotationYawPitchRoll(&quarterTurn, 0, 0, D3DX_PI / 2);
        root->SetRotation(quarterTurn);
        root->SetPosition(D3DXVECTOR3(10, 0, 0));
        root->UpdateTransform();
        CPSprite& sprite = SceneKit::SpriteOf(object);
        sprite.m_colour = 0x12345678u;
        sprite.m_cone = c.cone;
        sprite.m_axis = D3DXVECTOR3(-std::sin(c.axisAngle), std::cos(c.axisAngle), 0.0f);
        g_ActiveCamera = c.camera ? &m_camera : nullptr;
        EXPECT_EQ(sprite.GetVertexCount(), c.vertices);
        EXPECT_EQ(sprite.GetIndexCount(), c.vertices ? 6 : 0);
        EXPECT_EQ(sprite.m_colour, c.colour);
        std::vector<uint16_t> indices(6, 9);
        std::vector<CPVertex> vertices(4);
        sprite.FillBuffers(vertices.data(), indices.data(), 0, 0);
        EXPECT_EQ(indices[0] == 9, c.vertices == 0);
    }
}

TEST_F(RenderBodies, LightTakesItsOwnersWorldPosition)
{
    CPGameObject* parent = m_kit.Group("lamp post");
    CPGameObject* object = m_kit.Light("lamp", parent);
    parent->SetPosition(D3DXVECTOR3(1, 2, 3));
    object->SetPosition(D3DXVECTOR3(0, 0, 4));
    parent->UpdateTransform();
    const D3DLIGHT9* light = static_cast<CPLight*>(object->GetBody().Get())->GetLight();
    EXPECT_FLOAT_EQ(light->Position.x, 1.0f);
    EXPECT_FLOAT_EQ(light->Position.y, 2.0f);
    EXPECT_FLOAT_EQ(light->Position.z, 7.0f);
}
