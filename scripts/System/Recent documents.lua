-- The shortcuts of the Recent folder (the documents Windows lists as recently opened). The documents
-- themselves are not touched.
-- GetSize and Clear run the same job tables, so what the list shows is what Clear Selected removes.
local jobs = {
    {folder = [[%RECENT%]], masks = "*.lnk"},
}

function this:GetPluginName()
    return "Recent documents (shortcuts)"
end

function this:GetPluginDescription()
    return "Shortcuts to recently opened documents; the documents stay."
end

function this:GetPluginIcon()
    return self:GetIconIndexByExt("lnk")
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
