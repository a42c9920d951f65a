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
    local size, count = 0, 0
    for _, job in ipairs(jobs) do
        local s, c = self:MeasureFiles(job)
        size = size + (tonumber(s) or 0)
        count = count + (tonumber(c) or 0)
    end
    return string.format("%.0f", size), count
end

function this:Clear()
    for _, job in ipairs(jobs) do
        self:DeleteFiles(job)
    end
end
