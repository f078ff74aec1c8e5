-- The start module's trigger: the first screen needs no script work yet.
function Start()
end
