#include "Host/PHostDump.h"

#include "Core/PGameObject.h"
#include "Render/PAnimatedObject.h"
#include "Render/PAnimation.h"
#include "Render/PEffect.h"
#include "Render/PLight.h"
#include "Render/PMaterial.h"
#include "Render/PParticleSystem.h"
#include "Render/PRenderObject.h"
#include "Render/PSprite.h"
#include "Render/PTexture.h"
#include "Render/PTextureBlock.h"
#include "Vehicles/PPhysicData.h"

#include <cstdarg>
#include <cstdio>
#include <map>

namespace
{
void Append(std::string& out, const char* format, ...)
{
    char text[512];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof(text), format, arguments);
    va_end(arguments);
    out += text;
}

// Layer, effect name and texture names: "layer:effect[texture,...]".
void AppendMaterial(std::string& out, const char* label, const CPSmartPtr<CPMaterial>& material)
{
    if (!material)
        return;
    const CPEffect* effect = material->GetEffect().Get();
    Append(out, " %s=%d:%s[", label, material->GetLayerId(), effect ? effect->GetName().c_str() : "");
    const CPTextureBlock* block = material->GetTextureBlock().Get();
    for (uint32_t i = 0; block && i < block->GetCount(); ++i) {
        const CPTexture* texture = block->GetTexture(i);
        Append(out, "%s%s", i ? "," : "", texture ? texture->GetName().c_str() : "");
    }
    out += "]";
}

void AppendBody(std::string& out, const CPGameObject& object)
{
    CPManagedObject* body = object.GetBody().Get();
    if (!body)
        return;
    switch (object.GetKind()) {
    case kBodyRenderObject: {
        const auto* mesh = static_cast<const CPRenderObject*>(body);
        Append(out, " vertices=%zu indices=%zu hidden=%d", mesh->GetLocalVertices().size(),
               mesh->GetIndices().size(), mesh->IsHidden() ? 1 : 0);
        if (!mesh->GetGeometryName().empty())
            Append(out, " geometry=%s", mesh->GetGeometryName().c_str());
        AppendMaterial(out, "material", mesh->GetMaterial());
        break;
    }
    case kBodyAnimatedObject: {
        const auto* animated = static_cast<const CPAnimatedObject*>(body);
        // Sorted, so the text does not follow the hash map's order.
        std::map<std::string, const CPAnimation*> clips;
        for (const auto& clip : animated->GetClips())
            clips[clip.first] = clip.second.Get();
        out += " clips=[";
        bool first = true;
        for (const auto& clip : clips) {
            Append(out, "%s%s:%d", first ? "" : ",", clip.first.c_str(), clip.second ? clip.second->m_frameCount : 0);
            first = false;
        }
        out += "]";
        AppendMaterial(out, "material", animated->GetMaterial());
        break;
    }
    case kBodyLight: {
        const D3DLIGHT9& light = static_cast<const CPLight*>(body)->GetLightData();
        Append(out, " light=(%g,%g,%g) range=%g attenuation=(%g,%g,%g)", light.Diffuse.r, light.Diffuse.g,
               light.Diffuse.b, light.Range, light.Attenuation0, light.Attenuation1, light.Attenuation2);
        break;
    }
    case kBodySprite: {
        const auto* sprite = static_cast<const CPSprite*>(body);
        Append(out, " size=%g cone=%g", sprite->GetSize(), sprite->m_cone);
        AppendMaterial(out, "material", sprite->GetMaterial());
        break;
    }
    case kBodyParticleSystem: {
        const auto* system = static_cast<const CPParticleSystem*>(body);
        Append(out, " period=%g templates=%zu", system->m_period, system->GetTemplateNames().size());
        break;
    }
    default:
        break;
    }
}

void DumpObject(std::string& out, const CPGameObject& object, int depth)
{
    out.append(static_cast<size_t>(depth) * 2, ' ');
    const D3DXVECTOR3& p = object.GetPosition();
    const D3DXQUATERNION& q = object.GetRotation();
    const CPBoundingBox& box = object.GetBoundingBox();
    Append(out, "%s kind=%d position=(%g,%g,%g) rotation=(%g,%g,%g,%g) box=(%g,%g,%g|%g,%g,%g)",
           object.GetName().c_str(), object.GetKind(), p.x, p.y, p.z, q.x, q.y, q.z, q.w, box.m_centre.x,
           box.m_centre.y, box.m_centre.z, box.m_halfSize.x, box.m_halfSize.y, box.m_halfSize.z);
    AppendBody(out, object);
    AppendMaterial(out, "own", object.GetMaterial());
    AppendMaterial(out, "shadowmaterial", object.GetShadowMaterial());
    if (const CPPhysicData* physics = object.GetPhysicData().Get()) {
        const CPPhysicInertiaBlock& inertia = physics->m_inertia;
        Append(out, " physics=(mass %g sizes %g,%g,%g shapes %zu)", inertia.m_mass, inertia.m_boxSizes[0],
               inertia.m_boxSizes[1], inertia.m_boxSizes[2], physics->m_shapes.size());
    }
    if (!object.GetPartBoxes().empty())
        Append(out, " partboxes=%zu", object.GetPartBoxes().size());
    const auto& levels = object.GetDetailLevels();
    if (!levels.empty()) {
        out += " lods=[";
        for (size_t i = 0; i < levels.size(); ++i) {
            const CPGameObject* level = levels[i].object.Get();
            Append(out, "%s%d:%s", i ? "," : "", levels[i].distance,
                   level == &object ? "self" : level ? level->GetName().c_str() : "null");
        }
        out += "]";
    }
    Append(out, " visible=%d shadow=%d collision=%d static=%d", object.IsVisible() ? 1 : 0,
           object.HasShadow() ? 1 : 0, object.HasCollision() ? 1 : 0, object.IsStatic() ? 1 : 0);
    if (!object.GetParam().empty())
        Append(out, " param=%s", object.GetParam().c_str());
    out += "\n";
    for (const CPSmartPtr<CPGameObject>& child : object.GetChildren())
        DumpObject(out, *child, depth + 1);
}
}

std::string DumpObjectTree(const CPGameObject& root)
{
    std::string out;
    DumpObject(out, root, 0);
    return out;
}
