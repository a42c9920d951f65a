// The settings file: the main window's stored placement (as plain data), the names of the
// checked rows and the keep list. No window is touched here; the main window applies the
// placement itself.
#pragma once

#include "engine/SelectionStore.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qs {

// The main window's rectangle in screen pixels (right and bottom exclusive). A `right` or
// `bottom` of 0 means that no placement is stored.
struct CPlacement {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    std::int32_t maximized = 0;

    // Width and height in two's-complement arithmetic, so that hostile values wrap instead of
    // overflowing.
    std::int32_t Width() const { return WrapDifference(right, left); }
    std::int32_t Height() const { return WrapDifference(bottom, top); }
    static std::int32_t WrapDifference(std::int32_t a, std::int32_t b) {
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
    }
};

// What became of reading the settings file. Every outcome but kRead leaves the defaults.
enum class CSettingsRead {
    kRead,      // parsed (what it held of the document's shape was taken)
    kNoFile,    // there is no such file
    kNotRead,   // it is there but could not be read (locked, a folder, access denied)
    kTooLarge,  // larger than a settings file can be: not read at all
    kTooDeep,   // nested deeper than the document's shape: not parsed
    kMalformed, // not a well-formed document
};

// Why a settings file was not used, in words ("" when it was read or is not there).
std::string SettingsReadProblem(CSettingsRead result);

// The name a settings file that could not be used is kept under: `path` + ".bad" for the first
// try, ".bad2", ".bad3" ... for the tries after it (`attempt` counts from 1).
std::string SetAsideName(const std::string& path, unsigned attempt);

// How many names SetAsideName offers before a file is given up on (left as it is, not written).
constexpr unsigned kSetAsideNames = 99;

// The process-wide settings: read from settings.xml when constructed, written back when
// destroyed. Neither ever fails outwardly; a file that is missing or cannot be read, parsed or
// trusted gives the defaults. Such a file may hold what the user wrote (a keep list above all):
// before the first write replaces it, it is copied aside byte for byte under a free name
// (SetAsideName), never over an earlier copy; when that cannot be done, nothing is written.
class CSettings : public CPlacement, public CSelectionStore {
public:
    // settings.xml in the folder of the executable.
    CSettings();
    // Another file (tests, tools).
    explicit CSettings(std::string path);
    ~CSettings() override;
    CSettings(const CSettings&) = delete;
    CSettings& operator=(const CSettings&) = delete;

    bool Contains(const std::string& name) const override;
    void Add(const std::string& name) override;
    void ClearSelected() override;

    // The stored names, in the order they were added.
    const std::vector<std::string>& Selected() const { return selected; }
    const std::string& Path() const { return m_path; }
    // The most threads a folder walk lists on: 0 (no <threads> element) is automatic, 1 the
    // one-thread walk for slow or spinning disks. Kept as read, and written back only when set.
    unsigned Threads() const { return m_threads; }
    void SetThreads(unsigned threads) { m_threads = threads; }
    CSettingsRead ReadResult() const { return m_read; }
    // The file was there but could not be used: whatever it held, the keep list among it, is not
    // known for the rest of the run, whatever is saved since.
    bool KeepListUnknown() const { return !SettingsReadProblem(m_read).empty(); }
    // Where the file that could not be used is, or goes at the first save: the copy made, else
    // the first free name now. "" when nothing is to be kept aside, or it cannot be (no free
    // name, a read-only file, a folder): then the file is never written over.
    std::string SetAsidePath() const;

    // The keep list: files and folders that no measuring, deleting or wiping call counts or
    // touches, whichever plugin makes it. Each is the text as the user gave it (macros allowed;
    // the host expands them), in the code page like every script text, in the order given.
    const std::vector<std::string>& KeptPaths() const { return m_kept; }
    void SetKeptPaths(std::vector<std::string> paths) { m_kept = std::move(paths); }

    // Writes the file now; answers whether it was replaced. A document larger than a settings file
    // may be is not written, nor one that would replace a file that could not be used and could
    // not be kept aside. The destructor ignores the answer.
    bool Save();
    // Whether the destructor writes the file (it does unless told otherwise). Tools that only
    // read the settings turn it off, so that they never rewrite the user's file.
    void SetSaveOnDestroy(bool save) { m_saveOnDestroy = save; }
    // The document as it is written.
    std::string Print() const;

private:
    void Load();
    // Copies a file that could not be used to a free name before it is written over, once per
    // run; answers whether the write may go ahead.
    bool SetAsideUnusable();

    std::vector<std::string> selected;
    std::string m_path;
    CSettingsRead m_read = CSettingsRead::kNoFile;
    bool m_saveOnDestroy = true;
    unsigned m_threads = 0;
    std::vector<std::string> m_kept;
    std::string m_setAside; // where the file that could not be used was copied, once it was
    // Positions of `selected` sorted by the name comparison, so that looking up every row of a
    // large catalogue does not cost a pass over every stored name. Rebuilt on the first lookup
    // after a change.
    mutable std::vector<std::size_t> m_sorted;
    mutable bool m_sortedValid = false;
};

// The comparison of stored names: without regard to letter case under the current multibyte
// code page; answers <0, 0 or >0.
int CompareSelectedNames(const std::string& a, const std::string& b);

// Adds `path` to the keep list unless it is empty or the list holds it already (compared without
// regard to letter case, as the platform compares paths); answers whether it was added.
bool AddKeptPath(std::vector<std::string>& kept, const std::string& path);

// Why a path written for the keep list would keep nothing once the host expands it ("" when it
// names a place): text that is not whole, a path longer than the host functions take, or one that
// does not stand on its own (relative, or a macro that names no folder).
std::string KeptPathProblem(const std::string& path);

// settings.xml beside `modulePath`: the path up to and including its last backslash, or the
// bare name when it holds none; "" (no settings file) for an empty module path.
std::string SettingsPathFor(const std::string& modulePath);

} // namespace qs
