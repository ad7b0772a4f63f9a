// Reading pickled files admits plain data only: a file that would import or call something is
// refused before anything runs, while every kind of file the program and the older program wrote
// still reads.
#include "core/Engine.h"
#include "core/Exceptions.h"
#include "scripting/Python.h"
#include "support/TempDir.h"
#include "support/TestGame.h"
#include "support/TestHome.h"

#include <gtest/gtest.h>

#include <boost/python.hpp>

#include <filesystem>
#include <memory>
#include <string>

namespace bp = boost::python;

namespace {

char gProgramName[] = "spindlewake";
char* gArgv[] = {gProgramName, nullptr};

class UnpicklerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        tolva::EngineOptions options = tolva::test::coreOptions();
        options.scripting = true;
        mEngine = std::make_unique<tolva::Engine>(1, gArgv, options);
        mEngine->initialise();
        mPython = mEngine->getScripting();
        // Pickles are made by the interpreter itself: __reduce__ makes pickling write a call.
        mPython->executeStatement("import os, pickle\n"
                                  "class Call:\n"
                                  "    def __init__(self, function, *arguments):\n"
                                  "        self.function, self.arguments = function, arguments\n"
                                  "    def __reduce__(self):\n"
                                  "        return self.function, self.arguments\n");
    }

    void TearDown() override
    {
        PyErr_Clear();
        mEngine->shutdown();
        mEngine.reset();
    }

    /// Writes the pickle that the Python expression evaluates to (bytes) into a file.
    std::string writePickle(const std::string& name, const std::string& expression)
    {
        const std::string path = mFiles.file(name);
        mPython->executeStatement("open(" + quoted(path) + ", 'wb').write(" + expression + ")\n");
        return path;
    }

    static std::string quoted(const std::string& text) { return "'" + text + "'"; }

    std::string repr(const bp::object& value)
    {
        return bp::extract<std::string>(bp::object(bp::handle<>(PyObject_Repr(value.ptr()))))();
    }

    tolva::test::TestHome mHome{tolva::test::TestHome::minimalEngineConfig(), ""};
    tolva::test::TempDir mFiles;
    std::unique_ptr<tolva::Engine> mEngine;
    tolva::Python* mPython = nullptr;
};

TEST_F(UnpicklerTest, APickleThatWouldRunCodeIsRefusedAndTheCodeNeverRuns)
{
    const std::string marker = mFiles.file("ran");
    const std::string command = quoted("touch " + marker);
    struct Row {
        const char* what;
        std::string expression;
    };
    const Row rows[] = {
        {"a shell command, protocol 0", "pickle.dumps((Call(os.system, " + command + "),), 0)"},
        {"a shell command, protocol 2", "pickle.dumps((Call(os.system, " + command + "),), 2)"},
        {"a shell command, protocol 4", "pickle.dumps((Call(os.system, " + command + "),), 4)"},
        {"eval of a statement", "pickle.dumps((Call(eval, \"__import__('os').system(" + command + ")\"),), 2)"},
        {"an object built by its class",
            "b\"(S'x'\\nios\\nsystem\\n.\".replace(b\"'x'\", (\"'touch \" + " + quoted(marker) + " + \"'\").encode())"},
        {"the byte-string global with another codec",
            "pickle.dumps((Call(__import__('_codecs').encode, 'x', 'rot13'),), 2)"},
        {"the empty-byte-string global asked for memory", "pickle.dumps((Call(bytes, 10**9),), 2)"},
        {"a call inside a dictionary", "pickle.dumps(({'key': Call(os.system, " + command + ")},), 2)"},
        {"a set as protocol 2 writes it (its class by name)", "pickle.dumps(({1, 2},), 2)"},
        {"a byte array as protocol 4 writes it (its class by name)", "pickle.dumps((bytearray(b'x'),), 4)"},
        {"a frozenset of protocol 4 holding a call",
            "pickle.dumps((frozenset({Call(os.system, " + command + ")}),), 4)"},
    };
    for (const Row& row : rows) {
        const std::string path = writePickle("bad.cfg", row.expression);
        try {
            mPython->unpickleObject<bp::tuple>(path);
            ADD_FAILURE() << row.what << ": read";
        } catch (const tolva::ScriptingException& exception) {
            EXPECT_EQ("Failed to unpickle object from file: " + path + ".", std::string(exception.what())) << row.what;
        }
        const std::string error = mPython->getErrorString();
        EXPECT_NE(std::string::npos, error.find("UnpicklingError: refused")) << row.what << ": " << error;
        EXPECT_FALSE(std::filesystem::exists(marker)) << row.what << ": the code ran";
        std::filesystem::remove(marker);
    }
}

TEST_F(UnpicklerTest, PlainDataOfEveryWriterStillReads)
{
    struct Row {
        const char* what;
        std::string expression;
        const char* value;
    };
    const Row rows[] = {
        {"byte strings as Python 3 writes them in protocol 2", "pickle.dumps((b'abc', b'', b'\\xe4'), 2)",
            "(b'abc', b'', b'\\xe4')"},
        {"text, numbers and booleans in protocol 2", "pickle.dumps(('t\\u00e9xt', 1, -2**70, 1.5, True), 2)",
            "('t\xc3\xa9xt', 1, -1180591620717411303424, 1.5, True)"},
        {"byte strings of protocol 3", "pickle.dumps((b'abc',), 3)", "(b'abc',)"},
        {"a protocol 0 file of the older program", "b\"((I1\\nF2.5\\nS'name'\\np0\\ntg0\\nI01\\nt.\"",
            "((1, 2.5, b'name'), b'name', True)"},
        {"a Latin-1 byte string of the older program", "b'\\x80\\x02U\\x08Vorw\\xe4rts\\x85.'", "(b'Vorw\\xe4rts',)"},
        {"a tuple shared many times", "pickle.dumps(((1,),) * 3, 2)", "((1,), (1,), (1,))"},
        {"lists, one holding itself", "(lambda l: (l.append(l), pickle.dumps(([2], l), 2))[1])([3])",
            "([2], [3, [...]])"},
        {"None and dictionaries of plain values",
            "pickle.dumps((None, 1, [2, {}], {'a': (None,), 2: [b'x'], (3, None): {}}), 2)",
            "(None, 1, [2, {}], {'a': (None,), 2: [b'x'], (3, None): {}})"},
        {"a dictionary holding itself", "(lambda d: (d.update(me=d), pickle.dumps((d,), 2))[1])({})",
            "({'me': {...}},)"},
        {"sets and frozensets of protocol 4 and 5", "pickle.dumps(({1: {2}}, frozenset({(3, frozenset())})), 4)",
            "({1: {2}}, frozenset({(3, frozenset())}))"},
        {"a set of protocol 5 in a list", "pickle.dumps(([set(), {b'x'}],), 5)", "([set(), {b'x'}],)"},
        {"byte arrays of protocol 5", "pickle.dumps((bytearray(b'a\\x00b'), [bytearray()]), 5)",
            "(bytearray(b'a\\x00b'), [bytearray(b'')])"},
    };
    for (const Row& row : rows) {
        const std::string path = writePickle("good.cfg", row.expression);
        try {
            EXPECT_EQ(row.value, repr(mPython->unpickleObject<bp::tuple>(path))) << row.what;
        } catch (const tolva::ScriptingException&) {
            ADD_FAILURE() << row.what << ": " << mPython->getErrorString();
        }
    }
}

} // namespace
