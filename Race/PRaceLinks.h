// The calls the race logic makes into services that live with other
// subsystems' global objects: the ground height of the level collision grid,
// the scene-description loader, the render queue's tree operations and the
// physics manager's task. Each is one function pointer that the subsystem
// owning the service installs when its global object is made (tests install
// their own). While a link is unset the race logic uses the global objects:
// the physics manager's collision grid for the ground (height 0 without one),
// the render-object manager for objects, the queue's own tree operations, the
// physics manager as the task; a quadtree is simply deleted.
#pragma once

#include "Core/PSmartPtr.h"
#include "Platform/D3DX9Math.h"

#include <cstdint>
#include <string>
#include <vector>

class CPGameObject;
class CPMaterial;
class CPQuadNode;
class CPRenderQueue;
class CPTask;

struct CPRaceLinks
{
    // Height (z) of the level collision mesh nearest the point.
    float (*findGroundHeight)(const D3DXVECTOR3& point) = nullptr;
    // A new object tree from a scene description under "Data\Meshes"; null
    // when nothing could be loaded.
    CPSmartPtr<CPGameObject> (*loadRenderObject)(const std::string& name, int32_t layerBase) = nullptr;
    // In place of the queue's own tree operations.
    void (*addObjectTree)(CPRenderQueue& queue, const CPSmartPtr<CPGameObject>& object) = nullptr;
    void (*addDynamicTree)(CPRenderQueue& queue, const CPSmartPtr<CPGameObject>& object) = nullptr;
    // The physics manager as a task, null while there is none.
    CPTask* (*getPhysicManagerTask)() = nullptr;
    // Destroys a static-geometry quadtree the level holds.
    void (*deleteQuadTree)(CPQuadNode* tree) = nullptr;
};

extern CPRaceLinks g_RaceLinks;

// The link calls with their fallbacks.
float FindGroundHeight(const D3DXVECTOR3& point);
// The material cache's material; null while there is no cache.
CPSmartPtr<CPMaterial> GetRaceMaterial(int32_t layer, const std::string& effect,
                                       const std::vector<std::string>& textures);
CPSmartPtr<CPGameObject> LoadRaceObject(const std::string& name, int32_t layerBase);
void QueueObjectTree(CPRenderQueue& queue, const CPSmartPtr<CPGameObject>& object);
void QueueDynamicTree(CPRenderQueue& queue, const CPSmartPtr<CPGameObject>& object);
CPTask* GetPhysicManagerTask();
void DeleteQuadTree(CPQuadNode* tree);
