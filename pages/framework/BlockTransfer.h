#pragma once

// A page's register blocks on the wire. Reads go by ranges: one request per block unless the
// page names its own ranges, each of which may hold several neighbouring blocks and the
// registers between them. Writes go block by block, each block's after-write step (a
// device command) right after it. The verification reads the same ranges back and checks
// every written block in the range that holds it; without ranges of its own the page reads
// back each written block in turn and a mismatch stops before the next read.
//
//   BlockTransfer io(blocks(), {{0x0008, 2}, {0x004C, 64}});
//   const auto images = io.read(readRange);     // every range before any control changes
//   io.decode(images);
//   const auto written = io.write(readKept, writeBlock);
//   io.readBack(written, readRange);             // PageError: verification failed

#include "pages/framework/RegisterImage.h"

#include <deque>
#include <functional>
#include <utility>
#include <vector>

class BlockTransfer
{
public:
    using Image = std::vector<quint16>;
    using Read = std::function<Image(int start, int count)>;
    using Write = std::function<void(int start, const Image &values)>;
    using Span = std::function<void(int start, int count)>;

    // No ranges: every block is read as a range of its own.
    explicit BlockTransfer(std::deque<RegisterBlock> &blocks,
                           std::vector<std::pair<int, int>> ranges = {});

    // Every range, in order.
    std::vector<Image> read(const Read &read) const;
    // Every block from the range that holds it (a block outside every range stays as it is).
    void decode(const std::vector<Image> &images) const;
    // PageError (internal) unless every block is complete.
    void checkComplete() const;
    // As checkComplete, and none writes more than one request holds, one at least is written.
    void checkWritable() const;
    // Registers the device keeps read first (no readKept: known from a read just made), then
    // every written block encoded, written and followed by its step; what each block wrote
    // (empty for a read-only block).
    std::vector<Image> write(const Read &readKept, const Write &write) const;
    // Each written block against the range read back; a block no range holds is an
    // internal error (PageError).
    void verify(const std::vector<Image> &written, const std::vector<Image> &images,
                const Span &verified = {}) const;
    // The read back and verify of a write: with ranges, every range read and then checked;
    // without, each written block read (its read-back count) and checked before the next.
    // verified hears each block that passed.
    void readBack(const std::vector<Image> &written, const Read &read,
                  const Span &verified = {}) const;

private:
    // The range holding count registers from start, or -1.
    int rangeOf(int start, int count) const;
    Image slice(const std::vector<Image> &images, int range, int start, int count) const;
    // ErrVerifyFailed unless the block reads back as written.
    static void check(const RegisterBlock &b, const Image &written, const Image &back,
                      const Span &verified);

    std::deque<RegisterBlock> &m_blocks;
    std::vector<std::pair<int, int>> m_ranges;
    bool m_perBlock = false; // range i is block i
};
