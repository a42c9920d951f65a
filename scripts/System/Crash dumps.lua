-- Memory dumps written when programs or Windows crashed, and the reports of hangs the kernel
-- recovered from.
-- GetSize and Clear run the same job tables, so what the list shows is what Clear Selected removes.
local jobs = {
    {folder = [[%LOCALAPPDATA%\CrashDumps]], masks = "*.dmp"},
    {folder = [[%WINDIR%\Minidump]], masks = "*.dmp"},
    {folder = [[%WINDIR%]], masks = "*\\MEMORY.DMP"},
    {folder = [[%WINDIR%\LiveKernelReports]], masks = "*.dmp", recurse = true},
}

function this:GetPluginName()
    return "Crash dumps"
end

function this:GetPluginDescription()
    return "Memory dumps of crashed programs, of Windows itself and of recovered hangs (LiveKernelReports)."
end

function this:GetPluginIcon()
    return self:GetIconIndexByExt("dmp")
end

function this:GetSize()
    return self:MeasureFiles(jobs)
end

function this:Clear()
    self:DeleteFiles(jobs)
end
