-- Problem reports that Windows queued or archived, for you and for all users.
-- GetSize and Clear run the same job tables, so what the list shows is what Clear Selected removes.
local jobs = {
    {folder = [[%LOCALAPPDATA%\Microsoft\Windows\WER]], recurse = true},
    {folder = [[%ProgramData%\Microsoft\Windows\WER]], recurse = true},
}

function this:GetPluginName()
    return "Windows error reports"
end

function this:GetPluginDescription()
    return "Problem reports Windows queued to send or archived, for you and for all users."
end

function this:GetPluginWarning()
    return "Problem reports that were not sent yet are lost, with the solutions Windows could have offered for them."
end

function this:GetPluginIcon()
    return self:GetIconIndexByExt("log")
end

function this:GetSize()
    return self:MeasureFiles(jobs)
end

function this:Clear()
    self:DeleteFiles(jobs)
end
