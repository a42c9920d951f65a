-- The log files and crash reports of Visual Studio Code.
-- GetSize and Clear run the same job tables, so what the list shows is what Clear Selected removes.
local jobs = {
    {folder = [[%APPDATA%\Code\logs]], recurse = true},
    {folder = [[%APPDATA%\Code\Crashpad]], recurse = true},
}

-- Where the program keeps its files: without any of them it is not installed, and GetPluginName
-- answers no name, so that it gets no row.
local installed = {
    [[%APPDATA%\Code]],
}

-- While it runs the program holds these files open and writes them back: Clear skips then.
local programs = {"Code.exe"}

function this:GetPluginName()
    for _, path in ipairs(installed) do
        if self:PathExists(path) then
            return "Visual Studio Code logs and crash reports"
        end
    end
    return ""
end

function this:GetPluginDescription()
    return "VS Code's logs and crash reports; close VS Code first."
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
            return "Visual Studio Code is running and holds these files open: close it first, then clean again."
        end
    end
    self:DeleteFiles(jobs)
end
