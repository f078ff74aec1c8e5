-- The start module: brings its screen into the live scene and adds the moving parts and
-- texts of the motion module, the hidden-object scene with its inventory (attic), the
-- workbench close-up, the candle, the sounds, the gear train and the particles. The items
-- found so far come from the player.

function public.Start()
    -- The selected player's progress: every level starts with an empty "vy_global".
    LoadCurrentProfile()
    if type(vy_global.found) ~= "table" then vy_global.found = {} end
    DbgTrace("demo: attic for " .. GetCurrentProfile())
    ObjAttach("start_screen", "vy_level_internal")
    ModLoad("assets/modules/motion")
    motion.Show()
    ModLoad("assets/modules/attic")
    attic.Show()
    ModLoad("assets/modules/workbench")
    workbench.Show()
    ModLoad("assets/modules/candle")
    candle.Show()
    ModLoad("assets/modules/audio")
    audio.Start()
    ModLoad("assets/modules/gear")
    ModLoad("assets/modules/particles")
    particles.Show()
    ModLoad("assets/modules/bird")
    bird.Show()
end
