#pragma once

// A page's register blocks on the wire. Reads go by ranges: one request per block unless the
// page names its own ranges, each of which may hold several neighbouring blocks and the
// registers between them. Writes go block by block, each block's after-write step (a
// device command) right after it. The verification reads the same ranges back and checks
// every written block in the range that holds it.
//
//   BlockTransfer io(blocks(), {{0x0008, 2}, {0x004C, 64}});
//   const auto images = io.read(readRange);     // every range before any control changes
//   io.decode(images);
//   const auto written = io.write(readKept, writeBlock);
//   io.verify(written, io.read(readRange));     // PageError: verification failed

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

    // No ranges: every block is read as a range of its own.
    explicit BlockTransfer(std::deque<RegisterBlock> &blocks,
                           std::vector<std::pair<int, int>> ranges = {});

    // Every range, in order.
    std::vector<Image> read(const Read &read) const;
    // Every block from the range that holds it (a block outside every range stays as it is).
    void decode(const std::vector<Image> &images) const;
    // Registers the device keeps read first (no readKept: known from a read just made), then
    // every written block encoded, written and followed by its step; what each block wrote
    // (empty for a read-only block).
    std::vector<Image> write(const Read &readKept, const Write &write) const;
    // Each written block against the range read back; a block no range holds is an
    // internal error (PageError).
    void verify(const std::vector<Image> &written, const std::vector<Image> &images) const;

private:
    // The range holding count registers from start, or -1.
    int rangeOf(int start, int count) const;
    Image slice(const std::vector<Image> &images, int range, int start, int count) const;

    std::deque<RegisterBlock> &m_blocks;
    std::vector<std::pair<int, int>> m_ranges;
};
