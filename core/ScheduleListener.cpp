#include "core/ScheduleListener.h"

#include "core/Engine.h"
#include "core/Time.h"

namespace tolva {

ScheduleListener::~ScheduleListener()
{
    if (Engine* engine = Engine::getInstance()) {
        if (Time* time = engine->getTime()) {
            time->removeSchedule(this);
        }
    }
}

} // namespace tolva
