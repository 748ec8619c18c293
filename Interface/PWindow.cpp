#include "Interface/PWindow.h"

#include "Core/PCommandDispatcher.h"
#include "Core/PTextParser.h"
#include "Core/PTokenizer.h"
#include "Interface/PInterface.h"
#include "Startup/PConfigVars.h"

#include <cstdio>
#include <cstdlib>

namespace
{
const char kMouseWindowOver[] = "mouse_window_over";
const char kMouseWindowOut[] = "mouse_window_out";
const char kMouseButtonOver[] = "mouse_button_over";
const char kMouseButtonOut[] = "mouse_button_out";
const char kWindowCommand[] = "window";
const char kButtonCommand[] = "button";
const char kHiddenToken[] = "false";
const char kStretchToken[] = "stretch";

// A texel count over the texture size; a texture without size gives 0.
float ToTextureUnits(float texels, float textureSize)
{
    return textureSize == 0.0f ? 0.0f : texels / textureSize;
}

// Inside the quad placed at (left, top), edges included.
bool InsideQuad(const CPVertex* quad, float left, float top, float px, float py)
{
    return left + quad[0].position.x <= px && px <= left + quad[1].position.x && top + quad[0].position.y <= py &&
           py <= top + quad[2].position.y;
}

void SendToInterfaces(const char* command, const std::string& name)
{
    if (CPCommandDispatcher* dispatcher = GetCommandDispatcher())
        dispatcher->SendCommandByCategory(kInterfaceCategory, command, name);
}

void SendToHandler(const CPInterface* owner, const char* command, const std::string& params)
{
    CPCommandDispatcher* dispatcher = GetCommandDispatcher();
    if (!dispatcher || !owner)
        return;
    const CPSmartPtr<CPCommandTarget> handler = owner->GetScriptHandler();
    if (handler)
        dispatcher->SendCommandByObject(handler, command, params);
}
}

CPWindow::CPWindow(CPInterface* owner)
    : owner(owner),
      indices { 0, 1, 2, 0, 2, 3 }
{
}

CPWindow::~CPWindow() = default;

int32_t CPWindow::GetObjectSize() const
{
    return static_cast<int32_t>(sizeof(CPWindow));
}

std::string CPWindow::GetTypeName() const
{
    return "CPWindow";
}

void CPWindow::SetEnabled(bool isEnabled)
{
    enabled = isEnabled;
}

bool CPWindow::HitTest(float px, float py)
{
    return InsideQuad(vertices, x, y, px, py);
}

void CPWindow::Place(float designX, float designY, float width, float height, float u, float v, float du, float dv,
                     float textureWidth, float textureHeight, bool stretch)
{
    const float screenW = static_cast<float>(g_CfgScreenWidth);
    const float screenH = static_cast<float>(g_CfgScreenHeight);
    x = designX * screenW / 1024.0f - 0.5f;
    y = designY * screenH / 768.0f - 0.5f;
    float w = width * screenW / 1024.0f;
    float h = height * screenH / 768.0f;
    if (stretch) {
        w = screenW * w / 1024.0f;
        h = screenH * h / 768.0f;
    }
    const float ua = ToTextureUnits(u, textureWidth);
    const float va = ToTextureUnits(v, textureHeight);
    const float ub = ua + ToTextureUnits(du, textureWidth);
    const float vb = va + ToTextureUnits(dv, textureHeight);
    const float corners[4][4] = { { 0, 0, ua, va }, { w, 0, ub, va }, { w, h, ub, vb }, { 0, h, ua, vb } };
    for (int i = 0; i < 4; ++i) {
        vertices[i] = CPVertex();
        vertices[i].position = D3DXVECTOR3(corners[i][0], corners[i][1], 0.0f);
        vertices[i].u1 = corners[i][2];
        vertices[i].v1 = corners[i][3];
    }
    const uint16_t quad[6] = { 0, 1, 2, 0, 2, 3 };
    for (int i = 0; i < 6; ++i)
        indices[i] = quad[i];
}

bool CPWindow::Setup(const std::string& windowName, float textureWidth, float textureHeight, float designX,
                     float designY, float w, float h, float u, float v, float du, float dv)
{
    Place(designX, designY, w, h, u, v, du, dv, textureWidth, textureHeight, false);
    name = windowName;
    SetVisible(true);
    return true;
}

