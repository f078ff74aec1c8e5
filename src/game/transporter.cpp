#include "game/transporter.h"

#include <algorithm>
#include <cmath>

#include "core/frame_info.h"
#include "game/game_message_ids.h"
#include "graphics/matrix.h"
#include "scene/cursor.h"
#include "scene/handler_property.h"
#include "script/script_hub.h"

namespace {

constexpr double kPiD = kPiAs<double>;
constexpr double kHalfPi = kPiD / 2;
constexpr double kFullTurn = kPiD * 2;
static_assert(kHalfPi == 1.570796 && kFullTurn == 6.283184);
// The hint turns towards its heading by at most this many radians per frame.
constexpr float kHintTurnStep = 0.03f;
// Type 0: the item rests at the slot for this long; the slot's item grows in over the
// last kShowSeconds.
constexpr float kRestSeconds = 0.2f;
constexpr float kShowSeconds = 0.4f;
// Types 1 and 4 shrink and fade out at the target during their last half second.
constexpr float kFadeOutSeconds = 0.5f;

vK_Object* Resolve(const std::weak_ptr<vK_Object*>& ref) {
    const std::shared_ptr<vK_Object*> alive = ref.lock();
    return alive ? *alive : nullptr;
}

float Lerp(float a, float b, float t) { return (b - a) * t + a; }
float ELerp(float a, float b, float t) { return (b - a) * static_cast<float>(vY_Transporter::EaseS(t)) + a; }

void SetAlpha(vK_Object& object, float alpha) { object.GetOwnParams().alpha = alpha; }

// The end trigger of a flight: a script function as it is, handler text compiled.
void ReadTrigger(const vK_DataTable& payload, vK_DataScriptFunction& out) {
    if (const vK_Data* value = payload.Get("end_trig")) ReadHandlerProperty(*value, "end_trig", out);
}

float Duration(int type, float distance) {
    switch (type) {
        case vY_Transporter::kSceneToInventory:
            return distance / 900.0f + 0.7f;
        case vY_Transporter::kSceneToTaskPanel:
        case vY_Transporter::kHintFly:
            return distance / 1000.0f + 1.4f;
        case vY_Transporter::kInventoryToCursor:
            return 0.4f;
        case vY_Transporter::kCursorToInventory:
            return distance / 1500.0f + 0.2f;
        default:
            return 0.0f;
    }
}

}  // namespace

double vY_Transporter::EaseS(double u) { return (std::sin(u * kPiD - kHalfPi) + 1.0) / 2.0; }
double vY_Transporter::EaseIn(double u) { return std::sin(u * kHalfPi - kHalfPi) + 1.0; }

vY_Transporter::vY_Transporter(const std::string& name) : vK_Object(name) {
    InitializeListener();
    vK_ScriptHub* scripts = vK_ScriptHub::Instance();
    if (!scripts) return;
    static const struct {
        const char* name;
        int value;
    } kGlobals[] = {{"Trans_SceneToInventory", kSceneToInventory},
                    {"Trans_SceneToTaskPanel", kSceneToTaskPanel},
                    {"Trans_InventoryToCursor", kInventoryToCursor},
                    {"Trans_CursorToInventory", kCursorToInventory},
                    {"Trans_HintFly", kHintFly}};
    for (const auto& global : kGlobals) {
        vK_DataInt value(global.value);
        scripts->SetGlobal(&value, global.name);
    }
}

vY_Transporter::~vY_Transporter() { DestroyListener(); }

void vY_Transporter::OnMessage(const vK_MessageId& id, vK_DataTable* payload) {
    if (MapMessage(id, MSG_Command_Transporter_MoveObject)) {
        if (payload) MoveObject(*payload);
        return;
    }
    if (MapMessage(id, MSG_Command_Transporter_StopAnim)) {
        StopAnim(payload);
        return;
    }
}

