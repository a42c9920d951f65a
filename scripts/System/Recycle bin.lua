-- The recycle bins of all drives, emptied without asking and without sound.

function this:GetPluginName()
    return "Recycle bin"
end

function this:GetPluginDescription()
    return "Everything in the recycle bins of all drives."
end

function this:GetPluginWarning()
    return "Files in the recycle bin are deleted for good and can no longer be restored."
end

function this:GetPluginIcon()
    return self:GetIconIndexByExt("tmp")
end

function this:GetSize()
    return self:GetRecycleBinInfo()
end

function this:Clear()
    self:EmptyRecycleBin()
end
