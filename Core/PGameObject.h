// Game object: the named scene object. Every level piece, vehicle, pickup,
// shot, path, interface screen and effect holder is one. It owns a hierarchy
// of children, a position and rotation from which its local and world
// matrices are built, the bounds of its parts and of itself (both covering
// its descendants), detail levels, collision part boxes, and optionally a
// body that draws or emits something, physics data and a vehicle.
//
// Activation puts its current part animation, its particle body and its
// script handler into the task manager; the handler hears of the object's
// events as commands ("add_object", "delete_object", "animation_end",
// "damage"), each naming the object by its handle text.
#pragma once

#include "Core/PBoundingBox.h"
#include "Core/PBounds.h"
#include "Core/PCommandTarget.h"
#include "Core/PManagedObject.h"
#include "Core/PSmartPtr.h"
#include "Platform/D3DX9Math.h"

#include <cstdint>
#include <string>
#include <tinyxml.h>
#include <unordered_map>
#include <vector>

class CPCar;
class CPEnemyController;
class CPGameObject;
class CPMaterial;
class CPPartAnimation;
class CPPlayer;
class CPPhysicData;

// What a game object's body is; the body's class follows from it.
enum CPBodyKind : int32_t
{
    kBodyRenderObject = 0,   // CPRenderObject, a mesh
    kBodyAnimatedObject = 1, // CPAnimatedObject, morph clips
    kBodyLight = 2,          // CPLight
    kBodySprite = 3,         // CPSprite
    kBodyParticleSystem = 4, // CPParticleSystem, run as a task
    kBodyGroup = 5,          // no body
};

// A level-of-detail entry: entry 0 is the object itself, later entries
// separate objects (or null) shown from the given distance.
struct CPDetailLevel
{
    CPSmartPtr<CPGameObject> object;
    int32_t distance = 0;
};

// One segment query for RayPick: the segment runs from origin along
// direction for distance (multiples of direction). A pick shortens distance
// to each nearer hit and records the hit object, its handler owner, the hit
// point and the plane of the face that was hit.
struct CPRayQuery
{
    // Never reported as hit; usually the object that casts the ray.
    CPSmartPtr<CPGameObject> excluded;
    CPSmartPtr<CPGameObject> hitObject;
    CPSmartPtr<CPGameObject> hitOwner;
    D3DXVECTOR3 hitPoint;
    float distance = 0.0f;
    D3DXPLANE hitPlane;
    D3DXVECTOR3 origin;
    D3DXVECTOR3 direction;
};

// A request to play a morph clip of an animated body.
struct CPAnimationRequest
{
    // Looked up in the animated body's own clips.
    std::string name;
    float speed = 1.0f;
    // Passes after which the clip stops; 0 = endless.
    int32_t loopLimit = 0;
    // Receives "animation_stopped" and "animation_report".
    CPSmartPtr<CPCommandTarget> reportTarget;
    // Frame at which "animation_report" is sent; -1 = never.
    int32_t reportFrame = -1;
    // Seconds added to the full time to give the start time.
    float startOffset = 0.0f;
};

class CPGameObject : public CPManagedObject
{
public:
    using ObjectList = std::vector<CPSmartPtr<CPGameObject>>;
    using AnimationMap = std::unordered_map<std::string, CPSmartPtr<CPPartAnimation>>;

    // Flame type of an object that gets no flame.
    static constexpr int32_t kNoFlame = -1;
    static constexpr D3DCOLOR kDefaultLineColour = 0xff4e4e4e;
    // Task order of a flame's particle system.
    static constexpr int32_t kFlameOrder = 200;

    // A root object without body (kind 5), physics data or vehicle.
    explicit CPGameObject(const std::string& name);
    // Deactivates, leaves the parent, orphans the children and stops a
    // particle body.
    ~CPGameObject() override;

    int32_t GetObjectSize() const override;
    // "CPGameObject - " followed by the name.
    std::string GetTypeName() const override;
    CPGameObject* AsGameObject() override { return this; }
    // The object as a race vehicle, or null when it is none (as AsGameObject).
    virtual CPPlayer* AsPlayer() { return nullptr; }

