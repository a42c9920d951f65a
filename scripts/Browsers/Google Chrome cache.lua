-- Cached pages, scripts and shaders of every Google Chrome profile. Cookies, history, passwords and
-- settings are not touched.
-- GetSize and Clear walk exactly the same folders with the same masks and recursion, so what
-- the list shows is what Clear Selected removes.
local jobs = {
    {"%LOCALAPPDATA%\\Google\\Chrome\\User Data", "*\\Cache\\Cache_Data;*\\Code Cache\\js;*\\Code Cache\\wasm;*\\Code Cache\\webui_js;*\\GPUCache;*\\ShaderCache;*\\GrShaderCache;*\\GraphiteDawnCache;*\\DawnCache", true},
}

function this:GetPluginName()
    return "Google Chrome cache"
end

function this:GetPluginIcon()
    return self:GetIconIndexByExt("htm")
end

function this:GetSize()
    local size, count = 0, 0
    for _, job in ipairs(jobs) do
        local s, c = self:GetFolderSize(job[1], job[2], job[3])
        size = size + tonumber(s)
        count = count + tonumber(c)
    end
    return string.format("%.0f", size), count
end

function this:Clear()
    for _, job in ipairs(jobs) do
        self:DeleteFolderContent(job[1], job[2], job[3])
    end
end
