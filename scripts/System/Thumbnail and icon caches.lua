-- Explorer's caches of thumbnails and icons; Explorer builds them again as needed.
-- GetSize and Clear run the same job tables, so what the list shows is what Clear Selected removes.
local jobs = {
    {folder = [[%LOCALAPPDATA%\Microsoft\Windows\Explorer]], masks = "*\\thumbcache_*.db;*\\iconcache_*.db"},
    {folder = [[%LOCALAPPDATA%]], masks = "*\\IconCache.db"},
}

-- Explorer holds the caches open while it runs and frees nothing of them: Clear skips then, rather
-- than promise bytes it cannot free.
local programs = {"explorer.exe"}

function this:GetPluginName()
    return "Thumbnail and icon caches"
end

function this:GetPluginDescription()
    return "Explorer's thumbnail and icon caches; Explorer holds them open, so they are cleaned only while Explorer is not running."
end

function this:GetPluginIcon()
    return self:GetIconIndexByExt("db")
end

function this:GetSize()
    return self:MeasureFiles(jobs)
end

function this:Clear()
    for _, program in ipairs(programs) do
        if self:IsProcessRunning(program) then
            return "Explorer holds these caches open while it runs: clean them when Explorer is not running (for example with QuillsweepCmd at sign-in)."
        end
    end
    self:DeleteFiles(jobs)
end
