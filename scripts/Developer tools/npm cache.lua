-- The package cache of npm, the JavaScript package manager; the next install downloads again what it
-- needs.
-- GetSize and Clear run the same job tables, so what the list shows is what Clear Selected removes.
local jobs = {
    {folder = [[%LOCALAPPDATA%\npm-cache]], recurse = true},
}

-- Where the program keeps its files: without any of them it is not installed, and GetPluginName
-- answers no name, so that it gets no row.
local installed = {
    [[%LOCALAPPDATA%\npm-cache]],
}

function this:GetPluginName()
    for _, path in ipairs(installed) do
        if self:PathExists(path) then
            return "npm cache"
        end
    end
    return ""
end

function this:GetPluginDescription()
    return "npm's package cache; the next build or install downloads the packages again."
end

function this:GetPluginIcon()
    return self:GetIconIndexByExt("tmp")
end

function this:GetSize()
    return self:MeasureFiles(jobs)
end

function this:Clear()
    self:DeleteFiles(jobs)
end
