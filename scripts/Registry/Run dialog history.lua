-- The commands typed into the Run dialog, which it offers again.
-- Only the values of this one key are counted and deleted; its subkeys are left alone.
local key = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU"

function this:GetPluginName()
    return "Run dialog history"
end

function this:GetPluginDescription()
    return "The commands typed into the Run dialog."
end

function this:GetPluginIcon()
    return self:GetIconIndexByExt("reg")
end

function this:GetSize()
    -- Registry entries take no disk space worth counting: the size is 0, the count the entries.
    return 0, self:RegKeyGetNumberOfValues(key, "")
end

function this:Clear()
    self:RegKeyDeleteValues(key, "")
end
