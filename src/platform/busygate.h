// The busy gate: while a command, a drag, a drawing or a modal loop of the
// main window is running, requests from outside the program (automation
// calls) must not run inside it. Whoever starts such work holds a busy scope
// for its duration; the requests ask the gate first and answer "busy".
#pragma once

#include "platform/drawinginterrupt.h"

// Counts the scopes of busy work in force; program-wide.
class TBusyGate {
public:
    // True while any busy scope is held or a curve is being drawn.
    [[nodiscard]] bool Busy() const { return depth_ > 0 || DrawingInProgress(); }
    [[nodiscard]] int Depth() const { return depth_; }
    void Enter() { ++depth_; }
    void Leave()
    {
        if (depth_ > 0)
            --depth_;
    }

private:
    int depth_ = 0;
};

// The program's gate.
inline TBusyGate& BusyGate()
{
    static TBusyGate gate;
    return gate;
}

// Marks busy work for its lifetime; scopes nest.
class TBusyScope {
public:
    TBusyScope() { BusyGate().Enter(); }
    ~TBusyScope() { BusyGate().Leave(); }
    TBusyScope(const TBusyScope&) = delete;
    TBusyScope& operator=(const TBusyScope&) = delete;
};
