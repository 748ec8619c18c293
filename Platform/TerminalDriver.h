// A driver for people: it prints the dialog on a text stream and reads the
// user's commands from another, one per line.
//
// The dialog is printed row by row as its controls are laid out: its title,
// the page shown in an embedded web-page area, labels, check boxes as [x] or
// [ ], the items of a list with the selected one marked, and a key before
// everything the user can use. In a dialog with a list the list's items are
// numbered and buttons get letters (the first free letter of their text);
// otherwise push buttons are numbered from left to right. "q" closes the
// window. An unknown command prints a short help and changes nothing; an
// empty line is ignored; the end of the input closes the window. A line
// longer than kMaxCommandLength bytes is read in bounded memory and taken as
// one unknown command (shown cut short). Control bytes of a command are
// shown escaped (\x1b) when it is echoed, so input cannot drive the terminal.
#pragma once

#include "Platform/WinUser.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace PlatformUI
{
class TerminalDriver : public Driver
{
public:
    // `echo` repeats each command after the prompt, for input that does not
    // come from a terminal (a pipe), so the output reads like a session.
    TerminalDriver(std::istream& input, std::ostream& output, bool echo);

    static constexpr size_t kMaxCommandLength = 4096;

    Action NextAction(const DialogView& dialog) override;

    // The dialog as printed, and the command keys it offers with their actions.
    struct Key
    {
        std::string key;
        Action action;
    };
    static std::vector<Key> Keys(const DialogView& dialog);
    static std::string Render(const DialogView& dialog);

private:
    std::istream& m_input;
    std::ostream& m_output;
    bool m_echo;
    bool m_inputEnded = false;
    std::string m_lastShown;
};
}
