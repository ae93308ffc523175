#include "support/fake_host_site.h"
#include "support/fake_maker_site.h"

#include <gtest/gtest.h>

#include "support/qt_print.h"

#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <optional>
#include <regex>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace tarvolin::test {
namespace {

const QByteArray kColonName = "Report\xEA\x9E\x89 part 1.bin";
const QByteArray kColonPath = "Report%EA%9E%89%20part%201.bin";
constexpr qint64 kSize = 100000;

std::string between(const std::string& text, const std::string& start, const std::string& stop) {
    const size_t from = text.find(start);
    if (from == std::string::npos)
        return {};
    const size_t begin = from + start.size();
    return text.substr(begin, text.find(stop, begin) - begin);
}

std::string formValue(const std::string& page, const std::string& name) {
    return between(page, "name=\"" + name + "\" value=\"", "\"");
}

std::string encode(const std::vector<std::pair<std::string, std::string>>& fields) {
    std::string body;
    for (const auto& [name, value] : fields)
        body += (body.empty() ? "" : "&") + name + "=" +
                QByteArray::fromStdString(value).toPercentEncoding().toStdString();
    return body;
}

class FakeHostTest : public ::testing::Test {
protected:
    FakeHostTest() {
        site.addFile(FileOspitato::generated("colon1", kColonName, kSize));
        FileOspitato locked = FileOspitato::generated("locked1", "Locked.bin", 10);
        locked.downloadPassword = "secret";
        site.addFile(locked);
    }

    httplib::Result postForm(const std::string& path, const std::string& body,
                             const std::string& cookie = {}) {
        httplib::Headers headers;
        if (!cookie.empty())
            headers.emplace("Cookie", cookie);
        return client.Post(path, headers, body, "application/x-www-form-urlencoded");
    }

    std::string login(const std::string& password = FakeHostSite::kPassword) {
        const auto page = client.Get("/login.html");
        const auto res = postForm("/", "op=login&login=demo%40easybytez.localhost&rand=" +
                                           formValue(page->body, "rand") + "&password=" + password);
        return "xfss=" + between(res->get_header_value("Set-Cookie"), "xfss=", ";");
    }

    // Posts the download form of `id` the way the program does, password last when given.
    std::string downloadPage(const std::string& id, const std::optional<std::string>& password) {
        const std::string cookie = login();
        const auto page = client.Get("/" + id, {{"Cookie", cookie}});
        std::string body = "op=download2&id=" + id + "&rand=" + formValue(page->body, "rand") +
                           "&method_premium=1&down_direct=1";
        if (password)
            body += "&password=" + *password;
        return postForm("/" + id, body, cookie)->body;
    }

