#include "support/fake_maker_site.h"

#include <httplib.h>

#include <algorithm>
#include <memory>
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
    auto body = std::make_shared<const std::string>(resource.body.toStdString());
    const std::string type = resource.contentType.toStdString();
    switch (resource.invio) {
    case Invio::Intero:
        res.set_content(*body, type);
        break;
    case Invio::SenzaLunghezza:
        res.set_chunked_content_provider(type, [body](size_t offset, httplib::DataSink& sink) {
            if (offset < body->size())
                sink.write(body->data() + offset, std::min<size_t>(body->size() - offset, 65536));
            else
                sink.done();
            return true;
        });
        break;
    case Invio::Troncato:
        res.set_content_provider(body->size(), type,
                                 [body](size_t offset, size_t, httplib::DataSink& sink) {
                                     const size_t half = body->size() / 2;
                                     if (offset >= half)
                                         return false; // drops the connection
                                     sink.write(body->data() + offset, half - offset);
                                     return true;
                                 });
        break;
    }
}

} // namespace tarvolin::test
