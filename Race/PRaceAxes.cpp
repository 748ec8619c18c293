#include "Race/PRaceAxes.h"

CPAxisSystem g_LevelAxisSystem;
CPAxisSystem g_CameraAxisSystem;
