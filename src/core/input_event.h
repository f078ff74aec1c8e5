#pragma once

// One input event as the engine sees it.
struct vK_InputEvent {
    // The numbers are those input recordings store.
    enum class Type : int {
        kKeyDown = 0,
        kChar = 1,
        kKeyUp = 2,
        kPointerDown = 3,
        kPointerUp = 4,
        kPointerMove = 5,
        kPointerLeave = 6,
        kWheel = 7,
        kActivated = 8,
        kDeactivated = 9,
        // A hit test only (developer tools): objects say whether the point hits them
        // and change nothing, queue nothing. Never dispatched to the scene.
        kPointerProbe = 10,
    };
    using enum Type;
    // The key field of every pointer button and move event.
    static constexpr int kPointerKey = 0xF00;

    Type type = kKeyDown;
    int key = 0;     // engine key code (key events), kPointerKey (pointer events)
    int code = 0;    // the character (kChar), the raw wheel word (kWheel)
    float x = 0.0f;  // pointer position in window pixels
    float y = 0.0f;
    // Set on the way down the tree where an ancestor's crop rectangle leaves the point
    // out: no object below may take the event.
    bool flag = false;

    // Pointer buttons, moves, the pointer leaving the window and the wheel.
    bool IsPointerOrWheel() const { return type >= kPointerDown && type <= kWheel; }
};
