#pragma once
// The drawable objects' small engine with the script host, for tests that run handlers
// and script functions on those objects.
#include "scene/drawable_fixture.h"
#include "script/script_hub.h"

class ScriptDrawableFixture : public DrawableFixture {
protected:
    vK_ScriptHub hub;
};
