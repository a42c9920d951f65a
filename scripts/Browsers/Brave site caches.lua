-- What websites' service workers stored in every Brave profile (release, Beta and Nightly channels):
-- their caches and scripts. Sites that work offline lose what they stored for it.
-- GetSize and Clear run the same job tables, so what the list shows is what Clear Selected removes.
-- The User Data folder of each channel, and its profiles by name (never a folder below them).
local userData = {}
for _, channel in ipairs({"Brave-Browser", "Brave-Browser-Beta", "Brave-Browser-Nightly"}) do
    userData[#userData + 1] = [[%LOCALAPPDATA%\BraveSoftware\]] .. channel .. [[\User Data]]
end
local profiles = {"Default", "Profile *", "Guest Profile"}
local jobs = {}
for _, root in ipairs(userData) do
    for _, profile in ipairs(profiles) do
        for _, cache in ipairs({"CacheStorage", "ScriptCache"}) do
            jobs[#jobs + 1] = {folder = root .. "\\" .. profile .. "\\Service Worker\\" .. cache, recurse = true}
        end
    end
end

-- Where the program keeps its files: without any of them it is not installed, and GetPluginName
-- answers no name, so that it gets no row.
local installed = {
    [[%LOCALAPPDATA%\BraveSoftware\Brave-Browser\User Data]],
    [[%LOCALAPPDATA%\BraveSoftware\Brave-Browser-Beta\User Data]],
    [[%LOCALAPPDATA%\BraveSoftware\Brave-Browser-Nightly\User Data]],
}

-- While it runs the program holds these files open and writes them back: Clear skips then.
local programs = {"brave.exe"}

function this:GetPluginName()
    for _, path in ipairs(installed) do
        if self:PathExists(path) then
            return "Brave service worker caches"
        end
    end
    return ""
end

function this:GetPluginDescription()
    return "Caches and scripts that websites' service workers stored in every Brave profile; close Brave first."
end

function this:GetPluginWarning()
    return "Websites lose the data they keep for working offline; web apps download it again when next opened."
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
            return "Brave is running and holds these files open: close it first, then clean again."
        end
    end
    self:DeleteFiles(jobs)
end
