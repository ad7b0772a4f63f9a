#include "scripting/support/SignalConnectionBlocks.h"

namespace tolva {

void SignalConnectionBlocks::block(const boost::signals2::connection& connection, bool shouldBlock)
{
    if (!shouldBlock) {
        unblock(connection);
        return;
    }
    BlockList& blocks = getBlocks();
    prune(blocks);
    if (!connection.connected() || connection.blocked()) {
        return;
    }
    blocks.emplace_back(connection, true);
}

void SignalConnectionBlocks::unblock(const boost::signals2::connection& connection)
{
    BlockList& blocks = getBlocks();
    prune(blocks);
    blocks.remove_if([&connection](const boost::signals2::shared_connection_block& block) {
        return block.connection() == connection;
    });
}

bool SignalConnectionBlocks::isBlocked(const boost::signals2::connection& connection)
{
    return connection.blocked();
}

void SignalConnectionBlocks::prune(BlockList& blocks)
{
    blocks.remove_if(
        [](const boost::signals2::shared_connection_block& block) { return !block.connection().connected(); });
}

SignalConnectionBlocks::BlockList& SignalConnectionBlocks::getBlocks()
{
    static BlockList blocks;
    return blocks;
}

} // namespace tolva
