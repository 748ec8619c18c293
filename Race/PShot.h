// Shots: everything a weapon, an explosion, a mine or a bonus puts into the
// world. A shot is a game object of some type name, initialised once from
// its type's parameter record, then launched at a position along a direction
// and moved by its own per-step logic. Shots are fired by type name through
// the process-wide shot manager, which keeps one pool per type: the type's
// template first, then the idle shots of that type.
#pragma once

#include "Core/PGameObject.h"
#include "Core/PSmartPtr.h"
#include "Platform/D3DX9Math.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class CNSound;
class CPRenderObject;

// One string per entry; the last entry is the sound spec, a sound file name
// optionally followed by "," and a mode ("2d" for a 2D sound; "none" as the
// name means no sound).
using CPShotRecord = std::vector<std::string>;

// A short record reads its missing entries as "" and 0; text that does not
// start with a number reads as 0.
const std::string& ShotRecordEntry(const CPShotRecord& record, size_t index);
float ShotRecordFloat(const CPShotRecord& record, size_t index);

class CPShot : public CPGameObject
{
public:
    // The shot object named "CPShot" with an empty mesh body (kind 0), no
    // sound and speed -1.0.
    explicit CPShot(const std::string& typeName);
    ~CPShot() override;

    // A new shot of the same class and parameters, ready to be launched; the
    // caller owns it. Null when the class is not fired through pools.
    virtual void Clone(CPSmartPtr<CPShot>& out) const = 0;
    // True while the shot goes on; may step the shot.
    virtual bool IsAlive() = 0;
    virtual std::string GetShotType() const;
    // Reads the sound from the record's last entry; an empty record leaves
    // the shot silent. True.
    virtual bool Init(const CPShotRecord& record);
    // Stores the speed, position and direction, turns the shot along the
    // direction and plays its sound; the owner reference is accepted and
    // released. carSpeed is for derived classes (may be null).
    virtual void Launch(const D3DXVECTOR3& position, const D3DXVECTOR3& direction, float speed,
                        const CPSmartPtr<CPGameObject>& owner, const float* carSpeed);
    // One step of a shot that a script drives itself. The default does
    // nothing and returns -1; a bolt grows and returns its status, with the
    // hit vehicle's handler owner in out on a hit.
    virtual int32_t UpdateTrasser(CPSmartPtr<CPGameObject>& out);

    const D3DXVECTOR3& GetShotPosition() const { return m_shotPosition; }
    const D3DXVECTOR3& GetDirection() const { return m_direction; }
    float GetSpeed() const { return m_speed; }
    const CPSmartPtr<CNSound>& GetSound() const { return m_sound; }
    const std::string& GetSoundName() const { return m_soundName; }
    bool IsSound2D() const { return m_sound2D != 0; }
    const CPSmartPtr<CPRenderObject>& GetShotBody() const { return m_shotBody; }

protected:
    // Where the shot was launched; moving shots keep their head here.
    D3DXVECTOR3 m_shotPosition;
    // The launch direction, not normalised.
    D3DXVECTOR3 m_direction;
    std::string m_shotType;
    CPSmartPtr<CNSound> m_sound;
    std::string m_soundName;
    // The launch speed (the value passed to Fire); -1.0 until launched.
    float m_speed = -1.0f;
    uint8_t m_sound2D = 0;
    // Every mesh body this shot made; declared before the references to
    // them so that they outlive those references.
    std::vector<std::unique_ptr<CPRenderObject>> m_ownedBodies;
    // The mesh body made by the constructor.
    CPSmartPtr<CPRenderObject> m_shotBody;

    // Makes a mesh body owned by this shot and installs it as the body.
    CPRenderObject* MakeBody();
};

// The lightning bolt: a flat textured ribbon turned towards the camera that
// grows from its start point along its direction until it hits a vehicle
// (then it fires its follow-up shot type there) or has grown 20 units.
class CPBoltShot : public CPShot
{
public:
    static constexpr float kMaxLength = 20.0f;

    explicit CPBoltShot(const std::string& typeName);

