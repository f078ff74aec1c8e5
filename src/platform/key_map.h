#pragma once
#include <cstdint>
#include <string>

// Engine key code of an SDL keycode: the Windows virtual-key code for the keys scripts
// know (backspace 8, escape 27, A..Z 65..90, F1..F12 112..123, ...), 0 for every other
// key (insert, print screen, alt as an ordinary key, F13 and above).
int vK_EngineKeyCode(int32_t sdlKeycode);
// Engine key code of a key's name as SDL spells it ("F1", "Return", "A"); 0 when the
// name is unknown or the engine has no code for the key.
int vK_EngineKeyCodeFromName(const std::string& name);

// Key-state bits of the low word of a wheel event's code.
constexpr unsigned kWheelLeftButton = 0x1, kWheelRightButton = 0x2, kWheelShift = 0x4, kWheelControl = 0x8,
                   kWheelMiddleButton = 0x10;
constexpr int kWheelDeltaUnit = 120;

// The wheel event's code: delta (in notches, away from the user positive) times 120 in
// the high word, key states in the low word.
int vK_WheelCode(int notches, unsigned keyStates);
