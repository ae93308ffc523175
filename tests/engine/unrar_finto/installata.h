#pragma once

#include <QFile>
#include <QString>

#include <gtest/gtest.h>

namespace tarvolin::test {

// The stand-in UnRAR library where the program's dlopen finds it, while the object lives: a link
// in the folder that CTest puts in LD_LIBRARY_PATH for this test program alone. Without one the
// program sees a machine without UnRAR.
class UnrarInstallata {
public:
    UnrarInstallata() {
        EXPECT_TRUE(qEnvironmentVariable("LD_LIBRARY_PATH").contains(UNRAR_CARTELLA))
            << "run by ctest, which names " << UNRAR_CARTELLA << " in LD_LIBRARY_PATH";
        QFile::remove(link_);
        EXPECT_TRUE(QFile::link(QStringLiteral(UNRAR_FINTO), link_));
    }
    ~UnrarInstallata() { QFile::remove(link_); }
    UnrarInstallata(const UnrarInstallata&) = delete;
    UnrarInstallata& operator=(const UnrarInstallata&) = delete;

private:
    const QString link_ = QStringLiteral(UNRAR_CARTELLA "/libunrar.so");
};

} // namespace tarvolin::test
