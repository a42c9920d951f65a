-- The LocalCache folder of the new Microsoft Teams, and nothing else of its package (settings and
-- state stay).
-- GetSize and Clear run the same job tables, so what the list shows is what Clear Selected removes.
local jobs = {
    {folder = [[%LOCALAPPDATA%\Packages\MSTeams_8wekyb3d8bbwe\LocalCache]], recurse = true},
}

-- Where the program keeps its files: without any of them it is not installed, and GetPluginName
-- answers no name, so that it gets no row.
local installed = {
    [[%LOCALAPPDATA%\Packages\MSTeams_8wekyb3d8bbwe]],
}

-- While it runs the program holds these files open and writes them back: Clear skips then.
local programs = {"ms-teams.exe"}

function this:GetPluginName()
    for _, path in ipairs(installed) do
        if self:PathExists(path) then
            return "Microsoft Teams cache"
        end
    end
    return ""
end

function this:GetPluginDescription()
    return "The new Teams' LocalCache folder only; close Teams first."
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