void vY_Transporter::PositionOf(const vK_Matrix& world, float (&out)[3]) const {
    vK_Matrix inverse;
    const vK_Object* parent = GetParent();
    const vK_Matrix space = parent ? parent->ComputeFullMatrix() : vK_Matrix();
    if (!space.Inverse2D(inverse)) inverse = vK_Matrix();
    const vK_Matrix local = world * inverse;
    out[0] = local.M41();
    out[1] = local.M42();
    out[2] = local.m[14];
}

void vY_Transporter::MoveObject(const vK_DataTable& payload) {
    std::string objName, toName;
    payload.GetString("obj_name", objName);
    payload.GetString("toobj_name", toName);
    vK_Object* object = vK_Object::FindObject(objName);
    vK_Object* target = vK_Object::FindObject(toName);
    // The transporter cannot carry itself or a branch that holds it.
    if (!object || !target || object == this || object->IsRoot() || object->FindChild(GetName(), true)) {
        // Scripts waiting for the flight still continue, on the next frame.
        vK_DataScriptFunction trigger;
        ReadTrigger(payload, trigger);
        QueueHandler(trigger, GetName());
        return;
    }
    Flight& flight = flights_.emplace_back();
    ReadTrigger(payload, flight.endTrigger);
    payload.GetInt("type", flight.type);
    payload.GetBool("show", flight.show);
    payload.GetFloat("red_time", flight.redTime);
    flight.object = object->GetWeakRef();
    flight.target = target->GetWeakRef();
    PositionOf(object->ComputeFullMatrix(), flight.start);
    flight.startScale = object->GetScaleX();
    float to[3];
    PositionOf(target->ComputeFullMatrix(), to);
    if (flight.type == kInventoryToCursor) {
        if (vK_Object* dragged = GetDraggedObject()) {
            // The full matrix leaves the drag position out, so this is where the
            // dragged object itself sits; it is then drawn from there.
            PositionOf(dragged->ComputeFullMatrix(), flight.start);
            dragged->SetDragPosition(flight.start[0], flight.start[1], flight.start[2]);
        }
    } else if (flight.type == kCursorToInventory) {
        const vK_Cursor* cursor = vK_Cursor::Instance();
        PositionOf(vK_Matrix::Translation(cursor ? cursor->GetX() : 0.0f, cursor ? cursor->GetY() : 0.0f),
                   flight.start);
        payload.GetFloat("scale", flight.targetScale);
    }
    const float distance = std::hypot(to[0] - flight.start[0], to[1] - flight.start[1]);
    flight.duration = Duration(flight.type, distance);
    AddChild(object);
}

void vY_Transporter::StopAnim(const vK_DataTable* payload) {
    std::string name;
    if (!payload || !payload->GetString("obj_name", name)) {
        flights_.clear();
        return;
    }
    vK_Object* object = name.empty() ? nullptr : vK_Object::FindObject(name);
    if (!object) return;
    for (auto it = flights_.begin(); it != flights_.end(); ++it) {
        if (Resolve(it->object) == object) {
            flights_.erase(it);
            return;
        }
    }
}

void vY_Transporter::FireEndTrigger(Flight& flight) {
    QueueHandler(flight.endTrigger, GetName());
    flight.endTrigger.Reset();
}

void vY_Transporter::Tick(const vK_FrameInfo& frame) {
    vK_Object::Tick(frame);
    for (auto it = flights_.begin(); it != flights_.end();) {
        Flight& flight = *it;
        vK_Object* object = Resolve(flight.object);
        vK_Object* target = Resolve(flight.target);
        if (!object || !target) {
            // The item or its destination was deleted: the flight ends where it is.
            FireEndTrigger(flight);
            it = flights_.erase(it);
            continue;
        }
        flight.elapsed = std::min(flight.elapsed + frame.dt, flight.duration);
        // A flight of an unknown type has no duration: it ends at once, unmoved.
        const float p = flight.duration > 0.0f ? flight.elapsed / flight.duration : 1.0f;
        if (flight.duration > 0.0f) MoveByType(flight, *object, *target, p);
        if (flight.redTime > 0.0f && !flight.endTrigger.IsEmpty() &&
            flight.duration - flight.elapsed <= flight.redTime)
            FireEndTrigger(flight);
        if (flight.elapsed < flight.duration) {
            ++it;
            continue;
        }
        if (flight.type == kCursorToInventory) {
            object->SetPosition(0.0f, 0.0f);
            target->AddChild(object);
        }
        FireEndTrigger(flight);
        it = flights_.erase(it);
    }
}

