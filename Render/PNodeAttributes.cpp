// Styling of the nodes the scene loader builds, and the track files of their
// part animations.
#include "Render/PRenderObjectManager.h"

#include "Core/PCommandDispatcher.h"
#include "Core/PFileFinder.h"
#include "Core/PFileReader.h"
#include "Core/PGameObject.h"
#include "Core/PTokenizer.h"
#include "Core/PUtils.h"
#include "Render/PAnimatedObject.h"
#include "Render/PMaterialManager.h"
#include "Render/PPartAnimation.h"
#include "Render/PRender.h"
#include "Render/PRenderObject.h"
#include "Render/PSprite.h"
#include "Render/PVertexModifier.h"

namespace
{
const char* const kAnimationFolder = "Data\\Animations\\";
const char* const kTextureFolder = "Data\\Textures\\";
const char* const kEffectFolder = "Data\\Effects\\";
const char* const kFireSuffix = "_fire.tga";
const char* const kHoleyEffect = "holey.fx";
const char* const kHoleyShadowEffect = "holey_shadow.fx";
// Fixed layers of the holey shadow material and of the fire material.
constexpr int32_t kShadowLayer = 16;
constexpr int32_t kFireLayer = 20;
// A track's key: its time and twelve floats.
constexpr int32_t kTrackKeyBytes = 52;
// The smallest track: an empty name and no keys.
constexpr int32_t kMinTrackBytes = 8;
// A track file opens with its track count.
constexpr int32_t kTrackHeaderBytes = 4;

// Reads the tracks of a track file; false when a count is refused.
bool ReadTracks(CPFileReader& reader, CPTrackMap& tracks)
{
    const int32_t count = reader.ReadInt();
    if (count > reader.GetRemaining() / kMinTrackBytes)
        return false;
    for (int32_t t = 0; t < count; ++t) {
        std::string name = reader.ReadString();
        ToLowerString(name);
        const int32_t keyCount = reader.ReadInt();
        if (keyCount < 0 || keyCount > reader.GetRemaining() / kTrackKeyBytes)
            return false;
        std::vector<D3DXMATRIX> keys(static_cast<size_t>(keyCount));
        std::vector<float> times(static_cast<size_t>(keyCount));
        for (int32_t k = 0; k < keyCount; ++k) {
            times[k] = reader.ReadFloat();
            D3DXMATRIX& key = keys[k];
            D3DXMatrixIdentity(&key);
            // The first three columns, each from the first row to the fourth.
            for (int32_t column = 0; column < 3; ++column) {
                for (int32_t row = 0; row < 4; ++row)
                    key.m[row][column] = reader.ReadFloat();
            }
        }
        CPSmartPtr<CPPartAnimation> track(new CPPartAnimation());
        track->SetKeys(keys, times);
        tracks[name] = track;
    }
    return !reader.HasOverrun();
}
}

bool CPRenderObjectManager::FileExists(const char* folder, const std::string& name)
{
    const std::string pattern = folder + name;
    if (m_batchDepth > 0) {
        const auto kept = m_batchExists.find(pattern);
        if (kept != m_batchExists.end())
            return kept->second;
    }
    CPFileFinder finder(pattern);
    const bool found = SUCCEEDED(finder.FindFirst());
    if (m_batchDepth > 0)
        m_batchExists.emplace(pattern, found);
    return found;
}

void CPRenderObjectManager::AttachModifier(CPGameObject& node, CPVertexModifier* modifier)
{
    if (!modifier)
        return;
    CPManagedObject* body = node.GetBody().Get();
    switch (body ? node.GetKind() : kBodyGroup) {
    case kBodyRenderObject:
        static_cast<CPRenderObject*>(body)->AddModifier(modifier);
        node.SetStatic(false);
        break;
    case kBodyAnimatedObject:
        static_cast<CPAnimatedObject*>(body)->AddModifier(modifier);
        node.SetStatic(false);
        break;
    case kBodySprite:
        // A sprite's object keeps its static flag.
        static_cast<CPSprite*>(body)->AddModifier(modifier);
        break;
    default:
        // Nothing else takes modifiers.
        delete modifier;
        break;
    }
}

void CPRenderObjectManager::LoadAnimation(const std::string& fileName, CPTrackMap& tracks)
{
    const std::string path = kAnimationFolder + fileName;
    CPFileReader reader(path);
    if (FAILED(reader.Load()))
        return;
    if (reader.GetSize() < kTrackHeaderBytes) {
        ReportRefusal(path, kShortHeader);
        return;
    }
    CPTrackMap read;
    if (!ReadTracks(reader, read)) {
        ReportRefusal(path, kShortCounts);
        return;
    }
    for (auto& entry : read)
        tracks[entry.first] = entry.second;
}

