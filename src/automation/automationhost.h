// What the automation server needs of the main window, which lies above it:
// the document as text both ways, opening and saving files, the window
// itself and pictures of it. The main window implements this narrow
// interface; the server never reaches the window's other workings.
#pragma once

#include <QByteArray>
#include <QString>

#include <string>

class QWidget;

// How reading a file or a text ended, for the server's answers.
enum class TAutomationRead {
    Read,        // read and put in place
    NotDocument, // not a document: nothing changed
    Failed,      // could not be read (the message says why): nothing changed
};

class TAutomationHost {
public:
    virtual ~TAutomationHost() = default;
    // The whole document, bytes exactly as a file holds them.
    [[nodiscard]] virtual std::string AutomationText() = 0;
    // Reads text into a fresh document and, only when it is a document, puts
    // it in place as Open does (an undo step); modified tells whether the
    // document then counts as changed since it was saved.
    virtual bool PutAutomationText(std::string text, bool modified) = 0;
    // True when the document has changed since it was last saved or read.
    [[nodiscard]] virtual bool AutomationModified() const = 0;
    // Opens a document file as File > Open does; message holds the program's
    // message when it was not read.
    virtual TAutomationRead OpenAutomationFile(const QString& path, QString& message) = 0;
    // Saves the document under path; message holds the program's message when it was not saved.
    virtual bool SaveAutomationFile(const QString& path, QString& message) = 0;
    // Asks "Should I save the curves?" as closing does; false when the user cancels or the save fails.
    virtual bool AskAutomationSave() = 0;
    // The file the document was read from or last saved as; empty when none.
    [[nodiscard]] virtual QString AutomationFile() const = 0;
    // The main window (borrowed).
    [[nodiscard]] virtual QWidget* AutomationWindow() = 0;
    // Shows the main window in front, with the floating equations panel when its button is down.
    virtual void ShowAutomationWindow() = 0;
    // A picture of the screen arrangement (as Copy screen draws it) in a format
    // ("svg" or "png"); empty when there is nothing to draw.
    [[nodiscard]] virtual QByteArray AutomationPicture(const QString& format) = 0;
};
