// The node readers of the scene loader: p3d and older-format mesh nodes, and
// the nodes of animation files.
#include "Render/PRenderObjectManager.h"

#include "Core/PFileReader.h"
#include "Core/PGameObject.h"
#include "Core/PLog.h"
#include "Core/PUtils.h"
#include "Render/PAnimatedObject.h"
#include "Render/PAnimation.h"
#include "Render/PAnimationManager.h"
#include "Render/PRenderObject.h"
#include "Vehicles/PPhysicData.h"

#include <algorithm>
#include <cstring>

namespace
{
// Smallest node of each format: the fixed fields and four empty counts (an
// animated node's clip block counts two of them).
constexpr int32_t kMinP3dNodeBytes = 4 + CPRenderObjectManager::kNameBytes + 28 + 52 + 4 * 4;
constexpr int32_t kMinMeshNodeBytes = 4 + CPRenderObjectManager::kNameBytes + 4 * 4;
constexpr int32_t kMinAnimatedNodeBytes = CPRenderObjectManager::kNameBytes + 28 + 52 + 52 + 4 * 4;
// A further animation file's child: its name, then the node after the name.
constexpr int32_t kMinAnimatedFrameBytes = kMinAnimatedNodeBytes;

// Counts the levels of the node being read while its reader runs.
class NodeLevel
{
public:
    explicit NodeLevel(int32_t& depth)
        : m_depth(depth)
    {
        ++m_depth;
    }
    ~NodeLevel() { --m_depth; }
    NodeLevel(const NodeLevel&) = delete;
    NodeLevel& operator=(const NodeLevel&) = delete;
    bool TooDeep() const { return m_depth > CPRenderObjectManager::kMaxNodeDepth; }

private:
    int32_t& m_depth;
};

const std::string kTooDeep = "nested deeper than " + std::to_string(CPRenderObjectManager::kMaxNodeDepth) + " levels";

// The name is taken straight from the held bytes up to its first zero byte;
// a field without one gives all 260 bytes, and bytes past the end read as
// zeros, so a field cut short ends where the bytes do.
std::string ReadNodeName(CPFileReader& reader)
{
    const size_t held = std::min<size_t>(static_cast<size_t>(reader.GetRemaining()), CPRenderObjectManager::kNameBytes);
    std::string name;
    if (held > 0) {
        const char* field = reinterpret_cast<const char*>(reader.GetCursorData());
        const void* zero = std::memchr(field, 0, held);
        name.assign(field, zero ? static_cast<size_t>(static_cast<const char*>(zero) - field) : held);
    }
    reader.Skip(CPRenderObjectManager::kNameBytes);
    ToLowerString(name);
    return name;
}

template <class Record>
Record ReadRecord(CPFileReader& reader)
{
    Record record{};
    reader.Read(&record, sizeof(record));
    return record;
}

// A count of records of `recordBytes` each that the bytes left can hold.
bool CountFits(const CPFileReader& reader, int32_t count, int32_t recordBytes)
{
    return count >= 0 && count <= reader.GetRemaining() / recordBytes;
}

D3DXQUATERNION Conjugate(const float rotation[4])
{
    return D3DXQUATERNION(-rotation[0], -rotation[1], -rotation[2], rotation[3]);
}

// The box of a box shape: centred on its own origin with half sizes
// (size 1, size 3, size 2) / 2, placed by the conjugate rotation and then the
// translation to the centre above the base.
CPBoundingBox ShapeBox(const CPMeshShapeRecord& shape)
{
    CPBoundingBox box(D3DXVECTOR3(), D3DXVECTOR3(shape.size1 * 0.5f, shape.size3 * 0.5f, shape.size2 * 0.5f));
    const D3DXQUATERNION conjugate = Conjugate(shape.rotation);
    D3DXMATRIX rotation;
    D3DXMATRIX translation;
    D3DXMatrixRotationQuaternion(&rotation, &conjugate);
    D3DXMatrixTranslation(&translation, shape.position[0], shape.position[1],
                          shape.position[2] + shape.size2 * 0.5f);
    D3DXMatrixMultiply(&box.m_local, &rotation, &translation);
    return box;
}
}

