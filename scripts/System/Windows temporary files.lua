-- Files older than a day that Windows and installers leave in the system's temporary folders (needs
-- administrator rights; without them nothing is touched).
-- GetSize and Clear run the same job tables, so what the list shows is what Clear Selected removes.
local jobs = {
    {folder = [[%WINDIR%\Temp]], recurse = true, minAgeHours = 24},
    {folder = [[%WINDIR%\SystemTemp]], recurse = true, minAgeHours = 24},
}

function this:GetPluginName()
    return "Windows temporary files"
end

function this:GetPluginDescription()
    return "Files older than 24 hours in Windows' temporary folders (Temp and SystemTemp); needs administrator rights."
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
