// The companion's commands over the catalogue, the entry-point wrappers and the settings file.
#include "cli/Companion.h"

#include "cli/Report.h"
#include "engine/Catalogue.h"
#include "engine/Settings.h"
#include "hostfn/Cancellation.h"
#include "hostfn/ComScope.h"
#include "hostfn/PathMacros.h"

#include <windows.h>

#include <memory>
#include <unordered_map>

namespace qs {

const char* const kCancellingText = "Cancelling: the plugin at work stops at its next check; no other runs.";

namespace {

// Names given on the command line, looked up the way the stored selection is.
class CNameList : public CSelectionStore {
public:
    explicit CNameList(std::vector<std::string> names = {}) : m_names(std::move(names)) {}
    bool Contains(const std::string& name) const override {
        for (const std::string& n : m_names)
            if (CompareSelectedNames(n, name) == 0)
                return true;
        return false;
    }
    void Add(const std::string& name) override { m_names.push_back(name); }
    void ClearSelected() override { m_names.clear(); }

private:
    std::vector<std::string> m_names;
};

void Write(std::FILE* to, const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), to);
    std::fflush(to);
}

// Texts kept with plain line feeds in the source go out with the companion's line ending.
std::string WithEol(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '\n')
            out += kEol;
        else
            out += c;
    }
    return out;
}

struct CRowAt {
    CScriptRow* row;
    unsigned depth;
};

void CollectRows(CScriptRow* parent, unsigned depth, std::vector<CRowAt>& rows) {
    for (CScriptRow* r = parent->firstChild; r != nullptr; r = r->nextSibling) {
        rows.push_back({r, depth});
        CollectRows(r, depth + 1, rows);
    }
}

