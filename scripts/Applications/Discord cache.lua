-- Discord's cached images, scripts and shaders. Your sign-in and settings are not touched.
-- GetSize and Clear run the same job tables, so what the list shows is what Clear Selected removes.
local jobs = {
    {folder = [[%APPDATA%\discord\Cache]], recurse = true},
    {folder = [[%APPDATA%\discord\Code Cache]], recurse = true},
    {folder = [[%APPDATA%\discord\GPUCache]], recurse = true},
}

-- Where the program keeps its files: without any of them it is not installed, and GetPluginName
-- answers no name, so that it gets no row.
local installed = {
    [[%APPDATA%\discord]],
}

-- While it runs the program holds these files open and writes them back: Clear skips then.
local programs = {"Discord.exe"}

function this:GetPluginName()
    for _, path in ipairs(installed) do
        if self:PathExists(path) then
            return "Discord cache"
        end
    end
    return ""
end

function this:GetPluginDescription()
    return "Discord's cached images, scripts and shaders; close Discord first."
end

function this:GetPluginIcon()
    return self:GetIconIndexByExt("htm")
end

function this:GetSize()
    return self:MeasureFiles(jobs)
end

function this:Clear()
    for _, program in ipairs(programs) do
        if self:IsProcessRunning(program) then
            return "Discord is running and holds these files open: close it first, then clean again."
        end
    end
    self:DeleteFiles(jobs)
end
