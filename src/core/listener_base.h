#pragma once
#include "core/listener.h"

// A native receiver written with one message map. Its OnMessage checks, for each
// message it handles: if the id is that message, handle it; else if the id is
// "Command_InitializeListener", subscribe to it; else if the id is
// "Command_DestroyListener", unsubscribe from it. InitializeListener and
// DestroyListener run that map with the two commands (never through the mediator).
class vK_ListenerBase : public vK_Listener {
public:
    void InitializeListener();
    void DestroyListener();

    // Helper for message maps: handles the two commands for one message id and
    // returns true when id is that message itself (the caller then handles it).
    bool MapMessage(const vK_MessageId& id, const vK_MessageId& message);
};
