// How the catalogue and the tree-list model scale: loading plugin scripts with a stored
// selection, checking and unchecking large categories, and the stored-name lookup. Prints the
// time per row at two sizes and their ratio; a ratio near 1 means the cost per row does not
// grow with the number of rows.
#include "controls/FilesTreeCtrl.h"
#include "engine/Catalogue.h"
#include "engine/Settings.h"

#include <windows.h>
#include <commctrl.h>
#include <mbstring.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using qs::CScriptRow;

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The best of `repeat` runs, in seconds.
double Best(int repeat, const std::function<void()>& setUp, const std::function<void()>& run) {
    double best = 1e30;
    for (int i = 0; i < repeat; ++i) {
        setUp();
        const double start = Now();
        run();
        const double took = Now() - start;
        if (took < best)
            best = took;
    }
    return best;
}

void WriteFileText(const std::string& path, const std::string& text) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(f);
}

void RemoveFolder(const std::string& folder) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = data.cFileName;
            if (name == "." || name == "..")
                continue;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveFolder(folder + "\\" + name);
            else
                DeleteFileA((folder + "\\" + name).c_str());
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}

// A scripts folder of `plugins` plugin scripts spread over `categories` category folders.
std::string MakeScripts(const std::string& base, int plugins, int categories) {
    const std::string root = base + "\\scripts-" + std::to_string(plugins);
    CreateDirectoryA(root.c_str(), nullptr);
    char name[64];
    for (int c = 0; c < categories; ++c) {
        std::snprintf(name, sizeof name, "Category %03d", c);
        const std::string folder = root + "\\" + name;
        CreateDirectoryA(folder.c_str(), nullptr);
        WriteFileText(folder + "\\category.lua",
                      std::string("function this:GetCategoryName() return \"") + name + "\" end\n");
    }
    for (int p = 0; p < plugins; ++p) {
        char category[32];
        std::snprintf(category, sizeof category, "Category %03d", p % categories);
        std::snprintf(name, sizeof name, "Plugin %05d", p);
        WriteFileText(root + "\\" + category + "\\" + name + ".lua",
                      std::string("function this:GetPluginName() return \"") + name +
                          "\" end\nfunction this:GetSize() return 0, 0 end\n");
    }
    return root;
}

// The main window's part: a parent that hears every check notice, and the list-view child
// that the tree-list takes over.
struct Host {
    Host() {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&icc);
        WNDCLASSA wc{};
        wc.lpfnWndProc = &Host::Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "qsBenchHost";
        RegisterClassA(&wc);
        parent = CreateWindowExA(0, "qsBenchHost", "", WS_OVERLAPPEDWINDOW, 0, 0, 600, 400, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
        list = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE, 0, 0, 580, 380, parent,
                               reinterpret_cast<HMENU>(1000), GetModuleHandleA(nullptr), nullptr);
    }
    ~Host() { DestroyWindow(parent); }
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg == WM_ITEMCHECKCHANGING) {
            ++notices;
            return 0;
        }
        return DefWindowProcA(hwnd, msg, wp, lp);
    }
    HWND parent = nullptr;
    HWND list = nullptr;
    static long notices;
};
long Host::notices = 0;

// The scripts model and a view of it that tells its parent window of every check notice, as the
// main window's list does.
struct ShownRows {
    qs::CScriptsModel model;
    qs::CTlxFilesTreeCtrlImpl<std::unique_ptr<qs::CPluginScript>> view{model};

    CScriptRow* GetRootItem() { return model.GetRootItem(); }
    CScriptRow* InsertItem(std::unique_ptr<qs::CPluginScript> script, int image, std::uint32_t state, int group,
                           CScriptRow* parent) {
        return model.InsertItem(std::move(script), image, state, group, parent);
    }
    int SetCheck(CScriptRow* row, std::uint32_t state, bool up, bool down) {
        return model.SetCheck(row, state, up, down);
    }
    bool DeleteAllItems() { return model.DeleteAllItems(); }
};

void StoreTree(const CScriptRow* row, qs::CSettings& settings, bool categories) {
    for (const CScriptRow* r = row->firstChild; r != nullptr; r = r->nextSibling) {
        if (categories || !r->isGroup)
            settings.Add(r->userData->Name());
        StoreTree(r, settings, categories);
    }
}