    // Bolts are not fired through pools: out becomes null.
    void Clone(CPSmartPtr<CPShot>& out) const override;
    // Steps the bolt; true while it grows.
    bool IsAlive() override;
    // Entries 1 growth rate, 3 half-width, 4 texture, 5 effect, 6 layer,
    // 7 follow-up type, last the sound; missing entries read as "" and 0.
    bool Init(const CPShotRecord& record) override;
    void Launch(const D3DXVECTOR3& position, const D3DXVECTOR3& direction, float speed,
                const CPSmartPtr<CPGameObject>& owner, const float* carSpeed) override;
    int32_t UpdateTrasser(CPSmartPtr<CPGameObject>& out) override;

    // Grows by the frame time: -1 once grown past 20 units, 0 when the step
    // reached a vehicle (its handler owner in out, the follow-up fired at
    // the head), 1 while it goes on.
    int32_t Update(CPSmartPtr<CPGameObject>& out);

    float GetGrowthRate() const { return m_growthRate; }
    float GetGrownLength() const { return m_grownLength; }
    float GetHalfWidth() const { return m_halfWidth; }
    const std::string& GetFollowUpType() const { return m_followUpType; }
    const std::string& GetTexture() const { return m_texture; }
    const std::string& GetEffect() const { return m_effect; }
    int32_t GetLayer() const { return m_layer; }
    const D3DXVECTOR3& GetStartPoint() const { return m_startPoint; }
    const CPSmartPtr<CPRenderObject>& GetRibbon() const { return m_ribbon; }

private:
    float m_growthRate = 0.0f;
    float m_grownLength = 0.0f;
    std::string m_followUpType;
    std::string m_texture;
    std::string m_effect;
    int32_t m_layer = 0;
    D3DXVECTOR3 m_startPoint;
    float m_halfWidth = 0.0f;
    CPSmartPtr<CPRenderObject> m_ribbon;
};

// The shot manager: pools by type name and the list of shots in flight. The
// host creates it (publishing it as g_ShotManager), registers the templates,
// and each frame steps, draws and recycles the active shots. It owns every
// shot it was given or cloned.
class CPShotManager
{
public:
    using ShotList = std::vector<CPSmartPtr<CPShot>>;
    // Called at the start of every Fire with its arguments, fired or not;
    // tests record firings with it.
    using FireObserver =
        std::function<void(const std::string& typeName, const D3DXVECTOR3& position, const D3DXVECTOR3& direction,
                           float value, const CPSmartPtr<CPGameObject>& owner, const float* carSpeed)>;

    CPShotManager();
    // Destroys every shot it owns.
    ~CPShotManager();
    CPShotManager(const CPShotManager&) = delete;
    CPShotManager& operator=(const CPShotManager&) = delete;

    // Fires one shot of the type: a clone of the template when the pool
    // holds only it, else the pool's last idle shot; launches it and appends
    // it to the active list. A type without a pool gets an empty one and
    // nothing is fired. 1 when a shot was fired, else 0.
    int32_t Fire(const std::string& typeName, const D3DXVECTOR3& position, const D3DXVECTOR3& direction, float value,
                 const CPSmartPtr<CPGameObject>& owner, const float* carSpeed = nullptr);

    // Takes ownership of an initialised template and files it as the first
    // entry of its type's pool. False (the shot destroyed) when the type
    // already has a template or the shot is null.
    bool RegisterTemplate(std::unique_ptr<CPShot> shot);
    // Takes ownership of a shot that is not pooled (a script's bolt), so it
    // lives as long as the manager.
    CPShot* Keep(std::unique_ptr<CPShot> shot);

    // The shots in flight in firing order; the host steps and recycles them.
    ShotList& GetActiveShots() { return m_active; }
    const ShotList& GetActiveShots() const { return m_active; }
    // The pool of the type, or null when there is none.
    const ShotList* GetPool(const std::string& typeName) const;
    // Puts a finished shot back at the end of its type's pool.
    void ReturnToPool(const CPSmartPtr<CPShot>& shot);

    void SetFireObserver(FireObserver observer) { m_observer = std::move(observer); }

private:
    ShotList m_active;
    std::unordered_map<std::string, ShotList> m_pools;
    std::vector<std::unique_ptr<CPShot>> m_owned;
    FireObserver m_observer;
};

// Builds a bolt named `name` from the lightning record, launches it at the
// position along the direction with speed 10.0 and no owner, and hands it to
// the shot manager to keep (not to the active list). Null without a manager.
CPBoltShot* StartLighting(const std::string& name, const D3DXVECTOR3& position, const D3DXVECTOR3& direction);
