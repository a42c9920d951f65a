-- Downloads that Windows Update keeps after installing them. These jobs need administrator
-- rights; without them they measure and remove nothing.

function this:GetCategoryName()
    return "Windows Update"
end

function this:GetCategoryIcon()
    return self:GetIconIndex("%WINDIR%")
end
