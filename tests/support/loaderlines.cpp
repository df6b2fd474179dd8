// For programs that load Tarnwatch.dll themselves: the lines the library logged
// while it loaded are only kept until its first ordinary call, so one is made
// before any test empties the log and reads it.
#include <gtest/gtest.h>
#include "Tarnwatch.h"

namespace {

class LoaderLinesWritten : public ::testing::Environment
{
    void SetUp() override { DBGOUT("tests begin"); }
};

const ::testing::Environment *const g_pLoaderLines = ::testing::AddGlobalTestEnvironment(new LoaderLinesWritten);

}  // namespace
