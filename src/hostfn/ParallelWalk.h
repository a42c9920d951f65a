// The folder walk on a small pool of threads: independent folders listed at once, each still
// reached relative to its parent's handle by its exact listed name, with the guarantees of the
// one-thread walk (FolderWalk.h).
#pragma once

#include "hostfn/FolderWalk.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace qs {

// The most threads a walk lists folders on: past this, listing waits on the file system, not on
// the processors.
constexpr unsigned kMaxWalkThreads = 8;

// Where the gain comes from differs by platform. On Windows, folders list independently and the
// walk scales with the processors. Under Wine 8 the native directory query (and every open
// relative to a folder's handle) makes the folder the process's current directory and reads each
// entry's attributes by its bare name there, so the listings of one process run one at a time
// whatever the thread count; the pool then overlaps only the opens, the round trips to the
// server and the walkers' own work, and the benchmark shows that ceiling beside the host's walk.

// How many threads a walk uses: `cap` when given (1 is the one-thread walk), else one per logical
// processor; never more than kMaxWalkThreads, never fewer than 1.
inline unsigned WalkThreadCount(unsigned cap, unsigned processors) {
    const unsigned n = cap != 0 ? cap : processors;
    return n == 0 ? 1 : (n > kMaxWalkThreads ? kMaxWalkThreads : n);
}

// The cap from the settings or the command line (0 = automatic), set once at start-up before any
// walk runs, and the thread count it gives on this machine.
void SetWalkThreadCap(unsigned cap);
unsigned WalkThreads();

// A parallel walk's walker has Visit and Leave as in WalkFolderTree (Visit runs on the thread
// listing `folder`; Leave only in the one-thread walk), and:
//   void LeaveNamed(CFolderLister& folder, const wchar_t* name, std::size_t chars, const State& inner)
//       once everything below the entered subfolder `name` of `folder` is done (also when it could
//       not be opened), with the subfolder's own handle closed. `folder` may be listed on by
//       another thread meanwhile; only ChangeNamedEntry and Verified are used on it then.

