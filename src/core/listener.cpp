#include "core/listener.h"

#include "core/mediator.h"

vK_Listener::vK_Listener() : alive_(std::make_shared<int>(1)) {}

vK_Listener::~vK_Listener() {
    alive_.reset();
    if (vK_Mediator* mediator = vK_Mediator::Instance()) mediator->UnsubscribeAll(this);
}
