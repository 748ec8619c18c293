#include "Core/PGameHost.h"

float g_FrameTime = 0.0f;
double g_FullTime = 0.0;
uint32_t g_FrameCounter = 0;
float g_SecondTimeStep = 0.0f;
