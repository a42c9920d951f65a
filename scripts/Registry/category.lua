-- Lists of recently used items that Windows keeps in the registry.

function this:GetCategoryName()
    return "Registry"
end

function this:GetCategoryIcon()
    return self:GetIconIndexByExt("reg")
end
