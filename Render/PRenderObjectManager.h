// Render-object manager: the scene loader. LoadRenderObject reads a scene
// description from the meshes folder and builds its object tree: the root
// from a mesh file (p3d or older node format), from animation files, or an
// empty group; every node styled from its section of the description
// (material, flags, script, vertex effects or shared static geometry, part
// animations); then the sprites, lights, particle systems, detail levels and
// line data that the description hangs on the tree.
//
// The binary readers trust no count: each is checked against the bytes left
// before anything is allocated, and a file that breaks one is refused whole,
// as is a file shorter than its header or nested deeper than the readers go.
// Each refusal is logged with the file's path and the reason.
#pragma once

#include "Core/PSmartPtr.h"
#include "Platform/D3D9.h"
#include "Render/PSceneDescription.h"

#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

class CPAnimation;
class CPFileReader;
class CPGameObject;
class CPPartAnimation;
class CPVertexModifier;

// Track name (a node name) to its part animation.
using CPTrackMap = std::map<std::string, CPSmartPtr<CPPartAnimation>>;

// Placement of a p3d or animated node, 28 bytes in the files.
struct CPMeshPlacement
{
    float position[3];
    // Stored as x, y, z, w; the node takes its conjugate.
    float rotation[4];
};

// A physics shape of a node, 52 bytes in the files. The physics record and
// the own-box record of a node have the same layout.
struct CPMeshShapeRecord
{
    // kShapeBox or kShapeCylinder; other types are passed over.
    int32_t type;
    float size1;
    // The height, along z, of boxes and cylinders.
    float size2;
    float size3;
    // The centre of a box's base; a cylinder's position.
    float position[3];
    float rotation[4];
    float diameter;
    float mass;
};

// A part box of an older-format node, 96 bytes in the files.
struct CPMeshBoxRecord
{
    float centre[3];
    float unused;
    float halfSize[3];
    uint8_t rest[68];
};

static_assert(sizeof(CPMeshPlacement) == 28, "placement record layout");
static_assert(sizeof(CPMeshShapeRecord) == 52, "shape record layout");
static_assert(sizeof(CPMeshBoxRecord) == 96, "box record layout");

class CPRenderObjectManager
{
public:
    static constexpr D3DCOLOR kDefaultVertexColour = 0xffffffff;
    static constexpr int32_t kShapeBox = 0;
    static constexpr int32_t kShapeCylinder = 1;
    // Bytes of a node's name field.
    static constexpr int32_t kNameBytes = 260;
    // The deepest node the node readers take (a root is level 1): they recurse
    // once per level, so a file nested deeper is refused whole.
    static constexpr int32_t kMaxNodeDepth = 256;
    // The deepest chain of descriptions loading one another (through detail
    // levels) that a load follows; a description further down gives nothing.
    static constexpr int32_t kMaxDescriptionDepth = 256;

    CPRenderObjectManager();
    ~CPRenderObjectManager();
    CPRenderObjectManager(const CPRenderObjectManager&) = delete;
    CPRenderObjectManager& operator=(const CPRenderObjectManager&) = delete;

    // The tree the description file (in the meshes folder, extension
    // included) describes, with each node's material layer the layer base
    // plus its "type". A description that cannot be read gives "wrong.rdf"
    // instead; empty when no root could be built, when "wrong.rdf" is missing
    // too, or when the description is already being loaded (a detail level
    // naming its own description).
    CPSmartPtr<CPGameObject> LoadRenderObject(const std::string& name, int32_t layerBase);
    void SetShadowTexturesOn(uint8_t on) { m_shadowTexturesOn = on; }

    // While a batch is open (batches nest), each description and mesh file
    // is read, each description parsed and each texture or effect looked up
    // once, and every later load that names it again takes what was kept:
    // a level opens one around its placed objects, which name the same few
    // files many times. What was kept is dropped when the outermost batch
    // ends, so files changed during a batch are seen by the next one.
    void BeginBatch();
    void EndBatch();

    // Node readers: each reads the node at the reader's position and its
    // children, styles each new node from the descriptions and returns it;
    // empty when the bytes are refused (GetRefusal then says why).
    CPSmartPtr<CPGameObject> ReadP3dNode(CPFileReader& reader, CPDescriptionMap& descriptions, int32_t layerBase);
    CPSmartPtr<CPGameObject> ReadMeshNode(CPFileReader& reader, CPDescriptionMap& descriptions, int32_t layerBase);
    // Reads a node's children with the node reader of its format, then
    // describes the node; null when a child or the file is refused.
    using NodeReader = CPSmartPtr<CPGameObject> (CPRenderObjectManager::*)(CPFileReader&, CPDescriptionMap&, int32_t);
    CPSmartPtr<CPGameObject> ReadChildNodes(CPFileReader& reader, const CPSmartPtr<CPGameObject>& object,
                                            int32_t minNodeBytes, NodeReader readNode,
                                            CPDescriptionMap& descriptions, int32_t layerBase);
    CPSmartPtr<CPGameObject> ReadAnimatedNode(CPFileReader& reader, CPDescriptionMap& descriptions,
                                              int32_t layerBase, const std::string& animationName);
    // Reads one further animation file's node (after its name) into the node
    // of the tree the first file built, adding each node's clip under the
    // animation name. False, with no clip added anywhere, when the bytes are
    // refused or name a child the tree lacks.
    bool ReadAnimatedFrame(const CPSmartPtr<CPGameObject>& node, CPFileReader& reader,
                           CPDescriptionMap& descriptions, int32_t layerBase, const std::string& animationName);
    // Why the last node read that failed refused its bytes, in plain words.
    const std::string& GetRefusal() const { return m_refusal; }

