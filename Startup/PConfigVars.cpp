#include "Startup/PConfigVars.h"

#include "Core/PSmartPtr.h"
#include "Startup/PConfig.h"
#include "Startup/PDator.h"

int32_t g_CfgScreenWidth = 640;
int32_t g_CfgScreenHeight = 480;
int32_t g_CfgScreenBPP = 16;
int32_t g_CfgFullScreen = 0;
int32_t g_CfgWeightDiv = 0;
int32_t g_CfgStatic = 0;
int32_t g_CfgRolling = 0;
int32_t g_CfgTexLod = -1;
int32_t g_CfgQuadLevels = 0;
int32_t g_CfgBBoxes = 0;
int32_t g_CfgChannels = 2;
int32_t g_CfgFrequency = 22050;
int32_t g_CfgBitrate = 8;
float g_CfgSoundVolume = 0.5f;
float g_CfgMusicVolume = 0.5f;
float g_CfgMouse = 0.0f;
float g_CfgPlane = 0.5f;
int32_t g_CfgCamSpeed = 0;
int32_t g_CfgDistance = 200;
int32_t g_CfgStartMenu = 1;
float g_CfgFriction = 0.2f;
float g_CfgRestitution = 0.0f;
int32_t g_CfgShadows = 1;
int32_t g_CfgBloom = 1;
int32_t g_CfgLensFlare = 1;
int32_t g_CfgDust = 1;
int32_t g_CfgWheel = 1;
int32_t g_CfgPSystems = 25;
int32_t g_CfgWeather = 1;
int32_t g_CfgBlur = 1;
int32_t g_CfgContrast = 1;
int32_t g_CfgAdmin = 0;

CPSmartPtr<CPDatorBase> g_DatorScreenWidth;
CPSmartPtr<CPDatorBase> g_DatorScreenHeight;
CPSmartPtr<CPDatorBase> g_DatorScreenBPP;
CPSmartPtr<CPDatorBase> g_DatorFullScreen;
CPSmartPtr<CPDatorBase> g_DatorWeightDiv;
CPSmartPtr<CPDatorBase> g_DatorStatic;
CPSmartPtr<CPDatorBase> g_DatorRolling;
CPSmartPtr<CPDatorBase> g_DatorTexLod;
CPSmartPtr<CPDatorBase> g_DatorQuadLevels;
CPSmartPtr<CPDatorBase> g_DatorBBoxes;
CPSmartPtr<CPDatorBase> g_DatorChannels;
CPSmartPtr<CPDatorBase> g_DatorFrequency;
CPSmartPtr<CPDatorBase> g_DatorBitrate;
CPSmartPtr<CPDatorBase> g_DatorSoundVolume;
CPSmartPtr<CPDatorBase> g_DatorMusicVolume;
CPSmartPtr<CPDatorBase> g_DatorMouse;
CPSmartPtr<CPDatorBase> g_DatorPlane;
CPSmartPtr<CPDatorBase> g_DatorCamSpeed;
CPSmartPtr<CPDatorBase> g_DatorDistance;
CPSmartPtr<CPDatorBase> g_DatorStartMenu;
CPSmartPtr<CPDatorBase> g_DatorFriction;
CPSmartPtr<CPDatorBase> g_DatorRestitution;
CPSmartPtr<CPDatorBase> g_DatorShadows;
CPSmartPtr<CPDatorBase> g_DatorBloom;
CPSmartPtr<CPDatorBase> g_DatorLensFlare;
CPSmartPtr<CPDatorBase> g_DatorDust;
CPSmartPtr<CPDatorBase> g_DatorWheel;
CPSmartPtr<CPDatorBase> g_DatorPSystems;
CPSmartPtr<CPDatorBase> g_DatorWeather;
CPSmartPtr<CPDatorBase> g_DatorBlur;
CPSmartPtr<CPDatorBase> g_DatorContrast;
CPSmartPtr<CPDatorBase> g_DatorAdmin;

