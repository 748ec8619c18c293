#include "Platform/TerminalDriver.h"

#include <algorithm>
#include <cctype>
#include <istream>
#include <map>
#include <ostream>

namespace PlatformUI
{
namespace
{
const char kCloseKey[] = "q";
// Controls whose tops are this close (in pixels) share a printed row.
constexpr LONG kRowTolerance = 8;

enum class Kind
{
    PushButton,
    CheckBox,
    GroupBox,
    List,
    Label,
    WebArea,
    Other
};

Kind KindOf(const ControlView& control)
{
    if (control.className == "BUTTON") {
        switch (control.style & BS_TYPEMASK) {
        case BS_PUSHBUTTON:
        case BS_DEFPUSHBUTTON:
            return Kind::PushButton;
        case BS_CHECKBOX:
        case BS_AUTOCHECKBOX:
            return Kind::CheckBox;
        case BS_GROUPBOX:
            return Kind::GroupBox;
        default:
            return Kind::Other;
        }
    }
    if (control.className == "COMBOBOX")
        return Kind::List;
    if (control.className == "STATIC")
        return (control.style & SS_BLACKRECT) == SS_BLACKRECT ? Kind::WebArea : Kind::Label;
    return Kind::Other;
}

// The visible controls in rows, top to bottom, each row left to right.
std::vector<std::vector<const ControlView*>> Rows(const DialogView& dialog)
{
    std::vector<const ControlView*> shown;
    for (const ControlView& control : dialog.controls) {
        if (control.visible)
            shown.push_back(&control);
    }
    std::stable_sort(shown.begin(), shown.end(), [](const ControlView* a, const ControlView* b) {
        return a->rect.top < b->rect.top;
    });
    std::vector<std::vector<const ControlView*>> rows;
    for (const ControlView* control : shown) {
        if (rows.empty() || control->rect.top - rows.back().front()->rect.top > kRowTolerance)
            rows.emplace_back();
        rows.back().push_back(control);
    }
    for (auto& row : rows) {
        std::stable_sort(row.begin(), row.end(), [](const ControlView* a, const ControlView* b) {
            return a->rect.left < b->rect.left;
        });
    }
    return rows;
}

const ControlView* FirstList(const DialogView& dialog)
{
    for (const auto& row : Rows(dialog)) {
        for (const ControlView* control : row) {
            if (KindOf(*control) == Kind::List)
                return control;
        }
    }
    return nullptr;
}

// A free letter for a button: the first of its text's letters, else any.
std::string LetterFor(const std::string& text, std::vector<std::string>& used)
{
    std::string candidates;
    for (char c : text) {
        if (std::isalpha(static_cast<unsigned char>(c)))
            candidates += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    candidates += "abcdefghijklmnopqrstuvwxyz";
    for (char c : candidates) {
        const std::string key(1, c);
        if (key != kCloseKey && std::find(used.begin(), used.end(), key) == used.end()) {
            used.push_back(key);
            return key;
        }
    }
    return std::string();
}

// The key of each usable control, by control handle; list items by number.
std::map<HWND, std::string> ControlKeys(const DialogView& dialog)
{
    std::map<HWND, std::string> keys;
    std::vector<std::string> used;
    const bool numberedList = FirstList(dialog) != nullptr;
    int number = 0;
    for (const auto& row : Rows(dialog)) {
        for (const ControlView* control : row) {
            if (!control->enabled)
                continue;
            const Kind kind = KindOf(*control);
            if (kind == Kind::PushButton && !numberedList)
                keys[control->handle] = std::to_string(++number);
            else if (kind == Kind::PushButton || kind == Kind::CheckBox)
                keys[control->handle] = LetterFor(control->text, used);
        }
    }
    return keys;
}

std::string Lowered(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string Trimmed(const std::string& text)
{
    const size_t begin = text.find_first_not_of(" \t\r");
    if (begin == std::string::npos)
        return std::string();
    return text.substr(begin, text.find_last_not_of(" \t\r") - begin + 1);
}
}

TerminalDriver::TerminalDriver(std::istream& input, std::ostream& output, bool echo)
    : m_input(input)
    , m_output(output)
    , m_echo(echo)
{
}

std::vector<TerminalDriver::Key> TerminalDriver::Keys(const DialogView& dialog)
{
    std::vector<Key> keys;
    if (const ControlView* list = FirstList(dialog)) {
        if (list->enabled) {
            for (size_t i = 0; i < list->items.size(); ++i)
                keys.push_back({ std::to_string(i + 1), Action::SelectItem(list->id, static_cast<int>(i)) });
        }
    }
    const std::map<HWND, std::string> controlKeys = ControlKeys(dialog);
    for (const auto& row : Rows(dialog)) {
        for (const ControlView* control : row) {
            const auto found = controlKeys.find(control->handle);
            if (found != controlKeys.end())
                keys.push_back({ found->second, Action::ClickOn(control->id) });
        }
    }
    keys.push_back({ kCloseKey, Action::CloseWindow() });
    return keys;
}

std::string TerminalDriver::Render(const DialogView& dialog)
{
    const std::map<HWND, std::string> keys = ControlKeys(dialog);
    const ControlView* numberedList = FirstList(dialog);
    std::string text = "== " + (dialog.title.empty() ? std::string("(untitled)") : dialog.title) + " ==\n";
    for (const auto& row : Rows(dialog)) {
        std::string line;
        std::string below;
        for (const ControlView* control : row) {
            std::string cell;
            const auto key = keys.find(control->handle);
            const std::string prefix = key != keys.end() ? "[" + key->second + "] " : std::string();
            switch (KindOf(*control)) {
            case Kind::PushButton:
                cell = prefix + control->text;
                break;
            case Kind::CheckBox:
                cell = prefix + (control->check == BST_CHECKED ? "[x] " : "[ ] ") + control->text;
                break;
            case Kind::GroupBox:
                cell = "-- " + control->text + " --";
                break;
            case Kind::Label:
                cell = control->text;
                break;
            case Kind::WebArea:
                if (!control->content.empty())
                    cell = "web page: " + control->content;
                break;
            case Kind::List: {
                const bool selected = control->selection >= 0 && static_cast<size_t>(control->selection) < control->items.size();
                cell = selected ? "<" + control->items[static_cast<size_t>(control->selection)] + ">" : "<none>";
                if (control->items.empty())
                    below += "      (empty)\n";
                for (size_t i = 0; i < control->items.size(); ++i) {
                    const bool numbered = control == numberedList && control->enabled;
                    below += std::string(static_cast<int>(i) == control->selection ? "    * " : "      ")
                        + (numbered ? "[" + std::to_string(i + 1) + "] " : std::string()) + control->items[i] + "\n";
                }
                break;
            }
            case Kind::Other:
                cell = control->text;
                break;
            }
            if (!control->enabled && !cell.empty())
                cell += " (disabled)";
            if (!cell.empty())
                line += (line.empty() ? "  " : "   ") + cell;
        }
        if (!line.empty())
            text += line + "\n";
        text += below;
    }
    text += "  [" + std::string(kCloseKey) + "] close the window\n";
    return text;
}

namespace
{
// Control bytes (below 0x20, and 0x7f) as \xHH, so echoed input cannot drive
// the terminal.
std::string Escaped(const std::string& text)
{
    static const char kHex[] = "0123456789abcdef";
    std::string shown;
    for (const char c : text) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f) {
            shown += "\\x";
            shown += kHex[byte >> 4];
            shown += kHex[byte & 0xf];
        } else {
            shown += c;
        }
    }
    return shown;
}

enum class LineRead
{
    Line,
    TooLong,
    End
};

// One line without its '\n', holding at most kMaxCommandLength bytes; the
// rest of a longer line is read and dropped. The last line may lack its '\n'.
LineRead ReadLine(std::istream& input, std::string& line)
{
    line.clear();
    bool tooLong = false;
    bool any = false;
    for (std::streambuf* buffer = input.rdbuf();;) {
        const int c = buffer ? buffer->sbumpc() : std::char_traits<char>::eof();
        if (c == std::char_traits<char>::eof()) {
            input.setstate(std::ios::eofbit);
            if (!any)
                return LineRead::End;
            break;
        }
        any = true;
        if (c == '\n')
            break;
        if (line.size() < TerminalDriver::kMaxCommandLength)
            line += static_cast<char>(c);
        else
            tooLong = true;
    }
    return tooLong ? LineRead::TooLong : LineRead::Line;
}
}

Action TerminalDriver::NextAction(const DialogView& dialog)
{
    if (m_inputEnded)
        return Action::NoMoreInput();
    const std::string shown = Render(dialog);
    if (shown != m_lastShown) {
        m_output << '\n' << shown;
        m_lastShown = shown;
    }
    const std::vector<Key> keys = Keys(dialog);
    for (;;) {
        m_output << "> " << std::flush;
        std::string line;
        const LineRead read = ReadLine(m_input, line);
        if (read == LineRead::End) {
            m_output << "(end of input)" << std::endl;
            m_inputEnded = true;
            return Action::NoMoreInput();
        }
        const std::string command = Lowered(Trimmed(line));
        const std::string shown = read == LineRead::TooLong ? Escaped(command.substr(0, 32)) + "..." : Escaped(command);
        if (m_echo)
            m_output << shown << std::endl;
        if (command.empty())
            continue;
        if (read == LineRead::Line) {
            for (const Key& key : keys) {
                if (key.key == command)
                    return key.action;
            }
        }
        std::string known;
        for (const Key& key : keys)
            known += (known.empty() ? "" : " ") + key.key;
        m_output << "Unknown command \"" << shown << "\". Type one of: " << known << std::endl;
    }
}
}
