#include "Platform/Resources.h"
#include "Platform/TerminalDriver.h"
#include "Platform/WinUser.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace
{
// Fills the dialogs as the launcher would and ends them with the command's
// identifier (the selected item's index + 100 for OK).
INT_PTR FillingProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        SetWindowTextA(dialog, GetDlgItem(dialog, IDC_WEB_PAGE) ? "Veltrix" : "Options");
        PlatformUI::SetEmbeddedContent(GetDlgItem(dialog, IDC_WEB_PAGE), "https://splash.example.com/");
        for (const char* item : { "1024 x 768 x 32", "1280 x 1024 x 32" })
            SendDlgItemMessageA(dialog, IDC_RESOLUTION, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
        SendDlgItemMessageA(dialog, IDC_RESOLUTION, CB_SETCURSEL, 0, 0);
        CheckDlgButton(dialog, IDC_BLOOM, BST_CHECKED);
        return TRUE;
    }
    if (message == WM_CLOSE) {
        EndDialog(dialog, 1002);
        return TRUE;
    }
    if (message != WM_COMMAND || LOWORD(wParam) == IDC_BLOOM || LOWORD(wParam) == IDC_RESOLUTION)
        return FALSE;
    if (LOWORD(wParam) == IDOK)
        EndDialog(dialog, 100 + SendDlgItemMessageA(dialog, IDC_RESOLUTION, CB_GETCURSEL, 0, 0));
    else
        EndDialog(dialog, LOWORD(wParam));
    return TRUE;
}

// Runs the dialog under a terminal driver fed with `input`; the printed
// session goes to `output`.
INT_PTR RunInTerminal(WORD resource, const std::string& input, std::string& output)
{
    std::istringstream in(input);
    std::ostringstream out;
    PlatformUI::TerminalDriver driver(in, out, true);
    PlatformUI::SetDriver(&driver);
    const INT_PTR result = DialogBoxParamA(nullptr, MAKEINTRESOURCEA(resource), nullptr, FillingProc, 0);
    PlatformUI::SetDriver(nullptr);
    output = out.str();
    return result;
}
}

TEST(TerminalDriver, StartupDialogNumbersItsButtonsLeftToRight)
{
    std::string output;
    EXPECT_EQ(RunInTerminal(IDD_LAUNCHER, "zz\n\n 2 \n", output), IDC_PLAY_WINDOWED);
    EXPECT_EQ(output, "\n"
                      "== Veltrix ==\n"
                      "  web page: https://splash.example.com/\n"
                      "  [1] Play in fullscreen mode   [2] Play in windowed mode   [3] Options   [4] Exit\n"
                      "  [q] close the window\n"
                      "> zz\n"
                      "Unknown command \"zz\". Type one of: 1 2 3 4 q\n"
                      "> \n"
                      "> 2\n");
    for (const auto& [input, result] : { std::pair<const char*, INT_PTR> { "1\n", IDC_PLAY_FULLSCREEN },
                                         { "3\n", IDC_OPTIONS }, { "4\n", IDC_EXIT }, { "Q\n", 1002 }, { "", 1002 } })
        EXPECT_EQ(RunInTerminal(IDD_LAUNCHER, input, output), result) << input;
    EXPECT_NE(output.find("(end of input)"), std::string::npos);
}

TEST(TerminalDriver, OverlongLinesAreOneUnknownCommandAndControlBytesAreShownEscaped)
{
    // A valid command padded past the limit is refused whole, and what is
    // printed about it stays short.
    std::string output;
    const std::string padded = "2" + std::string(1000000, ' ') + "\n";
    EXPECT_EQ(RunInTerminal(IDD_LAUNCHER, padded + "\x1b[2J\x7f\n4\n", output), IDC_EXIT);
    EXPECT_LT(output.size(), 1000u);
    EXPECT_NE(output.find("> 2...\nUnknown command \"2...\". Type one of: 1 2 3 4 q\n"), std::string::npos) << output;
    EXPECT_NE(output.find("> \\x1b[2j\\x7f\nUnknown command \"\\x1b[2j\\x7f\"."), std::string::npos) << output;
    EXPECT_EQ(output.find('\x1b'), std::string::npos);
    EXPECT_EQ(output.find('\x7f'), std::string::npos);
}

TEST(TerminalDriver, OptionsDialogNumbersTheListAndLettersTheButtons)
{
    std::string output;
    EXPECT_EQ(RunInTerminal(IDD_OPTIONS, "2\nb\n5\no\n", output), 101);
    const std::string first = "== Options ==\n"
                              "  -- Video --\n"
                              "  Screen Resolution   <1024 x 768 x 32>\n"
                              "    * [1] 1024 x 768 x 32\n"
                              "      [2] 1280 x 1024 x 32\n"
                              "  [b] [x] Bloom\n"
                              "  [o] OK   [c] Cancel\n"
                              "  [q] close the window\n";
    EXPECT_EQ(output.substr(0, first.size() + 1), "\n" + first);
    // Each change is shown again; the unknown number changes nothing.
    EXPECT_NE(output.find("    * [2] 1280 x 1024 x 32\n"), std::string::npos);
    EXPECT_NE(output.find("  [b] [ ] Bloom\n"), std::string::npos);
    EXPECT_NE(output.find("Unknown command \"5\". Type one of: 1 2 b o c q\n> o\n"), std::string::npos);

    EXPECT_EQ(RunInTerminal(IDD_OPTIONS, "c\n", output), IDCANCEL);
    EXPECT_EQ(RunInTerminal(IDD_OPTIONS, "q\n", output), 1002);
}

TEST(TerminalDriver, EndOfInputIsReportedOnceAndEndsEveryDialog)
{
    std::istringstream in("");
    std::ostringstream out;
    PlatformUI::TerminalDriver driver(in, out, false);
    PlatformUI::DialogView view;
    view.title = "Any";
    EXPECT_EQ(driver.NextAction(view).kind, PlatformUI::Action::EndOfInput);
    EXPECT_EQ(driver.NextAction(view).kind, PlatformUI::Action::EndOfInput);
    EXPECT_EQ(out.str(), "\n== Any ==\n  [q] close the window\n> (end of input)\n");
}
