// main() of the test programs without a window: like the programs under
// test (QApplication, tabletool), it takes the locale from the environment,
// so that a run under LC_ALL=it_IT.UTF-8 tests numbers with a decimal comma.
#include <gtest/gtest.h>

#include <clocale>

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
