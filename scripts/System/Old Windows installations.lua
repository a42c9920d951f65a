-- What a Windows upgrade or reset keeps of the previous installation (Windows.old) and the working
-- folders of upgrades, removed whole (needs administrator rights).
-- GetSize and Clear run the same job tables, so what the list shows is what Clear Selected removes.
local jobs = {
    {folder = [[%SystemDrive%\Windows.old]], masks = "*", recurse = true, removeSelf = true},
    {folder = [[%SystemDrive%\$Windows.~BT]], masks = "*", recurse = true, removeSelf = true},
    {folder = [[%SystemDrive%\$Windows.~WS]], masks = "*", recurse = true, removeSelf = true},
    {folder = [[%SystemDrive%\$Windows.~Q]], masks = "*", recurse = true, removeSelf = true},
    {folder = [[%SystemDrive%\$INPLACE.~TR]], masks = "*", recurse = true, removeSelf = true},
}

-- Where the program keeps its files: without any of them it is not installed, and GetPluginName
-- answers no name, so that it gets no row.
local installed = {
    [[%SystemDrive%\Windows.old]],
    [[%SystemDrive%\$Windows.~BT]],
    [[%SystemDrive%\$Windows.~WS]],
    [[%SystemDrive%\$Windows.~Q]],
    [[%SystemDrive%\$INPLACE.~TR]],
}

function this:GetPluginName()
    for _, path in ipairs(installed) do
        if self:PathExists(path) then
            return "Old Windows installations"
        end
    end
    return ""
end

function this:GetPluginDescription()
    return "The previous Windows installation kept after an upgrade (Windows.old) and upgrade working folders; needs administrator rights."
end

function this:GetPluginWarning()
    return "Going back to the previous version of Windows becomes impossible, and files left in Windows.old are gone for good."
end

function this:GetPluginIcon()
    return self:GetIconIndex("%WINDIR%")
end

function this:GetSize()
    return self:MeasureFiles(jobs)
end

function this:Clear()
    self:DeleteFiles(jobs)
end
