// The fixture level: a whole small game data folder around one race track,
// all our own content. A closed ring road of radius 120 (about 754 units
// round, some 60 path lines a lap) driven anticlockwise seen from above, its
// road mesh and a wider collision ring, the three paths ("c_path" on the
// road's middle, "left" inside it, "right" outside), the start posts across
// the road just ahead of the player, two checkpoint gates, two mission
// checkpoints, two enemy sources, crates (no physics) and posts (with
// physics) beside the road, a player vehicle ("buggy") and three opponent
// vehicles ("rallye", "sprinter", "racer"), the loaders' fallback files, a
// mission file, "player.dat", "coeff.dat" and the host's "gamedata.txt";
// besides, every file the level, its vehicles, its sky and the interface
// look for (textures, effects, silent sounds, the sky's files, the minimap's
// icons and the fonts file), so that a race on it logs no missing file.
//
// The level is "level1": its opponents are "rallye" vehicles and its road
// collision is "road_phys1.rdf". A race script picks the player's vehicle
// with SetPlayerName("buggy") before the level is loaded; the race runs
// unreversed.
#pragma once

#include "DynamicSky/SkyFiles.h"
#include "ImageBuilder.h"
#include "Race/PathRecord.h"
#include "SceneFixtures.h"
#include "VehicleFixture.h"
#include "WavBuilder.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace level
{
using Files = std::vector<std::pair<std::string, std::string>>;

constexpr const char* kName = "level1";
constexpr const char* kPlayerModel = "buggy";
constexpr const char* kMissionFile = "mission1.txt";
constexpr float kRadius = 120.0f;
constexpr float kRoadHalfWidth = 7.0f;
constexpr float kCollisionHalfWidth = 25.0f;
constexpr float kLaneOffset = 4.0f;
constexpr float kPi = 3.14159265f;
constexpr int kOpponents = 3;
constexpr int kGates = 2;
constexpr int kCheckpoints = 2;
constexpr int kPosts = 2;
// Vehicles start this high above the road. The loader lifts every opponent
// kOpponentLift above its record, so the opponents' records sit that much
// lower: all the cars then settle onto the road from the same small height,
// well short of the speed at which a falling car is put back on the path.
constexpr float kStartHeight = 1.0f;
constexpr float kOpponentLift = 2.0f;

struct Options
{
    // Crates beside the road; the placed objects are these, the posts and
    // the gates.
    int crates = 8;
    // Road and collision rings: steps round and strips across, two
    // triangles per quad; (strips + 1) x segments is at most 65536.
    int roadSegments = 96;
    int roadStrips = 1;
    // Whether the files the engine looks for beside the level (ArtFiles)
    // are written too; without them a load opens fewer files and logs them
    // as missing.
    bool art = true;
};

// The point of the ring of radius r at angle a (anticlockwise from +x).
inline D3DXVECTOR3 RingPoint(float r, float a, float z = 0.0f)
{
    return D3DXVECTOR3(r * std::cos(a), r * std::sin(a), z);
}

// A vehicle's rotation (x, y, z, w as the level file stores it) facing along
// the ring at angle a; vehicles look toward -y when not turned.
inline D3DXQUATERNION FacingAlong(float a)
{
    const float turn = a + kPi;
    return D3DXQUATERNION(0.0f, 0.0f, std::sin(turn * 0.5f), std::cos(turn * 0.5f));
}

// Where the player and the opponents start: on the road behind the start
// line, the opponents in pairs behind the player.
inline float PlayerAngle()
{
    return 0.0f;
}
inline D3DXVECTOR3 PlayerStart()
{
    return RingPoint(kRadius, PlayerAngle(), kStartHeight);
}
inline float OpponentAngle(int i)
{
    return -(8.0f + 8.0f * static_cast<float>(i / 2)) / kRadius;
}
inline D3DXVECTOR3 OpponentStart(int i)
{
    return RingPoint(kRadius + (i % 2 == 0 ? -3.0f : 3.0f), OpponentAngle(i), kStartHeight - kOpponentLift);
}
inline float StartLineAngle()
{
    return 6.0f / kRadius;
}

// --- Meshes ------------------------------------------------------------------

// A box of the given half sizes standing on z = 0, as a node's geometry.
inline void AddBoxGeometry(scene::Node& node, float hx, float hy, float hz)
{
    const uint16_t first = static_cast<uint16_t>(node.vertices.size());
    for (int i = 0; i < 8; ++i) {
        node.vertices.push_back(scene::At(i & 1 ? hx : -hx, i & 2 ? hy : -hy, i & 4 ? 2.0f * hz : 0.0f, 0xffffffff));
    }
    const uint16_t faces[12][3] = { { 0, 2, 1 }, { 1, 2, 3 }, { 4, 5, 6 }, { 5, 7, 6 }, { 0, 1, 4 }, { 1, 5, 4 },
                                    { 2, 6, 3 }, { 3, 6, 7 }, { 0, 4, 2 }, { 2, 4, 6 }, { 1, 3, 5 }, { 3, 7, 5 } };
    for (const auto& face : faces)
        for (uint16_t corner : face)
            node.indices.push_back(static_cast<uint16_t>(first + corner));
}

// A flat ring from radius inner to outer: `segments` steps round and
// `strips` across, two triangles per quad.
inline scene::Node RingNode(const std::string& name, float inner, float outer, int segments, int strips)
{
    scene::Node node;
    node.name = name;
    const int row = strips + 1;
    for (int i = 0; i < segments; ++i) {
        const float a = 2.0f * kPi * static_cast<float>(i) / static_cast<float>(segments);
        for (int k = 0; k <= strips; ++k) {
            const float r = inner + (outer - inner) * static_cast<float>(k) / static_cast<float>(strips);
            const D3DXVECTOR3 point = RingPoint(r, a);
            node.vertices.push_back(scene::At(point.x, point.y, 0.0f, 0xffffffff));
        }
    }
    for (int i = 0; i < segments; ++i) {
        const int next = (i + 1) % segments;
        for (int k = 0; k < strips; ++k) {
            const uint16_t a = static_cast<uint16_t>(i * row + k);
            const uint16_t b = static_cast<uint16_t>(next * row + k);
            node.indices.insert(node.indices.end(), { a, static_cast<uint16_t>(a + 1), static_cast<uint16_t>(b + 1) });
            node.indices.insert(node.indices.end(), { a, static_cast<uint16_t>(b + 1), b });
        }
    }
    return node;
}

// The level's collision ring (RingNode's "road_phys") as a level mesh.
inline void AddCollisionRing(fixture::LevelMesh& mesh, int segments, int strips)
{
    const scene::Node ring =
        RingNode("road_phys", kRadius - kCollisionHalfWidth, kRadius + kCollisionHalfWidth, segments, strips);
    for (const CPVertex& vertex : ring.vertices)
        mesh.AddVertex(vertex.position.x, vertex.position.y, vertex.position.z);
    for (size_t i = 0; i + 2 < ring.indices.size(); i += 3)
        mesh.AddTriangle(ring.indices[i], ring.indices[i + 1], ring.indices[i + 2]);
}

inline scene::Node BoxMeshNode(const std::string& name, float hx, float hy, float hz)
{
    scene::Node node;
    node.name = name;
    AddBoxGeometry(node, hx, hy, hz);
    node.boxes = { { D3DXVECTOR3(0, 0, hz), D3DXVECTOR3(hx, hy, hz) } };
    return node;
}

// A p3d node with the box's geometry and no body: the loader gives it the
// bounds of its vertices, which the race tests the player's position against.
inline scene::Node BoundedBoxNode(const std::string& name, float hx, float hy, float hz)
{
    scene::Node node;
    node.name = name;
    AddBoxGeometry(node, hx, hy, hz);
    return node;
}

// A p3d node with a box body of the given mass.
inline scene::Node PhysicsBoxNode(const std::string& name, float hx, float hy, float hz, float mass)
{
    scene::Node node;
    node.name = name;
    AddBoxGeometry(node, hx, hy, hz);
    node.physics.size1 = 2.0f * hx;
    node.physics.size2 = 2.0f * hz;
    node.physics.size3 = 2.0f * hy;
    node.physics.mass = mass;
    scene::Shape box = node.physics;
    node.shapes = { box };
    return node;
}

// A vehicle: a 2 x 4 x 1 box body of 300 mass units with wheel parts "w0"
// to "w3" (the front pair toward -y).
inline scene::Node VehicleNode()
{
    scene::Node body = PhysicsBoxNode("body", 1.0f, 2.0f, 0.5f, 300.0f);
    body.shapes[0].position = D3DXVECTOR3(0.0f, 0.0f, -0.5f);
    for (int i = 0; i < 4; ++i) {
        scene::Node wheel = PhysicsBoxNode("w" + std::to_string(i), 0.15f, 0.4f, 0.4f, 0.0f);
        wheel.position = D3DXVECTOR3(i % 2 == 0 ? 0.9f : -0.9f, i < 2 ? -1.2f : 1.2f, 0.0f);
        body.children.push_back(wheel);
    }
    return body;
}

// The car description with the level's camera keys.
inline std::string VehicleXml(bool player, int speed)
{
    std::string xml = fixture::CarXml();
    xml += "<engine heat=\"0.05\" cool=\"0.1\"/>";
    const std::string limits = " min=\"" + std::to_string(speed) + "\" max=\"" + std::to_string(speed + 10) + "\"";
    if (player) {
        // The divisors keep the chase camera behind the car at race speeds:
        // it tilts by speed / angle_div * 5 radians and pulls in by
        // speed / distance_div.
        xml += "<camera distance=\"8\" height=\"3\" angle=\"12\" angle_div=\"800\" distance_div=\"15\" blur=\"0.2\""
               " fov=\"60\"/>"
               "<camera2 distance=\"11\" height=\"4\" angle=\"18\" angle_div=\"1000\" distance_div=\"20\" blur=\"0.3\""
               " fov=\"55\"/>"
               "<camera3 distance=\"3\" height=\"1.5\" blur=\"0.1\"/>";
    } else {
        xml += "<camera distance=\"9\" height=\"3.5\" angle=\"14\"" + limits + "/>";
    }
    return xml;
}

// --- The level file ------------------------------------------------------------

inline void AppendObject(scene::Bytes& out, const std::string& name, const D3DXVECTOR3& position,
                         const D3DXQUATERNION& rotation = D3DXQUATERNION(0, 0, 0, 1),
                         const D3DXVECTOR3& scale = D3DXVECTOR3(1, 1, 1))
{
    out.String(name).Floats({ position.x, position.y, position.z, rotation.x, rotation.y, rotation.z, rotation.w,
                              scale.x, scale.y, scale.z });
}

// A closed ring path of radius r in four Bezier quarters from angle 0,
// written clockwise. A race that is not reversed drives each line from its
// end back to its start, so the cars going anticlockwise follow it unreversed.
inline std::string RingPath(const std::string& name, float r)
{
    // Control points at 0.5523 r along the tangents give a near circle.
    const float k = 0.5523f * r;
    std::vector<PathSegmentPoints> segments;
    for (int q = 0; q < 4; ++q) {
        const float a0 = -0.5f * kPi * static_cast<float>(q);
        const float a1 = a0 - 0.5f * kPi;
        const D3DXVECTOR3 p0 = RingPoint(r, a0);
        const D3DXVECTOR3 p3 = RingPoint(r, a1);
        // Clockwise tangents.
        const D3DXVECTOR3 t0(std::sin(a0), -std::cos(a0), 0.0f);
        const D3DXVECTOR3 t1(std::sin(a1), -std::cos(a1), 0.0f);
        segments.push_back({ p0, p0 + t0 * k, p3 - t1 * k, p3 });
    }
    return PathRecord(name, true, segments);
}

// The object records in file order: the player, three opponents, the start
// posts, the gates, the mission checkpoints, the enemy sources, the posts
// and the crates.
inline int ObjectRecordCount(const Options& options)
{
    return 1 + kOpponents + 2 + kGates + kCheckpoints + 2 + kPosts + options.crates;
}

inline std::string LevelFile(const Options& options = Options())
{
    scene::Bytes out;
    out.Floats({ 1.0f, 2.0f, 3.0f, 4.0f });
    // Two start cameras, read past.
    out.Int(2).Int(0);
    for (int i = 0; i < 12; ++i)
        out.Float(i % 5 == 0 ? 1.0f : 0.0f);
    out.Raw(std::string(28, '\x11'));

    out.Int(ObjectRecordCount(options));
    AppendObject(out, "player", PlayerStart(), FacingAlong(PlayerAngle()));
    for (int i = 0; i < kOpponents; ++i)
        AppendObject(out, "enemy" + std::to_string(i + 1), OpponentStart(i), FacingAlong(OpponentAngle(i)));
    const float startLine = StartLineAngle();
    // Left of the anticlockwise driving direction is the inside of the ring.
    AppendObject(out, "stolb_start_left", RingPoint(kRadius - kRoadHalfWidth - 1.0f, startLine));
    AppendObject(out, "stolb_start_right", RingPoint(kRadius + kRoadHalfWidth + 1.0f, startLine));
    AppendObject(out, "checkpoint1,45", RingPoint(kRadius, 0.5f * kPi), FacingAlong(0.5f * kPi));
    AppendObject(out, "checkpoint_a2,25", RingPoint(kRadius, 1.5f * kPi), FacingAlong(1.5f * kPi));
    AppendObject(out, "chk1_flag", RingPoint(kRadius, 0.75f * kPi));
    AppendObject(out, "chk2_flag", RingPoint(kRadius, 1.25f * kPi));
    AppendObject(out, "src_north", RingPoint(kRadius + 15.0f, 0.5f * kPi));
    AppendObject(out, "src_south", RingPoint(kRadius + 15.0f, 1.5f * kPi));
    for (int i = 0; i < kPosts; ++i)
        AppendObject(out, "post" + std::to_string(i + 1), RingPoint(kRadius + 10.0f, 0.3f + kPi * i));
    for (int i = 0; i < options.crates; ++i) {
        const float a = 2.0f * kPi * (static_cast<float>(i) + 0.5f) / static_cast<float>(options.crates);
        const float r = kRadius + (i % 2 == 0 ? -12.0f : 12.0f) + static_cast<float>(i % 7);
        AppendObject(out, "crate" + std::to_string(i + 1), RingPoint(r, a), D3DXQUATERNION(0, 0, 0, 1),
                     D3DXVECTOR3(1.5f, 1.5f, 1.5f));
    }

    out.Int(3);
    out.Raw(RingPath("c_path", kRadius));
    out.Raw(RingPath("left", kRadius - kLaneOffset));
    out.Raw(RingPath("right", kRadius + kLaneOffset));
    return out.Str();
}

// --- What the engine looks for beside the level ----------------------------------

// The files the level, the vehicles, the sky and the interface open by name:
// small pictures, one plain effect under every effect name, a few silent
// samples under every sound name, the sky of level 1 (one cloud state that
// lasts the whole race, so the sky draws no random numbers), the minimap's
// icons and one font of the system's face.
inline Files ArtFiles()
{
    Files files;
    const std::string tga = image::Tga(2, 2, image::Fill(2, 2, 0xFF808080));
    for (const char* name : { "mapblur.tga", "mapblur2.tga", "car_shadow.tga" })
        files.push_back({ std::string("Data/Textures/") + name, tga });
    // The minimap's picture of the level and the terrain's two layers.
    files.push_back({ std::string("Data/Textures/") + kName + "/map.tga", tga });
    for (const char* name : { "color.dds", "detail1.dds" })
        files.push_back({ std::string("Data/Textures/") + kName + "/" + name, image::Dds(4, 4, 1, false) });

    for (const char* name : { "terrain2.fx", "shadow.fx", "interface.fx", "interface3.fx", "test.fx" })
        files.push_back({ std::string("Data/Effects/") + name, kOnePassEffect });

    // The race vehicles' own sounds and the car sounds, each a few samples
    // of silence.
    const std::string silence = wav::Pcm(1, 11025, 8, std::string(16, '\x80'));
    for (const char* name : { "chik", "bonus_fast", "bonus_slow", "bonus_minus", "bonus_plus", "enter_sumrak",
                              "undo_weapon", "change_weapon", "slam", "main", "vizg", "stop" })
        files.push_back({ std::string("Data/Sounds/") + name + ".wav", silence });

    const Files art = SkyArtFiles(GameDataSkyFolders());
    files.insert(files.end(), art.begin(), art.end());
    const Files clouds = SkyCloudFiles("skyscape1.txt", SkyText(), GameDataSkyFolders(),
                                       "count 1\n" + CloudEntry(5, 100, 0, "clear.txt", 0, 1));
    files.insert(files.end(), clouds.begin(), clouds.end());

    files.push_back({ "Data/Meshes/minimap_obj.rdf", "mesh = minimap_obj.msh\n" });
    files.push_back({ "Data/Meshes/minimap_obj.msh",
                      scene::MeshFile({ BoxMeshNode("arrow", 0.5f, 1.0f, 0.1f), BoxMeshNode("checkpoint", 0.5f, 0.5f, 0.1f) },
                                      false) });
    files.push_back({ "Data/Interface/fonts.cfg", "// name, face (empty: the system's), pixel size\nmain, , 16\n" });
    return files;
}

// --- The whole folder --------------------------------------------------------------

inline Files LevelFiles(const Options& options = Options())
{
    using scene::MeshFile;
    const std::string prefix = "Data/Meshes/";
    Files files = scene::FallbackFiles();
    if (options.art) {
        const Files art = ArtFiles();
        files.insert(files.end(), art.begin(), art.end());
    }
    const std::string lvl = std::string("Data/Levels/") + kName + ".lvl";
    files.push_back({ lvl, LevelFile(options) });

    // The road the level draws and the wider ring the vehicles drive on.
    files.push_back({ prefix + "road.msh",
                      MeshFile({ RingNode("road", kRadius - kRoadHalfWidth, kRadius + kRoadHalfWidth,
                                          options.roadSegments, options.roadStrips) },
                               false) });
    files.push_back({ prefix + "road_phys.msh",
                      MeshFile({ RingNode("road_phys", kRadius - kCollisionHalfWidth,
                                          kRadius + kCollisionHalfWidth, options.roadSegments,
                                          options.roadStrips) },
                               false) });
    files.push_back({ prefix + kName + ".rdf", "mesh = road.msh\n" });
    files.push_back({ prefix + "road_phys1.rdf", "mesh = road_phys.msh\n" });
    files.push_back({ prefix + "land.rdf", "mesh = land.msh\n" });
    files.push_back({ prefix + "land.msh", MeshFile({ BoxMeshNode("land", 1, 1, 0) }, false) });

    // Placed objects.
    files.push_back({ prefix + "crate.msh", MeshFile({ BoxMeshNode("crate", 0.5f, 0.5f, 0.5f) }, false) });
    files.push_back({ prefix + "crate.rdf", "mesh = crate.msh\n" });
    files.push_back({ prefix + "post.p3d", MeshFile({ PhysicsBoxNode("post", 0.3f, 0.3f, 1.5f, 50.0f) }, true) });
    files.push_back({ prefix + "post.rdf", "mesh = post.p3d\n" });
    // Gates span the road and are 2 units deep along it, more than a car
    // moves in one frame, so the player's position falls inside as it passes.
    files.push_back({ prefix + "gate.p3d", MeshFile({ BoundedBoxNode("gate", 8.0f, 1.0f, 3.0f) }, true) });
    files.push_back({ prefix + "checkpoint.rdf", "mesh = gate.p3d\n" });
    files.push_back({ prefix + "checkpoint_a.rdf", "mesh = gate.p3d\n" });
    files.push_back({ prefix + "flag.msh", MeshFile({ BoxMeshNode("flag", 0.2f, 0.2f, 2.0f) }, false) });
    files.push_back({ prefix + "flag.rdf", "mesh = flag.msh\n" });
    scene::Node shadow = RingNode("shadow", 0.5f, 1.5f, 8, 1);
    files.push_back({ prefix + "shadow.msh", MeshFile({ shadow }, false) });
    files.push_back({ prefix + "shadow.rdf", "mesh = shadow.msh\n" });

    // Vehicles: one mesh, a description each.
    files.push_back({ prefix + "vehicle.p3d", MeshFile({ VehicleNode() }, true) });
    files.push_back({ prefix + std::string(kPlayerModel) + ".rdf", "mesh = vehicle.p3d\ndescription = buggy.xml\n" });
    files.push_back(
        { prefix + std::string(kPlayerModel) + "_enemy.rdf", "mesh = vehicle.p3d\ndescription = buggy.xml\n" });
    files.push_back({ "Data/Descriptions/buggy.xml", VehicleXml(true, 30) });
    const char* const opponents[] = { "rallye", "sprinter", "racer" };
    for (int i = 0; i < 3; ++i) {
        const std::string model = opponents[i];
        files.push_back({ prefix + model + "_enemy.rdf", "mesh = vehicle.p3d\ndescription = " + model + ".xml\n" });
        files.push_back({ "Data/Descriptions/" + model + ".xml", VehicleXml(false, 20 + 5 * i) });
    }

    // Game data.
    files.push_back({ std::string("Data/Levels/") + kMissionFile, "30 1 2 3 grunt,2;brute,1 50 health,1;ammo,3\n"
                                                                  "45 2 0 1 grunt,1 20 ammo,1\n"
                                                                  "sources\n"
                                                                  "north ambush 1 2.5 grunt,3\n"
                                                                  "south ambush 0 1 brute,1\n" });
    files.push_back({ "Data/player.dat", "mgun\nnone\nnone\nnone\nlight_armor\nnone\nbasic_engine\nnone\n0\n"
                                         "none\nnone\n" });
    files.push_back({ "Data/coeff.dat", "1\n1.5\n0.8\n1.2\n" });
    files.push_back({ "Data/gamedata.txt", "[weapons]\n"
                                           "mgun,weapon_mgun,100,1,0.1,2,0.5,20,3,1,2,desc_mgun,1\n"
                                           "[armor]\n"
                                           "light_armor,armor_light,50,10,desc_light_armor,1\n"
                                           "[engines]\n"
                                           "basic_engine,engine_basic,80,1,1,1,1,1,desc_basic_engine,1\n"
                                           "[texts]\n"
                                           "weapon_mgun,Machine gun\n"
                                           "armor_light,Light armour\n"
                                           "engine_basic,Basic engine\n"
                                           "[presets]\n"
                                           "mgun,,,,,,basic_engine,light_armor,,0,\n"
                                           "[records]\n"
                                           "1,Fixture,1,30,0\n" });
    return files;
}

// Writes the folder under root (made as needed); false when a file could
// not be written, and then, when `failure` is given, it names the file or
// folder and the system's reason.
inline bool WriteLevelFiles(const std::string& root, const Options& options = Options(),
                            std::string* failure = nullptr)
{
    for (const auto& file : LevelFiles(options)) {
        const std::filesystem::path path = std::filesystem::path(root) / file.first;
        std::error_code error;
        std::filesystem::create_directories(path.parent_path(), error);
        std::string problem;
        if (error) {
            problem = path.parent_path().string() + ": " + error.message();
        } else {
            errno = 0;
            std::FILE* out = std::fopen(path.c_str(), "wb");
            bool written = out && std::fwrite(file.second.data(), 1, file.second.size(), out) == file.second.size();
            if (out)
                written = std::fclose(out) == 0 && written;
            if (!written)
                problem = path.string() + ": " + std::strerror(errno != 0 ? errno : EIO);
        }
        if (!problem.empty()) {
            if (failure)
                *failure = problem;
            return false;
        }
    }
    return true;
}
}

