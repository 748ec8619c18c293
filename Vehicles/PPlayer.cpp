#include "Vehicles/PPlayer.h"

#include "Core/PCommandDispatcher.h"
#include "Core/PGlobals.h"
#include "Race/PGameData.h"
#include "Render/PParticleManager.h"
#include "Sound/NSound.h"
#include "Sound/NSoundManager.h"
#include "Vehicles/PCar.h"
#include "Vehicles/PPhysicData.h"
#include "Vehicles/PPhysicManager.h"
#include "Vehicles/PPlayerEffects.h"

namespace
{
const char* const kSayCritical = "say_critical";
const char* const kUpdateInterface = "update_game_interface";
const char* const kPlayerDead = "player_dead";
const char* const kMainObject = "main";
const char* const kMainCategory = "main";
const char* const kGameMenu = "gamemenu";
constexpr size_t kFlameHitBuckets = 100;

void Send(const char* target, const char* command) { vehicle::Send(target, command, ""); }
}

void vehicle::Send(const char* target, const char* command, const std::string& params)
{
    if (CPCommandDispatcher* dispatcher = GetCommandDispatcher())
        dispatcher->SendCommandByName(target, command, params);
}

void vehicle::Emit(const CPParticleEmitDesc& record)
{
    if (CPParticleManager* manager = GetParticleManager())
        manager->Emit(record);
}

bool vehicle::PlayNamed(const char* name, const D3DXVECTOR3* point)
{
    CNSoundManager* manager = GetSoundManager();
    const CPSmartPtr<CNSound> sound = manager ? manager->GetSound(name) : CPSmartPtr<CNSound>();
    if (!sound)
        return false;
    if (point) {
        CNSoundManager::SetSoundPosition(sound, *point, D3DXVECTOR3());
        CNSoundManager::SetSoundDistances(sound, 0.0f, 200.0f);
    }
    if (sound->IsPlaying()) {
        sound->Stop();
        sound->Rewind();
    }
    sound->Play(0, 0);
    return true;
}

CPPlayer::CPPlayer()
    : CPGameObject(kName)
{
    m_flameHits.reserve(kFlameHitBuckets);
}

CPPlayer::~CPPlayer()
{
    m_shadow = nullptr;
    m_currentWeapon = nullptr;
    for (CPSmartPtr<CPGameObject>& flash : m_muzzleFlashes)
        flash = nullptr;
    m_flameHits.clear();
}

void CPPlayer::SetCarParams(float throttle, float steering)
{
    if (m_locked)
        return;
    m_throttle = m_throttleDisabled ? 0.0f : throttle;
    m_steering = steering;
}

void CPPlayer::SetBrake(uint8_t on, int32_t kind)
{
    if (m_locked)
        return;
    if (m_slowed) {
        for (const char* name : { "lflarerear", "rflarerear" }) {
            if (const CPSmartPtr<CPGameObject> flare = FindPart(name))
                flare->SetVisible(on != 0);
        }
        return;
    }
    if (CPCar* car = GetCarPtr())
        car->SetBrake(on, static_cast<uint8_t>(kind));
}

void CPPlayer::SetStop(uint8_t on)
{
    if (m_locked)
        return;
    if (CPCar* car = GetCarPtr())
        car->SetStop(on);
}

void CPPlayer::Lock(bool locked)
{
    m_locked = locked ? 1 : 0;
    CPCar* car = GetCarPtr();
    if (!car)
        return;
    if (locked) {
        car->SetControls(0.0f, m_steering);
        car->m_locked = 1;
    } else {
        car->m_locked = 0;
    }
}

void CPPlayer::SetNitro(float amount)
{
    CPCar* car = GetCarPtr();
    if (!car)
        return;
    car->m_nitro = m_locked || car->m_nitroCapacity == 0.0f ? 0.0f : amount;
    if (amount > 0.0f && !m_locked)
        m_nitroStarted = 1;
}

void CPPlayer::DisableThrottle(float amount, float /*unused*/)
{
    m_throttleDisabled = 1;
    if (!m_locked)
        m_throttle = 0.0f;
    if (amount > 0.0f)
        m_nitroStarted = 1;
}

void CPPlayer::SetEngineVolume(float volume)
{
    if (m_locked)
        return;
    CPCar* car = GetCarPtr();
    if (car && car->GetSound(CPCar::kSoundEngine))
        car->GetSound(CPCar::kSoundEngine)->SetVolume(volume);
}

void CPPlayer::SetBonusTime(float seconds)
{
    if (m_locked)
        return;
    m_bonusTime = seconds;
}

D3DXVECTOR4 CPPlayer::GetVelocity() const
{
    const CPCar* car = GetCarPtr();
    return car ? car->m_velocity : D3DXVECTOR4();
}

void CPPlayer::ApplyImpulse(const D3DXVECTOR3& point, const D3DXVECTOR3& impulse)
{
    if (CPCar* car = GetCarPtr())
        car->ApplyImpulse(point, impulse);
}

float CPPlayer::GetCurrentAmmo() const
{
    if (m_currentSlot < 0 || m_currentSlot >= kWeaponSlots)
        return 0.0f;
    return m_ammunition[m_currentSlot];
}

bool CPPlayer::Damage(float amount)
{
    const CPGameData* gameData = GetGameData();
    const float scaled = amount * (gameData ? gameData->m_damageCoeff : 1.0f);
    if (m_health > kCriticalHealth && m_health - scaled <= kCriticalHealth)
        Send(kMainObject, kSayCritical);
    m_health -= scaled;
    if (m_health >= 0.0f) {
        Send(kGameMenu, kUpdateInterface);
        return true;
    }
    m_health = 0.0f;
    Send(kGameMenu, kUpdateInterface);
    if (!m_deathReported) {
        if (CPCommandDispatcher* dispatcher = GetCommandDispatcher())
            dispatcher->SendCommandByCategory(kMainCategory, kPlayerDead, "");
        m_deathReported = 1;
    }
    return false;
}

void CPPlayer::Kill()
{
    const CPSmartPtr<CPGameObject> self(this);
    SetVisible(false);
    SetCollision(false);
    if (const CPSmartPtr<CPPhysicData> data = GetPhysicData())
        data->ReleaseBody();
    if (CPPhysicManager* manager = GetPhysicManager())
        manager->RemoveObject(self);
}
