// Streaming a script file into lua_load through a handle opened by its wide name.
#include "engine/ScriptFile.h"

#include "framework/Handle.h"

#include <windows.h>

#include <lauxlib.h>

#include <vector>

namespace qs {
namespace {

constexpr char kCtrlZ = '\x1A';

// The lua_Reader over an open file: the head of the file prepared as luaL_loadfile prepares it,
// then the rest block by block.
class CScriptFileReader {
public:
    explicit CScriptFileReader(HANDLE file) : m_file(file), m_block(64 * 1024) {}

    static const char* Read(lua_State*, void* self, size_t* size) {
        return static_cast<CScriptFileReader*>(self)->Next(size);
    }
    bool Failed() const { return m_failed; }

private:
    const char* Next(size_t* size) {
        *size = 0;
        if (!m_started) {
            m_started = true;
            ReadHead();
        } else {
            m_out.clear();
            if (!m_ended)
                ReadBlock(m_out);
        }
        if (m_text) {
            // The C runtime's text mode, which luaL_loadfile reads in, ends a file at Ctrl+Z.
            const std::size_t stop = m_out.find(kCtrlZ);
            if (stop != std::string::npos) {
                m_out.resize(stop);
                m_ended = true;
            }
        }
        *size = m_out.size();
        return m_out.empty() ? nullptr : m_out.data();
    }

    // Appends the next block of the file; false at its end or on a read error.
    bool ReadBlock(std::string& to) {
        DWORD got = 0;
        if (!ReadFile(m_file, m_block.data(), static_cast<DWORD>(m_block.size()), &got, nullptr)) {
            m_failed = m_ended = true;
            return false;
        }
        if (got == 0) {
            m_ended = true;
            return false;
        }
        to.append(m_block.data(), got);
        return true;
    }

    void ReadHead() {
        m_out.clear();
        if (!ReadBlock(m_out))
            return;
        if (m_out[0] == '#') {
            // A "#!" line: skipped, with its line feed kept so that line numbers stay right.
            std::size_t newline = m_out.find('\n');
            while (newline == std::string::npos) {
                m_out.clear();
                if (!ReadBlock(m_out)) {
                    m_out = "\n";
                    return;
                }
                newline = m_out.find('\n');
            }
            m_out.erase(0, newline + 1);
            if (m_out.empty() && !ReadBlock(m_out)) {
                m_out = "\n";
                return;
            }
            if (m_out[0] != LUA_SIGNATURE[0])
                m_out.insert(m_out.begin(), '\n');
        }
        m_text = m_out[0] != LUA_SIGNATURE[0];
    }

    HANDLE m_file;
    std::vector<char> m_block;
    std::string m_out; // what the latest call handed to Lua
    bool m_started = false;
    bool m_ended = false;
    bool m_failed = false;
    bool m_text = true;
};

} // namespace

int LoadScriptFile(lua_State* L, const std::wstring& path, const std::string& chunkName) {
    const char* shown = chunkName.c_str() + (!chunkName.empty() && chunkName[0] == '@' ? 1 : 0);
    Handle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) {
        lua_pushfstring(L, "cannot open %s", shown);
        return LUA_ERRFILE;
    }
    CScriptFileReader reader(file.Get());
    const int status = lua_load(L, &CScriptFileReader::Read, &reader, chunkName.c_str());
    if (reader.Failed()) {
        lua_pop(L, 1);
        lua_pushfstring(L, "cannot read %s", shown);
        return LUA_ERRFILE;
    }
    return status;
}

} // namespace qs