namespace level
{
// Seeds of the level_file fuzz target: one byte of mode flags (bit 0 single
// mode, bit 1 time mode), then the level file. The target loads them over
// the folder LevelFiles(FuzzOptions()) writes, which leaves out the art (the
// sky and the sounds would take half of each load's time).
inline Options FuzzOptions()
{
    Options options;
    options.crates = 2;
    options.roadSegments = 24;
    options.art = false;
    return options;
}

inline Files LevelFileSeeds()
{
    const std::string whole = LevelFile(FuzzOptions());
    scene::Bytes bare;
    bare.Floats({ 0, 0, 0, 0 }).Int(0).Int(3);
    AppendObject(bare, "enemy", D3DXVECTOR3(1, 2, 0));
    AppendObject(bare, "src_a", D3DXVECTOR3(3, 4, 0));
    AppendObject(bare, "checkpoint_a1,5", D3DXVECTOR3(5, 6, 0));
    bare.Int(1).Raw(RingPath("c_path", 20.0f));
    return {
        { "race.lvl", std::string(1, '\0') + whole },
        { "single.lvl", std::string(1, '\1') + whole },
        { "time.lvl", std::string(1, '\2') + bare.Str() },
        { "cut.lvl", std::string(1, '\0') + whole.substr(0, 200) },
    };
}
}
