#pragma once
#include <list>
#include <memory>
#include <string>

#include "core/listener_base.h"
#include "data/data.h"
#include "scene/object.h"

// The item-flight layer of the interface ("vy_interface_transporter", z 999999): flies
// game items across the screen on "Command_Transporter_MoveObject". During a flight the
// item is a child of the transporter, so it is drawn above the level and the interface;
// a pointer-to-inventory flight hands it to its destination at the end. Any number of
// flights run at once, each on its own clock.
//
// Flights hold handles, not pointers: an item or destination deleted mid-flight ends
// the flight on the next frame, and its end trigger still runs once.
class vY_Transporter : public vK_Object, public vK_ListenerBase {
public:
    // Flight types, published to scripts as the globals "Trans_...".
    enum Type : int {
        kSceneToInventory = 0,
        kSceneToTaskPanel = 1,
        kInventoryToCursor = 2,
        kCursorToInventory = 3,
        kHintFly = 4,
    };

    struct Flight {
        int type = 0;
        float elapsed = 0.0f;
        float duration = 0.0f;
        std::weak_ptr<vK_Object*> object;
        std::weak_ptr<vK_Object*> target;
        // Queued once, when the flight ends or as soon as at most redTime seconds remain.
        vK_DataScriptFunction endTrigger;
        float redTime = 0.0f;
        float start[3] = {0.0f, 0.0f, 0.0f};
        float startScale = 1.0f;
        float targetScale = 1.0f;
        bool show = true;
    };

    explicit vY_Transporter(const std::string& name);
    ~vY_Transporter() override;

    void OnMessage(const vK_MessageId& id, vK_DataTable* payload) override;
    void Tick(const vK_FrameInfo& frame) override;

    // "Command_Transporter_MoveObject" and "Command_Transporter_StopAnim".
    void MoveObject(const vK_DataTable& payload);
    void StopAnim(const vK_DataTable* payload);

    const std::list<Flight>& GetFlights() const { return flights_; }

    // The easing curves: S, an S-curve from 0 to 1, and I, an ease-in from 0 to 1.
    static double EaseS(double u);
    static double EaseIn(double u);

private:
    // The translation of a world matrix in the space of the transporter's parent.
    void PositionOf(const vK_Matrix& world, float (&out)[3]) const;
    void MoveByType(Flight& flight, vK_Object& object, vK_Object& target, float p);
    void FireEndTrigger(Flight& flight);

    std::list<Flight> flights_;
};
