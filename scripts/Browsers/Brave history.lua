-- The browsing and download history of every Brave profile (release, Beta and Nightly channels),
-- with the address bar's shortcuts, top sites and predictions. Bookmarks, passwords and settings are
-- not touched.
-- GetSize and Clear run the same job tables, so what the list shows is what Clear Selected removes.
-- The User Data folder of each channel, and its profiles by name (never a folder below them).
local userData = {}
for _, channel in ipairs({"Brave-Browser", "Brave-Browser-Beta", "Brave-Browser-Nightly"}) do
    userData[#userData + 1] = [[%LOCALAPPDATA%\BraveSoftware\]] .. channel .. [[\User Data]]
end
local profiles = {"Default", "Profile *", "Guest Profile"}
local jobs = {}
-- The history files, named at profile depth only: a file of the same name in an extension's
-- folder or anywhere deeper is never touched.
local history = "*\\History;*\\History-journal;*\\Visited Links;*\\Shortcuts;*\\Shortcuts-journal;" ..
    "*\\Top Sites;*\\Top Sites-journal;*\\Network Action Predictor;*\\Network Action Predictor-journal;" ..
    "*\\History Provider Cache;*\\DownloadMetadata"
for _, root in ipairs(userData) do
    for _, profile in ipairs(profiles) do
        jobs[#jobs + 1] = {folder = root .. "\\" .. profile, masks = history}
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
            return "Brave history (forgets visited pages)"
        end
    end
    return ""
end

function this:GetPluginDescription()
    return "Visited pages, downloads list, top sites and address bar predictions of every Brave profile; close Brave first."
end

function this:GetPluginWarning()
    return "Brave forgets the pages you visited, your downloads list and its address bar suggestions."
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
