// The window messages other parts of the program send or post to the main
// window, as custom event types numbered as the messages (all above
// QEvent::User), with the events that carry their parameters. Sending is
// QCoreApplication::sendEvent, posting postEvent. The maths editor's own
// messages (1040, 1045) are declared with it.
#pragma once

#include <QEvent>
#include <QString>

class TEquationObject;

enum TWindowMessage : int {
    wmPrimaryIndex = 1031,    // answer the equations-list index of an object
    wmTakeFocus = 1040,       // the maths editor takes the focus
    wmWindowPlacement = 1042, // apply a Window record
    wmDeferredStart = 1043,   // the deferred start-up
    wmRemeasure = 1044,       // an object's text changed: measure and repaint
    wmQuickIndex = 1045,      // an Alt chord for the focused maths editor
    wmGuideCommand = 1046,    // a guide command
};

// The event type of a window message.
[[nodiscard]] constexpr QEvent::Type MessageEventType(int message)
{
    return static_cast<QEvent::Type>(message);
}

// A message without parameters (1043).
class TMessageEvent : public QEvent {
public:
    explicit TMessageEvent(int message) : QEvent(MessageEventType(message)) {}
};

// 1031 and 1044: a message about one object (borrowed); 1031 answers in answer.
class TObjectMessageEvent : public QEvent {
public:
    TObjectMessageEvent(int message, const TEquationObject* object)
        : QEvent(MessageEventType(message)), object(object)
    {
    }
    const TEquationObject* object;
    int answer = -1;
};

// 1042: a Window record's placement as screen fractions and its state
// (0 normal, 1 minimised, 2 maximised).
class TPlacementEvent : public QEvent {
public:
    TPlacementEvent(double left, double width, double top, double height, int state)
        : QEvent(MessageEventType(wmWindowPlacement)), left(left), width(width), top(top), height(height),
          state(state)
    {
    }
    double left, width, top, height;
    int state;
};
