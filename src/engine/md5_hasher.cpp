#include "engine/md5_hasher.h"

#include "engine/file_reading.h"
#include "engine/md5_lanes.h"
#include "engine/md5_steps.h"

#include <algorithm>
#include <mutex>
#include <bit>
#include <cstring>
#include <future>

// Older SDK headers lack the AVX2 feature number.
#ifndef PF_AVX2_INSTRUCTIONS_AVAILABLE
#define PF_AVX2_INSTRUCTIONS_AVAILABLE 40
#endif

namespace {

struct Scalar {
    using V = std::uint32_t;
    static V add(V a, V b) { return a + b; }
    static V and_(V a, V b) { return a & b; }
    static V or_(V a, V b) { return a | b; }
    static V xor_(V a, V b) { return a ^ b; }
    static V not_(V a) { return ~a; }
    static V splat(std::uint32_t x) { return x; }
    template <int S> static V rotl(V x) { return std::rotl(x, S); }
};

// Each worker reads CHUNK bytes of a file at a time, per lane.
constexpr std::size_t CHUNK = 256 * 1024;
// Below this many busy lanes, a lane step costs more than digesting the
// remaining files one after another.
constexpr int MIN_BUSY_LANES = 3;

using Digests = std::vector<std::optional<std::string>>;

// The files to digest, largest first, taken from either end: one worker
// digests the largest one at a time at the full speed of one core, while the
// other keeps its lanes busy with the smallest. A lane runs at an eighth of
// the vector speed, slower than one file alone, so a long file in a lane
// would be the last to finish.
class FileQueue {
public:
    explicit FileQueue(std::size_t count) : back_(count) {}
    std::optional<std::size_t> largest() {
        std::lock_guard lock(mutex_);
        if (front_ == back_) return std::nullopt;
        return front_++;
    }
    std::optional<std::size_t> smallest() {
        std::lock_guard lock(mutex_);
        if (front_ == back_) return std::nullopt;
        return --back_;
    }

private:
    std::mutex mutex_;
    std::size_t front_ = 0, back_;
};

std::optional<std::string> digest_rest(HANDLE file, Md5 digest, std::vector<char>& buffer) {
    buffer.resize(CHUNK);
    for (;;) {
        const auto got = read_chunk(file, buffer);
        if (!got) return std::nullopt;
        if (*got == 0) return digest.hex();
        digest.add({buffer.data(), *got});
    }
}

// A file being digested in one lane: its buffer holds [at, end) unread.
struct Lane {
    UniqueFileHandle file;
    std::size_t index = 0;
    std::vector<char> buffer = std::vector<char>(CHUNK);
    std::size_t at = 0, end = 0;
    std::uint64_t digested = 0;  // bytes through the lane's state
    bool at_eof = false;
    bool busy() const { return static_cast<bool>(file); }
};

class LaneWorker {
public:
    LaneWorker(const FileOpener& open, FileQueue& queue, Digests& out) : open_(open), queue_(queue), out_(out) {}

    void run() {
        while (fill_free_lanes()) {
            if (!queue_left_ && busy_lanes() < MIN_BUSY_LANES) {
                for (int l = 0; l < MD5_LANES; ++l) finish_alone(l);
                return;
            }
            if (refill_all()) step_all();
        }
    }

private:
    // Gives every idle lane the next file; false when no lane has work.
    bool fill_free_lanes() {
        for (Lane& lane : lanes_) {
            while (!lane.busy() && queue_left_) {
                const auto index = queue_.smallest();
                if (!index) {
                    queue_left_ = false;
                    break;
                }
                lane.file = open_(*index);
                lane.index = *index;
                lane.at = lane.end = 0;
                lane.digested = 0;
                lane.at_eof = false;
                for (int w = 0; w < 4; ++w) states_.words[w][&lane - lanes_] = MD5_INITIAL_STATE[w];
            }
        }
        return busy_lanes() > 0;
    }

    int busy_lanes() const {
        return static_cast<int>(std::count_if(std::begin(lanes_), std::end(lanes_), [](const Lane& l) { return l.busy(); }));
    }

    Md5 lane_digest(int l) const {
        Md5State state;
        for (int w = 0; w < 4; ++w) state[w] = states_.words[w][l];
        return Md5(state, lanes_[l].digested);
    }

    void settle(int l, std::optional<std::string> digest) {
        out_[lanes_[l].index] = std::move(digest);
        lanes_[l].file.reset();
    }

    // Digests the rest of a lane's file on its own.
    void finish_alone(int l) {
        Lane& lane = lanes_[l];
        if (!lane.busy()) return;
        Md5 digest = lane_digest(l);
        digest.add({lane.buffer.data() + lane.at, lane.end - lane.at});
        settle(l, lane.at_eof ? digest.hex() : digest_rest(lane.file.get(), digest, lane.buffer));
    }

