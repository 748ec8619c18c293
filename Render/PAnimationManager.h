// Animation manager: the cache of morph clips by name. The scene loader asks
// it for the clip of a node of an animation file; a name seen before gives the
// same clip, read again from the file, so every body that shares it sees the
// new frames. The map holds no references: a clip leaves it when destroyed.
#pragma once

#include "Core/PSmartPtr.h"

#include <string>
#include <unordered_map>

class CPAnimation;
class CPFileReader;

class CPAnimationManager
{
public:
    CPAnimationManager();
    ~CPAnimationManager();
    CPAnimationManager(const CPAnimationManager&) = delete;
    CPAnimationManager& operator=(const CPAnimationManager&) = delete;

    // The clip cached under the name, or a new one, with the block at the
    // reader's position read into it. Empty when the block is refused.
    CPSmartPtr<CPAnimation> GetAnimation(const std::string& name, CPFileReader& reader);
    // The cached clip of that name, or null.
    CPAnimation* FindAnimation(const std::string& name) const;

    // Kept in step by the clips themselves.
    void Insert(CPAnimation* animation);
    void Remove(CPAnimation* animation);

    size_t GetCount() const { return m_animations.size(); }

private:
    std::unordered_map<std::string, CPAnimation*> m_animations;
};

// Created by the host.
extern CPAnimationManager* g_AnimationManager;
CPAnimationManager* GetAnimationManager();
