// The probe of the host scope: one measurement through the real host with a keep list and a
// recorder.
#include "support/HostScopeProbe.h"

#include "engine/FileListing.h"
#include "engine/HostScope.h"
#include "support/ScriptHost.h"

#include <string>

namespace qs::test {

bool HostScopeHonoured() {
    static const bool honoured = [] {
        ScriptHost host;
        MakeDirs(host.Dir() / "probe");
        WriteBytes(host.Dir() / "probe\\counted.tmp", 1);
        WriteBytes(host.Dir() / "probe\\kept.tmp", 1);
        CHostScope scope;
        scope.keptPaths = {host.Dir() / "probe\\kept.tmp"};
        CFileListRecorder recorder;
        scope.recorder = &recorder;
        host.Vm().SetHostScope(&scope);
        const std::vector<std::string> results =
            host.Eval("return self:GetFolderSize([[" + (host.Dir() / "probe") + "]], '*', false)");
        host.Vm().SetHostScope(nullptr);
        const std::vector<CListedFile> files = recorder.TakeSorted();
        return results.size() == 2 && results[1] == "s:1" && files.size() == 1;
    }();
    return honoured;
}

} // namespace qs::test
