-- Explorer's caches of thumbnails and icons; Explorer builds them again as needed. The files
-- Explorer holds open are passed over.
-- GetSize and Clear walk exactly the same folders with the same masks and recursion, so what
-- the list shows is what Clear Selected removes.
local jobs = {
    {"%LOCALAPPDATA%\\Microsoft\\Windows\\Explorer", "*\\thumbcache_*.db;*\\iconcache_*.db", false},
}

function this:GetPluginName()
    return "Thumbnail and icon caches"
end

function this:GetPluginIcon()
    return self:GetIconIndexByExt("db")
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
