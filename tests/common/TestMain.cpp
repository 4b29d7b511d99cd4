// Every test executable starts here: OLE on the main thread, the common
// controls, and the one application object that forms and windows expect.
#include <gtest/gtest.h>
#include <ole2.h>

#include "ui/Application.h"

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (FAILED(OleInitialize(nullptr))) return 2;
    int result;
    {
        TApplication application;
        application.Initialize();
        result = RUN_ALL_TESTS();
    }
    OleUninitialize();
    return result;
}
