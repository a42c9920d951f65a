// Trees with any names, made and read relative to their folders' handles.
#include "support/WideTree.h"

#include "framework/Handle.h"

#include <windows.h>
#include <winternl.h>

#include <vector>

namespace qs::test {
namespace {

using CreateFileFn = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK, PLARGE_INTEGER,
                                      ULONG, ULONG, ULONG, ULONG, PVOID, ULONG);
using QueryDirectoryFn = NTSTATUS(NTAPI*)(HANDLE, HANDLE, PVOID, PVOID, PIO_STATUS_BLOCK, PVOID, ULONG, ULONG, BOOLEAN,
                                          PUNICODE_STRING, BOOLEAN);

template <typename Fn> Fn Ntdll(const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), name)));
}

constexpr ULONG kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr ULONG kFolder = 0x1 | 0x20 | 0x4000; // directory, synchronous, backup intent
constexpr ULONG kFile = 0x40 | 0x20;           // non-directory, synchronous

// `name` below the folder open as `parent`, created (FILE_OPEN_IF) or only opened (FILE_OPEN).
Handle Open(HANDLE parent, const std::wstring& name, bool folder, bool create, ACCESS_MASK access) {
    static const CreateFileFn create_ = Ntdll<CreateFileFn>("NtCreateFile");
    UNICODE_STRING us;
    us.Buffer = const_cast<PWSTR>(name.data());
    us.Length = us.MaximumLength = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    OBJECT_ATTRIBUTES oa;
    InitializeObjectAttributes(&oa, &us, 0, parent, nullptr);
    IO_STATUS_BLOCK io;
    HANDLE h = nullptr;
    if (create_(&h, access | SYNCHRONIZE, &oa, &io, nullptr, 0, kShareAll, create ? 3 : 1, folder ? kFolder : kFile,
                nullptr, 0) < 0)
        return Handle();
    return Handle(h);
}

Handle OpenRoot(const std::string& root) {
    return Handle(CreateFileW(Wide(root).c_str(), FILE_LIST_DIRECTORY | FILE_TRAVERSE | SYNCHRONIZE, kShareAll, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

struct Listed {
    std::wstring name;
    DWORD attributes;
};

std::vector<Listed> List(HANDLE folder) {
    static const QueryDirectoryFn query = Ntdll<QueryDirectoryFn>("NtQueryDirectoryFile");
    struct Entry { // FILE_DIRECTORY_INFORMATION
        ULONG next, index;
        LARGE_INTEGER times[4], end, allocation;
        ULONG attributes, nameBytes;
        WCHAR name[1];
    };
    std::vector<Listed> out;
    alignas(8) static thread_local unsigned char buffer[65536];
    IO_STATUS_BLOCK io;
    while (query(folder, nullptr, nullptr, nullptr, &io, buffer, sizeof buffer, 1, FALSE, nullptr, FALSE) == 0) {
        for (unsigned char* p = buffer;;) {
            const auto* e = reinterpret_cast<const Entry*>(p);
            std::wstring name(e->name, e->nameBytes / sizeof(WCHAR));
            if (name != L"." && name != L"..")
                out.push_back({name, e->attributes});
            if (!e->next)
                break;
            p += e->next;
        }
    }
    return out;
}

void Walk(HANDLE folder, const std::wstring& prefix, TreeSnapshot& out) {
    for (const Listed& e : List(folder)) {
        if (e.attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            out[prefix + e.name] = "<link>";
        } else if (e.attributes & FILE_ATTRIBUTE_DIRECTORY) {
            out[prefix + e.name + L"\\"] = "";
            if (Handle sub = Open(folder, e.name, true, false, FILE_LIST_DIRECTORY | FILE_TRAVERSE))
                Walk(sub.Get(), prefix + e.name + L"\\", out);
        } else {
            std::string content;
            if (Handle file = Open(folder, e.name, false, false, GENERIC_READ)) {
                std::vector<char> chunk(65536); // not on the stack: the walk recurses once per level
                DWORD got = 0;
                while (ReadFile(file.Get(), chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr) && got > 0)
                    content.append(chunk.data(), got);
            } else {
                content = "<unreadable>";
            }
            out[prefix + e.name] = content;
        }
    }
}

} // namespace

std::wstring Wide(const std::string& text) {
    if (text.empty())
        return std::wstring();
    std::wstring out(text.size(), L'\0');
    out.resize(static_cast<std::size_t>(
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &out[0], static_cast<int>(out.size()))));
    return out;
}

std::string Printable(const std::wstring& text) {
    if (text.empty())
        return std::string();
    std::string out(text.size() * 4, '\0');
    out.resize(static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                                            &out[0], static_cast<int>(out.size()), nullptr, nullptr)));
    return out;
}

bool MakeEntry(const std::string& root, const std::wstring& relative, const std::string& content) {
    Handle folder = OpenRoot(root);
    std::size_t at = 0;
    for (std::size_t sep = relative.find(L'\\'); folder && sep != std::wstring::npos;
         sep = relative.find(L'\\', at)) {
        folder = Open(folder.Get(), relative.substr(at, sep - at), true, true, FILE_LIST_DIRECTORY | FILE_TRAVERSE);
        at = sep + 1;
    }
    if (!folder)
        return false;
    if (at == relative.size())
        return true; // a folder
    Handle file = Open(folder.Get(), relative.substr(at), false, true, GENERIC_WRITE);
    DWORD written = 0;
    return file && (content.empty() || (WriteFile(file.Get(), content.data(), static_cast<DWORD>(content.size()),
                                                  &written, nullptr) &&
                                        written == content.size()));
}

TreeSnapshot Snapshot(const std::string& root) {
    TreeSnapshot out;
    if (Handle folder = OpenRoot(root))
        Walk(folder.Get(), L"", out);
    return out;
}

} // namespace qs::test
