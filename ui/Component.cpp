#include "ui/Component.h"

#include <algorithm>

TComponent::~TComponent()
{
    DestroyComponents();
    // Tell everyone who keeps a pointer to this component; they unsubscribe
    // from us in turn, so work on a copy.
    auto notifies = std::move(FFreeNotifies);
    for (TComponent* other : notifies) {
        other->ForgetFreeNotification(this);
        other->Notification(this, TOperation::opRemove);
    }
}

void TComponent::DestroyComponents()
{
    while (!FComponents.empty()) {
        auto last = std::move(FComponents.back());
        FComponents.pop_back();
        last.reset();
    }
}

void TComponent::InsertComponent(std::unique_ptr<TComponent> component)
{
    FComponents.push_back(std::move(component));
}

std::unique_ptr<TComponent> TComponent::RemoveComponent(TComponent* component)
{
    auto it = std::find_if(FComponents.begin(), FComponents.end(),
                           [component](const auto& owned) { return owned.get() == component; });
    if (it == FComponents.end()) return nullptr;
    std::unique_ptr<TComponent> result = std::move(*it);
    FComponents.erase(it);
    result->FOwner = nullptr;
    return result;
}

void TComponent::FreeNotification(TComponent* other)
{
    if (!other || other == this) return;
    if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), other) == FFreeNotifies.end()) {
        FFreeNotifies.push_back(other);
        other->FFreeNotifies.push_back(this);
    }
}

void TComponent::RemoveFreeNotification(TComponent* other)
{
    if (!other) return;
    ForgetFreeNotification(other);
    other->ForgetFreeNotification(this);
}

void TComponent::ForgetFreeNotification(TComponent* other)
{
    std::erase(FFreeNotifies, other);
}

void TComponent::Notification(TComponent*, TOperation) {}
