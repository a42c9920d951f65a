-- The scan history and support logs of the built-in antivirus (needs administrator rights). Its
-- quarantine is never touched: quarantined files can still be restored.
-- GetSize and Clear run the same job tables, so what the list shows is what Clear Selected removes.
local jobs = {
    {folder = [[%ProgramData%\Microsoft\Windows Defender\Scans\History]], recurse = true},
    {folder = [[%ProgramData%\Microsoft\Windows Defender\Support]], recurse = true},
}

-- Where the program keeps its files: without any of them it is not installed, and GetPluginName
-- answers no name, so that it gets no row.
local installed = {
    [[%ProgramData%\Microsoft\Windows Defender]],
}

function this:GetPluginName()
    for _, path in ipairs(installed) do
        if self:PathExists(path) then
            return "Windows Defender scan history and logs"
        end
    end
    return ""
end

function this:GetPluginDescription()
    return "The built-in antivirus's scan history and support logs; never its quarantine. Needs administrator rights."
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
