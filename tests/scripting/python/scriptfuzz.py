"""Hostile calls into the script modules, run inside an engine by the script test runner.

Every class and callable of the given modules is found by introspection; the argument types of
each callable come from its bound signatures. Each case calls one callable once, with one
argument replaced by a hostile value (None, wrong types, 0, -1, 2**31, 2**32, 2**63, NaN, +-inf,
1e30, values inside the bounds (1e7, 2e8, 3e9, 1e15, 1e-30, 1e-40, -0.0), empty, 64 KiB and
NUL-holding strings, folder names, out-of-range enum values, objects of other classes, gone objects,
the receiver itself; the same numbers in vectors, quaternions and colours) and the others valid.
After the call one frame runs; then the case's objects are dropped and another frame runs.

Program cases (see Program) run several calls across objects and then PROGRAM_FRAMES frames:
"hierarchy:<label>:<value>" puts an object under two parents and sets the value on every level;
"deep:<label>:<order>" sets levels of a chain of five with no frame between (see DEEP_ORDERS);
"row:<name>" is a fixed program of the test file's program_rows; "sequence:<first>-<last>" is a
chain of CHAIN_PROGRAMS seeded sequences of 20 to 60 calls across a handful of objects, each
program running on what the one before left (the root node object's transform, the boxes of the
shared meshes). A failing program is printed with its lines.

A case fails when the engine crashes, aborts or hangs, when a C++ exception reaches the
interpreter without a Python meaning (see FOREIGN_ERROR), when a frame raises an error of the
engine's own (a refusal of a bound check: the shipped game ends there; the script runner records
these, and a script's own exception from its slot stays the script's outcome), or when a row's
"assert" line fails. Cases run in batches, each in a child
engine (the runner started again on the same display), so a crash names its case; the rest of a
crashed batch goes on in a new child. The order is fixed and the sampling uses a fixed seed, so
the same cases run every time; under the sanitizer build fewer hostile values are sampled.

A test file (tests/scripting/python/test_fuzz_<area>.py, first line "# engine: window" when the
families need graphics or input) adds its families, one line each, and runs them:

    import os, sys
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    import scriptfuzz
    from scriptfuzz import Family

    FAMILIES = [
        # class, how a script gets one (a callable returning the receiver)
        Family(TolvaEngine.GameObject, TolvaEngine.GameObject),
        Family(TolvaEngine.PointLight, lambda: TolvaEngine.PointLight("light")),
        Family(TolvaEngine.Graphics, lambda: TolvaEngine.Engine.getInstance().getGraphics()),
        # a handle whose object is gone: its members must all raise ReferenceError naming it
        Family(TolvaEngine.GameObject, goneParent, gone=True),
    ]

    class ScriptFuzz(scriptfuzz.FuzzTest):
        modules = [TolvaEngine]
        families = FAMILIES
        frame = staticmethod(tolvatest.frame)
        skip = {"Engine.stop": "ends the run"}        # members never called, with the reason

Only classes with a family row (and their bound bases' members, called on that receiver) are
called; every other class of the modules is only counted. A family may name a label to tell two
rows of one class apart. `skip` takes "Class.member" (never called), "Class.member:label" (that
hostile value not given to it) or "Class.member:folders" (no folder names given to it). Module-level functions and static methods are called when their
class (or, for functions, the module) appears in `callFunctionsOf`.

A second test of the same class checks that members reach the engine functions they name (see
run_behaviour): every setter with a getter must read back a value that differs from the one it had,
and the test file's `effects` table ("Class.member" -> a function that raises AssertionError unless
the member had its effect) gives one observable effect of members no getter reads back. `differs`
names the setters whose getters read back something else by design, with the reason.

A run that could not start more than a quarter of its cases within the time budget fails.

To rerun cases alone, set TOLVA_FUZZ_CASES to their names (comma-separated, as printed on
failure; or "~" and a regular expression of names) and run the test file as usual (ctest -R python.fuzz_<area>).
"""
import gc
import itertools
import json
import math
import os
import random
import re
import signal
import subprocess
import sys
import tempfile
import time
import types
import unittest
from collections import namedtuple

SEED = 26
CHILD_VARIABLE = "TOLVA_FUZZ_CHILD"
CASES_VARIABLE = "TOLVA_FUZZ_CASES"

Family = namedtuple("Family", "cls make label gone")
Family.__new__.__defaults__ = (None, False)

# A C++ exception the binding library could not translate at all (not a std::exception).
FOREIGN_ERROR = re.compile(r"unidentifiable C\+\+ exception")


def sanitized():
    """Whether this engine runs under AddressSanitizer (the slower build)."""
    try:
        with open("/proc/self/maps") as maps:
            return "libasan" in maps.read()
    except OSError:
        return False


# --- values ---------------------------------------------------------------------------------------

NAN, INF = float("nan"), float("inf")


def generic_hostiles(extra_strings=()):
    """(label, factory) of values any parameter may get."""
    values = [
        ("None", lambda: None),
        ("object", object),
        ("list", list),
        ("dict", dict),
        ("bytes", lambda: b"\xff\x00"),
        ("true", lambda: True),
        ("0", lambda: 0),
        ("-1", lambda: -1),
        ("2**31", lambda: 2 ** 31),
        ("2**32", lambda: 2 ** 32),
        ("2**63", lambda: 2 ** 63),
        ("2**200", lambda: 2 ** 200),
        ("nan", lambda: NAN),
        ("inf", lambda: INF),
        ("-inf", lambda: -INF),
        ("1e30", lambda: 1e30),
        ("-1e30", lambda: -1e30),
        # Inside every bound, yet combined (through a hierarchy, a length, a move) they reach
        # sizes the libraries cannot take.
        ("1e7", lambda: 1e7),
        ("2e8", lambda: 2e8),
        ("3e9", lambda: 3e9),
        ("1e15", lambda: 1e15),
        ("1e-30", lambda: 1e-30),
        ("1e-40", lambda: 1e-40),
        ("-0.0", lambda: -0.0),
        ("''", lambda: ""),
        ("'.'", lambda: "."),
        ("'..'", lambda: ".."),
        ("'/'", lambda: "/"),
        ("'\\0'", lambda: "\0"),
        ("'a\\0b'", lambda: "a\0b"),
        ("64KiB", lambda: "x" * 65536),
        ("'\\udcff'", lambda: "\udcff"),
    ]
    values += [("'%s'" % text, (lambda text=text: text)) for text in extra_strings]
    return values


# What each builtin parameter kind always gets; the other hostile values are sampled.
INBOUND = ["1e7", "2e8", "3e9", "1e15", "1e-30", "1e-40", "-0.0"]
FLOATS = ["0", "-1", "nan", "inf", "-inf", "1e30"] + INBOUND
INTS = ["0", "-1", "2**31", "2**32", "2**63"]
STRINGS = ["''", "'.'", "'..'", "'/'", "'a\\0b'", "64KiB"]


def value_hostiles(values_module):
    """Type name -> (label, factory) of hostile values of the outside libraries' value types."""
    if values_module is None:
        return {}
    table = {}
    numbers = [("nan", NAN), ("-inf", -INF), ("1e30", 1e30), ("0", 0.0)] + [(text, float(text)) for text in INBOUND]

    def add(name, make):
        cls = getattr(values_module, name, None)
        if cls is not None:
            table[name] = [(name + "(" + label + ")", (lambda v=v, cls=cls: make(cls, v))) for label, v in numbers]
    add("Vector2", lambda cls, v: cls(v, 1))
    add("Vector3", lambda cls, v: cls(v, 1, 1))
    add("Vector4", lambda cls, v: cls(v, 1, 1, 1))
    add("Quaternion", lambda cls, v: cls(v, v, v, v))
    add("ColourValue", lambda cls, v: cls(v, 0.5, 0.5, 1))
    add("Degree", lambda cls, v: cls(v))
    add("Radian", lambda cls, v: cls(v))
    for name in ("Vector3",):
        cls = getattr(values_module, name, None)
        if cls is not None:
            table[name] += [("Vector3(inf,inf,inf)", lambda cls=cls: cls(INF, INF, INF)),
                            ("Vector3(nan,nan,nan)", lambda cls=cls: cls(NAN, NAN, NAN))]
    return table


