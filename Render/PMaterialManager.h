// Material cache: makes materials and returns the existing one for an equal
// request: the same layer id and the same effect and texture block objects
// (which the effect and texture caches make equal for equal specs), so that
// everything drawn alike falls into one batch.
#pragma once

#include "Core/PSmartPtr.h"
#include "Render/PMaterial.h"

#include <cstdint>
#include <string>
#include <vector>

class CPMaterialManager
{
public:
    CPMaterialManager();
    // Materials stay with their holders.
    ~CPMaterialManager();
    CPMaterialManager(const CPMaterialManager&) = delete;
    CPMaterialManager& operator=(const CPMaterialManager&) = delete;

    // Never empty: missing effects and textures are replaced by the caches'
    // fallbacks. The texture specs are in stage order.
    CPSmartPtr<CPMaterial> GetMaterial(int32_t layerId, const std::string& effectSpec,
                                       const std::vector<std::string>& textureSpecs);
    // Takes a destroyed material out of the list (called by its destructor).
    void RemoveMaterial(CPMaterial* material);
    size_t GetMaterialCount() const { return m_materials.size(); }

private:
    std::vector<CPMaterial*> m_materials;
};

extern CPMaterialManager* g_MaterialManager;
// The material cache, or null before the host creates it.
CPMaterialManager* GetMaterialManager();
