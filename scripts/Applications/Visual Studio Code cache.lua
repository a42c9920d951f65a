-- The caches of Visual Studio Code: cached data, downloaded extension packages, scripts and shaders.
-- Settings, extensions and the local file history (User\History) are not touched.
-- GetSize and Clear run the same job tables, so what the list shows is what Clear Selected removes.
local jobs = {
    {folder = [[%APPDATA%\Code\Cache]], recurse = true},
    {folder = [[%APPDATA%\Code\CachedData]], recurse = true},
    {folder = [[%APPDATA%\Code\CachedExtensionVSIXs]], recurse = true},
    {folder = [[%APPDATA%\Code\Code Cache]], recurse = true},
    {folder = [[%APPDATA%\Code\GPUCache]], recurse = true},
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
            return "Visual Studio Code cache"
        end
    end
    return ""
end

function this:GetPluginDescription()
    return "VS Code's caches and downloaded extension packages; never its local file history. Close VS Code first."
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
            return "Visual Studio Code is running and holds these files open: close it first, then clean again."
        end
    end
    self:DeleteFiles(jobs)
end
