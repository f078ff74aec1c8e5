#pragma once
#include <memory>

class vK_MessageId;
class vK_DataTable;

// The native message receiver root. Destroying a receiver unsubscribes it from
// every message of the mediator and clears its liveness mark, so a delivery that
// is under way skips it.
class vK_Listener {
public:
    vK_Listener();
    virtual ~vK_Listener();
    vK_Listener(const vK_Listener&) = delete;
    vK_Listener& operator=(const vK_Listener&) = delete;

    virtual void OnMessage(const vK_MessageId& id, vK_DataTable* payload) = 0;

    // Expires when the receiver is destroyed; subscriptions watch it.
    std::weak_ptr<void> GetLivenessMark() const { return alive_; }

private:
    std::shared_ptr<int> alive_;
};
