-- NuGet's HTTP and plugin caches. The global packages folder (.nuget\packages) is never touched.
-- GetSize and Clear run the same job tables, so what the list shows is what Clear Selected removes.
local jobs = {
    {folder = [[%LOCALAPPDATA%\NuGet\*Cache]], recurse = true},
}

-- Where the program keeps its files: without any of them it is not installed, and GetPluginName
-- answers no name, so that it gets no row.
local installed = {
    [[%LOCALAPPDATA%\NuGet]],
}

function this:GetPluginName()
    for _, path in ipairs(installed) do
        if self:PathExists(path) then
            return "NuGet HTTP and plugin caches"
        end
    end
    return ""
end

function this:GetPluginDescription()
    return "NuGet's HTTP and plugin caches; the next restore downloads again. The global packages folder stays."
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
