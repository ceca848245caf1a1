// A scope guard for program-wide values: it gives a variable a value for
// its lifetime and puts the old one back however the scope is left (a
// return, an exception), so a picture or a printout can change the shared
// drawing state without leaving it changed behind it.
#pragma once

#include <utility>

template <typename T> class TValueScope {
public:
    TValueScope(T& variable, T value) : variable_(variable), saved_(std::exchange(variable, std::move(value)))
    {
    }
    ~TValueScope() { variable_ = std::move(saved_); }
    TValueScope(const TValueScope&) = delete;
    TValueScope& operator=(const TValueScope&) = delete;

private:
    T& variable_;
    T saved_;
};
