-- Jobs that clean what Windows itself and your programs leave behind.

function this:GetCategoryName()
    return "System"
end

function this:GetCategoryIcon()
    return self:GetIconIndex("%SYSTEM%")
end
