// One globally reachable instance of a class. The instance pointer is set by the constructor
// (so it is usable while the rest of the derived object is still being built) and cleared by the
// destructor. Derive from Singleton<T> as the first base of T.
#pragma once

template <typename T>
class Singleton {
public:
    Singleton() { msInstance = this; }
    virtual ~Singleton() { msInstance = nullptr; }

    Singleton(const Singleton&) = delete;
    Singleton& operator=(const Singleton&) = delete;

    /// The current instance, or null when none exists.
    /// The cast happens here, not in the constructor: while the Singleton base is being built the
    /// object is not yet a T.
    static T* getInstance() { return static_cast<T*>(msInstance); }

private:
    static inline Singleton* msInstance = nullptr;
};
