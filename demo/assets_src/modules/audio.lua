-- The attic's sounds (audio.xml), each in its own category: an ambient drone fading in,
-- the wall clock ticking once a second, a chime for found items. The music loop the
-- title screen started plays on; it is started here only when the attic is the first
-- screen of the run.

function public.Start()
    ObjAttach("audio_root", "vy_level_internal")
    SndPlay("assets/sounds/ambient", "ambient", true, false, 1.0)
    if not vy_music_started then
        vy_music_started = true
        SndPlay("assets/sounds/music", "soundtrack", true, false, 2.0)
    end
    public.Found()
end

function public.Tick()
    SndPlay("assets/sounds/click", "sfx", false, false)
    ObjSet("tick_timer", {time = 1, playing = true})
end

function public.Found()
    SndPlay("assets/sounds/found", "sfx", false, false)
end
