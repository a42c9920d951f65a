-- Cached pages, scripts and shaders of every Google Chrome profile (stable, Beta, Dev and Canary
-- channels). Cookies, history, passwords, settings and site data are not touched.
-- GetSize and Clear run the same job tables, so what the list shows is what Clear Selected removes.
-- The User Data folder of each channel, and its profiles by name (never a folder below them).
local userData = {}
for _, channel in ipairs({"Chrome", "Chrome Beta", "Chrome Dev", "Chrome SxS"}) do
    userData[#userData + 1] = [[%LOCALAPPDATA%\Google\]] .. channel .. [[\User Data]]
end
local profiles = {"Default", "Profile *", "Guest Profile"}
local jobs = {}
-- Whole cache folders: every file inside goes, the folders stay for the browser.
for _, root in ipairs(userData) do
    for _, profile in ipairs(profiles) do
        for _, cache in ipairs({"Cache", "Code Cache", "GPUCache", "DawnCache", "DawnGraphiteCache", "DawnWebGPUCache"}) do
            jobs[#jobs + 1] = {folder = root .. "\\" .. profile .. "\\" .. cache, recurse = true}
        end
    end
    for _, cache in ipairs({"ShaderCache", "GrShaderCache", "GraphiteDawnCache"}) do
        jobs[#jobs + 1] = {folder = root .. "\\" .. cache, recurse = true}
    end
end

-- Where the program keeps its files: without any of them it is not installed, and GetPluginName
-- answers no name, so that it gets no row.
local installed = {
    [[%LOCALAPPDATA%\Google\Chrome\User Data]],
    [[%LOCALAPPDATA%\Google\Chrome Beta\User Data]],
    [[%LOCALAPPDATA%\Google\Chrome Dev\User Data]],
    [[%LOCALAPPDATA%\Google\Chrome SxS\User Data]],
}

-- While it runs the program holds these files open and writes them back: Clear skips then.
local programs = {"chrome.exe"}

function this:GetPluginName()
    for _, path in ipairs(installed) do
        if self:PathExists(path) then
            return "Google Chrome cache"
        end
    end
    return ""
end

function this:GetPluginDescription()
    return "Cached pages, scripts and shaders of every Google Chrome profile; close Google Chrome first."
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
            return "Google Chrome is running and holds these files open: close it first, then clean again."
        end
    end
    self:DeleteFiles(jobs)
end
