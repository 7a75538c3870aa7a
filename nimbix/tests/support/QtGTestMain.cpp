// GoogleTest entry point for tests of Qt objects: event loops, sockets and
// network access managers need a QCoreApplication.
#include <QCoreApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
