#include "support/fake_maker_site.h"

#include <utility>

namespace tarvolin::test {

FakeMakerSite::FakeMakerSite(quint16 port) {
    resources_[kHostingPath] = Risorsa{200, defaultHostingList(), "text/plain", {}};
    server_.get(R"(/.*)",
                [this](const httplib::Request& req, httplib::Response& res) { serve(req, res); });
    server_.start(port);
}

FakeMakerSite::~FakeMakerSite() {
    server_.stop();
}

QString FakeMakerSite::radice() const {
    return QStringLiteral("http://127.0.0.1:%1").arg(porta());
}

void FakeMakerSite::setResource(const QByteArray& path, const Risorsa& resource) {
    std::lock_guard lock(mutex_);
    resources_[path] = resource;
}

void FakeMakerSite::removeResource(const QByteArray& path) {
    std::lock_guard lock(mutex_);
    resources_.erase(path);
}

void FakeMakerSite::setHostingList(const QByteArray& body) {
    setResource(kHostingPath, Risorsa{200, body, "text/plain", {}});
}

void FakeMakerSite::setHostingStatus(int status) {
    std::lock_guard lock(mutex_);
    resources_[kHostingPath].status = status;
}

void FakeMakerSite::serveManyHostingLines(int count) {
    setHostingList(manyHostingLines(count));
}

void FakeMakerSite::serveBinaryHostingList() {
    setResource(kHostingPath, Risorsa{200, binaryBytes(), "application/octet-stream", {}});
}

QByteArray FakeMakerSite::defaultHostingList() {
    return QByteArray(FakeHostSite::kHost) + "\r\n" + (FakeHostSite::kCookieDomain + 1) + "\r\n";
}

QByteArray FakeMakerSite::manyHostingLines(int count) {
    QByteArray lines;
    for (int i = 1; i < count; ++i)
        lines += "www.mirror" + QByteArray::number(i) + ".invalid\r\n";
    if (count > 0)
        lines += QByteArray(FakeHostSite::kHost) + "\r\n";
    return lines;
}

QByteArray FakeMakerSite::binaryBytes() {
    QByteArray bytes;
    for (int round = 0; round < 4; ++round) {
        for (int value = 0; value < 256; ++value)
            bytes += static_cast<char>((value * 7 + round) & 0xFF);
    }
    return bytes;
}

void FakeMakerSite::onRequest(std::function<void(const RichiestaRicevuta&)> observer) {
    server_.onRequest(std::move(observer));
}

void FakeMakerSite::serve(const httplib::Request& req, httplib::Response& res) const {
    std::lock_guard lock(mutex_);
    const auto found = resources_.find(QByteArray::fromStdString(req.path));
    if (found == resources_.end()) {
        res.status = 404;
        res.set_content("Not Found\n", "text/plain");
        return;
    }
    const Risorsa& resource = found->second;
    res.status = resource.status;
    for (const auto& [name, value] : resource.headers)
        res.set_header(name.toStdString(), value.toStdString());
    res.set_content(resource.body.toStdString(), resource.contentType.toStdString());
}

} // namespace tarvolin::test
