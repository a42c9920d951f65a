-- Compiled shaders that the AMD graphics driver caches (DirectX, OpenGL and Vulkan).
-- GetSize and Clear run the same job tables, so what the list shows is what Clear Selected removes.
local jobs = {
    {folder = [[%USERPROFILE%\AppData\LocalLow\AMD\DxCache]], recurse = true},
    {folder = [[%LOCALAPPDATA%\AMD\*Cache]], recurse = true},
    {folder = [[%LOCALAPPDATA%\AMD\RadeonSoftware\vkcache]], recurse = true},
}

-- Where the program keeps its files: without any of them it is not installed, and GetPluginName
-- answers no name, so that it gets no row.
local installed = {
    [[%LOCALAPPDATA%\AMD]],
    [[%USERPROFILE%\AppData\LocalLow\AMD]],
}

function this:GetPluginName()
    for _, path in ipairs(installed) do
        if self:PathExists(path) then
            return "AMD shader cache"
        end
    end
    return ""
end

function this:GetPluginDescription()
    return "Shaders the AMD driver compiled and cached; games build them again."
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