// Walks the tree below `root` like WalkFolderTree, on up to `walkers.size()` threads, thread k
// using walkers[k] (so a walker keeps per-thread totals without locks). The calling thread is
// the first; another starts only while listed subfolders wait for a thread, so a folder without
// subfolders starts none. Pending subfolders wait on one shared stack as their listed name, path
// and state and a shared hold on their parent's lister; they are opened only when a thread takes
// them up, so the stack holds no handle and no listing buffer, and it grows with the tree's width,
// not with its file count. A folder's LeaveNamed comes after everything below it. The cancellation
// flag is checked before every entry on every thread; once set, no entry is started and no
// LeaveNamed follows, and the result is false. With one walker this is WalkFolderTree itself.
template <typename Walker>
bool WalkFolderTreeParallel(const WalkRoot& start, const typename Walker::State& state,
                            std::vector<Walker>& walkers) {
    using State = typename Walker::State;
    if (walkers.size() <= 1)
        return WalkFolderTree(start, state, walkers.front());
    const std::wstring& root = start.path;
    if (root.empty() || root.size() >= kMaxLongPathChars)
        return true;

    // A folder of the walk: pending (no lister yet) until a thread takes it up. It holds its
    // parent while it or anything below it is at work, so the parent's handle stays open for it.
    struct Node {
        std::shared_ptr<Node> parent;
        std::wstring name; // as the parent listed it
        std::wstring path; // the full path with its trailing backslash, until the folder is listed
        State state;
        std::size_t depth = 0;
        std::unique_ptr<CFolderLister> lister;
        std::atomic<std::size_t> open{1}; // its own listing plus each subfolder not yet done
        Node(std::shared_ptr<Node> p, const wchar_t* n, std::size_t chars, std::wstring fullPath, const State& s,
             std::size_t d)
            : parent(std::move(p)), name(n, chars), path(std::move(fullPath)), state(s), depth(d) {}
        // Lets go of the chain of parents one by one: a chain as deep as the platform allows would
        // otherwise be released by recursion on the machine stack.
        ~Node() {
            std::shared_ptr<Node> p = std::move(parent);
            while (p && p.use_count() == 1) {
                std::shared_ptr<Node> next = std::move(p->parent);
                p = std::move(next);
            }
        }
    };
    using NodePtr = std::shared_ptr<Node>;

    struct Pool {
        std::mutex lock;
        std::condition_variable wake;
        std::vector<NodePtr> pending;
        std::vector<std::thread> threads;
        unsigned busy = 0;
        std::atomic<bool> stopped{false};
        std::exception_ptr failure; // the first exception of any thread, thrown again to the caller
    } pool;

    std::wstring rootPath = root;
    if (rootPath.back() != L'\\')
        rootPath += L'\\';
    auto rootNode = std::make_shared<Node>(nullptr, L"", 0, std::move(rootPath), state, 0);
    rootNode->lister = OpenWalkRoot(start, kBatchBytes);
    if (!rootNode->lister->Valid())
        return true;
    rootNode->lister->ListThrough(start.listings, rootNode->path.data(), rootNode->path.size());
    // Below a folder kept in the pass's listing cache with its subfolders, listing reads memory:
    // the calling thread is done sooner than it could start another.
    const bool alone = rootNode->lister->KeptWithSubfolders();

    // Marks `node`'s listing or one of its subfolders done; a node with nothing left closes its
    // handle and is left by its parent, which may then be done in turn.
    auto finish = [&pool](NodePtr node, Walker& walker) {
        while (node && node->open.fetch_sub(1, std::memory_order_acq_rel) == 1) {
            node->lister.reset();
            NodePtr parent = std::move(node->parent);
            if (parent && !IsCancelled() && !pool.stopped.load(std::memory_order_relaxed))
                walker.LeaveNamed(*parent->lister, node->name.data(), node->name.size(),
                                  static_cast<const State&>(node->state));
            node = std::move(parent);
        }
    };

    std::function<void(unsigned)> work;
    // Hands a folder's subfolders to the pool at once, under one lock and with one wake-up (a
    // call into the platform). A thread is started only when more subfolders wait than threads
    // are idle.
    auto push = [&pool, &work, &walkers, alone](std::vector<NodePtr>& found) {
        if (found.empty())
            return;
        std::lock_guard<std::mutex> hold(pool.lock);
        for (NodePtr& node : found)
            pool.pending.push_back(std::move(node));
        found.clear();
        while (!alone && pool.pending.size() > pool.threads.size() + 1 - pool.busy &&
               pool.threads.size() + 1 < walkers.size() && !pool.stopped.load(std::memory_order_relaxed)) {
            try {
                pool.threads.emplace_back(work, static_cast<unsigned>(pool.threads.size()) + 1);
            } catch (const std::system_error&) {
                break; // no thread to be had: the threads running take the folders up
            }
        }
        if (pool.pending.size() > 1)
            pool.wake.notify_all();
        else
            pool.wake.notify_one();
    };

    auto list = [&](const NodePtr& node, Walker& walker, std::wstring& path, std::vector<NodePtr>& found) {
        if (!node->lister) {
            const Node& parent = *node->parent;
            const std::size_t batch = node->depth < kLargeBatchLevels ? kBatchBytes : kDeepBatchBytes;
            node->lister = std::make_unique<CFolderLister>(*parent.lister, node->name.data(), node->name.size(), batch);
            if (!node->lister->Valid()) {
                finish(node, walker);
                return;
            }
            node->lister->ListThrough(start.listings, node->path.data(), node->path.size());
        }
        CFolderLister& lister = *node->lister;
        const std::size_t base = node->path.size();
        FolderEntry entry;
        State inner = node->state;
        while (lister.Next(entry)) {
            if (IsCancelled() || pool.stopped.load(std::memory_order_relaxed)) {
                pool.stopped.store(true);
                return;
            }
            if (IsSelfOrParent(entry))
                continue;
            if (base + entry.chars > kMaxLongPathChars)
                continue;
            path.assign(node->path).append(entry.name, entry.chars);
            if (!walker.Visit(static_cast<const FolderEntry&>(entry), static_cast<const std::wstring&>(path), lister,
                              static_cast<const State&>(node->state), inner))
                continue;
            if (path.size() + 1 >= kMaxLongPathChars) {
                walker.LeaveNamed(lister, entry.name, entry.chars, static_cast<const State&>(inner));
                continue;
            }
            path.push_back(L'\\');
            node->open.fetch_add(1, std::memory_order_relaxed);
            found.push_back(std::make_shared<Node>(node, entry.name, entry.chars, path, inner, node->depth + 1));
        }
        lister.StoreListing(node->path.data(), node->path.size());
        push(found);
        // Its subfolders carry their own paths: a folder kept open for them keeps no path, so
        // that a chain as deep as the platform allows holds each path once, not once per level.
        std::wstring().swap(node->path);
        finish(node, walker);
    };

    work = [&](unsigned index) {
        Walker& walker = walkers[index];
        std::wstring path;
        std::vector<NodePtr> found; // the subfolders of the folder being listed
        std::unique_lock<std::mutex> hold(pool.lock);
        for (;;) {
            pool.wake.wait(hold, [&pool] {
                return !pool.pending.empty() || pool.busy == 0 || pool.stopped.load(std::memory_order_relaxed);
            });
            if (pool.pending.empty() || pool.stopped.load(std::memory_order_relaxed)) {
                pool.wake.notify_all(); // the walk is over: the others wake to see it
                return;
            }
            NodePtr node = std::move(pool.pending.back());
            pool.pending.pop_back();
            ++pool.busy;
            hold.unlock();
            try {
                list(node, walker, path, found);
            } catch (...) {
                // Out of memory: the walk stops on every thread, and the caller gets the exception.
                std::lock_guard<std::mutex> first(pool.lock);
                if (!pool.failure)
                    pool.failure = std::current_exception();
                pool.stopped.store(true);
            }
            node.reset();
            found.clear();
            hold.lock();
            --pool.busy;
            if (pool.busy == 0)
                pool.wake.notify_all();
        }
    };

    {
        std::lock_guard<std::mutex> hold(pool.lock);
        pool.pending.push_back(std::move(rootNode));
    }
    work(0);
    // No thread starts another once the walk has stopped or has nothing pending with no thread
    // busy: the list of threads is final once none is busy.
    std::vector<std::thread> threads;
    {
        std::unique_lock<std::mutex> hold(pool.lock);
        pool.wake.wait(hold, [&pool] { return pool.busy == 0; });
        threads.swap(pool.threads);
    }
    for (std::thread& t : threads)
        t.join();
    // Folders still pending after a cancel are let go here, on this thread.
    pool.pending.clear();
    if (pool.failure)
        std::rethrow_exception(pool.failure);
    return !pool.stopped.load();
}

template <typename Walker>
bool WalkFolderTreeParallel(const std::wstring& root, const typename Walker::State& state,
                            std::vector<Walker>& walkers) {
    return WalkFolderTreeParallel(WalkRoot{root, nullptr, std::wstring(), nullptr}, state, walkers);
}

} // namespace qs
