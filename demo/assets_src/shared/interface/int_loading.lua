-- The loading screen: the level shows, hides and fades it; nothing to prepare yet.
function public.Init()
end
