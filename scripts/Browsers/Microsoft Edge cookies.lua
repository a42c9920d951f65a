-- The cookies of every Microsoft Edge profile (stable, Beta, Dev and Canary channels): websites
-- forget your sign-ins and preferences.
-- GetSize and Clear run the same job tables, so what the list shows is what Clear Selected removes.
-- The User Data folder of each channel, and its profiles by name (never a folder below them).
local userData = {}
for _, channel in ipairs({"Edge", "Edge Beta", "Edge Dev", "Edge SxS"}) do
    userData[#userData + 1] = [[%LOCALAPPDATA%\Microsoft\]] .. channel .. [[\User Data]]
end
local profiles = {"Default", "Profile *", "Guest Profile"}
local jobs = {}
-- The cookie files at profile depth (in Network, and where older versions kept them).
for _, root in ipairs(userData) do
    for _, profile in ipairs(profiles) do
        for _, folder in ipairs({"\\Network", ""}) do
            jobs[#jobs + 1] = {folder = root .. "\\" .. profile .. folder, masks = "*\\Cookies;*\\Cookies-journal"}
        end
    end
end

-- Where the program keeps its files: without any of them it is not installed, and GetPluginName
-- answers no name, so that it gets no row.
local installed = {
    [[%LOCALAPPDATA%\Microsoft\Edge\User Data]],
    [[%LOCALAPPDATA%\Microsoft\Edge Beta\User Data]],
    [[%LOCALAPPDATA%\Microsoft\Edge Dev\User Data]],
    [[%LOCALAPPDATA%\Microsoft\Edge SxS\User Data]],
}

-- While it runs the program holds these files open and writes them back: Clear skips then.
local programs = {"msedge.exe"}

function this:GetPluginName()
    for _, path in ipairs(installed) do
        if self:PathExists(path) then
            return "Microsoft Edge cookies (signs you out of websites)"
        end
    end
    return ""
end

function this:GetPluginDescription()
    return "The cookies of every Microsoft Edge profile; close Microsoft Edge first."
end

function this:GetPluginWarning()
    return "Signs you out of every website in Microsoft Edge and forgets your site preferences."
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
            return "Microsoft Edge is running and holds these files open: close it first, then clean again."
        end
    end
    self:DeleteFiles(jobs)
end
