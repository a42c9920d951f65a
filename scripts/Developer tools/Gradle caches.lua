-- Gradle's caches of downloaded dependencies and built scripts; the next build downloads and builds
-- again what it needs. Stop running Gradle daemons first.
-- GetSize and Clear run the same job tables, so what the list shows is what Clear Selected removes.
local jobs = {
    {folder = [[%USERPROFILE%\.gradle\caches]], recurse = true},
}

-- Where the program keeps its files: without any of them it is not installed, and GetPluginName
-- answers no name, so that it gets no row.
local installed = {
    [[%USERPROFILE%\.gradle\caches]],
}

function this:GetPluginName()
    for _, path in ipairs(installed) do
        if self:PathExists(path) then
            return "Gradle caches"
        end
    end
    return ""
end

function this:GetPluginDescription()
    return "Gradle's dependency and build caches; the next build downloads them again. Stop Gradle daemons first."
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
