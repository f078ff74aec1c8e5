#pragma once
#include "core/vrakko.h"

// The display size the pointer widgets measure against: the engine's, or the reference
// area 1024 x 768 while there is no display (a zero size would divide by zero).
inline float GameDisplayWidth() {
    const Vrakko* engine = Vrakko::Instance();
    return engine && engine->GetWidth() > 0 ? static_cast<float>(engine->GetWidth()) : 1024.0f;
}

inline float GameDisplayHeight() {
    const Vrakko* engine = Vrakko::Instance();
    return engine && engine->GetHeight() > 0 ? static_cast<float>(engine->GetHeight()) : 768.0f;
}
