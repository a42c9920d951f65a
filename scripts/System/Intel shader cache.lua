-- Compiled shaders that the Intel graphics driver caches.
-- GetSize and Clear run the same job tables, so what the list shows is what Clear Selected removes.
local jobs = {
    {folder = [[%USERPROFILE%\AppData\LocalLow\Intel\ShaderCache]], recurse = true},
}

-- Where the program keeps its files: without any of them it is not installed, and GetPluginName
-- answers no name, so that it gets no row.
local installed = {
    [[%USERPROFILE%\AppData\LocalLow\Intel]],
}

function this:GetPluginName()
    for _, path in ipairs(installed) do
        if self:PathExists(path) then
            return "Intel shader cache"
        end
    end
    return ""
end

function this:GetPluginDescription()
    return "Shaders the Intel driver compiled and cached; games build them again."
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
