#include "Render/PAnimation.h"

#include "Core/PFileReader.h"

#include <cstddef>
#include <cstring>
#include <iterator>
#include "Render/PAnimationManager.h"
#include "Render/PRenderObjectManager.h"

namespace
{
// Smallest frame record: its vertex count and its index count.
constexpr int32_t kMinFrameBytes = 8;

D3DCOLOR CurrentVertexColour()
{
    const CPRenderObjectManager* manager = GetRenderObjectManager();
    return manager ? manager->m_vertexColour : CPRenderObjectManager::kDefaultVertexColour;
}
}

namespace
{
// Walks packed vertex records, giving each as stored; a vector built from
// two of them copies the bytes once, with no zero fill.
class VertexRecordIterator
{
public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = CPVertex;
    using difference_type = std::ptrdiff_t;
    using pointer = const CPVertex*;
    using reference = CPVertex;

    explicit VertexRecordIterator(const BYTE* bytes)
        : m_bytes(bytes)
    {
    }
    CPVertex operator*() const
    {
        CPVertex vertex;
        std::memcpy(static_cast<void*>(&vertex), m_bytes, sizeof(CPVertex));
        return vertex;
    }
    VertexRecordIterator& operator++()
    {
        m_bytes += sizeof(CPVertex);
        return *this;
    }
    VertexRecordIterator operator++(int)
    {
        VertexRecordIterator before = *this;
        ++*this;
        return before;
    }
    bool operator==(const VertexRecordIterator& other) const { return m_bytes == other.m_bytes; }
    bool operator!=(const VertexRecordIterator& other) const { return m_bytes != other.m_bytes; }

private:
    const BYTE* m_bytes;
};
}

bool ReadVertexList(CPFileReader& reader, D3DCOLOR diffuse, std::vector<CPVertex>& vertices)
{
    const int32_t count = reader.ReadInt();
    if (count < 0 || count > reader.GetRemaining() / static_cast<int32_t>(sizeof(CPVertex)))
        return false;
    const size_t bytes = static_cast<size_t>(count) * sizeof(CPVertex);
    const BYTE* first = count > 0 ? reader.GetCursorData() : nullptr;
    if (count > 0) {
        vertices.assign(VertexRecordIterator(first), VertexRecordIterator(first + bytes));
        // A second pass: patching each record as it is copied would make
        // every vertex a merge of two stores, which costs more than the copy.
        for (CPVertex& vertex : vertices)
            vertex.diffuse = diffuse;
    } else {
        vertices.clear();
    }
    reader.Skip(bytes);
    return true;
}

bool ReadIndexList(CPFileReader& reader, std::vector<uint16_t>& indices)
{
    const int32_t count = reader.ReadInt();
    if (count < 0 || count > reader.GetRemaining() / static_cast<int32_t>(sizeof(uint16_t)))
        return false;
    indices.resize(static_cast<size_t>(count));
    reader.Read(indices.data(), indices.size() * sizeof(uint16_t));
    return true;
}

void CPPositionExtent::Add(const std::vector<CPVertex>& vertices)
{
    for (const CPVertex& vertex : vertices) {
        const D3DXVECTOR3& p = vertex.position;
        minimum.x = p.x < minimum.x ? p.x : minimum.x;
        minimum.y = p.y < minimum.y ? p.y : minimum.y;
        minimum.z = p.z < minimum.z ? p.z : minimum.z;
        maximum.x = p.x > maximum.x ? p.x : maximum.x;
        maximum.y = p.y > maximum.y ? p.y : maximum.y;
        maximum.z = p.z > maximum.z ? p.z : maximum.z;
    }
    seen = seen || !vertices.empty();
}

D3DXVECTOR3 CPPositionExtent::Centre() const
{
    return seen ? (maximum + minimum) * 0.5f : D3DXVECTOR3();
}

D3DXVECTOR3 CPPositionExtent::HalfSize() const
{
    return seen ? (maximum - minimum) * 0.5f : D3DXVECTOR3();
}

CPAnimation::CPAnimation(const std::string& name)
    : m_name(name)
{
    if (CPAnimationManager* manager = GetAnimationManager())
        manager->Insert(this);
}

CPAnimation::~CPAnimation()
{
    if (CPAnimationManager* manager = GetAnimationManager())
        manager->Remove(this);
}

int32_t CPAnimation::GetObjectSize() const
{
    return static_cast<int32_t>(sizeof(CPAnimation));
}

std::string CPAnimation::GetTypeName() const
{
    return "CPAnimation";
}

bool CPAnimation::Load(CPFileReader& reader)
{
    const int32_t count = reader.ReadInt();
    const float storedTime = reader.ReadFloat();
    if (count < 0 || count > reader.GetRemaining() / kMinFrameBytes)
        return false;
    const D3DCOLOR colour = CurrentVertexColour();
    std::vector<CPAnimationFrame> frames(static_cast<size_t>(count));
    CPPositionExtent extent;
    for (int32_t i = 0; i < count; ++i) {
        CPAnimationFrame& frame = frames[static_cast<size_t>(i)];
        frame.index = i;
        if (!ReadVertexList(reader, colour, frame.vertices) || !ReadIndexList(reader, frame.indices))
            return false;
        extent.Add(frame.vertices);
    }
    m_frames = std::move(frames);
    m_frameCount = count;
    m_frameTime = storedTime * kFrameTimeUnit;
    m_length = static_cast<float>(count) * m_frameTime;
    m_bounds = CPBoundingBox(extent.Centre(), extent.HalfSize());
    return true;
}
