// Effect cache: hands out effects by their spec, exactly as requested, so
// every material naming the same spec shares one effect. A spec that fails
// to load is answered with the effect of "error.fx", kept under that spec so
// it is not tried again. Effects with the option "shared" are made in the
// host's effect pool; the first of them to be made in the pool becomes the
// reference effect, on which the drawing code sets the eight shared
// parameters through the handles kept here.
#pragma once

#include "Core/PSmartPtr.h"
#include "Platform/D3DX9Effect.h"
#include "Render/PEffect.h"

#include <string>
#include <unordered_map>

class CPEffectManager
{
public:
    // The shared parameters, in the order of their handles.
    enum SharedHandle
    {
        kViewInv,             // "g_mViewInv": inverse view matrix
        kLight,               // "g_vLight": light direction
        kLightColor,          // "g_vLightColor"
        kWorldViewProjection, // "g_mWorldViewProjection"
        kViewProjection,      // "g_mViewProjection"
        kWorldView,           // "g_mWorldView"
        kAmbient,             // "g_vAmbient": ambient colour
        kCameraPos,           // "g_vCameraPos": camera position
        kSharedHandleCount
    };
    static const char* const kSharedNames[kSharedHandleCount];

    // The pool is the host's; the manager holds a reference to it.
    explicit CPEffectManager(ID3DXEffectPool* pool);
    // Releases the pool and the reference effect; cached effects stay with
    // their holders.
    ~CPEffectManager();
    CPEffectManager(const CPEffectManager&) = delete;
    CPEffectManager& operator=(const CPEffectManager&) = delete;

    // The cached effect for the request, or a newly loaded one; never empty.
    CPSmartPtr<CPEffect> GetEffect(const std::string& spec);
    // Erases the cache entry that holds the effect (called by its destructor).
    void RemoveEffect(CPEffect* effect);
    // The effect cached under the request, or null; loads nothing.
    CPEffect* FindEffect(const std::string& spec) const;
    size_t GetEffectCount() const { return m_cache.size(); }

    ID3DXEffectPool* GetPool() const { return m_pool; }
    // Null until the first shared effect is made in the pool.
    ID3DXEffect* GetReferenceEffect() const { return m_referenceEffect; }
    D3DXHANDLE GetSharedHandle(SharedHandle which) const { return m_sharedHandles[which]; }
    // Makes the effect the reference effect, when there is none yet, and
    // looks up the shared handles in it.
    void OfferReferenceEffect(ID3DXEffect* effect);

private:
    std::unordered_map<std::string, CPEffect*> m_cache;
    ID3DXEffectPool* m_pool;
    ID3DXEffect* m_referenceEffect = nullptr;
    D3DXHANDLE m_sharedHandles[kSharedHandleCount] = {};
};

extern CPEffectManager* g_EffectManager;
// The effect cache, or null before the host creates it.
CPEffectManager* GetEffectManager();