struct Sizes {
    int small;
    int large;
};

void Row(const char* what, int small, double smallSeconds, int large, double largeSeconds) {
    const double a = smallSeconds / small * 1e6, b = largeSeconds / large * 1e6;
    std::printf("%-58s %8.2f us/row @%-6d %8.2f us/row @%-6d ratio %5.2f\n", what, a, small, b, large, b / a);
    std::fflush(stdout);
}

// Loading a scripts folder, and restoring a stored selection on the loaded rows: every
// category and plugin name stored (the way the main window stores a fully checked tree), or
// only the plugin names, so that every category is checked by aggregation from below.
void LoadBench(const std::string& base, Sizes n, int repeat) {
    double load[2], loadAll[2], restoreAll[2], restorePlugins[2];
    const int counts[2] = {n.small, n.large};
    for (int k = 0; k < 2; ++k) {
        const std::string folder = MakeScripts(base, counts[k], counts[k] / 100);
        qs::CSettings all(base + "\\all.xml"), plugins(base + "\\plugins.xml"), none(base + "\\none.xml");
        Host host;
        qs::CLuaVirtualMachine vm;
        ShownRows list;
        list.view.SubclassWindow(host.list);
        auto reset = [&] {
            list.DeleteAllItems();
            vm.Open();
        };
        load[k] = Best(repeat, reset, [&] { qs::ScanScriptFolder(vm, list.model, none, folder, nullptr); });
        loadAll[k] = 0;
        StoreTree(list.GetRootItem(), all, true);
        StoreTree(list.GetRootItem(), plugins, false);
        loadAll[k] = Best(repeat, reset, [&] { qs::ScanScriptFolder(vm, list.model, all, folder, nullptr); });
        auto uncheck = [&] {
            for (CScriptRow* r = list.GetRootItem()->firstChild; r != nullptr; r = r->nextSibling)
                list.SetCheck(r, qs::kUnchecked, true, true);
        };
        restoreAll[k] =
            Best(repeat * 3, uncheck, [&] { qs::RestoreStoredChecks(list.model, all, list.GetRootItem()); });
        restorePlugins[k] =
            Best(repeat * 3, uncheck, [&] { qs::RestoreStoredChecks(list.model, plugins, list.GetRootItem()); });
        list.DeleteAllItems();
        all.ClearSelected();
        plugins.ClearSelected();
        RemoveFolder(folder);
    }
    Row("load (scripts run, rows inserted), nothing stored", n.small, load[0], n.large, load[1]);
    Row("load with every name stored", n.small, loadAll[0], n.large, loadAll[1]);
    Row("  restoring every name on loaded rows", n.small, restoreAll[0], n.large, restoreAll[1]);
    Row("  restoring plugin names only (categories aggregate up)", n.small, restorePlugins[0], n.large,
        restorePlugins[1]);
}

// One category of n plugins in a tree attached to a window, so that every notice is a real
// message to the parent.
struct CategoryTree {
    explicit CategoryTree(int n) {
        list.view.SubclassWindow(host.list);
        category = list.InsertItem(nullptr, -1, qs::kUnchecked, 1, nullptr);
        for (int i = 0; i < n; ++i)
            rows.push_back(list.InsertItem(nullptr, -1, qs::kUnchecked, 0, category));
    }
    Host host;
    ShownRows list;
    CScriptRow* category = nullptr;
    std::vector<CScriptRow*> rows;
};

