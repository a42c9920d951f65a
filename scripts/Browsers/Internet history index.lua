-- The history and cache index files (index.dat) that the browser components of Windows kept
-- before Windows 10, emptied in place: every page record goes, the files themselves stay
-- (programs may hold them open), so this job frees no disk space and shows none. Windows 10 and
-- later keep no such files: there the job gets no row. Cookies are left to the cookie jobs.
local folders = {
    "%HISTORY%\\History.IE5",
    "%INTERNET_CACHE%\\Content.IE5",
}

function this:GetPluginName()
    for _, folder in ipairs(folders) do
        if self:PathExists(folder .. "\\index.dat") then
            return "Internet history index (legacy, forgets visited pages)"
        end
    end
    return ""
end

function this:GetPluginDescription()
    return "Page records of the history and cache index files that Windows kept before Windows 10; frees no space."
end

function this:GetPluginWarning()
    return "The browser components of Windows forget the pages you visited."
end

function this:GetPluginIcon()
    return self:GetIconIndex("%HISTORY%")
end

function this:GetSize()
    return 0, 0
end

function this:Clear()
    for _, folder in ipairs(folders) do
        self:ClearIndexFile(folder, 1)
    end
end
