-- The candle and the animated pointer (candle.xml).

-- A click on the flame makes it gutter once, then it burns on.
local function Relight()
    AnimPlay("candle", "burn", nil)
end

function public.Show()
    ObjAttach("candle_root", "vy_level_internal")
    ObjSet("candle", {inputrect_init = true, inputrect_x = -24, inputrect_y = -64, inputrect_w = 48,
                      inputrect_h = 128, event_mdown = function() AnimPlay("candle", "gutter", Relight) end})
    -- The pointer image with the arrow shape as the system cursor for CursorSetSystem(true).
    CursorLoad("assets/cursor/pointer", 2)
    SetCursor(0)
end
