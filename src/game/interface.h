#pragma once
#include "core/listener_base.h"
#include "scene/object.h"

class vY_Transporter;

// The game interface above the level content: the inner container
// "vy_interface_internal" (z 0) for interface objects and the item-flight layer
// "vy_interface_transporter" on top (z 999999). Scripts find its name in the global
// "InterfaceName".
class vY_Interface : public vK_Object, public vK_ListenerBase {
public:
    vY_Interface();
    ~vY_Interface() override;

    void OnMessage(const vK_MessageId& id, vK_DataTable* payload) override;
    vK_Object* GetInner() const;
    vY_Transporter* GetTransporter() const;

private:
    std::weak_ptr<vK_Object*> inner_;
    std::weak_ptr<vK_Object*> transporter_;
};
