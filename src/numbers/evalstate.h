// Program-wide evaluation state: the status byte that every evaluation
// reports through, the current values of the six variables, the tracking
// switch used while a curve is plotted, the angle factor and the argument of
// the declared function being evaluated. Each thread has its own: curves
// computed on worker threads evaluate beside each other, and a worker starts
// from the angle factor of the thread that handed it the work.
#pragma once

#include <cstdint>

using Extended = long double;

// Evaluation status values. Values below esNormal are discontinuity marks,
// values above esClamped are failures.
enum : std::uint8_t {
    esStep = 1,      // an integer-part node's result changed while tracking
    esPole = 2,      // a tracked divisor changed sign while tracking
    esNormal = 3,    // what callers reset the status to
    esClamped = 4,   // a value was mapped to the window's edge
    esUndefined = 5, // division by zero, overflow, argument out of range
    esInvalid = 6,   // no real result
    esNotWhole = 7,  // not a whole number where one is required
};

inline constexpr Extended Pi = 3.14159265358979323846264338327950288L;
inline constexpr Extended DegreesFactor = Pi / 180.0L;
inline constexpr Extended RadiansFactor = 1.0L;

// The current values of the variables, set by whoever evaluates.
struct TVariableValues {
    Extended x = 0, y = 0, t = 0, theta = 0, r = 0, n = 0;
};

inline thread_local std::uint8_t EvaluationStatus = esNormal;
inline thread_local TVariableValues Variables;
inline thread_local bool Tracking = false;
inline thread_local Extended AngleFactor = DegreesFactor;
inline thread_local Extended ParameterValue = 0;

// Records a status; nodes set the status, only callers reset it.
inline void SetStatus(std::uint8_t status)
{
    EvaluationStatus = status;
}
inline void ResetStatus()
{
    EvaluationStatus = esNormal;
}
[[nodiscard]] inline bool StatusFailed()
{
    return EvaluationStatus > esClamped;
}

// Saves and restores everything an interleaved evaluation would disturb
// (status, variables, tracking, parameter); see the declared functions and
// timers that evaluate while a drawing is in progress.
class TEvaluationStateSaver {
public:
    TEvaluationStateSaver()
        : status_(EvaluationStatus), variables_(Variables), tracking_(Tracking), parameter_(ParameterValue)
    {
    }
    ~TEvaluationStateSaver()
    {
        EvaluationStatus = status_;
        Variables = variables_;
        Tracking = tracking_;
        ParameterValue = parameter_;
    }
    TEvaluationStateSaver(const TEvaluationStateSaver&) = delete;
    TEvaluationStateSaver& operator=(const TEvaluationStateSaver&) = delete;

private:
    std::uint8_t status_;
    TVariableValues variables_;
    bool tracking_;
    Extended parameter_;
};
