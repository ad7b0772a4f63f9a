// Tells its property listeners that a named property has changed. Listeners are not owned; one
// that goes away must remove itself first.
#pragma once

#include <string>
#include <vector>

namespace tolva {

class PropertyListener;

class PropertyPublisher {
public:
    PropertyPublisher() = default;
    /// Forgets the listeners without telling them.
    virtual ~PropertyPublisher() = default;

    /// Appends the listener; a null one or one already registered is refused with a warning.
    virtual void addPropertyListener(PropertyListener* listener);
    /// Removes the listener; one not registered is reported with a warning.
    virtual void removePropertyListener(PropertyListener* listener);
    /// Calls every listener in registration order. Listeners may join or leave from inside the
    /// call: one that left is not called any more, one that joined waits for the next notice.
    virtual void notifyPropertyChanged(const std::string& name);

private:
    std::vector<PropertyListener*> mListeners;
};

} // namespace tolva
