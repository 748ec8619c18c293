#include "Script/ScriptDrawBindings.h"

#include "Core/PGameObject.h"
#include "Render/PRender.h"
#include "Render/PRenderQueue.h"
#include "Script/ScriptBinding.h"

namespace ScriptApi
{
int DrawDynamicObject(lua_State* L)
{
    CPGameObject* object = ScriptReadObject<CPGameObject>(L, 1);
    CPRender* render = GetRender();
    if (!object || !render)
        return 0;
    if (CPSmartPtr<CPRenderQueue> queue = render->GetRenderQueue())
        queue->AddObjectTree(object);
    return 0;
}
}
