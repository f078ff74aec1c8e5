#pragma once

// One input event as the engine sees it.
struct vK_InputEvent {
    enum Type : int {
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
    // The key field of every pointer button and move event.
    static constexpr int kPointerKey = 0xF00;

    int type = 0;
    int key = 0;     // engine key code (key events), kPointerKey (pointer events)
    int code = 0;    // the character (kChar), the raw wheel word (kWheel)
    float x = 0.0f;  // pointer position in window pixels
    float y = 0.0f;
    bool flag = false;
};
