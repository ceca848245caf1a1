// Evaluation must not allocate: curves evaluate their trees thousands of
// times per drawing. This file replaces the global operator new for the
// whole test program with one that counts while a switch is on; it forwards
// to malloc and behaves as the standard one otherwise.
#include "eval_builders.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>
#include <vector>

namespace {
std::atomic<long> allocations{0};
std::atomic<bool> counting{false};
} // namespace

void* operator new(std::size_t size)
{
    if (counting.load(std::memory_order_relaxed))
        allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

using namespace evaltest;

namespace {

// A sum of one node of every kind, each defined for 0 < x < 1 and 0 < y.
TEvaluatorPtr EveryNodeKind()
{
    std::vector<TEvaluatorPtr> terms;
    for (int code = vcX; code <= vcN; ++code)
        terms.push_back(MakeVariable(code));
    for (int code = 200; code <= 223; ++code)
        if (code < 206 || code > 208)
            terms.push_back(F(code, code == 213 || code == 215 || code == 216 ? B('/', C(1), X()) : X()));
    terms.push_back(Neg(Y()));
    terms.push_back(F(fcFactorial, Int(X())));
    terms.push_back(F(fcSquare, Y()));
    terms.push_back(F(fcTenToThe, Y()));
    terms.push_back(Int(B('*', X(), C(7))));
    terms.push_back(Tan(X()));
    terms.push_back(Sec(200, X()));
    terms.push_back(Sec(201, X()));
    terms.push_back(Sec(202, X()));
    terms.push_back(PlusMinus(Y()));
    terms.push_back(B('-', X(), Y()));
    terms.push_back(B('^', X(), C(2.5L)));
    terms.push_back(B('^', Neg(X()), C(1.0L / 3)));
    terms.push_back(B('/', C(1), X()));
    terms.push_back(std::make_unique<TTokenEvaluator>(226));
    TEvaluatorPtr sum = C(0);
    for (auto& term : terms)
        sum = B('+', std::move(sum), std::move(term));
    return sum;
}

TEST(EvalAllocation, EvaluateAllocatesNothingOnAnyNodeKind)
{
    TStateGuard guard;
    TEvaluatorPtr tree = EveryNodeKind();
    Tracking = true;
    Extended total = 0;
    int failures = 0;
    int wideFailures = 0;
    allocations = 0;
    counting = true;
    for (int i = 1; i < 400; ++i) { // the normal path
        Variables.x = i / 421.0L;
        Variables.y = i * 0.021L;
        total += ResetAndEvaluate(tree.get());
        failures += EvaluationStatus > esClamped;
    }
    for (int i = -200; i <= 200; ++i) { // failures and faults
        Variables.x = i * 0.37L;
        Variables.y = i * -41.0L;
        (void)ResetAndEvaluate(tree.get());
        wideFailures += EvaluationStatus > esClamped;
    }
    counting = false;
    EXPECT_EQ(allocations.load(), 0);
    EXPECT_EQ(failures, 0);
    EXPECT_GT(wideFailures, 0);
    EXPECT_TRUE(std::isfinite(static_cast<double>(total)));

    // The counter does count: building a node allocates.
    counting = true;
    TEvaluatorPtr node = C(1);
    counting = false;
    EXPECT_GT(allocations.load(), 0);
}

} // namespace
