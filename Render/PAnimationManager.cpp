#include "Render/PAnimationManager.h"

#include "Render/PAnimation.h"

CPAnimationManager* g_AnimationManager = nullptr;

CPAnimationManager* GetAnimationManager()
{
    return g_AnimationManager;
}

CPAnimationManager::CPAnimationManager() = default;

CPAnimationManager::~CPAnimationManager() = default;

CPSmartPtr<CPAnimation> CPAnimationManager::GetAnimation(const std::string& name, CPFileReader& reader)
{
    CPSmartPtr<CPAnimation> animation(FindAnimation(name));
    if (!animation)
        animation = CPSmartPtr<CPAnimation>(new CPAnimation(name));
    if (!animation->Load(reader))
        return CPSmartPtr<CPAnimation>();
    return animation;
}

CPAnimation* CPAnimationManager::FindAnimation(const std::string& name) const
{
    const auto found = m_animations.find(name);
    return found == m_animations.end() ? nullptr : found->second;
}

void CPAnimationManager::Insert(CPAnimation* animation)
{
    m_animations[animation->GetName()] = animation;
}

void CPAnimationManager::Remove(CPAnimation* animation)
{
    const auto found = m_animations.find(animation->GetName());
    if (found != m_animations.end() && found->second == animation)
        m_animations.erase(found);
}
