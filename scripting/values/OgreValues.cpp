// TolvaValues.Ogre: OGRE's math values (vectors, quaternions, colours, angles, boxes) as script
// classes with the arithmetic and comparisons a script writer expects, and the OGRE enums that
// engine members take.
//
// Every value is a copy: changing a value a member returned changes nothing in the engine.
// Methods keep OGRE's names. Constants (Vector3.UNIT_X, ColourValue.White, ...) are fresh copies
// on every access, so changing one changes no constant.
#include "scripting/values/ValueSupport.h"
#include "scripting/values/ValuesModule.h"
#include "scripting/support/StrictEnum.h"

#include <OgreAxisAlignedBox.h>
#include <OgreBillboardChain.h>
#include <OgreBillboardSet.h>
#include <OgreColourValue.h>
#include <OgreCommon.h>
#include <OgreMath.h>
#include <OgreNode.h>
#include <OgreQuaternion.h>
#include <OgreVector.h>

#include <boost/python.hpp>

#include <string>
#include <utility>

namespace bp = boost::python;

namespace tolva::values {

namespace {

typedef Ogre::Real Real;

template <int N>
using Vector = Ogre::Vector<N, Real>;

const char* const ComponentNames[] = {"x", "y", "z", "w"};

/// A class constant, handed out as a fresh copy on every access. The getter becomes a Python
/// function once, with the class.
template <typename Value>
bp::object constant(Value (*get)())
{
    return bp::make_function(get);
}

/// "Vector3(1, 0.5, -2)": the text reads back as an equal vector.
template <int N>
std::string vectorText(const Vector<N>& vector)
{
    std::string text = "Vector" + std::to_string(N) + "(";
    for (int i = 0; i < N; ++i) {
        text += (i ? ", " : "") + realText(vector[i]);
    }
    return text + ")";
}

template <int N, std::size_t I>
Real getComponent(const Vector<N>& vector)
{
    return vector[I];
}

template <int N, std::size_t I>
void setComponent(Vector<N>& vector, Real value)
{
    vector[I] = value;
}

template <int N, typename Class, std::size_t... I>
void addComponents(Class& pythonClass, std::index_sequence<I...>)
{
    (pythonClass.add_property(ComponentNames[I], &getComponent<N, I>, &setComponent<N, I>), ...);
}

/// Python's indexing: negative indices count from the end; anything else outside raises IndexError.
template <int N>
Real componentAt(const Vector<N>& vector, int index)
{
    if (index < 0) {
        index += N;
    }
    if (index < 0 || index >= N) {
        PyErr_SetString(PyExc_IndexError, "vector index out of range");
        bp::throw_error_already_set();
    }
    return vector[index];
}

// OGRE leaves a default-made vector uninitialised; a script's Vector3() is the zero vector.
template <int N>
Vector<N>* makeZeroVector()
{
    return new Vector<N>(Vector<N>::ZERO);
}

template <int N>
Vector<N> divideByScalar(const Vector<N>& vector, Real divisor)
{
    checkDivisor(divisor);
    return vector / divisor;
}

template <int N>
Vector<N> divideByVector(const Vector<N>& vector, const Vector<N>& divisors)
{
    Vector<N> result;
    for (int i = 0; i < N; ++i) {
        checkDivisor(divisors[i]);
        result[i] = vector[i] / divisors[i];
    }
    return result;
}

/// The members every vector size has.
template <int N>
bp::class_<Vector<N>> defineVector(const char* name)
{
    typedef Vector<N> V;
    bp::class_<V> vector(name, bp::no_init);
    vector.def("__init__", bp::make_constructor(&makeZeroVector<N>)).def(bp::init<Real>()).def(bp::init<const V&>());
    addComponents<N>(vector, std::make_index_sequence<N>());
    vector
        .def(
            "__len__", +[](const V&) { return N; })
        .def("__getitem__", &componentAt<N>)
        .def("__repr__", &vectorText<N>)
        .def("__str__", &vectorText<N>)
        .def(bp::self == bp::self)
        .def(bp::self != bp::self)
        .def(bp::self + bp::self)
        .def(bp::self - bp::self)
        .def(bp::self * bp::self)
        .def(bp::self * Real())
        .def(Real() * bp::self)
        .def(-bp::self)
        .def("__truediv__", &divideByVector<N>)
        .def("__truediv__", &divideByScalar<N>)
        .def(
            "length", +[](const V& v) { return v.length(); })
        .def(
            "squaredLength", +[](const V& v) { return v.squaredLength(); })
        .def(
            "distance", +[](const V& v, const V& other) { return v.distance(other); })
        .def(
            "squaredDistance", +[](const V& v, const V& other) { return v.squaredDistance(other); })
        .def(
            "dotProduct", +[](const V& v, const V& other) { return v.dotProduct(other); })
        .def(
            "normalise", +[](V& v) { return v.normalise(); })
        .def(
            "normalisedCopy", +[](const V& v) { return v.normalisedCopy(); })
        .def(
            "isZeroLength", +[](const V& v) { return v.isZeroLength(); })
        .def(
            "positionEquals",
            +[](const V& v, const V& other, Real tolerance) { return v.positionEquals(other, tolerance); },
            (bp::arg("rhs"), bp::arg("tolerance") = 1e-03f))
        .add_static_property("ZERO", constant(+[]() { return V(V::ZERO); }));
    makeUnhashable(vector);
    return vector;
}

void defineVector2()
{
    typedef Ogre::Vector2 V;
    defineVector<2>("Vector2")
        .def(bp::init<Real, Real>((bp::arg("x"), bp::arg("y"))))
        .def(
            "crossProduct", +[](const V& v, const V& other) { return v.crossProduct(other); })
        .def(
            "angleBetween", +[](const V& v, const V& other) { return v.angleBetween(other); })
        .def(
            "reflect", +[](const V& v, const V& normal) { return v.reflect(normal); })
        .add_static_property("UNIT_X", constant(+[]() { return V::UNIT_X; }))
        .add_static_property("UNIT_Y", constant(+[]() { return V::UNIT_Y; }))
        .add_static_property("NEGATIVE_UNIT_X", constant(+[]() { return V::NEGATIVE_UNIT_X; }))
        .add_static_property("NEGATIVE_UNIT_Y", constant(+[]() { return V::NEGATIVE_UNIT_Y; }))
        .add_static_property("UNIT_SCALE", constant(+[]() { return V::UNIT_SCALE; }));
}

void defineVector3()
{
    typedef Ogre::Vector3 V;
    defineVector<3>("Vector3")
        .def(bp::init<Real, Real, Real>((bp::arg("x"), bp::arg("y"), bp::arg("z"))))
        .def(
            "crossProduct", +[](const V& v, const V& other) { return v.crossProduct(other); })
        .def(
            "angleBetween", +[](const V& v, const V& other) { return v.angleBetween(other); })
        .def(
            "reflect", +[](const V& v, const V& normal) { return v.reflect(normal); })
        .def(
            "midPoint", +[](const V& v, const V& other) { return v.midPoint(other); })
        .def(
            "perpendicular", +[](const V& v) { return v.perpendicular(); })
        .def(
            "getRotationTo",
            +[](const V& v, const V& destination, const V& fallbackAxis) {
                return v.getRotationTo(destination, fallbackAxis);
            },
            (bp::arg("dest"), bp::arg("fallbackAxis") = V::ZERO))
        .add_static_property("UNIT_X", constant(+[]() { return V::UNIT_X; }))
        .add_static_property("UNIT_Y", constant(+[]() { return V::UNIT_Y; }))
        .add_static_property("UNIT_Z", constant(+[]() { return V::UNIT_Z; }))
        .add_static_property("NEGATIVE_UNIT_X", constant(+[]() { return V::NEGATIVE_UNIT_X; }))
        .add_static_property("NEGATIVE_UNIT_Y", constant(+[]() { return V::NEGATIVE_UNIT_Y; }))
        .add_static_property("NEGATIVE_UNIT_Z", constant(+[]() { return V::NEGATIVE_UNIT_Z; }))
        .add_static_property("UNIT_SCALE", constant(+[]() { return V::UNIT_SCALE; }));
}

void defineVector4()
{
    defineVector<4>("Vector4").def(
        bp::init<Real, Real, Real, Real>((bp::arg("x"), bp::arg("y"), bp::arg("z"), bp::arg("w"))));
}

// ---------------------------------------------------------------------------------------------
// Quaternion

std::string quaternionText(const Ogre::Quaternion& q)
{
    return "Quaternion(" + realText(q.w) + ", " + realText(q.x) + ", " + realText(q.y) + ", " + realText(q.z) + ")";
}

/// (angle, axis) as OGRE's ToAngleAxis fills them.
bp::tuple toAngleAxis(const Ogre::Quaternion& q)
{
    Ogre::Radian angle;
    Ogre::Vector3 axis;
    q.ToAngleAxis(angle, axis);
    return bp::make_tuple(angle, axis);
}

void defineQuaternion()
{
    typedef Ogre::Quaternion Q;
    bp::class_<Q> quaternion("Quaternion", bp::init<>());
    quaternion.def(bp::init<Real, Real, Real, Real>((bp::arg("w"), bp::arg("x"), bp::arg("y"), bp::arg("z"))))
        .def(bp::init<const Ogre::Radian&, const Ogre::Vector3&>((bp::arg("angle"), bp::arg("axis"))))
        .def(bp::init<const Ogre::Vector3&, const Ogre::Vector3&, const Ogre::Vector3&>(
            (bp::arg("xaxis"), bp::arg("yaxis"), bp::arg("zaxis"))))
        .def(bp::init<const Q&>())
        .def_readwrite("w", &Q::w)
        .def_readwrite("x", &Q::x)
        .def_readwrite("y", &Q::y)
        .def_readwrite("z", &Q::z)
        .def("__repr__", &quaternionText)
        .def("__str__", &quaternionText)
        .def(bp::self == bp::self)
        .def(bp::self != bp::self)
        .def(bp::self + bp::self)
        .def(bp::self - bp::self)
        .def(bp::self * bp::self)
        .def(bp::self * bp::other<Ogre::Vector3>())
        .def(bp::self * Real())
        .def(Real() * bp::self)
        .def(-bp::self)
        .def("Dot", &Q::Dot)
        .def("Norm", &Q::Norm)
        .def("normalise", &Q::normalise)
        .def("Inverse", &Q::Inverse)
        .def("UnitInverse", &Q::UnitInverse)
        .def("xAxis", &Q::xAxis)
        .def("yAxis", &Q::yAxis)
        .def("zAxis", &Q::zAxis)
        .def("getRoll", &Q::getRoll, (bp::arg("reprojectAxis") = true))
        .def("getPitch", &Q::getPitch, (bp::arg("reprojectAxis") = true))
        .def("getYaw", &Q::getYaw, (bp::arg("reprojectAxis") = true))
        .def("equals", &Q::equals)
        .def("ToAngleAxis", &toAngleAxis)
        .def("FromAngleAxis", &Q::FromAngleAxis)
        .def(
            "Slerp", +[](Real t, const Q& p, const Q& q, bool shortestPath) { return Q::Slerp(t, p, q, shortestPath); },
            (bp::arg("fT"), bp::arg("rkP"), bp::arg("rkQ"), bp::arg("shortestPath") = false))
        .staticmethod("Slerp")
        .add_static_property("IDENTITY", constant(+[]() { return Q::IDENTITY; }))
        .add_static_property("ZERO", constant(+[]() { return Q::ZERO; }));
    makeUnhashable(quaternion);
}

// ---------------------------------------------------------------------------------------------
// Colours

std::string colourText(const Ogre::ColourValue& c)
{
    return "ColourValue(" + realText(c.r) + ", " + realText(c.g) + ", " + realText(c.b) + ", " + realText(c.a) + ")";
}

Ogre::ColourValue divideColour(const Ogre::ColourValue& colour, float divisor)
{
    checkDivisor(divisor);
    return colour / divisor;
}

bp::tuple getHSB(const Ogre::ColourValue& colour)
{
    float hue = 0.0f, saturation = 0.0f, brightness = 0.0f;
    colour.getHSB(hue, saturation, brightness);
    return bp::make_tuple(hue, saturation, brightness);
}

void defineColourValue()
{
    typedef Ogre::ColourValue C;
    bp::class_<C> colour("ColourValue",
        bp::init<bp::optional<float, float, float, float>>(
            (bp::arg("red") = 1.0f, bp::arg("green") = 1.0f, bp::arg("blue") = 1.0f, bp::arg("alpha") = 1.0f)));
    colour.def(bp::init<const C&>())
        .def_readwrite("r", &C::r)
        .def_readwrite("g", &C::g)
        .def_readwrite("b", &C::b)
        .def_readwrite("a", &C::a)
        .def("__repr__", &colourText)
        .def("__str__", &colourText)
        .def(bp::self == bp::self)
        .def(bp::self != bp::self)
        .def(bp::self + bp::self)
        .def(bp::self - bp::self)
        .def(bp::self * bp::self)
        .def(bp::self * float())
        .def(float() * bp::self)
        .def("__truediv__", &divideColour)
        .def("saturate", &C::saturate)
        .def("saturateCopy", &C::saturateCopy)
        .def("getHSB", &getHSB)
        .def("setHSB", &C::setHSB)
        .add_static_property("ZERO", constant(+[]() { return C::ZERO; }))
        .add_static_property("Black", constant(+[]() { return C::Black; }))
        .add_static_property("White", constant(+[]() { return C::White; }))
        .add_static_property("Red", constant(+[]() { return C::Red; }))
        .add_static_property("Green", constant(+[]() { return C::Green; }))
        .add_static_property("Blue", constant(+[]() { return C::Blue; }));
    makeUnhashable(colour);
}

// ---------------------------------------------------------------------------------------------
// Angles: either unit converts to the other wherever one is expected, as in C++.

template <typename Angle>
Angle divideAngle(const Angle& angle, Real divisor)
{
    checkDivisor(divisor);
    return angle / divisor;
}

/// @param value the number the angle holds in its own unit
template <typename Angle, typename OtherUnit>
bp::class_<Angle> defineAngle(const char* name, Real (Angle::*value)() const)
{
    bp::class_<Angle> angle(name, bp::init<bp::optional<Real>>());
    // The copy is tried first: going through the other unit would round.
    angle.def(bp::init<const OtherUnit&>())
        .def(bp::init<const Angle&>())
        .def("valueDegrees", &Angle::valueDegrees)
        .def("valueRadians", &Angle::valueRadians)
        .def("__float__", value)
        .def(bp::self + bp::self)
        .def(bp::self - bp::self)
        .def(bp::self * Real())
        .def(Real() * bp::self)
        .def(-bp::self)
        .def("__truediv__", &divideAngle<Angle>)
        .def(bp::self == bp::self)
        .def(bp::self != bp::self)
        .def(bp::self < bp::self)
        .def(bp::self <= bp::self)
        .def(bp::self > bp::self)
        .def(bp::self >= bp::self);
    makeUnhashable(angle);
    return angle;
}

void defineAngles()
{
    defineAngle<Ogre::Radian, Ogre::Degree>("Radian", &Ogre::Radian::valueRadians)
        .def(
            "__repr__", +[](const Ogre::Radian& r) { return "Radian(" + realText(r.valueRadians()) + ")"; });
    defineAngle<Ogre::Degree, Ogre::Radian>("Degree", &Ogre::Degree::valueDegrees)
        .def(
            "__repr__", +[](const Ogre::Degree& d) { return "Degree(" + realText(d.valueDegrees()) + ")"; });
    bp::implicitly_convertible<Ogre::Degree, Ogre::Radian>();
    bp::implicitly_convertible<Ogre::Radian, Ogre::Degree>();
}

// ---------------------------------------------------------------------------------------------
// Boxes

typedef Ogre::AxisAlignedBox Box;

// OGRE only asserts this in debug builds; a box turned inside out would answer every question
// wrongly from then on.
void checkExtents(const Ogre::Vector3& minimum, const Ogre::Vector3& maximum)
{
    if (minimum.x > maximum.x || minimum.y > maximum.y || minimum.z > maximum.z) {
        PyErr_SetString(PyExc_ValueError, "The minimum corner of a box must not lie above its maximum corner.");
        bp::throw_error_already_set();
    }
}

Box* makeBox(const Ogre::Vector3& minimum, const Ogre::Vector3& maximum)
{
    checkExtents(minimum, maximum);
    return new Box(minimum, maximum);
}

Box* makeBoxFromCoordinates(Real minX, Real minY, Real minZ, Real maxX, Real maxY, Real maxZ)
{
    return makeBox(Ogre::Vector3(minX, minY, minZ), Ogre::Vector3(maxX, maxY, maxZ));
}

void setExtents(Box& box, const Ogre::Vector3& minimum, const Ogre::Vector3& maximum)
{
    checkExtents(minimum, maximum);
    box.setExtents(minimum, maximum);
}

// Only a finite box has a centre; OGRE would compute one from undefined corners.
Ogre::Vector3 getCenter(const Box& box)
{
    if (!box.isFinite()) {
        PyErr_SetString(PyExc_ValueError, "A null or infinite box has no centre.");
        bp::throw_error_already_set();
    }
    return box.getCenter();
}

std::string boxText(const Box& box)
{
    if (box.isNull()) {
        return "AxisAlignedBox.BOX_NULL";
    }
    if (box.isInfinite()) {
        return "AxisAlignedBox.BOX_INFINITE";
    }
    return "AxisAlignedBox(" + vectorText<3>(box.getMinimum()) + ", " + vectorText<3>(box.getMaximum()) + ")";
}

void defineAxisAlignedBox()
{
    bp::class_<Box> box("AxisAlignedBox", bp::init<>());
    box.def("__init__", bp::make_constructor(&makeBox, bp::default_call_policies(), (bp::arg("min"), bp::arg("max"))))
        .def("__init__", bp::make_constructor(&makeBoxFromCoordinates))
        .def(bp::init<const Box&>())
        .def(
            "getMinimum", +[](const Box& b) { return b.getMinimum(); })
        .def(
            "getMaximum", +[](const Box& b) { return b.getMaximum(); })
        .def("setExtents", &setExtents)
        .def("getCenter", &getCenter)
        .def("getSize", &Box::getSize)
        .def("getHalfSize", &Box::getHalfSize)
        .def("volume", &Box::volume)
        .def("isNull", &Box::isNull)
        .def("isFinite", &Box::isFinite)
        .def("isInfinite", &Box::isInfinite)
        .def("setNull", &Box::setNull)
        .def("setInfinite", &Box::setInfinite)
        .def(
            "merge", +[](Box& b, const Ogre::Vector3& point) { b.merge(point); })
        .def(
            "merge", +[](Box& b, const Box& other) { b.merge(other); })
        .def(
            "intersects", +[](const Box& b, const Ogre::Vector3& point) { return b.intersects(point); })
        .def(
            "intersects", +[](const Box& b, const Box& other) { return b.intersects(other); })
        .def("intersection", &Box::intersection)
        .def(
            "contains", +[](const Box& b, const Ogre::Vector3& point) { return b.contains(point); })
        .def(
            "contains", +[](const Box& b, const Box& other) { return b.contains(other); })
        .def("__repr__", &boxText)
        .def("__str__", &boxText)
        .def(bp::self == bp::self)
        .def(bp::self != bp::self)
        .add_static_property("BOX_NULL", constant(+[]() { return Box::BOX_NULL; }))
        .add_static_property("BOX_INFINITE", constant(+[]() { return Box::BOX_INFINITE; }));
    makeUnhashable(box);
}

// ---------------------------------------------------------------------------------------------
// Enums of the members that scripts call

void defineEnums()
{
    tolva::strictEnum<Ogre::FogMode>("FogMode")
        .value("FOG_NONE", Ogre::FOG_NONE)
        .value("FOG_EXP", Ogre::FOG_EXP)
        .value("FOG_EXP2", Ogre::FOG_EXP2)
        .value("FOG_LINEAR", Ogre::FOG_LINEAR)
        .export_values();
    tolva::strictEnum<Ogre::Node::TransformSpace>("Node_TransformSpace")
        .value("TS_LOCAL", Ogre::Node::TS_LOCAL)
        .value("TS_PARENT", Ogre::Node::TS_PARENT)
        .value("TS_WORLD", Ogre::Node::TS_WORLD);
    tolva::strictEnum<Ogre::BillboardType>("BillboardType")
        .value("BBT_POINT", Ogre::BBT_POINT)
        .value("BBT_ORIENTED_COMMON", Ogre::BBT_ORIENTED_COMMON)
        .value("BBT_ORIENTED_SELF", Ogre::BBT_ORIENTED_SELF)
        .value("BBT_PERPENDICULAR_COMMON", Ogre::BBT_PERPENDICULAR_COMMON)
        .value("BBT_PERPENDICULAR_SELF", Ogre::BBT_PERPENDICULAR_SELF)
        .export_values();
    tolva::strictEnum<Ogre::BillboardOrigin>("BillboardOrigin")
        .value("BBO_TOP_LEFT", Ogre::BBO_TOP_LEFT)
        .value("BBO_TOP_CENTER", Ogre::BBO_TOP_CENTER)
        .value("BBO_TOP_RIGHT", Ogre::BBO_TOP_RIGHT)
        .value("BBO_CENTER_LEFT", Ogre::BBO_CENTER_LEFT)
        .value("BBO_CENTER", Ogre::BBO_CENTER)
        .value("BBO_CENTER_RIGHT", Ogre::BBO_CENTER_RIGHT)
        .value("BBO_BOTTOM_LEFT", Ogre::BBO_BOTTOM_LEFT)
        .value("BBO_BOTTOM_CENTER", Ogre::BBO_BOTTOM_CENTER)
        .value("BBO_BOTTOM_RIGHT", Ogre::BBO_BOTTOM_RIGHT)
        .export_values();
    tolva::strictEnum<Ogre::BillboardChain::TexCoordDirection>("BillboardChain_TexCoordDirection")
        .value("TCD_U", Ogre::BillboardChain::TCD_U)
        .value("TCD_V", Ogre::BillboardChain::TCD_V);
}

} // namespace

void defineOgreValues()
{
    defineVector2();
    defineVector3();
    defineVector4();
    defineQuaternion();
    defineColourValue();
    defineAngles();
    defineAxisAlignedBox();
    defineEnums();
}

} // namespace tolva::values
