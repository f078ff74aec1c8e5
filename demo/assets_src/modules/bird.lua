-- The clockwork bird (bird.xml): idles on the shelf, sings once on a click and shows
-- the time of day on its plate through the animation's text tag "time".

local function Idle()
    AnimPlay("bird", "idle", nil)
end

local function ShowTime()
    ObjSet("bird", {time = os and os.date and os.date("%H:%M") or "12:00"})
end

function public.Show()
    ObjAttach("bird_root", "vy_level_internal")
    ShowTime()
    ObjSet("bird", {inputrect_init = true, inputrect_x = -60, inputrect_y = -50, inputrect_w = 120,
                    inputrect_h = 100, event_mdown = function()
                        ShowTime()
                        AnimPlay("bird", "sing", Idle)
                    end})
end
