// Windows and buttons of an interface screen. A window is one textured quad
// in window-local screen pixels placed at (x, y); it reads its own line of
// the screen file, answers hit tests and reports the pointer and clicks to
// scripts. A button is a window with three looks (normal, highlighted,
// pressed), each a window of its own; its press state picks the one drawn at
// the button's place, while its hit area is the normal look's quad there.
#pragma once

#include "Core/PManagedObject.h"
#include "Core/PSmartPtr.h"
#include "Render/PVertex.h"

#include <cstdint>
#include <string>

class CPInterface;
class CPTextParser;

class CPWindow : public CPManagedObject
{
public:
    explicit CPWindow(CPInterface* owner);
    ~CPWindow() override;

    int32_t GetObjectSize() const override;
    // "CPWindow".
    std::string GetTypeName() const override;

    virtual void SetEnabled(bool enabled);
    // Inside the placed quad, edges included.
    virtual bool HitTest(float px, float py);
    // As a window line with these values (design pixels and texels) and no
    // visibility or mode token; makes the window visible. Always true.
    virtual bool Setup(const std::string& name, float textureWidth, float textureHeight, float x, float y, float w,
                       float h, float u, float v, float du, float dv);
    // Reads one window line. Always true.
    virtual bool Load(CPTextParser& parser, float textureWidth, float textureHeight);
    // New quad size in screen pixels; the texture rectangle stays.
    void SetSize(float w, float h);
    virtual const CPVertex* GetVertices();
    virtual const uint16_t* GetIndices();
    virtual void SetVisible(bool visible);
    // "mouse_window_over" / "mouse_window_out" with the name to the
    // interface scripts; false.
    virtual bool OnMouseOver(float px, float py);
    virtual bool OnMouseOut(float px, float py);
    // Nothing; false.
    virtual bool OnMouseDown(int32_t button, float px, float py);
    // "window" with "name,px,py" to the owner's handler on a hit; false.
    virtual bool OnClick(int32_t button, float px, float py);

    CPInterface* owner;
    CPVertex vertices[4];
    uint16_t indices[6];
    std::string name;
    bool visible = true;
    bool enabled = true;
    float x = 0.0f;
    float y = 0.0f;

protected:
    // Position, size and texture rectangle from design values and texels.
    void Place(float designX, float designY, float width, float height, float u, float v, float du, float dv,
               float textureWidth, float textureHeight, bool stretch);
};

class CPButton : public CPWindow
{
public:
    explicit CPButton(CPInterface* owner);
    ~CPButton() override;

    int32_t GetObjectSize() const override;
    // "CPButton".
    std::string GetTypeName() const override;

    // Resets the look and rebuilds the owner's quads, then stores the flag.
    void SetEnabled(bool enabled) override;
    // Inside the normal look's quad placed at the button's (x, y).
    bool HitTest(float px, float py) override;
    // Reads three window lines: normal, highlighted, pressed.
    bool Load(CPTextParser& parser, float textureWidth, float textureHeight) override;
    // Those of the look the press state selects.
    const CPVertex* GetVertices() override;
    const uint16_t* GetIndices() override;
    // Resets the look, then stores the flag.
    void SetVisible(bool visible) override;
    // Highlighted / normal look and "mouse_button_over" / "mouse_button_out";
    // true.
    bool OnMouseOver(float px, float py) override;
    bool OnMouseOut(float px, float py) override;
    // Mouse button 0 presses the button (no hit test) and gives true.
    bool OnMouseDown(int32_t button, float px, float py) override;
    // Mouse button 0: "button" with the name to the owner's handler on a hit
    // (highlighted look), normal look on a miss; true. Others: false.
    bool OnClick(int32_t button, float px, float py) override;

    enum PressState : int32_t
    {
        kNormal = 0,
        kHighlighted = 1,
        kPressed = 2,
    };

    CPSmartPtr<CPWindow> states[3];
    int32_t pressState = kNormal;
};
