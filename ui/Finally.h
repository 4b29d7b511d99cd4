#pragma once
// Runs its action on every way out of a scope.
#include <functional>

class TFinally {
public:
    explicit TFinally(std::function<void()> action) : FAction(std::move(action)) {}
    ~TFinally() { FAction(); }
    TFinally(const TFinally&) = delete;
    TFinally& operator=(const TFinally&) = delete;

private:
    std::function<void()> FAction;
};