void vY_Transporter::MoveByType(Flight& flight, vK_Object& object, vK_Object& target, float p) {
    float to[3];
    PositionOf(target.ComputeFullMatrix(), to);
    const float sx = flight.start[0], sy = flight.start[1];
    const float remaining = flight.duration - flight.elapsed;
    switch (flight.type) {
        case kSceneToInventory: {
            // The last step of the moving phase lands exactly on the slot (u = 1), so
            // the item always ends invisible whatever the frame times were.
            const float u = std::min(1.0f, flight.elapsed / (flight.duration - kRestSeconds));
            const float su = static_cast<float>(EaseS(u));
            object.SetPosition((to[0] - sx) * static_cast<float>(EaseS(su)) + sx, (to[1] - sy) * su + sy);
            float k = u < 0.3f ? 1.0f + 0.5f * u / 0.3f : 1.0f + 0.5f * (1.0f - (u - 0.3f) / 0.7f);
            if (u > 0.7f) {
                const float w = (1.0f - u) / 0.3f;
                k *= w;
                SetAlpha(object, w);
            }
            object.SetScale(k, k);
            if (flight.show) {
                const float a = 1.0f - std::min(remaining, kShowSeconds) / kShowSeconds;
                target.SetScale(a, a);
                SetAlpha(target, a);
            }
            break;
        }
        case kSceneToTaskPanel:
        case kHintFly: {
            const float beforeX = object.GetX(), beforeY = object.GetY();
            if (remaining <= kFadeOutSeconds) {
                object.SetPosition(to[0], to[1]);
                const float v = Lerp(1.0f, 0.0f, (kFadeOutSeconds - remaining) / kFadeOutSeconds);
                object.SetScale(v, v);
                SetAlpha(object, v);
            } else {
                const float u = flight.elapsed / (flight.duration - kFadeOutSeconds);
                object.SetPosition((to[0] - sx) * static_cast<float>(EaseS(u)) + sx,
                                   (to[1] - sy) * static_cast<float>(EaseIn(u)) + sy);
                const float k = u < 0.4f ? Lerp(flight.startScale, 1.3f, u / 0.4f)
                                         : Lerp(1.3f, 1.0f, 1.0f - (1.0f - u) / 0.6f);
                object.SetScale(k, k);
            }
            if (flight.type != kHintFly) break;
            const float dx = object.GetX() - beforeX, dy = object.GetY() - beforeY;
            const float length = std::hypot(dx, dy);
            if (length == 0.0f) break;
            const float heading = std::asin(std::clamp(dx / length, -1.0f, 1.0f));
            float angle = object.GetAngle();
            if (angle > kFullTurn) angle -= static_cast<float>(kFullTurn);
            const float diff = heading - angle;
            object.SetAngle(std::fabs(diff) < kHintTurnStep
                                ? heading
                                : angle + (diff > 0 ? kHintTurnStep : -kHintTurnStep));
            break;
        }
        case kInventoryToCursor: {
            if (vK_Object* dragged = GetDraggedObject()) {
                const vK_Cursor* cursor = vK_Cursor::Instance();
                const float px = cursor ? cursor->GetX() : 0.0f, py = cursor ? cursor->GetY() : 0.0f;
                dragged->SetDragPosition(ELerp(sx, px, p), ELerp(sy, py, p), 0.0f);
            }
            const float k = Lerp(flight.startScale, 1.0f, p);
            object.SetScale(k, k);
            break;
        }
        case kCursorToInventory: {
            const float s = static_cast<float>(EaseS(p));
            object.SetPosition(ELerp(sx, to[0], s), Lerp(sy, to[1], s));
            const float k = Lerp(1.0f, flight.targetScale, p);
            object.SetScale(k, k);
            break;
        }
        default:
            break;
    }
}
