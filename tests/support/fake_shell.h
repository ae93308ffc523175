#pragma once

#include "platform/shell.h"

#include <QStringList>

namespace tarvolin::test {

// A desktop that records what it is asked to open and answers with folders of the test's.
class FakeShell final : public platform::Shell {
public:
    // `executableFolder` with a trailing separator.
    FakeShell(QString documents, QString localData, QString executableFolder = {})
        : documents_(std::move(documents)), localData_(std::move(localData)),
          executableFolder_(std::move(executableFolder)) {}

    QString documentsFolder() const override { return documents_; }
    QString localDataFolder() const override { return localData_; }
    QString executablePath() const override { return executableFolder_ + executableName; }
    QString executableFolder() const override { return executableFolder_; }
    bool openUrl(const QString& target) override;
    bool showInFolder(const QString& filePath) override;

    QString executableName = QStringLiteral("Tarvolin");
    QStringList opened;
    QStringList shownInFolder;

private:
    QString documents_;
    QString localData_;
    QString executableFolder_;
};

} // namespace tarvolin::test
