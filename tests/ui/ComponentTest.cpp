// Component ownership and free notifications.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/Component.h"

namespace {

std::vector<std::wstring> destroyed;

class Probe : public TComponent {
public:
    Probe(TComponent* owner, std::wstring name) : TComponent(owner) { Name = std::move(name); }
    ~Probe() override { destroyed.push_back(Name); }
    std::vector<TComponent*> removed;

protected:
    void Notification(TComponent* component, TOperation operation) override
    {
        if (operation == TOperation::opRemove) removed.push_back(component);
    }
};

}  // namespace

TEST(Component, OwnerDestroysItsComponentsNewestFirst)
{
    destroyed.clear();
    {
        Probe root(nullptr, L"root");
        Probe* a = root.Create<Probe>(L"a");
        a->Create<Probe>(L"a1");
        root.Create<Probe>(L"b");
        EXPECT_EQ(root.ComponentCount(), 2);
        EXPECT_EQ(a->Owner(), &root);
    }
    // Each destructor body runs before the components it owns go.
    EXPECT_EQ(destroyed, (std::vector<std::wstring>{L"root", L"b", L"a", L"a1"}));
}

TEST(Component, RemoveComponentHandsOwnershipOver)
{
    destroyed.clear();
    Probe root(nullptr, L"root");
    Probe* a = root.Create<Probe>(L"a");
    std::unique_ptr<TComponent> owned = root.RemoveComponent(a);
    ASSERT_EQ(owned.get(), a);
    EXPECT_EQ(a->Owner(), nullptr);
    EXPECT_EQ(root.ComponentCount(), 0);
    EXPECT_EQ(root.RemoveComponent(a), nullptr);
    owned.reset();
    EXPECT_EQ(destroyed, std::vector<std::wstring>{L"a"});
}

TEST(Component, FreeNotificationTellsTheSurvivorOnce)
{
    Probe watcher(nullptr, L"watcher");
    {
        Probe watched(nullptr, L"watched");
        watched.FreeNotification(&watcher);
        watched.FreeNotification(&watcher);  // asking twice subscribes once
    }
    ASSERT_EQ(watcher.removed.size(), 1u);

    // An undone subscription is silent, and the survivor's own end does not
    // touch a component that is already gone.
    auto other = std::make_unique<Probe>(nullptr, L"other");
    other->FreeNotification(&watcher);
    other->RemoveFreeNotification(&watcher);
    other.reset();
    EXPECT_EQ(watcher.removed.size(), 1u);
}

TEST(Component, FreeNotificationIsMutual)
{
    auto a = std::make_unique<Probe>(nullptr, L"a");
    Probe b(nullptr, L"b");
    b.FreeNotification(a.get());
    TComponent* gone = a.get();
    a.reset();  // b must forget a, or its own end would notify a dead object
    ASSERT_EQ(b.removed.size(), 1u);
    EXPECT_EQ(b.removed[0], gone);
}
