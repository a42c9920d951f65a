-- The cookies of every Firefox profile, the store edition's included: websites forget your sign-ins
-- and preferences.
-- GetSize and Clear run the same job tables, so what the list shows is what Clear Selected removes.
-- The roaming half of every profile, the store edition's below its package's LocalCache.
local profiles = {
    [[%APPDATA%\Mozilla\Firefox\Profiles\*]],
    [[%LOCALAPPDATA%\Packages\Mozilla.Firefox_*\LocalCache\Roaming\Mozilla\Firefox\Profiles\*]],
}
local jobs = {}
for _, profile in ipairs(profiles) do
    jobs[#jobs + 1] = {folder = profile, masks = "*\\cookies.sqlite;*\\cookies.sqlite-wal;*\\cookies.sqlite-shm"}
end

-- Where the program keeps its files: without any of them it is not installed, and GetPluginName
-- answers no name, so that it gets no row.
local installed = {
    [[%LOCALAPPDATA%\Mozilla\Firefox\Profiles]],
    [[%APPDATA%\Mozilla\Firefox\Profiles]],
    [[%LOCALAPPDATA%\Packages\Mozilla.Firefox_*\LocalCache\Roaming\Mozilla\Firefox\Profiles]],
}

-- While it runs the program holds these files open and writes them back: Clear skips then.
local programs = {"firefox.exe"}

function this:GetPluginName()
    for _, path in ipairs(installed) do
        if self:PathExists(path) then
            return "Firefox cookies (signs you out of websites)"
        end
    end
    return ""
end

function this:GetPluginDescription()
    return "The cookies of every Firefox profile; close Firefox first."
end

function this:GetPluginWarning()
    return "Signs you out of every website in Firefox and forgets your site preferences."
end

function this:GetPluginIcon()
    return self:GetIconIndexByExt("htm")
end

function this:GetSize()
    return self:MeasureFiles(jobs)
end

function this:Clear()
    for _, program in ipairs(programs) do
        if self:IsProcessRunning(program) then
            return "Firefox is running and holds these files open: close it first, then clean again."
        end
    end
    self:DeleteFiles(jobs)
end
