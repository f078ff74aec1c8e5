#include "core/listener_base.h"

#include "core/mediator.h"
#include "core/message_ids.h"

void vK_ListenerBase::InitializeListener() { OnMessage(MSG_Command_InitializeListener, nullptr); }

void vK_ListenerBase::DestroyListener() { OnMessage(MSG_Command_DestroyListener, nullptr); }

bool vK_ListenerBase::MapMessage(const vK_MessageId& id, const vK_MessageId& message) {
    if (&id == &message) return true;
    vK_Mediator* mediator = vK_Mediator::Instance();
    if (!mediator) return false;
    if (&id == &MSG_Command_InitializeListener) {
        mediator->Subscribe(message, this);
    } else if (&id == &MSG_Command_DestroyListener) {
        mediator->Unsubscribe(message, this);
    }
    return false;
}
