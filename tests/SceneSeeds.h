// Seed inputs of the scene fuzz targets, made by the scene fixture writer.
// mesh_file seeds start with one byte choosing the form the rest is read as
// (0 older-format mesh, 1 p3d mesh, 2 animation file); rdf_text seeds are
// descriptions over the fixture files that SceneFuzzFiles writes.
#pragma once

#include "Render/PRenderObjectManager.h"
#include "SceneFixtures.h"

#include <string>
#include <utility>
#include <vector>

namespace scene
{
using Seeds = std::vector<std::pair<std::string, std::string>>;

inline Seeds MeshFileSeeds()
{
    Node tri = Triangle("tri");
    tri.boxes = { { D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(1, 1, 1) } };
    tri.children = { Triangle("leaf") };
    Node box = BoxNode("box");
    scene::Shape cylinder;
    cylinder.type = 1;
    cylinder.size2 = 2;
    box.shapes.push_back(cylinder);
    box.children = { BoxNode("lid") };
    Node walk = ThreeFrameNode("body");
    walk.children = { ThreeFrameNode("arm") };
    TrailerEntry marker{ "marker", { 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0 } };
    return {
        { "triangle.bin", std::string(1, '\0') + MeshFile({ tri }, false) },
        { "three_roots.bin", std::string(1, '\0') + MeshFile({ Triangle("a"), Triangle("b"), Triangle("c") }, false) },
        { "box_p3d.bin", std::string(1, '\1') + MeshFile({ box }, true, { marker }) },
        { "animated.bin", std::string(1, '\2') + AnimationFile(walk) },
        // One level deeper than the readers take.
        { "too_deep.bin",
          std::string(1, '\0') + NestedFile(NodeFormat::Mesh, CPRenderObjectManager::kMaxNodeDepth + 1) },
    };
}

// The files a description under fuzzing can name.
inline Seeds SceneFuzzFiles()
{
    Node box = BoxNode("box");
    box.children = { Triangle("door") };
    return {
        { "Data/Meshes/tri.msh", MeshFile({ Triangle("tri") }, false) },
        { "Data/Meshes/box.p3d", MeshFile({ box }, true) },
        { "Data/Meshes/walk.anm", AnimationFile(ThreeFrameNode("body")) },
        { "Data/Meshes/wrong.rdf", "root = empty\n" },
        { "Data/Meshes/far.rdf", "mesh = tri.msh\nlod = far.rdf, 5\n" },
        { "Data/Animations/open.trk", TrackFile({ ThreeKeyTrack("door") }) },
    };
}

inline Seeds RdfTextSeeds()
{
    return {
        { "mesh.rdf", "mesh = box.p3d\n"
                      "sprite = lamp, 1, 2, 3, 0.5, door, 0, 0, 1, 30\n"
                      "light = bulb, box, x, 0, 0, 2, 1, 0.5, 0, 0.1, 8\n"
                      "psystem = snow, box, 0, 0, 0, 0.5, flakes\n"
                      "lod = far.rdf, 300\nlod = null, 600\n"
                      "linekeypoint = 1, 2, 3\nlinecolor = ff00ff00\n"
                      "[door]\ntype = 3\nshadow = 0\nparam = \"a=b\"\nanimation = idle,open.trk\n"
                      "[box]\nvertexeffect = fade 1,2;flick 1\n" },
        { "anim.rdf", "root = anim;walk,walk.anm;run,walk.anm\nsprite = glow, 0, 0, 1, 0.5, body\n"
                      "[body]\nvisible = 0\n" },
        { "empty.rdf", "root = empty\nsprite = a, 0, 0, 0, 1, , 0, 1, 0, 0.5\n"
                       "shadowtextures = shadows, _s.tga, _s.fx\ndescription = info.xml\n" },
    };
}
}
