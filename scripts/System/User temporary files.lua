-- Files that programs leave in your temporary folder, older than a day: files written in the last 24
-- hours may belong to a running installer or program and stay, as do files in use and the folders.
-- GetSize and Clear run the same job tables, so what the list shows is what Clear Selected removes.
local jobs = {
    {folder = [[%TEMP%]], recurse = true, minAgeHours = 24},
}

function this:GetPluginName()
    return "User temporary files"
end

function this:GetPluginDescription()
    return "Files in your temporary folder that are older than 24 hours."
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
