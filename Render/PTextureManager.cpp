#include "Render/PTextureManager.h"

#include <algorithm>

namespace
{
const char kErrorTexture[] = "error.tga";
}

CPTextureManager* g_TextureManager = nullptr;

CPTextureManager* GetTextureManager()
{
    return g_TextureManager;
}

CPTextureManager::CPTextureManager() = default;

CPTextureManager::~CPTextureManager()
{
    if (g_TextureManager == this)
        g_TextureManager = nullptr;
}

CPSmartPtr<CPTexture> CPTextureManager::GetTexture(const std::string& spec)
{
    const auto found = m_cache.find(spec);
    if (found != m_cache.end())
        return CPSmartPtr<CPTexture>(found->second);

    CPTexture* texture = new CPTexture();
    if (!texture->Load(spec)) {
        delete texture;
        texture = new CPTexture();
        texture->Load(kErrorTexture);
    }
    m_cache[spec] = texture;
    return CPSmartPtr<CPTexture>(texture);
}

CPSmartPtr<CPTextureBlock> CPTextureManager::CreateTextureBlock(const std::vector<std::string>& specs)
{
    std::vector<CPSmartPtr<CPTexture>> textures;
    textures.reserve(specs.size());
    for (const std::string& spec : specs)
        textures.push_back(GetTexture(spec));

    for (CPTextureBlock* block : m_blocks) {
        if (block->Holds(textures))
            return CPSmartPtr<CPTextureBlock>(block);
    }
    CPTextureBlock* block = new CPTextureBlock(textures);
    m_blocks.push_back(block);
    return CPSmartPtr<CPTextureBlock>(block);
}

void CPTextureManager::InsertTexture(const std::string& spec, CPTexture* texture)
{
    m_cache[spec] = texture;
}

void CPTextureManager::RemoveTexture(CPTexture* texture)
{
    for (auto entry = m_cache.begin(); entry != m_cache.end(); ++entry) {
        if (entry->second == texture) {
            m_cache.erase(entry);
            return;
        }
    }
}

void CPTextureManager::RemoveTextureBlock(CPTextureBlock* block)
{
    const auto found = std::find(m_blocks.begin(), m_blocks.end(), block);
    if (found != m_blocks.end())
        m_blocks.erase(found);
}

CPTexture* CPTextureManager::FindTexture(const std::string& spec) const
{
    const auto found = m_cache.find(spec);
    return found == m_cache.end() ? nullptr : found->second;
}
