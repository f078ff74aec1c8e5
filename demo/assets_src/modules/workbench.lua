-- The workbench close-up (workbench.xml): a click on the workbench in the attic opens it
-- at its whole view, the cross closes it. The log tells how far in the player zoomed.

function public.Open()
    ObjSet("workbench_content", {pos_x = 0, pos_y = 0, scale_x = 1, scale_y = 1})
    ObjAttach("workbench_root", "vk_origin")
    DbgTrace("demo: the workbench close-up opens")
end

function public.Close()
    local content = ObjGet("workbench_content")
    ObjDetach("workbench_root")
    DbgTrace(string.format("demo: the workbench close-up closes at scale %.2f, offset %d, %d", content.scale_x,
                           math.floor(content.pos_x + 0.5), math.floor(content.pos_y + 0.5)))
end

function public.Show()
    ObjSet("attic_workbench", {event_mdown = public.Open})
    ObjSet("workbench_close", {event_mdown = public.Close})
end
