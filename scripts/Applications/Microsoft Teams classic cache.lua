-- The caches of Microsoft Teams classic. Sign-in, settings and local storage are not touched.
-- GetSize and Clear run the same job tables, so what the list shows is what Clear Selected removes.
local jobs = {
    {folder = [[%APPDATA%\Microsoft\Teams\Cache]], recurse = true},
    {folder = [[%APPDATA%\Microsoft\Teams\Code Cache]], recurse = true},
    {folder = [[%APPDATA%\Microsoft\Teams\GPUCache]], recurse = true},
    {folder = [[%APPDATA%\Microsoft\Teams\blob_storage]], recurse = true},
    {folder = [[%APPDATA%\Microsoft\Teams\tmp]], recurse = true},
}

-- Where the program keeps its files: without any of them it is not installed, and GetPluginName
-- answers no name, so that it gets no row.
local installed = {
    [[%APPDATA%\Microsoft\Teams]],
}

-- While it runs the program holds these files open and writes them back: Clear skips then.
local programs = {"Teams.exe"}

function this:GetPluginName()
    for _, path in ipairs(installed) do
        if self:PathExists(path) then
            return "Microsoft Teams classic cache"
        end
    end
    return ""
end

function this:GetPluginDescription()
    return "Cached files, scripts and images of Teams classic; close Teams first."
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
            return "Microsoft Teams is running and holds these files open: close it first, then clean again."
        end
    end
    self:DeleteFiles(jobs)
end