def good_value(kind, families, values_module):
    """A factory of an ordinary value of a parameter kind (a builtin kind's name or a class), or None."""
    simple = {"float": lambda: 1.5, "int": lambda: 1, "bool": lambda: True, "str": lambda: "name",
              "object": lambda: None}
    if isinstance(kind, str):
        return simple.get(kind)
    defaults = {"Vector2": (1, 2), "Vector3": (1, 2, 3), "Vector4": (1, 2, 3, 4), "Quaternion": (),
                "ColourValue": (0.5, 0.5, 0.5, 1), "Degree": (30,), "Radian": (0.5,)}
    if values_module is not None and getattr(values_module, kind.__name__, None) is kind \
            and kind.__name__ in defaults:
        return lambda: kind(*defaults[kind.__name__])
    if is_enum(kind):
        first = sorted(kind.values.items())[0][1]
        return lambda: first
    for family in families:
        if not family.gone and issubclass(family.cls, kind):
            return family.make
    return None


def is_enum(cls):
    return isinstance(cls, type) and issubclass(cls, int) and hasattr(cls, "values") and hasattr(cls, "names")


def enum_hostiles(cls):
    known = set(int(v) for v in cls.values)
    labels = [v for v in (-1, max(known) + 1, 99, 2 ** 31 - 1) if v not in known]
    return [("%s(%d)" % (cls.__name__, v), (lambda v=v: cls(v))) for v in labels]


# --- introspection --------------------------------------------------------------------------------

class _Probe:
    """An argument no bound callable takes: a call with a dozen of them only lists the signatures."""


def signatures(function):
    """Parameter type names of each overload, from the C++ signatures the binding library lists when
    no overload matches (the modules carry no documentation)."""
    try:
        function(*[_Probe() for _ in range(12)])
    except Exception as error:
        text = str(error)
    else:
        return []
    if "did not match C++ signature:" not in text:
        return []
    found = []
    for line in text.split("did not match C++ signature:", 1)[1].strip().splitlines():
        line = line.strip()
        open_at = line.find("(")
        if open_at < 0 or not line.endswith(")"):
            continue
        params = [param for param in split_parameters(line[open_at + 1:-1]) if param != "void"]
        if "..." in params:
            continue
        found.append([cpp_kind(param) for param in params])
    return found


def split_parameters(text):
    params, depth, current = [], 0, ""
    for char in text:
        if char in "<(":
            depth += 1
        elif char in ">)":
            depth -= 1
        if char == "," and depth == 0:
            params.append(current.strip())
            current = ""
        else:
            current += char
    if current.strip():
        params.append(current.strip())
    return params


INT_TYPES = {"int", "unsigned int", "long", "unsigned long", "short", "unsigned short", "char", "unsigned char",
             "signed char", "long long", "unsigned long long", "std::size_t", "unsigned", "int32_t", "std::int32_t",
             "uint32_t", "std::uint32_t", "int64_t", "uint64_t"}


def cpp_kind(param):
    """(kind, has default): kind is float, int, bool, str, object or a C++ class path ("Ogre::Vector3")."""
    default = "=" in param
    param = param.split("=", 1)[0].strip()
    param = re.sub(r"Ogre::Vector<(\d), ?float>", r"Ogre::Vector\1", param)
    param = param.replace("{lvalue}", "").replace("const", " ").replace("&", " ").strip()
    back = re.match(r"boost::python::back_reference<(.*)>$", param)
    if back:
        param = back.group(1)
    param = param.replace("*", " ").strip()
    # A trailing parameter name ("unsigned int width").
    words = param.split()
    for kind, names in (("float", {"float", "double"}), ("bool", {"bool"})):
        if words and (" ".join(words) in names or " ".join(words[:-1]) in names):
            return kind, default
    if words and (" ".join(words) in INT_TYPES or " ".join(words[:-1]) in INT_TYPES):
        return "int", default
    if "basic_string" in param or param.startswith("char"):
        return "str", default
    if "_object" in param or "boost::python::api::object" in param or "boost::python::" in param:
        return "object", default
    return words[0] if words else "object", default


# C++ classes bound under another name: wrappers of script-derived classes, and the engine's
# handles of outside objects.
CPP_ALIASES = {"boost::signals2::connection": "Connection", "tolva::values::WindowHandle": "Window"}


def python_names(cpp_path):
    """Python class names a C++ class path may be bound under."""
    if cpp_path in CPP_ALIASES:
        return [CPP_ALIASES[cpp_path]]
    if cpp_path.endswith("Wrap"):
        cpp_path = cpp_path[:-len("Wrap")]
    parts = [p for p in cpp_path.split("<")[0].split("::") if p and p not in ("tolva", "Ogre", "OIS", "CEGUI", "ode",
                                                                               "al", "bindings", "std")]
    if not parts:
        return []
    return ["".join(parts), "_".join(parts), parts[-1]]


def module_classes(modules):
    """(qualified name, class) of every class of the modules and their sub-modules, in order."""
    seen, result = set(), []

    def visit(module, prefix):
        for name, value in vars(module).items():
            if name.startswith("__"):
                continue
            if isinstance(value, types.ModuleType) and value.__name__.startswith(module.__name__ + "."):
                visit(value, prefix + name + ".")
            elif isinstance(value, type) and value not in seen:
                seen.add(value)
                result.append((prefix + name, value))
    for module in modules:
        visit(module, module.__name__ + ".")
    return result


def module_functions(modules):
    result = []

    def visit(module):
        for name, value in vars(module).items():
            if isinstance(value, types.ModuleType) and value.__name__.startswith(module.__name__ + "."):
                visit(value)
            elif callable(value) and not isinstance(value, type) and not name.startswith("__"):
                result.append((module.__name__ + "." + name, value))
    for module in modules:
        visit(module)
    return result


IGNORED_MEMBERS = {"__module__", "__doc__", "__dict__", "__weakref__", "__instance_size__", "__safe_for_unpickling__",
                   "__reduce__", "__getinitargs__", "__getstate__", "__setstate__", "__getstate_manages_dict__",
                   "names", "values", "name", "__slots__", "__new__", "__hash__"}


def own_members(cls):
    """Callable and property members a class's binding defines itself."""
    members = []
    for name, value in vars(cls).items():
        if name in IGNORED_MEMBERS:
            continue
        if isinstance(value, property) or callable(value) or isinstance(value, staticmethod):
            members.append(name)
    return members


def bound_bases(cls, bound):
    return [base for base in cls.__mro__ if base in bound]


# --- cases ----------------------------------------------------------------------------------------

Case = namedtuple("Case", "name family member kind args")
INHERITED_HOSTILES = 3


