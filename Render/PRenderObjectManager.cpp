#include "Render/PRenderObjectManager.h"

#include "Core/PFileReader.h"
#include "Core/PGameObject.h"
#include "Core/PTokenizer.h"
#include "Core/PUtils.h"
#include "Render/PLight.h"
#include "Render/PParticleSystem.h"
#include "Render/PSprite.h"
#include "Startup/PConfigVars.h"

#include <algorithm>
#include <cstdio>

namespace
{
const char* const kMeshFolder = "Data\\Meshes\\";
const char* const kFallbackDescription = "wrong.rdf";
const char* const kAnimatedRoot = "anim";
const char* const kGroupRoot = "empty";
const char* const kNoDetailLevel = "null";
// Particle systems left out when the weather is off.
const char* const kWeatherSystems[] = { "snow", "snow2", "snow3" };
// The smallest mesh node either format has, for the root count check.
constexpr int32_t kMinRootNodeBytes = 4 + CPRenderObjectManager::kNameBytes + 4 * 4;
// A trailer entry: its name's length and twelve floats.
constexpr int32_t kMinTrailerEntryBytes = 4 + 12 * 4;
// Mesh and animation files open with two 32-bit values.
constexpr int32_t kFileHeaderBytes = 8;

const std::string& Field(const CPDescriptionFields& fields, size_t index)
{
    static const std::string empty;
    return index < fields.size() ? fields[index] : empty;
}

float FloatField(const CPDescriptionFields& fields, size_t index)
{
    return DescriptionFloat(Field(fields, index));
}

D3DXVECTOR3 VectorField(const CPDescriptionFields& fields, size_t first)
{
    return D3DXVECTOR3(FloatField(fields, first), FloatField(fields, first + 1), FloatField(fields, first + 2));
}

bool EndsWithP3d(const std::string& name)
{
    if (name.size() < 3)
        return false;
    std::string ending = name.substr(name.size() - 3);
    return ToLowerString(ending) == "p3d";
}

// Reads the trailer of a mesh file: named matrices that no object takes.
bool ReadTrailer(CPFileReader& reader)
{
    const int32_t count = reader.ReadInt();
    if (count < 0 || count > reader.GetRemaining() / kMinTrailerEntryBytes)
        return false;
    for (int32_t i = 0; i < count; ++i) {
        std::string name = reader.ReadString();
        ToLowerString(name);
        for (int32_t k = 0; k < 12; ++k)
            reader.ReadFloat();
    }
    return !reader.HasOverrun();
}

// Ends a load: the shadow textures of one description never reach the next.
struct ShadowTexturesOff
{
    CPRenderObjectManager& manager;
    ~ShadowTexturesOff() { manager.SetShadowTexturesOn(0); }
};
}

CPRenderObjectManager* g_RenderObjectManager = nullptr;

CPRenderObjectManager* GetRenderObjectManager()
{
    return g_RenderObjectManager;
}

CPRenderObjectManager::CPRenderObjectManager() = default;

CPRenderObjectManager::~CPRenderObjectManager() = default;

