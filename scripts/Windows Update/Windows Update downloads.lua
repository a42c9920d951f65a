-- Update packages Windows Update has downloaded and installed (needs administrator rights;
-- without them nothing is touched).
-- GetSize and Clear walk exactly the same folders with the same masks and recursion, so what
-- the list shows is what Clear Selected removes.
local jobs = {
    {"%WINDIR%\\SoftwareDistribution\\Download", "", true},
}

function this:GetPluginName()
    return "Windows Update download cache"
end

function this:GetPluginIcon()
    return self:GetIconIndex("%WINDIR%\\SoftwareDistribution")
end

function this:GetSize()
    local size, count = 0, 0
    for _, job in ipairs(jobs) do
        local s, c = self:GetFolderSize(job[1], job[2], job[3])
        size = size + tonumber(s)
        count = count + tonumber(c)
    end
    return string.format("%.0f", size), count
end

function this:Clear()
    for _, job in ipairs(jobs) do
        self:DeleteFolderContent(job[1], job[2], job[3])
    end
end