    // Appends this object and then, depth first in child order, every
    // descendant.
    virtual void CollectHierarchy(ObjectList& objects);
    // Adds the current animation, a visible particle body and the script
    // handler to the task manager with this order, activates the children,
    // and sends "add_object" to the handler. Does nothing while active.
    virtual void Activate(int32_t order);
    // Stops the particle body and the current animation, deactivates the
    // children and sends "delete_object" to the handler. Does nothing while
    // inactive.
    virtual void Deactivate();
    // Rebuilds this object (normally a fresh one) as a deep copy of the
    // source: body, part boxes, animations, children, physics data and
    // settings. The copy is inactive; collision, detail levels, param,
    // description name, line colour, source name, enemy controller and
    // vehicle are not copied.
    virtual void CopyFrom(const CPSmartPtr<CPGameObject>& source);
    // A part animation of this object passed its last key: sends
    // "animation_end" to the handler.
    virtual void OnAnimationEnd();

    // --- Hierarchy ---------------------------------------------------------

    const std::string& GetName() const { return m_name; }
    // Renames the object; a parent's name map keeps the old name.
    void SetName(const std::string& name) { m_name = name; }
    // Appends the child (once per call) and files it under its name,
    // replacing an earlier child of that name in the name map only.
    void AddChild(const CPSmartPtr<CPGameObject>& child);
    // The child of that name, this object's own children only; null if none.
    CPSmartPtr<CPGameObject> FindPart(const std::string& name) const;
    // The child of that name, else the first found below each child in turn.
    CPSmartPtr<CPGameObject> FindChild(const std::string& name) const;
    CPSmartPtr<CPGameObject> GetParent() const;
    // Moves whenever any object files or forgets a child or is destroyed:
    // while it stays, every name lookup gives what it gave before, so a
    // part found by name may be kept until it moves.
    static uint64_t GetHierarchyVersion() { return s_hierarchyVersion; }
    const ObjectList& GetChildren() const
    {
        CompactChildren();
        return m_children;
    }
    std::vector<CPDetailLevel>& GetDetailLevels() { return m_detailLevels; }
    const std::vector<CPDetailLevel>& GetDetailLevels() const { return m_detailLevels; }
    // Appends a detail level (the object may be null) shown from the distance.
    void AddDetailLevel(const CPSmartPtr<CPGameObject>& object, int32_t distance)
    {
        m_detailLevels.push_back(CPDetailLevel{ object, distance });
    }

    // --- Placement ---------------------------------------------------------

    const D3DXVECTOR3& GetPosition() const { return m_position; }
    const D3DXQUATERNION& GetRotation() const { return m_rotation; }
    // Moves the object (and its later detail levels and its physics body)
    // relative to its parent. The matrices follow at UpdateTransform.
    void SetPosition(const D3DXVECTOR3& position);
    void SetRotation(const D3DXQUATERNION& rotation);
    // Takes a whole local matrix, which then stands in place of rotation x
    // translation until the next SetPosition or SetRotation. Part animations
    // pose their part this way.
    void SetPose(const D3DXMATRIX& pose);
    // Writes the pose the simulator moved the object to, marking the
    // transform dirty; the body it came from is left alone.
    void SetSimulatedPose(const D3DXVECTOR3& position, const D3DXQUATERNION& rotation);
    // Rebuilds the matrices, boxes and bounds of a dirty object and of all
    // its descendants: local = rotation x translation, world = local x parent.
    // A clean object returns at once, children included.
    void UpdateTransform();

