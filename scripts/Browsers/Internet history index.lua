-- The history and cache index files of the browser components built into Windows, emptied in
-- place: every page record goes, the files themselves stay (programs may hold them open), so
-- this job frees no disk space and shows none.
local folders = {
    "%HISTORY%\\History.IE5",
    "%INTERNET_CACHE%\\Content.IE5",
    "%COOKIES%",
}

function this:GetPluginName()
    return "Internet history index (forgets visited pages)"
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
