// What the guide channel's receiver asks of the main window: the commands a
// guide sends, the window on top, closing the start-up screen and the
// warning when the shared block cannot be read. The main window implements
// it; the receiver knows nothing else of it.
#pragma once

#include <QString>

#include <array>
#include <string>

// One text field of the shared block, decoded.
struct TGuideField {
    std::string bytes;     // the 8-bit text up to its NUL
    QString text;          // the text in the program's characters
    bool isNumber = false; // the whole text (after leading blanks) reads as a number
    double value = 0;

    // The field as a whole number within [lowest, highest]; false when it is not one.
    [[nodiscard]] bool Whole(int& out, int lowest = -1000000000, int highest = 1000000000) const;
};

// Five fields, field 1 first.
using TGuideParameters = std::array<TGuideField, 5>;

// A command as it arrived: its code (low 16 bits), sub-code and the fields copied at arrival.
struct TGuideCommand {
    int code = 0;
    int subCode = 0;
    TGuideParameters fields;
};

class TGuideHost {
public:
    virtual ~TGuideHost() = default;
    // Runs a command of the main window at top level; answers the reply (0 but for failures).
    virtual int RunGuideCommand(const TGuideCommand& command) = 0;
    // Restores the program from minimised and raises it; answers the window on top (a TGuideTarget).
    virtual int RaiseForGuide() = 0;
    // Closes the start-up screen when it is open.
    virtual void CloseStartupScreen() = 0;
    // The shared block could not be read: the user is warned on the status line.
    virtual void GuideLinkBroken(const QString& why) = 0;
};
