// time_limit.h - runs a statement in a child process that a timer ends: a
// call that waits for ever (a named pipe opened for reading, say) fails the
// test instead of hanging it. The child is a fresh copy of the test program
// (death tests run "threadsafe"), and its exit code carries the outcome of
// the EXPECT checks made inside the statement.
#pragma once

#include <unistd.h>

#include <cstdlib>

#include <gtest/gtest.h>

// The statement may hold commas; it runs inside a lambda in the child.
#define EXPECT_FINISHES_WITHIN(seconds, ...)                                                       \
    EXPECT_EXIT((alarm(seconds), [&] { __VA_ARGS__; }(), exit(::testing::Test::HasFailure() ? 1 : 0)), \
                ::testing::ExitedWithCode(0), "")
