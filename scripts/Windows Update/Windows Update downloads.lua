-- Update packages that Windows Update downloaded, pending ones included (needs administrator rights;
-- without them nothing is touched). Skipped while Windows is installing updates.
-- GetSize and Clear run the same job tables, so what the list shows is what Clear Selected removes.
local jobs = {
    {folder = [[%WINDIR%\SoftwareDistribution\Download]], recurse = true},
}

-- Windows Update's workers: while one runs, the downloads may be in use; Clear skips then.
local programs = {"TiWorker.exe", "TrustedInstaller.exe", "MoUsoCoreWorker.exe", "usocoreworker.exe", "wuauclt.exe"}

function this:GetPluginName()
    return "Windows Update download cache"
end

function this:GetPluginDescription()
    return "Packages Windows Update downloaded, pending updates included; skipped while updates are being installed. Needs administrator rights."
end

function this:GetPluginWarning()
    return "Pending updates must be downloaded again, and some installed updates can no longer be uninstalled."
end

function this:GetPluginIcon()
    return self:GetIconIndex("%WINDIR%\\SoftwareDistribution")
end

function this:GetSize()
    return self:MeasureFiles(jobs)
end

function this:Clear()
    for _, program in ipairs(programs) do
        if self:IsProcessRunning(program) then
            return "Windows Update is busy downloading or installing updates: clean when it has finished."
        end
    end
    self:DeleteFiles(jobs)
end
