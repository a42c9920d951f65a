// The companion's commands over the catalogue, the entry-point wrappers and the settings file.
#include "cli/Companion.h"

#include "cli/Report.h"
#include "cli/Winapp2Import.h"
#include "engine/Catalogue.h"
#include "engine/Passes.h"
#include "engine/Settings.h"
#include "hostfn/Cancellation.h"
#include "hostfn/ComScope.h"
#include "hostfn/ParallelWalk.h"
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

// What the shared passes tell the companion: a progress line per plugin on the error stream,
// and each plugin's figures and errors in its outcome.
class CPassRecord : public CPassObserver {
public:
    CPassRecord(const CCommandLine& line, std::FILE* err, std::unordered_map<const CScriptRow*, std::string>& files)
        : m_line(line), m_err(err), m_files(files) {}

    // The plugins that the pass is to run, in its order, each with an outcome not run yet.
    void Expect(const std::vector<CScriptRow*>& plugins) {
        m_outcomes.clear();
        m_index.clear();
        for (CScriptRow* row : plugins) {
            CPluginOutcome o;
            o.name = row->userData->Name();
            o.topLevel = row->parent == nullptr || row->parent->parent == nullptr;
            if (!o.topLevel)
                o.category = row->parent->userData->Name();
            m_index[row] = m_outcomes.size();
            m_outcomes.push_back(std::move(o));
        }
        m_started = 0;
    }
    std::vector<CPluginOutcome>& Outcomes() { return m_outcomes; }

    void OnRowStarting(CPassKind kind, const CScriptRow& row) override {
        if (m_line.quiet || m_index.count(&row) == 0)
            return;
        Write(m_err, "[" + std::to_string(++m_started) + "/" + std::to_string(m_outcomes.size()) + "] " +
                         RowStatusText(kind, row) + kEol);
    }

    // A plugin without GetSize keeps the figures it has, as its row in the main window does.
    void OnRowMeasured(const CScriptRow& row, const CEntryResult& result, bool beforeClear) override {
        CPluginOutcome* o = Find(row);
        if (o == nullptr)
            return;
        if (result.raised && !result.stoppedByCancel) {
            o->errors.push_back(RaisedIssue(m_files[&row], "GetSize", result.error));
            o->status = CPluginOutcome::kFailed;
        }
        if (beforeClear && IsCancelled()) {
            // Stopped while measuring: the pass does not begin Clear.
            o->status = CPluginOutcome::kNotRun;
            return;
        }
        if (result.stoppedByCancel) {
            // Ctrl+C stopped the script itself: no figures, and no fault of the script's.
            if (o->status != CPluginOutcome::kFailed)
                o->status = CPluginOutcome::kCancelled;
            return;
        }
        if (result.raised)
            return;
        if (beforeClear) {
            o->measuredBefore = true;
            o->sizeBefore = result.size;
            o->countBefore = result.count;
        } else {
            o->measured = true;
            o->size = result.size;
            o->count = result.count;
        }
        // A walk that saw the flag stopped early: its figures may fall short.
        if (o->status != CPluginOutcome::kFailed)
            o->status = IsCancelled()                            ? CPluginOutcome::kCancelled
                        : o->status == CPluginOutcome::kSkipped ? CPluginOutcome::kSkipped
                                                                : CPluginOutcome::kOk;
    }

    void OnRowCleared(const CScriptRow& row, const CEntryResult& result) override {
        CPluginOutcome* o = Find(row);
        if (o == nullptr)
            return;
        if (result.raised && !result.stoppedByCancel) {
            o->errors.push_back(RaisedIssue(m_files[&row], "Clear", result.error));
            o->status = CPluginOutcome::kFailed;
        } else if (!result.skipped.empty()) {
            o->status = CPluginOutcome::kSkipped;
            o->skipped = result.skipped;
        }
        // The pass leaves the measurement after a cancelled Clear out.
        if (IsCancelled() && o->status != CPluginOutcome::kFailed)
            o->status = CPluginOutcome::kCancelled;
    }

private:
    CPluginOutcome* Find(const CScriptRow& row) {
        const auto at = m_index.find(&row);
        return at != m_index.end() ? &m_outcomes[at->second] : nullptr;
    }

    const CCommandLine& m_line;
    std::FILE* m_err;
    std::unordered_map<const CScriptRow*, std::string>& m_files;
    std::vector<CPluginOutcome> m_outcomes;
    std::unordered_map<const CScriptRow*, std::size_t> m_index;
    std::size_t m_started = 0;
};

class CCompanionRun : public CCatalogueObserver {
public:
    CCompanionRun(const CCommandLine& line, std::FILE* out, std::FILE* err)
        : m_line(line), m_out(out), m_err(err), m_record(line, err, m_files) {}
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
        if (m_line.command == CCompanionCommand::kImportWinapp2)
            return RunWinapp2Import(m_line, m_out, m_err);

