// Process-wide start of ODE and the routing of its messages into the engine log.
#pragma once

namespace tolva::ode {

/// Starts ODE once per process (it is never closed: wrappers may outlive every world) and routes
/// ODE's messages, errors and debug reports to the log. Every layer object calls it.
void initialiseLibrary();

} // namespace tolva::ode