std::string g_CurrentMeshFile;

bool CPRenderObjectManager::Refuse(const std::string& reason)
{
    m_refusal = reason;
    return false;
}

void CPRenderObjectManager::ReportRefusal(const std::string& path, const std::string& reason)
{
    GetLog().Print(0, "cannot read %s: %s\n", path.c_str(), reason.c_str());
}

void CPRenderObjectManager::DescribeNode(const CPSmartPtr<CPGameObject>& object,
                                         const CPDescriptionMap& descriptions, int32_t layerBase)
{
    static const CPAttributeMap none;
    // Most descriptions style no node: their nodes skip hashing the name.
    if (descriptions.empty()) {
        ApplyDescription(object, none, layerBase);
        return;
    }
    const auto found = descriptions.find(object->GetName());
    ApplyDescription(object, found != descriptions.end() ? found->second : none, layerBase);
}

bool CPRenderObjectManager::ReadShapes(CPFileReader& reader, CPGameObject& object)
{
    const int32_t count = reader.ReadInt();
    if (!CountFits(reader, count, sizeof(CPMeshShapeRecord)))
        return false;
    CPPhysicData* physics = object.GetPhysicData().Get();
    for (int32_t i = 0; i < count; ++i) {
        const auto shape = ReadRecord<CPMeshShapeRecord>(reader);
        if (shape.type == kShapeBox) {
            if (physics) {
                const D3DXVECTOR3 centre(shape.position[0], shape.position[1],
                                         shape.position[2] + shape.size2 * 0.5f);
                const D3DXQUATERNION stored(shape.rotation[0], shape.rotation[1], shape.rotation[2],
                                            shape.rotation[3]);
                physics->AddBox(centre, stored, shape.size1, shape.size2, shape.size3, shape.mass);
            }
            object.GetPartBoxes().push_back(ShapeBox(shape));
        } else if (shape.type == kShapeCylinder && physics) {
            const D3DXVECTOR3 position(shape.position[0], shape.position[1], shape.position[2]);
            physics->AddCylinder(position, Conjugate(shape.rotation), shape.diameter, shape.size2, shape.mass);
        }
    }
    return true;
}

CPSmartPtr<CPGameObject> CPRenderObjectManager::ReadP3dNode(CPFileReader& reader, CPDescriptionMap& descriptions,
                                                            int32_t layerBase)
{
    const NodeLevel level(m_nodeDepth);
    if (level.TooDeep()) {
        Refuse(kTooDeep);
        return CPSmartPtr<CPGameObject>();
    }
    reader.ReadInt();
    const std::string name = ReadNodeName(reader);
    const auto placement = ReadRecord<CPMeshPlacement>(reader);
    const auto physicsRecord = ReadRecord<CPMeshShapeRecord>(reader);
    CPSmartPtr<CPGameObject> object(new CPGameObject(name));

    auto* physics = new CPPhysicData(object.Get());
    object->SetPhysicData(physics);
    physics->SetBoxInertia(physicsRecord.size1, physicsRecord.size2, physicsRecord.size3, physicsRecord.mass);
    object->SetPosition(D3DXVECTOR3(placement.position[0], placement.position[1], placement.position[2]));
    object->SetRotation(Conjugate(placement.rotation));

    auto* body = new CPRenderObject(object.Get());
    object->SetBody(body, kBodyRenderObject);
    if (!ReadVertexList(reader, m_vertexColour, body->GetLocalVertices()))
        return CPSmartPtr<CPGameObject>();
    CPPositionExtent extent;
    extent.Add(body->GetLocalVertices());
    object->SetBoundingBox(CPBoundingBox(extent.Centre(), extent.HalfSize()));
    body->CopyLocalToWorld();
    if (!ReadIndexList(reader, body->GetIndices()) || !ReadShapes(reader, *object))
        return CPSmartPtr<CPGameObject>();

    return ReadChildNodes(reader, object, kMinP3dNodeBytes, &CPRenderObjectManager::ReadP3dNode, descriptions, layerBase);
}