CPSmartPtr<CPGameObject> CPRenderObjectManager::LoadRenderObject(const std::string& name, int32_t layerBase)
{
    std::string key = name;
    ToLowerString(key);
    // A description that names itself, directly or through others, would
    // load for ever.
    if (std::find(m_loading.begin(), m_loading.end(), key) != m_loading.end())
        return CPSmartPtr<CPGameObject>();
    // Each description down a chain of detail levels is loaded inside the
    // one above it.
    if (m_loading.size() >= static_cast<size_t>(kMaxDescriptionDepth)) {
        ReportRefusal(kMeshFolder + name,
                      "nested deeper than " + std::to_string(kMaxDescriptionDepth) + " levels");
        return CPSmartPtr<CPGameObject>();
    }

    CPSceneDescription parsed;
    CPSceneDescription* found = nullptr;
    const auto kept = m_batchDescriptions.find(key);
    if (kept != m_batchDescriptions.end()) {
        found = &kept->second;
    } else {
        const std::string path = kMeshFolder + name;
        CPFileReader file(path);
        if (FAILED(LoadFile(path, file))) {
            SetShadowTexturesOn(0);
            if (key == kFallbackDescription)
                return CPSmartPtr<CPGameObject>();
            return LoadRenderObject(kFallbackDescription, layerBase);
        }
        parsed.Parse(reinterpret_cast<const char*>(file.GetData()), file.GetSize());
        found = m_batchDepth > 0 ? &(m_batchDescriptions[key] = std::move(parsed)) : &parsed;
    }
    CPSceneDescription& description = *found;

    m_loading.push_back(key);
    CPSmartPtr<CPGameObject> root;
    {
        ShadowTexturesOff off{ *this };
        if (!description.shadowTextures.empty()) {
            const CPDescriptionFields fields = SplitDescriptionFields(description.shadowTextures);
            m_shadowTextureFolder = Field(fields, 0);
            m_shadowTextureSuffix = Field(fields, 1);
            m_shadowEffectSuffix = Field(fields, 2);
            SetShadowTexturesOn(1);
        }
        root = BuildTree(name, description, layerBase);
        if (root && !description.descriptionFile.empty()) {
            root->SetDescriptionName(description.descriptionFile);
            root->LoadDescription();
        }
    }
    m_loading.pop_back();
    return root;
}

void CPRenderObjectManager::BeginBatch()
{
    ++m_batchDepth;
}

void CPRenderObjectManager::EndBatch()
{
    if (m_batchDepth > 0 && --m_batchDepth == 0) {
        m_batchFiles.clear();
        m_batchDescriptions.clear();
        m_batchExists.clear();
    }
}

HRESULT CPRenderObjectManager::LoadFile(const std::string& path, CPFileReader& reader)
{
    if (m_batchDepth == 0)
        return reader.Load();
    const auto kept = m_batchFiles.find(path);
    if (kept != m_batchFiles.end()) {
        if (!kept->second.loaded)
            return E_FAIL;
        const std::vector<BYTE>& bytes = kept->second.bytes;
        reader.SetData(bytes.data(), static_cast<int32_t>(bytes.size()));
        return S_OK;
    }
    const HRESULT result = reader.Load();
    BatchFile& file = m_batchFiles[path];
    file.loaded = SUCCEEDED(result);
    if (file.loaded)
        file.bytes.assign(reader.GetData(), reader.GetData() + reader.GetSize());
    return result;
}

CPSmartPtr<CPGameObject> CPRenderObjectManager::BuildTree(const std::string& name, CPSceneDescription& description,
                                                          int32_t layerBase)
{
    CPTokenizer tokens(description.rootSpec, ";", 1);
    std::string first;
    tokens.NextToken(first);
    if (first == kAnimatedRoot)
        return BuildAnimatedRoot(name, description, layerBase);
    if (description.rootSpec == kGroupRoot) {
        CPSmartPtr<CPGameObject> root(new CPGameObject(kGroupRoot));
        AddSprites(root, description, layerBase, SpriteForm::Group);
        return root;
    }
    return BuildMeshRoot(name, description, layerBase);
}

CPSmartPtr<CPGameObject> CPRenderObjectManager::BuildAnimatedRoot(const std::string& name,
                                                                  CPSceneDescription& description,
                                                                  int32_t layerBase)
{
    CPSmartPtr<CPGameObject> root;
    CPTokenizer tokens(description.rootSpec, ";", 1);
    std::string token;
    tokens.NextToken(token); // "anim"
    while (tokens.NextToken(token)) {
        CPTokenizer parts(token, ",", 1);
        std::string animationName;
        std::string fileName;
        parts.NextToken(animationName);
        parts.NextToken(fileName);
        g_CurrentMeshFile = fileName;
        const std::string path = kMeshFolder + fileName;
        CPFileReader reader(path);
        if (FAILED(LoadFile(path, reader)))
            continue;
        if (reader.GetSize() < kFileHeaderBytes) {
            ReportRefusal(path, kShortHeader);
            continue;
        }
        m_refusal.clear();
        reader.ReadInt();
        reader.ReadInt();
        bool read = false;
        if (!root) {
            root = ReadAnimatedNode(reader, description.nodes, layerBase, animationName);
            read = static_cast<bool>(root);
            if (root)
                root->SetSourceName(name);
        } else {
            char rootName[kNameBytes];
            reader.Read(rootName, sizeof(rootName));
            read = ReadAnimatedFrame(root, reader, description.nodes, layerBase, animationName);
        }
        if (!read)
            ReportRefusal(path, m_refusal.empty() ? kShortCounts : m_refusal);
        if (root)
            root->UpdateTransform();
    }
    if (root)
        AddDetailLevels(root, description, layerBase);
    AddSprites(root, description, layerBase, SpriteForm::Animated);
    return root;
}

