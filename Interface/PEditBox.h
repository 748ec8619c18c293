// Edit box: a one-line text field of a screen. It keeps the typed text up to
// a maximum length and shows it through the text manager followed by the
// caret "_". Scripts feed it one character code at a time; it has no focus
// of its own.
#pragma once

#include "Core/PManagedObject.h"
#include "Interface/PTextManager.h"

#include <cstdint>
#include <string>

class CPEditBox : public CPManagedObject
{
public:
    // Empty text; shows "_".
    CPEditBox(const CPTextEntry& entry, int32_t maxLength);
    // The initial text is taken whole, even beyond the maximum length.
    CPEditBox(const CPTextEntry& entry, int32_t maxLength, const std::string& initial);
    ~CPEditBox() override;

    int32_t GetObjectSize() const override;
    // "CPEditBox".
    std::string GetTypeName() const override;

    // Keeps the first maxLength characters.
    void SetText(const std::string& newText);
    // A letter or digit (upper-cased) or a blank is appended below the
    // maximum length; backspace (8) removes the last character. Other codes
    // change nothing and show nothing.
    void ProcessKey(int32_t code);
    std::string CopyText() const { return text; }
    // Shows the text and caret from (x, y) on.
    void MoveTo(float x, float y);

    CPTextEntry entry;
    std::string text;
    int32_t maxLength;

private:
    void Show();
};
