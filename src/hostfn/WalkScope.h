// What a measuring, deleting or wiping call honours beyond its own arguments: the user's keep
// list and the recorder of what a measurement counts, handed in by the caller for each call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace qs {

// Hears every entry that a measuring call (GetFolderSize, GetFileSize, MeasureFiles) counts:
// its full path, made of the folder the script named followed by the names exactly as the file
// system listed them, and the size on drive it counted (0 for a folder or a link counted as an
// item). The host serialises the calls of one measuring call: OnCounted is never entered twice
// at once, though it may be called from any of the walk's threads, in no particular order.
class CFileRecorder {
public:
    virtual ~CFileRecorder() = default;
    virtual void OnCounted(const std::wstring& path, std::uint64_t sizeOnDrive) = 0;
};

// The kept paths of one call: full paths in UTF-16 with macros expanded, without a trailing
// backslash. A kept file, or a kept folder with everything below it, is neither counted nor
// touched; a folder that holds a kept path is not removed. Paths compare as the file system
// compares names: without regard to letter case, exactly otherwise.
class CKeepList {
public:
    CKeepList() = default;
    // The paths as the user wrote them (macros allowed). A path that names nothing once expanded
    // (not rooted, too long, not whole text) keeps nothing.
    static CKeepList FromWritten(const std::vector<std::string>& written);
    // Paths already full and in UTF-16 (normalised here as the platform would).
    static CKeepList FromWide(const std::vector<std::wstring>& paths);

    bool Empty() const { return m_paths.empty(); }
    const std::vector<std::wstring>& Paths() const { return m_paths; }

    // True when the full path `path` is kept: it is a kept path or lies below one.
    bool Keeps(const std::wstring& path) const;
    // The same for a script's path in the code page of the file functions; a path that does not
    // convert is kept whenever anything is.
    bool KeepsText(const std::string& path) const;

private:
    std::vector<std::wstring> m_paths;
};

// The kept paths as one walk sees them: those at or below the walk's root, relative to it, so
// that an entry is checked by the part of its path that the walk built from listed names. Empty
// (and free to ask) when nothing kept lies below the root.
class CKeepFilter {
public:
    CKeepFilter() = default;
    // `root` is the walk's root text; `rootChars` the length of that text with its trailing
    // backslash, which every entry's path starts with.
    CKeepFilter(const CKeepList& keep, const std::wstring& root);

    bool Empty() const { return m_relative.empty() && !m_rootKept; }
    // The root itself is kept or lies below a kept folder: the walk touches nothing.
    bool RootKept() const { return m_rootKept; }
    // The entry whose full path is `path` is kept (or lies below a kept folder).
    bool Keeps(const std::wstring& path) const;
    // The folder whose full path is `path` holds a kept path somewhere below it.
    bool HoldsKept(const std::wstring& path) const;

private:
    std::vector<std::wstring> m_relative; // below the root, without a leading backslash
    std::size_t m_rootChars = 0;          // the root text with its trailing backslash
    bool m_rootKept = false;
};

// The recorder of one measuring call, serialised for the walk's threads.
class CCountedSink {
public:
    explicit CCountedSink(CFileRecorder* recorder) : m_recorder(recorder) {}
    CCountedSink(const CCountedSink&) = delete;
    CCountedSink& operator=(const CCountedSink&) = delete;

    bool Wanted() const { return m_recorder != nullptr; }
    void Counted(const std::wstring& path, std::uint64_t sizeOnDrive) {
        if (!m_recorder)
            return;
        std::lock_guard<std::mutex> hold(m_lock);
        m_recorder->OnCounted(path, sizeOnDrive);
    }

private:
    CFileRecorder* m_recorder;
    std::mutex m_lock;
};

class CListingCache;

// What one host call's walks honour. `threads` 0 means WalkThreads() (ParallelWalk.h).
// `listings`: the listing cache of the pass the call belongs to (ListingCache.h), read and
// filled by the measuring walks only; null lists every folder live.
struct CWalkScope {
    CKeepList keep;
    CFileRecorder* recorder = nullptr;
    unsigned threads = 0;
    CListingCache* listings = nullptr;
};

} // namespace qs