CPSmartPtr<CPGameObject> CPRenderObjectManager::BuildMeshRoot(const std::string& name,
                                                              CPSceneDescription& description, int32_t layerBase)
{
    const std::string& spec = description.rootSpec;
    m_currentMeshName = spec;
    ToLowerString(m_currentMeshName);
    const bool p3d = EndsWithP3d(spec);
    CPSmartPtr<CPGameObject> root;
    const std::string path = kMeshFolder + spec;
    CPFileReader reader(path);
    if (SUCCEEDED(LoadFile(path, reader))) {
        m_refusal = reader.GetSize() < kFileHeaderBytes ? kShortHeader : "";
        reader.ReadInt();
        const int32_t count = reader.ReadInt();
        bool refused = !m_refusal.empty() || count > reader.GetRemaining() / kMinRootNodeBytes;
        auto readNode = [&] {
            return p3d ? ReadP3dNode(reader, description.nodes, layerBase)
                       : ReadMeshNode(reader, description.nodes, layerBase);
        };
        if (refused) {
        } else if (count == 1) {
            root = readNode();
            refused = !root;
        } else {
            root = new CPGameObject(name);
            for (int32_t i = 0; i < count && !refused; ++i) {
                const CPSmartPtr<CPGameObject> node = readNode();
                refused = !node;
                if (node)
                    root->AddChild(node);
            }
        }
        if (!refused && !reader.IsAtEnd())
            refused = !ReadTrailer(reader);
        if (refused) {
            ReportRefusal(path, m_refusal.empty() ? kShortCounts : m_refusal);
            root = CPSmartPtr<CPGameObject>();
        }
        if (root) {
            root->SetSourceName(name);
            root->UpdateTransform();
        }
    }

    if (root) {
        for (const CPDescriptionFields& point : description.lineKeyPoints)
            root->GetLineKeyPoints().push_back(VectorField(point, 0));
        unsigned int colour = 0;
        if (!description.lineColour.empty() && std::sscanf(description.lineColour.c_str(), "%x", &colour) == 1)
            root->SetLineColour(colour);
    }
    AddSprites(root, description, layerBase, SpriteForm::Mesh);
    AddLights(root, description);
    if (root)
        AddDetailLevels(root, description, layerBase);
    AddParticleSystems(root, description);
    return root;
}

void CPRenderObjectManager::AddDetailLevels(const CPSmartPtr<CPGameObject>& root,
                                            const CPSceneDescription& description, int32_t layerBase)
{
    // The root is its own first level; that entry's reference is handed back.
    root->AddDetailLevel(root, 0);
    root->Release();
    for (const CPDescriptionFields& level : description.detailLevels) {
        CPSmartPtr<CPGameObject> object;
        if (Field(level, 0) != kNoDetailLevel)
            object = LoadRenderObject(Field(level, 0), layerBase);
        root->AddDetailLevel(object, DescriptionInt(Field(level, 1)));
    }
}

