// Scanning the scripts folder into rows, and restoring the stored checks on them.
#include "engine/Catalogue.h"

#include "engine/FileNameText.h"
#include "framework/Handle.h"
#include "hostfn/FolderWalk.h"
#include "hostfn/PathLimits.h"
#include "hostfn/PathMacros.h"

#include <windows.h>

#include <memory>
#include <vector>

namespace qs {
namespace {

struct FolderIdentity {
    DWORD volume = 0;
    DWORD high = 0;
    DWORD low = 0;
    bool known = false;
    bool operator==(const FolderIdentity& o) const {
        return known && o.known && volume == o.volume && high == o.high && low == o.low;
    }
};

// The form of a full path that the file functions take character for character: behind the
// \\?\ prefix no component is dropped or trimmed ("..", trailing dots and spaces stay part of the
// name they belong to) and no length limit applies.
std::wstring Exact(const std::wstring& full) {
    if (full.compare(0, 4, L"\\\\?\\") == 0)
        return full;
    if (full.compare(0, 2, L"\\\\") == 0)
        return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

// The folder a path leads to, links followed.
FolderIdentity IdentityOf(const std::wstring& path) {
    FolderIdentity id;
    Handle folder(CreateFileW(Exact(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (folder && GetFileInformationByHandle(folder.Get(), &info)) {
        id.volume = info.dwVolumeSerialNumber;
        id.high = info.nFileIndexHigh;
        id.low = info.nFileIndexLow;
        id.known = true;
    }
    return id;
}

bool IsFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(Exact(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The scripts folder as a full UTF-16 path ending with a backslash. The folder is given in the
// ANSI code page, which converts to UTF-16 exactly; everything below it is listed in UTF-16.
std::wstring FullFolder(const std::string& folder) {
    const std::wstring wide = WideFromAnsi(folder);
    std::wstring full(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), &full[0], nullptr);
        if (n == 0) {
            full = wide;
            break;
        }
        if (n < full.size()) {
            full.resize(n);
            break;
        }
        full.resize(n + 1);
    }
    if (full.empty() || full.back() != L'\\')
        full += L'\\';
    return full;
}

// Scans folders by the names they list, in UTF-16, and loads every script by the exact name it
// was listed under. Names reach text only in their shown form (FileNameText.h): in reports,
// chunk names and the names of categories that have no name of their own.
class CScan {
public:
    CScan(CLuaVirtualMachine& vm, CScriptsModel& list, CCatalogueObserver* observer)
        : m_vm(vm), m_list(list), m_observer(observer) {}

    // `folder` is a full path ending with a backslash.
    void AddFolderRows(const std::wstring& folder, CScriptRow* parent) {
        // Paths past the classic limit are left alone, never cut down to fit.
        if (folder.size() + 1 > kMaxPathChars) {
            Report(folder, CCatalogueObserver::kPathTooLong);
            return;
        }
        WIN32_FIND_DATAW data;
        FindHandle find(FindFirstFileW(Exact(folder + L'*').c_str(), &data));
        if (!find)
            return;
        m_folders.push_back(folder);
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring full = folder + name;
            if (full.size() > kMaxPathChars) {
                Report(full, CCatalogueObserver::kPathTooLong);
                continue;
            }
            if (IsDirectory(data.dwFileAttributes)) {
                if (!IsReparsePoint(data.dwFileAttributes) || !LeadsToAnAncestor(full))
                    AddCategory(name, full, parent);
            } else {
                AddPlugin(full, parent);
            }
        } while (FindNextFileW(find.Get(), &data));
        m_folders.pop_back();
    }

private:
    // Loads the file listed as `full` under that exact name.
    static bool Load(CPluginScript& script, const std::wstring& full) {
        return script.LoadFile(Exact(full), ShownFileName(full));
    }

    void AddCategory(const std::wstring& name, const std::wstring& full, CScriptRow* parent) {
        auto script = std::make_unique<CPluginScript>(m_vm);
        script->SetName(ShownFileName(name));
        const std::wstring categoryFile = full + L"\\category.lua";
        if (categoryFile.size() <= kMaxPathChars) {
            std::size_t errors = m_vm.ErrorCount();
            if (Load(*script, categoryFile)) {
                std::string answered;
                errors = m_vm.ErrorCount();
                if (script->GetCategoryName(answered)) {
                    errors = m_vm.ErrorCount();
                    script->GetCategoryIcon();
                    if (m_vm.ErrorCount() != errors)
                        Report(categoryFile, CCatalogueObserver::kCategoryIconRaised, errors);
                } else if (m_vm.ErrorCount() != errors) {
                    Report(categoryFile, CCatalogueObserver::kCategoryNameRaised, errors);
                }
            } else if (m_observer != nullptr && IsFile(categoryFile)) {
                // A folder without category.lua is an ordinary category; only a file that is
                // there and fails is worth a word.
                Report(categoryFile, CCatalogueObserver::kCategoryLoadFailed, errors);
            }
        }
        // The row is added whether or not its script loaded.
        const int icon = script->IconIndex();
        CScriptRow* row = m_list.InsertItem(std::move(script), icon, kUnchecked, TRUE, parent);
        if (m_observer != nullptr)
            m_observer->OnRowAdded(row, ShownFileName(full));
        AddFolderRows(full + L'\\', row);
    }

    void AddPlugin(const std::wstring& full, CScriptRow* parent) {
        auto script = std::make_unique<CPluginScript>(m_vm);
        std::string name;
        // Without a row the object goes at once.
        std::size_t errors = m_vm.ErrorCount();
        if (!Load(*script, full)) {
            Report(full, CCatalogueObserver::kLoadFailed, errors);
            return;
        }
        errors = m_vm.ErrorCount();
        if (!script->GetPluginName(name)) {
            Report(full,
                   m_vm.ErrorCount() != errors ? CCatalogueObserver::kPluginNameRaised
                                               : CCatalogueObserver::kNoPluginName,
                   errors);
            return;
        }
        errors = m_vm.ErrorCount();
        const int icon = script->GetPluginIcon();
        if (m_vm.ErrorCount() != errors)
            Report(full, CCatalogueObserver::kPluginIconRaised, errors);
        if (name.empty()) {
            Report(full, CCatalogueObserver::kEmptyPluginName);
            return;
        }
        script->ReadPluginTexts();
        CScriptRow* row = m_list.InsertItem(std::move(script), icon, kUnchecked, FALSE, parent);
        if (m_observer != nullptr)
            m_observer->OnRowAdded(row, ShownFileName(full));
    }

    // Tells the observer, if any; the Lua error goes with it when one was raised after the
    // machine had counted `errorsBefore`.
    void Report(const std::wstring& path, CCatalogueObserver::Problem problem,
                std::size_t errorsBefore = static_cast<std::size_t>(-1)) {
        if (m_observer == nullptr)
            return;
        const bool raised = errorsBefore != static_cast<std::size_t>(-1) && m_vm.ErrorCount() != errorsBefore;
        m_observer->OnProblem(ShownFileName(path), problem, raised ? m_vm.LastError() : std::string());
    }

    // A link back to a folder being scanned would repeat the scan below itself until the paths
    // grow too long: such a link is left out.
    bool LeadsToAnAncestor(const std::wstring& link) const {
        const FolderIdentity target = IdentityOf(link);
        for (const std::wstring& folder : m_folders)
            if (IdentityOf(folder) == target)
                return true;
        return false;
    }

    CLuaVirtualMachine& m_vm;
    CScriptsModel& m_list;
    CCatalogueObserver* m_observer;
    std::vector<std::wstring> m_folders; // the folders being scanned, outermost first
};

// Removes the categories below `row` that hold no plugin row; answers whether a plugin row
// remains below it.
bool RemoveEmptyBelow(CScriptsModel& list, CScriptRow& row) {
    bool plugins = false;
    for (CScriptRow* child = row.firstChild; child != nullptr;) {
        CScriptRow* next = child->nextSibling;
        if (child->isGroup == 0 || RemoveEmptyBelow(list, *child))
            plugins = true;
        else
            list.DeleteItem(child);
        child = next;
    }
    return plugins;
}

} // namespace

void RemoveEmptyCategories(CScriptsModel& list) { RemoveEmptyBelow(list, *list.GetRootItem()); }

void RestoreStoredChecks(CScriptsModel& list, const CSelectionStore& selection, CScriptRow* row) {
    if (row == nullptr)
        return;
    if (row->checkState != kChecked && row->userData != nullptr && selection.Contains(row->userData->Name()))
        list.SetCheck(row, kChecked, true, true);
    for (CScriptRow* child = row->firstChild; child != nullptr; child = child->nextSibling)
        RestoreStoredChecks(list, selection, child);
}

bool ScanScriptFolder(CLuaVirtualMachine& vm, CScriptsModel& list, const CSelectionStore& selection,
                      const std::string& folder, CScriptRow* parent, CCatalogueObserver* observer) {
    if (parent == nullptr)
        parent = list.GetRootItem();
    CScriptRow* before = parent->lastChild;
    CScan(vm, list, observer).AddFolderRows(FullFolder(folder), parent);
    // The stored checks are restored once the rows are all in place. Checked while its folder
    // was still being read, a row would make its category wholly checked as long as it was the
    // only row there, and every row read after it would then start checked as well, including
    // the ones the user had unchecked.
    for (CScriptRow* row = before != nullptr ? before->nextSibling : parent->firstChild; row != nullptr;
         row = row->nextSibling)
        RestoreStoredChecks(list, selection, row);
    return true;
}

void LoadScripts(CLuaVirtualMachine& vm, CScriptsModel& list, const CSelectionStore& selection,
                 CCatalogueObserver* observer) {
    list.DeleteAllItems();
    std::string folder = ScriptsFolderPath();
    if (folder.empty())
        return;
    EnsureTrailingBackslash(folder);
    ScanScriptFolder(vm, list, selection, folder, list.GetRootItem(), observer);
}

} // namespace qs