    // Tops up every busy lane to at least one whole block; a lane whose file
    // ended is finished on its own. False when any lane became idle.
    bool refill_all() {
        bool all_busy = true;
        for (int l = 0; l < MD5_LANES; ++l) {
            Lane& lane = lanes_[l];
            if (!lane.busy() || lane.end - lane.at >= 64) continue;
            if (!lane.at_eof) {
                std::memmove(lane.buffer.data(), lane.buffer.data() + lane.at, lane.end - lane.at);
                lane.end -= lane.at;
                lane.at = 0;
                const auto got = read_chunk(lane.file.get(), {lane.buffer.data() + lane.end, CHUNK - lane.end});
                if (!got) {
                    settle(l, std::nullopt);
                    all_busy = false;
                    continue;
                }
                lane.end += *got;
                lane.at_eof = lane.end < CHUNK;
            }
            if (lane.end - lane.at < 64) {
                finish_alone(l);
                all_busy = false;
            }
        }
        return all_busy;
    }

    // As many blocks as every busy lane holds; an idle lane repeats a busy
    // one's input, and its result is never read.
    void step_all() {
        const unsigned char* inputs[MD5_LANES];
        std::size_t blocks = CHUNK / 64;
        int any = 0;
        for (int l = 0; l < MD5_LANES; ++l) {
            if (lanes_[l].busy()) any = l;
        }
        for (int l = 0; l < MD5_LANES; ++l) {
            const Lane& lane = lanes_[l].busy() ? lanes_[l] : lanes_[any];
            inputs[l] = reinterpret_cast<const unsigned char*>(lane.buffer.data() + lane.at);
            blocks = std::min(blocks, (lane.end - lane.at) / 64);
        }
        md5_compress_lanes(states_, inputs, blocks);
        for (Lane& lane : lanes_) {
            if (!lane.busy()) continue;
            lane.at += 64 * blocks;
            lane.digested += 64 * blocks;
        }
    }

    const FileOpener& open_;
    FileQueue& queue_;
    Digests& out_;
    bool queue_left_ = true;
    Lane lanes_[MD5_LANES];
    Md5LaneStates states_{};
};

void digest_one_by_one(const FileOpener& open, FileQueue& queue, Digests& out) {
    std::vector<char> buffer;
    while (const auto index = queue.largest()) {
        UniqueFileHandle file = open(*index);
        if (file) out[*index] = digest_rest(file.get(), Md5(), buffer);
    }
}

bool lanes_supported() {
    // Asked once: the answer does not change while the program runs.
    static const bool supported = IsProcessorFeaturePresent(PF_AVX2_INSTRUCTIONS_AVAILABLE) != 0;
    return supported;
}

}  // namespace

bool md5_lanes_supported() { return lanes_supported(); }

void md5_compress(Md5State& state, const unsigned char* data, std::size_t blocks) {
    std::uint32_t s[4] = {state[0], state[1], state[2], state[3]};
    for (std::size_t b = 0; b < blocks; ++b, data += 64) {
        std::uint32_t w[16];
        std::memcpy(w, data, 64);  // MD5 words are little-endian, as are x86 and ARM Windows
        md5_steps::block<Scalar>(s, w);
    }
    state = {s[0], s[1], s[2], s[3]};
}

void Md5::add(std::span<const char> data) {
    auto bytes = reinterpret_cast<const unsigned char*>(data.data());
    std::size_t left = data.size();
    std::size_t pending = length_ % 64;
    length_ += left;
    if (pending > 0) {
        const std::size_t take = std::min(left, 64 - pending);
        std::memcpy(pending_.data() + pending, bytes, take);
        bytes += take;
        left -= take;
        if (pending + take < 64) return;
        md5_compress(state_, pending_.data(), 1);
    }
    md5_compress(state_, bytes, left / 64);
    std::memcpy(pending_.data(), bytes + left / 64 * 64, left % 64);
}

std::string Md5::hex() const {
    Md5 last = *this;
    const std::uint64_t bits = length_ * 8;
    static constexpr char padding[64] = {'\x80'};
    last.add({padding, static_cast<std::size_t>(1 + (119 - length_ % 64) % 64)});
    last.add({reinterpret_cast<const char*>(&bits), 8});
    static constexpr char digits[] = "0123456789abcdef";
    std::string text;
    for (std::uint32_t word : last.state_) {
        for (int byte = 0; byte < 4; ++byte, word >>= 8) {
            text += digits[(word >> 4) & 0xf];
            text += digits[word & 0xf];
        }
    }
    return text;
}

std::vector<std::optional<std::string>> md5_of_files(std::size_t count, const FileOpener& open, bool allow_lanes) {
    Digests digests(count);
    FileQueue queue(count);
    // Without a thread to be had, the helper runs only once this thread has
    // taken every file, and finds none left.
    auto helper = std::async(std::launch::async | std::launch::deferred, [&] { digest_one_by_one(open, queue, digests); });
    if (allow_lanes && lanes_supported()) {
        LaneWorker(open, queue, digests).run();
    } else {
        digest_one_by_one(open, queue, digests);
    }
    helper.get();
    return digests;
}
