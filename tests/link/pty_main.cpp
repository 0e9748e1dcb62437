#include <gtest/gtest.h>

#include <QCoreApplication>

#if defined(__SANITIZE_ADDRESS__)
// Fills freed memory, so that an object used from inside Qt after its deletion
// crashes the test instead of reading contents that merely look intact.
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
