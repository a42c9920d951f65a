// Temporary folders and files for tests that touch the real file system under Wine.
#pragma once

#include <cstdint>
#include <string>

namespace qs::test {

// A new, empty folder under the platform's temporary folder, removed with its content when the
// object goes. Removal never follows links: a link inside is removed as a link.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder, without a trailing backslash.
    const std::string& Path() const { return m_path; }
    // The folder joined with a relative path ("a\\b.txt").
    std::string operator/(const std::string& relative) const { return m_path + "\\" + relative; }

private:
    std::string m_path;
};

// Creates the folders of `path` that do not exist yet.
void MakeDirs(const std::string& path);

// Writes a file (creating its folders) with `size` bytes of `fill`, or with `content`.
void WriteBytes(const std::string& path, std::uint64_t size, char fill = 'x');
void WriteText(const std::string& path, const std::string& content);

bool Exists(const std::string& path);

// Sets the last write time of a file or folder to `hoursAgo` hours before now; false when it
// cannot be opened or changed.
bool SetLastWrite(const std::string& path, double hoursAgo);
std::string ReadText(const std::string& path);

// Removes a file or a folder tree without following links.
void RemoveTree(const std::string& path);

// Makes `link` a symbolic link to the folder `target` (a Unix symlink under Wine, which Wine
// shows as a reparse point; a directory symbolic link on Windows). False when it cannot.
bool MakeFolderLink(const std::string& link, const std::string& target);

// Makes `link` a symbolic link to the file `target` (a Unix symlink under Wine, which Wine 8
// shows as a plain file). False when it cannot.
bool MakeFileLink(const std::string& link, const std::string& target);

// True when running under Wine.
bool UnderWine();

// Cluster size of the volume the temporary folder is on.
std::uint32_t TempClusterSize();

} // namespace qs::test