        // The settings are read for the keep list, which every command honours, and the
        // selection; never written back.
        std::unique_ptr<CSettings> settings;
        if (const int code = ReadSettings(settings); code != kExitOk)
            return code;
        if (m_line.command == CCompanionCommand::kList && m_line.keep) {
            Write(m_out, FormatKeepList(settings->KeptPaths(), settings->Path(), m_line.json));
            return kExitOk;
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
        // Before any script runs: the kept paths hold for every host call of the run.
        m_scope.keptPaths = settings->KeptPaths();
        m_vm.SetHostScope(&m_scope);
        m_settingsUnusable = !SettingsReadProblem(settings->ReadResult()).empty();

        // Once, before any walk: the command line's cap, else the settings file's where it was read.
        SetWalkThreadCap(m_line.threads != 0 ? m_line.threads : settings->Threads());
        // Only list and --selected take the stored selection.
        const bool takesSelection = m_line.command == CCompanionCommand::kList || m_line.selected;
        const CNameList none;
        const CSelectionStore& selection = takesSelection ? static_cast<const CSelectionStore&>(*settings) : none;
        LoadScripts(m_vm, m_rows, selection, this);
        // The rule files' rows come after the scripts' rows, as in the main window.
        if (!m_line.winapp2File.empty() && !IsFile(m_line.winapp2File)) {
            Write(m_err, WithEol("QuillsweepCmd: the rule file does not exist: " + m_line.winapp2File + "\n"));
            return kExitCannotStart;
        }
        const std::string rules =
            m_line.winapp2File.empty() ? Winapp2BesideProgram("winapp2.ini") : FullPath(m_line.winapp2File);
        AddWinapp2Issues(AddWinapp2Rows(m_vm, m_rows, selection, rules, false), m_issues);
        AddWinapp2Issues(AddWinapp2Rows(m_vm, m_rows, selection, Winapp2BesideProgram("winapp3.ini"), true), m_issues);
        RemoveEmptyCategories(m_rows);
        CollectRows(m_rows.GetRootItem(), 0, m_listed);

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
    // Reads the settings file: the named one, which must exist, or the one beside the program,
    // which may be missing (no selection, nothing kept). One that is there but cannot be used is
    // reported and gives the defaults. Answers kExitOk, or the exit code that stops the run.
    int ReadSettings(std::unique_ptr<CSettings>& settings) {
        if (!m_line.settingsFile.empty() && !IsFile(m_line.settingsFile)) {
            Write(m_err, WithEol("QuillsweepCmd: the settings file does not exist: " + m_line.settingsFile + "\n"));
            return kExitCannotStart;
        }
        settings = m_line.settingsFile.empty() ? std::make_unique<CSettings>()
                                               : std::make_unique<CSettings>(m_line.settingsFile);
        settings->SetSaveOnDestroy(false);
        // The run goes on without a selection and without kept paths, as the main window starts
        // with defaults; clean stops before it removes anything (RefuseWithoutKeepList).
        const std::string problem = SettingsReadProblem(settings->ReadResult());
        if (!problem.empty())
            Write(m_err, WithEol("QuillsweepCmd: the settings file is not used (" + problem +
                                 "); no row is selected and no path is kept: " + settings->Path() + "\n"));
        return kExitOk;
    }

    // A settings file that is there but cannot be read may hold a keep list: clean removes
    // nothing rather than what the user asked to keep. Answers whether it refused.
    bool RefuseWithoutKeepList() {
        if (!m_settingsUnusable)
            return false;
        Write(m_err, WithEol("QuillsweepCmd: the settings file cannot be read, so its keep list is unknown.\n"
                             "Repair or remove it before cleaning. Nothing was run.\n"));
        return true;
    }

    void OnRowAdded(const CScriptRow* row, const std::string& path) override { m_files[row] = path; }
    // Rows of rule files have no file of their own: their issues name the rule file and the entry.
    void OnProblem(const std::string& path, Problem problem, const std::string& message) override {
        m_issues.Add(path, problem, message);
    }

    int List() {
        std::vector<CListRow> rows;
        for (const CRowAt& at : m_listed)
            rows.push_back({at.depth, at.row->isGroup != 0, at.row->checkState, at.row->userData->Name(),
                            m_files[at.row], at.row->userData->Description(), at.row->userData->Warning()});
        Write(m_out, FormatList(rows, m_issues.Issues(), m_line.json, m_issues.NotDetected()));
        return kExitOk;
    }

    int Check() {
        std::vector<CScriptRow*> plugins;
        unsigned categories = 0;
        for (const CRowAt& at : m_listed) {
            if (at.row->isGroup != 0)
                ++categories;
            else
                plugins.push_back(at.row);
        }
        // Every plugin is measured, as a refresh does; Clear is never called here.
        m_record.Expect(plugins);
        CPassOptions options;
        options.pluginsOnly = true;
        RunRefreshPass(*m_rows.GetRootItem(), options, m_record);
        for (CPluginOutcome& outcome : m_record.Outcomes())
            for (CScriptIssue& issue : outcome.errors)
                m_issues.Add(std::move(issue));
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
            for (const CRowAt& at : m_listed) {
                CNamedRow n;
                n.name = at.row->userData->Name();
                n.category = at.row->isGroup != 0;
                for (CScriptRow* p = at.row->parent; p != nullptr && p != m_rows.GetRootItem(); p = p->parent)
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
            RestoreStoredChecks(m_rows, CNameList(m_line.names), m_rows.GetRootItem());
        }
        const bool all = m_line.names.empty() && !m_line.selected;
        std::vector<CScriptRow*> chosen;
        for (const CRowAt& at : m_listed)
            if (at.row->isGroup == 0 && (all || at.row->checkState == kChecked))
                chosen.push_back(at.row);
        if (clean && chosen.empty()) {
            Write(m_err,
                  WithEol("QuillsweepCmd: nothing to clean: the selection holds no plugin.\nNothing was run.\n"));
            return kExitSelection;
        }
        if (clean && !m_line.acceptWarnings && RefuseWarnedPlugins(chosen))
            return kExitWarnings;
        if (clean && RefuseWithoutKeepList())
            return kExitCannotStart;
        if (m_line.files)
            return ListFiles(chosen);

        // One pass over the chosen plugins: every plugin, or the checked ones.
        m_record.Expect(chosen);
        CPassOptions options;
        options.pluginsOnly = true;
        options.runMode = all ? kRunAllRows : kRunCheckedRows;
        options.measureBeforeClear = true;
        if (clean)
            RunCleanPass(*m_rows.GetRootItem(), options, m_record);
        else
            RunRefreshPass(*m_rows.GetRootItem(), options, m_record);
        const std::vector<CPluginOutcome>& outcomes = m_record.Outcomes();
        const bool cancelled = IsCancelled();
        bool failed = false;
        for (const CPluginOutcome& o : outcomes)
            failed = failed || o.status == CPluginOutcome::kFailed;
        Write(m_out,
              clean ? FormatClean(outcomes, cancelled, m_line.json) : FormatPreview(outcomes, cancelled, m_line.json));
        return ExitCodeOfRun(cancelled, failed);
    }

    // preview --files: each chosen plugin measured alone with its files recorded, in list order.
    int ListFiles(const std::vector<CScriptRow*>& chosen) {
        m_record.Expect(chosen);
        std::vector<std::vector<CListedFile>> listed(chosen.size());
        for (std::size_t i = 0; i < chosen.size() && RunFilesPass(*chosen[i], m_record, listed[i]); ++i) {
        }
        std::vector<CPluginFiles> plugins;
        bool failed = false;
        for (std::size_t i = 0; i < chosen.size(); ++i) {
            const CPluginOutcome& o = m_record.Outcomes()[i];
            failed = failed || o.status == CPluginOutcome::kFailed;
            plugins.push_back({o, std::move(listed[i])});
        }
        const bool cancelled = IsCancelled();
        Write(m_out, FormatFiles(plugins, cancelled, m_line.json));
        return ExitCodeOfRun(cancelled, failed);
    }

    // Tells on standard error of every chosen plugin that has a warning; answers whether any has.
    bool RefuseWarnedPlugins(const std::vector<CScriptRow*>& chosen) {
        std::string text;
        for (const CScriptRow* row : chosen)
            if (!row->userData->Warning().empty())
                text += "  " + row->userData->Name() + ": " + OneLine(row->userData->Warning()) + "\n";
        if (text.empty())
            return false;
        Write(m_err, WithEol("QuillsweepCmd: these plugins warn before they clean:\n" + text +
                             "Give --accept-warnings to clean them. Nothing was run.\n"));
        return true;
    }

    const CCommandLine& m_line;
    std::FILE* m_out;
    std::FILE* m_err;
    // The machine goes after the rows, which own the scripts.
    CHostScope m_scope; // what the machine's host calls honour; outlives the machine
    bool m_settingsUnusable = false;
    CLuaVirtualMachine m_vm;
    CScriptsModel m_rows;
    std::vector<CRowAt> m_listed; // every row, depth first, with its depth
    std::unordered_map<const CScriptRow*, std::string> m_files;
    CPassRecord m_record;
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
