#include <gtest/gtest.h>

#include <QCoreApplication>

#if defined(__SANITIZE_ADDRESS__)
// Freed memory is filled, so that an object used after its deletion from inside
// Qt (which is not instrumented) crashes the test instead of reading contents
// that merely look intact.
extern "C" const char* __asan_default_options()
{
    return "max_free_fill_size=4096:free_fill_byte=190";
}
#endif

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
