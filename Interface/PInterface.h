// Interface screen: one menu page, dialog or in-race display, loaded from a
// ".int" screen file in a 1024 x 768 design space and scaled to the screen.
// It owns its windows and buttons (drawn together as one render body), its
// edit boxes, its texts and an optional cursor; it reports the pointer to
// the scripts of the category "interface" and clicks to its own handler.
//
// Every living interface is in InterfaceList in order of construction; the
// pointer and the menu keys reach them from the newest to the oldest.
#pragma once

#include "Core/PGameObject.h"
#include "Core/PSmartPtr.h"
#include "Interface/PEditBox.h"
#include "Interface/PTextManager.h"
#include "Interface/PWindow.h"
#include "Platform/D3D9.h"
#include "Render/PRenderObject.h"

#include <cstdint>
#include <list>
#include <string>
#include <unordered_map>
#include <vector>

// The category of the scripts that hear of the pointer.
extern const char kInterfaceCategory[];

class CPInterface : public CPGameObject
{
public:
    template <class T>
    using NameMap = std::unordered_map<std::string, CPSmartPtr<T>>;
    using WindowList = std::vector<CPSmartPtr<CPWindow>>;

    CPInterface();
    // Leaves InterfaceList.
    ~CPInterface() override;

    int32_t GetObjectSize() const override;
    // "CPInterface - " followed by the name.
    std::string GetTypeName() const override;
    // Marks the screen active, reports the action map's cursor position as a
    // pointer movement, then activates the game object.
    void Activate(int32_t order) override;
    void Deactivate() override;

    // Loads the screen "Data\Interface\<name>1024.int"; its windows draw on
    // layer 200 + layerOffset. A file that cannot be read leaves the screen
    // empty.
    virtual void Load(const std::string& name, int32_t layerOffset);
    // Submits the screen's light and queues the screen with its texts and
    // cursors.
    virtual void Draw();
    // Active, without any pointer event.
    virtual void SilentActivate(int32_t order);

    // Rebuilds the quads of the visible windows and buttons, in file order.
    void UpdateBuffers();
    // Moves the cursor and hovers the window or button under the pointer
    // (active screens with a cursor only).
    void OnMouseMove(float px, float py);
    // The hover rule alone, as menu navigation uses it.
    void UpdateButtonHover(float px, float py);
    // Hover the next / previous enabled visible button, wrapping.
    void SelectNextButton();
    void SelectPrevButton();
    // The text of the named edit box, or the empty string.
    std::string GetEditBoxText(const std::string& name) const;

    // Named windows and texts; an unknown name changes nothing (and leaves
    // GetWindowPos's outputs as they were).
    void ShowWindow(const std::string& name, bool visible);
    void SetWindowPos(const std::string& name, float x, float y);
    void GetWindowPos(const std::string& name, float& x, float& y) const;
    // The text shows the string, re-rendered in the entry's own font.
    void SetTextValue(const std::string& name, const std::string& text);
    // Moves the text and shows it again there: an edit box its own text and
    // caret (and goes on showing them there), any other text its entry's.
    void SetTextPos(const std::string& name, float x, float y);
    // Hides the current cursor and shows the named one at the pointer; a
    // name the screen holds no cursor for leaves none shown.
    void SelectCursor(const std::string& name);

    float mouseX = 0.0f;
    float mouseY = 0.0f;
    CPSmartPtr<CPRenderObject> renderObject;
    NameMap<CPWindow> windows;
    WindowList windowList;
    WindowList drawList;
    WindowList buttons;
    NameMap<CPEditBox> editBoxes;
    CPSmartPtr<CPWindow> currentButton;
    std::unordered_map<std::string, CPTextEntry> texts;
    D3DLIGHT9 light = {};
    bool lightOn = false;
    CPSmartPtr<CPGameObject> cursor;
    NameMap<CPGameObject> cursors;
    bool active = false;
    std::string cursorName;

private:
    // Steps 4 to 6 of the hover rule; a plain window stays current unless
    // dropPlainWindow.
    void Hover(float px, float py, bool dropPlainWindow);
    void SelectButton(bool forward);
    void BuildCursor(const CPWindow& window, const std::string& textureName);
    CPSmartPtr<CPGameObject> MakeTextObject();
};

// Every living interface, oldest first.
std::list<CPInterface*>& InterfaceList();

// The pointer moved (screen pixels): "mouse_move" to the interface scripts,
// then every interface hovers, newest first.
void DispatchMouseMove(float px, float py);
// The menu keys: every interface selects its next / previous button.
void MenuRight();
void MenuLeft();
