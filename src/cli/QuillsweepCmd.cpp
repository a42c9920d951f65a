// Diagnostic companion of the engine: loads every script of the scripts folder and prints what
// each plugin would free. (Grows into the headless companion.)
#include "engine/PluginScript.h"
#include "hostfn/FolderWalk.h"
#include "hostfn/PathMacros.h"

#include <windows.h>
#include <shlwapi.h>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

void Scan(qs::CLuaVirtualMachine& vm, const std::string& folder, int depth,
          std::vector<std::unique_ptr<qs::CPluginScript>>& keep) {
    qs::ForEachFolderEntry(folder, [&](const WIN32_FIND_DATAA& e, const std::string& full) {
        if (qs::IsWalkableFolder(e.dwFileAttributes)) {
            std::printf("%*s[%s]\n", depth * 2, "", e.cFileName);
            Scan(vm, full + "\\", depth + 1, keep);
            return;
        }
        auto script = std::make_unique<qs::CPluginScript>(vm);
        std::string name;
        if (!script->LoadFile(full.c_str()) || !script->GetPluginName(name) || name.empty())
            return;
        std::uint64_t size = 0;
        std::uint32_t count = 0;
        script->GetSize(size, count);
        char text[64];
        StrFormatByteSize64A(static_cast<LONGLONG>(size), text, sizeof text);
        std::printf("%*s%-40s %12s %8lu\n", depth * 2, "", name.c_str(), text, static_cast<unsigned long>(count));
        keep.push_back(std::move(script));
    });
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1)
        qs::SetScriptsFolder(argv[1]);
    qs::CLuaVirtualMachine vm;
    if (!vm.Open())
        return 1;
    std::vector<std::unique_ptr<qs::CPluginScript>> scripts;
    std::string folder = qs::ScriptsFolderPath();
    std::printf("Scripts folder: %s\n", folder.c_str());
    qs::EnsureTrailingBackslash(folder);
    Scan(vm, folder, 0, scripts);
    return 0;
}
