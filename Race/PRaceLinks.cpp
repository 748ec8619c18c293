#include "Race/PRaceLinks.h"

#include "Core/PGameObject.h"
#include "Render/PMaterial.h"
#include "Render/PMaterialManager.h"
#include "Render/PRenderObjectManager.h"
#include "Render/PQuadNode.h"
#include "Render/PRenderQueue.h"
#include "Vehicles/PPhysicManager.h"

CPRaceLinks g_RaceLinks;

float FindGroundHeight(const D3DXVECTOR3& point)
{
    if (g_RaceLinks.findGroundHeight)
        return g_RaceLinks.findGroundHeight(point);
    const CPPhysicManager* physics = GetPhysicManager();
    return physics ? physics->GetCollisionGrid().FindNearest(D3DXVECTOR4(point.x, point.y, point.z, 0.0f)) : 0.0f;
}

CPSmartPtr<CPMaterial> GetRaceMaterial(int32_t layer, const std::string& effect,
                                       const std::vector<std::string>& textures)
{
    CPMaterialManager* materials = GetMaterialManager();
    return materials ? materials->GetMaterial(layer, effect, textures) : CPSmartPtr<CPMaterial>();
}

CPSmartPtr<CPGameObject> LoadRaceObject(const std::string& name, int32_t layerBase)
{
    if (g_RaceLinks.loadRenderObject)
        return g_RaceLinks.loadRenderObject(name, layerBase);
    CPRenderObjectManager* loader = GetRenderObjectManager();
    return loader ? loader->LoadRenderObject(name, layerBase) : CPSmartPtr<CPGameObject>();
}

void QueueObjectTree(CPRenderQueue& queue, const CPSmartPtr<CPGameObject>& object)
{
    if (g_RaceLinks.addObjectTree)
        g_RaceLinks.addObjectTree(queue, object);
    else
        queue.AddObjectTree(object);
}

void QueueDynamicTree(CPRenderQueue& queue, const CPSmartPtr<CPGameObject>& object)
{
    if (g_RaceLinks.addDynamicTree)
        g_RaceLinks.addDynamicTree(queue, object);
    else
        queue.AddDynamicTree(object);
}

CPTask* GetPhysicManagerTask()
{
    return g_RaceLinks.getPhysicManagerTask ? g_RaceLinks.getPhysicManagerTask() : GetPhysicManager();
}

void DeleteQuadTree(CPQuadNode* tree)
{
    if (!tree)
        return;
    if (g_RaceLinks.deleteQuadTree)
        g_RaceLinks.deleteQuadTree(tree);
    else
        delete tree;
}
