-- The list of recently opened documents that Explorer and the Start menu keep: the key with
-- its values and its per-type subkeys (.txt, .docx, Folder, ...), deleted whole; Explorer
-- creates it again.
local key = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RecentDocs"

function this:GetPluginName()
    return "Recent documents list"
end

function this:GetPluginDescription()
    return "Explorer's list of recently opened documents, for every file type."
end

function this:GetPluginIcon()
    return self:GetIconIndexByExt("reg")
end

function this:GetSize()
    -- Registry entries take no disk space worth counting: the size is 0, the count the keys and
    -- values that the deletion removes.
    return 0, self:RegKeyMeasureTree(key)
end

function this:Clear()
    self:RegKeyDeleteTree(key)
end
