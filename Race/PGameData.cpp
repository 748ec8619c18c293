#include "Race/PGameData.h"
