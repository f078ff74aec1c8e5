#include "game/interface.h"

#include "game/game_message_ids.h"
#include "game/transporter.h"
#include "script/script_hub.h"

namespace {

vK_Object* Resolve(const std::weak_ptr<vK_Object*>& ref) {
    const std::shared_ptr<vK_Object*> alive = ref.lock();
    return alive ? *alive : nullptr;
}

}  // namespace

vY_Interface::vY_Interface() : vK_Object("vy_interface") {
    InitializeListener();
    vK_Object* transporter = vK_Object::Adopt(std::make_unique<vY_Transporter>(GetName() + "_transporter"));
    transporter->SetZ(999999.0f);
    if (AddChild(transporter)) transporter_ = transporter->GetWeakRef();
    vK_Object* inner = vK_Object::Adopt(std::make_unique<vK_Object>("vy_interface_internal"));
    inner->SetZ(0.0f);
    if (AddChild(inner)) inner_ = inner->GetWeakRef();
    if (vK_ScriptHub* scripts = vK_ScriptHub::Instance()) {
        vK_DataString name(GetName());
        scripts->SetGlobal(&name, "InterfaceName");
    }
}

vY_Interface::~vY_Interface() { DestroyListener(); }

vK_Object* vY_Interface::GetInner() const { return Resolve(inner_); }
vY_Transporter* vY_Interface::GetTransporter() const {
    return static_cast<vY_Transporter*>(Resolve(transporter_));
}

void vY_Interface::OnMessage(const vK_MessageId& id, vK_DataTable* payload) {
    if (MapMessage(id, MSG_Command_Interface_SetInput)) {
        int input = 0;
        if (payload) payload->GetInt("input", input);
        SetInputEnabled(input == 1);
        if (vK_Object* inner = GetInner()) inner->SetInputEnabled(input == 1);
        return;
    }
    if (MapMessage(id, MSG_Command_Interface_UpdateTextures)) {
        RestoreGraphics(true);
        return;
    }
    if (MapMessage(id, MSG_Command_Pause_Show)) {
        if (vK_Object* transporter = GetTransporter()) transporter->SetVisible(false);
        return;
    }
    if (MapMessage(id, MSG_Command_Pause_Hide)) {
        if (vK_Object* transporter = GetTransporter()) transporter->SetVisible(true);
        return;
    }
}
