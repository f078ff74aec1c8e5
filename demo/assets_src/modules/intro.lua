-- The intro (intro.xml): plays the logo video once over the title screen and shows its
-- subtitles, whose ids the video sends with "Command_ShowSubtitles" (message name, table).

local function ShowSubtitles(_, params)
    if params.show == 1 then
        ObjSet("intro_subtitle", {text = params.text_id, visible = true})
    else
        ObjSet("intro_subtitle", {visible = false})
    end
end

-- The logo stays on its last frame; the subtitle line goes.
local function Ended()
    ObjSet("intro_subtitle", {visible = false})
end

function public.Play()
    MsgSubscribe("Command_ShowSubtitles", ShowSubtitles)
    ObjAttach("intro_root", "vk_origin")
    VidPlay("intro_logo", Ended)
end
