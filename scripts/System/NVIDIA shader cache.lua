-- Compiled shaders that the NVIDIA graphics driver caches, in its current and older places, for you
-- and for the machine.
-- GetSize and Clear run the same job tables, so what the list shows is what Clear Selected removes.
local jobs = {
    {folder = [[%LOCALAPPDATA%\NVIDIA\DXCache]], recurse = true},
    {folder = [[%LOCALAPPDATA%\NVIDIA\GLCache]], recurse = true},
    {folder = [[%USERPROFILE%\AppData\LocalLow\NVIDIA\PerDriverVersion\DXCache]], recurse = true},
    {folder = [[%LOCALAPPDATA%\Temp\NVIDIA Corporation\NV_Cache]], recurse = true},
    {folder = [[%ProgramData%\NVIDIA Corporation\NV_Cache]], recurse = true},
}

-- Where the program keeps its files: without any of them it is not installed, and GetPluginName
-- answers no name, so that it gets no row.
local installed = {
    [[%LOCALAPPDATA%\NVIDIA]],
    [[%USERPROFILE%\AppData\LocalLow\NVIDIA]],
    [[%LOCALAPPDATA%\Temp\NVIDIA Corporation]],
    [[%ProgramData%\NVIDIA Corporation]],
}

function this:GetPluginName()
    for _, path in ipairs(installed) do
        if self:PathExists(path) then
            return "NVIDIA shader cache"
        end
    end
    return ""
end

function this:GetPluginDescription()
    return "Shaders the NVIDIA driver compiled and cached; games build them again."
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
