#include "Script/ScriptLoadBindings.h"

#include "Core/PGameObject.h"
#include "Render/PRenderObjectManager.h"
#include "Script/ScriptBinding.h"

#include <string>

namespace ScriptApi
{
int LoadRenderObject(lua_State* L)
{
    // Both checked reads come before any C++ object exists.
    const char* name = ScriptCheckText(L, 1);
    const int32_t layerBase = ScriptCheckInt(L, 2);
    CPRenderObjectManager* loader = GetRenderObjectManager();
    const CPSmartPtr<CPGameObject> object = loader ? loader->LoadRenderObject(name, layerBase)
                                                   : CPSmartPtr<CPGameObject>();
    if (object)
        object->AddRef();
    ScriptPushObject(L, object.Get());
    return 1;
}
}
