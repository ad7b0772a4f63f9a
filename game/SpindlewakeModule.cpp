#include "game/SpindlewakeModule.h"

#include <boost/python.hpp>

BOOST_PYTHON_MODULE(Spindlewake) { }