CPSmartPtr<CPGameObject> CPRenderObjectManager::ReadChildNodes(CPFileReader& reader,
                                                               const CPSmartPtr<CPGameObject>& object,
                                                               int32_t minNodeBytes, NodeReader readNode,
                                                               CPDescriptionMap& descriptions, int32_t layerBase)
{
    const int32_t children = reader.ReadInt();
    if (!CountFits(reader, children, minNodeBytes))
        return CPSmartPtr<CPGameObject>();
    for (int32_t i = 0; i < children; ++i) {
        const CPSmartPtr<CPGameObject> child = (this->*readNode)(reader, descriptions, layerBase);
        if (!child)
            return CPSmartPtr<CPGameObject>();
        object->AddChild(child);
    }
    if (reader.HasOverrun())
        return CPSmartPtr<CPGameObject>();
    DescribeNode(object, descriptions, layerBase);
    return object;
}

CPSmartPtr<CPGameObject> CPRenderObjectManager::ReadMeshNode(CPFileReader& reader, CPDescriptionMap& descriptions,
                                                             int32_t layerBase)
{
    const NodeLevel level(m_nodeDepth);
    if (level.TooDeep()) {
        Refuse(kTooDeep);
        return CPSmartPtr<CPGameObject>();
    }
    reader.ReadInt();
    CPSmartPtr<CPGameObject> object(new CPGameObject(ReadNodeName(reader)));
    auto* body = new CPRenderObject(object.Get());
    object->SetBody(body, kBodyRenderObject);
    if (!ReadVertexList(reader, m_vertexColour, body->GetLocalVertices()))
        return CPSmartPtr<CPGameObject>();
    body->CopyLocalToWorld();
    if (!ReadIndexList(reader, body->GetIndices()))
        return CPSmartPtr<CPGameObject>();

    const int32_t boxes = reader.ReadInt();
    if (!CountFits(reader, boxes, sizeof(CPMeshBoxRecord)))
        return CPSmartPtr<CPGameObject>();
    for (int32_t i = 0; i < boxes; ++i) {
        const auto record = ReadRecord<CPMeshBoxRecord>(reader);
        object->GetPartBoxes().emplace_back(D3DXVECTOR3(record.centre[0], record.centre[1], record.centre[2]),
                                            D3DXVECTOR3(record.halfSize[0], record.halfSize[1], record.halfSize[2]));
    }

    return ReadChildNodes(reader, object, kMinMeshNodeBytes, &CPRenderObjectManager::ReadMeshNode, descriptions, layerBase);
}