class CaseBuilder:
    def __init__(self, modules, families, values_module, extra_strings, skip, per_position, call_functions_of):
        self.modules = modules
        self.families = families
        self.values_module = values_module
        self.skip = skip
        self.per_position = per_position
        self.call_functions_of = call_functions_of
        self.class_list = module_classes(modules)
        self.qualified = {cls: name for name, cls in self.class_list}
        # The value types resolve even where their module is not fuzzed (the game's module).
        values = module_classes([values_module]) if values_module is not None else []
        for name, cls in values:
            self.qualified.setdefault(cls, name)
        self.by_short = {}
        for name, cls in self.class_list + [entry for entry in values if entry not in self.class_list]:
            self.by_short.setdefault(cls.__name__, []).append(cls)
        self.generic = generic_hostiles(extra_strings)
        # Names that are folders, not files: "", ".", "..", "/", NUL and the real sub-folders.
        self.folder_labels = {"''", "'.'", "'..'", "'/'", "'\\0'", "'a\\0b'"} | {"'%s'" % text for text in extra_strings}
        self.generic_by_label = dict(self.generic)
        self.typed = value_hostiles(values_module)
        self.random = random.Random(SEED)
        self.covered = set()
        self.makers = {}
        self.member_cache = {}
        # Sequences: weights of members drawn (beside those of the hierarchy and transform
        # members), and the strings members get (a bone's or an animation's name).
        self.sequence_weights = {}
        self.sequence_strings = {}

    def family_label(self, family):
        return family.label or family.cls.__name__

    def resolve(self, cpp):
        """The parameter kind of a C++ type: a builtin kind's name, a bound class, or "unknown"."""
        if cpp in ("float", "int", "bool", "str", "object"):
            return cpp
        namespaces = {"Ogre": ".Ogre.", "OIS": ".OIS.", "CEGUI": ".CEGUI.", "tolva": "TolvaEngine."}
        hint = namespaces.get(cpp.split("::")[0])
        for name in python_names(cpp):
            found = self.by_short.get(name, [])
            if hint:
                preferred = [cls for cls in found if hint in "." + self.qualified[cls]]
                found = preferred or found
            if found:
                return found[0]
        return "unknown"

    def hostiles_for(self, kind, family_index):
        """Labels and factories for one parameter: the kind's own first, then a seeded sample."""
        typed = []
        if not isinstance(kind, str):
            if self.values_module is not None and getattr(self.values_module, kind.__name__, None) is kind:
                typed += self.typed.get(kind.__name__, [])
            if is_enum(kind):
                typed += enum_hostiles(kind)
        preferred = {"float": FLOATS, "int": INTS, "str": STRINGS}.get(kind, []) if isinstance(kind, str) else []
        typed += [(label, self.generic_by_label[label]) for label in preferred if label in self.generic_by_label]
        if kind == "str":
            typed += [(label, make) for label, make in self.generic if label in self.folder_labels
                      and label not in preferred]
        taken = {label for label, _ in typed}
        others = [(label, make) for label, make in self.generic if label not in taken]
        others += [("receiver", "receiver")]
        others += [("a " + self.family_label(f), f.make) for i, f in enumerate(self.families)
                   if i != family_index and not f.gone]
        others += [("gone " + self.family_label(f), f.make) for f in self.families if f.gone]
        sample = self.random.sample(others, min(len(others), self.per_position))
        # None, the receiver and gone objects always for objects: a handle must survive them.
        must = [o for o in others if o[0] in ("None", "receiver") or o[0].startswith("gone ")]
        chosen = typed if kind in ("float", "int", "str") else typed + must
        chosen_labels = {label for label, _ in chosen}
        return chosen + [o for o in sample if o[0] not in chosen_labels]

    def skipped(self, qualified, label=None):
        for key in {qualified, ".".join(qualified.split(".")[-2:])}:
            if key in self.skip or (label is not None and key + ":" + label in self.skip):
                return True
            if label in self.folder_labels and key + ":folders" in self.skip:
                return True
        return False

    def build(self):
        cases = []
        for index, family in enumerate(self.families):
            flabel = self.family_label(family)
            for base in bound_bases(family.cls, self.qualified):
                for member in sorted(own_members(base)):
                    qualified = self.qualified[base] + "." + member
                    if self.skipped(qualified) or self.skipped(flabel + "." + member):
                        continue
                    if member == "__init__":
                        if base is not family.cls or family.gone:
                            continue
                        cases += self.call_cases(flabel + ".__init__", index, base, member, "construct", qualified)
                        continue
                    value = vars(base)[member]
                    if isinstance(value, property):
                        cases += self.property_cases(flabel + "." + member, index, base, member, value, qualified)
                    else:
                        kind = "static" if isinstance(value, staticmethod) else "method"
                        if kind == "static" and (family.gone or base is not family.cls):
                            continue
                        cases += self.call_cases(flabel + "." + member, index, base, member, kind, qualified,
                                                 inherited=base is not family.cls)
        for qualified, function in module_functions(self.modules):
            if qualified.rsplit(".", 1)[0] in self.call_functions_of and not self.skipped(qualified):
                cases += self.call_cases(qualified, None, None, qualified, "function", qualified)
        # Two overloads may differ only in types that the same hostile value stands for.
        unique, seen = [], set()
        for case in cases:
            if case.name not in seen:
                seen.add(case.name)
                unique.append(case)
        return unique

    def call_cases(self, prefix, family_index, base, member, kind, qualified, inherited=False):
        function = self.lookup(base, member, kind)
        sigs = signatures(function)
        if not sigs:
            return []
        self.covered.add(qualified)
        cases = [Case(prefix + "()", family_index, member, kind, [])]
        for number, params in enumerate(sigs):
            if kind in ("method", "construct"):
                params = params[1:]
            params = [(self.resolve(cpp), default) for cpp, default in params]
            goods = [good_value(t, self.families, self.values_module) for t, _ in params]
            if any(g is None for g in goods):
                # A parameter of a class no family makes: only hostile values there, so nothing of
                # that class is made; the others get ordinary values.
                goods = [g or (lambda: None) for g in goods]
            name = "%s#%d" % (prefix, number)
            cases.append(Case(name + "(ok)", family_index, member, kind, [("ok", g) for g in goods]))
            for position, (type_name, _) in enumerate(params):
                hostiles = self.hostiles_for(type_name, family_index)
                if inherited:
                    # A base's member on a derived receiver: the derived class's overrides see the
                    # values its base refuses first; the base's own family gets the rest.
                    hostiles = hostiles[:INHERITED_HOSTILES]
                for label, make in hostiles:
                    if self.skipped(qualified, label):
                        continue
                    args = [("ok", g) for g in goods]
                    args[position] = (label, make)
                    cases.append(Case("%s[%d=%s]" % (name, position, label), family_index, member, kind, args))
        return cases

    def property_cases(self, prefix, family_index, base, member, prop, qualified):
        self.covered.add(qualified)
        cases = [Case(prefix + "(get)", family_index, member, "get", [])]
        if prop.fset is not None:
            sigs = signatures(prop.fset)
            kind = self.resolve(sigs[0][1][0]) if sigs and len(sigs[0]) > 1 else "object"
            for label, make in self.hostiles_for(kind, family_index):
                cases.append(Case("%s[set=%s]" % (prefix, label), family_index, member, "set", [(label, make)]))
        return cases

    @staticmethod
    def lookup(base, member, kind):
        if kind == "function":
            module_name, name = member.rsplit(".", 1)
            return getattr(sys.modules[module_name], name)
        value = vars(base)[member]
        return value.__func__ if isinstance(value, staticmethod) else value

    def add_makers(self, families):
        """Families whose objects programs make, by label (the test's own and extra ones)."""
        self.makers = dict(self.makers)
        for family in families:
            if not family.gone:
                self.makers.setdefault(self.family_label(family), (family.make, family.cls))

    def program_namespace(self):
        namespace = {"make": {label: make for label, (make, _) in self.makers.items()}, "Ogre": self.values_module,
                     "nan": NAN, "inf": INF, "accepted": accepted}
        for module in self.modules:
            namespace[module.__name__.split(".")[0]] = sys.modules[module.__name__.split(".")[0]]
        return namespace

    def callable_members(self, cls):
        """(member, [parameter kinds of each overload]) of the methods a program may call on cls."""
        cache = self.member_cache
        if cls not in cache:
            found = []
            for base in bound_bases(cls, self.qualified):
                for member in sorted(own_members(base)):
                    value = vars(base)[member]
                    if member.startswith("__") or isinstance(value, (property, staticmethod)) \
                            or self.skipped(self.qualified[base] + "." + member) or member in dict(found):
                        continue
                    overloads = [[self.resolve(cpp) for cpp, _ in params[1:]] for params in signatures(value)]
                    if overloads:
                        found.append((member, overloads))
            cache[cls] = found
        return cache[cls]

    def program_cases(self, leaves, parents, labels, sequences, rows=(), world_bound=1e15):
        """Hierarchy programs of each leaf label with each in-bound value, deep chains set level by
        level with no frame between, the test's own rows, and seeded sequences in chains of
        CHAIN_PROGRAMS."""
        cases = []
        for leaf in leaves:
            for value in INBOUND + ["0"]:
                lines = hierarchy_lines(leaf, parents, self.makers[leaf][1],
                                        [self.makers[p][1] for p in parents], value)
                if lines:
                    cases.append(Case("hierarchy:%s:%s" % (leaf, value), None, None, "program", ("lines", lines)))
            for order in DEEP_ORDERS:
                lines = deep_chain_lines(leaf, parents[0], self.makers[leaf][1], self.makers[parents[0]][1], order,
                                         world_bound)
                if lines:
                    cases.append(Case("deep:%s:%s" % (leaf, order), None, None, "program", ("lines", lines)))
        for name, lines in rows:
            # Names are listed comma-separated to rerun them alone.
            assert "," not in name, name
            cases.append(Case("row:%s" % name, None, None, "program", ("lines", tuple(lines))))
        for first in range(0, sequences, CHAIN_PROGRAMS):
            seeds = tuple(SEQUENCE_SEED + number for number in range(first, min(first + CHAIN_PROGRAMS, sequences)))
            name = "sequence:%d-%d" % (seeds[0], seeds[-1])
            cases.append(Case(name, None, None, "program", ("seeds", seeds, tuple(labels))))
        return cases

    def programs(self, case, note=None):
        if case.args[0] == "lines":
            return [Program(self, lines=case.args[1], note=note)]
        return [Program(self, seed=seed, labels=case.args[2], note=note) for seed in case.args[1]]

    def total_callables(self):
        total = set()
        for qualified_class, cls in self.class_list:
            total |= {qualified_class + "." + m for m in own_members(cls)}
        total |= {q for q, _ in module_functions(self.modules)}
        return total