    // Styles a node or sprite from its attributes (a missing "effectfile",
    // "texturefile1" or "type" reads as empty).
    void ApplyDescription(const CPSmartPtr<CPGameObject>& object, const CPAttributeMap& attributes,
                          int32_t layerBase);
    // Adds one part animation per track of the track file in the animations
    // folder; a file that is missing or refused adds nothing.
    void LoadAnimation(const std::string& fileName, CPTrackMap& tracks);

    // Replaces the diffuse colour of every vertex the loader reads.
    D3DCOLOR m_vertexColour = kDefaultVertexColour;
    // Lower-cased root spec of the last mesh description; with a node name it
    // keys the node's static geometry.
    std::string m_currentMeshName;
    std::string m_shadowTextureFolder;
    std::string m_shadowTextureSuffix;
    std::string m_shadowEffectSuffix;
    // On while a description with shadow textures is being built.
    uint8_t m_shadowTexturesOn = 0;

private:
    CPSmartPtr<CPGameObject> BuildTree(const std::string& name, CPSceneDescription& description, int32_t layerBase);
    CPSmartPtr<CPGameObject> BuildAnimatedRoot(const std::string& name, CPSceneDescription& description,
                                               int32_t layerBase);
    CPSmartPtr<CPGameObject> BuildMeshRoot(const std::string& name, CPSceneDescription& description,
                                           int32_t layerBase);
    void AddDetailLevels(const CPSmartPtr<CPGameObject>& root, const CPSceneDescription& description,
                         int32_t layerBase);
    void AddLights(const CPSmartPtr<CPGameObject>& root, const CPSceneDescription& description);
    void AddParticleSystems(const CPSmartPtr<CPGameObject>& root, const CPSceneDescription& description);
    // The animated-root, group-root and mesh-root forms of sprite entries.
    enum class SpriteForm { Animated, Group, Mesh };
    void AddSprites(const CPSmartPtr<CPGameObject>& root, CPSceneDescription& description, int32_t layerBase,
                    SpriteForm form);
    // The shape records of a node: physics shapes (when the node has physics
    // data) and part boxes.
    bool ReadShapes(CPFileReader& reader, CPGameObject& object);
    // Hands a vertex modifier (owned; null allowed) to the node's body.
    void AttachModifier(CPGameObject& node, CPVertexModifier* modifier);
    // Styles a node just read with the attribute map of its name (none: an
    // empty one).
    void DescribeNode(const CPSmartPtr<CPGameObject>& object, const CPDescriptionMap& descriptions,
                      int32_t layerBase);
    bool ReadAnimatedFrameInto(const CPSmartPtr<CPGameObject>& node, CPFileReader& reader,
                               std::vector<std::pair<CPGameObject*, CPSmartPtr<CPAnimation>>>& clips);
    // Reasons a file is refused, in the words the log gives them: too short
    // for its fixed header, or for what its counts say (a count past the
    // bytes left, or a record cut off by the file's end).
    static constexpr const char* kShortHeader = "shorter than its header";
    static constexpr const char* kShortCounts = "shorter than its counts say";
    // Notes why a node read failed; false, for the caller to return.
    bool Refuse(const std::string& reason);
    // Logs that the file at `path` (a game path as the caller built it) was
    // refused, for `reason`.
    static void ReportRefusal(const std::string& path, const std::string& reason);

    // Loads the file the reader was made for (at `path`), through the
    // batch's copy when a batch is open.
    HRESULT LoadFile(const std::string& path, CPFileReader& reader);
    // Whether a file matching the name exists in the folder.
    bool FileExists(const char* folder, const std::string& name);

    // Lower-cased names of the descriptions being loaded, outermost first.
    std::vector<std::string> m_loading;
    // Levels of the node being read (0 between reads) and why the last failed
    // read refused its bytes.
    int32_t m_nodeDepth = 0;
    std::string m_refusal;

    // A file as the batch keeps it: its bytes, or that it could not be read.
    struct BatchFile
    {
        bool loaded = false;
        std::vector<BYTE> bytes;
    };
    int32_t m_batchDepth = 0;
    std::unordered_map<std::string, BatchFile> m_batchFiles;
    // Parsed descriptions by lower-cased name. Building from one only adds
    // empty sections and empty values, which read as the missing ones did.
    std::unordered_map<std::string, CPSceneDescription> m_batchDescriptions;
    std::unordered_map<std::string, bool> m_batchExists;
};

// The file name (as the description writes it) of the animation file being
// read; part of the clip cache key.
extern std::string g_CurrentMeshFile;

// Created by the host.
extern CPRenderObjectManager* g_RenderObjectManager;
CPRenderObjectManager* GetRenderObjectManager();
