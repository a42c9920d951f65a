-- Compiled shaders that DirectX caches for games and programs; they are built again as needed.
-- GetSize and Clear run the same job tables, so what the list shows is what Clear Selected removes.
local jobs = {
    {folder = [[%LOCALAPPDATA%\D3DSCache]], recurse = true},
}

function this:GetPluginName()
    return "DirectX shader cache"
end

function this:GetPluginDescription()
    return "Shaders DirectX compiled and cached; games build them again."
end

function this:GetPluginIcon()
    return self:GetIconIndex("%SYSTEM%")
end

function this:GetSize()
    return self:MeasureFiles(jobs)
end

function this:Clear()
    self:DeleteFiles(jobs)
end