# --- programs -------------------------------------------------------------------------------------
# One call on a fresh object cannot show what values do in combination: through a hierarchy, after a
# move, frames later. A program is a list of calls across a handful of objects, each a line of
# Python run on its own (a refused call goes on to the next line), followed by enough frames for
# delayed effects (particles emit, smoothers fill). Hierarchy programs build an object under two
# parents and set in-bound values on every level; sequence programs are drawn from a seed: objects
# made, parented, re-parented, dropped while handles of them are kept, and called again.

PROGRAM_FRAMES = 60
SEQUENCE_SEED = SEED * 1000
# Sequences run in chains of this many programs, each on what the one before left.
CHAIN_PROGRAMS = 5
# What a sequence's number parameters get: ordinary values and the in-bound ones.
SEQUENCE_NUMBERS = ["1.5", "-2", "0.25", "3", "0"] + INBOUND + ["nan", "inf", "1e30", "-3e38"]
SEQUENCE_INTS = ["0", "1", "2", "-1", "5"]
VALUE_ARITY = {"Vector2": 2, "Vector3": 3, "Vector4": 4, "ColourValue": 4, "Degree": 1, "Radian": 1}
HIERARCHY_MEMBERS = {"addChild", "setParent", "removeChild", "addChildAsBody"}
TRANSFORM_MEMBERS = {"setPosition", "translate", "setScale", "scale", "setOrientation", "rotate", "setLength",
                     "setWidth", "setMaxChainElements", "setTrailLength"}


class Program:
    """A program of one case. lines: the fixed lines of a hierarchy program; seed: a sequence's.
    labels: the family labels a sequence makes objects of."""

    def __init__(self, builder, lines=None, seed=None, labels=(), note=None):
        self.builder = builder
        self.fixed = list(lines or [])
        self.seed = seed
        self.random = random.Random(seed)
        self.length = self.random.randint(20, 60) if seed is not None else len(self.fixed)
        self.labels = [label for label in labels if label in builder.makers]
        self.pool = []          # (name, class) of the objects the program holds
        self.lines = []
        self.failures = []
        self.names = itertools.count()
        self.note = note        # told each line before it runs, so that a crash names it
        self.namespace = builder.program_namespace()

    def head(self):
        return "seed %d" % self.seed if self.seed is not None else "fixed"

    def text(self):
        return "program (%s):\n%s" % (self.head(), "\n".join("    " + line for line in self.lines))

    def run(self):
        """Runs the lines; yields wherever the program asks for a frame, then PROGRAM_FRAMES times."""
        for index in range(self.length):
            line = self.fixed[index] if self.seed is None else self.draw()
            if line is None:
                continue
            self.lines.append(line)
            if self.note:
                self.note(line)
            if line == "frame()":
                yield
                continue
            try:
                exec(compile(line, "<program>", "exec"), self.namespace)
            except BaseException as error:
                # A check line of a row: what it asserts is what a player would see.
                text = judge(error) or (describe(error) if line.startswith("assert ") else None)
                if text:
                    self.failures.append("line %d %s: %s" % (len(self.lines), line, text))
            if self.seed is not None:
                self.note_result(line)
        for _ in range(PROGRAM_FRAMES):
            yield

    def drop(self):
        self.namespace.clear()
        self.pool = []
        gc.collect()

    def note_result(self, line):
        """A call's result that is an object of a bound class joins the pool (a handle kept)."""
        name = line.split(" = ", 1)[0] if " = " in line else None
        value = self.namespace.get(name) if name else None
        if value is None:
            self.pool = [(n, cls) for n, cls in self.pool if n != name]
            self.namespace.pop(name, None)
            return
        kind = type(value)
        if kind in self.builder.qualified and not is_enum(kind) \
                and getattr(self.builder.values_module, kind.__name__, None) is not kind:
            if not any(n == name for n, _ in self.pool):
                self.pool.append((name, type(value)))
        else:
            del self.namespace[name]

    # Drawing a sequence's next line.
    def draw(self):
        pick = self.random.random()
        if not self.pool or (pick < 0.12 and len(self.pool) < 8):
            label = self.random.choice(self.labels)
            name = "o%d" % next(self.names)
            self.pool.append((name, self.builder.makers[label][1]))
            return "%s = make[%r]()" % (name, label)
        if pick < 0.2 and len(self.pool) > 1:
            name, _ = self.pool.pop(self.random.randrange(len(self.pool)))
            return "del %s" % name
        if pick < 0.26:
            return "frame()"
        if pick < 0.42 and len(self.pool) > 1:
            (parent, pcls), (child, ccls) = self.random.sample(self.pool, 2)
            if hasattr(pcls, "addChild") and self.random.random() < 0.6:
                return "%s.addChild(%s)" % (parent, child)
            if hasattr(ccls, "setParent"):
                return "%s.setParent(%s)" % (child, parent)
        name, cls = self.random.choice(self.pool)
        members = self.builder.callable_members(cls)
        if not members:
            return None
        weights = [self.builder.sequence_weights.get(m, 4 if m in HIERARCHY_MEMBERS else 3 if m in TRANSFORM_MEMBERS
                                                     else 1) for m, _ in members]
        member, overloads = self.random.choices(members, weights)[0]
        params = self.random.choice(overloads)
        strings = self.builder.sequence_strings.get(member)
        args = ", ".join(self.random.choice(strings) if strings and kind == "str" else self.argument(kind)
                         for kind in params)
        return "r%d = %s.%s(%s)" % (next(self.names), name, member, args)

    def argument(self, kind):
        choice = self.random.choice
        if kind == "float":
            return choice(SEQUENCE_NUMBERS)
        if kind == "int":
            return choice(SEQUENCE_INTS)
        if kind == "bool":
            return choice(["True", "False"])
        if kind == "str":
            return "'s%d'" % next(self.names)
        if not isinstance(kind, type):
            return "None"
        if kind.__name__ in VALUE_ARITY and getattr(self.builder.values_module, kind.__name__, None) is kind:
            numbers = [choice(SEQUENCE_NUMBERS) if self.random.random() < 0.5 else "1"
                       for _ in range(VALUE_ARITY[kind.__name__])]
            return "Ogre.%s(%s)" % (kind.__name__, ", ".join(numbers))
        if kind.__name__ == "AxisAlignedBox" and getattr(self.builder.values_module, "AxisAlignedBox", None) is kind:
            corners = [choice(SEQUENCE_NUMBERS) for _ in range(2)]
            return "Ogre.AxisAlignedBox(Ogre.Vector3(-%s, -1, -1), Ogre.Vector3(%s, %s, 1))" % (
                corners[0], corners[1], corners[1])
        if kind.__name__ == "Quaternion":
            return choice(["Ogre.Quaternion()", "Ogre.Quaternion(0.8, 0.6, 0, 0)", "Ogre.Quaternion(1e-40, 0, 0, 1)"])
        if is_enum(kind):
            values = sorted(int(v) for v in kind.values)
            return "%s(%d)" % (self.builder.qualified[kind], choice(values + [max(values) + 1]))
        held = [name for name, cls in self.pool if issubclass(cls, kind)]
        if held and self.random.random() < 0.8:
            return choice(held)
        for label, (make, cls) in sorted(self.builder.makers.items()):
            if issubclass(cls, kind):
                return "make[%r]()" % label
        return "None"


