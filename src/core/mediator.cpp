#include "core/mediator.h"

#include "core/listener_base.h"
#include "core/message_ids.h"

namespace {
vK_Mediator* g_instance = nullptr;
constinit vK_Seam<vK_MediatorScriptHooks> g_hooks("mediator script hooks");
}  // namespace

// ---- StandartListener ----------------------------------------------------------

vK_Mediator::StandartListener::StandartListener(vK_ListenerBase* target)
    : target_(target), root_(target), alive_(target->GetLivenessMark()) {}

void vK_Mediator::StandartListener::OnMessage(const vK_MessageId& id, vK_DataTable* payload) {
    if (alive_.expired()) return;
    target_->OnMessage(id, payload);
}

bool vK_Mediator::StandartListener::Equals(const ListenerInterface& other) const {
    if (other.Kind() != Kind()) return false;
    return static_cast<const StandartListener&>(other).root_ == root_;
}

// ---- ScriptListener ------------------------------------------------------------

vK_Mediator::ScriptListener::ScriptListener(const vK_DataScriptFunction& function, uint64_t serial)
    : serial_(serial) {
    function_.CopyFrom(function);
}

void vK_Mediator::ScriptListener::OnMessage(const vK_MessageId& id, vK_DataTable* payload) {
    const vK_MediatorScriptHooks hooks = g_hooks.Get();
    if (!hooks.call) return;
    // The script works on a copy: it cannot answer a request.
    vK_DataArray args;
    args.PushString(id.GetName());
    args.Push(payload ? payload->Clone() : new vK_DataTable());
    hooks.call(function_, args);
}

bool vK_Mediator::ScriptListener::Equals(const ListenerInterface& other) const {
    if (other.Kind() != Kind()) return false;
    const vK_DataScriptFunction& theirs = static_cast<const ScriptListener&>(other).function_;
    if (auto same = g_hooks.Get().same) return same(function_, theirs);
    return function_.GetHandle() == theirs.GetHandle();
}

// ---- vK_Mediator ---------------------------------------------------------------

vK_Mediator::vK_Mediator() { g_instance = this; }

vK_Mediator::~vK_Mediator() {
    for (auto& [id, list] : subscriptions_) {
        for (auto& listener : list) listener->Deactivate();
    }
    subscriptions_.clear();
    dynamicIds_.clear();
    if (g_instance == this) g_instance = nullptr;
}

vK_Mediator* vK_Mediator::Instance() { return g_instance; }

vK_Seam<vK_MediatorScriptHooks>& vK_Mediator::ScriptHookSeam() { return g_hooks; }

void vK_Mediator::AddListener(const vK_MessageId& id, std::shared_ptr<ListenerInterface> listener) {
    if (id.GetName().empty()) return;
    ListenerList& list = subscriptions_[&id];
    for (const auto& existing : list) {
        if (existing->Equals(*listener)) return;
    }
    list.push_back(std::move(listener));
}

void vK_Mediator::RemoveEqual(const vK_MessageId& id, const ListenerInterface& probe) {
    auto it = subscriptions_.find(&id);
    if (it == subscriptions_.end()) return;
    ListenerList& list = it->second;
    for (auto i = list.begin(); i != list.end();) {
        if ((*i)->Equals(probe)) {
            // A delivery under way still calls it: it works on the list as it was when
            // the message was sent. Only destroyed receivers are skipped (their token).
            i = list.erase(i);
        } else {
            ++i;
        }
    }
    if (list.empty()) subscriptions_.erase(it);
}

void vK_Mediator::Subscribe(const vK_MessageId& id, vK_ListenerBase* listener) {
    if (!listener) return;
    AddListener(id, std::make_shared<StandartListener>(listener));
}

void vK_Mediator::Unsubscribe(const vK_MessageId& id, vK_ListenerBase* listener) {
    if (!listener) return;
    RemoveEqual(id, StandartListener(listener));
}

void vK_Mediator::UnsubscribeAll(vK_Listener* listener) {
    if (!listener) return;
    for (auto it = subscriptions_.begin(); it != subscriptions_.end();) {
        ListenerList& list = it->second;
        for (auto i = list.begin(); i != list.end();) {
            auto* standard =
                (*i)->Kind() == ListenerKind::kNative ? static_cast<StandartListener*>(i->get()) : nullptr;
            if (standard && standard->GetRoot() == listener) {
                i = list.erase(i);
            } else {
                ++i;
            }
        }
        it = list.empty() ? subscriptions_.erase(it) : std::next(it);
    }
}

void vK_Mediator::SubscribeScript(const std::string& name, const vK_DataScriptFunction& function) {
    AddListener(*GetMessageId(name), std::make_shared<ScriptListener>(function, nextScriptSerial_++));
}

void vK_Mediator::UnsubscribeScript(const std::string& name, const vK_DataScriptFunction& function) {
    RemoveEqual(*GetMessageId(name), ScriptListener(function));
}

void vK_Mediator::Send(const vK_MessageId& id, vK_DataTable* payload) {
    if (id.GetName().empty()) return;
    auto it = subscriptions_.find(&id);
    if (it == subscriptions_.end() || it->second.empty()) return;
    // Receivers may subscribe, unsubscribe or be destroyed while being called:
    // deliver over a copy. Receivers unsubscribed meanwhile are still called in this
    // delivery; destroyed native receivers (their liveness token) and subscriptions
    // torn down with the mediator or the script state are skipped.
    const ListenerList snapshot = it->second;
    for (const auto& listener : snapshot) {
        if (listener->IsActive()) listener->OnMessage(id, payload);
    }
}

vK_MessageId* vK_Mediator::GetMessageId(const std::string& name) {
    vK_MessageId* found = vK_MessageId::Find(name);
    if (found && found != &MSG_Message_Null) return found;
    auto id = std::make_shared<vK_MessageId>(name);
    dynamicIds_.push_back(id);
    if (auto set_global = g_hooks.Get().set_global; set_global && !name.empty()) set_global(name);
    return id.get();
}

void vK_Mediator::DropScriptListenersFrom(uint64_t serial) {
    for (auto it = subscriptions_.begin(); it != subscriptions_.end();) {
        ListenerList& list = it->second;
        for (auto i = list.begin(); i != list.end();) {
            if ((*i)->Kind() == ListenerKind::kScript &&
                static_cast<const ScriptListener&>(**i).GetSerial() >= serial) {
                (*i)->Deactivate();
                i = list.erase(i);
            } else {
                ++i;
            }
        }
        it = list.empty() ? subscriptions_.erase(it) : std::next(it);
    }
}

size_t vK_Mediator::CountListeners(const vK_MessageId& id) const {
    auto it = subscriptions_.find(&id);
    return it == subscriptions_.end() ? 0 : it->second.size();
}
