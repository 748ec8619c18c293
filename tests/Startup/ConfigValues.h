// The configuration values every Startup test begins from: each global put
// back to the default the game ships with, so tests that change settings do
// not leak them into one another.
#pragma once

#include "Startup/PConfigVars.h"

inline void ResetConfigValues()
{
    const struct
    {
        int32_t* value;
        int32_t initial;
    } ints[] = {
        { &g_CfgScreenWidth, 640 }, { &g_CfgScreenHeight, 480 }, { &g_CfgScreenBPP, 16 },
        { &g_CfgFullScreen, 0 }, { &g_CfgWeightDiv, 0 }, { &g_CfgStatic, 0 },
        { &g_CfgRolling, 0 }, { &g_CfgTexLod, -1 }, { &g_CfgQuadLevels, 0 },
        { &g_CfgBBoxes, 0 }, { &g_CfgChannels, 2 }, { &g_CfgFrequency, 22050 },
        { &g_CfgBitrate, 8 }, { &g_CfgCamSpeed, 0 }, { &g_CfgDistance, 200 },
        { &g_CfgStartMenu, 1 }, { &g_CfgShadows, 1 }, { &g_CfgBloom, 1 },
        { &g_CfgLensFlare, 1 }, { &g_CfgDust, 1 }, { &g_CfgWheel, 1 },
        { &g_CfgPSystems, 25 }, { &g_CfgWeather, 1 }, { &g_CfgBlur, 1 },
        { &g_CfgContrast, 1 }, { &g_CfgAdmin, 0 },
    };
    for (const auto& row : ints)
        *row.value = row.initial;
    g_CfgSoundVolume = 0.5f;
    g_CfgMusicVolume = 0.5f;
    g_CfgMouse = 0.0f;
    g_CfgPlane = 0.5f;
    g_CfgFriction = 0.2f;
    g_CfgRestitution = 0.0f;
}

// A saved "config.cfg" with every value at its default.
inline const char* DefaultConfigText()
{
    return "fullScreen = 0\r\n"
           "friction = 0.2\r\n"
           "restitution = 0\r\n"
           "blur = 1\r\n"
           "shadows = 1\r\n"
           "bloom = 1\r\n"
           "weight_div = 0\r\n"
           "cam_speed = 0\r\n"
           "rolling = 0\r\n"
           "psystems = 25\r\n"
           "admin = 0\r\n"
           "screenBPP = 16\r\n"
           "musicVolume = 0.5\r\n"
           "weather = 1\r\n"
           "startmenu = 1\r\n"
           "texlod = -1\r\n"
           "dust = 1\r\n"
           "mouse = 0\r\n"
           "plane = 0.5\r\n"
           "contrast = 1\r\n"
           "bitrate = 8\r\n"
           "quadlevels = 0\r\n"
           "channels = 2\r\n"
           "distance = 200\r\n"
           "static = 0\r\n"
           "bboxes = 0\r\n"
           "soundVolume = 0.5\r\n"
           "screenWidth = 640\r\n"
           "frequency = 22050\r\n"
           "lensflare = 1\r\n"
           "wheel = 1\r\n"
           "screenHeight = 480\r\n";
}
