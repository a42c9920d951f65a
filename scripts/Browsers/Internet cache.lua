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
