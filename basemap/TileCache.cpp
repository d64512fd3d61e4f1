#include "TileCache.h"

#include "platform/core/Log.h"
#include "platform/core/Paths.h"
#include "platform/core/Threads.h"

#include <QDir>
#include <algorithm>

namespace vantrel::basemap {

TileCache::TileCache(std::shared_ptr<const BaseMapFile> file, std::function<void()> onLoaded, size_t budget)
    : file_(std::move(file)), onLoaded_(std::move(onLoaded)), budget_(budget) {
    if (file_) worker_ = std::thread([this] { run(); });
}

TileCache::~TileCache() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    if (worker_.joinable()) worker_.join();
}

std::shared_ptr<const BaseMapFile> TileCache::bundleFile() {
    static std::mutex mutex;
    static bool tried = false;
    static std::shared_ptr<const BaseMapFile> file;
    std::lock_guard lock(mutex);
    if (!tried) {
        tried = true;
        file = BaseMapFile::open(QDir(platform::Paths::bundleDirectory()).filePath(QStringLiteral("basemap.vbm")));
    }
    return file;
}

std::vector<std::shared_ptr<const Tile>> TileCache::request(const std::vector<TileKey>& keys) {
    std::vector<std::shared_ptr<const Tile>> ready;
    if (!file_) return ready;
    bool queued = false;
    {
        std::lock_guard lock(mutex_);
        queue_.clear();  // what the last frame asked for and this one does not need waits no longer
        for (const TileKey& key : keys) {
            auto it = tiles_.find(key.packed());
            if (it == tiles_.end()) {
                queue_.push_back(key);
                queued = true;
                continue;
            }
            lru_.splice(lru_.begin(), lru_, it->second.lru);
            if (it->second.tile) ready.push_back(it->second.tile);
        }
    }
    if (queued) wake_.notify_one();
    return ready;
}

void TileCache::waitUntilIdle() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return (queue_.empty() && !busy_) || stop_ || !file_; });
}

size_t TileCache::keptTiles() const {
    std::lock_guard lock(mutex_);
    return tiles_.size();
}

size_t TileCache::keptBytes() const {
    std::lock_guard lock(mutex_);
    return bytes_;
}

void TileCache::trim() {
    while (bytes_ > budget_ && lru_.size() > 1) {
        const uint64_t oldest = lru_.back();
        lru_.pop_back();
        auto it = tiles_.find(oldest);
        if (it->second.tile) bytes_ -= it->second.tile->byteSize();
        tiles_.erase(it);
    }
}

void TileCache::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stop_ || !queue_.empty(); });
        if (stop_) break;
        busy_ = true;
        bool loaded = false;
        while (!queue_.empty() && !stop_) {
            const TileKey key = queue_.front();
            queue_.pop_front();
            if (tiles_.count(key.packed())) continue;
            lock.unlock();
            std::optional<Tile> decoded = file_->readTile(key);  // logs a tile that does not decode
            std::shared_ptr<const Tile> tile = decoded ? std::make_shared<const Tile>(std::move(*decoded)) : nullptr;
            lock.lock();
            lru_.push_front(key.packed());
            tiles_[key.packed()] = Entry{tile, lru_.begin()};
            if (tile) bytes_ += tile->byteSize();
            loaded = true;
        }
        trim();
        busy_ = false;
        idle_.notify_all();
        if (loaded && onLoaded_ && !stop_) {
            lock.unlock();
            platform::performOnMainThread(onLoaded_, false);
            lock.lock();
        }
    }
    busy_ = false;
    idle_.notify_all();
}

}  // namespace vantrel::basemap