    FakeHostSite site;
    httplib::Client client{"127.0.0.1", site.porta()};
};

TEST_F(FakeHostTest, LoginSetsTheCookiesAndUnlocksTheDownloadForm) {
    EXPECT_NE(client.Get("/colon1")->body.find("<b>Sign Up</b>"), std::string::npos);

    const std::string rand = formValue(client.Get("/login.html")->body, "rand");
    const std::string body =
        "op=login&login=demo%40easybytez.localhost&rand=" + rand + "&password=demo-password";
    const auto res = postForm("/", body);
    ASSERT_EQ(res->get_header_value_count("Set-Cookie"), 2u);
    const std::string date = R"(; Expires=(Mon|Tue|Wed|Thu|Fri|Sat|Sun), \d\d-[A-Z][a-z]{2}-\d{4} )"
                             R"(\d\d:\d\d:\d\d GMT)";
    const std::string attributes = R"(; Path=/; Domain=\.easybytez\.localhost)";
    EXPECT_TRUE(std::regex_match(
        res->get_header_value("Set-Cookie", 0),
        std::regex("xfss=[a-z0-9]+" + attributes + "; HttpOnly; Max-Age=2592000" + date)));
    EXPECT_TRUE(std::regex_match(
        res->get_header_value("Set-Cookie", 1),
        std::regex("login=demo@easybytez\\.localhost" + attributes + "; Max-Age=2592000" + date)));
    EXPECT_EQ(res->body.find("Incorrect Login or Password"), std::string::npos);

    const CampiModulo sent{{"op", "login"},
                           {"login", FakeHostSite::kEmail},
                           {"rand", QByteArray::fromStdString(rand)},
                           {"password", FakeHostSite::kPassword}};
    ASSERT_EQ(site.loginAttempts().size(), 1);
    EXPECT_EQ(site.loginAttempts()[0].fields, sent);
    EXPECT_EQ(site.loginAttempts()[0].body, QByteArray::fromStdString(body));

    const std::string cookie = "xfss=" + between(res->get_header_value("Set-Cookie"), "xfss=", ";");
    const std::string page = client.Get("/colon1", {{"Cookie", cookie}})->body;
    EXPECT_EQ(page.find("<b>Sign Up</b>"), std::string::npos);
    EXPECT_EQ(formValue(page, "op"), "download2");
    EXPECT_EQ(formValue(page, "id"), "colon1");
    EXPECT_FALSE(formValue(page, "rand").empty());
}

TEST_F(FakeHostTest, RefusesBadLogins) {
    const std::string issued = formValue(client.Get("/login.html")->body, "rand");
    postForm("/", encode({{"op", "login"},
                          {"login", FakeHostSite::kEmail},
                          {"rand", issued},
                          {"password", FakeHostSite::kPassword}}));
    const struct {
        const char* what;
        std::string op, rand, password;
    } cases[] = {
        {"wrong password", "login", formValue(client.Get("/login.html")->body, "rand"), "nope"},
        {"rand never issued", "login", "0123456789", FakeHostSite::kPassword},
        {"rand already used", "login", issued, FakeHostSite::kPassword},
        {"empty op", "", formValue(client.Get("/login.html")->body, "rand"),
         FakeHostSite::kPassword},
    };
    for (const auto& c : cases) {
        const auto res = postForm("/", encode({{"op", c.op},
                                               {"login", FakeHostSite::kEmail},
                                               {"rand", c.rand},
                                               {"password", c.password}}));
        EXPECT_NE(res->body.find("Incorrect Login or Password"), std::string::npos) << c.what;
        EXPECT_FALSE(res->has_header("Set-Cookie")) << c.what;
    }
}

TEST_F(FakeHostTest, DownloadFormGivesALinkThatServesRanges) {
    const std::string href = between(
        between(downloadPage("colon1", std::nullopt), "This direct link will be", "</span>"),
        "href=\"", "\"");
    const std::string prefix = site.radice().toStdString() + "/d/";
    ASSERT_EQ(href.rfind(prefix, 0), 0u) << href;
    ASSERT_EQ(href.substr(href.size() - kColonName.size()), kColonName.toStdString());
    const std::string token =
        href.substr(prefix.size(), href.find('/', prefix.size()) - prefix.size());
    const std::string path = "/d/" + token + "/" + kColonPath.toStdString();

    const struct {
        const char* range;
        int status;
        qint64 first, length;
        const char* contentRange;
    } cases[] = {
        {"", 200, 0, kSize, ""},
        {"bytes=0-", 206, 0, kSize, "bytes 0-99999/100000"},
        {"bytes=10-19", 206, 10, 10, "bytes 10-19/100000"},
        {"bytes=99990-100000", 206, 99990, 10, "bytes 99990-99999/100000"},
        {"bytes=-5", 206, 99995, 5, "bytes 99995-99999/100000"},
        {"bytes=100000-", 416, 0, 0, "bytes */100000"},
        {"bytes=0-1,5-6", 416, 0, 0, "bytes */100000"},
        {"bytes=20-10", 416, 0, 0, ""}, // refused by httplib before the handler
    };
    for (const auto& c : cases) {
        httplib::Headers headers;
        if (*c.range != '\0')
            headers.emplace("Range", c.range);
        const auto res = client.Get(path, headers);
        ASSERT_TRUE(res) << c.range;
        EXPECT_EQ(res->status, c.status) << c.range;
        EXPECT_EQ(res->get_header_value("Content-Range"), c.contentRange) << c.range;
        EXPECT_EQ(QByteArray::fromStdString(res->body),
                  FakeHostSite::patternBytes(c.first, c.length))
            << c.range;
    }
    const auto res = client.Get(path);
    EXPECT_EQ(res->get_header_value("Content-Disposition"),
              "attachment; filename=\"" + kColonName.toStdString() + "\"");
    EXPECT_EQ(res->get_header_value("Accept-Ranges"), "bytes");
    EXPECT_EQ(client.Get("/d/" + token + "/Report%3A%20part%201.bin")->status, 404);
    EXPECT_EQ(site.downloads().last().status, 404);
    EXPECT_EQ(site.downloads()[2].range, "bytes=10-19");
}

TEST_F(FakeHostTest, DownloadPasswordDecidesBetweenLinkAndWrongPassword) {
    const struct {
        std::optional<std::string> password;
        bool linkToo;
        bool wrong, link;
    } cases[] = {
        {std::nullopt, false, true, false},
        {"guess", false, true, false},
        {"guess", true, true, true},
        {"secret", false, false, true},
    };
    for (const auto& c : cases) {
        FileOspitato locked = *site.file("locked1");
        locked.linkWithWrongPassword = c.linkToo;
        site.addFile(locked);
        const std::string page = downloadPage("locked1", c.password);
        EXPECT_EQ(page.find(">Wrong password<") != std::string::npos, c.wrong);
        EXPECT_EQ(page.find("href=\"" + site.radice().toStdString() + "/d/") != std::string::npos,
                  c.link);
        EXPECT_EQ(site.downloadForms().last().fields.last().first,
                  c.password ? "password" : "down_direct");
    }
}

TEST(FakeHostSiteLog, KeepsHeadersInTheOrderReceived) {
    FakeHostSite site;
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<quint16>(site.porta()));
    ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    const std::string request = "POST /hostile/nomarkers HTTP/1.1\r\nHost: x\r\nZeta: 1\r\n"
                                "Accept-Encoding: gzip\r\nAlpha: 2\r\nContent-Length: 3\r\n"
                                "Connection: close\r\n\r\na=b";
    ASSERT_EQ(::send(fd, request.data(), request.size(), 0), static_cast<ssize_t>(request.size()));
    char buffer[4096];
    while (::recv(fd, buffer, sizeof buffer, 0) > 0) {
    }
    ::close(fd);

