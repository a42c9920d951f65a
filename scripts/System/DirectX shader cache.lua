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
    local size, count = 0, 0
    for _, job in ipairs(jobs) do
        local s, c = self:MeasureFiles(job)
        size = size + (tonumber(s) or 0)
        count = count + (tonumber(c) or 0)
    end
    return string.format("%.0f", size), count
end

function this:Clear()
    for _, job in ipairs(jobs) do
        self:DeleteFiles(job)
    end
end
