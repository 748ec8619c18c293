// Draw layers: every material names a layer id; the render system keeps one
// entry per id with the layer's camera and an optional transform, and the
// host draws the layers in ascending id order. The groups and items of an
// entry are an index reserved for the host's drawing; nothing in the engine
// fills them.
#pragma once

#include "Core/PManagedObject.h"
#include "Core/PSmartPtr.h"
#include "Platform/D3DX9Math.h"
#include "Render/PBaseCamera.h"

#include <cstdint>
#include <unordered_map>

// Layer ids in use.
enum CPLayerId : int32_t
{
    kLayerSplines = 10,
    kLayerMainCamera = 16,    // the chase camera's main camera
    kLayerLevel = 17,
    kLayerMenuCamera = 19,    // the menus' perspective camera
    kLayerSceneBase = 20,     // scene descriptions: this + the description's type
    kLayerSecondCamera = 120, // the chase camera's second camera
    kLayerScreen = 195,       // pixel coordinates, y downwards
    kLayerMinimap = 198,
    kLayerWindows = 200,      // the minimap's frame and the interface windows
    kLayerCursor = 205,
};

// Common base of the layer records: three values the host's drawing keeps.
class CPLayerNode
{
public:
    virtual ~CPLayerNode() = default;

    int32_t m_value = -1;
    // Counts the changes of camera and transform.
    int32_t m_changeCount = 0;
    int32_t m_extra = 0;
};

class CPLayerItem : public CPLayerNode
{
public:
    CPSmartPtr<CPManagedObject> m_first;
    CPSmartPtr<CPManagedObject> m_second;
};

class CPLayerGroup : public CPLayerNode
{
public:
    CPSmartPtr<CPManagedObject> m_object;
    std::unordered_map<uint32_t, CPLayerItem> m_items;
};

class CPLayerEntry : public CPLayerNode
{
public:
    static constexpr size_t kGroupBuckets = 100;

    CPLayerEntry() { m_groups.rehash(kGroupBuckets); }

    int32_t m_layerId = 0;
    CPSmartPtr<CPBaseCamera> m_camera;
    uint8_t m_transformSet = 0;
    D3DXMATRIX m_transform;
    std::unordered_map<uint32_t, CPLayerGroup> m_groups;
};
