#include "core/PropertyPublisher.h"

#include "core/PropertyListener.h"
#include "core/LogLine.h"

#include <algorithm>

namespace tolva {

void PropertyPublisher::addPropertyListener(PropertyListener* listener)
{
    if (!listener) {
        // It would be called through on the next notice.
        logWarning("Warning: Attempt to register a null property listener.");
        return;
    }
    if (std::find(mListeners.begin(), mListeners.end(), listener) != mListeners.end()) {
        logWarning("Warning: Attempt to register a property listener to a publisher twice.");
        return;
    }
    mListeners.push_back(listener);
}

void PropertyPublisher::removePropertyListener(PropertyListener* listener)
{
    const auto found = std::find(mListeners.begin(), mListeners.end(), listener);
    if (found == mListeners.end()) {
        logWarning("Warning: Attempt to unregister non-registered property listener.");
        return;
    }
    mListeners.erase(found);
}

void PropertyPublisher::notifyPropertyChanged(const std::string& name)
{
    // The name is copied: a listener may destroy whatever the caller's reference points into.
    const std::string property = name;
    const std::vector<PropertyListener*> snapshot = mListeners;
    for (PropertyListener* listener : snapshot) {
        if (std::find(mListeners.begin(), mListeners.end(), listener) != mListeners.end()) {
            listener->propertyChanged(property);
        }
    }
}

} // namespace tolva
