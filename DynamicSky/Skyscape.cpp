#include "DynamicSky/Skyscape.h"

CPSkyscape::CPSkyscape() = default;

CPSkyscape::~CPSkyscape() = default;

void CPSkyscape::Load(const std::string& name)
{
    (void)name;
}
