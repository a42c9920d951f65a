-- The recent and pinned items that programs show in their taskbar jump lists. The file that holds
-- the folders pinned to Quick Access (f01b4d95cf55d32a) is kept.
-- GetSize and Clear run the same job tables, so what the list shows is what Clear Selected removes.
local jobs = {
    {folder = [[%RECENT%\AutomaticDestinations]], masks = "*.automaticDestinations-ms", exclude = "*\\f01b4d95cf55d32a.automaticDestinations-ms"},
    {folder = [[%RECENT%\CustomDestinations]], masks = "*.customDestinations-ms"},
}

function this:GetPluginName()
    return "Jump lists"
end

function this:GetPluginDescription()
    return "Recent and pinned items of the taskbar's jump lists; Quick Access keeps its pinned folders."
end

function this:GetPluginWarning()
    return "Programs forget the files you pinned to their jump lists."
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
