#include "platform/OdeLibrary.h"

#include "core/LogLine.h"
#include "platform/OdeObjectPool.h"

#include <ode/ode.h>

#include <cstdio>
#include <mutex>
#include <string>

namespace tolva::ode {

namespace {

std::string format(const char* message, va_list arguments)
{
    char buffer[512];
    std::vsnprintf(buffer, sizeof buffer, message, arguments);
    return buffer;
}

void onMessage(int, const char* message, va_list arguments)
{
    logWarning("Warning: ODE: " + format(message, arguments));
}

// ODE aborts after these; the line at least says why.
void onError(int, const char* message, va_list arguments)
{
    logWarning("Error: ODE: " + format(message, arguments));
}

} // namespace

void initialiseLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] {
        ObjectPool::install();
        dInitODE2(0);
        dAllocateODEDataForThread(dAllocateMaskAll);
        dSetMessageHandler(onMessage);
        dSetErrorHandler(onError);
        dSetDebugHandler(onError);
    });
}

} // namespace tolva::ode