def accepted(call):
    """For a row's check line: whether the call was taken, with the refusal's text when not."""
    try:
        call()
    except ValueError as error:
        raise AssertionError("refused: %s" % error)
    return True


# How deep chains are set, with no frame between the calls: "down" and "up" scale alternate levels
# to 1e15 from the top or the bottom; "far" takes a leaf three levels down to 9e9 by scaling its
# ancestors after it moved; "restored" moves a leaf to 1e6 (a legal move) after its top ancestor
# was scaled up, a frame, and scaled back down.
DEEP_ORDERS = ("down", "up", "far", "restored")


def deep_chain_lines(leaf, parent, leaf_cls, parent_cls, order, bound):
    """Four objects of the parent label in a chain, an object of the leaf label at its foot; bound
    is the farthest world position the leaf may have."""
    if not hasattr(parent_cls, "addChild"):
        return []
    lines = ["o%d = make[%r]()" % (level, parent) for level in range(4)] + ["o4 = make[%r]()" % leaf]
    lines += ["o%d.addChild(o%d)" % (level, level + 1) for level in range(4)] + ["frame()"]
    huge = "Ogre.Vector3(1e15, 1e15, 1e15)"
    leaf_scales = hasattr(leaf_cls, "setScale")
    if order in ("down", "up"):
        levels = [0, 2, 4] if leaf_scales else [0, 2]
        lines += ["o%d.setScale(%s)" % (level, huge) for level in (levels if order == "down" else levels[::-1])]
    elif order == "far":
        lines += ["o4.setPosition(Ogre.Vector3(1e3, 0, 0))", "o1.setScale(Ogre.Vector3(3e3, 3e3, 3e3))",
                  "o3.setScale(Ogre.Vector3(3e3, 3e3, 3e3))", "frame()",
                  "assert o4.getWorldPosition().length() <= %g, o4.getWorldPosition()" % bound]
    else:
        lines += ["o0.setScale(Ogre.Vector3(1e12, 1e12, 1e12))", "frame()", "o0.setScale(Ogre.Vector3(1, 1, 1))",
                  "assert accepted(lambda: o4.setPosition(Ogre.Vector3(1e6, 0, 0)))"]
    return lines


def hierarchy_lines(leaf, parents, leaf_cls, parent_cls, value):
    """An object under two parents (a third, unparented object of its kind beside them), with the
    value set on every level, moved through its ancestors, framed between."""
    v = value
    lines = ["o0 = make[%r]()" % parents[0], "o1 = make[%r]()" % parents[1], "o2 = make[%r]()" % leaf,
             "o3 = make[%r]()" % leaf]
    lines += ["o0.addChild(o1)" if hasattr(parent_cls[0], "addChild") else "o1.setParent(o0)",
              "o1.addChild(o2)" if hasattr(parent_cls[1], "addChild") else "o2.setParent(o1)"]
    if not hasattr(parent_cls[1], "addChild") and not hasattr(leaf_cls, "setParent"):
        return []
    for level, cls in (("o0", parent_cls[0]), ("o1", parent_cls[1]), ("o2", leaf_cls)):
        if hasattr(cls, "setScale"):
            lines.append("%s.setScale(Ogre.Vector3(%s, %s, 1))" % (level, v, v))
    lines.append("frame()")
    for level, cls, vector in (("o2", leaf_cls, "1, %s, 2" % v), ("o1", parent_cls[1], "%s, 1, 1" % v),
                               ("o0", parent_cls[0], "%s, -%s, 1" % (v, v))):
        if hasattr(cls, "setPosition"):
            lines.append("%s.setPosition(Ogre.Vector3(%s))" % (level, vector))
    lines.append("frame()")
    if hasattr(parent_cls[0], "translate"):
        lines.append("o0.translate(Ogre.Vector3(%s, 1, 1))" % v)
    if hasattr(parent_cls[1], "scale"):
        lines.append("o1.scale(Ogre.Vector3(%s, 1, %s))" % (v, v))
    if hasattr(leaf_cls, "setScale"):
        lines.append("o2.setScale(Ogre.Vector3(1, 1, 1))")
    return lines


# --- behaviour ------------------------------------------------------------------------------------
# The hostile calls show that nothing ends the engine, not that a member reaches the engine function
# it names. Two kinds of rows do: every setter with a getter (setX with getX or isX, and writable
# properties) is given a value that differs from the one it reads and must read that value back,
# and a test file's table of effects gives every other member it lists one observable effect.

# Ordinary values of the outside libraries' value types, unit-length first (a direction is stored
# normalised).
OTHER_VALUES = {"Vector2": [(0.6, 0.8), (1.5, -2)], "Vector3": [(0.48, 0.6, 0.64), (1.5, -2, 3)],
                "Vector4": [(0.5, 0.5, 0.5, 0.5), (1.5, -2, 3, 4)], "Quaternion": [(0.8, 0.6, 0, 0), (0.6, 0, 0.8, 0)],
                "ColourValue": [(0.25, 0.5, 0.75, 1), (0.5, 0.25, 0.75, 0.5)], "Degree": [(40,), (10,)],
                "Radian": [(0.7,), (0.2,)]}
COMPONENTS = {"Vector2": "xy", "Vector3": "xyz", "Vector4": "xyzw", "Quaternion": "wxyz", "ColourValue": "rgba"}


def numbers_of(value):
    """The numbers a value is made of, or None for a value that is not a number or a value type."""
    if isinstance(value, (bool, int, float)):
        return [float(value)]
    name = type(value).__name__
    if name in COMPONENTS:
        return [getattr(value, c) for c in COMPONENTS[name]]
    if name in ("Degree", "Radian"):
        return [value.valueRadians()]
    return None


