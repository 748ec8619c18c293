#include "Interface/PInterface.h"

#include "Core/PBoundingBox.h"
#include "Core/PCommandDispatcher.h"
#include "Core/PFileReader.h"
#include "Core/PGlobals.h"
#include "Core/PTextParser.h"
#include "Core/PTokenizer.h"
#include "Interface/PActionMap.h"
#include "Interface/PEditBox.h"
#include "Interface/PWindow.h"
#include "Race/PGameData.h"
#include "Render/PMaterialManager.h"
#include "Render/PRender.h"
#include "Render/PRenderObject.h"
#include "Render/PRenderQueue.h"
#include "Startup/PConfigVars.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>

const char kInterfaceCategory[] = "interface";

namespace
{
const char kScreenFolder[] = "Data\\Interface";
const char kScreenFormat[] = "%s\\%s%d.int";
constexpr int32_t kScreenDesignWidth = 1024;
const char kMouseMove[] = "mouse_move";
const char kPlainEffect[] = "interface.fx";
const char kSmoothEffect[] = "interface2.fx";
const char kLightOnSwitch[] = "on";
const char kSmoothToken[] = "smooth";
const char kWindowRecord[] = "window";
const char kButtonRecord[] = "button";
const char kEditRecord[] = "textedit";
const char kTextRecord[] = "text";
const char kCursorName[] = "cursor";
const char kTextObjectName[] = "text";
const char kCaret[] = "_";
constexpr int32_t kWindowLayer = 200;
constexpr int32_t kCursorLayer = 205;
constexpr float kLightRange = 10000.0f;
constexpr size_t kMapBuckets = 100;
// Menu navigation hovers this far inside the chosen button's top-left corner.
constexpr float kSelectOffsetX = 2.0f;
constexpr float kSelectOffsetY = 1.0f;

// The tokens of a comma list, trimmed; missing ones read as empty.
std::vector<std::string> SplitList(const std::string& list)
{
    std::vector<std::string> tokens;
    CPTokenizer fields(list, ",", 1);
    std::string_view token;
    while (fields.NextToken(token))
        tokens.emplace_back(token);
    return tokens;
}

const std::string& TokenAt(const std::vector<std::string>& tokens, size_t index)
{
    static const std::string empty;
    return index < tokens.size() ? tokens[index] : empty;
}

float Number(const std::vector<std::string>& tokens, size_t index)
{
    return static_cast<float>(std::atof(TokenAt(tokens, index).c_str()));
}

// A data line: the name, then the comma list after the first blank.
void SplitDataLine(const std::string& line, std::string& name, std::vector<std::string>& fields)
{
    CPTokenizer words(line, " ", 1);
    std::string list;
    words.NextToken(name);
    words.NextToken(list);
    fields = SplitList(list);
}

float ScreenX(float designX)
{
    return designX * static_cast<float>(g_CfgScreenWidth) / 1024.0f + 0.5f;
}

float ScreenY(float designY)
{
    return designY * static_cast<float>(g_CfgScreenHeight) / 768.0f + 0.5f;
}

// The display text under a key. Game data keeps the display texts; until it
// is present a key shows nothing.
std::string DisplayText(const std::string& key)
{
    return g_GameData ? g_GameData->GetDisplayText(key) : std::string();
}

void ShowText(const CPTextEntry& entry, const std::string& text)
{
    if (CPTextManager* manager = GetTextManager())
        manager->GetTextObject(entry.object, entry.x, entry.y, entry.font, text);
}
}

std::list<CPInterface*>& InterfaceList()
{
    static std::list<CPInterface*> interfaces;
    return interfaces;
}

CPInterface::CPInterface()
    : CPGameObject("Interface")
{
    windows.reserve(kMapBuckets);
    editBoxes.reserve(kMapBuckets);
    texts.reserve(kMapBuckets);
    cursors.reserve(kMapBuckets);
    InterfaceList().push_back(this);
    renderObject = new CPRenderObject(this);
    SetBody(renderObject.Get(), kBodyRenderObject);
}

CPInterface::~CPInterface()
{
    InterfaceList().remove(this);
}

int32_t CPInterface::GetObjectSize() const
{
    return static_cast<int32_t>(sizeof(CPInterface));
}

std::string CPInterface::GetTypeName() const
{
    return "CPInterface - " + GetName();
}