void CPRenderObjectManager::AddSprites(const CPSmartPtr<CPGameObject>& root, CPSceneDescription& description,
                                       int32_t layerBase, SpriteForm form)
{
    for (const CPDescriptionFields& fields : description.sprites) {
        const std::string& name = Field(fields, 0);
        const float size = FloatField(fields, 4);
        const std::string& parentName = Field(fields, 5);
        CPSmartPtr<CPGameObject> object(new CPGameObject(name));
        auto* sprite = new CPSprite(size);
        sprite->SetOwner(object.Get());
        object->SetBody(sprite, kBodySprite);
        object->SetShadow(false);
        object->SetPosition(VectorField(fields, 1));
        ApplyDescription(object, description.nodes[name], layerBase);

        if (form != SpriteForm::Animated && !Field(fields, 9).empty())
            sprite->SetAxisAndCone(VectorField(fields, 6), FloatField(fields, 9));
        if (form != SpriteForm::Group)
            object->SetStatic(false);
        if (form != SpriteForm::Mesh)
            object->SetBoundingBox(CPBoundingBox(D3DXVECTOR3(), D3DXVECTOR3(size, size, size)));

        if (!root)
            continue;
        CPSmartPtr<CPGameObject> parent;
        if (parentName.empty() || (form == SpriteForm::Animated && parentName == root->GetName()))
            parent = root;
        else
            parent = root->FindChild(parentName);
        if (!parent && form != SpriteForm::Animated)
            parent = root;
        if (parent)
            parent->AddChild(object);
    }
}

void CPRenderObjectManager::AddLights(const CPSmartPtr<CPGameObject>& root, const CPSceneDescription& description)
{
    for (const CPDescriptionFields& fields : description.lights) {
        CPSmartPtr<CPGameObject> object(new CPGameObject(Field(fields, 0)));
        auto* light = new CPLight();
        light->SetOwner(object.Get());
        object->SetBody(light, kBodyLight);
        object->SetShadow(false);
        D3DLIGHT9& data = light->GetLightData();
        data.Type = D3DLIGHT_POINT;
        const D3DCOLORVALUE colour{ FloatField(fields, 6), FloatField(fields, 7), FloatField(fields, 8), 0.0f };
        data.Diffuse = colour;
        data.Specular = colour;
        data.Ambient = colour;
        data.Range = FloatField(fields, 10);
        data.Attenuation0 = 0.0f;
        data.Attenuation1 = FloatField(fields, 9);
        data.Attenuation2 = 0.0f;
        object->SetBoundingBox(CPBoundingBox(D3DXVECTOR3(), D3DXVECTOR3(data.Range, data.Range, data.Range)));
        object->SetPosition(VectorField(fields, 3));
        if (!root)
            continue;
        const std::string& parentName = Field(fields, 1);
        const CPSmartPtr<CPGameObject> parent = parentName == root->GetName() ? root : root->FindChild(parentName);
        if (parent)
            parent->AddChild(object);
    }
}

void CPRenderObjectManager::AddParticleSystems(const CPSmartPtr<CPGameObject>& root,
                                               const CPSceneDescription& description)
{
    for (const CPDescriptionFields& fields : description.particleSystems) {
        const std::string& name = Field(fields, 0);
        if (g_CfgWeather == 0
            && std::find(std::begin(kWeatherSystems), std::end(kWeatherSystems), name) != std::end(kWeatherSystems))
            continue;
        CPSmartPtr<CPGameObject> object(new CPGameObject(name));
        const std::vector<std::string> templates(fields.size() > 6 ? fields.begin() + 6 : fields.end(),
                                                 fields.end());
        auto* system = new CPParticleSystem(object.Get(), templates);
        object->SetBody(system, kBodyParticleSystem);
        system->SetEmitInterval(FloatField(fields, 5));
        object->SetShadow(false);
        object->SetBoundingBox(CPBoundingBox(D3DXVECTOR3(), D3DXVECTOR3(0.5f, 0.5f, 0.5f)));
        object->SetPosition(VectorField(fields, 2));
        if (!root)
            continue;
        const std::string& parentName = Field(fields, 1);
        const CPSmartPtr<CPGameObject> parent = parentName == root->GetName() ? root : root->FindPart(parentName);
        if (parent)
            parent->AddChild(object);
    }
}
