// vk.msg: sending messages and script subscriptions through the mediator.
#include "core/mediator.h"
#include "script/api_args.h"
#include "script/script_api.h"

namespace {
using vK_ApiArgs::At;

void MsgSend(const vK_ScriptArgs& args, void*, vK_DataArray& results) {
    const vK_Data* name = At(args, 0);
    vK_Mediator* mediator = vK_Mediator::Instance();
    if (!name || !mediator) return;
    const vK_Data* payload = At(args, 1);
    vK_DataTable* table =
        payload && payload->AsTable() ? payload->AsTable()->Clone()->AsTable() : new vK_DataTable();
    results.Push(table);  // the result array owns it; native receivers write into it
    mediator->Send(*mediator->GetMessageId(name->ToString()), table);
}

const vK_DataScriptFunction* FunctionArg(const vK_ScriptArgs& args, unsigned index) {
    const vK_Data* v = At(args, index);
    return v && v->GetTag() == vK_Data::kScriptFunction ? static_cast<const vK_DataScriptFunction*>(v)
                                                        : nullptr;
}

void MsgSubscribe(const vK_ScriptArgs& args, void*, vK_DataArray&) {
    const vK_Data* name = At(args, 0);
    const vK_DataScriptFunction* fn = FunctionArg(args, 1);
    if (!name || !fn || !vK_Mediator::Instance()) return;
    vK_Mediator::Instance()->SubscribeScript(name->ToString(), *fn);
}

void MsgUnsubscribe(const vK_ScriptArgs& args, void*, vK_DataArray&) {
    const vK_Data* name = At(args, 0);
    const vK_DataScriptFunction* fn = FunctionArg(args, 1);
    if (!name || !fn || !vK_Mediator::Instance()) return;
    vK_Mediator::Instance()->UnsubscribeScript(name->ToString(), *fn);
}

constexpr vK_ScriptApiEntry kEntries[] = {
    {"vk.msg.Send; MsgSend; SendMessage",
     &MsgSend,
     {"name: string, payload: table = {} -> table",
      "Sends the message at once to every subscriber with a copy of payload and returns that copy with "
      "whatever native receivers wrote into it (the answer of a request)."}},
    {"vk.msg.Subscribe; MsgSubscribe",
     &MsgSubscribe,
     {"name: string, receiver: function",
      "Calls receiver with a copy of the payload whenever the message name is sent; only a Lua function is "
      "accepted."}},
    {"vk.msg.Unsubscribe; MsgUnsubscribe",
     &MsgUnsubscribe,
     {"name: string, receiver: function",
      "Removes a receiver that MsgSubscribe added for the message name."}},
};
}  // namespace

vK_ScriptApiGroup ScriptApiMessages() { return kEntries; }