    const D3DXMATRIX& GetParentMatrix() const
    {
        return m_parentSource ? m_parentSource->m_worldMatrix : m_parentMatrix;
    }
    // Replaces the transform the object's own one is composed with; the
    // matrices follow at UpdateTransform. A parent's next update replaces it
    // again with the parent's world matrix.
    void SetParentMatrix(const D3DXMATRIX& parent);
    const D3DXMATRIX& GetLocalMatrix() const
    {
        if (m_localStale)
            BuildLocalMatrix();
        return m_localMatrix;
    }
    const D3DXMATRIX& GetWorldMatrix() const { return m_worldMatrix; }
    bool IsDirty() const { return m_dirty != 0; }
    // Set by each transform update; the mesh body clears it once it has
    // re-transformed its vertices.
    bool IsTransformUpdated() const { return m_transformUpdated != 0; }
    void SetTransformUpdated(bool updated) { m_transformUpdated = updated ? 1 : 0; }

    // --- Boxes and bounds --------------------------------------------------

    // Takes the box as the object's own box and rebuilds the object bounds
    // from it.
    void SetBoundingBox(const CPBoundingBox& box);
    // The boxes with their corners and planes built: the transform update
    // leaves them for the first reader.
    const CPBoundingBox& GetBoundingBox() const;
    std::vector<CPBoundingBox>& GetPartBoxes();
    const std::vector<CPBoundingBox>& GetPartBoxes() const;
    // The part boxes of this object and all descendants.
    const CPBounds& GetPartBounds() const { return m_partBounds; }
    // The own boxes of this object and all descendants, widened by the
    // shadow when the shadow flag is set.
    const CPBounds& GetObjectBounds() const { return m_objectBounds; }

    // --- Flags -------------------------------------------------------------

    bool IsActive() const { return m_active != 0; }
    bool IsVisible() const { return m_visible != 0; }
    // This object only.
    void SetVisible(bool visible) { m_visible = visible ? 1 : 0; }
    bool HasCollision() const { return m_collision != 0; }
    // This object only; picking skips objects without collision.
    void SetCollision(bool collision) { m_collision = collision ? 1 : 0; }
    bool IsStatic() const { return m_static != 0; }
    // This object and its later detail levels, not its children.
    void SetStatic(bool isStatic);
    bool HasShadow() const { return m_shadow != 0; }
    // This object, its later detail levels and all its descendants.
    void SetShadow(bool shadow);

    // --- Body, materials, physics, vehicle ---------------------------------

    int32_t GetKind() const { return m_kind; }
    const CPSmartPtr<CPManagedObject>& GetBody() const { return m_body; }
    // The body must be of the class that the kind names (none for a group).
    void SetBody(CPManagedObject* body, int32_t kind);
    const CPSmartPtr<CPMaterial>& GetMaterial() const { return m_material; }
    void SetMaterial(CPMaterial* material);
    const CPSmartPtr<CPMaterial>& GetShadowMaterial() const { return m_shadowMaterial; }
    void SetShadowMaterial(CPMaterial* material);
    const CPSmartPtr<CPPhysicData>& GetPhysicData() const { return m_physicData; }
    void SetPhysicData(CPPhysicData* physicData);
    CPSmartPtr<CPCar> GetCar() const;
    CPCar* GetCarPtr() const { return m_car.Get(); }
    void SetCar(CPCar* car);
    CPEnemyController* GetEnemyController() const { return m_enemyController; }
    // Attached by whoever drives the object as an enemy; not owned.
    void SetEnemyController(CPEnemyController* controller) { m_enemyController = controller; }

    // --- Scene description values -----------------------------------------

    int32_t GetFlameType() const { return m_flameType; }
    void SetFlameType(int32_t flameType) { m_flameType = flameType; }
    const std::string& GetParam() const { return m_param; }
    void SetParam(const std::string& param) { m_param = param; }
    const std::string& GetDescriptionName() const { return m_descriptionName; }
    void SetDescriptionName(const std::string& name) { m_descriptionName = name; }
    std::vector<D3DXVECTOR3>& GetLineKeyPoints() { return m_lineKeyPoints; }
    D3DCOLOR GetLineColour() const { return m_lineColour; }
    void SetLineColour(D3DCOLOR colour) { m_lineColour = colour; }
    const std::string& GetSourceName() const { return m_sourceName; }
    void SetSourceName(const std::string& name) { m_sourceName = name; }
    TiXmlDocument& GetDescription() { return m_description; }
    const TiXmlDocument& GetDescription() const { return m_description; }
    // Loads the description document from the descriptions folder under the
    // description name; true on success.
    bool LoadDescription();