CPSmartPtr<CPGameObject> CPRenderObjectManager::ReadAnimatedNode(CPFileReader& reader,
                                                                 CPDescriptionMap& descriptions, int32_t layerBase,
                                                                 const std::string& animationName)
{
    const NodeLevel level(m_nodeDepth);
    if (level.TooDeep()) {
        Refuse(kTooDeep);
        return CPSmartPtr<CPGameObject>();
    }
    const std::string name = ReadNodeName(reader);
    ReadRecord<CPMeshPlacement>(reader); // read and not applied
    const auto physicsRecord = ReadRecord<CPMeshShapeRecord>(reader);
    const auto ownBox = ReadRecord<CPMeshShapeRecord>(reader);
    CPSmartPtr<CPGameObject> object(new CPGameObject(name));
    if (physicsRecord.mass > 0.0f) {
        auto* physics = new CPPhysicData(object.Get());
        object->SetPhysicData(physics);
        physics->SetBoxInertia(physicsRecord.size1, physicsRecord.size2, physicsRecord.size3, physicsRecord.mass);
    }
    auto* body = new CPAnimatedObject();
    body->SetOwner(object.Get());
    object->SetBody(body, kBodyAnimatedObject);

    CPAnimationManager* animations = GetAnimationManager();
    if (!animations)
        return CPSmartPtr<CPGameObject>();
    const CPSmartPtr<CPAnimation> clip = animations->GetAnimation(name + "&" + g_CurrentMeshFile, reader);
    if (!clip)
        return CPSmartPtr<CPGameObject>();
    body->AddAnimation(animationName, clip);
    if (ownBox.mass > 0.0f)
        object->SetBoundingBox(ShapeBox(ownBox));
    else
        object->SetBoundingBox(clip->m_bounds);
    if (!ReadShapes(reader, *object))
        return CPSmartPtr<CPGameObject>();

    const int32_t children = reader.ReadInt();
    if (!CountFits(reader, children, kMinAnimatedNodeBytes))
        return CPSmartPtr<CPGameObject>();
    for (int32_t i = 0; i < children; ++i) {
        const CPSmartPtr<CPGameObject> child = ReadAnimatedNode(reader, descriptions, layerBase, animationName);
        if (!child)
            return CPSmartPtr<CPGameObject>();
        object->AddChild(child);
    }
    if (reader.HasOverrun())
        return CPSmartPtr<CPGameObject>();
    DescribeNode(object, descriptions, layerBase);
    return object;
}

bool CPRenderObjectManager::ReadAnimatedFrameInto(const CPSmartPtr<CPGameObject>& node, CPFileReader& reader,
                                                  std::vector<std::pair<CPGameObject*, CPSmartPtr<CPAnimation>>>& clips)
{
    // A name the first file's tree lacks leaves the bytes of that node unread,
    // so the rest of the file cannot be followed.
    if (!node)
        return Refuse("names a node the first file lacks");
    const NodeLevel level(m_nodeDepth);
    if (level.TooDeep())
        return Refuse(kTooDeep);
    ReadRecord<CPMeshPlacement>(reader);
    ReadRecord<CPMeshShapeRecord>(reader);
    ReadRecord<CPMeshShapeRecord>(reader);
    CPAnimationManager* animations = GetAnimationManager();
    if (!animations)
        return false;
    const CPSmartPtr<CPAnimation> clip = animations->GetAnimation(node->GetName() + "&" + g_CurrentMeshFile, reader);
    if (!clip)
        return false;
    clips.emplace_back(node.Get(), clip);

    const int32_t shapes = reader.ReadInt();
    if (!CountFits(reader, shapes, sizeof(CPMeshShapeRecord)))
        return false;
    for (int32_t i = 0; i < shapes; ++i)
        ReadRecord<CPMeshShapeRecord>(reader);

    const int32_t children = reader.ReadInt();
    if (!CountFits(reader, children, kMinAnimatedFrameBytes))
        return false;
    for (int32_t i = 0; i < children; ++i) {
        const std::string childName = ReadNodeName(reader);
        if (!ReadAnimatedFrameInto(node->FindPart(childName), reader, clips))
            return false;
    }
    return !reader.HasOverrun();
}

bool CPRenderObjectManager::ReadAnimatedFrame(const CPSmartPtr<CPGameObject>& node, CPFileReader& reader,
                                              CPDescriptionMap&, int32_t, const std::string& animationName)
{
    if (!node)
        return false;
    std::vector<std::pair<CPGameObject*, CPSmartPtr<CPAnimation>>> clips;
    if (!ReadAnimatedFrameInto(node, reader, clips))
        return false;
    for (const auto& entry : clips) {
        if (entry.first->GetKind() == kBodyAnimatedObject)
            static_cast<CPAnimatedObject*>(entry.first->GetBody().Get())->AddAnimation(animationName, entry.second);
    }
    return true;
}
