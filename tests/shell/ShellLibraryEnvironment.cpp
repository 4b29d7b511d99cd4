// The shell library is started once for the whole run, as the program does at its entry.
#include <gtest/gtest.h>

#include "shell/ShellIDFunc.h"

namespace {
class ShellLibraryEnvironment : public testing::Environment {
public:
    void SetUp() override { ShellLibraryStart(); }
    void TearDown() override { ShellLibraryEnd(); }
};

const testing::Environment* const Environment = testing::AddGlobalTestEnvironment(new ShellLibraryEnvironment);
}  // namespace