    // --- Animations --------------------------------------------------------

    // Files the animation under the name (replacing an earlier one) and
    // clears the static flag. An "idle" animation becomes the current one and
    // loops; a current animation it replaces is stopped if it was running.
    void AddAnimation(const std::string& name, const CPSmartPtr<CPPartAnimation>& animation);
    const AnimationMap& GetAnimations() const { return m_animations; }
    const CPSmartPtr<CPPartAnimation>& GetCurrentAnimation() const { return m_currentAnimation; }
    bool HasAnimations() const { return m_hasAnimations != 0; }
    // Plays the request on an animated body (kind 1), then on every child.
    void SetAnimation(const CPAnimationRequest& request, bool restart);

    // --- Events ------------------------------------------------------------

    // Stores the handler (not counted) and clears the static flag of this
    // object and every descendant. A null handler changes nothing.
    void SetScriptHandler(CPCommandTarget* handler);
    CPSmartPtr<CPCommandTarget> GetScriptHandler() const;
    // The nearest object from this one up that has a script handler, or the
    // root when none has.
    CPSmartPtr<CPGameObject> GetHandlerOwner();
    // Picks the segment against the part boxes of this subtree. Subtrees whose
    // part bounds the segment misses, objects without collision and the
    // excluded object (with its subtree) are skipped. True when this object
    // or a descendant gave a nearer hit.
    bool RayPick(CPRayQuery& query);
    // Sends "damage" with the amount ("%.2f") to the handler unless silent,
    // and passes everything to an attached enemy controller. noEffect keeps
    // the controller from showing the hit.
    void Damage(const D3DXVECTOR3& point, const D3DXVECTOR3& direction, float amount, bool noEffect,
                uint8_t silent);
    // Forward to an attached enemy controller; nothing without one.
    void OnControllerAnimationEnd();
    void UpdateController();
    // Turns a flame type into a "flame" child that runs the cloned particle
    // system of that number (order 200), once; then does the same for each
    // child.
    void AttachFlame();
    // Hands the material to a mesh or animated body, then to every child's.
    void ApplyMaterial();

protected:
    // Plain, not counted. Interface screens store their handler here
    // directly, leaving the static flags alone.
    CPCommandTarget* m_scriptHandler = nullptr;

private:
    static uint64_t s_hierarchyVersion;

    // Appends the child and files it under its name; the child already names
    // this object as its parent.
    void FileChild(const CPSmartPtr<CPGameObject>& child);
    // Takes a child that is being destroyed out of the children and the name
    // map. Its place in the children is left empty until the next look at
    // them, so that destroying many children does not shift the rest each
    // time.
    void ForgetChild(const CPGameObject& child);
    void CompactChildren() const
    {
        if (m_emptyChildSlots)
            DropEmptyChildSlots();
    }
    void DropEmptyChildSlots() const;
    // Calls the action on each child in order, children added meanwhile
    // included; the places of children destroyed meanwhile are passed over.
    template <class Action>
    void ForEachChild(Action action) const
    {
        CompactChildren();
        for (size_t i = 0; i < m_children.size(); ++i) {
            if (CPGameObject* child = m_children[i].Get())
                action(*child);
        }
    }
    // Builds the corners and planes that the last transform update left stale.
    void BuildPartBoxes() const;
    void ClearStaticBelow();
    void AddTaskWithOrder(CPTask* task, int32_t order) const;
    void SendToHandler(const char* command, const std::string& params) const;
    void CopyBodyFrom(const CPGameObject& source);
    // Memory hints for UpdateTransform's walk over the children while child
    // index is updated, and for this object's own part of that walk.
    void PrefetchForChild(size_t index) const;
    void PrefetchFields() const;
    // An object's two bounds as the transform update hands them to its
    // parent: minimum and maximum in the first three of four lanes. The walk
    // keeps bounds this way until it stores them, so that nothing it stored
    // is read straight back.
    struct WalkExtents
    {
        float partLow[4];
        float partHigh[4];
        float objectLow[4];
        float objectHigh[4];
    };
    // UpdateTransform's work on a dirty object.
    void UpdateDirtyTransform(WalkExtents& extents);
    // The local matrix the last update used: rotation x translation, or the
    // pose.
    void ComputeLocalMatrix(D3DXMATRIX& local) const;
    void BuildLocalMatrix() const;
    // Stores the local matrix the last update left to be built, before what
    // it is built from changes.
    void KeepLocalMatrix()
    {
        if (m_localStale)
            BuildLocalMatrix();
    }