def same(a, b):
    numbers = numbers_of(a), numbers_of(b)
    if numbers[0] is None or numbers[1] is None:
        return a == b
    return len(numbers[0]) == len(numbers[1]) and all(
        x == y or abs(x - y) <= 1e-4 * max(1.0, abs(x), abs(y)) < INF for x, y in zip(*numbers))


def other_values(old):
    """Values of the type of old that differ from it; None for a type the rows do not make."""
    kind = type(old)
    if isinstance(old, bool):
        values = [not old]
    elif is_enum(kind):
        values = [v for _, v in sorted(kind.values.items())]
    elif isinstance(old, int):
        values = [old + 1, 1, 2]
    elif isinstance(old, float):
        values = [0.5, 0.25, 0.125, 0.75, 2.5, old + 1.0]
    elif isinstance(old, str):
        values = [old + "b", "b"]
    elif kind.__name__ in OTHER_VALUES:
        values = [kind(*args) for args in OTHER_VALUES[kind.__name__]]
    else:
        return None
    return [v for v in values if not same(v, old)]


def put_value(put, value):
    """Gives the setter the value, or its parts when it takes them one by one (an angle in degrees)."""
    try:
        put(value)
    except TypeError:
        if type(value).__name__ in ("Degree", "Radian"):
            put(value.valueDegrees())
        elif type(value).__name__ in COMPONENTS:
            numbers = numbers_of(value)
            put(*numbers[:max(len(p) - 1 for p in signatures(put))])
        else:
            raise


def accessor_pairs(cls, bound):
    """(qualified setter, setter, getter) of a class and its bound bases; a property is its own pair."""
    found, names = [], {}
    for base in bound_bases(cls, bound):
        for member in own_members(base):
            names.setdefault(member, (bound[base], vars(base)[member]))
    for member, (owner, value) in sorted(names.items()):
        if isinstance(value, property):
            if value.fset is not None:
                found.append((owner + "." + member, member, member))
            continue
        getter = next((p + member[3:] for p in ("get", "is") if p + member[3:] in names), None)
        if member.startswith("set") and getter and not isinstance(value, staticmethod):
            found.append((owner + "." + member, member, getter))
    return found


def read_back(receiver, setter, getter):
    """None when one of the values that differ from the current one reads back (a setter may clamp
    some); "untested: ..." when the pair takes no value the rows make; else what went wrong."""
    prop = setter == getter
    get = (lambda: getattr(receiver, getter)) if prop else getattr(receiver, getter)
    put = (lambda v: setattr(receiver, setter, v)) if prop else getattr(receiver, setter)
    overloads = [] if prop else signatures(get)
    if overloads and all(len(params) > 1 for params in overloads):
        return "untested: the getter takes arguments"
    try:
        old = get()
    except Exception as error:
        return "untested: the getter raised " + describe(error)
    if overloads and all(len(params) == 1 for params in signatures(put)) and old is False:
        # A setter of a state that has no value: it sets the state.
        put()
        return None if get() is True else "it still reads False"
    values = other_values(old)
    if values is None:
        return "untested: %s values" % type(old).__name__
    if not values:
        return "untested: no other value"
    tried = []
    try:
        for value in values:
            try:
                put_value(put, value)
            except (ValueError, TypeError, RuntimeError) as error:
                tried.append("%r refused (%s)" % (value, describe(error)))
                continue
            got = get()
            if same(got, value):
                return None
            tried.append("%r read back as %r" % (value, got))
        return "it was %r; %s" % (old, "; ".join(tried))
    finally:
        # The receiver may be an engine module the other rows use too.
        try:
            put_value(put, old)
        except Exception:
            pass


def enum_row(cls, numbers, call=None, exported=False, every=True):
    """An effect row of a strict enum: its names have the numbers given (every name of it, or those
    given), they are attributes of its module only when exported, and an unnamed number given to a
    member that takes the enum (call, when one does) raises the enum's own ValueError before any
    engine function runs."""
    if numbers is not None:
        found = {name: int(value) for name, value in cls.names.items() if every or name in numbers}
        if found != numbers:
            raise AssertionError("%s names %r, not %r" % (cls.__name__, found, numbers))
        module = sys.modules[cls.__module__]
        if any(hasattr(module, name) != exported for name in numbers):
            raise AssertionError("%s's names are %sattributes of its module" % (cls.__name__, "" if exported else "not "))
    if call is None:
        return
    unnamed = cls(max(int(value) for value in cls.values) + 1)
    try:
        call(unnamed)
    except ValueError as error:
        if "is not a value of %s" % cls.__name__ not in str(error):
            raise AssertionError("the engine saw %r: %s" % (unnamed, describe(error)))
    else:
        raise AssertionError("%r was taken" % unnamed)


def run_behaviour(modules, families, effects, differs, frame=None):
    """Runs the read-back rows of every family's class and the effect rows.

    effects: "Class.member" -> a function that raises AssertionError unless the member had its
    effect. differs: "Class.setX" -> why that pair reads back something else (the rows skip it).
    Returns (failures, members covered, pairs left untested)."""
    bound = {cls: name.split(".")[-1] for name, cls in module_classes(modules)}
    failures, covered, untested, seen = [], set(), [], set()
    for family in families:
        if family.gone:
            continue
        for qualified, setter, getter in accessor_pairs(family.cls, bound):
            if qualified in seen:
                continue
            seen.add(qualified)
            if qualified in differs:
                continue
            try:
                outcome = read_back(family.make(), setter, getter)
            except Exception as error:
                outcome = "raised " + describe(error)
            if outcome is None:
                covered |= {qualified, qualified.rsplit(".", 1)[0] + "." + getter}
            elif outcome.startswith("untested: "):
                untested.append("%s (%s)" % (qualified, outcome[len("untested: "):]))
            else:
                failures.append((qualified, outcome))
            if frame:
                frame()
    failures += [(name, "no such setter with a getter") for name in sorted(set(differs) - seen)]
    for member, check in effects.items():
        try:
            check()
            covered.add(member)
        except Exception as error:
            failures.append((member, describe(error)))
    gc.collect()
    return failures, covered, untested


# --- running --------------------------------------------------------------------------------------

def make_value(make, receiver):
    if make == "receiver":
        return receiver
    return make()


def make_receiver(case, family):
    """What the case calls on: None for constructors, static members and module functions."""
    if family is None or case.kind in ("construct", "static"):
        return None
    return family.make()


def make_call(case, family, receiver, args):
    """Makes the case's one call; returns what it returned. The caller decides how long the
    receiver, the arguments and the result live."""
    if case.kind == "construct":
        return family.cls(*args)
    if case.kind == "static":
        return getattr(family.cls, case.member)(*args)
    if case.kind == "function":
        module_name, name = case.member.rsplit(".", 1)
        return getattr(sys.modules[module_name], name)(*args)
    if case.kind == "get":
        return getattr(receiver, case.member)
    if case.kind == "set":
        return setattr(receiver, case.member, args[0])
    return getattr(receiver, case.member)(*args)


def run_case(case, families, frame):
    """Calls once, runs a frame, drops everything and runs another; returns a failure text or None."""
    family = families[case.family] if case.family is not None else None
    receiver = None
    outcome = None
    try:
        receiver = make_receiver(case, family)
        args = [make_value(make, receiver) for _, make in case.args]
        result = make_call(case, family, receiver, args)
    except BaseException as error:
        outcome = judge(error) or judge_gone(case, family, receiver, error)
    else:
        outcome = judge_gone(case, family, receiver, None)
    try:
        outcome = run_frame(frame) or outcome
    finally:
        result = args = receiver = None
    gc.collect()
    return run_frame(frame, "the frame after dropping") or outcome


