// Builds the binary files of the scene loader from small tables: mesh files
// in both node formats (with an optional trailer), animation files, and track
// files; plus the fixed ".rdf" texts and fallback files a scene test needs.
// Everything is little-endian, written field by field.
#pragma once

#include "Platform/D3DX9Math.h"
#include "Render/PVertex.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace scene
{
class Bytes
{
public:
    Bytes& Int(int32_t value)
    {
        for (int i = 0; i < 4; ++i)
            m_bytes += static_cast<char>((static_cast<uint32_t>(value) >> (8 * i)) & 0xFF);
        return *this;
    }
    Bytes& Float(float value)
    {
        int32_t bits;
        std::memcpy(&bits, &value, 4);
        return Int(bits);
    }
    Bytes& Floats(std::initializer_list<float> values)
    {
        for (float value : values)
            Float(value);
        return *this;
    }
    Bytes& Index(uint16_t value)
    {
        m_bytes += static_cast<char>(value & 0xFF);
        m_bytes += static_cast<char>(value >> 8);
        return *this;
    }
    // A 260-byte name field, zero-padded.
    Bytes& Name(const std::string& name)
    {
        std::string field = name.substr(0, 260);
        field.resize(260, '\0');
        m_bytes += field;
        return *this;
    }
    // A 32-bit length and the text.
    Bytes& String(const std::string& text)
    {
        Int(static_cast<int32_t>(text.size()));
        m_bytes += text;
        return *this;
    }
    Bytes& Vertex(const CPVertex& v)
    {
        Floats({ v.position.x, v.position.y, v.position.z, v.normal.x, v.normal.y, v.normal.z });
        Int(static_cast<int32_t>(v.diffuse)).Int(static_cast<int32_t>(v.specular));
        return Floats({ v.u1, v.v1, v.u2, v.v2 });
    }
    Bytes& Raw(const std::string& bytes)
    {
        m_bytes += bytes;
        return *this;
    }
    const std::string& Str() const { return m_bytes; }

private:
    std::string m_bytes;
};

inline CPVertex At(float x, float y, float z, D3DCOLOR diffuse = 0x11223344)
{
    CPVertex v;
    v.position = D3DXVECTOR3(x, y, z);
    v.normal = D3DXVECTOR3(0, 0, 1);
    v.diffuse = diffuse;
    v.specular = 0x55667788;
    v.u1 = x;
    v.v1 = y;
    return v;
}

// A physics, own-box or part shape record (52 bytes).
struct Shape
{
    int32_t type = 0;
    float size1 = 0, size2 = 0, size3 = 0;
    D3DXVECTOR3 position;
    D3DXQUATERNION rotation{ 0, 0, 0, 1 };
    float diameter = 0;
    float mass = 0;
};

struct Frame
{
    std::vector<CPVertex> vertices;
    std::vector<uint16_t> indices;
};

// One node of any of the three formats; each writer takes the fields its
// format has. A count set at or above 0 is written instead of the real one.
struct Node
{
    std::string name;
    D3DXVECTOR3 position;
    D3DXQUATERNION rotation{ 0, 0, 0, 1 };
    Shape physics;
    Shape ownBox;
    std::vector<CPVertex> vertices;
    std::vector<uint16_t> indices;
    std::vector<Shape> shapes;
    // Older format: centre and half size of each part box.
    std::vector<std::pair<D3DXVECTOR3, D3DXVECTOR3>> boxes;
    // Animated nodes: the clip.
    float frameTime = 240; // 0.1 s
    std::vector<Frame> frames;
    std::vector<Node> children;
    int64_t vertexCountOverride = -1;
};

inline void WriteShape(Bytes& out, const Shape& s)
{
    out.Int(s.type).Floats({ s.size1, s.size2, s.size3, s.position.x, s.position.y, s.position.z, s.rotation.x,
                             s.rotation.y, s.rotation.z, s.rotation.w, s.diameter, s.mass });
}

inline void WriteGeometry(Bytes& out, const Node& node)
{
    out.Int(node.vertexCountOverride >= 0 ? static_cast<int32_t>(node.vertexCountOverride)
                                           : static_cast<int32_t>(node.vertices.size()));
    for (const CPVertex& v : node.vertices)
        out.Vertex(v);
    out.Int(static_cast<int32_t>(node.indices.size()));
    for (uint16_t i : node.indices)
        out.Index(i);
}

inline void WriteP3dNode(Bytes& out, const Node& node)
{
    out.Int(0).Name(node.name);
    out.Floats({ node.position.x, node.position.y, node.position.z, node.rotation.x, node.rotation.y,
                 node.rotation.z, node.rotation.w });
    WriteShape(out, node.physics);
    WriteGeometry(out, node);
    out.Int(static_cast<int32_t>(node.shapes.size()));
    for (const Shape& s : node.shapes)
        WriteShape(out, s);
    out.Int(static_cast<int32_t>(node.children.size()));
    for (const Node& child : node.children)
        WriteP3dNode(out, child);
}

inline void WriteMeshNode(Bytes& out, const Node& node)
{
    out.Int(0).Name(node.name);
    WriteGeometry(out, node);
    out.Int(static_cast<int32_t>(node.boxes.size()));
    for (const auto& box : node.boxes) {
        out.Floats({ box.first.x, box.first.y, box.first.z, 0, box.second.x, box.second.y, box.second.z });
        out.Raw(std::string(68, '\0'));
    }
    out.Int(static_cast<int32_t>(node.children.size()));
    for (const Node& child : node.children)
        WriteMeshNode(out, child);
}

inline void WriteClip(Bytes& out, const Node& node)
{
    out.Int(static_cast<int32_t>(node.frames.size())).Float(node.frameTime);
    for (const Frame& frame : node.frames) {
        out.Int(static_cast<int32_t>(frame.vertices.size()));
        for (const CPVertex& v : frame.vertices)
            out.Vertex(v);
        out.Int(static_cast<int32_t>(frame.indices.size()));
        for (uint16_t i : frame.indices)
            out.Index(i);
    }
}

inline void WriteAnimatedNode(Bytes& out, const Node& node)
{
    out.Name(node.name);
    out.Floats({ node.position.x, node.position.y, node.position.z, node.rotation.x, node.rotation.y,
                 node.rotation.z, node.rotation.w });
    WriteShape(out, node.physics);
    WriteShape(out, node.ownBox);
    WriteClip(out, node);
    out.Int(static_cast<int32_t>(node.shapes.size()));
    for (const Shape& s : node.shapes)
        WriteShape(out, s);
    out.Int(static_cast<int32_t>(node.children.size()));
    for (const Node& child : node.children)
        WriteAnimatedNode(out, child);
}

// A trailer entry: a name and the first three matrix columns.
struct TrailerEntry
{
    std::string name;
    float values[12];
};

// A mesh file of the given roots, p3d nodes or older-format ones.
inline std::string MeshFile(const std::vector<Node>& roots, bool p3d, const std::vector<TrailerEntry>& trailer = {})
{
    Bytes out;
    out.Int(0).Int(static_cast<int32_t>(roots.size()));
    for (const Node& root : roots)
        p3d ? WriteP3dNode(out, root) : WriteMeshNode(out, root);
    if (!trailer.empty()) {
        out.Int(static_cast<int32_t>(trailer.size()));
        for (const TrailerEntry& entry : trailer) {
            out.String(entry.name);
            for (float value : entry.values)
                out.Float(value);
        }
    }
    return out.Str();
}

inline std::string AnimationFile(const Node& root)
{
    Bytes out;
    out.Int(0).Int(0);
    WriteAnimatedNode(out, root);
    return out.Str();
}

// The formats a file of nested nodes can take.
enum class NodeFormat { Mesh, P3d, Animated };

// A file whose single root holds one child, which holds one child, and so on,
// `depth` levels in all; every node named "n", without geometry. Written
// level by level, so any depth can be made.
inline std::string NestedFile(NodeFormat format, int32_t depth)
{
    Node node;
    node.name = "n";
    Bytes level;
    if (format == NodeFormat::Animated)
        WriteAnimatedNode(level, node);
    else if (format == NodeFormat::P3d)
        WriteP3dNode(level, node);
    else
        WriteMeshNode(level, node);
    // A node's child count is its last field.
    const std::string leaf = level.Str();
    std::string parent = leaf;
    parent.replace(parent.size() - 4, 4, Bytes().Int(1).Str());

    std::string out = format == NodeFormat::Animated ? Bytes().Int(0).Int(0).Str() : Bytes().Int(0).Int(1).Str();
    out.reserve(out.size() + static_cast<size_t>(depth) * leaf.size());
    for (int32_t i = 1; i < depth; ++i)
        out += parent;
    return out + leaf;
}

struct Track
{
    std::string name;
    // Each key: its time and its twelve floats (the first three columns).
    std::vector<std::pair<float, std::vector<float>>> keys;
};

inline std::string TrackFile(const std::vector<Track>& tracks)
{
    Bytes out;
    out.Int(static_cast<int32_t>(tracks.size()));
    for (const Track& track : tracks) {
        out.String(track.name).Int(static_cast<int32_t>(track.keys.size()));
        for (const auto& key : track.keys) {
            out.Float(key.first);
            for (size_t i = 0; i < 12; ++i)
                out.Float(i < key.second.size() ? key.second[i] : 0.0f);
        }
    }
    return out.Str();
}

// --- The small fixtures the tests share -----------------------------------

// One triangle, older format.
inline Node Triangle(const std::string& name)
{
    Node node;
    node.name = name;
    node.vertices = { At(0, 0, 0), At(1, 0, 0), At(0, 1, 0) };
    node.indices = { 0, 1, 2 };
    return node;
}

// A p3d node with one box shape, placed and turned.
inline Node BoxNode(const std::string& name)
{
    Node node;
    node.name = name;
    node.position = D3DXVECTOR3(5, 6, 7);
    node.rotation = D3DXQUATERNION(0.2f, 0.3f, 0.4f, 0.85f);
    node.physics.size1 = 1;
    node.physics.size2 = 2;
    node.physics.size3 = 3;
    node.physics.mass = 10;
    node.vertices = { At(0, 0, 0), At(2, 4, -2), At(2, 0, 0) };
    node.indices = { 0, 1, 2 };
    Shape box;
    box.size1 = 2;
    box.size2 = 4;
    box.size3 = 6;
    box.position = D3DXVECTOR3(1, 1, 1);
    box.mass = 3;
    node.shapes = { box };
    return node;
}

// An animated node with three frames of one triangle, frame k moved k along x.
inline Node ThreeFrameNode(const std::string& name, float frameTime = 240)
{
    Node node;
    node.name = name;
    node.frameTime = frameTime;
    for (int k = 0; k < 3; ++k) {
        const float x = static_cast<float>(k);
        node.frames.push_back({ { At(x, 0, 0), At(x + 1, 0, 0), At(x, 1, 0) }, { 0, 1, 2 } });
    }
    return node;
}

// A three-key track that moves a node from x = 0 to 10 to 20.
inline Track ThreeKeyTrack(const std::string& name)
{
    Track track;
    track.name = name;
    for (int k = 0; k < 3; ++k)
        track.keys.push_back({ 1.0f, { 1, 0, 0, 10.0f * k, 0, 1, 0, 0, 0, 0, 1, 0 } });
    return track;
}

// Fallback files of the effect and texture caches, and the scene loader's own.
inline std::vector<std::pair<std::string, std::string>> FallbackFiles()
{
    const std::string effect = "float4x4 matWorldViewProj;\n"
                               "technique t0 { pass p0 { } }\n";
    // A 2 x 2 uncompressed true-colour TGA.
    std::string tga(18, '\0');
    tga[2] = 2;
    tga[12] = 2;
    tga[14] = 2;
    tga[16] = 32;
    tga += std::string(16, '\x7f');
    return {
        { "Data/Effects/simple.fx", effect },
        { "Data/Effects/error.fx", effect },
        { "Data/Textures/error.tga", tga },
        { "Data/Meshes/wrong.rdf", "root = empty\n" },
    };
}
}