    // The transform update's data first, ending with the own box, so that a
    // walk over a large tree touches as few cache lines per object as it can
    // (and PrefetchFields can ask for them as one block). The local matrix and
    // the parent matrix a child was handed are kept elsewhere: the walk
    // leaves the one to be built when read and reads the other from its
    // parent.
    // The block starts on a cache line (the class is allocated 64-byte
    // aligned), so it spans the fewest lines.
    //
    // The object whose world matrix stands as this object's parent matrix:
    // the last parent that updated it. Null when m_parentMatrix holds it
    // (set by SetParentMatrix or CopyFrom, or kept when that parent ended).
    alignas(64) CPGameObject* m_parentSource = nullptr;
    uint8_t m_dirty = 1;
    uint8_t m_transformUpdated = 1;
    uint8_t m_shadow = 1;
    // Set by SetPose, cleared by SetPosition and SetRotation.
    uint8_t m_hasPose = 0;
    // The last update did not store the local matrix; GetLocalMatrix builds it.
    mutable uint8_t m_localStale = 0;
    // Empty places in m_children.
    mutable uint32_t m_emptyChildSlots = 0;
    D3DXVECTOR3 m_position;
    D3DXQUATERNION m_rotation;
    D3DXMATRIX m_worldMatrix;
    CPBounds m_partBounds;
    CPBounds m_objectBounds;
    // Corners and planes may be stale (see BuildPartBoxes).
    mutable std::vector<CPBoundingBox> m_partBoxes;
    // Null entries are the places of destroyed children, dropped by
    // CompactChildren.
    mutable ObjectList m_children;
    std::vector<CPDetailLevel> m_detailLevels;
    mutable CPBoundingBox m_ownBox;

    mutable D3DXMATRIX m_localMatrix;
    D3DXMATRIX m_parentMatrix;
    D3DXMATRIX m_pose;
    int32_t m_flameType = kNoFlame;
    uint8_t m_active = 0;
    uint8_t m_hasAnimations = 0;
    uint8_t m_visible = 1;
    uint8_t m_static = 1;
    uint8_t m_collision = 1;
    int32_t m_kind = kBodyGroup;
    CPSmartPtr<CPManagedObject> m_body;
    AnimationMap m_animations;
    CPSmartPtr<CPPartAnimation> m_currentAnimation;
    std::unordered_map<std::string, CPSmartPtr<CPGameObject>> m_childMap;
    CPGameObject* m_parent = nullptr;
    // This object's place in its parent's children, how often it was filed as
    // a child, and whether it was renamed after being filed: a child filed
    // once under its present name is found at its place and under its name.
    uint32_t m_childSlot = 0;
    uint32_t m_timesFiled = 0;
    uint8_t m_renamedSinceFiled = 0;
    std::string m_name;
    std::string m_param;
    std::string m_descriptionName;
    CPEnemyController* m_enemyController = nullptr;
    CPSmartPtr<CPMaterial> m_shadowMaterial;
    CPSmartPtr<CPMaterial> m_material;
    std::vector<D3DXVECTOR3> m_lineKeyPoints;
    D3DCOLOR m_lineColour = kDefaultLineColour;
    std::string m_sourceName;
    CPSmartPtr<CPPhysicData> m_physicData;
    CPSmartPtr<CPCar> m_car;
    TiXmlDocument m_description;
};
