// A headless host that can play videos and music: the host itself, a texture
// manager when the host makes none (the video players show their frames
// through it), and the engine log's lines since the host was made.
#pragma once

#include "Core/PLog.h"
#include "Host/PGameHost.h"
#include "Render/PTextureManager.h"

#include <memory>
#include <string>
#include <vector>

struct VideoHost
{
    explicit VideoHost(const std::string& root)
        : host(std::make_unique<CPGameHost>(root))
    {
        if (!GetTextureManager()) {
            textures = std::make_unique<CPTextureManager>();
            g_TextureManager = textures.get();
        }
        GetLog().SetSink([this](int32_t, const std::string& text) { log.push_back(text); });
    }

    ~VideoHost()
    {
        GetLog().SetSink(nullptr);
        host.reset();
    }

    VideoHost(const VideoHost&) = delete;
    VideoHost& operator=(const VideoHost&) = delete;

    std::unique_ptr<CPGameHost> host;
    std::unique_ptr<CPTextureManager> textures;
    std::vector<std::string> log;
};
