-- The files that programs leave in the user's temporary folder.
local folder = "%TEMP%"

function this:GetPluginName()
    return "User temporary files"
end

function this:GetPluginIcon()
    return self:GetIconIndex(folder)
end

function this:GetSize()
    return self:GetFolderSize(folder, "", true)
end

function this:Clear()
    self:DeleteFolderContent(folder, "", true)
end