void CPRenderObjectManager::ApplyDescription(const CPSmartPtr<CPGameObject>& object,
                                             const CPAttributeMap& attributes, int32_t layerBase)
{
    if (!object)
        return;
    CPGameObject& node = *object;
    // A missing key reads as an empty value.
    const auto value = [&attributes](const char* key) -> const std::string& {
        static const std::string empty;
        const auto found = attributes.find(key);
        return found != attributes.end() ? found->second : empty;
    };
    std::string effect = value("effectfile");
    const std::string firstTexture = value("texturefile1");
    const int32_t type = DescriptionInt(value("type"));
    CPMaterialManager* materials = GetMaterialManager();
    // The texture list only feeds the material manager: without one it is
    // not built.
    std::vector<std::string> textures;
    if (materials) {
        textures.push_back(firstTexture);
        for (const char* key : { "texturefile2", "texturefile3", "texturefile4" }) {
            const auto found = attributes.find(key);
            if (found != attributes.end())
                textures.push_back(found->second);
        }
    }

    if (m_shadowTexturesOn) {
        const std::string textureName = m_shadowTextureFolder + "\\" + node.GetName() + m_shadowTextureSuffix;
        // A spec shorter than its extension is kept whole.
        const std::string effectName
            = (effect.size() >= 3 ? effect.substr(0, effect.size() - 3) : effect) + m_shadowEffectSuffix;
        if (FileExists(kTextureFolder, textureName) && FileExists(kEffectFolder, effectName)) {
            textures.push_back(textureName);
            effect = effectName;
        }
    }

    CPSmartPtr<CPMaterial> material;
    if (materials)
        material = materials->GetMaterial(AddWrapping(layerBase, type), effect, textures);
    // The flag as it was before this description's "shadow" applies.
    if (node.HasShadow()) {
        CPSmartPtr<CPMaterial> shadow;
        if (effect == kHoleyEffect && materials)
            shadow = materials->GetMaterial(kShadowLayer, kHoleyShadowEffect, textures);
        else if (CPRender* render = GetRender())
            shadow = render->GetShadowMaterial();
        node.SetShadowMaterial(shadow.Get());
    }
    CPManagedObject* body = node.GetBody().Get();
    if (body) {
        switch (node.GetKind()) {
        case kBodyRenderObject:
            static_cast<CPRenderObject*>(body)->SetMaterial(material);
            break;
        case kBodyAnimatedObject:
            static_cast<CPAnimatedObject*>(body)->SetMaterial(material);
            break;
        case kBodySprite:
            static_cast<CPSprite*>(body)->SetMaterial(material);
            break;
        default:
            break;
        }
    }

    const auto present = [&attributes](const char* key) { return attributes.find(key) != attributes.end(); };
    if (present("visible"))
        node.SetVisible(DescriptionInt(value("visible")) != 0);
    if (present("shadow"))
        node.SetShadow(DescriptionInt(value("shadow")) != 0);
    if (present("param"))
        node.SetParam(value("param"));
    if (present("collision"))
        node.SetCollision(DescriptionInt(value("collision")) != 0);
    if (present("flametype"))
        node.SetFlameType(DescriptionInt(value("flametype")));

    // The object's own material, which it hands to its bodies: the fire
    // texture of its first texture, when there is one.
    if (materials) {
        const std::string fireTexture = firstTexture.substr(0, firstTexture.find('.')) + kFireSuffix;
        if (FileExists(kTextureFolder, fireTexture))
            node.SetMaterial(materials->GetMaterial(kFireLayer, kHoleyEffect, { fireTexture }).Get());
    }

    if (present("script")) {
        if (CPCommandDispatcher* dispatcher = GetCommandDispatcher())
            node.SetScriptHandler(dispatcher->FindObject(value("script")).Get());
    }

    if (present("vertexeffect")) {
        CPTokenizer entries(value("vertexeffect"), ";", 1);
        std::string entry;
        while (entries.NextToken(entry)) {
            // The name and the argument text; anything after them is ignored.
            CPTokenizer parts(entry, " ", 1);
            std::string name;
            std::string argumentText;
            parts.NextToken(name);
            parts.NextToken(argumentText);
            std::vector<std::string> arguments;
            CPTokenizer argumentTokens(argumentText, ",", 1);
            std::string argument;
            while (argumentTokens.NextToken(argument))
                arguments.push_back(argument);
            AttachModifier(node, CreateVertexModifier(name, arguments));
        }
    } else if (node.GetKind() == kBodyRenderObject) {
        auto* body = static_cast<CPRenderObject*>(node.GetBody().Get());
        CPRender* render = GetRender();
        // A node without triangles has nothing to share.
        // Read through a const view: reading the vertices does not make the
        // body's world copy.
        const CPRenderObject* mesh = body;
        if (body && !body->IsHidden() && render && !mesh->GetLocalVertices().empty() && !body->GetIndices().empty()) {
            body->SetGeometryName(m_currentMeshName + node.GetName());
            const std::vector<CPVertex>& vertices = mesh->GetLocalVertices();
            const std::vector<uint16_t>& indices = body->GetIndices();
            body->SetGeometry(render->GetGeometryBuffer(body->GetGeometryName(), vertices.data(), indices.data(),
                                                        static_cast<int32_t>(vertices.size()),
                                                        static_cast<int32_t>(indices.size())));
            body->SetHidden(true);
        }
    }

    if (present("animation")) {
        CPGameObject::ObjectList hierarchy;
        node.CollectHierarchy(hierarchy);
        CPTokenizer entries(value("animation"), ";", 1);
        std::string entry;
        while (entries.NextToken(entry)) {
            CPTokenizer parts(entry, ",", 1);
            std::string animationName;
            std::string trackFile;
            parts.NextToken(animationName);
            parts.NextToken(trackFile);
            CPTrackMap tracks;
            LoadAnimation(trackFile, tracks);
            for (const CPSmartPtr<CPGameObject>& member : hierarchy) {
                const auto track = tracks.find(member->GetName());
                if (track == tracks.end())
                    continue;
                track->second->SetPart(member.Get());
                member->AddAnimation(animationName, track->second);
            }
        }
    }
}
