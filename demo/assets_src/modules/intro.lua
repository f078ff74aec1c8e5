-- The intro (intro.xml): plays the logo video once over the title screen and shows its
-- subtitles, whose ids the video sends with "Command_ShowSubtitles" (message name, table).

local played = nil

local function ShowSubtitles(_, params)
    if params.show == 1 then
        ObjSet("intro_subtitle", {text = params.text_id, visible = true})
    else
        ObjSet("intro_subtitle", {visible = false})
    end
end

-- The logo stays on its last frame; the subtitle line goes, and the subtitles are no
-- longer listened to (the line goes with the title screen).
local function Ended()
    MsgUnsubscribe("Command_ShowSubtitles", ShowSubtitles)
    ObjSet("intro_subtitle", {visible = false})
    if played then played() end
end

-- The screen is leaving: the subtitles are no longer listened to, so that the hide the
-- video sends when it goes does not reach a subtitle line that went before it.
function public.Stop()
    MsgUnsubscribe("Command_ShowSubtitles", ShowSubtitles)
    ObjSet("intro_subtitle", {visible = false})
end

-- Plays the logo in the current level's content; on_end (optional) runs once it has played.
function public.Play(on_end)
    played = on_end
    MsgSubscribe("Command_ShowSubtitles", ShowSubtitles)
    ObjAttach("intro_root", "vy_level_internal")
    VidPlay("intro_logo", Ended)
end
