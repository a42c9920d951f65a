-- Update pieces that Delivery Optimization keeps to share with other computers, in its older and its
-- current folder (needs administrator rights; without them nothing is touched).
-- GetSize and Clear run the same job tables, so what the list shows is what Clear Selected removes.
local jobs = {
    {folder = [[%WINDIR%\ServiceProfiles\NetworkService\AppData\Local\Microsoft\Windows\DeliveryOptimization\Cache]], recurse = true},
    {folder = [[%WINDIR%\SoftwareDistribution\DeliveryOptimization]], recurse = true},
}

function this:GetPluginName()
    return "Delivery Optimization files"
end

function this:GetPluginDescription()
    return "Update pieces kept to share with other computers; needs administrator rights."
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
