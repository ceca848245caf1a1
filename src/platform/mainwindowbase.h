// How the lower layers reach the main window: undo snapshots after an
// action, ending the display of a family, help topics, the status line and
// warning boxes. The program
// installs its main window here; with none installed (the command-line tool,
// tests) these requests go nowhere, or to a recording stand-in.
#pragma once

#include <string>
#include <string_view>

class TMainWindowBase {
public:
    virtual ~TMainWindowBase() = default;
    // Records an undo step after an action has changed the document.
    virtual void UndoPostAction() {}
    // A drag of a line on the graph was committed: the document is changed,
    // the lines that follow from it are drawn again and one undo step is
    // recorded.
    virtual void LineDragged() { UndoPostAction(); }
    // A line's text was rewritten while it is dragged: it is laid out again.
    virtual void LineRewritten() {}
    // Ends the display of the family of the named constant.
    virtual void ClearFamily(std::string_view name) { (void)name; }
    // Opens the help window at a topic (0: the contents).
    virtual void ShowHelp(int topic) { (void)topic; }
    // Shows a status-line text, optionally with the information beep and a
    // 15-second time-out; an empty text clears the line.
    virtual void ShowStatus(std::string_view text, bool beep = false, bool timeout = false)
    {
        (void)text;
        (void)beep;
        (void)timeout;
    }
    // Shows a warning box with text once the current event has been handled.
    virtual void ShowWarning(std::string_view text) { (void)text; }
};

// The main window in force, or nullptr (borrowed).
inline TMainWindowBase* MainWindow = nullptr;

inline void ShowStatus(std::string_view text, bool beep = false, bool timeout = false)
{
    if (MainWindow)
        MainWindow->ShowStatus(text, beep, timeout);
}

inline void ShowWarning(std::string_view text)
{
    if (MainWindow)
        MainWindow->ShowWarning(text);
}
