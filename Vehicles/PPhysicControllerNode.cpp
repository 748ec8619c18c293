#include "Vehicles/PPhysicControllerNode.h"

bool CPPhysicControllerNode::CountStep()
{
    if (m_period <= 1)
        return true;
    if (--m_countdown > 0)
        return false;
    m_countdown = m_period;
    return true;
}
