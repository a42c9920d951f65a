// One loaded category or plugin script: its row's data and the entry-point wrappers.
#pragma once

#include "engine/LuaScript.h"

#include <cstdint>
#include <string>

namespace qs {

class CPluginScript : public CLuaScript {
public:
    // Registers the host functions (kHostFunctions) on the object table before any file is loaded.
    explicit CPluginScript(CLuaVirtualMachine& vm);
    ~CPluginScript() override;

    int DispatchHostMethod(CLuaVirtualMachine& vm, int methodIndex) override;
    void AfterDispatch(CLuaVirtualMachine&, int) override {}

    // Entry-point wrappers. Each leaves the stored values as they were when the call fails.
    bool GetCategoryName(std::string& name);
    int GetCategoryIcon();
    bool GetPluginName(std::string& name);
    int GetPluginIcon();
    bool GetSize(std::uint64_t& size, std::uint32_t& fileCount);
    // A Clear that returns a non-empty text chose not to clean (what it cleans is in use, say):
    // `skipped` gets that text, else it is left empty. Any other result means it cleaned.
    bool Clear(std::string& skipped);
    // The same for callers that do not ask whether it skipped.
    bool Clear() {
        std::string skipped;
        return Clear(skipped);
    }
    // The optional texts, under the quick budget, stored for Warning() and Description(). An
    // absent entry point, nil or empty text mean none. A warning entry point that raises leaves
    // kUnreadableWarning, so that a job whose author asked for a question is never run without
    // one; a description is cut at its first line break.
    void ReadPluginTexts();

    int SortKey() const { return m_sortKey; }

    std::uint64_t Size() const { return m_size; }
    std::uint32_t FileCount() const { return m_fileCount; }
    const std::string& Name() const { return m_name; }
    int IconIndex() const { return m_iconIndex; }
    int FirstHostMethod() const { return m_firstHostMethod; }
    const std::string& Warning() const { return m_warning; }
    const std::string& Description() const { return m_description; }

    void SetName(const std::string& name) { m_name = name; }
    // Rows whose script is not asked for an icon (the rule files' rows) are given one.
    void SetIconIndex(int icon) { m_iconIndex = icon; }
    // Category rows keep the sums of their plugins here (the refresh and clean passes).
    void SetTotals(std::uint64_t size, std::uint32_t fileCount) {
        m_size = size;
        m_fileCount = fileCount;
    }

private:
    bool CallName(const char* entry, std::string& name);
    int CallIcon(const char* entry);
    // Answers false when the entry point exists and raised; `text` is empty then and when it is
    // absent.
    bool CallText(const char* entry, std::string& text);

    int m_sortKey;
    std::uint64_t m_size = 0;
    std::uint32_t m_fileCount = 0;
    std::string m_name;
    int m_iconIndex = -1;
    int m_firstHostMethod = -1;
    std::string m_warning;
    std::string m_description;
};

// The warning a plugin has when its GetPluginWarning raised.
extern const char* const kUnreadableWarning;

} // namespace qs
