-- Steam's own log files and the crash dumps of Steam itself.
-- GetSize and Clear run the same job tables, so what the list shows is what Clear Selected removes.
local jobs = {
    {folder = [[%ProgramFiles(x86)%\Steam\logs]], recurse = true},
    {folder = [[%ProgramFiles(x86)%\Steam\dumps]], recurse = true},
}

-- Where the program keeps its files: without any of them it is not installed, and GetPluginName
-- answers no name, so that it gets no row.
local installed = {
    [[%ProgramFiles(x86)%\Steam]],
}

-- While it runs the program holds these files open and writes them back: Clear skips then.
local programs = {"steam.exe"}

function this:GetPluginName()
    for _, path in ipairs(installed) do
        if self:PathExists(path) then
            return "Steam logs and crash dumps"
        end
    end
    return ""
end

function this:GetPluginDescription()
    return "Steam's log files and its own crash dumps; close Steam first."
end

function this:GetPluginIcon()
    return self:GetIconIndexByExt("log")
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
