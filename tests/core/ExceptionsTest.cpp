#include "core/Exceptions.h"
#include "core/ToString.h"

#include <gtest/gtest.h>

namespace {

template <typename E, typename Base>
bool caughtAs(const std::string& message)
{
    try {
        throw E(message);
    } catch (const Base& e) {
        return std::string(e.what()) == message;
    } catch (...) {
        return false;
    }
}

TEST(Exceptions, RuntimeErrorsCarryTheirMessageAndCatchAsRuntimeError)
{
    EXPECT_TRUE((caughtAs<tolva::NotFoundException, std::runtime_error>("not found")));
    EXPECT_TRUE((caughtAs<tolva::InitialisationException, std::runtime_error>("init")));
    EXPECT_TRUE((caughtAs<tolva::IOException, std::runtime_error>("io")));
    EXPECT_TRUE((caughtAs<tolva::IOException, std::exception>("io")));
    EXPECT_TRUE((caughtAs<tolva::FileAccessException, std::runtime_error>("access")));
    EXPECT_TRUE((caughtAs<tolva::ParserException, std::runtime_error>("parse")));
    EXPECT_TRUE((caughtAs<tolva::ScriptingException, std::runtime_error>("script")));
}

TEST(Exceptions, LogicErrorsAreNotRuntimeErrors)
{
    EXPECT_TRUE((caughtAs<tolva::InvalidArgumentException, std::logic_error>("bad")));
    EXPECT_TRUE((caughtAs<tolva::IllegalStateException, std::logic_error>("state")));
    EXPECT_FALSE((caughtAs<tolva::InvalidArgumentException, std::runtime_error>("bad")));
}

TEST(ToString, StreamsValuesWithDefaultFormatting)
{
    EXPECT_EQ(tolva::ToString(4096u), "4096");
    EXPECT_EQ(tolva::ToString(std::string()), "");
    EXPECT_EQ(
        tolva::ToString("Failed to create data directory ") + tolva::ToString(std::string("/x")) + tolva::ToString("."),
        "Failed to create data directory /x.");
    const char* none = nullptr;
    EXPECT_EQ(tolva::ToString(none), "");
}

} // namespace
