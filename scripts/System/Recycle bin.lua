-- The recycle bins of all drives, emptied without asking and without sound.

function this:GetPluginName()
    return "Recycle bin"
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
