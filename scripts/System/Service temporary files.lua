-- Files older than a day in the temporary folders of Windows' service accounts and of the system
-- account (needs administrator rights; without them nothing is touched).
-- GetSize and Clear run the same job tables, so what the list shows is what Clear Selected removes.
local jobs = {
    {folder = [[%WINDIR%\ServiceProfiles\*\AppData\Local\Temp]], recurse = true, minAgeHours = 24},
    {folder = [[%WINDIR%\System32\config\systemprofile\AppData\Local\Temp]], recurse = true, minAgeHours = 24},
}

function this:GetPluginName()
    return "Temporary files of Windows services"
end

function this:GetPluginDescription()
    return "Files older than 24 hours in the temporary folders of the service and system accounts; needs administrator rights."
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
