-- The gear train on the wall (gear.xml). Loading the module puts it on screen.

local held = false

-- A click on the train holds it or sets it turning again where it stopped.
local function Toggle()
    held = not held
    AnimPause("flash_gear", held and 1 or 0)
end

ObjAttach("gear_root", "vy_level_internal")
ObjSet("flash_gear", {inputrect_init = true, inputrect_x = -50, inputrect_y = -50, inputrect_w = 130,
                      inputrect_h = 130, event_mdown = Toggle})
