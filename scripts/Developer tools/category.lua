-- Package and build caches of developer tools; the next build or install downloads again what it needs.

function this:GetCategoryName()
    return "Developer tools"
end

function this:GetCategoryIcon()
    return self:GetIconIndexByExt("tmp")
end
