// The read, write and verification loop over a page's register blocks (BlockTransfer.h).

#include "pages/framework/BlockTransfer.h"

#include "link/Messages.h"
#include "pages/framework/Exchanges.h"

BlockTransfer::BlockTransfer(std::deque<RegisterBlock> &blocks,
                             std::vector<std::pair<int, int>> ranges)
    : m_blocks(blocks), m_ranges(std::move(ranges))
{
    m_perBlock = m_ranges.empty();
    if (m_perBlock)
        for (const RegisterBlock &b : m_blocks)
            m_ranges.emplace_back(b.start(), b.count());
}

std::vector<BlockTransfer::Image> BlockTransfer::read(const Read &read) const
{
    std::vector<Image> images;
    for (const auto &[start, count] : m_ranges)
        images.push_back(read(start, count));
    return images;
}

int BlockTransfer::rangeOf(int start, int count) const
{
    for (size_t i = 0; i < m_ranges.size(); ++i) {
        const int offset = start - m_ranges[i].first;
        if (offset >= 0 && offset + count <= m_ranges[i].second)
            return int(i);
    }
    return -1;
}

BlockTransfer::Image BlockTransfer::slice(const std::vector<Image> &images, int range, int start,
                                          int count) const
{
    const Image &image = images.at(size_t(range));
    const int offset = start - m_ranges[size_t(range)].first;
    // A short reply must not be read past its end.
    if (offset + count > int(image.size()))
        exchange::fail(ErrInternal);
    return Image(image.begin() + offset, image.begin() + offset + count);
}

void BlockTransfer::decode(const std::vector<Image> &images) const
{
    for (size_t i = 0; i < m_blocks.size(); ++i) {
        const RegisterBlock &b = m_blocks[i];
        const int range = m_perBlock ? int(i) : rangeOf(b.start(), b.count());
        if (range >= 0)
            b.decode(slice(images, range, b.start(), b.count()));
    }
}

void BlockTransfer::checkComplete() const
{
    for (const RegisterBlock &b : m_blocks)
        if (!b.complete())
            exchange::fail(ErrInternal);
}

void BlockTransfer::checkWritable() const
{
    checkComplete();
    bool anyWritten = false;
    for (const RegisterBlock &b : m_blocks) {
        if (b.writeCount() > 123)
            exchange::fail(ErrInternal);
        anyWritten = anyWritten || b.isWritten();
    }
    if (!anyWritten)
        exchange::fail(ErrInternal);
}

std::vector<BlockTransfer::Image> BlockTransfer::write(const Read &readKept,
                                                       const Write &write) const
{
    for (RegisterBlock &b : m_blocks)
        for (int offset : readKept ? b.keptOffsets() : std::vector<int>())
            b.setKept(offset, readKept(b.start() + offset, 1).at(0));
    std::vector<Image> written(m_blocks.size());
    for (size_t i = 0; i < m_blocks.size(); ++i) {
        const RegisterBlock &b = m_blocks[i];
        if (!b.isWritten())
            continue;
        written[i] = b.encode();
        write(b.start(), written[i]);
        b.runAfterWrite();
    }
    return written;
}

void BlockTransfer::verify(const std::vector<Image> &written, const std::vector<Image> &images,
                           const Span &verified) const
{
    for (size_t i = 0; i < m_blocks.size(); ++i) {
        const RegisterBlock &b = m_blocks[i];
        if (!b.isWritten())
            continue;
        const int range = rangeOf(b.start(), b.readBackCount());
        if (range < 0)
            exchange::fail(ErrInternal);
        check(b, written.at(i), slice(images, range, b.start(), b.readBackCount()), verified);
    }
}

void BlockTransfer::readBack(const std::vector<Image> &written, const Read &read,
                             const Span &verified) const
{
    if (!m_perBlock) {
        verify(written, this->read(read), verified);
        return;
    }
    for (size_t i = 0; i < m_blocks.size(); ++i) {
        const RegisterBlock &b = m_blocks[i];
        if (b.isWritten())
            check(b, written.at(i), read(b.start(), b.readBackCount()), verified);
    }
}

void BlockTransfer::check(const RegisterBlock &b, const Image &written, const Image &back,
                          const Span &verified)
{
    if (!b.verify(written, back))
        exchange::fail(ErrVerifyFailed);
    if (verified)
        verified(b.start(), b.readBackCount());
}
