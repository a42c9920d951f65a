// The path pattern rule over a made-up machine: one level per wildcard, no link entered below the
// base, the last part matching any entry; the read-once source answers as the direct one and
// lists each folder at most once however many patterns ask.
#include "hostfn/PathPattern.h"

#include "support/WideTree.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr DWORD kFolder = FILE_ATTRIBUTE_DIRECTORY;
constexpr DWORD kLink = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
constexpr DWORD kFile = FILE_ATTRIBUTE_ARCHIVE;

// Folders by exact path, each with its entries; a path is looked up as the file system would,
// letters of either case, a link leading to the folder named after it plus "*".
class CMadeUpMachine : public qs::CPathSource {
public:
    CMadeUpMachine() {
        m_folders[L"C:\\"] = {{L"Users", kFolder}, {L"Apps", kFolder}};
        m_folders[L"C:\\Users"] = {{L"Ann", kFolder}, {L"Bob", kFolder}, {L"Shared", kLink}};
        m_folders[L"C:\\Users\\Ann"] = {{L"Cache", kFolder}, {L"notes.txt", kFile}};
        m_folders[L"C:\\Users\\Ann\\Cache"] = {{L"a.bin", kFile}};
        m_folders[L"C:\\Users\\Bob"] = {{L"cache.txt", kFile}};
        // The link's target: reachable by a path without wildcards only.
        m_folders[L"C:\\Users\\Shared"] = {{L"Cache", kFolder}};
        m_folders[L"C:\\Users\\Shared\\Cache"] = {{L"s.bin", kFile}};
        m_folders[L"C:\\Apps"] = {{L"\u00C4pp", kFolder}};
        m_folders[L"C:\\Apps\\\u00C4pp"] = {{L"app.exe", kFile}};
    }

    bool Attributes(const std::wstring& path, DWORD& attributes) override {
        const std::size_t slash = path.rfind(L'\\');
        if (slash == 2 && path.size() == 3) {
            attributes = kFolder;
            return true;
        }
        const std::vector<qs::ListedName>* parent = Find(path.substr(0, slash == 2 ? 3 : slash));
        if (parent == nullptr)
            return false;
        for (const qs::ListedName& e : *parent)
            if (CompareStringOrdinal(e.name.c_str(), -1, path.c_str() + slash + 1, -1, TRUE) == CSTR_EQUAL) {
                attributes = e.attributes;
                return true;
            }
        return false;
    }

    const std::vector<qs::ListedName>* List(const std::wstring& path) override {
        ++lists[path];
        return Find(path);
    }

    std::map<std::wstring, int> lists; // how often each folder was listed

private:
    const std::vector<qs::ListedName>* Find(const std::wstring& path) const {
        for (const auto& [folder, entries] : m_folders)
            if (CompareStringOrdinal(folder.c_str(), -1, path.c_str(), -1, TRUE) == CSTR_EQUAL)
                return &entries;
        return nullptr;
    }

    std::map<std::wstring, std::vector<qs::ListedName>> m_folders;
};

bool Exists(const wchar_t* pattern, qs::CPathSource& source) {
    qs::FolderPattern split;
    return qs::SplitFolderPattern(pattern, split) && qs::PatternExists(split, source);
}

TEST(PathPattern, OneRuleForTheDirectAndTheReadOnceSource) {
    const struct {
        const wchar_t* pattern;
        bool exists;
    } rows[] = {
        {L"C:\\", true},
        {L"C:\\Users\\Ann\\notes.txt", true},
        {L"C:\\users\\ANN\\NOTES.TXT", true},
        {L"C:\\Users\\Ann\\missing", false},
        {L"C:\\Users\\Nobody\\x", false},
        {L"C:\\Users\\*\\Cache", true},
        {L"C:\\Users\\*\\Cache\\*.bin", true},
        {L"C:\\Users\\*\\*.txt", true},
        {L"C:\\Users\\B*\\Cache", false},          // Bob holds no Cache
        {L"C:\\Users\\*\\Cache\\s.bin", false},    // the link matches no wildcard
        {L"C:\\Users\\Sh*", true},                 // but is a last part's match
        {L"C:\\Users\\Shared\\Cache\\s.bin", true}, // and a path without wildcards leads through it
        {L"C:\\*\\Ann\\Cache\\a.bin", true},
        {L"C:\\*\\*\\a.bin", false},              // one level per wildcard
        {L"C:\\Apps\\\u00E4*\\app.exe", true},      // letters beyond ASCII as the file system compares
        {L"C:\\Users\\Ann\\notes.txt\\x", false},
    };
    CMadeUpMachine direct;
    std::unique_ptr<qs::CPathSource> once = qs::MakeListingPathSource(std::make_unique<CMadeUpMachine>());
    for (const auto& r : rows) {
        EXPECT_EQ(Exists(r.pattern, direct), r.exists) << qs::test::Printable(r.pattern);
        EXPECT_EQ(Exists(r.pattern, *once), r.exists) << qs::test::Printable(r.pattern);
    }
}

TEST(PathPattern, TheReadOnceSourceListsEachFolderOnce) {
    auto machine = std::make_unique<CMadeUpMachine>();
    CMadeUpMachine& seen = *machine;
    std::unique_ptr<qs::CPathSource> once = qs::MakeListingPathSource(std::move(machine));
    for (int i = 0; i < 1000; ++i) {
        const std::wstring n = std::to_wstring(i);
        Exists((L"C:\\Users\\Ann\\Program" + n).c_str(), *once);
        Exists((L"C:\\Users\\*\\Cache\\p" + n + L".bin").c_str(), *once);
        Exists((L"C:\\Nowhere\\Vendor" + n + L"\\x").c_str(), *once);
    }
    for (const auto& [folder, count] : seen.lists)
        EXPECT_EQ(count, 1) << qs::test::Printable(folder);
    // Below a folder that is not there, nothing is listed at all.
    EXPECT_EQ(seen.lists.count(L"C:\\Nowhere"), 0u);
    // C:\, Users, Ann, Ann\Cache and Bob; never the link's target, which no wildcard enters.
    EXPECT_EQ(seen.lists.size(), 5u);
}

} // namespace
