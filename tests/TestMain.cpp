// Entry of the core test programs: the toolkit's base library is set up, no display needed.
#include "FailOnAssert.h"

#include <gtest/gtest.h>

#include <wx/init.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    wxSetAssertHandler(FailOnAssert);
    wxInitializer toolkit(argc, argv);
    if (!toolkit.IsOk())
        return 2;
    return RUN_ALL_TESTS();
}
