-- The start module: brings its screen into the live scene, sets two items turning and
-- adds the moving parts and texts of the motion module, the candle, the sounds, the gear
-- train and the particles, and the intro over it all. The items found so far come from the player.
local function Nothing() end

function public.Start()
    -- The selected player's progress: every level starts with an empty "vy_global".
    LoadCurrentProfile()
    if type(vy_global.found) ~= "table" then vy_global.found = {} end
    DbgTrace("demo: attic for " .. GetCurrentProfile())
    ObjAttach("start_screen", "vy_level_internal")
    -- keys: time, easing, angle
    ObjAnimate("item_clock", "ang", 1, 0, Nothing, {0, 0, 0, 8, 0, 6.2831853})
    ObjAnimate("item_gear", "ang", 1, 0, Nothing, {0, 0, 0, 4, 0, -6.2831853})
    ModLoad("assets/modules/motion")
    motion.Show()
    ModLoad("assets/modules/candle")
    candle.Show()
    ModLoad("assets/modules/audio")
    audio.Start()
    ModLoad("assets/modules/gear")
    ModLoad("assets/modules/particles")
    particles.Show()
    ModLoad("assets/modules/bird") bird.Show()
    ModLoad("assets/modules/intro")
    intro.Play()
end
