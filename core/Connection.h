// The handle a listener holder gives each registrant: it tells whether the registrant is still
// registered and lets it leave. The registrant owns the handle; the holder never deletes it.
#pragma once

#include "core/InterfaceHolder.h"

namespace tolva {

template <typename T>
class Connection {
public:
    /// A handle that is disconnected from the start.
    Connection() = default;
    /// Leaves the holder if still connected, so a deleted handle never lingers in a holder.
    ~Connection();

    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    /// True from a successful connect until this handle or its holder disconnects it, or the
    /// holder (its last copy) goes. It never becomes connected again.
    bool isConnected() const { return mState != nullptr; }
    /// Leaves the holder; nothing happens when already disconnected.
    void disconnect();

private:
    friend class InterfaceHolder<T>;

    typename InterfaceHolder<T>::State* mState = nullptr;
};

template <typename T>
Connection<T>::~Connection()
{
    disconnect();
}

template <typename T>
void Connection<T>::disconnect()
{
    if (mState) {
        mState->disconnect(this);
    }
}

} // namespace tolva
