#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/message_id.h"
#include "data/data.h"
#include "files/live_counts.h"
#include "files/seam.h"

class vK_Listener;
class vK_ListenerBase;

// What the script host installs so that script functions can subscribe to
// messages. Until it is installed, script subscriptions are kept but delivering to
// them does nothing and two handles are the same function when they are the same
// handle object.
struct vK_MediatorScriptHooks {
    // Calls fn with args (the message name and the payload's clone); results are dropped.
    void (*call)(const vK_DataScriptFunction& fn, vK_DataArray& args) = nullptr;
    // Whether two handles refer to the same script function value.
    bool (*same)(const vK_DataScriptFunction& a, const vK_DataScriptFunction& b) = nullptr;
    // Sets the script global named name to the string name.
    void (*set_global)(const std::string& name) = nullptr;
};

// Delivers named messages synchronously, in subscription order, over a snapshot of
// the subscribers: a receiver unsubscribed while a delivery is under way is still
// called in that delivery, and one subscribed meanwhile only from the next. A native
// receiver destroyed meanwhile is never called (its liveness token), nor are the
// subscriptions dropped with the script state or the mediator.
class vK_Mediator {
public:
    // What a subscription delivers to: a native receiver or a script function.
    enum class ListenerKind : int { kNative = 1, kScript = 2 };

    class ListenerInterface {
    public:
        virtual ~ListenerInterface() = default;
        virtual void OnMessage(const vK_MessageId& id, vK_DataTable* payload) = 0;
        virtual bool Equals(const ListenerInterface& other) const = 0;
        virtual ListenerKind Kind() const = 0;

        bool IsActive() const { return active_; }
        void Deactivate() { active_ = false; }

    private:
        bool active_ = true;
    };

    class StandartListener : public ListenerInterface {
    public:
        explicit StandartListener(vK_ListenerBase* target);
        void OnMessage(const vK_MessageId& id, vK_DataTable* payload) override;
        bool Equals(const ListenerInterface& other) const override;
        ListenerKind Kind() const override { return ListenerKind::kNative; }
        vK_ListenerBase* GetTarget() const { return target_; }
        // The receiver as its root class, taken while it was alive.
        const vK_Listener* GetRoot() const { return root_; }

    private:
        vK_ListenerBase* target_;  // not owned
        const vK_Listener* root_;
        std::weak_ptr<void> alive_;
    };

    class ScriptListener : public ListenerInterface {
    public:
        explicit ScriptListener(const vK_DataScriptFunction& function, uint64_t serial = 0);
        void OnMessage(const vK_MessageId& id, vK_DataTable* payload) override;
        bool Equals(const ListenerInterface& other) const override;
        ListenerKind Kind() const override { return ListenerKind::kScript; }
        const vK_DataScriptFunction& GetFunction() const { return function_; }
        uint64_t GetSerial() const { return serial_; }

    private:
        vK_DataScriptFunction function_;
        uint64_t serial_;
        vK_LiveCounted<vK_LiveKind::ScriptSubscription> liveCount_;
    };

    vK_Mediator();
    virtual ~vK_Mediator();
    vK_Mediator(const vK_Mediator&) = delete;
    vK_Mediator& operator=(const vK_Mediator&) = delete;

    static vK_Mediator* Instance();
    // The script host's hooks, installed while it lives.
    static vK_Seam<vK_MediatorScriptHooks>& ScriptHookSeam();

    void Subscribe(const vK_MessageId& id, vK_ListenerBase* listener);
    void Unsubscribe(const vK_MessageId& id, vK_ListenerBase* listener);
    void UnsubscribeAll(vK_Listener* listener);
    void SubscribeScript(const std::string& name, const vK_DataScriptFunction& function);
    void UnsubscribeScript(const std::string& name, const vK_DataScriptFunction& function);
    void Send(const vK_MessageId& id, vK_DataTable* payload);
    vK_MessageId* GetMessageId(const std::string& name);
    void DropScriptListeners() { DropScriptListenersFrom(0); }
    // Script subscriptions are numbered in the order they are made. The game drops those
    // a level's scripts made when the level closes (the receivers and what their closures
    // hold would otherwise live on, and pile up with every visit of the level).
    uint64_t GetNextScriptSerial() const { return nextScriptSerial_; }
    void DropScriptListenersFrom(uint64_t serial);

    // Number of live subscriptions of id (tests and diagnostics).
    size_t CountListeners(const vK_MessageId& id) const;

private:
    using ListenerList = std::vector<std::shared_ptr<ListenerInterface>>;

    void AddListener(const vK_MessageId& id, std::shared_ptr<ListenerInterface> listener);
    void RemoveEqual(const vK_MessageId& id, const ListenerInterface& probe);

    std::vector<std::shared_ptr<vK_MessageId>> dynamicIds_;
    std::map<const vK_MessageId*, ListenerList> subscriptions_;
    uint64_t nextScriptSerial_ = 1;
};
