// Test helper: holds an index file's content in a named mapping of its own, as another program
// that uses the file would, until told to write what the mapping then holds to a file.
//   index_mapping_holder MAPPING-NAME SOURCE-FILE READY-EVENT DONE-EVENT OUTPUT-FILE
// The mapping is backed by the paging file, not by SOURCE-FILE: edits that reach it can only
// have come through the shared name.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 6)
        return 2;
    FILE* in = std::fopen(argv[2], "rb");
    if (in == nullptr)
        return 3;
    std::vector<char> bytes;
    char chunk[4096];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, in)) > 0;)
        bytes.insert(bytes.end(), chunk, chunk + n);
    std::fclose(in);

    HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, DWORD(bytes.size()), argv[1]);
    if (mapping == nullptr || GetLastError() == ERROR_ALREADY_EXISTS)
        return 4;
    char* view = static_cast<char*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    if (view == nullptr)
        return 5;
    std::memcpy(view, bytes.data(), bytes.size());

    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[3]);
    HANDLE done = OpenEventA(SYNCHRONIZE, FALSE, argv[4]);
    if (ready == nullptr || done == nullptr)
        return 6;
    SetEvent(ready);
    if (WaitForSingleObject(done, 60000) != WAIT_OBJECT_0)
        return 7;

    FILE* out = std::fopen(argv[5], "wb");
    if (out == nullptr || std::fwrite(view, 1, bytes.size(), out) != bytes.size())
        return 8;
    std::fclose(out);
    UnmapViewOfFile(view);
    CloseHandle(mapping);
    return 0;
}
