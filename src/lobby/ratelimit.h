// How often one peer may make us do something: a token bucket per key.
// The key table is bounded, so a stream of new keys cannot grow it.
#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QString>

namespace zindle::lobby {

class RateLimit {
public:
    // burst at once, then one more every perMs.
    RateLimit(int burst, int perMs, int maxKeys = 4096)
        : burst_(burst), perMs_(perMs), maxKeys_(maxKeys) {
        clock_.start();
    }

    bool allow(const QString& key) {
        const qint64 now = clock_.elapsed();
        auto it = buckets_.find(key);
        if (it == buckets_.end()) {
            if (buckets_.size() >= maxKeys_) prune(now);
            if (buckets_.size() >= maxKeys_) return false;
            it = buckets_.insert(key, Bucket{double(burst_), now});
        }
        Bucket& b = *it;
        b.tokens = std::min(double(burst_), b.tokens + double(now - b.at) / perMs_);
        b.at = now;
        if (b.tokens < 1) return false;
        b.tokens -= 1;
        return true;
    }

    void forget(const QString& key) { buckets_.remove(key); }
    int keys() const { return int(buckets_.size()); }

private:
    struct Bucket {
        double tokens;
        qint64 at;
    };
    // Full buckets tell nothing a new one would not.
    void prune(qint64 now) {
        for (auto it = buckets_.begin(); it != buckets_.end();) {
            if (it->tokens + double(now - it->at) / perMs_ >= burst_)
                it = buckets_.erase(it);
            else
                ++it;
        }
    }

    int burst_, perMs_, maxKeys_;
    QHash<QString, Bucket> buckets_;
    QElapsedTimer clock_;
};

}  // namespace zindle::lobby
