-- Log files that Windows setup, servicing and system components wrote. The event logs
-- (System32\winevt) are never touched; logs in use stay.
-- GetSize and Clear run the same job tables, so what the list shows is what Clear Selected removes.
local jobs = {
    {folder = [[%WINDIR%\Logs\CBS]], masks = "*.cab"},
    {folder = [[%WINDIR%\Logs]], masks = "*.log", recurse = true},
    {folder = [[%WINDIR%\Panther]], masks = "*.log;*.etl", recurse = true},
    {folder = [[%WINDIR%\System32\LogFiles]], masks = "*.log;*.etl", recurse = true},
}

function this:GetPluginName()
    return "Old Windows log files"
end

function this:GetPluginDescription()
    return "Logs of Windows setup, servicing and system components (CBS archives, Logs, Panther, System32\\LogFiles); never the event logs."
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
