// Small vehicle and level fixtures shared by the vehicle tests, the stepper
// tests and the stepper benchmark: a car description, a race vehicle built on
// it (four wheel parts, one box body), and level meshes as render bodies. The
// objects here are never freed by the engine's reference counts, so each
// fixture deletes what it made.
#pragma once

#include "Core/PGameObject.h"
#include "Render/PRenderObject.h"
#include "Vehicles/PCar.h"
#include "Vehicles/PPhysicData.h"
#include "Vehicles/PPhysicManager.h"
#include "Vehicles/PPlayer.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace fixture
{
// Four wheels on springs stiff enough to hold a 300 kg box about 0.4 units
// into the 1.5 unit sensors.
inline const char* CarXml()
{
    return "<physics debug=\"false\">"
           "<geometry><wheels count=\"4\" x=\"0.1\" y=\"0\" length=\"1.5\" radius=\"0.4\""
           " front_min_radius=\"0.5\" back_min_radius=\"0.5\" width=\"0.3\" fixed=\"none\"/></geometry>"
           "<params><wheels spring1=\"2000\" spring2=\"2000\" damping=\"800\"/>"
           "<speed max_front_speed=\"40\" max_rear_speed=\"20\"/>"
           "<friction front=\"100\" back=\"240\" slide=\"0.8\"/>"
           "<acceleration front=\"300\" back=\"200\" brake=\"50\"/>"
           "<inertion yaw=\"0.5\" pitch=\"0.2\"/></params>"
           "</physics>"
           "<render><shadow name=\"car_shadow.tga\"/></render>";
}

constexpr float kCarMass = 300.0f;

// A race vehicle with wheel parts "w0" to "w3" (front pair at y = -1.2, the
// car drives toward -y), a 2 x 4 x 1 box body and the given description.
// Nothing is added to the physics manager.
class Vehicle
{
public:
    explicit Vehicle(const std::string& xml = CarXml(), const D3DXVECTOR3& position = D3DXVECTOR3())
        : m_player(new CPPlayer())
    {
        for (int i = 0; i < 4; ++i) {
            auto* wheel = new CPGameObject("w" + std::to_string(i));
            wheel->SetPosition(D3DXVECTOR3(i % 2 == 0 ? 0.9f : -0.9f, i < 2 ? -1.2f : 1.2f, 0.0f));
            m_parts.emplace_back(wheel);
            m_player->AddChild(wheel);
        }
        m_data = new CPPhysicData(m_player.get());
        const D3DXQUATERNION identity(0.0f, 0.0f, 0.0f, 1.0f);
        m_data->AddBox(D3DXVECTOR3(), identity, 2.0f, 1.0f, 4.0f, kCarMass);
        m_data->SetBoxInertia(1.0f, 2.0f, 4.0f, kCarMass);
        m_player->SetPhysicData(m_data);
        m_player->GetDescription().Parse(xml.c_str());
        m_player->SetPosition(position);
        m_player->UpdateTransform();
    }

    ~Vehicle()
    {
        CPCar* car = m_player->GetCarPtr();
        m_player->SetCar(nullptr);
        delete car;
        m_player->SetPhysicData(nullptr);
        delete m_data;
        m_player.reset();
    }

    Vehicle(const Vehicle&) = delete;
    Vehicle& operator=(const Vehicle&) = delete;

    // Into the manager's world as the level puts a race car there.
    void AddTo(CPPhysicManager& manager, uint8_t player = 0)
    {
        manager.ActivateObject(m_player.get());
        manager.AddObject(m_player.get(), 1, 1);
        manager.AddCar(m_player.get(), player);
    }

    void AddPart(CPGameObject* part)
    {
        m_parts.emplace_back(part);
        m_player->AddChild(part);
    }

    CPPlayer* Player() const { return m_player.get(); }
    CPCar* Car() const { return m_player->GetCarPtr(); }
    CPPhysicData* Data() const { return m_data; }
    CPPhysicBody* Body() const { return m_data->m_rigidBody; }

private:
    std::vector<std::unique_ptr<CPGameObject>> m_parts;
    std::unique_ptr<CPPlayer> m_player;
    CPPhysicData* m_data = nullptr;
};

// A level mesh held by a game object at the origin.
class LevelMesh
{
public:
    LevelMesh()
        : m_object(new CPGameObject("road_phys"))
        , m_body(new CPRenderObject(m_object.get()))
    {
        m_object->SetBody(m_body.get(), kBodyRenderObject);
    }

    ~LevelMesh() { m_object->SetBody(nullptr, kBodyGroup); }

    uint16_t AddVertex(float x, float y, float z)
    {
        CPVertex vertex;
        vertex.position = D3DXVECTOR3(x, y, z);
        vertex.normal = D3DXVECTOR3(0.0f, 0.0f, 1.0f);
        m_body->GetLocalVertices().push_back(vertex);
        m_body->GetWorldVertices().push_back(vertex);
        return static_cast<uint16_t>(m_body->GetLocalVertices().size() - 1);
    }

    void AddTriangle(uint16_t a, uint16_t b, uint16_t c)
    {
        m_body->GetIndices().insert(m_body->GetIndices().end(), { a, b, c });
    }

    // A flat square of side `size` centred on the origin at height z.
    void AddGround(float size, float z = 0.0f)
    {
        const float h = size * 0.5f;
        const uint16_t a = AddVertex(-h, -h, z);
        const uint16_t b = AddVertex(h, -h, z);
        const uint16_t c = AddVertex(h, h, z);
        const uint16_t d = AddVertex(-h, h, z);
        AddTriangle(a, b, c);
        AddTriangle(a, c, d);
    }

    // A vertical wall across x from x0 to x1 at y, from z0 to z1.
    void AddWall(float x0, float x1, float y, float z0, float z1)
    {
        const uint16_t a = AddVertex(x0, y, z0);
        const uint16_t b = AddVertex(x1, y, z0);
        const uint16_t c = AddVertex(x1, y, z1);
        const uint16_t d = AddVertex(x0, y, z1);
        AddTriangle(a, b, c);
        AddTriangle(a, c, d);
    }

    // n x n quads (2 n^2 triangles) over a square of side `size` centred on
    // the origin, with gentle bumps.
    void AddTerrain(int n, float size)
    {
        const float step = size / static_cast<float>(n);
        const float h = size * 0.5f;
        const uint16_t first = static_cast<uint16_t>(m_body->GetLocalVertices().size());
        for (int y = 0; y <= n; ++y) {
            for (int x = 0; x <= n; ++x) {
                const float bump = 0.05f * static_cast<float>((x * 7 + y * 13) % 5);
                AddVertex(-h + step * static_cast<float>(x), -h + step * static_cast<float>(y), bump);
            }
        }
        const int row = n + 1;
        for (int y = 0; y < n; ++y) {
            for (int x = 0; x < n; ++x) {
                const uint16_t a = static_cast<uint16_t>(first + y * row + x);
                AddTriangle(a, static_cast<uint16_t>(a + 1), static_cast<uint16_t>(a + row + 1));
                AddTriangle(a, static_cast<uint16_t>(a + row + 1), static_cast<uint16_t>(a + row));
            }
        }
    }

    void Place(const D3DXVECTOR3& position)
    {
        m_object->SetPosition(position);
        m_object->UpdateTransform();
    }

    CPRenderObject* Body() const { return m_body.get(); }
    CPGameObject* Object() const { return m_object.get(); }

private:
    std::unique_ptr<CPGameObject> m_object;
    std::unique_ptr<CPRenderObject> m_body;
};
}
