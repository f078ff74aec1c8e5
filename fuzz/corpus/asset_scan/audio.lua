-- The demo's sounds (audio.xml), each in its own category: an ambient drone and a
-- music loop fading in, the wall clock ticking once a second, a chime for found items.

function public.Start()
    ObjAttach("audio_root", "vy_level_internal")
    SndPlay("assets/sounds/ambient", "ambient", true, false, 1.0)
    SndPlay("assets/sounds/music", "soundtrack", true, false, 2.0)
    public.Found()
end

function public.Tick()
    SndPlay("assets/sounds/click", "sfx", false, false)
    ObjSet("tick_timer", {time = 1, playing = true})
end

function public.Found()
    SndPlay("assets/sounds/found", "sfx", false, false)
end
