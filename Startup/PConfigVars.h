// The game's configuration values. Each is an ordinary global, statically
// initialised to its default, that engine and game code read directly; the
// configuration registry binds each to its key in "config.cfg" (the key is
// given beside each value) and converts between value and text.
#pragma once

#include <cstdint>

extern int32_t g_CfgScreenWidth;   // "screenWidth"
extern int32_t g_CfgScreenHeight;  // "screenHeight"
extern int32_t g_CfgScreenBPP;     // "screenBPP"
extern int32_t g_CfgFullScreen;    // "fullScreen"
extern int32_t g_CfgWeightDiv;     // "weight_div"
extern int32_t g_CfgStatic;        // "static"
extern int32_t g_CfgRolling;       // "rolling"
extern int32_t g_CfgTexLod;        // "texlod"
extern int32_t g_CfgQuadLevels;    // "quadlevels"
extern int32_t g_CfgBBoxes;        // "bboxes"
extern int32_t g_CfgChannels;      // "channels"
extern int32_t g_CfgFrequency;     // "frequency"
extern int32_t g_CfgBitrate;       // "bitrate"
extern float g_CfgSoundVolume;     // "soundVolume"
extern float g_CfgMusicVolume;     // "musicVolume"
extern float g_CfgMouse;           // "mouse"
extern float g_CfgPlane;           // "plane"
extern int32_t g_CfgCamSpeed;      // "cam_speed" (the difficulty index)
extern int32_t g_CfgDistance;      // "distance"
extern int32_t g_CfgStartMenu;     // "startmenu"
extern float g_CfgFriction;        // "friction"
extern float g_CfgRestitution;     // "restitution"
extern int32_t g_CfgShadows;       // "shadows"
extern int32_t g_CfgBloom;         // "bloom"
extern int32_t g_CfgLensFlare;     // "lensflare"
extern int32_t g_CfgDust;          // "dust"
extern int32_t g_CfgWheel;         // "wheel"
extern int32_t g_CfgPSystems;      // "psystems"
extern int32_t g_CfgWeather;       // "weather"
extern int32_t g_CfgBlur;          // "blur"
extern int32_t g_CfgContrast;      // "contrast"
extern int32_t g_CfgAdmin;         // "admin"
