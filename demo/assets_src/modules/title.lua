-- The title screen (title.xml): the music starts, the intro plays the logo, and a click
-- anywhere, or three seconds after the logo has played, goes on to the player screen.
-- From here on every screen shows the loading screen while it opens, not only while the
-- one before it closes. Leaving a level saves "vy_global" into the selected player, so
-- the title screen holds that player's progress too: an empty "vy_global" would wipe it.

local leaving = false

function public.GoOn()
    -- The click and the timer may both come: the first one switches.
    if leaving then return end
    leaving = true
    DbgTrace("demo: the title screen goes on to the players")
    if intro then intro.Stop() end
    SwitchLevel("assets/modules/profiles", "profiles.Start()")
end

local function LogoPlayed()
    ObjSet("title_timer", {time = 3, playing = true})
end

-- The selected player's progress into "vy_global" (every level starts with it empty).
local function KeepProgress()
    local selected = GetCurrentProfile()
    for _, name in ipairs(GetProfileList()) do
        if name == selected then
            LoadCurrentProfile()
            return
        end
    end
end

function public.Start()
    leaving = false
    KeepProgress()
    ObjAttach("title_screen", "vy_level_internal")
    SendMessage("Command_Level_CanShowLoading", {visible = true})
    vy_music_started = true
    SndPlay("assets/sounds/music", "soundtrack", true, false, 0.5)
    ObjSet("title_catcher", {event_mdown = public.GoOn})
    ModLoad("assets/modules/intro")
    intro.Play(LogoPlayed)
end
