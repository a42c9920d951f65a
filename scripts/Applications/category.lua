-- Caches and logs of applications (games, chat, editors); each job only where its program is installed.

function this:GetCategoryName()
    return "Applications"
end

function this:GetCategoryIcon()
    return self:GetIconIndexByExt("exe")
end