def run_frame(frame, what="the frame after the call"):
    """Runs a frame; returns a failure text when the engine's own error left it (the shipped game
    ends there) or the error means a crash. A script's own exception from its slot is its outcome."""
    try:
        frame()
    except BaseException as error:
        errors = engine_frame_errors()
        if errors or judge(error):
            return "%s raised %s" % (what, describe(error))
        return None
    errors = engine_frame_errors()
    return "%s raised %s" % (what, errors[0]) if errors else None


def engine_frame_errors():
    """The engine's own errors that left frames since last asked, as the script runner records them
    (none where the runner keeps no record)."""
    runner = sys.modules.get("tolvatest")
    take = getattr(runner, "takeFrameErrors", None)
    return list(take()) if take else []


def run_program(case, builder, frame, note=None, shared=()):
    """Runs a program case with a frame wherever it yields; returns a failure text (with the
    programs) or None. The programs of a chain run one after another on what the one before left
    (the root node object's transform, the shared meshes' boxes); a chain starts from the scene as
    the run found it, so that it runs the same alone."""
    reset_shared_state(builder, shared)
    failures, texts = [], []
    for program in builder.programs(case, note):
        outcome = None
        for _ in program.run():
            outcome = run_frame(frame, "a frame after line %d" % len(program.lines))
            if outcome:
                break
            if note:
                note(None)
        program.drop()
        outcome = outcome or run_frame(frame, "the frame after dropping")
        failures += ["%s, %s" % (program.head(), text) for text in program.failures + ([outcome] if outcome else [])]
        texts.append(program.text())
        if outcome:
            break
    reset_scene_root()
    run_frame(frame)
    return "\n".join(failures + texts) if failures else None


# Boxes of the shared meshes as the run found them, by family label.
_first_boxes = {}


def reset_shared_state(builder, labels):
    """Puts the scene root back, and the boxes of the meshes made by the labelled families (a box
    belongs to the mesh file, so every later mesh of that file has it)."""
    reset_scene_root()
    for label in labels:
        mesh = builder.makers[label][0]()
        if label not in _first_boxes:
            _first_boxes[label] = mesh.getBoundingBox()
        try:
            mesh.setBoundingBox(_first_boxes[label])
        except ValueError:
            pass
        del mesh
    gc.collect()


def reset_scene_root():
    """Puts the scene's root back where it started: a program reached through a parent may move
    or scale it, and the next program must run as it would alone."""
    engine, values = sys.modules.get("TolvaEngine"), sys.modules.get("TolvaValues")
    graphics = engine.Engine.getInstance().getGraphics() if engine and values else None
    root = graphics.getRootNodeObject() if graphics else None
    if root is None:
        return
    for reset in (lambda: root.setPosition(values.Ogre.Vector3(0, 0, 0)),
                  lambda: root.setOrientation(values.Ogre.Quaternion(1, 0, 0, 0)),
                  lambda: root.setScale(values.Ogre.Vector3(1, 1, 1))):
        try:
            reset()
        except ValueError:
            pass


def describe(error):
    return "%s: %s" % (type(error).__name__, " ".join(str(error).split())[:200])


def judge_gone(case, family, receiver, error):
    """A member called with ordinary arguments on a handle whose object is gone must raise
    ReferenceError naming the handle's class, not the wrong-argument TypeError."""
    if family is None or not family.gone or not case.name.endswith(("(ok)", "(get)")):
        return None
    name = type(receiver).__name__
    text = str(error) if error is not None else ""
    if isinstance(error, ReferenceError) and text.startswith("The ") and "no longer exist" in text \
            and name.lower() in text.lower().replace(" ", ""):
        return None
    return "on a gone %s: %s" % (name, describe(error) if error is not None else "no error")


def judge(error):
    if isinstance(error, (SystemError, MemoryError, SystemExit, KeyboardInterrupt)) \
            or not isinstance(error, Exception):
        return describe(error)
    if isinstance(error, RuntimeError) and FOREIGN_ERROR.search(str(error)):
        return describe(error)
    return None


