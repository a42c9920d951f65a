-- Steam's web, download-manifest and store-page caches; Steam fetches them again. Games, saves and
-- settings are not touched.
-- GetSize and Clear run the same job tables, so what the list shows is what Clear Selected removes.
local jobs = {
    {folder = [[%ProgramFiles(x86)%\Steam\appcache\httpcache]], recurse = true},
    {folder = [[%ProgramFiles(x86)%\Steam\depotcache]], recurse = true},
    {folder = [[%LOCALAPPDATA%\Steam\htmlcache]], recurse = true},
}

-- Where the program keeps its files: without any of them it is not installed, and GetPluginName
-- answers no name, so that it gets no row.
local installed = {
    [[%ProgramFiles(x86)%\Steam]],
    [[%LOCALAPPDATA%\Steam]],
}

-- While it runs the program holds these files open and writes them back: Clear skips then.
local programs = {"steam.exe"}

function this:GetPluginName()
    for _, path in ipairs(installed) do
        if self:PathExists(path) then
            return "Steam caches"
        end
    end
    return ""
end

function this:GetPluginDescription()
    return "Steam's web and download caches and its store-page cache; close Steam first."
end

function this:GetPluginIcon()
    return self:GetIconIndexByExt("tmp")
end

function this:GetSize()
    return self:MeasureFiles(jobs)
end

function this:Clear()
    for _, program in ipairs(programs) do
        if self:IsProcessRunning(program) then
            return "Steam is running and holds these files open: close it first, then clean again."
        end
    end
    self:DeleteFiles(jobs)
end
