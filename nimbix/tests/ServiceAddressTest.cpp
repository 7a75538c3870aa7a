// NIMBIX_SERVER=HOST[:PORT] and the service URLs made from it.
#include "ServiceAddress.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

const QString kDefault = QStringLiteral("lookup.default.example");

struct Good {
    const char* value;
    const char* host;
    quint16 port;
    const char* queryUrl;
};

class ServiceAddressGood : public ::testing::TestWithParam<Good> {};

TEST_P(ServiceAddressGood, GivesHostPortAndUrl)
{
    const Good& g = GetParam();
    const auto address = Cloud::parse_service_address(g.value, kDefault);
    EXPECT_EQ(address.host.toStdString(), g.host);
    EXPECT_EQ(address.port, g.port);
    EXPECT_EQ(Cloud::service_url(address, QStringLiteral("/interface/cloud/query")).toString().toStdString(),
              g.queryUrl);
}

INSTANTIATE_TEST_SUITE_P(Values, ServiceAddressGood, ::testing::Values(
    Good{"", "lookup.default.example", 80, "http://lookup.default.example/interface/cloud/query"},
    Good{"  ", "lookup.default.example", 80, "http://lookup.default.example/interface/cloud/query"},
    Good{"127.0.0.1:8080", "127.0.0.1", 8080, "http://127.0.0.1:8080/interface/cloud/query"},
    Good{"lookup.example.org", "lookup.example.org", 80, "http://lookup.example.org/interface/cloud/query"},
    Good{"lookup.example.org:80", "lookup.example.org", 80, "http://lookup.example.org/interface/cloud/query"},
    Good{"[::1]:9000", "::1", 9000, "http://[::1]:9000/interface/cloud/query"},
    Good{"[::1]", "::1", 80, "http://[::1]/interface/cloud/query"},
    Good{"::1", "::1", 80, "http://[::1]/interface/cloud/query"},
    Good{"host:65535", "host", 65535, "http://host:65535/interface/cloud/query"}));

TEST(ServiceAddress, RejectsWhatCannotBeAnAddress)
{
    for (const char* value : {"host:", "host:0", "host:65536", "host:99999999", "host:abc", "host:-1",
                              ":8080", "[::1", "[::1]x", "[]:80"}) {
        try {
            Cloud::parse_service_address(value, kDefault);
            ADD_FAILURE() << value << " was accepted";
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find("NIMBIX_SERVER"), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find(value), std::string::npos) << e.what();
        }
    }
}

TEST(ServiceAddress, UploadUrlFollowsTheSameAddress)
{
    EXPECT_EQ(Cloud::service_url(Cloud::parse_service_address("", kDefault), QStringLiteral("/upfileload.php"))
                  .toString()
                  .toStdString(),
              "http://lookup.default.example/upfileload.php");
    EXPECT_EQ(Cloud::service_url(Cloud::parse_service_address("lookup.lan:8000", kDefault),
                                 QStringLiteral("/upfileload.php"))
                  .toString()
                  .toStdString(),
              "http://lookup.lan:8000/upfileload.php");
}

} // namespace

namespace {

TEST(ServiceAddress, UnsetMeansTheBuiltInHostOnPort80)
{
    const QByteArray saved = qgetenv("NIMBIX_SERVER");
    const bool wasSet = qEnvironmentVariableIsSet("NIMBIX_SERVER");
    qunsetenv("NIMBIX_SERVER");
    const auto address = Cloud::service_address();
    if (wasSet)
        qputenv("NIMBIX_SERVER", saved);
    EXPECT_EQ(address.host, QStringLiteral(NIMBIX_DEFAULT_HOST));
    EXPECT_EQ(address.port, 80);
}

} // namespace