class FuzzTest(unittest.TestCase):
    """Subclasses set modules, families, frame and optionally the rest (see the module text)."""
    modules = []
    values_module = None
    families = []
    frame = None
    skip = {}
    # See run_behaviour.
    effects = {}
    differs = {}
    call_functions_of = ()
    batch_size = 150
    program_batch_size = 12
    parallel = 3
    # Seconds a case may take before it counts as hung (a child's first case also starts the engine).
    case_seconds = 10
    start_seconds = 60
    # Seconds the whole run may take (within the CTest limit, 360 s, 1020 s under the sanitizers);
    # the cases are sampled to fit well inside.
    budget_seconds = 240
    # Programs (see Program): labels of the families whose objects go under two parents (labels
    # too), the labels sequences make objects of, and how many sequences run. extra_families
    # make objects for programs only.
    program_leaves = ()
    program_parents = ("GameObject", "GameObject")
    sequence_labels = ()
    sequences = 0
    extra_families = []
    # Fixed programs of the test's own: (name, lines); a line "frame()" runs a frame, a line
    # "assert ..." is a check whose failure fails the case.
    program_rows = ()
    # Labels of families whose meshes share their box with every mesh of the file: each chain
    # starts from the boxes the run found.
    shared_boxes = ()
    sequence_weights = {}
    sequence_strings = {}
    # The farthest world position of the program leaves' objects.
    world_bound = 1e15
    # At most this many one-call cases run (a fixed sample), so that the run keeps to its budget.
    max_single_cases = None

    @classmethod
    def scale(cls):
        return 3 if sanitized() else 1

    def builder(self):
        per_position = 1
        builder = CaseBuilder(self.modules, self.families, self.values_module, self.extra_strings(), self.skip,
                              per_position, set(self.call_functions_of))
        builder.add_makers(list(self.families) + list(self.extra_families))
        builder.sequence_weights = dict(self.sequence_weights)
        builder.sequence_strings = dict(self.sequence_strings)
        return builder

    def extra_strings(self):
        return ()

    def test_members_reach_the_engine_functions_they_name(self):
        if os.environ.get(CHILD_VARIABLE):
            return
        failures, covered, untested = run_behaviour(self.modules, self.families, self.effects, self.differs,
                                                    type(self).frame)
        sys.__stderr__.write("behaviour: %d members covered, %d of them by effect rows; pairs not read back: %s\n"
                             % (len(covered), len(self.effects), ", ".join(untested) or "none"))
        if failures:
            self.fail("%d members did not do what they name:\n%s"
                      % (len(failures), "\n".join("%s: %s" % failure for failure in failures)))

    def test_hostile_calls_raise_python_errors_and_never_end_the_engine(self):
        builder = self.builder()
        cases = builder.build() + builder.program_cases(self.program_leaves, self.program_parents,
                                                        self.sequence_labels, self.sequences, self.program_rows,
                                                        self.world_bound)
        names = [case.name for case in cases]
        self.assertEqual(len(names), len(set(names)), "case names must be unique")
        child = os.environ.get(CHILD_VARIABLE)
        if child:
            self.run_child(child, cases, builder)
            return
        chosen = os.environ.get(CASES_VARIABLE)
        if chosen and chosen.startswith("~"):
            cases = [case for case in cases if re.search(chosen[1:], case.name)]
        elif chosen:
            wanted = set(chosen.split(","))
            unknown = wanted - set(names)
            self.assertFalse(unknown, "no such cases")
            cases = [case for case in cases if case.name in wanted]
        else:
            singles = [index for index, case in enumerate(cases) if case.kind != "program"]
            if self.max_single_cases is not None and len(singles) > self.max_single_cases:
                # A fixed sample across every member: the list stays within the time budget.
                dropped = set(singles) - set(random.Random(SEED).sample(singles, self.max_single_cases))
                cases = [case for index, case in enumerate(cases) if index not in dropped]
            if sanitized():
                # Every third case: the slower build runs a deterministic part of the same list.
                cases = cases[::3]
        total = builder.total_callables()
        started = time.monotonic()
        failures, ran, unrun = self.run_parent(cases)
        programs = sum(len(case.args[1]) if case.args[0] == "seeds" else 1 for case in cases if case.kind == "program")
        sys.__stderr__.write("fuzz: %d of %d callables covered, %d cases run in %.0f s (%d programs listed:"
                             " %d sequence programs, %d hierarchies, %d deep chains, %d rows)\n"
                             % (len(builder.covered), len(total), ran, time.monotonic() - started, programs,
                                sum(len(case.args[1]) for case in cases if case.name.startswith("sequence:")),
                                sum(1 for case in cases if case.name.startswith("hierarchy:")),
                                sum(1 for case in cases if case.name.startswith("deep:")),
                                sum(1 for case in cases if case.name.startswith("row:"))))
        # A busy machine runs fewer cases in the budget; a run that skipped more than a quarter no
        # longer stands for the list.
        if unrun:
            sys.__stderr__.write("fuzz: %d cases not run within the time budget\n" % unrun)
        if unrun > len(cases) // 4:
            failures.append(("(budget)", "%.0f s passed with only %d of %d cases run"
                             % (self.budget_seconds * self.scale(), len(cases) - unrun, len(cases))))
        if failures:
            lines = ["%s: %s" % (name, text.rstrip()) for name, text in failures]
            lines.append("rerun alone: %s='%s'" % (CASES_VARIABLE, ",".join(name for name, _ in failures)))
            self.fail("%d hostile calls failed:\n%s" % (len(failures), "\n".join(lines)))

    # The parent: batches in children, crashes and hangs named by the last case begun.
    def run_parent(self, cases):
        scale = self.scale()
        deadline = time.monotonic() + self.budget_seconds * scale
        # Programs take far longer than one call: they go first, in smaller batches, so that the
        # children finish together.
        programs = [i for i, case in enumerate(cases) if case.kind == "program"]
        singles = [i for i, case in enumerate(cases) if case.kind != "program"]
        queue = [programs[i:i + self.program_batch_size] for i in range(0, len(programs), self.program_batch_size)]
        queue += [singles[i:i + self.batch_size] for i in range(0, len(singles), self.batch_size)]
        running, failures, ran, unrun = [], [], 0, 0
        workdir = tempfile.mkdtemp(prefix="scriptfuzz-")
        serial = 0
        while queue or running:
            if queue and time.monotonic() > deadline:
                unrun += sum(len(batch) for batch in queue)
                queue = []
            while queue and len(running) < self.parallel:
                serial += 1
                running.append(self.start_child(workdir, serial, [cases[i].name for i in queue.pop(0)]))
            time.sleep(0.05)
            for job in list(running):
                status = job["process"].poll()
                done = read_lines(job["progress"])
                now = time.monotonic()
                # A program's lines and frames are progress too: a chain of programs is one case.
                lines = sum(os.path.getsize(job[key]) for key in ("program", "beat") if os.path.exists(job[key]))
                if len(done) != job["seen"] or lines != job["lines"]:
                    job["seen"], job["lines"], job["last"] = len(done), lines, now
                limit = (self.start_seconds if job["seen"] == 0 else self.case_seconds) * scale
                hung = status is None and now - job["last"] > limit
                late = status is None and now > deadline
                if status is None and not hung and not late:
                    continue
                if hung or late:
                    job["process"].send_signal(signal.SIGKILL)
                    job["process"].wait()
                running.remove(job)
                report = read_json(job["report"])
                failures += [(name, text) for name, text in report.get("failures", [])]
                begun = len(done)
                finished = report.get("finished", False) and status == 0
                ran += begun
                if finished:
                    continue
                if late:
                    unrun += len(job["cases"]) - begun
                    continue
                if begun == 0:
                    failures.append((job["cases"][0], "the child engine ended before any case (status %s):\n%s"
                                     % (status, tail(job["stderr"]))))
                    continue
                culprit = done[-1] if begun else job["cases"][0]
                what = "hung" if hung else "ended the engine (status %s)" % status
                if report.get("finished"):
                    culprit = "(after the last case, at engine end)"
                program = ""
                if culprit.startswith(("sequence:", "hierarchy:", "deep:", "row:")):
                    program = "\n    program (%s), up to the line that did it:\n%s" % (
                        culprit, "".join("        " + line for line in open(job["program"]).readlines()))
                failures.append((culprit, "%s:\n%s%s" % (what, tail(job["stderr"]), program)))
                rest = job["cases"][begun:]
                if rest and len(failures) < 40:
                    queue.insert(0, [names_index(cases, name) for name in rest])
        return failures, ran, unrun

    def start_child(self, workdir, serial, names):
        paths = {key: os.path.join(workdir, "%d.%s" % (serial, key))
                 for key in ("job", "progress", "report", "stderr", "program", "beat")}
        with open(paths["job"], "w") as job:
            json.dump({"cases": names, "progress": paths["progress"], "report": paths["report"],
                       "program": paths["program"], "beat": paths["beat"]}, job)
        for key in ("progress", "program", "beat"):
            open(paths[key], "w").close()
        env = dict(os.environ)
        env[CHILD_VARIABLE] = paths["job"]
        env.pop(CASES_VARIABLE, None)
        script = sys.modules[type(self).__module__].__file__
        with open(paths["stderr"], "w") as err:
            process = subprocess.Popen([os.readlink("/proc/self/exe"), script], stdout=subprocess.DEVNULL,
                                       stderr=err, env=env)
        return {"process": process, "cases": names, "progress": paths["progress"], "report": paths["report"],
                "stderr": paths["stderr"], "program": paths["program"], "beat": paths["beat"], "seen": 0, "lines": 0,
                "last": time.monotonic()}

    # The child: runs its cases in order, noting each before it begins.
    def run_child(self, job_path, cases, builder):
        with open(job_path) as job_file:
            job = json.load(job_file)
        by_name = {case.name: case for case in cases}
        failures = []
        # The boxes as the engine loaded them, before any case changes them.
        reset_shared_state(builder, self.shared_boxes)
        with open(job["progress"], "a") as progress:
            for name in job["cases"]:
                progress.write(name + "\n")
                progress.flush()
                if by_name[name].kind == "program":
                    open(job["program"], "w").close()
                    text = run_program(by_name[name], builder, type(self).frame,
                                       lambda line: append_line(job["program"] if line is not None else job["beat"],
                                                                line or ""), self.shared_boxes)
                else:
                    text = run_case(by_name[name], self.families, type(self).frame)
                if text:
                    failures.append((name, text))
                with open(job["report"], "w") as report:
                    json.dump({"failures": failures, "finished": False}, report)
        with open(job["report"], "w") as report:
            json.dump({"failures": failures, "finished": True}, report)


def append_line(path, line):
    with open(path, "a") as out:
        out.write(line + "\n")


def names_index(cases, name):
    for index, case in enumerate(cases):
        if case.name == name:
            return index
    raise KeyError(name)


def read_lines(path):
    try:
        with open(path) as f:
            return [line.rstrip("\n") for line in f if line.endswith("\n")]
    except OSError:
        return []


def read_json(path):
    try:
        with open(path) as f:
            return json.load(f)
    except (OSError, ValueError):
        return {}


def tail(path, lines=15):
    """The end of a child's standard error without the engine log's coloured lines (but its errors:
    a library's failed assertion is logged)."""
    try:
        with open(path, errors="replace") as f:
            read = [(line, re.sub(r"\x1b\[[0-9;]*m", "", line)) for line in f.readlines()]
            kept = [clean for line, clean in read if ("\x1b[" not in line or "Error:" in clean) and clean.strip()]
    except OSError:
        return ""
    return "".join("    | " + line for line in kept[-lines:])
