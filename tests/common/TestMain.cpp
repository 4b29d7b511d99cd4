// Every test executable starts here: OLE on the main thread, the common
// controls, and the one application object that forms and windows expect.
#include <gtest/gtest.h>
#include <ole2.h>

#include <cstdio>

#include "ui/Application.h"

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    HRESULT ole = OleInitialize(nullptr);
    if (FAILED(ole)) {
        fprintf(stderr, "OleInitialize failed: 0x%08lx\n", ole);
        return 2;
    }
    int result;
    {
        TApplication application;
        application.Initialize();
        result = RUN_ALL_TESTS();
    }
    OleUninitialize();
    return result;
}