bool CPWindow::Load(CPTextParser& parser, float textureWidth, float textureHeight)
{
    std::string line;
    parser.ReadLine(line);
    CPTokenizer words(line, " ", 1);
    std::string list;
    words.NextToken(name);
    words.NextToken(list);

    CPTokenizer fields(list, ",", 1);
    std::string tokens[10];
    bool present[10] = {};
    for (int i = 0; i < 10; ++i)
        present[i] = fields.NextToken(tokens[i]) != 0;
    float values[8];
    for (int i = 0; i < 8; ++i)
        values[i] = static_cast<float>(std::atof(tokens[i].c_str()));

    if (present[8])
        SetVisible(tokens[8] != kHiddenToken);
    // Any other mode token names an anchor, which leaves the position as it is.
    const bool stretch = present[9] && tokens[9] == kStretchToken;
    Place(values[0], values[1], values[2], values[3], values[4], values[5], values[6], values[7], textureWidth,
          textureHeight, stretch);
    return true;
}

void CPWindow::SetSize(float w, float h)
{
    vertices[0].position = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    vertices[1].position = D3DXVECTOR3(w, 0.0f, 0.0f);
    vertices[2].position = D3DXVECTOR3(w, h, 0.0f);
    vertices[3].position = D3DXVECTOR3(0.0f, h, 0.0f);
}

const CPVertex* CPWindow::GetVertices()
{
    return vertices;
}

const uint16_t* CPWindow::GetIndices()
{
    return indices;
}

void CPWindow::SetVisible(bool isVisible)
{
    visible = isVisible;
}

bool CPWindow::OnMouseOver(float, float)
{
    SendToInterfaces(kMouseWindowOver, name);
    return false;
}

bool CPWindow::OnMouseOut(float, float)
{
    SendToInterfaces(kMouseWindowOut, name);
    return false;
}

bool CPWindow::OnMouseDown(int32_t, float, float)
{
    return false;
}

bool CPWindow::OnClick(int32_t, float px, float py)
{
    if (HitTest(px, py)) {
        char params[512];
        std::snprintf(params, sizeof(params), "%s,%.2f,%.2f", name.c_str(), px, py);
        SendToHandler(owner, kWindowCommand, params);
    }
    return false;
}

CPButton::CPButton(CPInterface* owner)
    : CPWindow(owner)
{
}

CPButton::~CPButton()
{
    for (CPSmartPtr<CPWindow>& state : states)
        state = nullptr;
}

int32_t CPButton::GetObjectSize() const
{
    return static_cast<int32_t>(sizeof(CPButton));
}

std::string CPButton::GetTypeName() const
{
    return "CPButton";
}

void CPButton::SetEnabled(bool isEnabled)
{
    pressState = kNormal;
    if (owner)
        owner->UpdateBuffers();
    enabled = isEnabled;
}

bool CPButton::HitTest(float px, float py)
{
    // The normal look's quad where the button is drawn, so a moved button
    // is hit at its new place.
    return states[0] && InsideQuad(states[0]->vertices, x, y, px, py);
}

bool CPButton::Load(CPTextParser& parser, float textureWidth, float textureHeight)
{
    pressState = kNormal;
    for (CPSmartPtr<CPWindow>& state : states) {
        state = new CPWindow(owner);
        state->Load(parser, textureWidth, textureHeight);
    }
    SetVisible(states[0]->visible);
    name = states[0]->name;
    x = states[0]->x;
    y = states[0]->y;
    return true;
}

const CPVertex* CPButton::GetVertices()
{
    const CPSmartPtr<CPWindow>& look = states[pressState];
    return look ? look->GetVertices() : vertices;
}

const uint16_t* CPButton::GetIndices()
{
    const CPSmartPtr<CPWindow>& look = states[pressState];
    return look ? look->GetIndices() : indices;
}

void CPButton::SetVisible(bool isVisible)
{
    pressState = kNormal;
    visible = isVisible;
}

bool CPButton::OnMouseOver(float, float)
{
    pressState = kHighlighted;
    SendToInterfaces(kMouseButtonOver, name);
    return true;
}

bool CPButton::OnMouseOut(float, float)
{
    pressState = kNormal;
    SendToInterfaces(kMouseButtonOut, name);
    return true;
}

bool CPButton::OnMouseDown(int32_t button, float, float)
{
    if (button != 0)
        return false;
    pressState = kPressed;
    return true;
}

bool CPButton::OnClick(int32_t button, float px, float py)
{
    if (button != 0)
        return false;
    if (HitTest(px, py)) {
        pressState = kHighlighted;
        SendToHandler(owner, kButtonCommand, name);
    } else {
        pressState = kNormal;
    }
    return true;
}
