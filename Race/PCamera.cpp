#include "Race/PCamera.h"

float g_ScratchValue = 1.0f;
