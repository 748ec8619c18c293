// The game's configuration values. Each is an ordinary global, statically
// initialised to its default, that engine and game code read directly; the
// configuration registry binds each to its key in "config.cfg" (the key is
// given beside each value) and converts between value and text.
#pragma once

#include <cstdint>
#include <vector>

class CPConfig;
class CPDatorBase;
template <class T>
class CPSmartPtr;

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

// The variable objects bound to the values above, one handle each, null until
// the registry registers them.
extern CPSmartPtr<CPDatorBase> g_DatorScreenWidth;
extern CPSmartPtr<CPDatorBase> g_DatorScreenHeight;
extern CPSmartPtr<CPDatorBase> g_DatorScreenBPP;
extern CPSmartPtr<CPDatorBase> g_DatorFullScreen;
extern CPSmartPtr<CPDatorBase> g_DatorWeightDiv;
extern CPSmartPtr<CPDatorBase> g_DatorStatic;
extern CPSmartPtr<CPDatorBase> g_DatorRolling;
extern CPSmartPtr<CPDatorBase> g_DatorTexLod;
extern CPSmartPtr<CPDatorBase> g_DatorQuadLevels;
extern CPSmartPtr<CPDatorBase> g_DatorBBoxes;
extern CPSmartPtr<CPDatorBase> g_DatorChannels;
extern CPSmartPtr<CPDatorBase> g_DatorFrequency;
extern CPSmartPtr<CPDatorBase> g_DatorBitrate;
extern CPSmartPtr<CPDatorBase> g_DatorSoundVolume;
extern CPSmartPtr<CPDatorBase> g_DatorMusicVolume;
extern CPSmartPtr<CPDatorBase> g_DatorMouse;
extern CPSmartPtr<CPDatorBase> g_DatorPlane;
extern CPSmartPtr<CPDatorBase> g_DatorCamSpeed;
extern CPSmartPtr<CPDatorBase> g_DatorDistance;
extern CPSmartPtr<CPDatorBase> g_DatorStartMenu;
extern CPSmartPtr<CPDatorBase> g_DatorFriction;
extern CPSmartPtr<CPDatorBase> g_DatorRestitution;
extern CPSmartPtr<CPDatorBase> g_DatorShadows;
extern CPSmartPtr<CPDatorBase> g_DatorBloom;
extern CPSmartPtr<CPDatorBase> g_DatorLensFlare;
extern CPSmartPtr<CPDatorBase> g_DatorDust;
extern CPSmartPtr<CPDatorBase> g_DatorWheel;
extern CPSmartPtr<CPDatorBase> g_DatorPSystems;
extern CPSmartPtr<CPDatorBase> g_DatorWeather;
extern CPSmartPtr<CPDatorBase> g_DatorBlur;
extern CPSmartPtr<CPDatorBase> g_DatorContrast;
extern CPSmartPtr<CPDatorBase> g_DatorAdmin;

// Creates a variable for each value above, in the order listed, stores it in
// its handle (dropping what the handle held) and registers it under its key.
void RegisterConfigVariables(CPConfig& config);
// Empties the 32 handles.
void ReleaseConfigVariables();
// The variables the handles hold now, in the order listed (empty handles
// skipped), for an owner that destroys them once the registry is gone.
std::vector<CPDatorBase*> GetConfigVariables();
