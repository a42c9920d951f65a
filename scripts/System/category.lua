-- Category of jobs that clean what Windows itself leaves behind.
function this:GetCategoryName()
    return "System"
end

function this:GetCategoryIcon()
    return self:GetIconIndex("%SYSTEM%")
end