bool IsFolder(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::string FullPath(const std::string& path) {
    std::vector<char> buf(MAX_PATH);
    for (;;) {
        const DWORD n = GetFullPathNameA(path.c_str(), static_cast<DWORD>(buf.size()), buf.data(), nullptr);
        if (n == 0)
            return path;
        if (n < buf.size())
            return std::string(buf.data(), n);
        buf.resize(n + 1);
    }
}

class CCompanionRun : public CCatalogueObserver {
public:
    CCompanionRun(const CCommandLine& line, std::FILE* out, std::FILE* err) : m_line(line), m_out(out), m_err(err) {}
    ~CCompanionRun() override { DeleteRowScripts(m_list.GetRootItem()); }
    CCompanionRun(const CCompanionRun&) = delete;
    CCompanionRun& operator=(const CCompanionRun&) = delete;

    int Run() {
        if (m_line.command == CCompanionCommand::kHelp) {
            Write(m_out, WithEol(UsageText()));
            return kExitOk;
        }
        if (!m_line.error.empty()) {
            Write(m_err, WithEol("QuillsweepCmd: " + m_line.error + "\nTry QuillsweepCmd --help.\n"));
            return kExitUsage;
        }
        if (!m_line.scriptsFolder.empty())
            SetScriptsFolder(FullPath(m_line.scriptsFolder));
        const std::string folder = ScriptsFolderPath();
        if (folder.empty() || !IsFolder(folder)) {
            Write(m_err, WithEol("QuillsweepCmd: the scripts folder does not exist: " + folder + "\n"));
            return kExitCannotStart;
        }
        if (!m_vm.Open()) {
            Write(m_err, WithEol("QuillsweepCmd: the script machine cannot be started.\n"));
            return kExitCannotStart;
        }

        // The settings are read only where the command uses them, and never written back.
        std::unique_ptr<CSettings> settings;
        if (m_line.command == CCompanionCommand::kList || m_line.selected) {
            if (!m_line.settingsFile.empty() && !IsFile(m_line.settingsFile)) {
                Write(m_err, WithEol("QuillsweepCmd: the settings file does not exist: " + m_line.settingsFile + "\n"));
                return kExitCannotStart;
            }
            settings = m_line.settingsFile.empty() ? std::make_unique<CSettings>()
                                                   : std::make_unique<CSettings>(m_line.settingsFile);
            settings->SetSaveOnDestroy(false);
            // The run goes on without a selection, as the main window starts with defaults.
            const std::string problem = SettingsReadProblem(settings->ReadResult());
            if (!problem.empty())
                Write(m_err, WithEol("QuillsweepCmd: the settings file is not used (" + problem +
                                     "); no row is selected: " + settings->Path() + "\n"));
        }
        const CNameList none;
        LoadScripts(m_vm, m_list, settings ? static_cast<const CSelectionStore&>(*settings) : none, this);
        CollectRows(m_list.GetRootItem(), 0, m_rows);

        switch (m_line.command) {
        case CCompanionCommand::kList:
            return List();
        case CCompanionCommand::kCheck:
            return Check();
        default:
            return PreviewOrClean();
        }
    }

private:
    void OnRowAdded(const CScriptRow* row, const std::string& path) override { m_files[row] = path; }
    void OnProblem(const std::string& path, Problem problem, const std::string& message) override {
        m_issues.Add(path, problem, message);
    }

    int List() {
        std::vector<CListRow> rows;
        for (const CRowAt& at : m_rows)
            rows.push_back(
                {at.depth, at.row->isGroup != 0, at.row->checkState, at.row->userData->Name(), m_files[at.row]});
        Write(m_out, FormatList(rows, m_issues.Issues(), m_line.json));
        return kExitOk;
    }

    int Check() {
        std::vector<CScriptRow*> plugins;
        unsigned categories = 0;
        for (const CRowAt& at : m_rows) {
            if (at.row->isGroup != 0)
                ++categories;
            else
                plugins.push_back(at.row);
        }
        // Every plugin is measured, as a refresh does; Clear is never called here.
        for (std::size_t i = 0; i < plugins.size() && !IsCancelled(); ++i) {
            Progress(i, plugins.size(), "Now updating: ", plugins[i]);
            CPluginOutcome outcome;
            Measure(plugins[i], outcome, false);
            for (CScriptIssue& issue : outcome.errors)
                m_issues.Add(std::move(issue));
        }
        const bool cancelled = IsCancelled();
        bool broken = false;
        for (const CScriptIssue& issue : m_issues.Issues())
            broken = broken || issue.broken;
        Write(m_out, FormatCheck(m_issues.Issues(), static_cast<unsigned>(plugins.size()), categories, cancelled,
                                 m_line.json));
        return ExitCodeOfRun(cancelled, broken);
    }

    int PreviewOrClean() {
        const bool clean = m_line.command == CCompanionCommand::kClean;
        if (!m_line.names.empty()) {
            std::vector<CNamedRow> named;
            for (const CRowAt& at : m_rows) {
                CNamedRow n;
                n.name = at.row->userData->Name();
                n.category = at.row->isGroup != 0;
                for (CScriptRow* p = at.row->parent; p != nullptr && p != m_list.GetRootItem(); p = p->parent)
                    n.parents.insert(n.parents.begin(), p->userData->Name());
                named.push_back(std::move(n));
            }
            const CNameProblems problems = CheckNames(m_line.names, named);
            if (problems.Any()) {
                Write(m_err, FormatNameProblems(problems, named));
                return kExitSelection;
            }
            // Each name now stands for exactly one row: checking the rows so named, as the
            // main window checks its stored selection, selects that plugin, or every plugin
            // below that category.
            RestoreStoredChecks(m_list, CNameList(m_line.names), m_list.GetRootItem());
        }
        const bool all = m_line.names.empty() && !m_line.selected;
        std::vector<CScriptRow*> chosen;
        for (const CRowAt& at : m_rows)
            if (at.row->isGroup == 0 && (all || at.row->checkState == kChecked))
                chosen.push_back(at.row);
        if (clean && chosen.empty()) {
            Write(m_err,
                  WithEol("QuillsweepCmd: nothing to clean: the selection holds no plugin.\nNothing was run.\n"));
            return kExitSelection;
        }

        std::vector<CPluginOutcome> outcomes;
        for (CScriptRow* row : chosen) {
            CPluginOutcome o;
            o.name = row->userData->Name();
            o.topLevel = row->parent == m_list.GetRootItem();
            if (!o.topLevel)
                o.category = row->parent->userData->Name();
            outcomes.push_back(std::move(o));
        }
        for (std::size_t i = 0; i < chosen.size() && !IsCancelled(); ++i) {
            if (clean) {
                CleanOne(chosen[i], outcomes[i], i, chosen.size());
            } else {
                Progress(i, chosen.size(), "Now updating: ", chosen[i]);
                Measure(chosen[i], outcomes[i], false);
            }
        }
        const bool cancelled = IsCancelled();
        bool failed = false;
        for (const CPluginOutcome& o : outcomes)
            failed = failed || o.status == CPluginOutcome::kFailed;
        Write(m_out,
              clean ? FormatClean(outcomes, cancelled, m_line.json) : FormatPreview(outcomes, cancelled, m_line.json));
        return ExitCodeOfRun(cancelled, failed);
    }

    // GetSize into the outcome (into its "before" figures when `before`). A plugin without
    // GetSize keeps the figures it has, as its row in the main window does.
    void Measure(CScriptRow* row, CPluginOutcome& o, bool before) {
        CPluginScript* script = row->userData;
        const std::size_t errors = m_vm.ErrorCount();
        std::uint64_t size = script->Size();
        std::uint32_t count = script->FileCount();
        if (!script->GetSize(size, count) && m_vm.ErrorCount() != errors) {
            // Ctrl+C stopped the script itself: no figures, and no fault of the script's.
            if (m_vm.LastInterrupt() == CCallInterrupt::kCancelled) {
                if (o.status != CPluginOutcome::kFailed)
                    o.status = CPluginOutcome::kCancelled;
                return;
            }
            o.errors.push_back(RaisedIssue(m_files[row], "GetSize", m_vm.LastError()));
            o.status = CPluginOutcome::kFailed;
            return;
        }
        if (before) {
            o.measuredBefore = true;
            o.sizeBefore = size;
            o.countBefore = count;
        } else {
            o.measured = true;
            o.size = size;
            o.count = count;
        }
        // A walk that saw the flag stopped early: its figures may fall short.
        if (o.status != CPluginOutcome::kFailed)
            o.status = IsCancelled() ? CPluginOutcome::kCancelled : CPluginOutcome::kOk;
    }

    // Measures what is there, clears it and measures what is left. The progress line comes
    // right before Clear, as in the main window.
    void CleanOne(CScriptRow* row, CPluginOutcome& o, std::size_t index, std::size_t total) {
        Measure(row, o, true);
        if (IsCancelled()) {
            // Stopped while measuring: Clear has not begun, and does not.
            o.status = CPluginOutcome::kNotRun;
            return;
        }
        Progress(index, total, "Now clearing: ", row);
        const std::size_t errors = m_vm.ErrorCount();
        if (!row->userData->Clear() && m_vm.ErrorCount() != errors &&
            m_vm.LastInterrupt() != CCallInterrupt::kCancelled) {
            o.errors.push_back(RaisedIssue(m_files[row], "Clear", m_vm.LastError()));
            o.status = CPluginOutcome::kFailed;
        }
        if (IsCancelled()) {
            // A measurement now would stop at once and report too little.
            if (o.status != CPluginOutcome::kFailed)
                o.status = CPluginOutcome::kCancelled;
            return;
        }
        Measure(row, o, false);
    }

    void Progress(std::size_t index, std::size_t total, const char* what, const CScriptRow* row) {
        if (m_line.quiet)
            return;
        Write(m_err, "[" + std::to_string(index + 1) + "/" + std::to_string(total) + "] " + what +
                         row->userData->Name() + kEol);
    }

    const CCommandLine& m_line;
    std::FILE* m_out;
    std::FILE* m_err;
    // The machine goes after the rows' scripts, which the destructor deletes first.
    CLuaVirtualMachine m_vm;
    CScriptsTree m_list;
    std::vector<CRowAt> m_rows; // every row, depth first, with its depth
    std::unordered_map<const CScriptRow*, std::string> m_files;
    CIssueCollector m_issues;
};

} // namespace

int RunCompanion(const CCommandLine& line, std::FILE* out, std::FILE* err) {
    // Around the run, as the main program does, for the shell's recycle bin and icon functions.
    const CComScope com;
    CCompanionRun run(line, out, err);
    return run.Run();
}

} // namespace qs
