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
    return self:MeasureFiles(jobs)
end

function this:Clear()
    self:DeleteFiles(jobs)
end
