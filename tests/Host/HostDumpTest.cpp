// HOST.dump: the canonical text of a loaded scene.
#include "Host/PGameHost.h"
#include "SceneFixtures.h"
#include "ScratchRoot.h"

#include <gtest/gtest.h>

#include <string>

TEST(HostDump, PrintsALoadedSceneOneLinePerObjectInChildOrder)
{
    ScratchRoot root;
    CPGameHost host(root.Path());
    scene::Node box = scene::BoxNode("Crate");
    box.children = { scene::BoxNode("Lid") };
    box.children[0].shapes.clear();
    for (const auto& file : scene::FallbackFiles())
        root.MakeFile(file.first, file.second);
    root.MakeFile("Data/Meshes/crate.p3d", scene::MeshFile({ box }, true));
    root.MakeFile("Data/Meshes/crate.rdf", "mesh = crate.p3d\n"
                                           "light = bulb, crate, x, 0, 0, 2, 1, 0.5, 0, 0.1, 8\n"
                                           "lod = null, 300\n"
                                           "[crate]\ntype = 2\neffectfile = simple.fx\ntexturefile1 = error.tga\n"
                                           "[lid]\nparam = Hinge\nshadow = 0\n");
    std::string error;
    ASSERT_TRUE(host.RunString("text = HOST.dump(LoadRenderObject('crate.rdf', 20)) none = HOST.dump(nil)", "test",
                               error))
        << error;
    lua_State* L = host.GetLuaState();
    lua_getglobal(L, "text");
    const std::string text = lua_tostring(L, -1) ? lua_tostring(L, -1) : "";
    lua_getglobal(L, "none");
    EXPECT_TRUE(lua_isnil(L, -1));
    lua_pop(L, 2);

    const std::string expected
        = "crate kind=0 position=(5,6,7) rotation=(-0.2,-0.3,-0.4,0.85) box=(1,2,-1|1,2,1) vertices=3 indices=3 "
          "hidden=1 geometry=crate.p3dcrate material=22:simple.fx[error.tga] physics=(mass 10 sizes 2,1,3 shapes 1) partboxes=1 "
          "lods=[0:self,300:null] visible=1 shadow=1 collision=1 static=1\n"
          "  lid kind=0 position=(5,6,7) rotation=(-0.2,-0.3,-0.4,0.85) box=(1,2,-1|1,2,1) vertices=3 indices=3 "
          "hidden=1 geometry=crate.p3dlid material=20:[error.tga] physics=(mass 10 sizes 2,1,3 shapes 0) visible=1 shadow=0 collision=1 "
          "static=1 param=hinge\n"
          "  bulb kind=2 position=(0,0,2) rotation=(0,0,0,1) box=(0,0,0|8,8,8) light=(1,0.5,0) range=8 "
          "attenuation=(0,0.1,0) visible=1 shadow=0 collision=1 static=1\n";
    EXPECT_EQ(text, expected);
}
