#include "Interface/PEditBox.h"

#include "Core/PGlobals.h"
#include "Platform/WinUser.h"
#include "Render/PRenderObject.h"

#include <cctype>

namespace
{
const char kCaret[] = "_";
constexpr unsigned char kBlank = 32;
constexpr unsigned char kBackspace = 8;
}

CPEditBox::CPEditBox(const CPTextEntry& entry, int32_t maxLength)
    : entry(entry),
      maxLength(maxLength)
{
    Show();
}

CPEditBox::CPEditBox(const CPTextEntry& entry, int32_t maxLength, const std::string& initial)
    : entry(entry),
      text(initial),
      maxLength(maxLength)
{
    Show();
}

CPEditBox::~CPEditBox() = default;

int32_t CPEditBox::GetObjectSize() const
{
    return static_cast<int32_t>(sizeof(CPEditBox));
}

std::string CPEditBox::GetTypeName() const
{
    return "CPEditBox";
}

void CPEditBox::SetText(const std::string& newText)
{
    const size_t limit = maxLength > 0 ? static_cast<size_t>(maxLength) : 0;
    text = newText.substr(0, limit);
    Show();
}

void CPEditBox::ProcessKey(int32_t code)
{
    const bool room = static_cast<int64_t>(text.size()) < maxLength;
    const unsigned char low = static_cast<unsigned char>(code & 0xFF);
    if (IsCharAlphaNumericA(static_cast<CHAR>(code)) && room) {
        const int upper = (low >= 'a' && low <= 'z') ? std::toupper(low) : low;
        text.push_back(static_cast<char>(upper));
        Show();
    } else if (low == kBlank) {
        if (room) {
            text.push_back(' ');
            Show();
        }
    } else if (low == kBackspace) {
        if (!text.empty())
            text.pop_back();
        Show();
    }
}

void CPEditBox::MoveTo(float x, float y)
{
    entry.x = x;
    entry.y = y;
    Show();
}

void CPEditBox::Show()
{
    if (CPTextManager* manager = GetTextManager())
        manager->GetTextObject(entry.object, entry.x, entry.y, entry.font, text + kCaret);
}
