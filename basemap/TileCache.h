#pragma once
// The base map's decoded tiles, read on a worker thread of their own so that panning and zooming
// never wait for the file: the map asks for the tiles it needs, draws those that are ready and is
// called back on the main thread when the rest arrive. Kept tiles are let go, least recently asked
// for first, beyond a byte budget; tiles that did not decode are remembered (and logged once).
//
// Ownership: the cache shares the file with whoever opened it and owns its worker, which it joins
// when it goes. Threads: request, waitUntilIdle and the callbacks on one thread (the main thread in
// the app; a tool's or a test's own thread); the worker only decodes.

#include "BaseMapFile.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

namespace vantrel::basemap {

class TileCache {
public:
    // How many bytes of decoded tiles are kept (about a screen's worth of every level at 2x and
    // the tiles around it).
    static constexpr size_t kDefaultBudget = 8u << 20;

    // onLoaded runs on the requesting thread (through platform::performOnMainThread) whenever a
    // batch of asked-for tiles has been decoded.
    TileCache(std::shared_ptr<const BaseMapFile> file, std::function<void()> onLoaded, size_t budget = kDefaultBudget);
    ~TileCache();

    // The bundle's base map (basemap.vbm), opened on first use; nothing, logged once, without one.
    static std::shared_ptr<const BaseMapFile> bundleFile();

    const std::shared_ptr<const BaseMapFile>& file() const { return file_; }

    // The asked-for tiles that are decoded, in the order asked for (missing ones left out); the
    // others are queued for the worker, which drops what earlier requests asked for and no longer
    // needed.
    std::vector<std::shared_ptr<const Tile>> request(const std::vector<TileKey>& keys);
    // Blocks until the worker has nothing queued (tools, tests, benchmarks).
    void waitUntilIdle();

    size_t keptTiles() const;
    size_t keptBytes() const;

private:
    void run();
    void trim();  // with mutex_ held

    std::shared_ptr<const BaseMapFile> file_;
    std::function<void()> onLoaded_;
    const size_t budget_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<TileKey> queue_;
    bool busy_ = false;
    bool stop_ = false;
    struct Entry {
        std::shared_ptr<const Tile> tile;  // null: did not decode
        std::list<uint64_t>::iterator lru;
    };
    std::unordered_map<uint64_t, Entry> tiles_;
    std::list<uint64_t> lru_;  // most recent first
    size_t bytes_ = 0;
    std::thread worker_;
};

}  // namespace vantrel::basemap
