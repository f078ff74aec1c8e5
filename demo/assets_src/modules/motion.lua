-- The moving parts of the start screen (motion.xml).

local swing = 0

-- The clock's timer ran out: show the next pendulum frame and wind the timer again.
function public.NextSwing()
    swing = (swing + 1) % 8
    ObjSet("wall_clock", {frame = swing})
    ObjSet("clock_timer", {time = 0.125, playing = true})
end

function public.Show()
    ObjAttach("motion_root", "vy_level_internal")
    GridPlay("banner", nil)
end
