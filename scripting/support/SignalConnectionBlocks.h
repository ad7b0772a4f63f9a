// Blocking of signal connections as scripts know it: a connection handle blocks or unblocks its
// slot directly. The signal library only blocks through block objects, so this class keeps one
// for every slot that a script blocked, until the script unblocks it or the slot goes.
#pragma once

#include <boost/signals2/connection.hpp>
#include <boost/signals2/shared_connection_block.hpp>

#include <list>

namespace tolva {

class SignalConnectionBlocks {
public:
    /// Blocks the slot of the connection (shouldBlock true) or unblocks it (false). A blocked
    /// slot stays connected but is skipped by every emission. Blocking twice is blocking once;
    /// an empty or disconnected handle changes nothing.
    static void block(const boost::signals2::connection& connection, bool shouldBlock);
    static void unblock(const boost::signals2::connection& connection);
    static bool isBlocked(const boost::signals2::connection& connection);

private:
    typedef std::list<boost::signals2::shared_connection_block> BlockList;

    /// Drops the blocks of slots that no longer exist.
    static void prune(BlockList& blocks);
    static BlockList& getBlocks();
};

} // namespace tolva