namespace
{
// One registered variable: its key, its value (exactly one of the two
// pointers is set) and its handle. Registration follows this table's order.
struct ConfigVariableRow
{
    const char* key;
    int32_t* intValue;
    float* floatValue;
    CPSmartPtr<CPDatorBase>* handle;
};

const ConfigVariableRow kConfigVariables[] = {
    { "screenWidth", &g_CfgScreenWidth, nullptr, &g_DatorScreenWidth },
    { "screenHeight", &g_CfgScreenHeight, nullptr, &g_DatorScreenHeight },
    { "screenBPP", &g_CfgScreenBPP, nullptr, &g_DatorScreenBPP },
    { "fullScreen", &g_CfgFullScreen, nullptr, &g_DatorFullScreen },
    { "weight_div", &g_CfgWeightDiv, nullptr, &g_DatorWeightDiv },
    { "static", &g_CfgStatic, nullptr, &g_DatorStatic },
    { "rolling", &g_CfgRolling, nullptr, &g_DatorRolling },
    { "texlod", &g_CfgTexLod, nullptr, &g_DatorTexLod },
    { "quadlevels", &g_CfgQuadLevels, nullptr, &g_DatorQuadLevels },
    { "bboxes", &g_CfgBBoxes, nullptr, &g_DatorBBoxes },
    { "channels", &g_CfgChannels, nullptr, &g_DatorChannels },
    { "frequency", &g_CfgFrequency, nullptr, &g_DatorFrequency },
    { "bitrate", &g_CfgBitrate, nullptr, &g_DatorBitrate },
    { "soundVolume", nullptr, &g_CfgSoundVolume, &g_DatorSoundVolume },
    { "musicVolume", nullptr, &g_CfgMusicVolume, &g_DatorMusicVolume },
    { "mouse", nullptr, &g_CfgMouse, &g_DatorMouse },
    { "plane", nullptr, &g_CfgPlane, &g_DatorPlane },
    { "cam_speed", &g_CfgCamSpeed, nullptr, &g_DatorCamSpeed },
    { "distance", &g_CfgDistance, nullptr, &g_DatorDistance },
    { "startmenu", &g_CfgStartMenu, nullptr, &g_DatorStartMenu },
    { "friction", nullptr, &g_CfgFriction, &g_DatorFriction },
    { "restitution", nullptr, &g_CfgRestitution, &g_DatorRestitution },
    { "shadows", &g_CfgShadows, nullptr, &g_DatorShadows },
    { "bloom", &g_CfgBloom, nullptr, &g_DatorBloom },
    { "lensflare", &g_CfgLensFlare, nullptr, &g_DatorLensFlare },
    { "dust", &g_CfgDust, nullptr, &g_DatorDust },
    { "wheel", &g_CfgWheel, nullptr, &g_DatorWheel },
    { "psystems", &g_CfgPSystems, nullptr, &g_DatorPSystems },
    { "weather", &g_CfgWeather, nullptr, &g_DatorWeather },
    { "blur", &g_CfgBlur, nullptr, &g_DatorBlur },
    { "contrast", &g_CfgContrast, nullptr, &g_DatorContrast },
    { "admin", &g_CfgAdmin, nullptr, &g_DatorAdmin },
};
}

void RegisterConfigVariables(CPConfig& config)
{
    for (const ConfigVariableRow& row : kConfigVariables) {
        if (row.intValue)
            *row.handle = new CPDator<int32_t>(row.intValue);
        else
            *row.handle = new CPDator<float>(row.floatValue);
        config.Register(row.key, *row.handle);
    }
}

void ReleaseConfigVariables()
{
    for (const ConfigVariableRow& row : kConfigVariables)
        *row.handle = nullptr;
}

std::vector<CPDatorBase*> GetConfigVariables()
{
    std::vector<CPDatorBase*> variables;
    for (const ConfigVariableRow& row : kConfigVariables) {
        if (row.handle->Get())
            variables.push_back(row.handle->Get());
    }
    return variables;
}
