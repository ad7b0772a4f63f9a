// An engine signal that scripts can connect Python callables to. Engine objects declare their
// event signals with it (key and mouse events, collisions, trigger occupancy), so engine slots
// and script slots share one slot list.
//
// This header is all that engine code needs and pulls in no part of the binding library: the
// script side of the signal (connecting a callable) is defined in scripting/support/SignalBindings.h,
// which the bindings include.
#pragma once

#include <boost/signals2/connection.hpp>
#include <boost/signals2/signal.hpp>

namespace boost::python::api {
class object;
}

namespace tolva {

template <typename Result>
class PythonSignalFunctionWrap;

/// `S` is a boost::signals2 signal type. Everything of `S` stays available to engine code
/// (connecting at the front or in a group, emitting, disconnecting every slot); destroying the
/// signal disconnects every slot and so releases the scripts' callables.
///
/// A script slot is ungrouped and connected at the back, so on an input signal it runs after
/// the engine's console, GUI and game slots, and script slots run in the order they were
/// connected. The emission of a signal whose combiner stops early (the input signals) never
/// reaches a script slot behind a slot that consumed the event.
template <typename S>
class PythonSignalDecorator : public S {
public:
    typedef PythonSignalFunctionWrap<typename S::slot_result_type> FunctionWrap;

    using S::connect;
    using S::S;

    /// Connects a Python callable at the back of the slot list. The object is not checked for
    /// being callable: calling something else raises TypeError at the next emission. Dropping
    /// the returned handle leaves the slot connected. Defined in SignalBindings.h.
    /// @throw InvalidArgumentException for None (a script's ValueError), which would otherwise
    ///        fail only in the middle of some later emission
    /// @throw IllegalStateException once the interpreter is ending (script finalisers run then):
    ///        the slot would outlive its interpreter
    boost::signals2::connection connect(boost::python::api::object callable);
};

} // namespace tolva
