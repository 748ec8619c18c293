// Test entry shared by every test program: GoogleTest's own main, with the
// working directory left as CTest sets it.
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
