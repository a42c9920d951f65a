-- Temporary internet files of the browser components built into Windows.
-- GetSize and Clear run the same job tables, so what the list shows is what Clear Selected removes.
local jobs = {
    {folder = [[%INTERNET_CACHE%]], recurse = true},
}

function this:GetPluginName()
    return "Internet cache of Windows"
end

function this:GetPluginDescription()
    return "Temporary internet files that Windows' built-in browser components keep."
end

function this:GetPluginIcon()
    return self:GetIconIndex("%INTERNET_CACHE%")
end

function this:GetSize()
    return self:MeasureFiles(jobs)
end

function this:Clear()
    self:DeleteFiles(jobs)
end