    ASSERT_EQ(site.requests().size(), 1);
    const RichiestaRicevuta got = site.requests()[0];
    QList<QByteArray> names;
    for (const auto& header : got.headers)
        names.append(header.first);
    EXPECT_EQ(names, QList<QByteArray>({"Host", "Zeta", "Accept-Encoding", "Alpha",
                                        "Content-Length", "Connection"}));
    EXPECT_EQ(got.body, "a=b");
    EXPECT_EQ(got.header("accept-encoding"), "gzip");
}

TEST(FakeMakerSiteTest, ServesTheHostingListAndItsFailures) {
    FakeMakerSite site;
    httplib::Client client("127.0.0.1", site.porta());
    auto res = client.Get("/hosting.ini", {{"Accept-Encoding", "gzip, deflate"}});
    EXPECT_EQ(res->status, 200);
    EXPECT_FALSE(res->has_header("Content-Encoding"));
    EXPECT_EQ(QByteArray::fromStdString(res->body),
              "www.easybytez.localhost\r\neasybytez.localhost\r\n");

    site.setHostingStatus(404);
    EXPECT_EQ(client.Get("/hosting.ini")->status, 404);
    site.serveBinaryHostingList();
    EXPECT_EQ(QByteArray::fromStdString(client.Get("/hosting.ini")->body),
              FakeMakerSite::binaryBytes());
    EXPECT_EQ(client.Get("/banner.ini")->status, 404);
    EXPECT_EQ(site.requests().size(), 4);
    EXPECT_EQ(site.requests()[0].header("Accept-Encoding"), "gzip, deflate");
}

} // namespace
} // namespace tarvolin::test
