// A registry of listener interface pointers. Each registrant receives a connection handle with
// which it leaves again; an optional holder listener (the owner) hears of every arrival and
// departure. Registrants are never owned; handles are owned and deleted by whoever received them.
//
// Copies of a holder share one registry: what joins or leaves through one copy is seen by all,
// and the handles stay connected until they are disconnected or the last copy goes. (Holders are
// kept as values in ordered maps, whose insertions copy them; independent copies sharing handles
// would leave entries behind that nobody can ever remove.)
#pragma once

#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

namespace tolva {

template <typename T>
class Connection;

template <typename T>
class InterfaceHolder {
public:
    /// Hears of every registrant that joins or leaves.
    class Listener {
    public:
        virtual ~Listener() = default;
        virtual void connected(T* registrant) = 0;
        virtual void disconnected(T* registrant) = 0;
    };

    typedef std::pair<T*, Connection<T>*> Entry;
    typedef std::vector<Entry> EntryList;

    InterfaceHolder()
        : mState(std::make_shared<State>())
    {
    }

    /// Disconnects every handle once the last copy goes, telling nobody.
    ~InterfaceHolder() = default;
    InterfaceHolder(const InterfaceHolder&) = default;
    InterfaceHolder& operator=(const InterfaceHolder&) = default;

    /// The owner-side listener, or null. Not owned.
    void setListener(Listener* listener) { mState->mListener = listener; }
    Listener* getListener() const { return mState->mListener; }

    /// Registers the pointer at the end and tells the holder listener. A null pointer is not
    /// registered and gets a handle that is already disconnected. The caller owns the handle.
    Connection<T>* connect(T* registrant);

    /// Removes the handle's entry, tells the holder listener, and marks the handle disconnected.
    /// A null handle, or one that belongs to another holder, is left alone.
    void disconnect(Connection<T>* connection);

    /// The entries in connection order. Do not iterate this while a callback may connect or
    /// disconnect; use forEach for that.
    const EntryList& getEntries() const { return mState->mEntries; }
    bool isEmpty() const { return mState->mEntries.empty(); }
    std::size_t getSize() const { return mState->mEntries.size(); }

    /// Calls call(T*) for every registrant that was connected when the pass began and is still
    /// connected when its turn comes, in connection order. Registrants may join or leave from
    /// inside the call: those that left are not called any more, those that joined wait for the
    /// next pass. A pass allocates nothing.
    template <typename F>
    void forEach(F call) const;

    /// Asks keep(T*) of every registrant from the index first on, in connection order, and
    /// disconnects those it refuses, keeping the others' order; the holder listener hears of each
    /// afterwards. While a forEach pass is running it does nothing (nobody is asked): the pass's
    /// positions must stay as they are.
    template <typename P>
    void retainFrom(std::size_t first, P keep);

private:
    friend class Connection<T>;

    /// Where a running forEach stands: the entries before next are done, those from end on joined
    /// during the pass. Passes (nested ones too) live on the stack and are linked innermost first.
    struct Pass {
        std::size_t next;
        std::size_t end;
        Pass* outer;
    };

    struct State {
        ~State()
        {
            for (Entry& entry : mEntries) {
                entry.second->mState = nullptr;
            }
        }

        /// Erases the connection's entry if present and tells the holder listener.
        void disconnect(Connection<T>* connection)
        {
            for (typename EntryList::iterator it = mEntries.begin(); it != mEntries.end(); ++it) {
                if (it->second == connection) {
                    T* registrant = it->first;
                    erase(it);
                    connection->mState = nullptr;
                    if (mListener) {
                        mListener->disconnected(registrant);
                    }
                    return;
                }
            }
            connection->mState = nullptr;
        }

        /// Erases an entry and moves the running passes' positions with the entries behind it.
        void erase(typename EntryList::iterator it)
        {
            const std::size_t index = std::size_t(it - mEntries.begin());
            mEntries.erase(it);
            for (Pass* pass = mPasses; pass; pass = pass->outer) {
                if (index < pass->next) {
                    --pass->next;
                    --pass->end;
                } else if (index < pass->end) {
                    --pass->end;
                }
            }
        }

        Listener* mListener = nullptr;
        EntryList mEntries;
        Pass* mPasses = nullptr;
    };

    std::shared_ptr<State> mState;
};

} // namespace tolva

// Completes the handle type for users that include only this header.
#include "core/Connection.h"

namespace tolva {

template <typename T>
Connection<T>* InterfaceHolder<T>::connect(T* registrant)
{
    if (!registrant) {
        return new Connection<T>();
    }
    Connection<T>* connection = new Connection<T>();
    connection->mState = mState.get();
    mState->mEntries.emplace_back(registrant, connection);
    if (mState->mListener) {
        mState->mListener->connected(registrant);
    }
    return connection;
}

template <typename T>
void InterfaceHolder<T>::disconnect(Connection<T>* connection)
{
    if (connection && connection->mState == mState.get()) {
        mState->disconnect(connection);
    }
}

template <typename T>
template <typename P>
void InterfaceHolder<T>::retainFrom(std::size_t first, P keep)
{
    // Kept alive for the listener's calls, even if the holder itself goes inside one.
    const std::shared_ptr<State> alive = mState;
    State& state = *alive;
    if (state.mPasses || first >= state.mEntries.size()) {
        return;
    }
    // The listener is told once the list is whole again, so it may join or leave itself.
    std::vector<T*> dropped;
    std::size_t kept = first;
    for (std::size_t i = first; i < state.mEntries.size(); ++i) {
        const Entry entry = state.mEntries[i];
        if (keep(entry.first)) {
            state.mEntries[kept++] = entry;
        } else {
            entry.second->mState = nullptr;
            if (state.mListener) {
                dropped.push_back(entry.first);
            }
        }
    }
    state.mEntries.resize(kept);
    for (T* registrant : dropped) {
        if (state.mListener) {
            state.mListener->disconnected(registrant);
        }
    }
}

template <typename T>
template <typename F>
void InterfaceHolder<T>::forEach(F call) const
{
    if (mState->mEntries.empty()) {
        return;
    }
    // Kept alive for the pass, even if the holder itself goes inside a call.
    const std::shared_ptr<State> state = mState;
    Pass pass{0, state->mEntries.size(), state->mPasses};
    state->mPasses = &pass;
    // Passes end innermost first, also when a call throws.
    struct Unlink {
        State& state;
        Pass& pass;
        ~Unlink() { state.mPasses = pass.outer; }
    } unlink{*state, pass};
    while (pass.next < pass.end) {
        call(state->mEntries[pass.next++].first);
    }
}

} // namespace tolva
