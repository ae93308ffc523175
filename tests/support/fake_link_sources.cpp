#include "support/fake_link_sources.h"

#include <httplib.h>

#include <QUrl>

namespace tarvolin::test {

namespace {

QByteArray formValue(const QByteArray& body, const QByteArray& name) {
    for (const QByteArray& pair : body.split('&')) {
        if (pair.startsWith(QByteArray(name + '='))) {
            QByteArray value = pair.mid(name.size() + 1);
            value.replace('+', ' ');
            return QByteArray::fromPercentEncoding(value);
        }
    }
    return {};
}

} // namespace

FakeDlcService::FakeDlcService() {
    server_.post("/decrypt/paste", [this](const httplib::Request& req, httplib::Response& res) {
        const QByteArray container = formValue(QByteArray::fromStdString(req.body), "content");
        std::unique_lock lock(mutex_);
        containers_.append(container);
        released_.wait(lock, [this] { return !held_; });
        const auto found = replies_.find(container);
        const QByteArray reply = found != replies_.end() ? found->second : noMarkerReply();
        res.set_content(reply.toStdString(), "application/json");
    });
    server_.start(0);
}

FakeDlcService::~FakeDlcService() {
    release();
    server_.stop();
}

QString FakeDlcService::radice() const {
    return QStringLiteral("http://127.0.0.1:%1").arg(server_.port());
}

void FakeDlcService::setReply(const QByteArray& container, const QByteArray& reply) {
    std::lock_guard lock(mutex_);
    replies_[container] = reply;
}

void FakeDlcService::hold() {
    std::lock_guard lock(mutex_);
    held_ = true;
}

void FakeDlcService::release() {
    {
        std::lock_guard lock(mutex_);
        held_ = false;
    }
    released_.notify_all();
}

QByteArray FakeDlcService::linksReply(const QList<QByteArray>& links) {
    QByteArrayList quoted;
    for (const QByteArray& link : links)
        quoted << '"' + link + '"';
    return R"({"success": {"message": "OK", "links": [)" + quoted.join(", ") + "]}}";
}

QByteArray FakeDlcService::noMarkerReply() {
    return R"({"form_errors": {"dlcfile": ["Invalid DLC file."]}})";
}

QList<QByteArray> FakeDlcService::containers() const {
    std::lock_guard lock(mutex_);
    return containers_;
}

FakeLinkFolderSite::FakeLinkFolderSite() {
    server_.get(R"(/.*)", [this](const httplib::Request& req, httplib::Response& res) {
        const QByteArray path = QByteArray::fromStdString(req.path); // decoded by httplib
        std::lock_guard lock(mutex_);
        if (path.startsWith("/DLC/") && path.endsWith(".dlc")) {
            const auto found = containers_.find(path.mid(5, path.size() - 9));
            if (found != containers_.end()) {
                res.set_content(found->second.toStdString(), "application/octet-stream");
                return;
            }
        } else if (const auto page = pages_.find(path); page != pages_.end()) {
            res.set_header("Set-Cookie", "PHPSESSID=cartella42; path=/");
            res.set_content(page->second.toStdString(), "text/html");
            return;
        }
        res.status = 404;
        res.set_content("Not Found\n", "text/plain");
    });
    server_.start(0);
}

FakeLinkFolderSite::~FakeLinkFolderSite() {
    server_.stop();
}

void FakeLinkFolderSite::setPage(const QByteArray& path, const QByteArray& html) {
    std::lock_guard lock(mutex_);
    pages_[path] = html;
}

void FakeLinkFolderSite::setContainer(const QByteArray& id, const QByteArray& container) {
    std::lock_guard lock(mutex_);
    containers_[id] = container;
}

QByteArray FakeLinkFolderSite::folderPage(const QByteArray& id) {
    return "<html><body><button onclick=\"DownloadDLC('" + id + "');\">DLC</button></body></html>";
}

} // namespace tarvolin::test
