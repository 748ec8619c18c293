// Texture cache: hands out textures by their spec, exactly as requested, and
// texture blocks by their list of specs. A spec that fails to load is
// answered with the texture of "error.tga", kept under that spec so it is
// not tried again. Equal lists of textures share one block.
#pragma once

#include "Core/PSmartPtr.h"
#include "Render/PTexture.h"
#include "Render/PTextureBlock.h"

#include <string>
#include <unordered_map>
#include <vector>

class CPTextureManager
{
public:
    CPTextureManager();
    // Cached textures and blocks stay with their holders.
    ~CPTextureManager();
    CPTextureManager(const CPTextureManager&) = delete;
    CPTextureManager& operator=(const CPTextureManager&) = delete;

    // The cached texture for the request, or a newly loaded one; never empty.
    CPSmartPtr<CPTexture> GetTexture(const std::string& spec);
    // The first block holding the specs' textures in this order, or a new
    // one; never empty. No specs give the empty block.
    CPSmartPtr<CPTextureBlock> CreateTextureBlock(const std::vector<std::string>& specs);
    // Caches a texture the host made under the request, in place of any
    // earlier entry, so that materials asking for the request find it. For the
    // host's own textures (font atlases) only; the caller keeps a reference.
    void InsertTexture(const std::string& spec, CPTexture* texture);
    // Erase the cache entry / registry entry (called by the destructors).
    void RemoveTexture(CPTexture* texture);
    void RemoveTextureBlock(CPTextureBlock* block);

    // The texture cached under the request, or null; loads nothing. The video
    // players find their "video" texture here.
    CPTexture* FindTexture(const std::string& spec) const;
    size_t GetTextureCount() const { return m_cache.size(); }
    size_t GetTextureBlockCount() const { return m_blocks.size(); }

private:
    std::vector<CPTextureBlock*> m_blocks;
    std::unordered_map<std::string, CPTexture*> m_cache;
};

extern CPTextureManager* g_TextureManager;
// The texture cache, or null before the host creates it.
CPTextureManager* GetTextureManager();
