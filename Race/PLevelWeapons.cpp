// The level's hand-over of the weapon step to the player's vehicle, kept
// apart from the level's other operations so that code using the level does
// not pull in the vehicle's weapons.
#include "Race/PLevel.h"

#include "Vehicles/PPlayer.h"

void CPLevel::SetPlayerWeaponPos(const D3DXVECTOR3& position, const CPSmartPtr<CPGameObject>& object)
{
    if (player)
        player->UpdateWeapon(position, object);
}