CPSmartPtr<CPGameObject> CPInterface::MakeTextObject()
{
    CPSmartPtr<CPGameObject> object = new CPGameObject(kTextObjectName);
    object->SetBody(new CPRenderObject(object.Get()), kBodyRenderObject);
    return object;
}

void CPInterface::Load(const std::string& name, int32_t layerOffset)
{
    SetName(name);
    SetTransformUpdated(true);
    SetBody(renderObject.Get(), kBodyRenderObject);

    char path[1024];
    std::snprintf(path, sizeof(path), kScreenFormat, kScreenFolder, name.c_str(), kScreenDesignWidth);
    CPFileReader file(path);
    if (FAILED(file.Load()) || !file.GetData()) {
        UpdateBuffers();
        return;
    }
    CPTextParser parser(file.GetData(), file.GetSize());

    std::string handlerName;
    parser.ReadLine(handlerName);
    std::string line;
    parser.ReadLine(line);
    const std::vector<std::string> textureFields = SplitList(line);
    const std::string textureName = TokenAt(textureFields, 0);
    const float textureWidth = Number(textureFields, 1);
    const float textureHeight = Number(textureFields, 2);

    parser.ReadLine(line);
    const std::vector<std::string> lightFields = SplitList(line);
    lightOn = TokenAt(lightFields, 1) == kLightOnSwitch;
    if (lightOn) {
        const float r = Number(lightFields, 5);
        const float g = Number(lightFields, 6);
        const float b = Number(lightFields, 7);
        light.Type = D3DLIGHT_DIRECTIONAL;
        light.Diffuse = { r, g, b, 0.0f };
        light.Specular = { r, g, b, 0.0f };
        light.Ambient = { 0.0f, 0.0f, 0.0f, 0.0f };
        light.Direction = D3DXVECTOR3(Number(lightFields, 2), Number(lightFields, 3), Number(lightFields, 4));
        light.Range = kLightRange;
    }
    const char* effect = TokenAt(lightFields, 8) == kSmoothToken ? kSmoothEffect : kPlainEffect;

    if (CPMaterialManager* materials = GetMaterialManager())
        renderObject->SetMaterial(materials->GetMaterial(kWindowLayer + layerOffset, effect, { textureName }));

    CPCommandDispatcher* dispatcher = GetCommandDispatcher();
    m_scriptHandler = dispatcher ? dispatcher->FindObject(handlerName).Get() : nullptr;

    while (parser.ReadLine(line)) {
        std::string keyword = line;
        std::transform(keyword.begin(), keyword.end(), keyword.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (keyword == kWindowRecord) {
            CPSmartPtr<CPWindow> window = new CPWindow(this);
            window->SetVisible(true);
            window->Load(parser, textureWidth, textureHeight);
            if (window->name == kCursorName) {
                BuildCursor(*window, textureName);
                continue;
            }
            windows[window->name] = window;
            windowList.push_back(window);
            drawList.push_back(window);
        } else if (keyword == kButtonRecord) {
            CPSmartPtr<CPWindow> button = new CPButton(this);
            button->SetVisible(true);
            button->Load(parser, textureWidth, textureHeight);
            windows[button->name] = button;
            windowList.push_back(button);
            drawList.push_back(button);
            buttons.push_back(button);
        } else if (keyword == kEditRecord) {
            CPTextEntry entry;
            entry.object = MakeTextObject();
            std::string boxName;
            std::vector<std::string> fields;
            parser.ReadLine(line);
            SplitDataLine(line, boxName, fields);
            entry.x = ScreenX(Number(fields, 0));
            entry.y = ScreenY(Number(fields, 1));
            entry.font = TokenAt(fields, 2);
            const int32_t length = std::atoi(TokenAt(fields, 3).c_str());
            // fields[4] is an anchor, which leaves the position as it is.
            const bool hasInitial = fields.size() > 5;
            const std::string initial = TokenAt(fields, 5);
            editBoxes[boxName] =
                hasInitial ? new CPEditBox(entry, length, initial) : new CPEditBox(entry, length);
            AddChild(entry.object);
            texts[boxName] = entry;
            ShowText(entry, initial + kCaret);
        } else if (keyword == kTextRecord) {
            CPTextEntry entry;
            entry.object = MakeTextObject();
            std::string textName;
            std::vector<std::string> fields;
            parser.ReadLine(line);
            SplitDataLine(line, textName, fields);
            entry.font = TokenAt(fields, 0);
            entry.x = ScreenX(Number(fields, 1));
            entry.y = ScreenY(Number(fields, 2));
            // The entry keeps what it shows, so a move shows it again.
            entry.text = DisplayText(TokenAt(fields, 3));
            texts[textName] = entry;
            AddChild(entry.object);
            ShowText(entry, entry.text);
        }
    }
    UpdateBuffers();
}

void CPInterface::BuildCursor(const CPWindow& window, const std::string& textureName)
{
    CPSmartPtr<CPGameObject> object = new CPGameObject(kCursorName);
    auto* body = new CPRenderObject(object.Get());
    object->SetBody(body, kBodyRenderObject);
    body->GetLocalVertices().assign(window.vertices, window.vertices + 4);
    body->GetIndices().assign(window.indices, window.indices + 6);
    const D3DXVECTOR3& first = window.vertices[0].position;
    const D3DXVECTOR3& fourth = window.vertices[3].position;
    object->GetPartBoxes().push_back(
        CPBoundingBox((first + fourth) * 0.5f, (fourth - first) * 0.5f));
    body->GetWorldVertices() = body->GetLocalVertices();
    if (CPMaterialManager* materials = GetMaterialManager())
        body->SetMaterial(materials->GetMaterial(kCursorLayer, kPlainEffect, { textureName }));
    cursor = object;
    AddChild(object);
    cursors[kCursorName] = object;
}

void CPInterface::UpdateBuffers()
{
    std::vector<CPVertex>& vertices = renderObject->GetLocalVertices();
    std::vector<uint16_t>& indices = renderObject->GetIndices();
    vertices.clear();
    renderObject->GetWorldVertices().clear();
    indices.clear();
    uint16_t base = 0;
    for (const CPSmartPtr<CPWindow>& element : drawList) {
        if (!element->visible)
            continue;
        const CPVertex* quad = element->GetVertices();
        const uint16_t* quadIndices = element->GetIndices();
        for (int i = 0; i < 4; ++i) {
            CPVertex vertex = quad[i];
            vertex.position.x += element->x;
            vertex.position.y += element->y;
            vertices.push_back(vertex);
        }
        for (int i = 0; i < 6; ++i)
            indices.push_back(static_cast<uint16_t>(quadIndices[i] + base));
        base = static_cast<uint16_t>(base + 4);
    }
    renderObject->GetWorldVertices() = vertices;
}

void CPInterface::Draw()
{
    CPRender* render = GetRender();
    if (lightOn && render)
        render->AddLight(light);
    if (render) {
        const CPSmartPtr<CPRenderQueue> queue = render->GetRenderQueue();
        if (queue)
            queue->AddObjectTree(CPSmartPtr<CPGameObject>(this));
    }
}

void CPInterface::Activate(int32_t order)
{
    active = true;
    int32_t x = 0;
    int32_t y = 0;
    if (const CPActionMap* actions = GetActionMap())
        actions->GetCursorPosition(x, y);
    DispatchMouseMove(static_cast<float>(x), static_cast<float>(y));
    CPGameObject::Activate(order);
}

void CPInterface::SilentActivate(int32_t order)
{
    active = true;
    CPGameObject::Activate(order);
}

void CPInterface::Deactivate()
{
    active = false;
    CPGameObject::Deactivate();
}

void CPInterface::OnMouseMove(float px, float py)
{
    mouseX = px;
    mouseY = py;
    if (!active || !cursor)
        return;
    cursor->SetPosition(D3DXVECTOR3(px, py, 0.0f));
    cursor->UpdateTransform();
    Hover(px, py, false);
}

void CPInterface::UpdateButtonHover(float px, float py)
{
    Hover(px, py, true);
}

void CPInterface::Hover(float px, float py, bool dropPlainWindow)
{
    bool changed = false;
    if (currentButton && !currentButton->HitTest(px, py)) {
        if (currentButton->OnMouseOut(px, py))
            changed = true;
        currentButton = nullptr;
    }
    for (auto element = drawList.rbegin(); element != drawList.rend(); ++element) {
        CPWindow& window = **element;
        if (!window.enabled || !window.visible || !window.HitTest(px, py))
            continue;
        currentButton = *element;
        if (window.OnMouseOver(px, py)) {
            UpdateBuffers();
            return;
        }
        if (dropPlainWindow)
            currentButton = nullptr;
        break;
    }
    if (changed)
        UpdateBuffers();
}

void CPInterface::SelectNextButton()
{
    SelectButton(true);
}

void CPInterface::SelectPrevButton()
{
    SelectButton(false);
}

void CPInterface::SelectButton(bool forward)
{
    if (!active || buttons.empty())
        return;
    const auto qualifies = [](const CPSmartPtr<CPWindow>& button) { return button->enabled && button->visible; };
    const size_t count = buttons.size();
    const auto current = std::find(buttons.begin(), buttons.end(), currentButton);
    CPWindow* chosen = nullptr;
    if (currentButton && current != buttons.end()) {
        const size_t start = static_cast<size_t>(current - buttons.begin());
        for (size_t step = 1; step <= count && !chosen; ++step) {
            const size_t index = forward ? (start + step) % count : (start + count - step % count) % count;
            if (qualifies(buttons[index]))
                chosen = buttons[index].Get();
        }
    } else if (forward) {
        const auto found = std::find_if(buttons.begin(), buttons.end(), qualifies);
        chosen = found == buttons.end() ? nullptr : found->Get();
    } else {
        const auto found = std::find_if(buttons.rbegin(), buttons.rend(), qualifies);
        chosen = found == buttons.rend() ? nullptr : found->Get();
    }
    if (chosen)
        UpdateButtonHover(chosen->x + kSelectOffsetX, chosen->y + kSelectOffsetY);
}

std::string CPInterface::GetEditBoxText(const std::string& name) const
{
    const auto found = editBoxes.find(name);
    return found == editBoxes.end() || !found->second ? std::string() : found->second->CopyText();
}

void CPInterface::ShowWindow(const std::string& name, bool visible)
{
    const auto found = windows.find(name);
    if (found != windows.end() && found->second)
        found->second->SetVisible(visible);
}

void CPInterface::SetWindowPos(const std::string& name, float x, float y)
{
    const auto found = windows.find(name);
    if (found == windows.end() || !found->second)
        return;
    found->second->x = x;
    found->second->y = y;
}

void CPInterface::GetWindowPos(const std::string& name, float& x, float& y) const
{
    const auto found = windows.find(name);
    if (found == windows.end() || !found->second)
        return;
    x = found->second->x;
    y = found->second->y;
}

void CPInterface::SetTextValue(const std::string& name, const std::string& text)
{
    const auto found = texts.find(name);
    if (found == texts.end())
        return;
    CPTextEntry& entry = found->second;
    entry.text = text;
    if (CPTextManager* manager = GetTextManager())
        manager->GetTextObject(entry.object, entry.x, entry.y, entry.font, entry.text);
}

void CPInterface::SetTextPos(const std::string& name, float x, float y)
{
    const auto found = texts.find(name);
    if (found == texts.end())
        return;
    CPTextEntry& entry = found->second;
    entry.x = x;
    entry.y = y;
    const auto box = editBoxes.find(name);
    if (box != editBoxes.end() && box->second && box->second->entry.object == entry.object)
        box->second->MoveTo(x, y);
    else
        ShowText(entry, entry.text);
}

void CPInterface::SelectCursor(const std::string& name)
{
    if (cursor)
        cursor->SetVisible(false);
    const CPSmartPtr<CPGameObject> chosen = cursors[name];
    cursor = chosen;
    cursorName = name;
    if (chosen) {
        chosen->SetVisible(true);
        chosen->SetPosition(D3DXVECTOR3(mouseX, mouseY, 0.0f));
        chosen->UpdateTransform();
    }
}

void DispatchMouseMove(float px, float py)
{
    char params[128];
    std::snprintf(params, sizeof(params), "%.2f,%.2f", px / static_cast<float>(g_CfgScreenWidth),
                  py / static_cast<float>(g_CfgScreenHeight));
    if (CPCommandDispatcher* dispatcher = GetCommandDispatcher())
        dispatcher->SendCommandByCategory(kInterfaceCategory, kMouseMove, params);
    std::list<CPInterface*>& interfaces = InterfaceList();
    for (auto it = interfaces.rbegin(); it != interfaces.rend(); ++it)
        (*it)->OnMouseMove(px, py);
}

void MenuRight()
{
    std::list<CPInterface*>& interfaces = InterfaceList();
    for (auto it = interfaces.rbegin(); it != interfaces.rend(); ++it)
        (*it)->SelectNextButton();
}

void MenuLeft()
{
    std::list<CPInterface*>& interfaces = InterfaceList();
    for (auto it = interfaces.rbegin(); it != interfaces.rend(); ++it)
        (*it)->SelectPrevButton();
}
