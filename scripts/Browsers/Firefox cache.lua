-- Cached pages, thumbnails, start-up and shader caches of every Firefox profile, the store edition's
-- included. Cookies, history, passwords and settings are not touched.
-- GetSize and Clear run the same job tables, so what the list shows is what Clear Selected removes.
-- The local half of an installed profile holds its caches, the roaming half its shader cache; the
-- store edition keeps both halves below its package's LocalCache.
local store = [[%LOCALAPPDATA%\Packages\Mozilla.Firefox_*\LocalCache]]
local caches = {"cache2", "thumbnails", "startupCache", "jumpListCache", "shader-cache"}
local places = {
    {[[%LOCALAPPDATA%\Mozilla\Firefox\Profiles]], caches},
    {[[%APPDATA%\Mozilla\Firefox\Profiles]], {"shader-cache"}},
    {store .. [[\Local\Mozilla\Firefox\Profiles]], caches},
    {store .. [[\Roaming\Mozilla\Firefox\Profiles]], caches},
}
local jobs = {}
for _, place in ipairs(places) do
    for _, cache in ipairs(place[2]) do
        jobs[#jobs + 1] = {folder = place[1] .. "\\*\\" .. cache, recurse = true}
    end
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
            return "Firefox cache"
        end
    end
    return ""
end

function this:GetPluginDescription()
    return "Cached pages, thumbnails and shader caches of every Firefox profile; close Firefox first."
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