void CheckBench(Sizes n, int repeat) {
    double check[2], uncheck[2], forward[2], backward[2];
    const int counts[2] = {n.small, n.large};
    for (int k = 0; k < 2; ++k) {
        CategoryTree t(counts[k]);
        check[k] = Best(
            repeat * 3, [&] { t.list.SetCheck(t.category, qs::kUnchecked, true, true); },
            [&] { t.list.SetCheck(t.category, qs::kChecked, true, true); });
        uncheck[k] = Best(
            repeat * 3, [&] { t.list.SetCheck(t.category, qs::kChecked, true, true); },
            [&] { t.list.SetCheck(t.category, qs::kUnchecked, true, true); });
        // Every plugin checked by itself, as clicks would: each notice re-examines the
        // category's children to aggregate it.
        forward[k] = Best(
            repeat, [&] { t.list.SetCheck(t.category, qs::kUnchecked, true, true); },
            [&] {
                for (CScriptRow* r : t.rows)
                    t.list.SetCheck(r, qs::kChecked, true, true);
            });
        backward[k] = Best(
            repeat, [&] { t.list.SetCheck(t.category, qs::kUnchecked, true, true); },
            [&] {
                for (auto it = t.rows.rbegin(); it != t.rows.rend(); ++it)
                    t.list.SetCheck(*it, qs::kChecked, true, true);
            });
    }
    Row("check a category", n.small, check[0], n.large, check[1]);
    Row("uncheck a category", n.small, uncheck[0], n.large, uncheck[1]);
    Row("check its plugins one by one, first to last", n.small, forward[0], n.large, forward[1]);
    Row("check its plugins one by one, last to first", n.small, backward[0], n.large, backward[1]);
}

// The stored-name lookup against the plain search from the first name.
void LookupBench(const std::string& base, Sizes n, int repeat) {
    double indexed[2], plain[2];
    const int counts[2] = {n.small, n.large};
    for (int k = 0; k < 2; ++k) {
        qs::CSettings settings(base + "\\lookup.xml");
        std::vector<std::string> names;
        char name[32];
        for (int i = 0; i < counts[k]; ++i) {
            std::snprintf(name, sizeof name, "Plugin %05d", i);
            names.push_back(name);
            settings.Add(name);
        }
        std::vector<std::string> probes;
        for (int i = 0; i < counts[k]; ++i) {
            std::snprintf(name, sizeof name, "PLUGIN %05d", (i * 7919) % counts[k]);
            probes.push_back(name);
        }
        long found = 0;
        indexed[k] = Best(
            repeat, [] {},
            [&] {
                settings.Add("x"); // a change: the first lookup rebuilds the index
                for (const std::string& p : probes)
                    found += settings.Contains(p);
            });
        plain[k] = Best(
            repeat, [] {},
            [&] {
                for (const std::string& p : probes)
                    for (const std::string& s : names)
                        if (_mbsicmp(reinterpret_cast<const unsigned char*>(s.c_str()),
                                     reinterpret_cast<const unsigned char*>(p.c_str())) == 0) {
                            ++found;
                            break;
                        }
            });
        if (found == 0)
            std::printf("lookup found nothing\n");
        settings.ClearSelected();
    }
    Row("look every row up in as many stored names (index)", n.small, indexed[0], n.large, indexed[1]);
    Row("  the same with a plain search from the first name", n.small, plain[0], n.large, plain[1]);
}

} // namespace

int main(int argc, char** argv) {
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    const Sizes n = quick ? Sizes{200, 2000} : Sizes{1000, 10000};
    const int repeat = quick ? 1 : 3;

    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string base = std::string(temp) + "qs-bench-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(base.c_str(), nullptr);

    std::printf("rows: %d and %d%s\n", n.small, n.large, quick ? " (quick)" : "");
    CheckBench(n, repeat);
    LookupBench(base, n, repeat);
    LoadBench(base, n, quick ? 1 : 2);
    if (!quick) {
        // The figure of the scale target: 5,000 plugins in 50 categories, everything stored.
        const std::string folder = MakeScripts(base, 5000, 50);
        qs::CLuaVirtualMachine vm;
        vm.Open();
        qs::CSettings all(base + "\\five.xml");
        Host host;
        ShownRows list;
        list.view.SubclassWindow(host.list);
        {
            qs::CSettings none(base + "\\none5.xml");
            qs::ScanScriptFolder(vm, list.model, none, folder, nullptr);
            StoreTree(list.GetRootItem(), all, true);
            list.DeleteAllItems();
        }
        Host::notices = 0;
        const double start = Now();
        qs::ScanScriptFolder(vm, list.model, all, folder, nullptr);
        const double took = Now() - start;
        std::printf("5,000 plugins in 50 categories, all stored: %.3f s, %.1f us/row, %ld notices, %u rows\n", took,
                    took / 5050 * 1e6, Host::notices, list.GetRootItem()->CountDescendants());
        all.ClearSelected();
    }
    RemoveFolder(base);
    return 0;
}
