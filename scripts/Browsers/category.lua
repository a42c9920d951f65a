-- Caches, cookies and history of the web browsers, each profile included.

function this:GetCategoryName()
    return "Browsers"
end

function this:GetCategoryIcon()
    return self:GetIconIndexByExt("htm")
end
