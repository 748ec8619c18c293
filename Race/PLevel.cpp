#include "Race/PLevel.h"

#include "Core/PGlobals.h"

CPLevel::CPLevel()
{
    g_Level = this;
}

CPLevel::~CPLevel()
{
    g_Level = nullptr;
}

int32_t CPLevel::GetObjectSize() const
{
    return static_cast<int32_t>(sizeof(CPLevel));
}

std::string CPLevel::GetTypeName() const
{
    return "CPLevel";
}
