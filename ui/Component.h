#pragma once
// The root object and component ownership. A component owns the components
// created through its Create<T>() and destroys them, newest first, when it
// goes. A component that keeps a pointer to another one asks it for a free
// notification and is told through Notification() when that one is destroyed.
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    virtual ~TObject() = default;
};

// An event handler; Sender is the object that raises it.
using TNotifyEvent = std::function<void(TObject* Sender)>;

enum class TOperation { opInsert, opRemove };

class TComponent : public TObject {
public:
    explicit TComponent(TComponent* owner) : FOwner(owner) {}
    ~TComponent() override;

    // Creates a component owned by this one; the pointer returned is borrowed.
    template <class T, class... Args>
    T* Create(Args&&... args)
    {
        auto component = std::make_unique<T>(this, std::forward<Args>(args)...);
        T* result = component.get();
        InsertComponent(std::move(component));
        return result;
    }

    // Hands an owned component over to the caller, who then decides its end.
    std::unique_ptr<TComponent> RemoveComponent(TComponent* component);

    TComponent* Owner() const { return FOwner; }
    int ComponentCount() const { return int(FComponents.size()); }
    TComponent* Components(int index) const { return FComponents[index].get(); }

    // `other` will be told through Notification(this, opRemove) when this
    // component is destroyed; the subscription is mutual and undone by either side's end.
    void FreeNotification(TComponent* other);
    void RemoveFreeNotification(TComponent* other);

    std::wstring Name;
    int Tag = 0;

protected:
    virtual void Notification(TComponent* component, TOperation operation);
    // Destroys the owned components now; descendants whose owned components
    // need the descendant's state (a window) call this in their destructor.
    void DestroyComponents();

private:
    void InsertComponent(std::unique_ptr<TComponent> component);
    void ForgetFreeNotification(TComponent* other);

    TComponent* FOwner;
    std::vector<std::unique_ptr<TComponent>> FComponents;
    std::vector<TComponent*> FFreeNotifies;
};
