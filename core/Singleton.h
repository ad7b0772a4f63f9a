// One globally reachable instance of a class. The instance pointer is set by the constructor
// (so it is usable while the rest of the derived object is still being built) and cleared by the
// destructor. Derive from Singleton<T> as the first base of T.
#pragma once

template <typename T>
class Singleton {
public:
    Singleton() { msInstance = static_cast<T*>(this); }
    virtual ~Singleton() { msInstance = nullptr; }

    Singleton(const Singleton&) = delete;
    Singleton& operator=(const Singleton&) = delete;

    /// The current instance, or null when none exists.
    static T* getInstance() { return msInstance; }

private:
    static inline T* msInstance = nullptr;
};
