// libNimbix.so.1 as the program sees it: CreateInstance, the six virtual
// methods, release() and shutdownLibrary().
#include "NimbixdProcess.h"

#include <nimbix/INimbix.h>

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QTcpServer>

#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

QByteArray md5(const QByteArray& content)
{
    return QCryptographicHash::hash(content, QCryptographicHash::Md5);
}

Cloud::INimbix* create()
{
    Cloud::INimbix* nimbix = nullptr;
    CreateInstance(&nimbix);
    return nimbix;
}

class Library : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        service = new NimbixdProcess;
        service->start({QString::fromLatin1(md5("evil").toHex()) + QStringLiteral(":4:Test.Evil")});
    }
    static void TearDownTestSuite() { delete service; }

    static inline NimbixdProcess* service = nullptr;
};

TEST_F(Library, InstancesAreIndependent)
{
    ScopedNimbixServer env(service->address());
    Cloud::INimbix* first = create();
    Cloud::INimbix* second = create();
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);

    first->initialize();
    first->initialize();
    EXPECT_EQ(first->query_hash(md5("evil")), qMakePair(QStringLiteral("Test.Evil"), Cloud::FILE_DANGEROUS));
    EXPECT_EQ(second->query_hash(md5("good")), qMakePair(QStringLiteral("Cloud.AVM.0"), Cloud::FILE_SAFETY));
    first->release();
    EXPECT_TRUE(second->is_online());
    EXPECT_EQ(second->query_hash(md5("evil")).second, Cloud::FILE_DANGEROUS);
    second->release();
}

TEST_F(Library, OfflineWithinTheConnectWait)
{
    // A port that refuses: bound once, then released.
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
    const quint16 refused = probe.serverPort();
    probe.close();

    for (const QString& address : {QStringLiteral("127.0.0.1:%1").arg(refused),
                                   QStringLiteral("no-such-host.invalid:80")}) {
        ScopedNimbixServer env(address);
        Cloud::INimbix* nimbix = create();
        QElapsedTimer clock;
        clock.start();
        EXPECT_FALSE(nimbix->is_online()) << address.toStdString();
        // About 3 s at most; the bound leaves room for a loaded machine.
        EXPECT_LT(clock.elapsed(), 10000) << address.toStdString();
        nimbix->release();
    }
}

TEST_F(Library, BadServerSettingFailsCreation)
{
    ScopedNimbixServer env(QStringLiteral("127.0.0.1:http"));
    Cloud::INimbix* nimbix = nullptr;
    EXPECT_THROW(CreateInstance(&nimbix), std::runtime_error);
    EXPECT_EQ(nimbix, nullptr);
}

TEST_F(Library, ShutdownAfterTheLastObject)
{
    ScopedNimbixServer env(service->address());
    Cloud::INimbix* nimbix = create();
    EXPECT_EQ(nimbix->query_hash(md5("evil")).first, QStringLiteral("Test.Evil"));
    nimbix->release();
    shutdownLibrary();
}

} // namespace
