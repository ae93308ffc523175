#pragma once

#include "support/fake_host_site.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <condition_variable>
#include <map>
#include <mutex>

// Stand-ins for the two outside services that turn containers and link folders into links.
namespace tarvolin::test {

// The DLC decoding service at http://127.0.0.1:PORT: POST /decrypt/paste with a form field
// "content" is answered from a table of containers; an unknown container gets a page without
// the links marker, as the real service answers what it cannot read.
class FakeDlcService {
public:
    FakeDlcService();
    ~FakeDlcService();
    FakeDlcService(const FakeDlcService&) = delete;
    FakeDlcService& operator=(const FakeDlcService&) = delete;

    QString radice() const; // "http://127.0.0.1:PORT"

    void setReply(const QByteArray& container, const QByteArray& reply);
    // While held, replies wait until release(); the requests are still recorded.
    void hold();
    void release();

    // The service's usual answer: {"success": {"links": ["l1", "l2"]}} with ", " between links.
    static QByteArray linksReply(const QList<QByteArray>& links);
    static QByteArray noMarkerReply();

    // The containers received, decoded, in the order they arrived.
    QList<QByteArray> containers() const;
    QList<RichiestaRicevuta> requests() const { return server_.requests(); }

private:
    mutable std::mutex mutex_;
    std::condition_variable released_;
    bool held_ = false;
    std::map<QByteArray, QByteArray> replies_;
    QList<QByteArray> containers_;
    RecordingHttpServer server_; // last, so that it stops before the tables go
};

// The link-folder service on *.localhost:PORT (any host name): GET of a folder path answers its
// page (with a cookie), GET /DLC/<id>.dlc the container stored under that id, 404 otherwise.
class FakeLinkFolderSite {
public:
    FakeLinkFolderSite();
    ~FakeLinkFolderSite();
    FakeLinkFolderSite(const FakeLinkFolderSite&) = delete;
    FakeLinkFolderSite& operator=(const FakeLinkFolderSite&) = delete;

    int porta() const { return server_.port(); }

    void setPage(const QByteArray& path, const QByteArray& html);
    void setContainer(const QByteArray& id, const QByteArray& container);
    // A page naming its container as the service does: "DownloadDLC('<id>')".
    static QByteArray folderPage(const QByteArray& id);

    QList<RichiestaRicevuta> requests() const { return server_.requests(); }

private:
    mutable std::mutex mutex_;
    std::map<QByteArray, QByteArray> pages_;
    std::map<QByteArray, QByteArray> containers_;
    RecordingHttpServer server_;
};

} // namespace tarvolin::test
